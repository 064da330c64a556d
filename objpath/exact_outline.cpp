#include "objpath/exact_outline.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

#include "objpath/cap_triangulation.h"

namespace ks::objpath {
namespace {

// Scaled coordinates stay below 2^50, so a product of two differences stays
// below 2^102 and a sum of a million of them fits 127 bits.
constexpr int kMagnitudeBits = 50;
// A float has 24 significant bits.
constexpr int kSignificantBits = 24;

// The smallest k >= 0 with v × 2^k a whole number.
int FractionalBits(float v) {
  if (v == 0 || !std::isfinite(v)) return 0;
  int e = 0;
  const float f = std::frexp(std::fabs(v), &e);  // v = f × 2^e, f in [0.5, 1)
  const auto mantissa = static_cast<uint32_t>(std::ldexp(f, kSignificantBits));
  return std::max(0, kSignificantBits - e - std::countr_zero(mantissa));
}

}  // namespace

ExactOutline::ExactOutline(std::span<const PathPoint> points, std::span<const int32_t> list)
    : points_(points) {
  int needed = 0;
  float largest = 0;
  for (int32_t i : list) {
    const PathPoint& p = points[static_cast<size_t>(i)];
    for (float v : {p.X, p.Y}) {
      if (!std::isfinite(v)) continue;
      needed = std::max(needed, FractionalBits(v));
      largest = std::max(largest, std::fabs(v));
    }
  }
  int e = 0;
  std::frexp(largest, &e);  // |v| < 2^e
  exponent_ = std::min(needed, kMagnitudeBits - e);

  for (int32_t i : list) {
    const ExactCorner c{XOf(i), YOf(i), i};
    if (!corners_.empty() && corners_.back().SamePlace(c)) continue;
    corners_.push_back(c);
  }
  while (corners_.size() > 1 && corners_.back().SamePlace(corners_.front())) corners_.pop_back();
}

int64_t ExactOutline::XOf(int32_t pointIndex) const {
  const float v = points_[static_cast<size_t>(pointIndex)].X;
  return std::isfinite(v) ? std::llround(std::ldexp(static_cast<double>(v), exponent_)) : 0;
}

int64_t ExactOutline::YOf(int32_t pointIndex) const {
  const float v = points_[static_cast<size_t>(pointIndex)].Y;
  return std::isfinite(v) ? std::llround(std::ldexp(static_cast<double>(v), exponent_)) : 0;
}

Area2 Orientation(const ExactCorner& a, const ExactCorner& b, const ExactCorner& c) {
  return Area2(b.x - a.x) * (c.y - a.y) - Area2(b.y - a.y) * (c.x - a.x);
}

Area2 SignedArea2(std::span<const ExactCorner> corners) {
  Area2 sum = 0;
  if (corners.size() < 3) return sum;
  const ExactCorner& origin = corners[0];
  for (size_t i = 1; i + 1 < corners.size(); ++i)
    sum += Orientation(origin, corners[i], corners[i + 1]);
  return sum;
}

Area2 ExactOutline::TriangleArea2(int32_t a, int32_t b, int32_t c) const {
  return Orientation({XOf(a), YOf(a), a}, {XOf(b), YOf(b), b}, {XOf(c), YOf(c), c});
}

namespace {

struct Box {
  int64_t minX, maxX, minY, maxY;
};

// Whether p, known to lie on the line through a and b, lies on the closed
// segment a–b.
template <class P>
bool WithinSegment(const P& a, const P& b, const P& p) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

}  // namespace

std::vector<std::pair<int32_t, int32_t>> ExactOutline::CrossingEdges() const {
  std::vector<std::pair<size_t, size_t>> pairs;
  Meeting(true, &pairs);
  std::vector<std::pair<int32_t, int32_t>> edges;
  const size_t m = corners_.size();
  for (auto [e, f] : pairs)
    for (size_t k : {e, f}) {
      const std::pair<int32_t, int32_t> edge{corners_[k].index, corners_[(k + 1) % m].index};
      if (std::find(edges.begin(), edges.end(), edge) == edges.end()) edges.push_back(edge);
    }
  return edges;
}

bool ExactOutline::Meeting(bool properOnly, std::vector<std::pair<size_t, size_t>>* all) const {
  const size_t m = corners_.size();
  if (m < 3) return false;
  auto at = [&](size_t k) -> const ExactCorner& { return corners_[k % m]; };

  // Neighbouring edges a–b and b–c meet beyond b only when they run back
  // along one line.
  for (size_t k = 0; k < m; ++k) {
    const ExactCorner &a = at(k), &b = at(k + 1), &c = at(k + 2);
    if (!properOnly && Orientation(a, b, c) == 0 &&
        Area2(a.x - b.x) * (c.x - b.x) + Area2(a.y - b.y) * (c.y - b.y) > 0)
      return true;
  }
  if (m == 3) return false;

  // Other pairs: edges in order of their left ends; an edge meets only those
  // that start before its right end.
  std::vector<Box> boxes(m);
  for (size_t k = 0; k < m; ++k) {
    const ExactCorner &a = at(k), &b = at(k + 1);
    boxes[k] = {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y)};
  }
  std::vector<size_t> order(m);
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t l, size_t r) { return boxes[l].minX < boxes[r].minX; });
  for (size_t s = 0; s < m; ++s) {
    const size_t e = order[s];
    const Box& be = boxes[e];
    for (size_t t = s + 1; t < m && boxes[order[t]].minX <= be.maxX; ++t) {
      const size_t f = order[t];
      const Box& bf = boxes[f];
      if (bf.maxY < be.minY || bf.minY > be.maxY) continue;
      if ((e + 1) % m == f || (f + 1) % m == e) continue;  // neighbours: tested above
      const ExactCorner &a = at(e), &b = at(e + 1), &c = at(f), &d = at(f + 1);
      const int o1 = Sign(Orientation(a, b, c)), o2 = Sign(Orientation(a, b, d));
      const int o3 = Sign(Orientation(c, d, a)), o4 = Sign(Orientation(c, d, b));
      if (o1 * o2 < 0 && o3 * o4 < 0) {
        if (!all) return true;
        all->emplace_back(e, f);
      }
      if (properOnly) continue;
      if ((o1 == 0 && WithinSegment(a, b, c)) || (o2 == 0 && WithinSegment(a, b, d)) ||
          (o3 == 0 && WithinSegment(c, d, a)) || (o4 == 0 && WithinSegment(c, d, b)))
        return true;
    }
  }
  return all && !all->empty();
}

bool EarClip(std::span<const ExactCorner> loop, bool pathFlip, CapOutput& out) {
  const size_t m = loop.size();
  const int turn = Sign(SignedArea2(loop));
  if (m < 3 || turn == 0) return false;
  std::vector<size_t> prev(m), next(m);
  for (size_t k = 0; k < m; ++k) {
    prev[k] = (k + m - 1) % m;
    next[k] = (k + 1) % m;
  }
  const size_t polygonsBefore = out.polygons.size();
  const size_t trianglesBefore = out.triangles.size();

  // Whether direction toward d leaves corner x strictly between its sides
  // toward a and b, the triangle x, a, b turning the polygon's way.
  auto intoAngle = [&](const ExactCorner& x, const ExactCorner& a, const ExactCorner& b,
                       const ExactCorner& d) {
    return Sign(Orientation(x, a, d)) == turn && Sign(Orientation(x, b, d)) == -turn;
  };
  // An ear: a corner that turns the polygon's way, strictly, whose triangle
  // with its two neighbours holds no other corner, not even on its sides. In
  // an outline that does not cross, its third side then lies inside. Where
  // the outline comes back to one of the triangle's corners (a bridge to a
  // hole, a corner it passes twice), neither edge there may enter the
  // triangle.
  auto isEar = [&](size_t k) {
    const ExactCorner &p = loop[prev[k]], &c = loop[k], &n = loop[next[k]];
    if (Sign(Orientation(p, c, n)) != turn) return false;
    for (size_t j = next[next[k]]; j != prev[k]; j = next[j]) {
      const ExactCorner& q = loop[j];
      const ExactCorner *a = nullptr, *b = nullptr;
      if (q.SamePlace(p)) a = &c, b = &n;
      if (q.SamePlace(c)) a = &n, b = &p;
      if (q.SamePlace(n)) a = &p, b = &c;
      if (a) {
        if (intoAngle(q, *a, *b, loop[prev[j]]) || intoAngle(q, *a, *b, loop[next[j]]))
          return false;
        continue;
      }
      if (Sign(Orientation(p, c, q)) != -turn && Sign(Orientation(c, n, q)) != -turn &&
          Sign(Orientation(n, p, q)) != -turn)
        return false;
    }
    return true;
  };
  std::vector<uint8_t> ear(m);
  for (size_t k = 0; k < m; ++k) ear[k] = isEar(k) ? 1 : 0;

  size_t left = m;
  auto unlink = [&](size_t x) {
    next[prev[x]] = next[x];
    prev[next[x]] = prev[x];
    --left;
  };
  // Cutting can leave two corners in one place side by side, or a spike out
  // and back (where the outline ran along itself): they enclose nothing and
  // go. Returns a corner still in the polygon next to where they were.
  auto tidy = [&](size_t x) {
    for (bool changed = true; changed && left >= 3;) {
      changed = false;
      if (loop[x].SamePlace(loop[next[x]])) {
        unlink(next[x]);
        changed = true;
      } else if (loop[prev[x]].SamePlace(loop[next[x]])) {
        const size_t back = prev[x];
        unlink(next[x]);
        unlink(x);
        x = back;
        changed = true;
      }
    }
    return x;
  };
  size_t k = 0;
  size_t sinceLastCut = 0;
  bool recomputed = false;
  while (left > 3) {
    if (!ear[k]) {
      k = next[k];
      if (++sinceLastCut <= left) continue;
      // Cutting an ear can free corners other than its neighbours (it may
      // have lain in their triangles): look at every corner once more.
      if (!recomputed) {
        for (size_t j = next[k]; j != k; j = next[j]) ear[j] = isEar(j) ? 1 : 0;
        ear[k] = isEar(k) ? 1 : 0;
        recomputed = true;
        sinceLastCut = 0;
        continue;
      }
      out.polygons.resize(polygonsBefore);
      out.triangles.resize(trianglesBefore);
      return false;
    }
    const size_t p = prev[k];
    AppendCapTriangle(out, loop[next[k]].index, loop[k].index, loop[p].index, pathFlip);
    unlink(k);
    k = tidy(p);
    k = tidy(next[k]);
    if (left < 3) return true;
    for (size_t j = prev[prev[k]], step = 0; step < 5; ++step, j = next[j])
      ear[j] = isEar(j) ? 1 : 0;
    sinceLastCut = 0;
    recomputed = false;
  }
  AppendCapTriangle(out, loop[next[next[k]]].index, loop[next[k]].index, loop[k].index, pathFlip);
  return true;
}

}  // namespace ks::objpath
