#pragma once
// Exact plane geometry on a closed path: whether its edges really cross, its
// area, and a triangulation of a simple loop by ear clipping that never folds.
//
// Every coordinate is turned into a whole number of 2^-k pixel units, with k
// chosen per outline as the smallest that holds all of its coordinates
// exactly (0 for the whole pixels a traced picture gives). Orientation tests
// are then integer arithmetic without rounding. Only coordinates with more
// fractional digits than 2^-k can carry at the outline's size (a value below
// about 2^-16 next to one of about 2^20) are rounded to the nearest unit.
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

// Cuts a simple loop (no two edges meet but neighbours at their shared
// corner) into corners - 2 triangles that tile it without overlap, none
// turning against the loop (only the last can be flat, where corners lie on a
// straight run), written as the cap writes triangles (AppendCapTriangle).
// Returns false, writing nothing, when no ear can be found (which happens
// only for loops that are not simple or have no area).
bool EarClip(std::span<const ExactCorner> loop, bool pathFlip, CapOutput& out);

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
