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
  std::vector<ExactBox> boxes(m);
  for (size_t k = 0; k < m; ++k) boxes[k] = ExactBox::Of(at(k), at(k + 1));
  std::vector<size_t> order(m);
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t l, size_t r) { return boxes[l].minX < boxes[r].minX; });
  for (size_t s = 0; s < m; ++s) {
    const size_t e = order[s];
    const ExactBox& be = boxes[e];
    for (size_t t = s + 1; t < m && boxes[order[t]].minX <= be.maxX; ++t) {
      const size_t f = order[t];
      const ExactBox& bf = boxes[f];
      if (bf.maxY < be.minY || bf.minY > be.maxY) continue;
      if ((e + 1) % m == f || (f + 1) % m == e) continue;  // neighbours: tested above
      const ExactCorner &a = at(e), &b = at(e + 1), &c = at(f), &d = at(f + 1);
      const SegmentSides sides = SegmentSides::Of(a, b, c, d);
      if (sides.CrossProperly()) {
        if (!all) return true;
        all->emplace_back(e, f);
      }
      if (properOnly) continue;
      // An end on the other segment's line lies on it within its box.
      const ExactBox ab = ExactBox::Of(a, b), cd = ExactBox::Of(c, d);
      if ((sides.c == 0 && ab.Holds(c)) || (sides.d == 0 && ab.Holds(d)) ||
          (sides.a == 0 && cd.Holds(a)) || (sides.b == 0 && cd.Holds(b)))
        return true;
    }
  }
  return all && !all->empty();
}

}  // namespace ks::objpath
