#pragma once
// Exact plane geometry on a closed path: whether its edges really cross and
// its area (the ear clipping of simple loops is in ear_clip.h).
//
// Every coordinate is turned into a whole number of 2^-k pixel units, with k
// chosen per outline as the smallest that holds all of its coordinates
// exactly (0 for the whole pixels a traced picture gives). Orientation tests
// are then integer arithmetic without rounding. Only coordinates with more
// fractional digits than 2^-k can carry at the outline's size (a value below
// about 2^-16 next to one of about 2^20) are rounded to the nearest unit.
#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "objpath/path_state.h"

namespace ks::objpath {

struct CapOutput;

// Twice a signed area in outline units: positive when the corners a, b, c turn
// the way that x toward y turns.
__extension__ typedef __int128 Area2;

// A corner in outline units, with the path point it stands for.
struct ExactCorner {
  int64_t x = 0;
  int64_t y = 0;
  int32_t index = 0;  // the path point
  bool SamePlace(const ExactCorner& o) const { return x == o.x && y == o.y; }
};

// Twice the signed area of the triangle a, b, c.
Area2 Orientation(const ExactCorner& a, const ExactCorner& b, const ExactCorner& c);

inline int Sign(Area2 v) {
  return (v > 0) - (v < 0);
}

// Twice the signed area enclosed by the corners.
Area2 SignedArea2(std::span<const ExactCorner> corners);

// The box around corners: edges whose boxes do not meet cannot meet.
struct ExactBox {
  int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
  static ExactBox Of(const ExactCorner& a, const ExactCorner& b) {
    return {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y)};
  }
  static ExactBox Of(std::span<const ExactCorner> corners) {
    ExactBox box = Of(corners[0], corners[0]);
    for (const ExactCorner& c : corners) box = box.Joined(Of(c, c));
    return box;
  }
  ExactBox Joined(const ExactBox& o) const {
    return {std::min(minX, o.minX), std::max(maxX, o.maxX), std::min(minY, o.minY),
            std::max(maxY, o.maxY)};
  }
  bool Holds(int64_t x, int64_t y) const {
    return minX <= x && x <= maxX && minY <= y && y <= maxY;
  }
  bool Holds(const ExactCorner& c) const { return Holds(c.x, c.y); }
  bool Meets(const ExactBox& o) const {
    return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
  }
};

// The sides of segment a–b on which c and d lie and of segment c–d on which
// a and b lie (1 or -1; 0 on its line).
struct SegmentSides {
  int c = 0, d = 0, a = 0, b = 0;
  static SegmentSides Of(const ExactCorner& a, const ExactCorner& b, const ExactCorner& c,
                         const ExactCorner& d) {
    return {Sign(Orientation(a, b, c)), Sign(Orientation(a, b, d)), Sign(Orientation(c, d, a)),
            Sign(Orientation(c, d, b))};
  }
  // Each segment passes from one side of the other to its other side.
  bool CrossProperly() const { return c * d < 0 && a * b < 0; }
};

class ExactOutline {
 public:
  // The polygon whose corners are points[list[0]], points[list[1]], …;
  // corners repeating the one before them (a double click, a path closed by
  // clicking its first point again) are dropped.
  ExactOutline(std::span<const PathPoint> points, std::span<const int32_t> list);

  // Number of distinct corners kept.
  size_t CornerCount() const { return corners_.size(); }
  const std::vector<ExactCorner>& Corners() const { return corners_; }

  // Whether two edges share a point other than the corner between two
  // neighbouring edges, or two neighbouring edges run back over each other.
  // An outline of fewer than three corners does not cross.
  bool EdgesCross() const { return Meeting(false); }
  // Whether two edges cross properly: each passes from one side of the other
  // to its other side. Touching and running along each other do not count.
  bool EdgesCrossProperly() const { return Meeting(true); }
  // The edges that cross another properly, each as the path points it runs
  // between, in the order found.
  std::vector<std::pair<int32_t, int32_t>> CrossingEdges() const;

  // Twice the signed area enclosed by the corners.
  Area2 SignedArea2() const { return objpath::SignedArea2(corners_); }

  // Twice the signed area of the triangle of path points a, b, c.
  Area2 TriangleArea2(int32_t a, int32_t b, int32_t c) const;

 private:
  // With `all`, proper crossings are collected there (as pairs of edge
  // numbers) instead of ending the search.
  bool Meeting(bool properOnly, std::vector<std::pair<size_t, size_t>>* all = nullptr) const;
  int64_t XOf(int32_t pointIndex) const;
  int64_t YOf(int32_t pointIndex) const;

  std::span<const PathPoint> points_;
  int exponent_ = 0;  // coordinates are multiplied by 2^exponent_
  std::vector<ExactCorner> corners_;
};

}  // namespace ks::objpath
