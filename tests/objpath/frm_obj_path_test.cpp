// The path dialog worked through its events, and the plug-in loaded from its
// library by class name.
#include "objpath/frm_obj_path.h"

#include <gtest/gtest.h>

#include "objpath/c_plug_in.h"
#include "testing/own_process.h"
#include "tests/objpath/objpath_fakes.h"

namespace {

using namespace ks::objpath;
using ks::Variant;
using objpath_test::FakeGrid;
using objpath_test::RecordingMesh;

void RegisterFakes(ks::Runtime& rt) {
  rt.RegisterClass("KsControls.KsProperties",
                   [](ks::Runtime&) { return std::make_shared<FakeGrid>(); });
  rt.RegisterClass("Kestrel.CKsObject",
                   [](ks::Runtime&) { return std::make_shared<RecordingMesh>(); });
}

FakeGrid& GridOf(ks::Form& form, const char* name) {
  return dynamic_cast<FakeGrid&>(*form.FindControl(name)->value.ToObject());
}

void SetRow(ks::Form& form, const char* grid, int32_t row, Variant value) {
  std::vector<Variant> args{Variant(row), std::move(value)};
  ks::CallId(form.FindControl(grid)->value.ToObject(), ks::grid::kSetRowValue, args);
}

void Click(ks::Form& form, float x, float y, int16_t button = 1) {
  form.Fire("Picture1_MouseMove",
            {Variant(int16_t{0}), Variant(int16_t{0}), Variant(x), Variant(y)});
  form.Fire("Picture1_MouseDown", {Variant(button), Variant(int16_t{0}), Variant(x), Variant(y)});
}

void ChooseMode(ks::Form& form, int16_t index) {
  form.Fire("Option1_Click", {Variant(index)});
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    dialog.Object3D = object;
    dialog.Fire("Form_Load");
  }
  std::unique_ptr<frmObjPath> MakeForm() {
    RegisterFakes(rt);
    rt.SetPerson(person);
    return std::make_unique<frmObjPath>(rt);
  }
  void DrawSquare() {
    Click(dialog, 10, 10);
    Click(dialog, 50, 10);
    Click(dialog, 50, 50);
    Click(dialog, 10, 50);
    Click(dialog, 10, 50, 2);
  }

  objpath_test::TempRegistry registry;
  ks::Runtime rt{registry.file};
  std::shared_ptr<objpath_test::TestPerson> person = std::make_shared<objpath_test::TestPerson>();
  std::shared_ptr<RecordingMesh> object = std::make_shared<RecordingMesh>();
  std::unique_ptr<frmObjPath> form = MakeForm();
  frmObjPath& dialog = *form;
};

TEST_F(DialogTest, LoadSetsUpControlsGridsAndDefaults) {
  EXPECT_EQ(dialog.caption, "Object by Path Generator");
  for (auto [name, caption] : {std::pair{"Option1(0)", "Rotation"},
                               {"Option1(1)", "Extrude"},
                               {"Frame1", "By Rotation"},
                               {"Check1", "Close Path"},
                               {"Frame2", "Extrude"},
                               {"Command3", "Get from a Picture"},
                               {"Frame3", "BackGround"},
                               {"Option2(1)", "Build Path"},
                               {"Option2(0)", "Move Bar"},
                               {"cmdGetObj", "Get Object"},
                               {"cmdClean", "Clean"},
                               {"cmdCancel", "Cancel"}})
    EXPECT_EQ(dialog.FindControl(name)->caption, caption) << name;
  EXPECT_FALSE(dialog.Check1.enabled);
  EXPECT_FALSE(dialog.Picture3.visible);
  EXPECT_TRUE(dialog.Line3.visible);
  EXPECT_EQ(dialog.Picture1.mousePointer, 2);
  EXPECT_EQ(dialog.settings.ExtrudeHeight, 40);
  EXPECT_EQ(dialog.settings.Sections, 8);
  EXPECT_EQ(dialog.settings.YRotation, 360);
  EXPECT_TRUE(dialog.settings.CloseLastPolygons);
  EXPECT_EQ(dialog.mesh.Vertices, std::vector<float>{0});
  EXPECT_EQ(dialog.NeighbourSteps[1].dx, -1);
  EXPECT_EQ(dialog.NeighbourSteps[1].dy, -1);

  FakeGrid& rotation = GridOf(dialog, "KsProperties1");
  EXPECT_EQ(rotation.setUp,
            (std::vector<std::string>{"whole Section", "whole Y Rotation",
                                      "list Close Last polygons", "group Translation", "real X",
                                      "real Y", "real Z", "end group", "redraw", "finish"}));
  EXPECT_EQ(rotation.rows[0].value, Variant(int16_t{8}));
  EXPECT_EQ(rotation.rows[2].value, Variant(int16_t{0}));
  EXPECT_TRUE(rotation.enabled);
  FakeGrid& picture = GridOf(dialog, "KsProperties2");
  EXPECT_EQ(picture.setUp, (std::vector<std::string>{"picture Picture", "redraw"}));
  EXPECT_EQ(picture.registryKey, "SOFTWARE\\Ardeno\\KsObjPath");
  FakeGrid& extrusion = GridOf(dialog, "KsProperties3");
  EXPECT_EQ(extrusion.setUp, (std::vector<std::string>{"whole Height", "redraw"}));
  EXPECT_FALSE(extrusion.enabled);
  EXPECT_FALSE(dialog.KsProperties3.enabled);
}

TEST_F(DialogTest, GridRowsFeedTheirSettings) {
  SetRow(dialog, "KsProperties1", 0, Variant(int32_t{12}));
  SetRow(dialog, "KsProperties1", 1, Variant(int32_t{270}));
  SetRow(dialog, "KsProperties1", 3, Variant(1.5f));
  SetRow(dialog, "KsProperties1", 4, Variant(2.5));
  SetRow(dialog, "KsProperties1", 5, Variant(-3.0f));
  SetRow(dialog, "KsProperties3", 0, Variant(int32_t{77}));
  EXPECT_EQ(dialog.settings.Sections, 12);
  EXPECT_EQ(dialog.settings.YRotation, 270);
  // Each translation row feeds its own axis.
  EXPECT_EQ(dialog.settings.TranslationX, 1.5f);
  EXPECT_EQ(dialog.settings.TranslationY, 2.5f);
  EXPECT_EQ(dialog.settings.TranslationZ, -3.0f);
  EXPECT_EQ(dialog.settings.ExtrudeHeight, 77);
  // Item 1 is "False", item 0 "True".
  SetRow(dialog, "KsProperties1", 2, Variant(ks::grid::kItemFalse));
  EXPECT_FALSE(dialog.settings.CloseLastPolygons);
  SetRow(dialog, "KsProperties1", 2, Variant(ks::grid::kItemTrue));
  EXPECT_TRUE(dialog.settings.CloseLastPolygons);
  SetRow(dialog, "KsProperties1", 2, Variant("False"));
  EXPECT_FALSE(dialog.settings.CloseLastPolygons);
  // A value that does not convert changes nothing.
  SetRow(dialog, "KsProperties1", 0, Variant("many"));
  EXPECT_EQ(dialog.settings.Sections, 12);
  dialog.Fire("KsProperties3_LostFocus");
  EXPECT_EQ(GridOf(dialog, "KsProperties3").endEditing, 1);
}

TEST_F(DialogTest, ModeSwitchShowsAndHidesTheClosingSegment) {
  Click(dialog, 20, 10);
  Click(dialog, 40, 30);
  Click(dialog, 20, 50);
  Click(dialog, 20, 50, 2);
  ASSERT_FALSE(dialog.Editor().ClosingSegmentLoaded());

  ChooseMode(dialog, 1);
  EXPECT_TRUE(dialog.Editor().ClosingSegmentLoaded());
  EXPECT_FALSE(dialog.Frame1.enabled);
  EXPECT_FALSE(dialog.Option2_0.enabled);
  EXPECT_FALSE(dialog.Option2_1.enabled);
  EXPECT_TRUE(dialog.Command3.enabled);
  EXPECT_FALSE(dialog.Line3.visible);
  EXPECT_FALSE(GridOf(dialog, "KsProperties1").enabled);
  EXPECT_TRUE(GridOf(dialog, "KsProperties3").enabled);

  ChooseMode(dialog, 0);
  EXPECT_FALSE(dialog.Editor().ClosingSegmentLoaded());
  EXPECT_TRUE(dialog.Line3.visible);
  EXPECT_FALSE(dialog.Command3.enabled);
  EXPECT_TRUE(GridOf(dialog, "KsProperties1").enabled);
  EXPECT_FALSE(GridOf(dialog, "KsProperties3").enabled);

  // "Close Path" shows it in "Rotation" and keeps it across mode switches.
  dialog.Check1.value = Variant(int16_t{1});
  dialog.Fire("Check1_Click");
  EXPECT_TRUE(dialog.Editor().ClosingSegmentLoaded());
  ChooseMode(dialog, 1);
  ChooseMode(dialog, 0);
  EXPECT_TRUE(dialog.Editor().ClosingSegmentLoaded());
  dialog.Check1.value = Variant(int16_t{0});
  dialog.Fire("Check1_Click");
  EXPECT_FALSE(dialog.Editor().ClosingSegmentLoaded());
  // Points never change with the mode.
  EXPECT_EQ(dialog.Path().LastPoint, 2);
}

TEST_F(DialogTest, GetObjectWithoutAPathAsksForOne) {
  dialog.Fire("cmdGetObj_Click");
  ASSERT_EQ(person->messages.size(), 1u);
  EXPECT_EQ(person->messages[0].text, "Draw a Path to elaborate");
  EXPECT_EQ(person->messages[0].buttons, ks::MsgButtons::OK);
  EXPECT_EQ(person->messages[0].title, "");
  EXPECT_FALSE(dialog.Closed());
  EXPECT_TRUE(person->pointers.empty());
  // A single point (as a trace of a tiny blob leaves) sweeps nothing either.
  dialog.Editor().AddPathPoint(30, 30);
  dialog.Fire("cmdGetObj_Click");
  EXPECT_EQ(person->messages.size(), 2u);
  EXPECT_FALSE(dialog.Closed());
  EXPECT_TRUE(object->calls.empty());
}

TEST_F(DialogTest, CrossingEdgesAreRefusedAndTheDialogStaysOpen) {
  ChooseMode(dialog, 1);
  Click(dialog, 10, 10);
  Click(dialog, 50, 50);
  Click(dialog, 50, 10);
  Click(dialog, 10, 50);
  Click(dialog, 10, 50, 2);
  dialog.Fire("cmdGetObj_Click");
  ASSERT_EQ(person->messages.size(), 1u);
  EXPECT_EQ(person->messages[0].text, "Remember that the lines must not intersect.");
  EXPECT_EQ(person->messages[0].title, "Error");
  EXPECT_EQ(person->messages[0].icon, ks::MsgIcon::Exclamation);
  EXPECT_EQ(person->messages[0].buttons, ks::MsgButtons::OK);
  EXPECT_EQ(object->calls, std::vector<std::string>{"Clear"});
  EXPECT_EQ(person->pointers, (std::vector<int>{11, 0}));
  EXPECT_FALSE(dialog.Closed());
  EXPECT_EQ(dialog.Path().LastPoint, 3);
  // Cancel afterwards hands back nothing.
  dialog.Fire("cmdCancel_Click");
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(dialog.Object3D, nullptr);
}

TEST_F(DialogTest, GetObjectBuildsHandsOverAndCloses) {
  ChooseMode(dialog, 1);
  DrawSquare();
  dialog.Fire("cmdGetObj_Click");
  EXPECT_TRUE(dialog.Closed());
  EXPECT_TRUE(dialog.ObjectBuilt);
  EXPECT_EQ(dialog.Object3D, object);
  EXPECT_EQ(person->pointers, (std::vector<int>{11, 0}));
  EXPECT_EQ(object->vertices.size(), 24u);
  EXPECT_EQ(object->polygons.size(), 8u + 8u + 20u);
  EXPECT_EQ(object->name, "ObjPath");
  // After the unload the path is gone and no handler runs any more.
  EXPECT_EQ(dialog.Path().LastPoint, -1);
  Click(dialog, 5, 5);
  EXPECT_EQ(dialog.Path().LastPoint, -1);
}

TEST_F(DialogTest, RotationReadsTheBarAndTheCloseCheckBox) {
  dialog.Fire("Option2_Click", {Variant(int16_t{0})});
  dialog.Fire("Picture3_MouseMove",
              {Variant(int16_t{1}), Variant(int16_t{0}), Variant(14.0f), Variant(0.0f)});
  dialog.Fire("Option2_Click", {Variant(int16_t{1})});
  ASSERT_EQ(dialog.Editor().AxisX(), 21.0f);
  Click(dialog, 30, 10);
  Click(dialog, 50, 30);
  Click(dialog, 30, 50);
  Click(dialog, 30, 50, 2);
  dialog.Check1.value = Variant(int16_t{1});
  dialog.Fire("Check1_Click");
  dialog.Fire("cmdGetObj_Click");
  ASSERT_TRUE(dialog.Closed());
  EXPECT_EQ(object->vertices.size(), 24u * 3);
  EXPECT_EQ(object->polygons.size(), 24u * 5);
  EXPECT_EQ(object->vertices[2], 45.0f);  // r = 30 - 21 = 9 pixels
}

TEST_F(DialogTest, AnObjectThatRefusesTheGeometryIsReportedAndTheDialogStaysOpen) {
  object->refuseVertices = true;
  ChooseMode(dialog, 1);
  DrawSquare();
  dialog.Fire("cmdGetObj_Click");
  ASSERT_EQ(person->messages.size(), 1u);
  EXPECT_EQ(person->messages[0].text, "too many vertices");
  EXPECT_EQ(person->messages[0].icon, ks::MsgIcon::Exclamation);
  EXPECT_FALSE(dialog.Closed());
  EXPECT_FALSE(dialog.ObjectBuilt);
}

TEST_F(DialogTest, CloseBoxAndCleanLeaveNothingBehind) {
  DrawSquare();
  dialog.Fire("cmdClean_Click");
  EXPECT_EQ(dialog.Path().LastPoint, -1);
  dialog.RequestClose();
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(dialog.Object3D, nullptr);
}

TEST(PlugIn, LoadsByClassNameAndRunsTheDialog) {
  objpath_test::TempRegistry registry;
  ks::Runtime rt(registry.file);
  RegisterFakes(rt);
  EXPECT_EQ(rt.RegisterServer(KS_OBJPATH_PLUGIN), std::vector<std::string>{"KsObjPath.CPlugIn"});
  EXPECT_EQ(rt.RegisteredClasses().at(0).description, "Ks Object by Path Generator");
  auto person = std::make_shared<objpath_test::TestPerson>();
  rt.SetPerson(person);
  {
    ks::ObjectRef plugIn = rt.CreateObject("KsObjPath.CPlugIn");
    EXPECT_EQ(ks::Get(plugIn, "Name").ToString(), "Object by Path Generator v1.0");
    EXPECT_EQ(ks::Get(plugIn, "PlugInType"), Variant(int32_t{0}));

    // Built: the same object comes back, filled.
    person->script = [](ks::Form& form) {
      ChooseMode(form, 1);
      SetRow(form, "KsProperties3", 0, Variant(int32_t{41}));
      Click(form, 10, 10);
      Click(form, 50, 10);
      Click(form, 50, 50);
      Click(form, 50, 50, 2);
      form.Fire("cmdGetObj_Click");
    };
    ks::ObjectRef object = rt.CreateObject("Kestrel.CKsObject");
    std::vector<Variant> args{Variant(object)};
    ks::Call(plugIn, "ExecutePlugIn", args);
    EXPECT_EQ(args[0].ToObject(), object);
    auto& mesh = dynamic_cast<RecordingMesh&>(*object);
    EXPECT_EQ(mesh.vertices.size(), 18u);
    EXPECT_EQ(mesh.vertices[4 * 3 + 1], 105.0f);  // height 41: top at 105

    // Cancelled: Nothing comes back.
    person->script = [](ks::Form& form) { form.Fire("cmdCancel_Click"); };
    args = {Variant(rt.CreateObject("Kestrel.CKsObject"))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    EXPECT_EQ(args[0].ToObject(), nullptr);

    // A person who walks away closes the dialog all the same.
    person->script = nullptr;
    args = {Variant(rt.CreateObject("Kestrel.CKsObject"))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    EXPECT_EQ(args[0].ToObject(), nullptr);

    // Without an object there is nothing to build into.
    args = {Variant::Nothing()};
    try {
      ks::Call(plugIn, "ExecutePlugIn", args);
      FAIL();
    } catch (const ks::ComError& e) {
      EXPECT_EQ(e.number(), ks::err::kObjectRequired);
    }
  }
  EXPECT_EQ(rt.FreeUnusedLibraries(), 1);
  rt.UnregisterServer(KS_OBJPATH_PLUGIN);
}

// At the desktop the plug-in loads its view module from views/ beside its
// library; a copy of the library without one tells the person which module
// is missing and hands back Nothing, as a cancelled dialog does.
void CheckMissingViewModule() {
  namespace fs = std::filesystem;
  objpath_test::TempRegistry registry;
  const fs::path plugins =
      registry.file.parent_path() / ("ks-objpath-views-" + std::to_string(::getpid()));
  fs::remove_all(plugins);
  fs::create_directories(plugins);
  fs::copy_file(KS_OBJPATH_PLUGIN, plugins / "libKsObjPath.so");
  {
    ks::Runtime rt(registry.file);
    RegisterFakes(rt);
    rt.RegisterServer(plugins / "libKsObjPath.so");
    auto person = std::make_shared<objpath_test::TestPerson>();
    person->desktop = true;
    bool shown = false;
    person->script = [&shown](ks::Form&) { shown = true; };
    rt.SetPerson(person);
    std::vector<Variant> args{Variant(rt.CreateObject("Kestrel.CKsObject"))};
    ks::Call(rt.CreateObject("KsObjPath.CPlugIn"), "ExecutePlugIn", args);
    EXPECT_EQ(args[0].ToObject(), nullptr);
    EXPECT_FALSE(shown);
    ASSERT_EQ(person->messages.size(), 1u);
    const std::string& said = person->messages[0].text;
    EXPECT_NE(said.find((plugins / "views" / "libKsObjPathView.so").string()), std::string::npos)
        << said;
    EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
    EXPECT_EQ(person->messages[0].icon, ks::MsgIcon::Critical);
  }
  fs::remove_all(plugins);
}

TEST(PlugIn, MissingViewModuleIsExplainedAtTheDesktop) {
  ks::testing::ExpectInOwnProcess(CheckMissingViewModule);
}

}  // namespace
