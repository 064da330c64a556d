#include "objpath/mesh_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "objpath/path_editor.h"
#include "tests/objpath/objpath_fakes.h"

namespace {

using namespace ks::objpath;
using Longs = std::vector<int32_t>;

// A path clicked into a detached editor, so extents and the leftmost point
// are found as the dialog finds them.
class Clicked {
 public:
  explicit Clicked(std::initializer_list<std::array<float, 2>> points) {
    for (const auto& p : points) editor_.AddPathPoint(p[0], p[1]);
  }
  const PathState& path() const { return editor_.path; }

 private:
  ks::Control controls_[8];
  PathEditor editor_{{controls_[0], controls_[1], controls_[2], controls_[3], controls_[4],
                      controls_[5], controls_[6], controls_[7]},
                     {}};
};

Longs Slice(const Longs& v, size_t from, size_t count) {
  return Longs(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(from + count));
}

// Vertex i as x, y, z.
std::array<float, 3> Vertex(const MeshArrays& m, int i) {
  return {m.Vertices[3 * i], m.Vertices[3 * i + 1], m.Vertices[3 * i + 2]};
}

TEST(BuildExtrusion, SquareGivesBottomCapTopCapAndSidesInOrder) {
  const Clicked square({{10, 10}, {50, 10}, {50, 50}, {10, 50}});
  MeshArrays mesh;
  ASSERT_EQ(BuildExtrusion(square.path(), BuildSettings{}, mesh), BuildOutcome::Built);
  EXPECT_TRUE(mesh.PathFlip);
  // Centred on the path's extents, 5 model units per pixel, x mirrored.
  EXPECT_EQ(mesh.Vertices, (std::vector<float>{100, -100, -100, -100, -100, -100, -100, -100,
                                               100, 100,  -100, 100,  100,  100,  -100, -100,
                                               100, -100, -100, 100,  100,  100,  100,  100}));
  EXPECT_EQ(mesh.Polygons, (Longs{3, 3, 2, 0, 3, 2, 1, 0,                       // bottom cap
                                  3, 4, 6, 7, 3, 4, 5, 6,                       // top cap
                                  4, 4, 0, 1, 5, 4, 5, 1, 2, 6, 4, 6, 2, 3, 7,  // sides
                                  4, 7, 3, 0, 4}));                             // closing side
  EXPECT_EQ(mesh.LastVertex, 7);
}

TEST(BuildExtrusion, CounterClockwiseSquareWindsTheOtherWay) {
  const Clicked square({{10, 10}, {10, 50}, {50, 50}, {50, 10}});
  MeshArrays mesh;
  ASSERT_EQ(BuildExtrusion(square.path(), BuildSettings{}, mesh), BuildOutcome::Built);
  EXPECT_FALSE(mesh.PathFlip);
  EXPECT_EQ(mesh.Polygons, (Longs{3, 0, 2, 3, 3, 0, 1, 2,                       // bottom cap
                                  3, 7, 6, 4, 3, 6, 5, 4,                       // top cap
                                  4, 4, 5, 1, 0, 4, 5, 6, 2, 1, 4, 6, 7, 3, 2,  // sides
                                  4, 7, 4, 0, 3}));                             // closing side
}

TEST(BuildExtrusion, LShapeIsCutIntoTwoConvexPieces) {
  const Clicked l({{10, 60}, {10, 10}, {30, 10}, {30, 40}, {60, 40}, {60, 60}});
  MeshArrays mesh;
  ASSERT_EQ(BuildExtrusion(l.path(), BuildSettings{}, mesh), BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 36u);
  EXPECT_EQ(mesh.Polygons,
            (Longs{3, 5, 4,  0,  3, 4,  3, 0,  3,  3, 2,  0, 3, 2, 1, 0,  // bottom: outer, inner
                   3, 6, 10, 11, 3, 6,  9, 10, 3,  6, 8,  9, 3, 6, 7, 8,  // top
                   4, 6, 0,  1,  7, 4,  7, 1,  2,  8, 4,  8, 2, 3, 9, 4,
                   9, 3, 4,  10, 4, 10, 4, 5,  11, 4, 11, 5, 0, 6}));
}

TEST(BuildExtrusion, OddHeightsRoundTheirHalfToEven) {
  const Clicked square({{10, 10}, {50, 10}, {50, 50}, {10, 50}});
  for (auto [height, bottom, top] :
       {std::tuple{41, -100.0f, 105.0f}, std::tuple{1, 0.0f, 5.0f}, std::tuple{3, -10.0f, 5.0f},
        std::tuple{40, -100.0f, 100.0f}}) {
    BuildSettings settings;
    settings.ExtrudeHeight = height;
    MeshArrays mesh;
    ASSERT_EQ(BuildExtrusion(square.path(), settings, mesh), BuildOutcome::Built);
    EXPECT_EQ(Vertex(mesh, 0)[1], bottom) << height;
    EXPECT_EQ(Vertex(mesh, 4)[1], top) << height;
  }
}

TEST(BuildExtrusion, CrossingEdgesStopAfterTheBottomRing) {
  const Clicked bowTie({{10, 10}, {50, 50}, {50, 10}, {10, 50}});
  MeshArrays mesh;
  EXPECT_EQ(BuildExtrusion(bowTie.path(), BuildSettings{}, mesh), BuildOutcome::CapError);
  EXPECT_TRUE(mesh.CapError);
  EXPECT_EQ(mesh.Vertices.size(), 12u);  // the top ring is never written
}

TEST(BuildExtrusion, ShortPathsHaveNoCap) {
  MeshArrays mesh;
  EXPECT_EQ(BuildExtrusion(Clicked({{10, 10}}).path(), BuildSettings{}, mesh),
            BuildOutcome::NothingToBuild);
  EXPECT_TRUE(mesh.Vertices.empty());
  EXPECT_TRUE(mesh.Polygons.empty());
  // Two points: a wall with a face to each side, no cap.
  ASSERT_EQ(BuildExtrusion(Clicked({{10, 10}, {50, 30}}).path(), BuildSettings{}, mesh),
            BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 12u);
  EXPECT_TRUE(mesh.CapTriangles.empty());
  EXPECT_EQ(mesh.Polygons, mesh.PathFlip ? (Longs{4, 2, 0, 1, 3, 4, 3, 1, 0, 2})
                                         : (Longs{4, 2, 3, 1, 0, 4, 3, 2, 0, 1}));
}

class RotationTest : public ::testing::Test {
 protected:
  RotationTest() { BuildTrigTables(trig); }
  BuildOutcome Build(const PathState& path) { return BuildRotation(path, settings, trig, mesh); }
  size_t Quads() const {
    size_t quads = 0;
    for (size_t i = 0; i < mesh.Polygons.size(); i += 1 + mesh.Polygons[i]) {
      EXPECT_EQ(mesh.Polygons[i], 4);
      ++quads;
    }
    return quads;
  }
  TrigTables trig;
  BuildSettings settings;
  MeshArrays mesh;
  const Clicked profile{{{20, 10}, {40, 30}, {20, 50}}};  // axis at x = 7
};

TEST_F(RotationTest, DefaultsGiveEightPositionsAndAClosedSurface) {
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  ASSERT_EQ(mesh.Vertices.size(), 24u * 3);
  EXPECT_EQ(Quads(), 16u);
  EXPECT_TRUE(mesh.PathFlip);
  // Point 0 (r = 13, 20 above the profile's middle) at 0 and at 90 degrees.
  EXPECT_EQ(Vertex(mesh, 0), (std::array<float, 3>{-0.0f, 100, 65}));
  EXPECT_NEAR(Vertex(mesh, 2)[0], -65, 1e-4);
  EXPECT_NEAR(Vertex(mesh, 2)[2], 0, 1e-4);
  // Point 1 at position 4 (180 degrees): r = 33, at the profile's middle.
  EXPECT_NEAR(Vertex(mesh, 12)[0], 0, 1e-4);
  EXPECT_EQ(Vertex(mesh, 12)[1], 0);
  EXPECT_NEAR(Vertex(mesh, 12)[2], -165, 1e-4);
  // Segment 0-1: quads between positions, then the one joining 315 to 0.
  EXPECT_EQ(Slice(mesh.Polygons, 0, 5), (Longs{4, 1, 9, 8, 0}));
  EXPECT_EQ(Slice(mesh.Polygons, 30, 5), (Longs{4, 7, 15, 14, 6}));
  EXPECT_EQ(Slice(mesh.Polygons, 35, 5), (Longs{4, 15, 7, 0, 8}));
  EXPECT_EQ(Slice(mesh.Polygons, 40, 5), (Longs{4, 9, 17, 16, 8}));

  settings.ClosePath = true;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  EXPECT_EQ(Quads(), 24u);
  EXPECT_EQ(Slice(mesh.Polygons, 16 * 5, 5), (Longs{4, 17, 1, 0, 16}));  // segment 2-0
}

TEST_F(RotationTest, OpenSeamLeavesOutTheQuadsJoiningTheLastPositionToTheFirst) {
  settings.CloseLastPolygons = false;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 24u * 3);
  EXPECT_EQ(Quads(), 14u);
  // No quad joins position 7 (315 degrees) to position 0.
  for (size_t i = 0; i < mesh.Polygons.size(); i += 5) {
    bool at315 = false, at0 = false;
    for (size_t c = 1; c <= 4; ++c) {
      at315 |= mesh.Polygons[i + c] % 8 == 7;
      at0 |= mesh.Polygons[i + c] % 8 == 0;
    }
    EXPECT_FALSE(at315 && at0) << "quad " << i / 5;
  }
}

TEST_F(RotationTest, HalfTurnOfEightSectionsStepsTwentyTwoDegrees) {
  settings.YRotation = 180;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 3u * 9 * 3);  // positions 0, 22, …, 176
  EXPECT_EQ(Quads(), 2u * 9);
  const float r = 13, angle = 176 * static_cast<float>(M_PI) / 180;
  EXPECT_NEAR(Vertex(mesh, 8)[0], -5 * r * std::sin(angle), 1e-3);
  EXPECT_NEAR(Vertex(mesh, 8)[2], 5 * r * std::cos(angle), 1e-3);
}

TEST_F(RotationTest, APointOnTheAxisGivesCoincidentVertices) {
  const Clicked onAxis({{7, 10}, {30, 30}, {7, 50}});
  ASSERT_EQ(Build(onAxis.path()), BuildOutcome::Built);
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(std::abs(Vertex(mesh, k)[0]), 0.0f);
    EXPECT_EQ(Vertex(mesh, k)[1], 100.0f);
    EXPECT_EQ(std::abs(Vertex(mesh, k)[2]), 0.0f);
  }
}

TEST_F(RotationTest, AStepThatRoundsToZeroDegreesBecomesOneDegree) {
  EXPECT_EQ(ComputeRotationSteps(3, 8).step, 1);
  EXPECT_EQ(ComputeRotationSteps(3, 8).count, 3);
  EXPECT_EQ(ComputeRotationSteps(4, 8).step, 1);  // 0.5 rounds to 0
  EXPECT_EQ(ComputeRotationSteps(4, 8).count, 4);
  EXPECT_EQ(ComputeRotationSteps(360, 0).step, 1);
  EXPECT_EQ(ComputeRotationSteps(360, 7).step, 51);
  EXPECT_EQ(ComputeRotationSteps(360, 7).count, 8);  // 0 … 357
  EXPECT_EQ(ComputeRotationSteps(0, 8).count, 0);
  settings.YRotation = 3;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 3u * 3 * 3);
}

TEST_F(RotationTest, TranslationGrowsWithTheAngle) {
  settings.TranslationX = 80;
  settings.TranslationY = -16;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  // Position 7 is 315 degrees: offset T × 315 / 8.
  EXPECT_NEAR(Vertex(mesh, 7)[0], -65 * std::sin(315 * M_PI / 180) + 80.0 / 8 * 315, 1e-3);
  EXPECT_NEAR(Vertex(mesh, 7)[1], 100 - 16.0 / 8 * 315, 1e-3);
}

TEST_F(RotationTest, ShortPathsAndLeftoversOfAFailedExtrusion) {
  EXPECT_EQ(Build(Clicked({{20, 10}}).path()), BuildOutcome::NothingToBuild);
  // A refused extrusion leaves cap triangles behind; a rotation that writes no
  // polygon must not hand them over.
  ASSERT_EQ(
      BuildExtrusion(Clicked({{10, 10}, {50, 50}, {50, 10}, {10, 50}}).path(), settings, mesh),
      BuildOutcome::CapError);
  settings.YRotation = 1;
  settings.CloseLastPolygons = false;
  ASSERT_EQ(Build(profile.path()), BuildOutcome::Built);
  EXPECT_EQ(mesh.Vertices.size(), 9u);
  EXPECT_TRUE(mesh.Polygons.empty());
}

TEST(HandOver, GivesTheArraysThenNamesColoursAndSmooths) {
  auto object = std::make_shared<objpath_test::RecordingMesh>();
  MeshArrays mesh;
  mesh.Vertices = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  mesh.Polygons = {3, 0, 1, 2};
  HandOver(object, mesh);
  EXPECT_EQ(object->calls, (std::vector<std::string>{"Add_Vertices", "Add_Poligons", "Name",
                                                     "DefaultColor", "SmoothNormalsAdaptive"}));
  EXPECT_EQ(object->vertices, mesh.Vertices);
  EXPECT_EQ(object->polygons, mesh.Polygons);
  EXPECT_EQ(object->name, "ObjPath");
  EXPECT_EQ(object->color, 0 + 256 * 128 + 65536 * 192);
  EXPECT_EQ(object->smoothAngle, 50);

  // Empty arrays are not handed over; a refused array is reported.
  auto other = std::make_shared<objpath_test::RecordingMesh>();
  MeshArrays empty;
  HandOver(other, empty);
  EXPECT_EQ(other->calls.front(), "Name");
  other->refuseVertices = true;
  EXPECT_THROW(HandOver(other, mesh), ks::ComError);
}

}  // namespace
