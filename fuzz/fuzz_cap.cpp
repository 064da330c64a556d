// libFuzzer target: the cap triangulation of a random closed path, checked
// against the plain step-by-step algorithm. A cap that is built must tile the
// outline: its triangles all wound one way, their areas summing to the
// outline's area, and each lying where the outline winds once round (not
// twice, as where a part of the outline lies over another). Where the plain
// algorithm builds such a cap, the triangles must be the same, in the same
// order. A refusal is only for an outline whose edges cross or touch.
//
// Input: the first byte picks a grid (coarse grids give collinear and
// repeated points), then x, y byte pairs, one per point, in whole pixels.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

#include "objpath/cap_triangulation.h"
#include "objpath/exact_outline.h"
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

// How often the outline winds round the point (x/3, y/3); nullopt when the
// point lies on the outline.
std::optional<int> WindingAt(const std::vector<PathPoint>& points, int64_t x, int64_t y) {
  int winding = 0;
  for (size_t k = 0; k < points.size(); ++k) {
    const PathPoint& a = points[k];
    const PathPoint& b = points[(k + 1) % points.size()];
    const auto ax = static_cast<int64_t>(a.X) * 3, ay = static_cast<int64_t>(a.Y) * 3;
    const auto bx = static_cast<int64_t>(b.X) * 3, by = static_cast<int64_t>(b.Y) * 3;
    const int64_t side = (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    if (side == 0 && std::min(ax, bx) <= x && x <= std::max(ax, bx) && std::min(ay, by) <= y &&
        y <= std::max(ay, by))
      return std::nullopt;
    if (ay <= y && by > y && side > 0) ++winding;
    if (ay > y && by <= y && side < 0) --winding;
  }
  return winding;
}

// Empty when the triangles tile the outline, else what is wrong.
const char* TileFault(const std::vector<PathPoint>& points,
                      const std::vector<CapTriangle>& triangles) {
  int64_t outline = 0;
  for (size_t i = 1; i + 1 < points.size(); ++i)
    outline += TwiceArea(points[0], points[i], points[i + 1]);
  int64_t sum = 0, absSum = 0;
  const auto n = static_cast<int32_t>(points.size());
  for (const CapTriangle& t : triangles) {
    if (t.A < 0 || t.B < 0 || t.C < 0 || t.A >= n || t.B >= n || t.C >= n)
      return "a cap corner out of range";
    const int64_t a = TwiceArea(points[static_cast<size_t>(t.A)], points[static_cast<size_t>(t.B)],
                                points[static_cast<size_t>(t.C)]);
    sum += a;
    absSum += std::llabs(a);
    if (a == 0) continue;
    const PathPoint &pa = points[static_cast<size_t>(t.A)], &pb = points[static_cast<size_t>(t.B)],
                    &pc = points[static_cast<size_t>(t.C)];
    const std::optional<int> winding = WindingAt(points, static_cast<int64_t>(pa.X + pb.X + pc.X),
                                                 static_cast<int64_t>(pa.Y + pb.Y + pc.Y));
    if (winding && std::abs(*winding) != 1)
      return "a cap triangle lies where the outline winds twice or not at all";
  }
  if (std::llabs(sum) != std::llabs(outline)) return "the cap's area is not the outline's";
  if (absSum != std::llabs(sum)) return "cap triangles wound both ways: the cap folds";
  return nullptr;
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
  const ExactOutline outline(points, list);
  if (built) {
    if (outline.CornerCount() < 3) return 0;  // encloses nothing
    if (const char* fault = TileFault(points, triangles)) Fail(fault);
    if (plainBuilt && !TileFault(points, plainTriangles) &&
        (triangles != plainTriangles || polygons != plainPolygons))
      Fail("triangles differ from the plain algorithm's");
  } else if (!outline.EdgesCross()) {
    Fail("refused an outline whose edges do not cross");
  }
  return 0;
}
