#include "objpath/cap_triangulation.h"

#include <algorithm>
#include <cmath>

#include "objpath/ear_clip.h"
#include "objpath/exact_outline.h"
#include "objpath/mod_obj_path.h"
#include "objpath/outline_loops.h"

namespace ks::objpath {

namespace {

// A direction in whole degrees: round(direction) mod 360. Directions lie in
// [0, 360], so the rounded value always fits.
int32_t WholeDegrees(float direction) {
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(direction))) % 360;
}

// The cone test of InsideCorner on whole-degree directions g (candidate),
// f0 (next) and d0 (previous).
bool InsideCone(int32_t g, int32_t f0, int32_t d0, bool pathFlip) {
  const int32_t d = pathFlip ? d0 : f0;
  const int32_t f = pathFlip ? f0 : d0;
  if (d < f) return d <= g && g <= f;
  return g < f || g > d;
}

}  // namespace

std::optional<bool> FindOrientation(std::span<const PathPoint> points, int32_t leftmost) {
  const int32_t n = static_cast<int32_t>(points.size()) - 1;
  if (n < 0 || leftmost < 0 || leftmost > n) return std::nullopt;
  const int32_t v = leftmost;
  const int32_t a = RoundToLong(points[v].Y);
  const int32_t next = v + 1 > n ? 0 : v + 1;
  const int32_t b = RoundToLong(points[next].Y);
  int32_t prev = v - 1 < 0 ? n : v - 1;
  // A point repeated just before the leftmost one is skipped, once.
  if (points[prev].X == points[v].X && points[prev].Y == points[v].Y && prev - 1 >= 0) --prev;
  if (points[prev].X < points[next].X) return !(a >= RoundToLong(points[prev].Y));
  return !(a < b);
}

float Direction(const PathPoint& v, const PathPoint& k) {
  return PointAngle(v.X - k.X, k.Y - v.Y);
}

bool IsReflexCorner(const PathPoint& prev, const PathPoint& corner, const PathPoint& next,
                    bool pathFlip) {
  const float a1 = Direction(corner, prev);
  const float a2 = Direction(corner, next);
  const float diff = pathFlip ? a2 - a1 : a1 - a2;
  float d = 360.0f - diff;
  if (d > 360.0f) d -= 360.0f;
  return d < 180.0f && d != 0.0f;
}

namespace {

// The first position of the list (visiting 1 … u, then 0) whose corner
// isReflex(prev, corner, next) finds reflex, given as path-point indices; -1
// when none is, or the list has fewer than three entries.
template <class IsReflex>
int32_t ScanForReflexCorner(std::span<const int32_t> list, IsReflex&& isReflex) {
  const int32_t u = static_cast<int32_t>(list.size()) - 1;
  if (u < 2) return -1;
  for (int32_t step = 1; step <= u + 1; ++step) {
    const int32_t c = step <= u ? step : 0;
    const int32_t prev = c == 0 ? u : c - 1;
    const int32_t next = c == u ? 0 : c + 1;
    if (isReflex(list[prev], list[c], list[next])) return c;
  }
  return -1;
}

}  // namespace

int32_t FindReflexCorner(std::span<const PathPoint> points, std::span<const int32_t> list,
                         bool pathFlip) {
  return ScanForReflexCorner(list, [&](int32_t prev, int32_t corner, int32_t next) {
    return IsReflexCorner(points[prev], points[corner], points[next], pathFlip);
  });
}

bool InsideCorner(const PathPoint& k, const PathPoint& v, const PathPoint& n, const PathPoint& p,
                  bool pathFlip) {
  return InsideCone(WholeDegrees(Direction(v, k)), WholeDegrees(Direction(v, n)),
                    WholeDegrees(Direction(v, p)), pathFlip);
}

bool SegmentsIntersect(const PathPoint& p1, const PathPoint& p2, const PathPoint& p3,
                       const PathPoint& p4) {
  // Coordinate differences and the two quotients are Single; the products
  // and sums in between are exact enough in Double.
  const float x21 = p2.X - p1.X, y21 = p2.Y - p1.Y;
  const float x43 = p4.X - p3.X, y43 = p4.Y - p3.Y;
  const float x13 = p1.X - p3.X, y13 = p1.Y - p3.Y;
  const double den = double(y43) * x21 - double(y21) * x43;
  if (den == 0) return false;
  const float ua = static_cast<float>((double(x43) * y13 - double(y43) * x13) / den);
  if (ua < 0.0f || ua > 1.0f) return false;
  const float ub = static_cast<float>((double(x21) * y13 - double(y21) * x13) / den);
  return ub >= 0.0f && ub <= 1.0f;
}

int32_t FindDiagonal(std::span<const PathPoint> points, std::span<const int32_t> list, int32_t c,
                     bool pathFlip) {
  const int32_t u = static_cast<int32_t>(list.size()) - 1;
  if (c < 0 || c > u) return -1;
  const int32_t prev = c < 1 ? u : c - 1;
  const int32_t next = c == u ? 0 : c + 1;
  const PathPoint& v = points[list[c]];
  for (int32_t i = 0; i <= u; ++i) {
    if (i == c || i == prev || i == next) continue;
    const PathPoint& k = points[list[i]];
    if (!InsideCorner(k, v, points[list[next]], points[list[prev]], pathFlip)) continue;
    bool crosses = false;
    for (int32_t j = 0; j <= u && !crosses; ++j) {
      const int32_t j2 = j + 1 > u ? 0 : j + 1;
      if (c == j || c == j2 || i == j || i == j2) continue;
      crosses = SegmentsIntersect(k, v, points[list[j]], points[list[j2]]);
    }
    if (!crosses) return i;
  }
  return -1;
}

IndexList SplitOuter(std::span<const int32_t> list, int32_t c, int32_t i) {
  const auto lo = static_cast<size_t>(std::min(c, i));
  const auto hi = static_cast<size_t>(std::max(c, i));
  IndexList out(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(lo + 1));
  out.insert(out.end(), list.begin() + static_cast<std::ptrdiff_t>(hi), list.end());
  return out;
}

IndexList SplitInner(std::span<const int32_t> list, int32_t c, int32_t i) {
  const auto lo = static_cast<std::ptrdiff_t>(std::min(c, i));
  const auto hi = static_cast<std::ptrdiff_t>(std::max(c, i));
  return IndexList(list.begin() + lo, list.begin() + hi + 1);
}

void AppendCapTriangle(CapOutput& out, int32_t l, int32_t m, int32_t f, bool pathFlip) {
  if (pathFlip)
    out.polygons.insert(out.polygons.end(), {3, l, m, f});
  else
    out.polygons.insert(out.polygons.end(), {3, f, m, l});
  out.triangles.push_back({l, m, f});
}

void FanTriangulate(std::span<const int32_t> list, bool pathFlip, CapOutput& out) {
  for (size_t u = list.size(); u-- > 2;)
    AppendCapTriangle(out, list[u], list[u - 1], list[0], pathFlip);
}

namespace {

// TriangulateCap without the repeated work of the plain algorithm, giving the
// same triangles in the same order:
//  - the reflex test of a corner is remembered per point together with the
//    neighbours it was made with (splitting changes the neighbours of the
//    diagonal's two ends only);
//  - the cone directions of the reflex corner are computed once per search;
//  - an edge is only handed to SegmentsIntersect when its bounding box comes
//    within a small margin of the candidate diagonal's box; the margin covers
//    every rounding of the exact test, so no crossing is ever missed;
//  - the edge that blocked the previous candidate is tried first;
//  - pieces wait on an explicit stack (outer piece first, as the recursion
//    would), so long outlines cannot exhaust the call stack.
class Triangulator {
 public:
  Triangulator(std::span<const PathPoint> points, bool pathFlip, CapOutput& out)
      : points_(points),
        pathFlip_(pathFlip),
        out_(out),
        cachePrev_(points.size(), -1),
        cacheNext_(points.size(), -1),
        cacheReflex_(points.size(), 0) {
    float maxAbs = 0;
    for (const PathPoint& p : points) maxAbs = std::max({maxAbs, std::fabs(p.X), std::fabs(p.Y)});
    margin_ = 1e-4f * (1.0f + maxAbs);
  }

  bool Run(std::span<const int32_t> list) {
    std::vector<IndexList> pending;
    pending.emplace_back(list.begin(), list.end());
    while (!pending.empty()) {
      IndexList piece = std::move(pending.back());
      pending.pop_back();
      const int32_t c = FindReflex(piece);
      if (c < 0) {
        FanTriangulate(piece, pathFlip_, out_);
        continue;
      }
      const int32_t i = FindDiagonalFast(piece, c);
      if (i < 0) return false;
      pending.push_back(SplitInner(piece, c, i));
      pending.push_back(SplitOuter(piece, c, i));
    }
    return true;
  }

 private:
  bool Reflex(int32_t prev, int32_t corner, int32_t next) {
    const auto slot = static_cast<size_t>(corner);
    if (cachePrev_[slot] == prev && cacheNext_[slot] == next) return cacheReflex_[slot] != 0;
    const bool reflex = IsReflexCorner(points_[prev], points_[corner], points_[next], pathFlip_);
    cachePrev_[slot] = prev;
    cacheNext_[slot] = next;
    cacheReflex_[slot] = reflex ? 1 : 0;
    return reflex;
  }

  int32_t FindReflex(const IndexList& list) {
    return ScanForReflexCorner(list, [this](int32_t prev, int32_t corner, int32_t next) {
      return Reflex(prev, corner, next);
    });
  }

  int32_t FindDiagonalFast(const IndexList& list, int32_t c) {
    const int32_t u = static_cast<int32_t>(list.size()) - 1;
    const int32_t prev = c < 1 ? u : c - 1;
    const int32_t next = c == u ? 0 : c + 1;
    const PathPoint& v = points_[list[c]];
    const int32_t f0 = WholeDegreesOf(v, points_[list[next]]);
    const int32_t d0 = WholeDegreesOf(v, points_[list[prev]]);
    int32_t lastBlocker = -1;
    for (int32_t i = 0; i <= u; ++i) {
      if (i == c || i == prev || i == next) continue;
      const PathPoint& k = points_[list[i]];
      if (!InsideCone(WholeDegreesOf(v, k), f0, d0, pathFlip_)) continue;
      const Box diagonal = Box::Of(k, v, margin_);
      auto blocks = [&](int32_t j) {
        const int32_t j2 = j + 1 > u ? 0 : j + 1;
        if (c == j || c == j2 || i == j || i == j2) return false;
        const PathPoint& a = points_[list[j]];
        const PathPoint& b = points_[list[j2]];
        if (!diagonal.Overlaps(a, b)) return false;
        return SegmentsIntersect(k, v, a, b);
      };
      bool crosses = lastBlocker >= 0 && blocks(lastBlocker);
      for (int32_t j = 0; j <= u && !crosses; ++j) {
        if (blocks(j)) {
          crosses = true;
          lastBlocker = j;
        }
      }
      if (!crosses) return i;
    }
    return -1;
  }

  int32_t WholeDegreesOf(const PathPoint& v, const PathPoint& k) const {
    return WholeDegrees(Direction(v, k));
  }

  struct Box {
    float minX, maxX, minY, maxY;
    static Box Of(const PathPoint& a, const PathPoint& b, float grow) {
      return {std::min(a.X, b.X) - grow, std::max(a.X, b.X) + grow, std::min(a.Y, b.Y) - grow,
              std::max(a.Y, b.Y) + grow};
    }
    // Whether the segment a–b can come within the box.
    bool Overlaps(const PathPoint& a, const PathPoint& b) const {
      return !((a.X < minX && b.X < minX) || (a.X > maxX && b.X > maxX) ||
               (a.Y < minY && b.Y < minY) || (a.Y > maxY && b.Y > maxY));
    }
  };

  std::span<const PathPoint> points_;
  bool pathFlip_;
  CapOutput& out_;
  float margin_ = 0;
  std::vector<int32_t> cachePrev_;
  std::vector<int32_t> cacheNext_;
  std::vector<uint8_t> cacheReflex_;
};

}  // namespace

bool TriangulateByDiagonals(std::span<const PathPoint> points, std::span<const int32_t> list,
                            bool pathFlip, CapOutput& out) {
  if (list.size() < 3) return true;
  for (int32_t index : list)
    if (index < 0 || static_cast<size_t>(index) >= points.size()) return false;
  return Triangulator(points, pathFlip, out).Run(list);
}

bool TriangulateCap(std::span<const PathPoint> points, std::span<const int32_t> list, bool pathFlip,
                    CapOutput& out) {
  if (list.size() < 3) return true;
  for (int32_t index : list)
    if (index < 0 || static_cast<size_t>(index) >= points.size()) return false;
  const ExactOutline outline(points, list);
  // Fewer than three distinct corners enclose nothing: the cap is what the
  // diagonal splitting gives (flat triangles), or none where it refuses.
  if (outline.CornerCount() < 3) {
    const size_t polygonsBefore = out.polygons.size();
    const size_t trianglesBefore = out.triangles.size();
    if (!TriangulateByDiagonals(points, list, pathFlip, out)) {
      out.polygons.resize(polygonsBefore);
      out.triangles.resize(trianglesBefore);
    }
    return true;
  }
  // Edges that cross are refused, whatever the diagonal splitting makes of
  // them. Edges that only touch or run along each other (a traced bridge one
  // pixel wide) are capped like the others.
  const bool touches = outline.EdgesCross();
  if (touches && outline.EdgesCrossProperly()) return false;

  const size_t polygonsBefore = out.polygons.size();
  const size_t trianglesBefore = out.triangles.size();
  // Every triangle must turn the outline's way (a flat one does no harm):
  // then, pieces being cut along diagonals, they tile it without folds.
  const bool positive = outline.SignedArea2() > 0;
  auto folds = [&] {
    for (size_t t = trianglesBefore; t < out.triangles.size(); ++t) {
      const CapTriangle& tri = out.triangles[t];
      const Area2 area = outline.TriangleArea2(tri.C, tri.B, tri.A);
      if (positive ? area < 0 : area > 0) return true;
    }
    return false;
  };
  auto refuse = [&] {
    out.polygons.resize(polygonsBefore);
    out.triangles.resize(trianglesBefore);
    return false;
  };
  // An outline that touches itself and encloses an area is capped only when
  // it cuts into loops that tile that area once: run twice round, or through
  // a shared corner like a figure of eight, it crosses itself there.
  std::optional<std::vector<ExactLoop>> loops;
  if (touches && outline.SignedArea2() != 0) {
    loops = CapRings(outline);
    if (!loops) return false;
  }
  if (TriangulateByDiagonals(points, list, pathFlip, out) && !folds()) return true;
  refuse();
  // Where the whole-degree cone test refuses or folds, each ring of the
  // outline (a simple loop, with its holes joined in) is cut by exact ear
  // clipping.
  if (!loops) loops = CapRings(outline);
  if (!loops) return false;
  for (const ExactLoop& loop : *loops)
    if (!EarClip(loop, pathFlip, out)) return refuse();
  return folds() ? refuse() : true;
}

}  // namespace ks::objpath
