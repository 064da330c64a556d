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
    const ExactBox box = ExactBox::Of(a, b);
    inside.clear();
    auto first = std::lower_bound(byX.begin(), byX.end(), box.minX,
                                  [&](size_t i, int64_t x) { return corners[i].x < x; });
    for (auto it = first; it != byX.end() && corners[*it].x <= box.maxX; ++it) {
      const ExactCorner& q = corners[*it];
      if (!box.Holds(q) || q.SamePlace(a) || q.SamePlace(b)) continue;
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

enum class Side { Inside, On, Outside };

// Where the point (x/2, y/2) lies against the simple loop.
Side SideOf(const ExactLoop& loop, int64_t x, int64_t y) {
  const ExactCorner p{x, y, 0};
  int winding = 0;
  for (size_t k = 0; k < loop.size(); ++k) {
    const ExactCorner& a0 = loop[k];
    const ExactCorner& b0 = loop[(k + 1) % loop.size()];
    const ExactCorner a{2 * a0.x, 2 * a0.y, 0}, b{2 * b0.x, 2 * b0.y, 0};
    const Area2 side = Orientation(a, b, p);
    if (side == 0 && ExactBox::Of(a, b).Holds(p)) return Side::On;
    if (a.y <= p.y && b.y > p.y && side > 0) ++winding;
    if (a.y > p.y && b.y <= p.y && side < 0) --winding;
  }
  return winding != 0 ? Side::Inside : Side::Outside;
}

enum class Lying { Outside, Inside, Across };

// How `other` lies against `loop`, judged by its corners and edge midpoints.
// Loops whose edges neither cross nor touch but at shared corners and shared
// edges lie one inside the other exactly when such a point of one lies
// inside the other (or both are the same polygon); a loop with such points
// on both sides passes through the other at shared corners.
Lying LyingIn(const ExactLoop& loop, const ExactBox& box, const ExactLoop& other) {
  bool in = false, out = false;
  auto look = [&](int64_t x2, int64_t y2) {
    const Side side = box.Holds(x2 / 2, y2 / 2) ? SideOf(loop, x2, y2) : Side::Outside;
    in = in || side == Side::Inside;
    out = out || side == Side::Outside;
  };
  for (size_t k = 0; k < other.size() && !(in && out); ++k) {
    const ExactCorner &a = other[k], &b = other[(k + 1) % other.size()];
    look(2 * a.x, 2 * a.y);
    look(a.x + b.x, a.y + b.y);
  }
  if (in && out) return Lying::Across;
  return in ? Lying::Inside : Lying::Outside;
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

// Whether t lies strictly inside the angle that the polygon encloses at
// corner v between p (before it) and n (after it), the polygon enclosing the
// side to which `turn` turns.
bool IntoCorner(const ExactCorner& p, const ExactCorner& v, const ExactCorner& n,
                const ExactCorner& t, int turn) {
  const bool afterP = Sign(Orientation(p, v, t)) == turn;
  const bool beforeN = Sign(Orientation(v, n, t)) == turn;
  return Sign(Orientation(p, v, n)) == -turn ? afterP || beforeN : afterP && beforeN;
}

// Whether the segment a–b meets the edge c–d anywhere but at a or b.
bool Blocks(const ExactCorner& a, const ExactCorner& b, const ExactCorner& c,
            const ExactCorner& d) {
  const SegmentSides sides = SegmentSides::Of(a, b, c, d);
  if (sides.CrossProperly()) return true;
  const ExactBox box = ExactBox::Of(a, b);
  auto onBridge = [&](const ExactCorner& q, int o) {
    return o == 0 && box.Holds(q) && !q.SamePlace(a) && !q.SamePlace(b);
  };
  return onBridge(c, sides.c) || onBridge(d, sides.d);
}

// The ring `ring` with the hole `hole` joined in after ring[at], the hole
// starting at its corner `from`: either at a place both share (the hole's
// corner is ring[at]'s place), or along a bridge out and back.
ExactLoop Joined(const ExactLoop& ring, size_t at, const ExactLoop& hole, size_t from,
                 bool bridge) {
  ExactLoop joined(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(at) + 1);
  for (size_t k = 1; k <= hole.size(); ++k) joined.push_back(hole[(from + k) % hole.size()]);
  if (bridge) {
    joined.insert(joined.end() - static_cast<std::ptrdiff_t>(hole.size()), hole[from]);
    joined.push_back(ring[at]);
  }
  joined.insert(joined.end(), ring.begin() + static_cast<std::ptrdiff_t>(at) + 1, ring.end());
  return joined;
}

// The outer loop with its holes joined in, one by one from the left: where a
// hole shares a corner with the ring, there; else by a bridge from the
// hole's leftmost corner to the nearest corner of the ring that it sees.
std::optional<ExactLoop> JoinHoles(const ExactLoop& outer, std::vector<const ExactLoop*> holes,
                                   int turn) {
  auto leftmost = [](const ExactLoop& loop) {
    return static_cast<size_t>(std::min_element(loop.begin(), loop.end(),
                                                [](const ExactCorner& l, const ExactCorner& r) {
                                                  return PlaceOf(l) < PlaceOf(r);
                                                }) -
                               loop.begin());
  };
  std::sort(holes.begin(), holes.end(), [&](const ExactLoop* l, const ExactLoop* r) {
    return PlaceOf((*l)[leftmost(*l)]) < PlaceOf((*r)[leftmost(*r)]);
  });
  ExactLoop ring = outer;
  auto at = [](const ExactLoop& loop, size_t k, int step) -> const ExactCorner& {
    return loop[(k + loop.size() + static_cast<size_t>(step)) % loop.size()];
  };
  for (size_t h = 0; h < holes.size(); ++h) {
    const ExactLoop& hole = *holes[h];
    std::optional<ExactLoop> joined;
    std::map<Place, std::vector<size_t>> ringAt;
    for (size_t v = 0; v < ring.size(); ++v) ringAt[PlaceOf(ring[v])].push_back(v);
    for (size_t a = 0; a < hole.size() && !joined; ++a) {
      const auto shared = ringAt.find(PlaceOf(hole[a]));
      if (shared == ringAt.end()) continue;
      for (size_t v : shared->second)
        if (IntoCorner(at(ring, v, -1), ring[v], at(ring, v, 1), at(hole, a, 1), turn) ||
            IntoCorner(at(ring, v, -1), ring[v], at(ring, v, 1), at(hole, a, -1), turn)) {
          joined = Joined(ring, v, hole, a, false);
          break;
        }
    }
    if (!joined) {
      const size_t from = leftmost(hole);
      const ExactCorner& start = hole[from];
      std::vector<size_t> near(ring.size());
      std::iota(near.begin(), near.end(), size_t{0});
      auto distance = [&](size_t v) {
        return Area2(ring[v].x - start.x) * (ring[v].x - start.x) +
               Area2(ring[v].y - start.y) * (ring[v].y - start.y);
      };
      std::sort(near.begin(), near.end(),
                [&](size_t l, size_t r) { return distance(l) < distance(r); });
      auto blocked = [&](const ExactCorner& v, const ExactLoop& loop) {
        for (size_t k = 0; k < loop.size(); ++k)
          if (Blocks(v, start, loop[k], at(loop, k, 1))) return true;
        return false;
      };
      for (size_t v : near) {
        if (!IntoCorner(at(ring, v, -1), ring[v], at(ring, v, 1), start, turn) ||
            !IntoCorner(at(hole, from, -1), start, at(hole, from, 1), ring[v], turn) ||
            blocked(ring[v], ring))
          continue;
        bool free = true;
        for (size_t other = h; other < holes.size() && free; ++other)
          free = !blocked(ring[v], *holes[other]);
        if (!free) continue;
        joined = Joined(ring, v, hole, from, true);
        break;
      }
    }
    if (!joined) return std::nullopt;
    ring = std::move(*joined);
  }
  return ring;
}

}  // namespace

std::optional<std::vector<ExactLoop>> CapRings(const ExactOutline& outline) {
  const int turn = Sign(outline.SignedArea2());
  if (outline.CornerCount() < 3 || turn == 0) return std::nullopt;
  std::vector<ExactLoop> loops;
  std::vector<int> runs;  // +1: the outline's way round, -1: the other (a hole)
  std::vector<Area2> areas;
  for (ExactLoop& loop : LoopsAtRepeatedPlaces(SplitEdgesAtTouchingCorners(outline.Corners()))) {
    const Area2 area = SignedArea2(loop);
    if (area == 0) continue;  // encloses nothing
    runs.push_back(Sign(area) == turn ? 1 : -1);
    areas.push_back(area < 0 ? -area : area);
    loops.push_back(std::move(loop));
  }
  // Winding round the inside of each loop: the loops around it, and itself.
  // The area is tiled once when that is 1 inside the outline's own loops and
  // 0 inside the holes, each hole lying directly inside one of them.
  const size_t count = loops.size();
  std::vector<ExactBox> boxes;
  for (const ExactLoop& loop : loops) boxes.push_back(ExactBox::Of(loop));
  std::vector<int> around(count, 0);
  std::vector<size_t> parent(count, count);
  for (size_t i = 0; i < count; ++i)
    for (size_t j = 0; j < count; ++j) {
      if (i == j || !boxes[i].Meets(boxes[j])) continue;
      if (i < j && SamePolygon(loops[i], loops[j])) return std::nullopt;
      const Lying lying = LyingIn(loops[i], boxes[i], loops[j]);
      if (lying == Lying::Across) return std::nullopt;
      if (lying == Lying::Outside) continue;
      around[j] += runs[i];
      if (parent[j] == count || areas[i] < areas[parent[j]]) parent[j] = i;
    }
  for (size_t j = 0; j < count; ++j) {
    if (around[j] + runs[j] != (runs[j] > 0 ? 1 : 0)) return std::nullopt;
    if (runs[j] < 0 && (parent[j] == count || runs[parent[j]] < 0)) return std::nullopt;
  }
  std::vector<ExactLoop> rings;
  for (size_t i = 0; i < count; ++i) {
    if (runs[i] < 0) continue;
    std::vector<const ExactLoop*> holes;
    for (size_t j = 0; j < count; ++j)
      if (runs[j] < 0 && parent[j] == i) holes.push_back(&loops[j]);
    if (holes.empty()) {
      rings.push_back(loops[i]);
      continue;
    }
    std::optional<ExactLoop> ring = JoinHoles(loops[i], std::move(holes), turn);
    if (!ring) return std::nullopt;
    rings.push_back(std::move(*ring));
  }
  return rings;
}

}  // namespace ks::objpath
