#include "mesh_normals.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace ks::mesh {
namespace {

using Vec3 = std::array<float, 3>;

Vec3 Normalised(const Vec3& v) {
  const double len = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  if (!(len > 0) || !std::isfinite(len)) return {0, 0, 0};
  return {float(v[0] / len), float(v[1] / len), float(v[2] / len)};
}

bool IsExplicit(std::span<const uint8_t> mask, size_t triangle, int corner) {
  return !mask.empty() && (mask[triangle] >> corner & 1u);
}

// Writes the normalised sum into a corner, falling back to the triangle's own
// face normal when the sum vanishes (opposite faces, degenerate triangles).
void StoreCorner(std::span<float> normals, size_t triangle, int corner, const Vec3& sum,
                 const Vec3& ownFace) {
  Vec3 n = Normalised(sum);
  if (n[0] == 0 && n[1] == 0 && n[2] == 0) n = ownFace;
  float* out = &normals[triangle * 9 + size_t(corner) * 3];
  out[0] = n[0];
  out[1] = n[1];
  out[2] = n[2];
}

// Union-find over corner numbers (triangle * 3 + corner), path halving.
struct CornerSets {
  std::vector<int32_t> parent;
  explicit CornerSets(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  int32_t Find(int32_t x) {
    while (parent[x] != x) {
      parent[x] = parent[parent[x]];
      x = parent[x];
    }
    return x;
  }
  void Join(int32_t a, int32_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  }
};

}  // namespace

Vec3 FaceCross(std::span<const float> v, std::span<const int32_t> t, int32_t triangle) {
  const float* a = &v[size_t(t[size_t(triangle) * 3]) * 3];
  const float* b = &v[size_t(t[size_t(triangle) * 3 + 1]) * 3];
  const float* c = &v[size_t(t[size_t(triangle) * 3 + 2]) * 3];
  const float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  Vec3 n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
         e1[0] * e2[1] - e1[1] * e2[0]};
  if (!std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2])) return {0, 0, 0};
  return n;
}

Vec3 FaceNormal(std::span<const float> v, std::span<const int32_t> t, int32_t triangle) {
  return Normalised(FaceCross(v, t, triangle));
}

void SmoothRun(std::span<const float> vertices, std::span<const int32_t> triangles,
               std::span<float> normals, std::span<const uint8_t> explicitMask, int32_t first,
               int32_t last) {
  if (last < first) return;
  const size_t runTriangles = size_t(last - first) + 1;
  const size_t vertexCount = vertices.size() / 3;
  std::vector<Vec3> faces(runTriangles);
  for (size_t i = 0; i < runTriangles; ++i)
    faces[i] = FaceCross(vertices, triangles, first + int32_t(i));
  auto faceUnit = [&](size_t i) { return Normalised(faces[i]); };

  if (vertexCount <= runTriangles * 24) {
    // The run covers a good part of the object: one sum slot per vertex.
    std::vector<Vec3> sums(vertexCount, Vec3{0, 0, 0});
    for (size_t i = 0; i < runTriangles; ++i)
      for (int c = 0; c < 3; ++c) {
        Vec3& s = sums[size_t(triangles[(first + i) * 3 + c])];
        s[0] += faces[i][0];
        s[1] += faces[i][1];
        s[2] += faces[i][2];
      }
    for (size_t i = 0; i < runTriangles; ++i)
      for (int c = 0; c < 3; ++c)
        if (!IsExplicit(explicitMask, first + i, c))
          StoreCorner(normals, first + i, c, sums[size_t(triangles[(first + i) * 3 + c])],
                      faceUnit(i));
    return;
  }
  // A short run in a large object: group the run's corners by vertex instead of
  // touching every vertex of the object.
  std::vector<std::pair<int32_t, int32_t>> corners;  // (vertex, run corner number)
  corners.reserve(runTriangles * 3);
  for (size_t i = 0; i < runTriangles; ++i)
    for (int c = 0; c < 3; ++c)
      corners.emplace_back(triangles[(first + i) * 3 + c], int32_t(i * 3 + c));
  std::sort(corners.begin(), corners.end());
  for (size_t g = 0; g < corners.size();) {
    size_t end = g;
    Vec3 sum{0, 0, 0};
    for (; end < corners.size() && corners[end].first == corners[g].first; ++end) {
      const Vec3& f = faces[size_t(corners[end].second / 3)];
      sum[0] += f[0];
      sum[1] += f[1];
      sum[2] += f[2];
    }
    for (; g < end; ++g) {
      const size_t i = size_t(corners[g].second / 3);
      const int c = corners[g].second % 3;
      if (!IsExplicit(explicitMask, first + i, c))
        StoreCorner(normals, first + i, c, sum, faceUnit(i));
    }
  }
}

void SmoothByAngle(std::span<const float> vertices, std::span<const int32_t> triangles,
                   std::span<float> normals, std::span<const uint8_t> explicitMask,
                   double angleDegrees) {
  const size_t triangleCount = triangles.size() / 3;
  std::vector<Vec3> faces(triangleCount);
  std::vector<Vec3> units(triangleCount);
  for (size_t t = 0; t < triangleCount; ++t) {
    faces[t] = FaceCross(vertices, triangles, int32_t(t));
    units[t] = Normalised(faces[t]);
  }
  // Every edge once per triangle, keyed by its two vertex numbers (smaller
  // first), with the triangle's corners at those two vertices.
  struct EdgeUse {
    uint64_t key;
    int32_t triangle;
    uint8_t cornerLow, cornerHigh;
  };
  std::vector<EdgeUse> edges;
  edges.reserve(triangleCount * 3);
  for (size_t t = 0; t < triangleCount; ++t)
    for (int c = 0; c < 3; ++c) {
      const int d = (c + 1) % 3;
      uint32_t a = uint32_t(triangles[t * 3 + c]), b = uint32_t(triangles[t * 3 + d]);
      if (a == b) continue;
      const bool swap = b < a;
      edges.push_back({swap ? (uint64_t(b) << 32 | a) : (uint64_t(a) << 32 | b), int32_t(t),
                       uint8_t(swap ? d : c), uint8_t(swap ? c : d)});
    }
  std::sort(edges.begin(), edges.end(), [](const EdgeUse& x, const EdgeUse& y) {
    return x.key != y.key ? x.key < y.key : x.triangle < y.triangle;
  });

  const double limit = std::cos(angleDegrees * 3.14159265358979323846 / 180.0);
  CornerSets sets(triangleCount * 3);
  auto joinIfSmooth = [&](const EdgeUse& p, const EdgeUse& q) {
    const Vec3 &n = units[size_t(p.triangle)], &m = units[size_t(q.triangle)];
    const double dot = double(n[0]) * m[0] + double(n[1]) * m[1] + double(n[2]) * m[2];
    if (!(dot > limit) || angleDegrees <= 0) return;
    sets.Join(p.triangle * 3 + p.cornerLow, q.triangle * 3 + q.cornerLow);
    sets.Join(p.triangle * 3 + p.cornerHigh, q.triangle * 3 + q.cornerHigh);
  };
  for (size_t g = 0; g < edges.size();) {
    size_t end = g + 1;
    while (end < edges.size() && edges[end].key == edges[g].key) ++end;
    // Usually two faces per edge; a non-manifold edge compares every pair,
    // or (for very crowded edges) each face with the next one only.
    const bool crowded = end - g > 16;
    for (size_t i = g; i < end; ++i)
      for (size_t j = i + 1; j < (crowded ? std::min(end, i + 2) : end); ++j)
        joinIfSmooth(edges[i], edges[j]);
    g = end;
  }

  std::vector<Vec3> sums(triangleCount * 3, Vec3{0, 0, 0});
  for (size_t corner = 0; corner < triangleCount * 3; ++corner) {
    Vec3& s = sums[size_t(sets.Find(int32_t(corner)))];
    const Vec3& f = faces[corner / 3];
    s[0] += f[0];
    s[1] += f[1];
    s[2] += f[2];
  }
  for (size_t corner = 0; corner < triangleCount * 3; ++corner) {
    const size_t t = corner / 3;
    const int c = int(corner % 3);
    if (!IsExplicit(explicitMask, t, c))
      StoreCorner(normals, t, c, sums[size_t(sets.Find(int32_t(corner)))], units[t]);
  }
}

}  // namespace ks::mesh
