#include "objpath/outline_loops.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <utility>

namespace ks::objpath {
namespace {

using Place = std::pair<int64_t, int64_t>;

Place PlaceOf(const ExactCorner& c) {
  return {c.x, c.y};
}

struct Box {
  int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
  static Box Of(const ExactCorner& a, const ExactCorner& b) {
    return {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y)};
  }
  static Box Of(const ExactLoop& loop) {
    Box box = Of(loop[0], loop[0]);
    for (const ExactCorner& c : loop) box = box.Joined(Of(c, c));
    return box;
  }
  Box Joined(const Box& o) const {
    return {std::min(minX, o.minX), std::max(maxX, o.maxX), std::min(minY, o.minY),
            std::max(maxY, o.maxY)};
  }
  bool Holds(int64_t x, int64_t y) const {
    return minX <= x && x <= maxX && minY <= y && y <= maxY;
  }
  bool Meets(const Box& o) const {
    return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
  }
};

// Every corner that lies inside an edge (not at its ends) becomes a corner of
// that edge too, so that wherever the outline touches itself it does so at
// corners of both parts.
ExactLoop SplitEdgesAtTouchingCorners(const std::vector<ExactCorner>& corners) {
  const size_t m = corners.size();
  std::vector<size_t> byX(m);
  std::iota(byX.begin(), byX.end(), size_t{0});
  std::sort(byX.begin(), byX.end(),
            [&](size_t l, size_t r) { return PlaceOf(corners[l]) < PlaceOf(corners[r]); });
  ExactLoop result;
  result.reserve(m);
  std::vector<ExactCorner> inside;
  for (size_t k = 0; k < m; ++k) {
    const ExactCorner &a = corners[k], &b = corners[(k + 1) % m];
    result.push_back(a);
    const Box box = Box::Of(a, b);
    inside.clear();
    auto first = std::lower_bound(byX.begin(), byX.end(), box.minX,
                                  [&](size_t i, int64_t x) { return corners[i].x < x; });
    for (auto it = first; it != byX.end() && corners[*it].x <= box.maxX; ++it) {
      const ExactCorner& q = corners[*it];
      if (!box.Holds(q.x, q.y) || q.SamePlace(a) || q.SamePlace(b)) continue;
      if (Orientation(a, b, q) == 0) inside.push_back(q);
    }
    if (inside.empty()) continue;
    // Along the edge from a, each place once.
    auto along = [&](const ExactCorner& q) {
      return Area2(q.x - a.x) * (b.x - a.x) + Area2(q.y - a.y) * (b.y - a.y);
    };
    std::sort(inside.begin(), inside.end(),
              [&](const ExactCorner& l, const ExactCorner& r) { return along(l) < along(r); });
    for (const ExactCorner& q : inside)
      if (!result.back().SamePlace(q)) result.push_back(q);
  }
  return result;
}

// Walks the outline keeping the corners since the last repeat; when a place
// comes round again, the corners from its first visit form a loop that is
// taken off. What is left at the end closes the outline.
std::vector<ExactLoop> LoopsAtRepeatedPlaces(const ExactLoop& corners) {
  std::vector<ExactLoop> loops;
  ExactLoop open;
  std::map<Place, size_t> position;  // where each place stands in `open`
  for (const ExactCorner& c : corners) {
    const auto seen = position.find(PlaceOf(c));
    if (seen == position.end()) {
      position.emplace(PlaceOf(c), open.size());
      open.push_back(c);
      continue;
    }
    const size_t from = seen->second;
    loops.emplace_back(open.begin() + static_cast<std::ptrdiff_t>(from), open.end());
    for (size_t k = from + 1; k < open.size(); ++k) position.erase(PlaceOf(open[k]));
    open.resize(from + 1);
  }
  loops.push_back(std::move(open));
  return loops;
}

// Whether the point (x/2, y/2) lies inside the simple loop, not on it.
bool StrictlyInside(const ExactLoop& loop, int64_t x, int64_t y) {
  const ExactCorner p{x, y, 0};
  int winding = 0;
  for (size_t k = 0; k < loop.size(); ++k) {
    const ExactCorner& a0 = loop[k];
    const ExactCorner& b0 = loop[(k + 1) % loop.size()];
    const ExactCorner a{2 * a0.x, 2 * a0.y, 0}, b{2 * b0.x, 2 * b0.y, 0};
    const Area2 side = Orientation(a, b, p);
    if (side == 0 && Box::Of(a, b).Holds(p.x, p.y)) return false;
    if (a.y <= p.y && b.y > p.y && side > 0) ++winding;
    if (a.y > p.y && b.y <= p.y && side < 0) --winding;
  }
  return winding != 0;
}

// Whether any corner or edge midpoint of `other` lies inside `loop`. Loops
// whose edges neither cross nor touch but at shared corners overlap exactly
// when one has such a point inside the other, or both are the same polygon.
bool EntersLoop(const ExactLoop& loop, const Box& box, const ExactLoop& other) {
  for (size_t k = 0; k < other.size(); ++k) {
    const ExactCorner &a = other[k], &b = other[(k + 1) % other.size()];
    if (box.Holds(a.x, a.y) && StrictlyInside(loop, 2 * a.x, 2 * a.y)) return true;
    const int64_t mx = a.x + b.x, my = a.y + b.y;
    if (box.Holds(mx / 2, my / 2) && StrictlyInside(loop, mx, my)) return true;
  }
  return false;
}

bool SamePolygon(const ExactLoop& a, const ExactLoop& b) {
  if (a.size() != b.size()) return false;
  std::vector<Place> pa, pb;
  for (const ExactCorner& c : a) pa.push_back(PlaceOf(c));
  for (const ExactCorner& c : b) pb.push_back(PlaceOf(c));
  std::sort(pa.begin(), pa.end());
  std::sort(pb.begin(), pb.end());
  return pa == pb;
}

}  // namespace

std::optional<std::vector<ExactLoop>> SplitIntoSimpleLoops(const ExactOutline& outline) {
  const int turn = Sign(outline.SignedArea2());
  if (outline.CornerCount() < 3 || turn == 0) return std::nullopt;
  std::vector<ExactLoop> loops;
  for (ExactLoop& loop : LoopsAtRepeatedPlaces(SplitEdgesAtTouchingCorners(outline.Corners()))) {
    const int loopTurn = Sign(SignedArea2(loop));
    if (loopTurn == 0) continue;  // encloses nothing
    if (loopTurn != turn) return std::nullopt;
    loops.push_back(std::move(loop));
  }
  std::vector<Box> boxes;
  for (const ExactLoop& loop : loops) boxes.push_back(Box::Of(loop));
  for (size_t i = 0; i < loops.size(); ++i)
    for (size_t j = 0; j < loops.size(); ++j) {
      if (i == j || !boxes[i].Meets(boxes[j])) continue;
      if (EntersLoop(loops[i], boxes[i], loops[j])) return std::nullopt;
      if (i < j && SamePolygon(loops[i], loops[j])) return std::nullopt;
    }
  return loops;
}

}  // namespace ks::objpath
