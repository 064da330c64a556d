// The import run of frmImport driven through its events: finished, stopped,
// failed and cancelled runs, and the host calls of both post-processings.
#include <thread>

#include "host/com_error.h"
#include "host/ks_object.h"
#include "import_test_support.h"
#include "readers/text_input.h"

namespace ks::importer::test {
namespace {

using ::testing::ElementsAre;

class ImportRunTest : public ImportFixture {
 protected:
  // Logs every call from now on; the scene is created afresh so that it logs too.
  std::shared_ptr<CallLog> StartCallLog() {
    auto log = std::make_shared<CallLog>();
    rt_->SetCallLog(log);
    scene_ = rt_->CreateObject("Kestrel.CKsScene");
    return log;
  }

  // The calls on the scene, its lists and the imported objects from
  // Prepare_Import on (the readers' and the registry helper's calls dropped).
  static std::vector<std::string> PostProcessCalls(const CallLog& log) {
    std::vector<std::string> out;
    bool started = false;
    for (const LoggedCall& c : log.Calls()) {
      if (c.member == "Prepare_Import") started = true;
      if (!started || c.object.starts_with("Setvault.")) continue;
      std::string line = c.ToString();
      out.push_back(line.substr(c.object.size() + 1));
    }
    return out;
  }

  // Expects the dialog idle and open, as after a stopped or failed run.
  void ExpectIdleAndOpen(frmImport& form) {
    EXPECT_FALSE(form.Closed());
    EXPECT_EQ(form.StopImport(), -1);
    for (const char* name : {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm", "chkSmooth"})
      EXPECT_TRUE(form.FindControl(name)->enabled) << name;
    EXPECT_EQ(form.ProgressBar1.value.ToDouble(), 0.0);
    ASSERT_FALSE(person_->pointers.empty());
    EXPECT_EQ(person_->pointers.back(), kPointerDefault);
  }
};

// Adds `count` triangles named A, B, C... to the list.
StandInReader::LoadFn AddObjects(Runtime& rt, int count) {
  return [&rt, count](readers::ImportState&, const std::string&, CollectionRef& objects,
                      CollectionRef*) {
    for (int i = 0; i < count; ++i)
      AddItem(objects, MakeTriangle(rt, std::string(1, char('A' + i)), float(10 * i)));
  };
}

TEST_F(ImportRunTest, FinishedRunAddsObjectsKeyedToTheFirstCentresItAndCloses) {
  auto log = StartCallLog();
  Call(Get(scene_, "ListObjects").ToObject(), "Add", MakeTriangle(*rt_, "old"));
  log->Clear();
  person_->file = WriteFile("models/three.obj");
  auto form = MakeDialog(AddObjects(*rt_, 3));

  form->Fire("cmdImport_Click");

  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(form->SelectedObject, 2);  // the list's count once the first object was in
  EXPECT_TRUE(person_->messages.empty());
  EXPECT_THAT(person_->pointers, ElementsAre(kPointerHourglass, kPointerDefault));
  auto calls = PostProcessCalls(*log);
  ASSERT_GE(calls.size(), 12u);
  EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 12),
              ElementsAre("Prepare_Import()", "ListObjects", "Add(Object)", "Key", "ListObjects",
                          "Count", "ListObjects", "Add(Object,Omitted,String(\"Object2\"))",
                          "ListObjects", "Add(Object,Omitted,String(\"Object2\"))",
                          "ListObjects(String(\"Object2\"))", "Center()"));
  auto objects = Scene().ObjectList()->Objects();
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[1]->Name(), "A");
  EXPECT_EQ(objects[3]->GroupKey(), "Object2");
  // The first object is centred and the others moved with it: the layout
  // of the file is kept. The object that was in the scene before stays put.
  BoundingBox box = objects[1]->Bounds();
  EXPECT_FLOAT_EQ(box.min[0] + box.max[0], 0.f);
  EXPECT_FLOAT_EQ(box.min[1] + box.max[1], 0.f);
  for (size_t i = 2; i < 4; ++i)
    for (size_t axis = 0; axis < 3; ++axis)
      EXPECT_FLOAT_EQ(objects[i]->Bounds().min[axis] - box.min[axis], 10.f * float(i - 1));
  EXPECT_FLOAT_EQ(objects[0]->Bounds().min[0], 0.f);
}

TEST_F(ImportRunTest, RunPassesOptionsFileLengthAndFreshCharacterCount) {
  std::string file = WriteFile("a.obj", std::string(99, 'x'));
  person_->file = file;
  std::vector<int64_t> charsAtStart;
  std::vector<double> maxima;
  readers::ImportOptions seen;
  auto form = MakeDialog(
      [&](readers::ImportState& st, const std::string& name, CollectionRef&, CollectionRef*) {
        EXPECT_EQ(name, file);
        charsAtStart.push_back(st.CharsRead);
        maxima.push_back(st.ui->ProgressMax());
        seen = st.options;
        st.CharsRead = 500;  // as a reader leaves it
        throw ComError(err::kBadData, "bad data");
      });
  form->chkNorm.value = Variant(int16_t{1});
  form->chkAutoSmooth.value = Variant(int16_t{1});
  form->Fire("cmdImport_Click");
  form->Fire("cmdImport_Click");  // a second run in the same dialog

  EXPECT_THAT(charsAtStart, ElementsAre(0, 0));
  EXPECT_THAT(maxima, ElementsAre(100.0, 100.0));
  EXPECT_TRUE(seen.importNormals);
  EXPECT_FALSE(seen.smoothAll);
  EXPECT_TRUE(seen.autoSmooth);
}

TEST_F(ImportRunTest, CancelAnsweredYesStopsTheRunAndKeepsTheSceneUntouched) {
  person_->file = WriteFile("a.obj");
  person_->answers = {MsgResult::Yes};
  frmImport* dialog = nullptr;
  int turns = 0;
  person_->onDoEvents = [&] {
    if (++turns == 3) dialog->Fire("cmdCancel_Click");
  };
  int added = 0;
  auto form = MakeDialog(
      [&](readers::ImportState& st, const std::string&, CollectionRef& objects, CollectionRef*) {
        for (int i = 0; i < 100 && st.StopImport == 0; ++i) {
          AddItem(objects, MakeTriangle(*rt_, "part"));
          ++added;
          st.ReportProgress(i + 1);
          st.YieldToUi();
        }
      });
  dialog = form.get();
  form->Fire("cmdImport_Click");

  EXPECT_EQ(added, 3);
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text, "Do you want to stop Import?");
  EXPECT_EQ(person_->messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(person_->messages[0].title, "KsImport");
  ExpectIdleAndOpen(*form);
  EXPECT_EQ(SceneObjects(), 0);
  EXPECT_EQ(Scene().ImportCount(), 0);  // not even Prepare_Import
  EXPECT_EQ(form->SelectedObject, -1);

  form->Fire("cmdCancel_Click");  // idle: closes without asking
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(person_->messages.size(), 1u);
}

TEST_F(ImportRunTest, CancelAnsweredNoAndTheCloseBoxLetTheRunFinishOrStopIt) {
  for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
    SCOPED_TRACE(answer == MsgResult::Yes ? "Yes" : "No");
    person_->messages.clear();
    person_->file = WriteFile("a.obj");
    person_->answers = {answer};
    frmImport* dialog = nullptr;
    bool closedByQuery = true;
    person_->onDoEvents = [&] {
      if (!dialog->FindControl("cmdCancel")->enabled) return;
      dialog->RequestClose();  // the close box while running
      closedByQuery = dialog->Closed();
      person_->onDoEvents = nullptr;
    };
    auto form = MakeDialog(
        [&](readers::ImportState& st, const std::string&, CollectionRef& objects, CollectionRef*) {
          for (int i = 0; i < 5 && st.StopImport == 0; ++i) {
            AddItem(objects, MakeTriangle(*rt_, "part"));
            st.YieldToUi();
          }
        });
    dialog = form.get();
    int before = SceneObjects();
    form->Fire("cmdImport_Click");

    EXPECT_FALSE(closedByQuery);  // the question never closes the dialog
    ASSERT_EQ(person_->messages.size(), 1u);
    EXPECT_EQ(person_->messages[0].text, "Do you want to stop Import?");
    if (answer == MsgResult::No) {
      EXPECT_TRUE(form->Closed());
      EXPECT_EQ(SceneObjects(), before + 5);
    } else {
      ExpectIdleAndOpen(*form);
      EXPECT_EQ(SceneObjects(), before);
      form->RequestClose();  // idle: the close box closes
      EXPECT_TRUE(form->Closed());
    }
  }
}

TEST_F(ImportRunTest, ReaderFailureShowsItsDescriptionClosesFilesAndReturnsToIdle) {
  std::string file = WriteFile("broken.obj", "v 1 2 3\nf 1 2 9\n");
  person_->file = file;
  readers::ImportState* state = nullptr;
  auto form = MakeDialog([&](readers::ImportState& st, const std::string& name,
                             CollectionRef& objects, CollectionRef*) {
    state = &st;
    st.file->Open(name);
    AddItem(objects, MakeTriangle(*rt_, "half"));
    st.ReportProgress(7);
    throw ComError(err::kBadData, "broken.obj line 2: face corner 3 names vertex 9 of 1");
  });
  form->Fire("cmdImport_Click");

  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text, "broken.obj line 2: face corner 3 names vertex 9 of 1");
  EXPECT_EQ(person_->messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(person_->messages[0].buttons, MsgButtons::OK);
  ExpectIdleAndOpen(*form);
  ASSERT_NE(state, nullptr);
  EXPECT_FALSE(state->file->IsOpen());
  EXPECT_EQ(SceneObjects(), 0);
  EXPECT_EQ(form->p_colObject3D, nullptr);
}

TEST_F(ImportRunTest, MissingFileIsReportedWithItsName) {
  person_->file = (dir_ / "gone.obj").string();
  int loads = 0;
  auto form = MakeDialog(
      [&](readers::ImportState&, const std::string&, CollectionRef&, CollectionRef*) { ++loads; });
  form->Fire("cmdImport_Click");
  EXPECT_EQ(loads, 0);
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_NE(person_->messages[0].text.find("gone.obj"), std::string::npos);
  ExpectIdleAndOpen(*form);
}

TEST_F(ImportRunTest, TypeMismatchKeepsObjectsButIsReportedAndFilesAreClosed) {
  std::string file = WriteFile("bad.obj", "v 1 x 3\n");
  person_->file = file;
  readers::ImportState* state = nullptr;
  auto form = MakeDialog([&](readers::ImportState& st, const std::string& name,
                             CollectionRef& objects, CollectionRef*) {
    state = &st;
    st.file->Open(name);
    AddItem(objects, MakeTriangle(*rt_, "kept"));
    throw ComError(err::kTypeMismatch, "bad.obj line 1: 'x' is not a number");
  });
  form->Fire("cmdImport_Click");

  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(SceneObjects(), 1);
  EXPECT_EQ(form->SelectedObject, 1);
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text, "bad.obj line 1: 'x' is not a number");
  EXPECT_EQ(person_->messages[0].icon, MsgIcon::Exclamation);
  EXPECT_FALSE(state->file->IsOpen());
}

TEST_F(ImportRunTest, CancelledFileDialogReturnsToIdleSilently) {
  person_->file = std::nullopt;
  int loads = 0;
  auto form = MakeDialog(
      [&](readers::ImportState&, const std::string&, CollectionRef&, CollectionRef*) { ++loads; });
  form->Fire("cmdImport_Click");
  EXPECT_EQ(loads, 0);
  EXPECT_TRUE(person_->messages.empty());
  ASSERT_EQ(person_->fileRequests.size(), 1u);
  EXPECT_EQ(person_->fileRequests[0].filter, "*.obj|*.obj");
  ExpectIdleAndOpen(*form);
  EXPECT_THAT(person_->pointers, ElementsAre(kPointerHourglass, kPointerDefault));
}

TEST_F(ImportRunTest, ClicksOnDisabledControlsDuringARunAreIgnored) {
  person_->file = WriteFile("a.obj");
  frmImport* dialog = nullptr;
  person_->onDoEvents = [&] {
    dialog->Fire("cmdImport_Click");
    dialog->Fire("cmbFormat_Click");
  };
  int loads = 0;
  auto form = MakeDialog(
      [&](readers::ImportState& st, const std::string&, CollectionRef& objects, CollectionRef*) {
        ++loads;
        AddItem(objects, MakeTriangle(*rt_, "one"));
        st.YieldToUi();
      });
  dialog = form.get();
  form->Fire("cmdImport_Click");
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(person_->fileRequests.size(), 1u);
  EXPECT_TRUE(form->Closed());
}

// A run that read no triangle closes the dialog without touching the scene
// and tells what the file held: nothing, or objects without triangles
// (which are not added).
TEST_F(ImportRunTest, FileWithoutGeometryClosesTheDialogTellsWhatItHeldAndAddsNothing) {
  person_->file = WriteFile("empty.obj", "");
  const StandInReader::LoadFn pointsOnly = [this](readers::ImportState&, const std::string&,
                                                  CollectionRef& objects, CollectionRef*) {
    ObjectRef points = rt_->CreateObject("Kestrel.CKsObject");
    static_cast<CKsObject&>(*points).AddVertices(std::vector<float>{0, 0, 0, 1, 0, 0});
    AddItem(objects, points);
  };
  const struct {
    int format;
    StandInReader::LoadFn load;
    const char* said;
  } cases[] = {
      {0, AddObjects(*rt_, 0), "no geometry imported from empty.obj: the file holds nothing"},
      {2, AddObjects(*rt_, 0), "no geometry imported from empty.obj: the file holds nothing"},
      {0, pointsOnly,
       "no geometry imported from empty.obj: the file holds 1 object with 2 vertices but no "
       "triangles"},
  };
  for (const auto& c : cases) {
    person_->messages.clear();
    auto form = MakeDialog(c.load);
    form->SetFormatIndex(c.format);
    form->Fire("cmdImport_Click");
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(form->SelectedObject, -1);
    ASSERT_EQ(person_->messages.size(), 1u);
    EXPECT_EQ(person_->messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(person_->messages[0].text.starts_with(c.said)) << person_->messages[0].text;
  }
  EXPECT_EQ(Scene().ImportCount(), 0);
  EXPECT_EQ(Scene().ObjectList()->Count(), 0);
}

// ---- 3DS post-processing ----

StandInReader::LoadFn AddMaterialsAndObjects(Runtime& rt, int objectCount) {
  return [&rt, objectCount](readers::ImportState&, const std::string&, CollectionRef& objects,
                            CollectionRef* materials) {
    ASSERT_NE(materials, nullptr);
    for (const char* name : {"red", "blue"}) {
      ObjectRef m = rt.CreateObject("Kestrel.CKsMaterial");
      Put(m, "Name", name);
      AddItem((*materials), m);
    }
    for (int i = 0; i < objectCount; ++i) {
      ObjectRef obj = MakeTriangle(rt, "part" + std::to_string(i), float(5 * i));
      Put(obj, "MaterialKey", i % 2 ? "blue" : "red");
      AddItem(objects, obj);
    }
  };
}

TEST_F(ImportRunTest, ThreeDsRunWithOneObjectBindsByPositionSmoothsAndPlacesIt) {
  auto log = StartCallLog();
  person_->file = WriteFile("one.3ds");
  auto form = MakeDialog(AddMaterialsAndObjects(*rt_, 1), {1.5f, -2.f, 3.f});
  form->SetFormatIndex(2);
  form->chkAutoSmooth.value = Variant(int16_t{1});
  form->Fire("cmdImport_Click");

  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(form->SelectedObject, 1);
  EXPECT_EQ(person_->fileRequests.at(0).filter, "*.3ds|*.3ds");
  EXPECT_THAT(PostProcessCalls(*log),
              ElementsAre("Prepare_Import()", "ListMaterials", "Add(Object)", "ListMaterials",
                          "Add(Object)", "ListObjects", "Add(Object)", "ListObjects", "Count",
                          "ListObjects(Integer(1))", "Key", "Assign_MaterialToObject(Integer(1))",
                          "ListObjects(String(\"Object1\"))", "Center()",
                          "ListObjects(String(\"Object1\"))", "SmoothNormalsAdaptive(Integer(60))",
                          "ListObjects(String(\"Object1\"))", "PosX=Single(1.5)",
                          "ListObjects(String(\"Object1\"))", "PosY=Single(-2)",
                          "ListObjects(String(\"Object1\"))", "PosZ=Single(3)"));
  auto objects = Scene().ObjectList()->Objects();
  ASSERT_EQ(objects.size(), 1u);
  ASSERT_NE(objects[0]->Material(), nullptr);
  EXPECT_EQ(Scene().MaterialList()->Count(), 2);
  EXPECT_EQ(objects[0]->Position(), (std::array<float, 3>{1.5f, -2.f, 3.f}));
}

TEST_F(ImportRunTest, ThreeDsRunWithSeveralObjectsBindsByKeyThenByCount) {
  auto log = StartCallLog();
  person_->file = WriteFile("two.3ds");
  auto form = MakeDialog(AddMaterialsAndObjects(*rt_, 3));
  form->SetFormatIndex(2);
  form->Fire("cmdImport_Click");

  EXPECT_EQ(form->SelectedObject, 1);
  auto calls = PostProcessCalls(*log);
  std::vector<std::string> head(calls.begin(), calls.begin() + 22);
  EXPECT_THAT(
      head, ElementsAre("Prepare_Import()", "ListMaterials", "Add(Object)", "ListMaterials",
                        "Add(Object)", "ListObjects", "Add(Object)", "Key", "ListObjects", "Count",
                        "Assign_MaterialToObject(String(\"Object1\"))", "ListObjects",
                        "Add(Object,Omitted,String(\"Object1\"))", "ListObjects", "Count",
                        "Assign_MaterialToObject(Long(2))", "ListObjects",
                        "Add(Object,Omitted,String(\"Object1\"))", "ListObjects", "Count",
                        "Assign_MaterialToObject(Long(3))", "ListObjects(String(\"Object1\"))"));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "SmoothNormalsAdaptive(Integer(60))"), 0);
  for (const auto& obj : Scene().ObjectList()->Objects())
    ASSERT_NE(obj->Material(), nullptr) << obj->Name();
  EXPECT_EQ(Scene().ObjectList()->Objects()[1]->Material()->Name(), "blue");
}

// A scene that already holds objects: whatever the run does after adding its
// objects addresses the first object it added, never the scene's own first one.
TEST_F(ImportRunTest, ThreeDsRunIntoAFilledSceneBindsSmoothsPlacesAndSelectsItsOwnObject) {
  for (int objectCount : {1, 3}) {
    scene_ = rt_->CreateObject("Kestrel.CKsScene");
    for (const char* name : {"mine", "yours"})
      Call(Get(scene_, "ListObjects").ToObject(), "Add", MakeTriangle(*rt_, name, 7));
    auto before = Scene().ObjectList()->Objects();
    const std::vector<float> mineBefore(before[0]->Vertices().begin(), before[0]->Vertices().end());
    person_->file = WriteFile("into.3ds");
    auto form = MakeDialog(AddMaterialsAndObjects(*rt_, objectCount), {1.5f, -2.f, 3.f});
    form->SetFormatIndex(2);
    form->chkAutoSmooth.value = Variant(int16_t{1});
    form->Fire("cmdImport_Click");

    SCOPED_TRACE(objectCount);
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(form->SelectedObject, 3);
    auto objects = Scene().ObjectList()->Objects();
    ASSERT_EQ(objects.size(), 2u + objectCount);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(objects[i]->Material(), nullptr) << objects[i]->Name();
      EXPECT_EQ(objects[i]->Position(), (std::array<float, 3>{0, 0, 0})) << objects[i]->Name();
    }
    EXPECT_EQ(std::vector<float>(objects[0]->Vertices().begin(), objects[0]->Vertices().end()),
              mineBefore);  // not centred
    EXPECT_EQ(objects[2]->Name(), "part0");
    ASSERT_NE(objects[2]->Material(), nullptr);
    EXPECT_EQ(objects[2]->Material()->Name(), "red");
    EXPECT_EQ(objects[2]->Position(), (std::array<float, 3>{1.5f, -2.f, 3.f}));
  }
}

// ---- the event pump ----

// The pump's cost per reader turn is measured in bench/import_event_pump_bench.cpp.
TEST_F(ImportRunTest, EventPumpGivesThePersonATurnAfterAPause) {
  frmImport form(*rt_);  // default throttle
  for (int i = 0; i < 100000; ++i) form.DoEvents();
  // After a pause the next reader turns reach the person within one stride.
  int before = person_->doEvents;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  for (int i = 0; i < 64; ++i) form.DoEvents();
  EXPECT_EQ(person_->doEvents, before + 1);
}

}  // namespace
}  // namespace ks::importer::test
