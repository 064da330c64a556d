#include "app/render/mesh_detail.h"

#include <meshoptimizer.h>

#include <future>

namespace kestrel::render {
namespace {

constexpr size_t kFloatsPerVertex = 6;  // x, y, z, nx, ny, nz
constexpr size_t kVertexBytes = kFloatsPerVertex * sizeof(float);
// The coarse form may move a surface by up to this share of the mesh's
// extent: it is only seen while the view moves.
constexpr float kCoarseError = 0.05f;
// Vertex cache size the triangle order is made for: about what GPUs and
// Mesa's software rasteriser keep of recently shaded vertices.
constexpr unsigned kCacheSize = 16;

// Reports a share of the work done; false: stop.
bool Reached(const PrepareProgress& progress, double share) {
  return !progress || progress(share);
}

}  // namespace

PreparedMesh PrepareMesh(ks::CKsObject& object, size_t coarseTriangles,
                         const PrepareProgress& progress) {
  PreparedMesh out;
  if (!Reached(progress, 0)) return out;
  out.mesh = BuildIndexedMesh(object.Vertices(), object.Triangles(), object.CornerNormals(),
                              object.Position());
  IndexedMesh& m = out.mesh;
  const size_t vertexCount = m.vertices.size() / kFloatsPerVertex;
  if (!Reached(progress, 0.35)) return {};
  if (m.indices.empty() || vertexCount == 0) return out;

  // The coarse form is made beside the triangle ordering (the two read the
  // same mesh); its vertex numbers are renumbered below with the full form's.
  std::future<std::vector<uint32_t>> coarseMade;
  if (m.indices.size() / 3 > coarseTriangles)
    coarseMade = std::async(std::launch::async, [&m, vertexCount, coarseTriangles] {
      std::vector<uint32_t> coarse(m.indices.size());
      coarse.resize(meshopt_simplifySloppy(coarse.data(), m.indices.data(), m.indices.size(),
                                           m.vertices.data(), vertexCount, kVertexBytes,
                                           coarseTriangles * 3, kCoarseError, nullptr));
      return coarse;
    });
  // The FIFO ordering is several times faster than the full vertex cache
  // optimiser for about the same cache hits: a big mesh reaches the screen
  // sooner.
  std::vector<uint32_t> ordered(m.indices.size());
  meshopt_optimizeVertexCacheFifo(ordered.data(), m.indices.data(), m.indices.size(), vertexCount,
                                  kCacheSize);
  std::vector<uint32_t> coarse = coarseMade.valid() ? coarseMade.get() : std::vector<uint32_t>{};
  if (!Reached(progress, 0.8)) return {};

  // Vertices in the order the triangles first use them.
  std::vector<uint32_t> remap(vertexCount);
  const size_t used =
      meshopt_optimizeVertexFetchRemap(remap.data(), ordered.data(), ordered.size(), vertexCount);
  std::vector<float> fetched(used * kFloatsPerVertex);
  meshopt_remapVertexBuffer(fetched.data(), m.vertices.data(), vertexCount, kVertexBytes,
                            remap.data());
  meshopt_remapIndexBuffer(ordered.data(), ordered.data(), ordered.size(), remap.data());
  m.vertices = std::move(fetched);
  m.indices = std::move(ordered);

  if (!coarse.empty()) {
    meshopt_remapIndexBuffer(coarse.data(), coarse.data(), coarse.size(), remap.data());
    out.coarseIndices.resize(coarse.size());
    meshopt_optimizeVertexCacheFifo(out.coarseIndices.data(), coarse.data(), coarse.size(), used,
                                    kCacheSize);
  }
  Reached(progress, 1);
  return out;
}

}  // namespace kestrel::render
