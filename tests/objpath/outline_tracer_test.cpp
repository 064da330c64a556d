#include "objpath/outline_tracer.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "host/person.h"
#include "host/picture_surface.h"
#include "objpath/exact_outline.h"
#include "objpath/mesh_builders.h"
#include "objpath/path_editor.h"

namespace {

using ks::PictureSurface;
using ks::objpath::OutlineTracer;
using ks::objpath::PathEditor;
using ks::objpath::TraceEnd;
using Pt = std::pair<float, float>;

constexpr int kAreaW = 266, kAreaH = 343;
constexpr int32_t kInk = 0xFFFFFF;

// Counts the turns the tracer gives the interface and follows the pointer.
class WatchingPerson : public ks::HeadlessPerson {
 public:
  int yields = 0;
  std::vector<int> pointers;
  std::function<void(int)> onYield;  // runs "user events" at the n-th turn (1-based)
  void SetScreenPointer(int p) override { pointers.push_back(p); }
  void DoEvents() override {
    ++yields;
    if (onYield) onYield(yields);
  }
};

class TracerTest : public ::testing::Test {
 protected:
  ks::Control picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath;
  PathEditor editor{{picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath}, {}};
  PictureSurface area{kAreaW, kAreaH, 0};
  WatchingPerson person;
  ks::objpath::TraceSteps steps;

  void SetUp() override {
    ks::objpath::FillTraceSteps(steps);
    editor.Load();
    extrude.value = ks::Variant(true);
    rotation.value = ks::Variant(false);
  }
  void Fill(int left, int top, int right, int bottom) {
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) area.SetPixel(x, y, kInk);
  }
  TraceEnd Trace() {
    editor.ClearPath();
    OutlineTracer tracer(area, steps, editor, person);
    return tracer.TraceOutline();
  }
  std::vector<Pt> Points() const {
    std::vector<Pt> out;
    for (const auto& p : editor.path.PathPoints) out.push_back({p.X, p.Y});
    return out;
  }
  Pt Start(int i) const { return {editor.Line1[i].X1, editor.Line1[i].Y1}; }
  Pt End(int i) const { return {editor.Line1[i].X2, editor.Line1[i].Y2}; }
  // The hourglass shows during the trace and the default pointer comes back.
  void ExpectHourglassReset() const {
    EXPECT_EQ(person.pointers, (std::vector<int>{ks::kPointerHourglass, ks::kPointerDefault}));
  }
};

TEST_F(TracerTest, FilledRectangleGivesItsCornersAndAClosedPath) {
  Fill(10, 10, 20, 30);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  // Clockwise from the start east of the first ink pixel; the first ink pixel
  // itself becomes a point when the walk comes back through it.
  EXPECT_EQ(Points(), (std::vector<Pt>{{20, 10}, {20, 30}, {10, 30}, {10, 10}}));
  EXPECT_EQ(editor.path.LeftmostPoint, 2);
  EXPECT_EQ(editor.path.MinX, 10);
  EXPECT_EQ(editor.path.MaxY, 30);
  // Each segment runs from its point to the next; the last one closes the path.
  EXPECT_EQ(Start(0), (Pt{20, 10}));
  EXPECT_EQ(End(0), (Pt{20, 30}));
  EXPECT_EQ(Start(2), (Pt{10, 30}));
  EXPECT_EQ(End(2), (Pt{10, 10}));
  EXPECT_EQ(Start(3), (Pt{20, 10}));
  EXPECT_EQ(End(3), (Pt{10, 10}));
  EXPECT_TRUE(editor.Line1[3].visible);
  // A trace leaves the editor finished-like but not drawing, "Close Path" off.
  EXPECT_FALSE(editor.Drawing);
  EXPECT_FALSE(check1.enabled);
  ExpectHourglassReset();
}

TEST_F(TracerTest, ThePixelRightAfterAPointIsNeverAPoint) {
  // A 2 × 2 square turns at every pixel; (5, 6) follows the point (6, 6).
  Fill(5, 5, 6, 6);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{6, 6}, {5, 5}}));
}

TEST_F(TracerTest, ThinShapesTurnAtTheirEnds) {
  // A one-pixel-wide vertical line: the walk starts below the first ink pixel,
  // turns at the bottom end, which is the only point, and closes on the way up.
  Fill(5, 5, 5, 15);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{5, 15}}));
  EXPECT_EQ(Start(0), (Pt{5, 15}));
  EXPECT_EQ(End(0), (Pt{5, 15}));

  // Two pixels: one point, at the first ink pixel, and the path closes at once.
  area.Clear();
  Fill(40, 40, 41, 40);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{40, 40}}));

  // A diagonal pair works the same way through the corner neighbour.
  area.Clear();
  Fill(40, 40, 40, 40);
  Fill(41, 41, 41, 41);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{40, 40}}));
}

TEST_F(TracerTest, InkTouchingTheEdgesIsTracedAlongThem) {
  // Outside the area reads as background, so a full area is one big rectangle.
  Fill(0, 0, kAreaW - 1, kAreaH - 1);
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{265, 0}, {265, 342}, {0, 342}, {0, 0}}));
}

TEST_F(TracerTest, OnlyTheFirstShapeIsTraced) {
  Fill(100, 100, 120, 120);
  Fill(30, 200, 40, 205);  // further left: this one is first
  EXPECT_EQ(Trace(), TraceEnd::Closed);
  EXPECT_EQ(Points(), (std::vector<Pt>{{40, 200}, {40, 205}, {30, 205}, {30, 200}}));
}

TEST_F(TracerTest, NothingToTraceLeavesThePathEmptyAndResetsTheHourglass) {
  EXPECT_EQ(Trace(), TraceEnd::NoInk);
  EXPECT_EQ(editor.path.LastPoint, -1);
  // The search gives the interface a turn after every column, 0 to the width.
  EXPECT_EQ(person.yields, kAreaW + 1);
  ExpectHourglassReset();

  person.pointers.clear();
  area.SetPixel(50, 60, kInk);  // a lone ink pixel has no outline
  EXPECT_EQ(Trace(), TraceEnd::NoOutline);
  EXPECT_EQ(editor.path.LastPoint, -1);
  ExpectHourglassReset();
}

TEST_F(TracerTest, EveryStepOfTheWalkGivesTheInterfaceATurn) {
  Fill(10, 10, 20, 30);
  // Columns 0 to 9 hold no ink; the outline has 2 × (11 + 21) - 4 = 60 pixels,
  // and the walk yields after each step but the last.
  Trace();
  EXPECT_EQ(person.yields, 10 + 59);
}

TEST_F(TracerTest, AClosedDialogEndsTheTrace) {
  Fill(10, 10, 20, 30);
  editor.ClearPath();
  OutlineTracer tracer(area, steps, editor, person);
  tracer.stopRequested = [this] { return person.yields >= 20; };
  EXPECT_EQ(tracer.TraceOutline(), TraceEnd::Interrupted);
  EXPECT_EQ(person.yields, 20);
  EXPECT_EQ(Points(), (std::vector<Pt>{{20, 10}}));  // kept as found so far
  ExpectHourglassReset();
}

TEST_F(TracerTest, AWalkThatCannotReachItsStartEndsAfterOneRound) {
  // The start pixel (11, 10) is erased as soon as the walk has left it (its
  // first turn after the ten empty columns), as a picture changed by the user
  // meanwhile would: the walk circles the rest of the shape for ever.
  Fill(10, 10, 20, 30);
  person.onYield = [this](int n) {
    if (n == 11) area.SetPixel(11, 10, 0);
  };
  EXPECT_EQ(Trace(), TraceEnd::Runaway);
  ExpectHourglassReset();
  // The points of one round are kept, none twice, and the path is not closed.
  std::vector<Pt> points = Points();
  ASSERT_GE(points.size(), 4u);
  EXPECT_EQ(std::vector<Pt>(points.begin(), points.begin() + 4),
            (std::vector<Pt>{{20, 10}, {20, 30}, {10, 30}, {10, 10}}));
  EXPECT_EQ(std::set<Pt>(points.begin(), points.end()).size(), points.size());
  EXPECT_LT(person.yields, 200);
}

// Pictures whose outline does not cross itself (any set of pixels: the walk
// follows its boundary) give traced paths that do not cross either and that
// extrude: random blobs, and boxes joined by thin diagonal bridges.
TEST_F(TracerTest, TracedOutlinesOfRandomBlobsAndDiagonalBridgesNeverCross) {
  auto expectBuilds = [this](const std::string& what) {
    SCOPED_TRACE(what);
    const TraceEnd end = Trace();
    ASSERT_TRUE(end == TraceEnd::Closed || end == TraceEnd::NoOutline) << int(end);
    const auto& points = editor.path.PathPoints;
    std::vector<int32_t> list(points.size());
    std::iota(list.begin(), list.end(), 0);
    EXPECT_FALSE(ks::objpath::ExactOutline(points, list).EdgesCrossProperly());
    ks::objpath::MeshArrays mesh;
    EXPECT_NE(ks::objpath::BuildExtrusion(editor.path, {}, mesh),
              ks::objpath::BuildOutcome::CapError);
  };
  std::mt19937 random(19);
  for (int round = 0; round < 300; ++round) {
    area.Clear();
    const int size = 4 + round % 20;
    std::bernoulli_distribution ink(0.35 + 0.1 * (round % 4));
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x)
        if (ink(random)) area.SetPixel(50 + x, 50 + y, kInk);
    expectBuilds("blob " + std::to_string(round));
  }
  // Two boxes joined corner to corner by a one-pixel diagonal, either way,
  // of every length up to eight pixels, with boxes of several sizes.
  for (int length = 0; length <= 8; ++length)
    for (int box = 1; box <= 4; ++box)
      for (int down : {1, -1}) {
        area.Clear();
        const int x0 = 40, y0 = 100;
        Fill(x0, y0, x0 + box - 1, y0 + box - 1);
        int x = x0 + box - 1, y = down > 0 ? y0 + box - 1 : y0;
        for (int k = 0; k < length; ++k) area.SetPixel(x += 1, y += down, kInk);
        const int bx = x + 1, by = down > 0 ? y + 1 : y - box;
        Fill(bx, by, bx + box - 1, by + box - 1);
        expectBuilds("bridge " + std::to_string(length) + " box " + std::to_string(box) +
                     (down > 0 ? " down" : " up"));
      }
}

TEST_F(TracerTest, NextOutlinePixelNeedsBackgroundBeforeInk) {
  OutlineTracer tracer(area, steps, editor, person);
  int32_t nx = 0, ny = 0, dir = -1;
  // No neighbours at all, or all eight ink: no next pixel.
  area.SetPixel(50, 50, kInk);
  EXPECT_FALSE(tracer.NextOutlinePixel(50, 50, nx, ny, 0, dir));
  Fill(49, 49, 51, 51);
  EXPECT_FALSE(tracer.NextOutlinePixel(50, 50, nx, ny, 0, dir));
  // Ink met before any background is passed over, then tried once more last:
  // here only south-east (index 5, examined first) is ink.
  area.Clear();
  area.SetPixel(50, 50, kInk);
  area.SetPixel(51, 51, kInk);
  ASSERT_TRUE(tracer.NextOutlinePixel(50, 50, nx, ny, 0, dir));
  EXPECT_EQ(dir, 5);
  EXPECT_EQ(nx, 51);
  EXPECT_EQ(ny, 51);
}

}  // namespace
