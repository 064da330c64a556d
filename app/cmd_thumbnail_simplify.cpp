#include "app/cmd_thumbnail_simplify.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kestrel {
namespace {

// Cell numbers per axis are packed into 21 bits each.
constexpr int kMostCells = (1 << 21) - 2;

struct TripleHash {
  size_t operator()(const std::array<int32_t, 3>& t) const {
    return std::hash<uint64_t>()((uint64_t(uint32_t(t[0])) * 0x9E3779B97F4A7C15ull) ^
                                 (uint64_t(uint32_t(t[1])) << 21) ^ uint64_t(uint32_t(t[2])));
  }
};

void Cluster(ks::CKsObject& object, const std::array<float, 3>& low, float cell) {
  const auto v = object.Vertices();
  const auto t = object.Triangles();
  std::unordered_map<uint64_t, int32_t> cells;
  std::vector<int32_t> remap(v.size() / 3);
  std::vector<float> vertices;
  for (size_t i = 0; i < remap.size(); ++i) {
    uint64_t key = 0;
    for (int axis = 0; axis < 3; ++axis) {
      float at = std::floor((v[i * 3 + axis] - low[axis]) / cell);
      if (!std::isfinite(at)) at = 0;
      key = key << 21 | uint64_t(std::clamp(at, 0.0f, float(kMostCells)));
    }
    auto [it, added] = cells.emplace(key, int32_t(vertices.size() / 3));
    if (added) vertices.insert(vertices.end(), v.begin() + i * 3, v.begin() + i * 3 + 3);
    remap[i] = it->second;
  }
  std::vector<int32_t> triangles;
  std::unordered_set<std::array<int32_t, 3>, TripleHash> seen;
  for (size_t f = 0; f + 2 < t.size(); f += 3) {
    const std::array<int32_t, 3> c{remap[t[f]], remap[t[f + 1]], remap[t[f + 2]]};
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    // The same three cells in either winding draw the same surface.
    std::array<int32_t, 3> sorted = c;
    std::sort(sorted.begin(), sorted.end());
    if (!seen.insert(sorted).second) continue;
    triangles.insert(triangles.end(), c.begin(), c.end());
  }
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
