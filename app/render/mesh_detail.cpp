#include "app/render/mesh_detail.h"

#include <meshoptimizer.h>

namespace kestrel::render {
namespace {

constexpr size_t kFloatsPerVertex = 6;  // x, y, z, nx, ny, nz
constexpr size_t kVertexBytes = kFloatsPerVertex * sizeof(float);
// The coarse form may move a surface by up to this share of the mesh's
// extent: it is only seen while the view moves.
constexpr float kCoarseError = 0.05f;

}  // namespace

PreparedMesh PrepareMesh(ks::CKsObject& object, size_t coarseTriangles) {
  PreparedMesh out;
  out.mesh = BuildIndexedMesh(object.Vertices(), object.Triangles(), object.CornerNormals(),
                              object.Position());
  IndexedMesh& m = out.mesh;
  const size_t vertexCount = m.vertices.size() / kFloatsPerVertex;
  if (m.indices.empty() || vertexCount == 0) return out;

  std::vector<uint32_t> ordered(m.indices.size());
  meshopt_optimizeVertexCache(ordered.data(), m.indices.data(), m.indices.size(), vertexCount);
  std::vector<float> fetched(m.vertices.size());
  const size_t used = meshopt_optimizeVertexFetch(fetched.data(), ordered.data(), ordered.size(),
                                                  m.vertices.data(), vertexCount, kVertexBytes);
  fetched.resize(used * kFloatsPerVertex);
  m.vertices = std::move(fetched);
  m.indices = std::move(ordered);

  if (m.indices.size() / 3 > coarseTriangles) {
    std::vector<uint32_t> coarse(m.indices.size());
    const size_t kept =
        meshopt_simplifySloppy(coarse.data(), m.indices.data(), m.indices.size(), m.vertices.data(),
                               used, kVertexBytes, coarseTriangles * 3, kCoarseError, nullptr);
    coarse.resize(kept);
    out.coarseIndices.resize(kept);
    meshopt_optimizeVertexCache(out.coarseIndices.data(), coarse.data(), kept, used);
  }
  return out;
}

}  // namespace kestrel::render
