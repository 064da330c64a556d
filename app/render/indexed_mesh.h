#pragma once
// The GPU form of a host mesh: one vertex per distinct (position, corner
// normal) pair, and three indices per triangle. Corners of neighbouring
// triangles that share a vertex and its smoothed normal become one GPU vertex,
// so a smooth mesh is shaded from about one vertex per position instead of
// three per triangle; a corner whose normal differs (a crease, a flat face)
// gets a vertex of its own.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::render {

struct IndexedMesh {
  std::vector<float> vertices;        // x, y, z, nx, ny, nz per GPU vertex
  std::vector<uint32_t> indices;      // 3 per triangle
  std::array<float, 3> min{}, max{};  // bounds of the finite positions
  bool empty = true;                  // no finite position
};

// xyz: 3 floats per host vertex; triangles: 3 vertex numbers per triangle;
// normals: 9 floats per triangle (corner normals; missing ones read as zero);
// offset: added to every position (the object's placement).
IndexedMesh BuildIndexedMesh(std::span<const float> xyz, std::span<const int32_t> triangles,
                             std::span<const float> normals, std::array<float, 3> offset);

}  // namespace kestrel::render
