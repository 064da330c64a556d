#pragma once
// The drawing form of one host object, made once per object without OpenGL
// (so on any thread): its indexed mesh with the triangle order and vertex
// order rearranged for the GPU's vertex cache and fetches, and, for a big
// mesh, a coarse set of triangles over the same vertices for the frames
// drawn while the view moves. Both come from meshoptimizer.
#include <cstdint>
#include <functional>
#include <vector>

#include "app/render/indexed_mesh.h"
#include "host/ks_object.h"

namespace kestrel::render {

struct PreparedMesh {
  IndexedMesh mesh;
  // Three vertex numbers per triangle of the coarse form; empty when the
  // mesh is small enough to draw whole while moving.
  std::vector<uint32_t> coarseIndices;
};

// Objects of more triangles than this get a coarse form of about that many.
inline constexpr size_t kCoarseTriangles = 60000;

// Told the share of the work done (0 to 1) between steps; answers false to
// stop, and PrepareMesh then returns an empty form.
using PrepareProgress = std::function<bool(double share)>;

// Reads the object without changing it: corners the object holds no normal
// for yet (face normals, worked out on first use) get zero normals, which are
// drawn flat.
PreparedMesh PrepareMesh(ks::CKsObject& object, size_t coarseTriangles = kCoarseTriangles,
                         const PrepareProgress& progress = {});

}  // namespace kestrel::render
