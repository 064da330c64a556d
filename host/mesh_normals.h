#pragma once
// Normal computation for the host's triangle meshes: face normals, smoothing
// over a run of triangles, and angle-limited (adaptive) smoothing. Works on the
// mesh object's flat arrays: x, y, z per vertex; three vertex numbers per
// triangle; nine floats of corner normals per triangle; one byte per triangle
// whose bit c marks corner c as explicit (handed in, never recomputed).
#include <array>
#include <cstdint>
#include <span>

namespace ks::mesh {

// The cross product of the triangle's edges: its length is twice the area, so
// summing these weights neighbours by area. Zero for a degenerate triangle.
std::array<float, 3> FaceCross(std::span<const float> vertices, std::span<const int32_t> triangles,
                               int32_t triangle);
// The unit face normal, or (0, 0, 0) for a degenerate triangle.
std::array<float, 3> FaceNormal(std::span<const float> vertices, std::span<const int32_t> triangles,
                                int32_t triangle);

// Every non-explicit corner of triangles first..last gets the normalised sum of
// the face normals of all triangles in that run that share its vertex.
void SmoothRun(std::span<const float> vertices, std::span<const int32_t> triangles,
               std::span<float> normals, std::span<const uint8_t> explicitMask, int32_t first,
               int32_t last);

// Every non-explicit corner gets the normalised sum of the face normals of the
// triangles around its vertex that are reached from its own triangle by
// crossing edges whose two faces meet at less than angleDegrees. Faces meeting
// at a sharper edge keep separate normals (a crease).
void SmoothByAngle(std::span<const float> vertices, std::span<const int32_t> triangles,
                   std::span<float> normals, std::span<const uint8_t> explicitMask,
                   double angleDegrees);

}  // namespace ks::mesh
