#include "objpath/cap_triangulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "objpath/exact_outline.h"
#include "testing/outline_generators.h"
#include "testing/plain_cap_triangulation.h"

namespace {

using namespace ks::objpath;

std::vector<PathPoint> Path(std::initializer_list<std::array<float, 2>> xy) {
  std::vector<PathPoint> points;
  for (const auto& p : xy) points.push_back({p[0], p[1], 0});
  return points;
}

IndexList AllOf(const std::vector<PathPoint>& points) {
  IndexList list(points.size());
  std::iota(list.begin(), list.end(), 0);
  return list;
}

struct Cap {
  std::vector<int32_t> polygons;
  std::vector<CapTriangle> triangles;
  bool ok = true;
};

Cap Triangulate(const std::vector<PathPoint>& points, bool flip) {
  Cap cap;
  CapOutput out{cap.polygons, cap.triangles};
  cap.ok = TriangulateCap(points, AllOf(points), flip, out);
  return cap;
}

Cap Diagonals(const std::vector<PathPoint>& points, bool flip) {
  Cap cap;
  CapOutput out{cap.polygons, cap.triangles};
  cap.ok = TriangulateByDiagonals(points, AllOf(points), flip, out);
  return cap;
}

Cap TriangulatePlain(const std::vector<PathPoint>& points, bool flip) {
  Cap cap;
  CapOutput out{cap.polygons, cap.triangles};
  cap.ok = plain::TriangulateCap(points, AllOf(points), flip, out);
  return cap;
}

// Leftmost point as the editor finds it: the first with the smallest X.
int32_t Leftmost(const std::vector<PathPoint>& points) {
  int32_t best = 0;
  for (int32_t i = 1; i < static_cast<int32_t>(points.size()); ++i)
    if (points[i].X < points[best].X) best = i;
  return best;
}

TEST(FindOrientation, FollowsTheWindingAroundTheLeftmostCorner) {
  const auto clockwise = Path({{10, 10}, {50, 10}, {50, 50}, {10, 50}});
  EXPECT_EQ(FindOrientation(clockwise, 0), true);
  const auto counter = Path({{10, 10}, {10, 50}, {50, 50}, {50, 10}});
  EXPECT_EQ(FindOrientation(counter, 0), false);
  EXPECT_EQ(FindOrientation({}, -1), std::nullopt);
  EXPECT_EQ(FindOrientation(clockwise, 4), std::nullopt);
}

TEST(FindOrientation, SkipsAPointRepeatedJustBeforeTheLeftmostOnce) {
  // Clicked back onto the start: the last point repeats point 0. Without the
  // skip the repeated point would decide, and wrongly.
  const auto closedByHand = Path({{10, 30}, {30, 10}, {50, 30}, {30, 50}, {10, 30}});
  EXPECT_EQ(FindOrientation(closedByHand, 0), true);
  EXPECT_EQ(FindOrientation(Path({{10, 30}, {30, 10}, {50, 30}, {30, 50}}), 0), true);
}

TEST(SegmentsIntersect, CountsCrossingsAndTouchesButNeverParallels) {
  auto p = [](float x, float y) { return PathPoint{x, y, 0}; };
  EXPECT_TRUE(SegmentsIntersect(p(0, 0), p(10, 10), p(0, 10), p(10, 0)));
  EXPECT_TRUE(SegmentsIntersect(p(0, 0), p(10, 0), p(10, 0), p(10, 10)));  // shared end
  EXPECT_TRUE(SegmentsIntersect(p(0, 0), p(10, 0), p(5, 0), p(5, 7)));     // T touch
  EXPECT_FALSE(SegmentsIntersect(p(0, 0), p(10, 0), p(0, 1), p(10, 1)));   // parallel
  EXPECT_FALSE(SegmentsIntersect(p(0, 0), p(10, 0), p(5, 0), p(15, 0)));   // collinear overlap
  EXPECT_FALSE(SegmentsIntersect(p(0, 0), p(10, 0), p(11, -5), p(11, 5)));
  EXPECT_FALSE(SegmentsIntersect(p(0, 0), p(10, 10), p(0, 10), p(4, 6.5f)));
}

TEST(TriangulateCap, FansAConvexPathFromItsLastCornersBackToTheFirst) {
  const auto square = Path({{10, 10}, {50, 10}, {50, 50}, {10, 50}});
  Cap flipped = Triangulate(square, true);
  EXPECT_TRUE(flipped.ok);
  EXPECT_EQ(flipped.polygons, (std::vector<int32_t>{3, 3, 2, 0, 3, 2, 1, 0}));
  EXPECT_EQ(flipped.triangles, (std::vector<CapTriangle>{{3, 2, 0}, {2, 1, 0}}));
  // The other winding writes each triangle the other way round but records
  // the same (L, M, F).
  Cap plainWinding = Triangulate(Path({{10, 10}, {10, 50}, {50, 50}, {50, 10}}), false);
  EXPECT_EQ(plainWinding.polygons, (std::vector<int32_t>{3, 0, 2, 3, 3, 0, 1, 2}));
  EXPECT_EQ(plainWinding.triangles, (std::vector<CapTriangle>{{3, 2, 0}, {2, 1, 0}}));

  std::vector<PathPoint> hexagon;
  for (int k = 0; k < 6; ++k)
    hexagon.push_back({static_cast<float>(100 + 40 * std::cos(k * M_PI / 3)),
                       static_cast<float>(100 + 40 * std::sin(k * M_PI / 3)), 0});
  const bool flip = FindOrientation(hexagon, Leftmost(hexagon)).value();
  EXPECT_EQ(FindReflexCorner(hexagon, AllOf(hexagon), flip), -1);
  EXPECT_EQ(Triangulate(hexagon, flip).triangles.size(), 4u);
}

TEST(TriangulateCap, SplitsAnLShapeOnceIntoTwoConvexPieces) {
  const auto l = Path({{10, 60}, {10, 10}, {30, 10}, {30, 40}, {60, 40}, {60, 60}});
  ASSERT_EQ(FindOrientation(l, Leftmost(l)), true);
  EXPECT_EQ(FindReflexCorner(l, AllOf(l), true), 3);
  EXPECT_EQ(FindDiagonal(l, AllOf(l), 3, true), 0);
  Cap cap = Triangulate(l, true);
  EXPECT_TRUE(cap.ok);
  // The outer piece 0, 3, 4, 5 first, then the inner piece 0, 1, 2, 3.
  EXPECT_EQ(cap.triangles, (std::vector<CapTriangle>{{5, 4, 0}, {4, 3, 0}, {3, 2, 0}, {2, 1, 0}}));
}

TEST(TriangulateCap, RefusesAPathWhoseEdgesCross) {
  const auto bowTie = Path({{10, 10}, {50, 50}, {50, 10}, {10, 50}});
  const Cap cap = Triangulate(bowTie, FindOrientation(bowTie, 0).value());
  EXPECT_FALSE(cap.ok);
}

TEST(TriangulateCap, ASliverOfThreeNearlyCollinearCornersIsATriangleNotACrossing) {
  // The whole-degree cone test may call such a sliver reflex; it is a
  // triangle whichever way round it runs.
  const auto sliver = Path({{52, 139}, {128, 46}, {132, 41}});
  for (bool flip : {false, true}) {
    const Cap cap = Triangulate(sliver, flip);
    EXPECT_TRUE(cap.ok);
    EXPECT_EQ(cap.triangles.size(), 1u);
  }
}

TEST(TriangulateCap, PathsOfOneOrTwoPlacesHaveNoCap) {
  for (const auto& path : {Path({{10, 10}}), Path({{10, 10}, {40, 30}})}) {
    Cap cap = Triangulate(path, true);
    EXPECT_TRUE(cap.ok);
    EXPECT_TRUE(cap.polygons.empty());
    EXPECT_TRUE(cap.triangles.empty());
    EXPECT_EQ(FindReflexCorner(path, AllOf(path), true), -1);
  }
  // Found by fuzzing: out to a point and back to a repeated start encloses
  // nothing; it has no cap rather than being refused as crossing.
  for (bool flip : {false, true}) {
    const Cap cap = Triangulate(Path({{60, 220}, {240, 240}, {60, 220}}), flip);
    EXPECT_TRUE(cap.ok);
    EXPECT_TRUE(cap.polygons.empty());
  }
}

void ExpectSameAsPlain(const std::vector<PathPoint>& points, const std::string& what) {
  const int32_t left = Leftmost(points);
  const bool flip = FindOrientation(points, left).value_or(false);
  const Cap fast = Diagonals(points, flip);
  const Cap reference = TriangulatePlain(points, flip);
  ASSERT_EQ(fast.ok, reference.ok) << what;
  ASSERT_EQ(fast.polygons, reference.polygons) << what;
  ASSERT_EQ(fast.triangles, reference.triangles) << what;
}

TEST(TriangulateCap, GivesExactlyThePlainAlgorithmsTrianglesOnJaggedOutlines) {
  int succeeded = 0, refused = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    for (bool whole : {false, true}) {
      auto star = objpath_test::StarOutline(8 + static_cast<int>(seed * 7 % 150), seed, whole);
      ExpectSameAsPlain(star, "star " + std::to_string(seed));
      std::reverse(star.begin(), star.end());  // the other winding
      ExpectSameAsPlain(star, "reversed star " + std::to_string(seed));
    }
    // Mostly self-crossing: the triangles written before the refusal match too.
    const auto random = objpath_test::RandomPoints(5 + static_cast<int>(seed % 20), seed);
    ExpectSameAsPlain(random, "random " + std::to_string(seed));
    Cap cap = Diagonals(random, true);
    (cap.ok ? succeeded : refused)++;
  }
  EXPECT_GT(refused, 0);
  for (unsigned seed = 1; seed <= 8; ++seed) {
    for (bool skip : {false, true})
      ExpectSameAsPlain(objpath_test::TracedBlobOutline(3 + static_cast<int>(seed) * 5, seed, skip),
                        "traced blob " + std::to_string(seed));
    ExpectSameAsPlain(objpath_test::SawBandOutline(20 + static_cast<int>(seed) * 30, seed),
                      "saw band " + std::to_string(seed));
  }
}

TEST(TriangulateCap, CutsAnOutlineOfTwoThousandCornersCompletely) {
  for (unsigned seed : {1u, 2u}) {
    const auto outline = objpath_test::SawBandOutline(1000, seed);
    ASSERT_EQ(outline.size(), 2002u);
    ExpectSameAsPlain(outline, "saw band " + std::to_string(seed));
    const Cap cap = Triangulate(outline, FindOrientation(outline, Leftmost(outline)).value());
    EXPECT_TRUE(cap.ok);
    EXPECT_EQ(cap.triangles.size(), outline.size() - 2);
  }
  const auto arch = objpath_test::ArchAndSawOutline(1000, 500);
  ExpectSameAsPlain(arch, "arch and saw");
  EXPECT_TRUE(Triangulate(arch, FindOrientation(arch, Leftmost(arch)).value()).ok);
  // Long traced outlines too, complete or refused part way.
  for (unsigned seed : {3u, 4u})
    ExpectSameAsPlain(objpath_test::TracedBlobOutline(150, seed, seed % 2 == 0),
                      "spiky traced " + std::to_string(seed));
}

// Whole-pixel reference geometry, written independently of ExactOutline and
// the loop splitting: every pair of edges tested, no sorting.
using Pixel = std::array<int64_t, 3>;  // x, y, path index

int64_t Cross(const Pixel& a, const Pixel& b, const Pixel& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

int Sgn(int64_t v) {
  return (v > 0) - (v < 0);
}

struct PixelOutline {
  std::vector<Pixel> corners;

  explicit PixelOutline(const std::vector<PathPoint>& points) {
    for (int32_t i = 0; i < static_cast<int32_t>(points.size()); ++i) {
      const Pixel c{std::llround(points[i].X), std::llround(points[i].Y), i};
      if (!corners.empty() && corners.back()[0] == c[0] && corners.back()[1] == c[1]) continue;
      corners.push_back(c);
    }
    while (corners.size() > 1 && corners.back()[0] == corners[0][0] &&
           corners.back()[1] == corners[0][1])
      corners.pop_back();
  }
  static bool Meet(const Pixel& a, const Pixel& b, const Pixel& c, const Pixel& d) {
    auto on = [](const Pixel& p, const Pixel& q, const Pixel& r) {  // r on segment p–q, collinear
      return std::min(p[0], q[0]) <= r[0] && r[0] <= std::max(p[0], q[0]) &&
             std::min(p[1], q[1]) <= r[1] && r[1] <= std::max(p[1], q[1]);
    };
    const int o1 = Sgn(Cross(a, b, c)), o2 = Sgn(Cross(a, b, d));
    const int o3 = Sgn(Cross(c, d, a)), o4 = Sgn(Cross(c, d, b));
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    return (o1 == 0 && on(a, b, c)) || (o2 == 0 && on(a, b, d)) || (o3 == 0 && on(c, d, a)) ||
           (o4 == 0 && on(c, d, b));
  }
  bool CrossesProperly() const {
    const size_t m = corners.size();
    for (size_t i = 0; i < m; ++i)
      for (size_t j = i + 2; j < m; ++j) {
        const auto &a = corners[i], &b = corners[(i + 1) % m];
        const auto &c = corners[j], &d = corners[(j + 1) % m];
        if ((j + 1) % m != i && Sgn(Cross(a, b, c)) * Sgn(Cross(a, b, d)) < 0 &&
            Sgn(Cross(c, d, a)) * Sgn(Cross(c, d, b)) < 0)
          return true;
      }
    return false;
  }
  // Whether the outline meets itself anywhere but between neighbouring edges.
  bool Touches() const {
    const size_t m = corners.size();
    if (m < 3) return false;
    auto at = [&](size_t k) { return corners[k % m]; };
    for (size_t i = 0; i < m; ++i) {
      const auto a = at(i), b = at(i + 1), c = at(i + 2);
      if (Cross(a, b, c) == 0 && (a[0] - b[0]) * (c[0] - b[0]) + (a[1] - b[1]) * (c[1] - b[1]) > 0)
        return true;
      for (size_t j = i + 2; j < m; ++j)
        if ((j + 1) % m != i && Meet(at(i), at(i + 1), at(j), at(j + 1))) return true;
    }
    return false;
  }
  int64_t Area2() const {
    int64_t sum = 0;
    for (size_t k = 1; k + 1 < corners.size(); ++k)
      sum += Cross(corners[0], corners[k], corners[k + 1]);
    return sum;
  }
};

Pixel PixelOf(const std::vector<PathPoint>& p, int32_t i) {
  return {std::llround(p[i].X), std::llround(p[i].Y), i};
}

int64_t TriangleArea2(const std::vector<PathPoint>& p, const CapTriangle& t) {
  // Path order of a cap triangle is (C, B, A): (F, M, L) of the fan.
  return Cross(PixelOf(p, t.C), PixelOf(p, t.B), PixelOf(p, t.A));
}

// What sample points of the picture show about an outline and its cap:
// perPixel × perPixel points in every pixel, at fractions 1/1009 apart from
// any edge between whole pixels (a point that lies on an edge all the same is
// left out). The outline's winding number at a point should be 0 or the
// outline's turn, and the cap should hold the point once where it is not 0
// and nowhere else.
struct Sampled {
  int points = 0;
  int wrongWinding = 0;  // neither 0 nor the outline's turn: the outline crosses
  int wrongCover = 0;    // the cap leaves a gap or folds over itself there
};

Sampled SampleCap(const PixelOutline& outline, const std::vector<PathPoint>& path,
                  const std::vector<CapTriangle>& cap, int perPixel) {
  Sampled result;
  const auto& c = outline.corners;
  const int64_t unit = 1009 * int64_t{perPixel};
  int64_t minX = c[0][0], maxX = c[0][0], minY = c[0][1], maxY = c[0][1];
  for (const Pixel& p : c) {
    minX = std::min(minX, p[0]), maxX = std::max(maxX, p[0]);
    minY = std::min(minY, p[1]), maxY = std::max(maxY, p[1]);
  }
  const int64_t columns = (maxX - minX) * perPixel, rows = (maxY - minY) * perPixel;
  if (columns <= 0 || rows <= 0) return result;
  auto scaled = [&](const Pixel& p) {
    return Pixel{(p[0] - minX) * unit, (p[1] - minY) * unit, 0};
  };
  auto sample = [&](int64_t col, int64_t row) {
    return Pixel{col * 1009 + 317, row * 1009 + 529, 0};
  };
  std::vector<int> cover(static_cast<size_t>(columns * rows), 0);
  std::vector<uint8_t> onEdge(cover.size(), 0);
  auto count = [&](const Pixel& a, const Pixel& b, const Pixel& d, bool add) {
    const int64_t c0 = std::max<int64_t>(0, std::min({a[0], b[0], d[0]}) / 1009 - 1);
    const int64_t c1 = std::min(columns - 1, std::max({a[0], b[0], d[0]}) / 1009 + 1);
    const int64_t r0 = std::max<int64_t>(0, std::min({a[1], b[1], d[1]}) / 1009 - 1);
    const int64_t r1 = std::min(rows - 1, std::max({a[1], b[1], d[1]}) / 1009 + 1);
    for (int64_t row = r0; row <= r1; ++row)
      for (int64_t col = c0; col <= c1; ++col) {
        const Pixel p = sample(col, row);
        const int o1 = Sgn(Cross(a, b, p)), o2 = Sgn(Cross(b, d, p)), o3 = Sgn(Cross(d, a, p));
        const auto k = static_cast<size_t>(row * columns + col);
        if (o1 * o2 * o3 == 0) {
          const bool between = (o1 >= 0 && o2 >= 0 && o3 >= 0) || (o1 <= 0 && o2 <= 0 && o3 <= 0);
          if (between) onEdge[k] = 1;
        } else if (add && o1 == o2 && o2 == o3) {
          ++cover[k];
        }
      }
  };
  for (const CapTriangle& t : cap)
    count(scaled(PixelOf(path, t.C)), scaled(PixelOf(path, t.B)), scaled(PixelOf(path, t.A)), true);
  const int turn = Sgn(outline.Area2());
  for (int64_t row = 0; row < rows; ++row) {
    const int64_t y = sample(0, row)[1];
    std::vector<std::pair<Pixel, Pixel>> crossing;  // edges the row runs through
    for (size_t k = 0; k < c.size(); ++k) {
      const Pixel a = scaled(c[k]), b = scaled(c[(k + 1) % c.size()]);
      if ((a[1] < y) != (b[1] < y)) crossing.emplace_back(a, b);
    }
    for (int64_t col = 0; col < columns; ++col) {
      const Pixel p = sample(col, row);
      int winding = 0;
      bool on = false;
      for (const auto& [a, b] : crossing) {
        const int side = Sgn(Cross(a, b, p));
        on = on || side == 0;
        if (a[1] < b[1] && side > 0) ++winding;
        if (a[1] > b[1] && side < 0) --winding;
      }
      const auto k = static_cast<size_t>(row * columns + col);
      if (on || onEdge[k]) continue;
      ++result.points;
      if (winding != 0 && winding != turn) ++result.wrongWinding;
      if (cover[k] != (winding != 0 ? 1 : 0)) ++result.wrongCover;
    }
  }
  return result;
}

struct RuleTally {
  int crossingRefused = 0, touchingRefused = 0, keptPlain = 0, builtWherePlainRefused = 0,
      builtWherePlainFolded = 0, touchingBuilt = 0, samples = 0;
};

// The cap rule on one whole-pixel outline: crossing outlines refused; the
// others capped by triangles that turn the outline's way, add up to its area
// and hold every sample point inside it once and no other (perPixel × perPixel
// samples in each pixel; none when 0); the plain
// triangles kept wherever they do so. An outline that touches itself is
// refused where it encloses nothing or where the samples show it crossing at
// a shared place (a figure of eight through a corner, a part laid over
// another, an edge passing through a corner).
void ExpectCapRule(const std::vector<PathPoint>& points, const std::string& what, RuleTally& tally,
                   int perPixel = 1) {
  const PixelOutline reference(points);
  const bool flip = FindOrientation(points, Leftmost(points)).value_or(false);
  const Cap cap = Triangulate(points, flip);
  if (reference.corners.size() < 3) return;
  if (reference.CrossesProperly()) {
    EXPECT_FALSE(cap.ok) << what;
    ++tally.crossingRefused;
    return;
  }
  const bool touches = reference.Touches();
  auto sample = [&] {
    if (perPixel == 0) return Sampled{};
    const Sampled sampled = SampleCap(reference, points, cap.triangles, perPixel);
    tally.samples += sampled.points;
    return sampled;
  };
  const int64_t area = reference.Area2();
  if (!cap.ok) {
    EXPECT_TRUE(touches) << what;
    if (area != 0 && perPixel > 0) {  // else it encloses nothing, or is not sampled
      EXPECT_GT(sample().wrongWinding, 0) << what << ": refused, yet nowhere crossing";
    }
    ++tally.touchingRefused;
    return;
  }
  ASSERT_NE(area, 0) << what;
  int64_t sum = 0;
  bool folds = false;
  for (const CapTriangle& t : cap.triangles) {
    const int64_t a = TriangleArea2(points, t);
    sum += a;
    folds = folds || (area > 0 ? a < 0 : a > 0);
  }
  EXPECT_FALSE(folds) << what;
  EXPECT_EQ(sum, area) << what;
  const Cap plain = TriangulatePlain(points, flip);
  bool plainFolds = false;
  for (const CapTriangle& t : plain.triangles) {
    const int64_t a = TriangleArea2(points, t);
    plainFolds = plainFolds || (area > 0 ? a < 0 : a > 0);
  }
  const bool keptPlain = plain.ok && !plainFolds;
  // The plain triangles of a simple outline need no samples: they are the
  // reference.
  if (touches || !keptPlain) {
    const Sampled sampled = sample();
    EXPECT_EQ(sampled.wrongWinding, 0) << what;
    EXPECT_EQ(sampled.wrongCover, 0) << what;
  }
  if (touches) ++tally.touchingBuilt;
  if (keptPlain) {
    EXPECT_EQ(cap.polygons, plain.polygons) << what;
    ++tally.keptPlain;
  } else {
    if (!touches) {
      // Ear clipping of a simple outline: one triangle per corner but two,
      // none of them flat.
      EXPECT_EQ(cap.triangles.size(), reference.corners.size() - 2) << what;
      for (const CapTriangle& t : cap.triangles) EXPECT_NE(TriangleArea2(points, t), 0) << what;
    }
    ++(plain.ok ? tally.builtWherePlainFolded : tally.builtWherePlainRefused);
  }
}

TEST(TriangulateCap, RefusesExactlyTheCrossingOutlinesAndTilesEveryOther) {
  RuleTally tally;
  for (unsigned seed = 1; seed <= 1500; ++seed) {
    const int corners = 4 + static_cast<int>(seed % 40);
    // Sampling a star's picture costs more than all the rest: one in four.
    const int perPixel = seed % 4 == 0 ? 1 : 0;
    auto star = objpath_test::StarOutline(corners, seed, true);
    ExpectCapRule(star, "star " + std::to_string(seed), tally, perPixel);
    std::reverse(star.begin(), star.end());
    ExpectCapRule(star, "reversed star " + std::to_string(seed), tally, perPixel);
    ExpectCapRule(objpath_test::RandomPoints(4 + static_cast<int>(seed % 9), seed),
                  "random " + std::to_string(seed), tally, 4);
  }
  EXPECT_GT(tally.crossingRefused, 500);
  EXPECT_GT(tally.keptPlain, 1000);
  EXPECT_GT(tally.builtWherePlainRefused, 0);
  EXPECT_GT(tally.touchingBuilt, 0);
}

TEST(TriangulateCap, TracedPicturesAreCappedWithoutFolds) {
  RuleTally tally;
  for (unsigned seed = 1; seed <= 60; ++seed)
    for (bool skip : {false, true})
      ExpectCapRule(objpath_test::TracedBlobOutline(3 + static_cast<int>(seed % 25), seed, skip),
                    "traced " + std::to_string(seed), tally, seed % 4 == 0 ? 1 : 0);
  // Shapes joined by lines one pixel wide and at single corners: the
  // outline runs along each line and back, and passes shared corners twice.
  constexpr int kWidth = 120, kHeight = 80;
  for (unsigned seed = 1; seed <= 200; ++seed)
    for (bool skip : {false, true})
      ExpectCapRule(
          objpath_test::TracedOutline(objpath_test::BridgedShapesPicture(seed, kWidth, kHeight),
                                      kWidth, kHeight, skip),
          "bridged " + std::to_string(seed) + (skip ? " skipping" : ""), tally);
  // Skipping the pixel after each point can cut a corner so that an edge
  // passes through another corner: such outlines cross and are refused.
  EXPECT_GT(tally.touchingBuilt, 200);
  EXPECT_LT(tally.touchingRefused, 10);
}

TEST(TriangulateCap, OutlinesThatTouchThemselvesAreCappedUnlessTheyCrossThere) {
  struct Case {
    const char* what;
    std::vector<PathPoint> path;
    bool builds;
  };
  const std::vector<Case> cases{
      {"two squares through one corner",
       Path({{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}}), true},
      {"figure of eight through one corner",
       Path({{0, 0}, {10, 0}, {10, 10}, {10, 20}, {20, 20}, {20, 10}, {10, 10}, {0, 10}}), false},
      {"two squares joined by a bridge out and back",
       Path({{0, 0},
             {10, 0},
             {10, 5},
             {20, 5},
             {20, 0},
             {30, 0},
             {30, 10},
             {20, 10},
             {20, 5},
             {10, 5},
             {10, 10},
             {0, 10}}),
       true},
      {"a spike out and back along one line",
       Path({{0, 0}, {10, 0}, {10, 10}, {5, 10}, {5, 20}, {5, 15}, {5, 10}, {0, 10}}), true},
      {"a corner resting on the opposite edge",
       Path({{0, 0}, {20, 0}, {20, 20}, {12, 20}, {10, 0}, {8, 20}, {0, 20}}), true},
      {"a triangle run round twice", Path({{0, 0}, {10, 0}, {0, 10}, {0, 0}, {10, 0}, {0, 10}}),
       false},
      {"a triangle inside a square, running its way, through its corner",
       Path({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {20, 10}, {10, 20}}), false},
      // Holes: loops running the other way inside one running the outline's.
      {"a hole reached along a bridge",
       Path({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {10, 10}, {10, 20}, {20, 20}, {20, 10},
             {10, 10}}),
       true},
      {"a hole resting on the outline at one corner",
       Path({{0, 0}, {30, 0}, {30, 30}, {15, 30}, {20, 20}, {10, 20}, {15, 30}, {0, 30}}), true},
      {"two holes along one bridge, an island in the second",
       Path({{0, 0}, {60, 0}, {60, 30}, {0, 30}, {0, 0}, {5, 5}, {5, 25}, {15, 25}, {15, 5},
             {5, 5}, {20, 5}, {20, 25}, {50, 25}, {50, 5}, {20, 5}, {30, 10}, {40, 10},
             {40, 20}, {30, 20}, {30, 10}, {20, 5}, {5, 5}}),
       true},
      {"a hole running the outline's way",
       Path({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20},
             {10, 10}}),
       false},
      {"a hole outside the outline",
       Path({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {-10, -10}, {-10, -20}, {-20, -20},
             {-20, -10}, {-10, -10}}),
       false},
  };
  for (const Case& c : cases) {
    RuleTally tally;
    if (c.builds) ExpectCapRule(c.path, c.what, tally, 4);
    const Cap cap = Triangulate(c.path, FindOrientation(c.path, Leftmost(c.path)).value());
    EXPECT_EQ(cap.ok, c.builds) << c.what;
    EXPECT_TRUE(c.builds || cap.polygons.empty()) << c.what;
    ExactOutline exact(c.path, AllOf(c.path));
    EXPECT_TRUE(exact.EdgesCross()) << c.what;
    EXPECT_FALSE(exact.EdgesCrossProperly()) << c.what;
  }
}

TEST(TriangulateCap, CrossingsAndTouchesAreRefusedWhateverTheConeTestSays) {
  const std::vector<std::vector<PathPoint>> crossing{
      Path({{181, 218}, {175, 239}, {139, 257}, {242, 205}}),  // built with folds once
      Path({{0, 0}, {20, 0}, {20, 20}, {10, -5}, {0, 20}}),
      Path({{0, 0}, {20, 20}, {20, 0}, {0, 20}}),
  };
  for (const auto& path : crossing) {
    for (bool flip : {false, true}) {
      const Cap cap = Triangulate(path, flip);
      EXPECT_FALSE(cap.ok);
      EXPECT_TRUE(cap.polygons.empty());
    }
  }
  // A path closed by clicking its first point again, or with a double click,
  // does not cross.
  const auto closedByHand = Path({{10, 30}, {30, 10}, {30, 10}, {50, 30}, {30, 50}, {10, 30}});
  EXPECT_TRUE(Triangulate(closedByHand, true).ok);
}

TEST(TriangulateCap, FractionalCornersAreTestedExactly) {
  // 0.2f is exactly twice 0.1f: the corner (5, 0.1f) lies exactly on the edge
  // from (0, 0.2f) to (10, 0), so the outline touches itself; one step of the
  // float grid higher it leaves a neck too thin for whole degrees, but open.
  for (float y : {0.1f, std::nextafter(0.1f, 1.0f)}) {
    const auto neck = Path({{0, 0.2f}, {10, 0}, {10, 10}, {5, y}, {0, 10}});
    const Cap cap = Triangulate(neck, FindOrientation(neck, 0).value());
    ExactOutline exact(neck, AllOf(neck));
    EXPECT_EQ(exact.EdgesCross(), y == 0.1f);
    EXPECT_FALSE(exact.EdgesCrossProperly());
    if (y != 0.1f) {
      EXPECT_TRUE(cap.ok);
      EXPECT_EQ(cap.triangles.size(), 3u);
    }
  }
}

}  // namespace
