#include "app/render/indexed_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrel::render {

IndexedMesh BuildIndexedMesh(std::span<const float> xyz, std::span<const int32_t> triangles,
                             std::span<const float> normals, std::array<float, 3> offset) {
  IndexedMesh mesh;
  const size_t positions = xyz.size() / 3;
  // For each host vertex, the GPU vertices made from it so far, as a chain:
  // first[v] is the newest, next[g] the one before g (-1 ends).
  std::vector<int32_t> first(positions, -1);
  std::vector<int32_t> next;
  next.reserve(positions + positions / 4);
  mesh.vertices.reserve((positions + positions / 4) * 6);
  mesh.indices.resize(triangles.size());
  mesh.min = {INFINITY, INFINITY, INFINITY};
  mesh.max = {-INFINITY, -INFINITY, -INFINITY};
  for (size_t c = 0; c < triangles.size(); ++c) {
    const auto v = static_cast<size_t>(triangles[c]);
    float n[3] = {0, 0, 0};
    if (normals.size() >= (c + 1) * 3) std::memcpy(n, &normals[c * 3], sizeof n);
    int32_t g = first[v];
    while (g >= 0 && std::memcmp(&mesh.vertices[static_cast<size_t>(g) * 6 + 3], n, sizeof n) != 0)
      g = next[static_cast<size_t>(g)];
    if (g < 0) {
      g = static_cast<int32_t>(next.size());
      next.push_back(first[v]);
      first[v] = g;
      const float p[3] = {xyz[v * 3] + offset[0], xyz[v * 3 + 1] + offset[1],
                          xyz[v * 3 + 2] + offset[2]};
      mesh.vertices.insert(mesh.vertices.end(), {p[0], p[1], p[2], n[0], n[1], n[2]});
      if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) {
        for (int a = 0; a < 3; ++a) {
          mesh.min[a] = std::min(mesh.min[a], p[a]);
          mesh.max[a] = std::max(mesh.max[a], p[a]);
        }
        mesh.empty = false;
      }
    }
    mesh.indices[c] = static_cast<uint32_t>(g);
  }
  return mesh;
}

}  // namespace kestrel::render
