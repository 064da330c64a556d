#include "objpath/cap_triangulation.h"

#include <gtest/gtest.h>

#include <numeric>

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
  const auto sliver = Path({{52, 139}, {128, 46}, {132, 41}});
  EXPECT_TRUE(IsSliverPiece(sliver, AllOf(sliver)));
  const auto thick = Path({{0, 0}, {100, 0}, {50, 10}});
  EXPECT_FALSE(IsSliverPiece(thick, AllOf(thick)));
  const auto square = Path({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  EXPECT_FALSE(IsSliverPiece(square, AllOf(square)));
  // Whichever way round the sliver runs, it yields its one triangle.
  for (bool flip : {false, true}) {
    const Cap cap = Triangulate(sliver, flip);
    EXPECT_TRUE(cap.ok);
    EXPECT_EQ(cap.triangles.size(), 1u);
  }
}

TEST(TriangulateCap, PathsOfOneOrTwoPointsHaveNoCap) {
  for (const auto& path : {Path({{10, 10}}), Path({{10, 10}, {40, 30}})}) {
    Cap cap = Triangulate(path, true);
    EXPECT_TRUE(cap.ok);
    EXPECT_TRUE(cap.polygons.empty());
    EXPECT_TRUE(cap.triangles.empty());
    EXPECT_EQ(FindReflexCorner(path, AllOf(path), true), -1);
  }
}

void ExpectSameAsPlain(const std::vector<PathPoint>& points, const std::string& what) {
  const int32_t left = Leftmost(points);
  const bool flip = FindOrientation(points, left).value_or(false);
  const Cap fast = Triangulate(points, flip);
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
    Cap cap = Triangulate(random, true);
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

}  // namespace
