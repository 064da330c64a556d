#include "app/cmd_thumbnail_simplify.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kestrel {
namespace {

// Cell numbers per axis are packed into 21 bits each.
constexpr int kMostCells = (1 << 21) - 2;

// Packs a triangle's three vertex numbers, sorted, into one key.
uint64_t TripleKey(std::array<int32_t, 3> c) {
  std::sort(c.begin(), c.end());
  return uint64_t(c[0]) << 42 | uint64_t(c[1]) << 21 | uint64_t(c[2]);
}

void Cluster(ks::CKsObject& object, const std::array<float, 3>& low, float cell) {
  const auto v = object.Vertices();
  const auto t = object.Triangles();
  const size_t count = v.size() / 3;
  // Each vertex's cell, then the cells in order: one new vertex per cell,
  // placed where the cell's first vertex lies.
  std::vector<std::pair<uint64_t, uint32_t>> cells(count);
  for (size_t i = 0; i < count; ++i) {
    uint64_t key = 0;
    for (int axis = 0; axis < 3; ++axis) {
      float at = std::floor((v[i * 3 + axis] - low[axis]) / cell);
      if (!std::isfinite(at)) at = 0;
      key = key << 21 | uint64_t(std::clamp(at, 0.0f, float(kMostCells)));
    }
    cells[i] = {key, uint32_t(i)};
  }
  std::sort(cells.begin(), cells.end());
  std::vector<int32_t> remap(count);
  std::vector<float> vertices;
  for (size_t i = 0; i < count; ++i) {
    if (i == 0 || cells[i].first != cells[i - 1].first)
      vertices.insert(vertices.end(), v.begin() + cells[i].second * 3,
                      v.begin() + cells[i].second * 3 + 3);
    remap[cells[i].second] = int32_t(vertices.size() / 3 - 1);
  }
  // Triangles that still have three corners; the same three cells in either
  // winding draw the same surface, so repeats are dropped (when the vertex
  // numbers fit the key).
  const bool dedupe = vertices.size() / 3 <= (size_t(1) << 21);
  std::vector<std::pair<uint64_t, uint32_t>> kept;
  for (size_t f = 0; f + 2 < t.size(); f += 3) {
    const std::array<int32_t, 3> c{remap[t[f]], remap[t[f + 1]], remap[t[f + 2]]};
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    kept.emplace_back(dedupe ? TripleKey(c) : f, uint32_t(f));
  }
  if (dedupe) {
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               kept.end());
  }
  std::vector<int32_t> triangles;
  triangles.reserve(kept.size() * 3);
  for (const auto& [key, f] : kept)
    triangles.insert(triangles.end(), {remap[t[f]], remap[t[f + 1]], remap[t[f + 2]]});
  object.Clear();
  object.AddVertices(std::move(vertices));
  object.AddTriangles(std::move(triangles));
}

}  // namespace

int64_t SimplifyForThumbnail(ks::CKsScene& scene, int64_t budget, int cellsAcross) {
  const auto objects = scene.ObjectList()->Objects();
  int64_t total = 0;
  std::array<float, 3> low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
  for (const auto& o : objects) {
    total += o->TriangleCount();
    const auto box = o->Bounds();
    if (box.empty) continue;
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], box.min[axis]);
      high[axis] = std::max(high[axis], box.max[axis]);
    }
  }
  if (total <= budget) return total;
  const float longest = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
  const int across = std::clamp(cellsAcross, 1, kMostCells);
  const float cell = longest > 0 ? longest / float(across) : 1.0f;
  total = 0;
  for (const auto& o : objects) {
    if (o->TriangleCount() > 0) Cluster(*o, low, cell);
    total += o->TriangleCount();
  }
  return total;
}

}  // namespace kestrel
