#include "objpath/path_editor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace ks::objpath;
using ks::Variant;

class PathEditorTest : public ::testing::Test {
 protected:
  PathEditorTest() {
    rotation.value = Variant(true);
    extrude.value = Variant(false);
    moveBar.value = Variant(false);
    buildPath.value = Variant(true);
    check1.value = Variant(int16_t{0});
    editor.Load();
  }
  void UseExtrude() {
    rotation.value = Variant(false);
    extrude.value = Variant(true);
  }
  // A person clicks: the mouse moves onto the point, then the button goes down.
  void Click(float x, float y, int button = kLeftButton) {
    editor.Picture1_MouseMove(0, 0, x, y);
    editor.Picture1_MouseDown(button, 0, x, y);
  }
  std::vector<float> Xs() const {
    std::vector<float> xs;
    for (const PathPoint& p : editor.path.PathPoints) xs.push_back(p.X);
    return xs;
  }

  ks::Control picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath;
  int closePathClicks = 0;
  PathEditor editor{{picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath},
                    [this] { ++closePathClicks; }};
};

TEST_F(PathEditorTest, EmptyDrawingFinishedAndBackAsTheStateTableSays) {
  // Empty: another button does nothing; a left click starts a path.
  Click(30, 30, kRightButton);
  EXPECT_EQ(editor.path.LastPoint, -1);
  Click(30, 30);
  EXPECT_TRUE(editor.Drawing);
  EXPECT_EQ(picture1.value, Variant(int32_t{1}));
  // Drawing with one point: another button discards it.
  Click(30, 30, kRightButton);
  EXPECT_EQ(editor.path.LastPoint, -1);
  EXPECT_FALSE(editor.Drawing);
  EXPECT_EQ(picture1.value, Variant(int32_t{0}));
  // Drawing with more points: another button finishes; "Close Path" is enabled.
  Click(30, 30);
  Click(60, 40);
  Click(50, 90);
  EXPECT_FALSE(check1.enabled);
  Click(50, 90, kRightButton);
  EXPECT_FALSE(editor.Drawing);
  EXPECT_TRUE(check1.enabled);
  EXPECT_EQ(editor.path.LastPoint, 2);
  // Finished: another button does nothing; a left click starts a new path.
  Click(10, 10, kRightButton);
  EXPECT_EQ(editor.path.LastPoint, 2);
  Click(100, 120);
  EXPECT_EQ(Xs(), std::vector<float>{100});
  EXPECT_FALSE(check1.enabled);
  EXPECT_EQ(editor.path.MinX, 100);
  EXPECT_EQ(editor.path.MaxY, 120);
  // "Clean" from Drawing: Empty again, extents reset.
  editor.ClearPath();
  EXPECT_EQ(editor.path.LastPoint, -1);
  EXPECT_EQ(editor.path.MinX, 1000);
  EXPECT_EQ(editor.path.MaxX, -1000);
  EXPECT_EQ(editor.path.LeftmostPoint, -1);
  EXPECT_EQ(editor.Line1.size(), 1u);
  EXPECT_FALSE(editor.Line1[0].visible);
  EXPECT_FALSE(editor.Shape1[0].visible);
}

TEST_F(PathEditorTest, PointsStayOnTheSideOfTheAxisOfThePointBefore) {
  ASSERT_EQ(editor.AxisX(), 7.0f);
  Click(20, 10);
  Click(3, 20);  // across the axis: ignored
  EXPECT_EQ(Xs(), std::vector<float>{20});
  Click(7, 30);   // on the axis: accepted
  Click(3, 40);   // after a point on the axis: either side
  Click(20, 50);  // across again: ignored
  EXPECT_EQ(Xs(), (std::vector<float>{20, 7, 3}));
  // In "Extrude" mode the axis plays no part.
  editor.ClearPath();
  UseExtrude();
  Click(20, 10);
  Click(3, 20);
  EXPECT_EQ(Xs(), (std::vector<float>{20, 3}));
}

TEST_F(PathEditorTest, ExtentsRoundHalvesToEvenAndKeepTheEarliestLeftmostPoint) {
  editor.AddPathPoint(10.5f, 20.5f);
  editor.AddPathPoint(30, 40);
  editor.AddPathPoint(10.5f, 3.5f);
  editor.AddPathPoint(11.5f, 60);
  EXPECT_EQ(editor.path.LeftmostPoint, 0);
  EXPECT_EQ(editor.path.MinX, 10);
  EXPECT_EQ(editor.path.MaxX, 30);
  EXPECT_EQ(editor.path.MinY, 4);
  EXPECT_EQ(editor.path.MaxY, 60);
  EXPECT_EQ(editor.path.PathPoints[2].X, 10.5f);  // stored exactly as clicked
  EXPECT_FALSE(editor.Drawing);                   // AddPathPoint leaves Drawing alone
  editor.AddPathPoint(std::nanf(""), 3);
  editor.AddPathPoint(INFINITY, 3);
  EXPECT_EQ(editor.path.LastPoint, 3);
}

TEST_F(PathEditorTest, FractionalClicksFindTheLeftmostPointOnExactCoordinates) {
  // 10.4 rounds to MinX 10: a later 10.2 lies further left although it does
  // not beat the rounded minimum, and a later 9.9 does not lie left of 9.8
  // although it beats it.
  editor.AddPathPoint(10.4f, 5);
  editor.AddPathPoint(10.2f, 6);
  EXPECT_EQ(editor.path.LeftmostPoint, 1);
  editor.AddPathPoint(9.8f, 7);
  editor.AddPathPoint(9.9f, 8);
  editor.AddPathPoint(9.8f, 9);
  EXPECT_EQ(editor.path.LeftmostPoint, 2);
  EXPECT_EQ(editor.path.MinX, 10);
}

TEST_F(PathEditorTest, SegmentsFollowTheRubberBandAndMarkersSitOnThePoints) {
  Click(10, 10);
  editor.Picture1_MouseMove(0, 0, 25, 26);
  EXPECT_EQ(editor.Line1[0].X2, 25);
  EXPECT_EQ(editor.Line1[0].Y2, 26);
  editor.Picture1_MouseDown(kLeftButton, 0, 30, 30);  // clicked without a move first
  const LineSegment& second = editor.Line1[1];
  EXPECT_EQ((std::array<float, 4>{second.X1, second.Y1, second.X2, second.Y2}),
            (std::array<float, 4>{25, 26, 30, 30}));
  EXPECT_EQ(editor.path.PathPoints[1].X, 30);
  ASSERT_EQ(editor.Shape1.size(), 2u);
  EXPECT_EQ(editor.Shape1[1].Left, 30);
  EXPECT_EQ(editor.Shape1[1].Top, 30);
  EXPECT_TRUE(editor.Shape1[1].visible);
}

TEST_F(PathEditorTest, FinishingClosesTheExtrusionButLeavesARotationProfileOpen) {
  Click(20, 10);
  Click(40, 30);
  Click(20, 50);
  Click(20, 50, kRightButton);
  EXPECT_FALSE(editor.ClosingSegmentLoaded());
  EXPECT_EQ(closePathClicks, 0);

  UseExtrude();
  Click(20, 10);
  Click(40, 30);
  Click(20, 50);
  Click(20, 50, kRightButton);
  ASSERT_TRUE(editor.ClosingSegmentLoaded());
  const LineSegment& closing = editor.Line1[2];
  EXPECT_EQ((std::array<float, 4>{closing.X1, closing.Y1, closing.X2, closing.Y2}),
            (std::array<float, 4>{20, 10, 20, 50}));
  EXPECT_TRUE(closing.visible);

  // With "Close Path" checked, finishing runs its handling.
  check1.value = Variant(int16_t{1});
  Click(20, 10);
  Click(40, 30);
  Click(40, 30, kRightButton);
  EXPECT_EQ(closePathClicks, 1);
}

TEST_F(PathEditorTest, TheBarMovesOnlyInMoveBarModeAndStaysInsideTheArea) {
  editor.Picture3_MouseMove(kLeftButton, 0, 50, 0);
  EXPECT_EQ(editor.BarLeft, 6);  // "Build Path": the bar does not move
  editor.Option2_Click(0);
  EXPECT_FALSE(editor.BuildPathMode);
  EXPECT_TRUE(picture3.visible);
  EXPECT_FALSE(line3.visible);
  EXPECT_EQ(picture1.mousePointer, 0);
  editor.Picture3_MouseMove(kRightButton, 0, 50, 0);
  EXPECT_EQ(editor.BarLeft, 6);
  editor.Picture3_MouseMove(kLeftButton, 0, 50.5f, 0);
  EXPECT_EQ(editor.BarLeft, 56.5f);
  EXPECT_EQ(picture3.value, Variant(56.5f));
  editor.Picture3_MouseMove(kLeftButton, 0, -100, 0);
  EXPECT_EQ(editor.BarLeft, 0);
  editor.Picture3_MouseMove(kLeftButton, 0, 400, 0);
  EXPECT_EQ(editor.BarLeft, 260);
  // Clicks in "Rotation" with "Move Bar" add nothing; the axis line follows
  // the bar when "Build Path" comes back.
  Click(100, 100);
  EXPECT_EQ(editor.path.LastPoint, -1);
  editor.Option2_Click(1);
  EXPECT_TRUE(editor.BuildPathMode);
  EXPECT_FALSE(picture3.visible);
  EXPECT_TRUE(line3.visible);
  EXPECT_EQ(picture1.mousePointer, 2);
  EXPECT_EQ(editor.Line3.X1, 261);
  EXPECT_EQ(editor.Line3.X2, 261);
  // "Extrude" takes clicks whatever the bar mode.
  editor.Option2_Click(0);
  UseExtrude();
  Click(100, 100);
  EXPECT_EQ(editor.path.LastPoint, 0);
}

}  // namespace
