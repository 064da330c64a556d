#include "app/render/mesh_detail.h"

#include <meshoptimizer.h>

#include <cstdint>
#include <future>
#include <span>

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
  // The coarse form is made from the object's own vertices and triangles,
  // beside everything else below (normals, the GPU form, its ordering): it
  // is the longest step for a big mesh. Its host vertex numbers are turned
  // into the GPU form's further down.
  const std::span<const float> xyz = object.Vertices();
  const std::span<const int32_t> triangles = object.Triangles();
  std::future<std::vector<uint32_t>> coarseMade;
  if (triangles.size() / 3 > coarseTriangles && !xyz.empty())
    coarseMade = std::async(std::launch::async, [xyz, triangles, coarseTriangles] {
      const auto* indices = reinterpret_cast<const uint32_t*>(triangles.data());
      std::vector<uint32_t> coarse(triangles.size());
      coarse.resize(meshopt_simplifySloppy(coarse.data(), indices, triangles.size(), xyz.data(),
                                           xyz.size() / 3, 3 * sizeof(float), coarseTriangles * 3,
                                           kCoarseError, nullptr));
      return coarse;
    });
  // Taken before any return: the async work reads the object.
  auto takeCoarse = [&coarseMade] {
    return coarseMade.valid() ? coarseMade.get() : std::vector<uint32_t>{};
  };

  // Only the normals the object holds: triangles past them have face
  // normals, drawn flat as zero normals are (the shader takes the face's
  // slope on screen). Working out hundreds of megabytes of face normals into
  // the object here would hold the process's memory map for seconds while
  // they are paged in, and the window's own allocations wait for it.
  out.mesh = BuildIndexedMesh(xyz, triangles, object.HeldCornerNormals(), object.Position());
  IndexedMesh& m = out.mesh;
  const size_t vertexCount = m.vertices.size() / kFloatsPerVertex;
  if (!Reached(progress, 0.35)) {
    takeCoarse();
    return {};
  }
  if (m.indices.empty() || vertexCount == 0) return out;

  // The FIFO ordering is several times faster than the full vertex cache
  // optimiser for about the same cache hits: a big mesh reaches the screen
  // sooner.
  std::vector<uint32_t> ordered(m.indices.size());
  meshopt_optimizeVertexCacheFifo(ordered.data(), m.indices.data(), m.indices.size(), vertexCount,
                                  kCacheSize);
  // The GPU vertex of each host vertex a triangle uses (one of them, when a
  // crease gave it several: the coarse form's shading need not be exact).
  std::vector<uint32_t> coarse = takeCoarse();
  if (!coarse.empty()) {
    std::vector<uint32_t> gpuVertexOf(xyz.size() / 3, UINT32_MAX);
    for (size_t c = 0; c < triangles.size(); ++c)
      gpuVertexOf[static_cast<size_t>(triangles[c])] = m.indices[c];
    size_t kept = 0;
    for (size_t t = 0; t + 2 < coarse.size(); t += 3) {
      const uint32_t a = gpuVertexOf[coarse[t]], b = gpuVertexOf[coarse[t + 1]],
                     c = gpuVertexOf[coarse[t + 2]];
      // A corner on a vertex no triangle uses has no GPU vertex: left out.
      if (a == UINT32_MAX || b == UINT32_MAX || c == UINT32_MAX) continue;
      coarse[kept++] = a, coarse[kept++] = b, coarse[kept++] = c;
    }
    coarse.resize(kept);
  }
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
