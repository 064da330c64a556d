// libFuzzer target: the cap triangulation of a random closed path, checked
// against the plain step-by-step algorithm. Where the plain algorithm builds,
// the triangles must be the same, in the same order. Where it refuses, the
// cap must either be refused too or tile the outline: its triangles all wound
// one way and their areas summing to the outline's area.
//
// Input: the first byte picks a grid (coarse grids give collinear and
// repeated points), then x, y byte pairs, one per point, in whole pixels.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "objpath/cap_triangulation.h"
#include "testing/plain_cap_triangulation.h"

namespace {

using namespace ks::objpath;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// Twice the signed area, exact for whole-pixel coordinates of this size.
int64_t TwiceArea(const PathPoint& a, const PathPoint& b, const PathPoint& c) {
  const auto ax = static_cast<int64_t>(a.X), ay = static_cast<int64_t>(a.Y);
  const auto bx = static_cast<int64_t>(b.X), by = static_cast<int64_t>(b.Y);
  const auto cx = static_cast<int64_t>(c.X), cy = static_cast<int64_t>(c.Y);
  return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

// The leftmost point as the path editor keeps it: the first with the least x.
int32_t Leftmost(const std::vector<PathPoint>& points) {
  int32_t best = 0;
  for (size_t i = 1; i < points.size(); ++i)
    if (points[i].X < points[static_cast<size_t>(best)].X) best = static_cast<int32_t>(i);
  return best;
}

void CheckTiles(const std::vector<PathPoint>& points, const std::vector<CapTriangle>& triangles) {
  int64_t outline = 0;
  for (size_t i = 1; i + 1 < points.size(); ++i)
    outline += TwiceArea(points[0], points[i], points[i + 1]);
  int64_t sum = 0, absSum = 0;
  const auto n = static_cast<int32_t>(points.size());
  for (const CapTriangle& t : triangles) {
    if (t.A < 0 || t.B < 0 || t.C < 0 || t.A >= n || t.B >= n || t.C >= n)
      Fail("a cap corner out of range");
    const int64_t a = TwiceArea(points[static_cast<size_t>(t.A)], points[static_cast<size_t>(t.B)],
                                points[static_cast<size_t>(t.C)]);
    sum += a;
    absSum += std::llabs(a);
  }
  if (std::llabs(sum) != std::llabs(outline)) Fail("the cap's area is not the outline's");
  if (absSum != std::llabs(sum)) Fail("cap triangles wound both ways: the cap folds");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 7) return 0;
  const int grid = 1 + data[0] % 32;
  std::vector<PathPoint> points;
  for (size_t i = 1; i + 1 < size && points.size() < 200; i += 2)
    points.push_back({static_cast<float>(data[i] / grid * grid),
                      static_cast<float>(data[i + 1] / grid * grid), 0});
  const std::optional<bool> flip = FindOrientation(points, Leftmost(points));
  if (!flip) Fail("no orientation for a path with points");
  std::vector<int32_t> list(points.size());
  std::iota(list.begin(), list.end(), 0);

  std::vector<int32_t> polygons, plainPolygons;
  std::vector<CapTriangle> triangles, plainTriangles;
  CapOutput out{polygons, triangles}, plainOut{plainPolygons, plainTriangles};
  const bool built = TriangulateCap(points, list, *flip, out);
  const bool plainBuilt = plain::TriangulateCap(points, list, *flip, plainOut);
  if (plainBuilt) {
    if (!built) Fail("refused a cap the plain algorithm builds");
    if (triangles != plainTriangles || polygons != plainPolygons)
      Fail("triangles differ from the plain algorithm's");
  } else if (built) {
    CheckTiles(points, triangles);
  }
  return 0;
}
