// Correcting a drawn path in the dialog: undo and redo of every edit, moving,
// removing and inserting points, snapping, refused points told in the status
// line and crossing segments marked after a refused build.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/registry_store.h"
#include "objpath/frm_obj_path.h"
#include "tests/objpath/objpath_fakes.h"

namespace {

using namespace ks::objpath;
using ks::Variant;
using objpath_test::FakeGrid;
using objpath_test::RecordingMesh;
using Pt = std::pair<float, float>;

class CorrectionsTest : public ::testing::Test {
 protected:
  CorrectionsTest() {
    rt.RegisterClass("KsControls.KsProperties",
                     [](ks::Runtime&) { return std::make_shared<FakeGrid>(); });
    rt.SetPerson(person);
    dialog = std::make_unique<frmObjPath>(rt);
    dialog->Object3D = object;
    dialog->Fire("Form_Load");
  }
  void Fire(const char* event, std::vector<Variant> args = {}) { dialog->Fire(event, args); }
  void Mouse(const char* event, int button, int shift, float x, float y) {
    Fire(event, {Variant(int16_t(button)), Variant(int16_t(shift)), Variant(x), Variant(y)});
  }
  void Click(float x, float y, int button = 1, int shift = 0) {
    Mouse("Picture1_MouseMove", 0, shift, x, y);
    Mouse("Picture1_MouseDown", button, shift, x, y);
  }
  void Draw(std::vector<Pt> points) {
    for (auto [x, y] : points) Click(x, y);
    Click(points.back().first, points.back().second, 2);
  }
  void Move(int index, float x, float y, bool dragStart = true, int shift = 0) {
    Fire("Picture1_MovePoint", {Variant(int32_t{index}), Variant(int16_t(shift)), Variant(x),
                                Variant(y), Variant(dragStart)});
  }
  void Delete(int index) { Fire("Picture1_DeletePoint", {Variant(int32_t{index})}); }
  void SetRow(const char* grid, int32_t row, Variant value) {
    std::vector<Variant> args{Variant(row), std::move(value)};
    ks::CallId(dialog->FindControl(grid)->value.ToObject(), ks::grid::kSetRowValue, args);
  }
  std::vector<Pt> Points() const {
    std::vector<Pt> out;
    for (const auto& p : dialog->Path().PathPoints) out.push_back({p.X, p.Y});
    return out;
  }
  // Everything a person sees of the edit: points, drawing, settings. The
  // rubber band is left out: it follows the mouse, wherever an undo leaves it.
  struct Seen {
    PathState path;
    frmObjPath::AreaContents area;
    bool drawing;
    Variant closePath;
    BuildSettings settings;
    bool operator==(const Seen&) const = default;
  };
  Seen Look() const {
    Seen seen{dialog->Path(), dialog->DrawingArea(), dialog->Editor().Drawing, dialog->Check1.value,
              dialog->settings};
    if (seen.drawing) seen.area.segments.pop_back();
    return seen;
  }

  objpath_test::TempRegistry registry;
  ks::Runtime rt{registry.file};
  std::shared_ptr<objpath_test::TestPerson> person = std::make_shared<objpath_test::TestPerson>();
  std::shared_ptr<RecordingMesh> object = std::make_shared<RecordingMesh>();
  std::unique_ptr<frmObjPath> dialog;
};

// Every kind of edit, one after another; undo walks back through each state
// seen, redo forward again, and a new edit after an undo drops the redo.
TEST_F(CorrectionsTest, UndoAndRedoWalkBackAndForthThroughEveryEdit) {
  std::vector<Seen> seen{Look()};
  const std::vector<std::pair<const char*, std::function<void()>>> edits = {
      {"first point", [&] { Click(20, 20); }},
      {"second point", [&] { Click(60, 30); }},
      {"third point", [&] { Click(50, 90); }},
      {"finish", [&] { Click(50, 90, 2); }},
      {"close path",
       [&] {
         dialog->Check1.value = Variant(int16_t{1});
         Fire("Check1_Click");
       }},
      {"drag a point",
       [&] {
         Move(1, 70, 35, true);
         Move(1, 80, 40, false);
         Move(1, 90, 45, false);
       }},
      {"delete a point", [&] { Delete(2); }},
      {"insert on a segment", [&] { Click(55, 32, 1, 2); }},
      {"sections", [&] { SetRow("KsProperties1", 0, Variant(int32_t{24})); }},
      {"bar",
       [&] {
         Fire("Option2_Click", {Variant(int16_t{0})});
         for (float dx : {3.0f, 4.0f, 2.0f}) Mouse("Picture3_MouseMove", 1, 0, dx, 0);
         Fire("Option2_Click", {Variant(int16_t{1})});
       }},
      {"a stray click starts a new path", [&] { Click(200, 200); }},
      {"clean", [&] { Fire("cmdClean_Click"); }},
  };
  for (const auto& [what, edit] : edits) {
    edit();
    EXPECT_NE(Look(), seen.back()) << what << " changed nothing";
    seen.push_back(Look());
  }
  EXPECT_TRUE(dialog->cmdUndo.enabled);
  EXPECT_FALSE(dialog->cmdRedo.enabled);
  for (size_t i = seen.size() - 1; i-- > 0;) {
    Fire("cmdUndo_Click");
    EXPECT_EQ(Look(), seen[i]) << "undo back before: " << edits[i].first;
  }
  EXPECT_FALSE(dialog->cmdUndo.enabled);
  Fire("cmdUndo_Click");  // nothing more to undo: nothing changes
  EXPECT_EQ(Look(), seen[0]);
  for (size_t i = 1; i < seen.size(); ++i) {
    Fire("cmdRedo_Click");
    EXPECT_EQ(Look(), seen[i]) << "redo: " << edits[i - 1].first;
  }
  // Back to the finished path, then a new edit: nothing to redo any more.
  for (int i = 0; i < 2; ++i) Fire("cmdUndo_Click");
  EXPECT_EQ(Look(), seen[seen.size() - 3]);
  Delete(0);
  EXPECT_FALSE(dialog->cmdRedo.enabled);
}

// What was corrected builds exactly what clicking the corrected points gives.
TEST_F(CorrectionsTest, ACorrectedPathBuildsAsIfClickedThatWay) {
  auto build = [&](const std::function<void()>& draw) {
    dialog = std::make_unique<frmObjPath>(rt);
    auto mesh = std::make_shared<RecordingMesh>();
    dialog->Object3D = mesh;
    dialog->Fire("Form_Load");
    Fire("Option1_Click", {Variant(int16_t{1})});  // "Extrude"
    draw();
    Fire("cmdGetObj_Click");
    EXPECT_TRUE(dialog->Closed());
    return std::pair{mesh->vertices, mesh->polygons};
  };
  const auto corrected = build([&] {
    Draw({{10, 10}, {100, 12}, {90, 90}, {40, 200}, {15, 80}});
    Move(1, 110, 15);        // dragged
    Delete(3);               // removed
    Click(52.5f, 85, 1, 2);  // inserted on the segment from (90, 90) to (15, 80)
  });
  const auto clicked = build([&] { Draw({{10, 10}, {110, 15}, {90, 90}, {52.5f, 85}, {15, 80}}); });
  EXPECT_EQ(corrected, clicked);
  EXPECT_FALSE(corrected.first.empty());
}

TEST_F(CorrectionsTest, PointsAcrossTheAxisAreRefusedAndTheStatusLineSaysSo) {
  // The axis stands at x = 7: after a point at x = 20, x = 3 is across it.
  Click(20, 20);
  Click(3, 40);
  EXPECT_EQ(Points(), (std::vector<Pt>{{20, 20}}));
  EXPECT_NE(dialog->lblStatus.caption.find("(3, 40)"), std::string::npos)
      << dialog->lblStatus.caption;
  EXPECT_NE(dialog->lblStatus.caption.find("axis"), std::string::npos);
  Click(30, 40);
  EXPECT_EQ(dialog->lblStatus.caption, "");  // the next edit clears it
  Click(30, 40, 2);
  // Moving or inserting across the axis is refused the same way.
  Move(1, 2, 40);
  Click(25, 30, 1, 2);  // on the segment: inserts there
  EXPECT_EQ(Points(), (std::vector<Pt>{{20, 20}, {25, 30}, {30, 40}}));
  Move(0, 1, 20);
  EXPECT_EQ(Points(), (std::vector<Pt>{{20, 20}, {25, 30}, {30, 40}}));
  EXPECT_NE(dialog->lblStatus.caption.find("(1, 20)"), std::string::npos);
  EXPECT_FALSE(dialog->cmdRedo.enabled);
}

TEST_F(CorrectionsTest, ARefusedBuildMarksTheCrossingSegmentsUntilTheNextEdit) {
  Fire("Option1_Click", {Variant(int16_t{1})});
  // A bow tie: (10,10)-(50,50) crosses (50,10)-(10,50); the other two do not.
  Draw({{10, 10}, {50, 50}, {50, 10}, {10, 50}});
  EXPECT_TRUE(dialog->DrawingArea().crossing.empty());
  Fire("cmdGetObj_Click");
  EXPECT_FALSE(dialog->Closed());
  const auto crossing = dialog->DrawingArea().crossing;
  ASSERT_EQ(crossing.size(), 2u);
  for (const LineSegment& s : crossing)
    EXPECT_TRUE((s.X1 == 10 && s.Y1 == 10 && s.X2 == 50 && s.Y2 == 50) ||
                (s.X1 == 50 && s.Y1 == 10 && s.X2 == 10 && s.Y2 == 50))
        << s.X1 << "," << s.Y1 << " " << s.X2 << "," << s.Y2;
  EXPECT_NE(dialog->lblStatus.caption, "");
  // Swapping two points mends it: the marks go, and the object builds.
  Move(1, 50, 10);
  Move(2, 50, 50);
  EXPECT_TRUE(dialog->DrawingArea().crossing.empty());
  Fire("cmdGetObj_Click");
  EXPECT_TRUE(dialog->Closed());
}

TEST_F(CorrectionsTest, SnapPutsPointsOnTheGridUnlessShiftIsHeld) {
  dialog->chkSnap.value = Variant(int16_t{1});
  Fire("chkSnap_Click");
  Click(23, 38);        // nearest crossing of the lines at 1, 21, 41, ...
  Click(70, 52, 1, 1);  // Shift: exactly where clicked
  Click(130.9f, 9, 1);
  Move(0, 47, 59);
  EXPECT_EQ(Points(), (std::vector<Pt>{{41, 61}, {70, 52}, {121, 1}}));
  EXPECT_EQ(dialog->DrawingArea().segments.back().X2, 121);  // the band ends at the point
}

TEST_F(CorrectionsTest, DeletingKeepsTheStateOfThePathAndEmptiesOneTooShortToStand) {
  Fire("Option1_Click", {Variant(int16_t{1})});
  Draw({{10, 10}, {50, 10}, {50, 50}});
  Delete(1);
  EXPECT_EQ(Points(), (std::vector<Pt>{{10, 10}, {50, 50}}));
  EXPECT_FALSE(dialog->Editor().Drawing);
  EXPECT_TRUE(dialog->Check1.enabled);
  // The closing segment still runs back from the last point to the first.
  const auto segments = dialog->DrawingArea().segments;
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[1], (LineSegment{10, 10, 50, 50, true, true}));
  Delete(0);
  EXPECT_EQ(dialog->Path().LastPoint, -1);
  EXPECT_TRUE(dialog->DrawingArea().segments.empty());
  // While drawing, the rubber band still follows from the new last point.
  Click(100, 100);
  Click(150, 100);
  Mouse("Picture1_MouseMove", 0, 0, 160, 130);
  Delete(1);
  EXPECT_TRUE(dialog->Editor().Drawing);
  EXPECT_EQ(dialog->DrawingArea().segments.back(), (LineSegment{100, 100, 160, 130, true, true}));
  Delete(7);  // no such point
  EXPECT_EQ(Points(), (std::vector<Pt>{{100, 100}}));
}

// The settings a person chose come back at the next opening on the desktop;
// a scripted run (no desktop) starts from the defaults and keeps nothing.
TEST_F(CorrectionsTest, ChosenSettingsComeBackAtTheNextOpeningOnTheDesktopOnly) {
  auto reopen = [&](const std::function<void()>& whileClosed = {}) {
    dialog->Fire("cmdCancel_Click");
    if (whileClosed) whileClosed();
    dialog = std::make_unique<frmObjPath>(rt);
    dialog->Fire("Form_Load");
  };
  person->desktop = true;
  reopen();
  EXPECT_EQ(dialog->settings.Sections, 8);  // nothing kept yet: the defaults
  SetRow("KsProperties1", 0, Variant(int32_t{36}));
  SetRow("KsProperties1", 1, Variant(int32_t{270}));
  SetRow("KsProperties1", 2, Variant(int16_t{1}));  // "False"
  dialog->Check1.value = Variant(int16_t{1});
  Fire("Option1_Click", {Variant(int16_t{1})});
  SetRow("KsProperties3", 0, Variant(int32_t{75}));
  reopen();
  EXPECT_EQ(dialog->settings.Sections, 36);
  EXPECT_EQ(dialog->settings.YRotation, 270);
  EXPECT_FALSE(dialog->settings.CloseLastPolygons);
  EXPECT_EQ(dialog->settings.ExtrudeHeight, 75);
  EXPECT_EQ(dialog->Check1.value, Variant(int16_t{1}));
  EXPECT_TRUE(dialog->Option1_1.value.ToBool());
  EXPECT_TRUE(dialog->KsProperties3.enabled);
  EXPECT_FALSE(dialog->KsProperties1.enabled);
  // The grids show them too, and opening is no edit to undo.
  auto& rotation = dynamic_cast<FakeGrid&>(*dialog->Grid(1));
  EXPECT_EQ(rotation.rows[0].value.ToLong(), 36);
  EXPECT_EQ(dynamic_cast<FakeGrid&>(*dialog->Grid(3)).rows[0].value.ToLong(), 75);
  EXPECT_FALSE(dialog->cmdUndo.enabled);

  // Values outside the grids' ranges read as the defaults.
  reopen([&] {
    rt.Registry().Write(ks::kHkeyLocalMachine, frmObjPath::kRegistryKey, "Sections",
                        Variant(int32_t{5000}));
  });
  EXPECT_EQ(dialog->settings.Sections, 8);

  person->desktop = false;
  reopen();
  EXPECT_EQ(dialog->settings.YRotation, 360);
  EXPECT_EQ(dialog->settings.ExtrudeHeight, 40);
  EXPECT_TRUE(dialog->Option1_0.value.ToBool());
}

}  // namespace
