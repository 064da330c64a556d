// frmImport's controls, events, messages and remembered values.
#include "host/registry_store.h"
#include "import/import_settings.h"
#include "import/module_folder.h"
#include "import/reader_factory.h"
#include "import_test_support.h"
#include "readers/imp_3ds.h"
#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"

namespace ks::importer::test {
namespace {

using ::testing::ElementsAre;

class FrmImportTest : public ImportFixture {
 protected:
  // The name of the frame in front of the three option frames.
  static std::string FrontFrame(frmImport& form) {
    const Control* front = nullptr;
    for (const char* name : {"fraWaveFront", "fra3DStudio", "fraNoOptions"}) {
      const Control* c = form.FindControl(name);
      if (!front || c->zOrder > front->zOrder) front = c;
    }
    return front->name;
  }
  StandInReader::LoadFn AddOne() {
    return [this](readers::ImportState&, const std::string&, CollectionRef& objects,
                  CollectionRef*) { AddItem(objects, MakeTriangle(*rt_, "one")); };
  }
};

TEST_F(FrmImportTest, LoadFillsTheControlsAndSelectsTheRememberedFormat) {
  auto form = MakeDialog(AddOne());
  EXPECT_EQ(form->Label1.caption, "Select a File Format");
  EXPECT_THAT(form->cmbFormat.items,
              ElementsAre("WaveFront (obj)", "AutoCad (dxf)", "3DStudio (3ds)", "PovRay (inc)"));
  EXPECT_EQ(form->cmbFormat.listIndex, 0);  // "FileFormat" defaults to 0
  EXPECT_EQ(FrontFrame(*form), "fraWaveFront");
  EXPECT_EQ(form->fraWaveFront.caption, "WaveFront Options");
  EXPECT_EQ(form->chkNorm.caption, "Import Normals");
  EXPECT_EQ(form->chkSmooth.caption, "Smooth all Normal Group");
  EXPECT_EQ(form->fra3DStudio.caption, "3DStudio Options");
  EXPECT_EQ(form->chkAutoSmooth.caption, "Auto Normals Smoothing");
  EXPECT_EQ(form->fraNoOptions.caption, "No Options");
  EXPECT_EQ(form->cmdImport.caption, "Import");
  EXPECT_EQ(form->cmdCancel.caption, "Cancel");
  EXPECT_EQ(form->StopImport(), -1);
  EXPECT_EQ(form->SelectedObject, -1);
}

TEST_F(FrmImportTest, FormatClickBringsItsFrameToTheFront) {
  auto form = MakeDialog(AddOne());
  const char* expected[] = {"fraWaveFront", "fraNoOptions", "fra3DStudio", "fraNoOptions"};
  for (int i : {2, 1, 3, 0, 2}) {
    form->cmbFormat.listIndex = i;
    form->Fire("cmbFormat_Click");
    EXPECT_EQ(FrontFrame(*form), expected[i]) << i;
  }
  form->cmbFormat.listIndex = -1;
  form->Fire("cmbFormat_Click");  // no selection: nothing moves
  EXPECT_EQ(FrontFrame(*form), "fra3DStudio");
  EXPECT_THROW(form->SetFormatIndex(4), ComError);
}

TEST_F(FrmImportTest, StoredFormatOutsideTheListIsIgnoredOnLoad) {
  rt_->Registry().Write(kHkeyLocalMachine, std::string(kImportKey), "FileFormat", int16_t{9});
  auto form = MakeDialog(AddOne());
  EXPECT_EQ(form->cmbFormat.listIndex, -1);
  EXPECT_EQ(form->cmbFormat.items.size(), 4u);
  EXPECT_TRUE(person_->messages.empty());
}

TEST_F(FrmImportTest, ImportWithoutFormatAsksForOneAndDoesNothingElse) {
  auto form = MakeDialog(AddOne());
  form->SetFormatIndex(-1);
  form->Fire("cmdImport_Click");
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text, "Select first a File Format!");
  EXPECT_EQ(person_->messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(person_->messages[0].buttons, MsgButtons::OK);
  EXPECT_EQ(person_->messages[0].title, "KsImport");
  EXPECT_TRUE(person_->fileRequests.empty());
  EXPECT_TRUE(person_->pointers.empty());
  EXPECT_FALSE(form->Closed());
  EXPECT_TRUE(form->cmdImport.enabled);
}

TEST_F(FrmImportTest, ReaderThatCannotBeCreatedIsReportedNotRun) {
  auto form = std::make_unique<frmImport>(*rt_);
  form->objScene = scene_;
  form->SetReaderFactory([](int, readers::ImportState&) -> std::unique_ptr<readers::MeshReader> {
    throw ComError(err::kCannotCreateObject, "Cannot import PovRay (inc) files");
  });
  form->Form_Load();
  form->Fire("cmdImport_Click");
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text, "Cannot import PovRay (inc) files");
  EXPECT_EQ(person_->messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(form->StopImport(), -1);
}

TEST_F(FrmImportTest, FormatAndFolderAreRememberedAcrossDialogs) {
  std::string file = WriteFile("povray files/scene.inc");
  std::string folder = (dir_ / "povray files").string() + "/";
  {
    person_->file = file;
    auto form = MakeDialog(AddOne());
    form->SetFormatIndex(3);
    form->Fire("cmdImport_Click");
    ASSERT_TRUE(form->Closed());
    EXPECT_EQ(form->p_FileName, "scene");
    // Never used before: the file dialog starts in the plug-in's own folder.
    EXPECT_EQ(person_->fileRequests.at(0).initialDir, ModuleFolder());
    EXPECT_EQ(person_->fileRequests.at(0).filter, "*.inc|*.inc");
  }
  // The values as stored: the format as an Integer, the folder per upper-case extension.
  auto format = rt_->Registry().Read(kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport", "FileFormat");
  ASSERT_TRUE(format);
  EXPECT_EQ(*format, Variant(int16_t{3}));
  auto path = rt_->Registry().Read(kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsImport\\INC", "Path");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->ToString(), folder);

  person_->file = std::nullopt;
  auto second = MakeDialog(AddOne());
  EXPECT_EQ(second->cmbFormat.listIndex, 3);
  EXPECT_EQ(FrontFrame(*second), "fraNoOptions");
  second->Fire("cmdImport_Click");
  EXPECT_EQ(person_->fileRequests.at(1).initialDir, folder);
  second->SetFormatIndex(0);  // another format keeps its own folder
  second->Fire("cmdImport_Click");
  EXPECT_EQ(person_->fileRequests.at(2).initialDir, ModuleFolder());
  second->Fire("cmdCancel_Click");  // idle: closes and stores the list index
  EXPECT_TRUE(second->Closed());
  EXPECT_EQ(ImportSettings(*rt_).ReadFileFormat(), 0);
}

TEST_F(FrmImportTest, SplitObjectsIsOffUntilTickedThenRememberedAndHandedToTheReader) {
  std::vector<bool> seen;
  const auto record = [&](readers::ImportState& state, const std::string&, CollectionRef& objects,
                          CollectionRef*) {
    seen.push_back(state.options.splitObjects);
    AddItem(objects, MakeTriangle(*rt_, "one"));
  };
  person_->file = WriteFile("parts.obj");
  {
    auto form = MakeDialog(record);
    EXPECT_EQ(form->chkSplitObjects.caption, "Split objects at 'o' lines");
    EXPECT_EQ(form->chkSplitObjects.value, Variant(int16_t{0}));
    form->chkSplitObjects.value = Variant(int16_t{1});
    form->Fire("cmdImport_Click");
    ASSERT_TRUE(form->Closed());
  }
  EXPECT_EQ(rt_->Registry().Read(kHkeyLocalMachine, std::string(kImportKey), "SplitObjects"),
            Variant(int16_t{1}));
  auto second = MakeDialog(record);
  EXPECT_EQ(second->chkSplitObjects.value, Variant(int16_t{1}));
  second->chkSplitObjects.value = Variant(int16_t{0});
  second->Fire("cmdImport_Click");
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_FALSE(ImportSettings(*rt_).ReadSplitObjects());
}

TEST_F(FrmImportTest, MaterialsBoxIsRememberedAndTheReadersMaterialsAreBoundInTheScene) {
  std::vector<bool> seen;
  const auto read = [&](readers::ImportState& state, const std::string&, CollectionRef& objects,
                        CollectionRef* materials) {
    seen.push_back(state.options.importMaterials);
    ASSERT_NE(materials, nullptr);
    ObjectRef red = rt_->CreateObject("Kestrel.CKsMaterial");
    Put(red, "Name", Variant(std::string("red")));
    AddItem(*materials, red);
    ObjectRef bound = MakeTriangle(*rt_, "bound");
    Put(bound, "MaterialKey", Variant(std::string("red")));
    AddItem(objects, bound);
    AddItem(objects, MakeTriangle(*rt_, "plain", 5));
  };
  person_->file = WriteFile("chair.obj");
  Call(ObjectRef(Scene().ObjectList()), "Add", MakeTriangle(*rt_, "there before"));
  {
    auto form = MakeDialog(read);
    EXPECT_EQ(form->chkMaterials.caption, "Import materials (.mtl)");
    EXPECT_EQ(form->chkMaterials.value, Variant(int16_t{0}));
    form->chkMaterials.value = Variant(int16_t{1});
    form->Fire("cmdImport_Click");
    ASSERT_TRUE(form->Closed());
  }
  EXPECT_TRUE(ImportSettings(*rt_).ReadImportMaterials());
  ASSERT_EQ(Scene().MaterialList()->Count(), 1);
  ASSERT_EQ(SceneObjects(), 3);
  auto object = [&](int32_t i) {
    return std::static_pointer_cast<CKsObject>(Scene().ObjectList()->Item(Variant(i)));
  };
  EXPECT_EQ(object(1)->Material(), nullptr);
  ASSERT_NE(object(2)->Material(), nullptr);
  EXPECT_EQ(object(2)->Material()->Name(), "red");
  EXPECT_EQ(object(3)->Material(), nullptr);
  auto second = MakeDialog(read);
  EXPECT_EQ(second->chkMaterials.value, Variant(int16_t{1}));
  EXPECT_EQ(seen, std::vector<bool>{true});
}

// The registry's "Threads" value reaches the reader (0, nothing or a count
// that is no count: every core), and a command line may set it for one run.
TEST_F(FrmImportTest, ThreadsComeFromTheRegistryUnlessTheRunSetsThem) {
  std::vector<int> seen;
  const auto record = [&](readers::ImportState& state, const std::string&, CollectionRef& objects,
                          CollectionRef*) {
    seen.push_back(state.options.threads);
    AddItem(objects, MakeTriangle(*rt_, "one"));
  };
  person_->file = WriteFile("scan.obj");
  for (const Variant& stored :
       {Variant(int32_t{3}), Variant(int32_t{-2}), Variant(std::string("many"))}) {
    rt_->Registry().Write(kHkeyLocalMachine, std::string(kImportKey), "Threads", stored);
    auto form = MakeDialog(record);
    form->Fire("cmdImport_Click");
    ASSERT_TRUE(form->Closed());
  }
  auto form = MakeDialog(record);
  form->txtThreads.value = Variant(int32_t{5});
  form->Fire("cmdImport_Click");
  EXPECT_EQ(seen, (std::vector<int>{3, 0, 0, 5}));
  // The run's own choice is not stored.
  EXPECT_EQ(rt_->Registry().Read(kHkeyLocalMachine, std::string(kImportKey), "Threads"),
            Variant(std::string("many")));
}

// A reader's own steps after the run, seen from the object they get.
class AfterImportReader : public StandInReader {
 public:
  AfterImportReader(readers::ImportState& state, LoadFn load, std::vector<std::string>& seen)
      : StandInReader(state, std::move(load)), seen_(seen) {}
  void AfterImport(const ObjectRef& firstObject) override {
    const auto& o = static_cast<const CKsObject&>(*firstObject);
    seen_.push_back(o.Name() + (o.Key().empty() ? " outside the scene" : " in the scene"));
  }

 private:
  std::vector<std::string>& seen_;
};

TEST_F(FrmImportTest, ReadersOwnStepsRunOnTheFirstObjectOnceItIsInTheScene) {
  for (size_t format = 0; format < kImportFormats.size(); ++format) {
    std::vector<std::string> seen;
    auto form = MakeDialog(AddOne());
    form->SetReaderFactory([&](int, readers::ImportState& st) {
      return std::make_unique<AfterImportReader>(
          st,
          [this](readers::ImportState&, const std::string&, CollectionRef& objects,
                 CollectionRef*) {
            AddItem(objects, MakeTriangle(*rt_, "first"));
            AddItem(objects, MakeTriangle(*rt_, "second"));
          },
          seen);
    });
    person_->file = WriteFile("parts." + std::string(kImportFormats[format].extension));
    form->SetFormatIndex(static_cast<int>(format));
    form->Fire("cmdImport_Click");
    ASSERT_TRUE(form->Closed());
    EXPECT_EQ(seen, std::vector<std::string>{"first in the scene"}) << format;
  }
}

TEST_F(FrmImportTest, WhatTheReaderPassedOverIsToldOnceAtTheEndOfAFinishedRun) {
  static constexpr readers::WarningKind kKind{"primitive", "primitives",
                                              "only meshes are imported"};
  bool stop = false;
  const auto read = [&](readers::ImportState& state, const std::string&, CollectionRef& objects,
                        CollectionRef*) {
    state.warnings.Count(kKind, "sphere");
    state.warnings.Count(kKind, "box");
    AddItem(objects, MakeTriangle(*rt_, "one"));
    if (stop) state.StopImport = -1;
  };
  person_->file = WriteFile("scene.inc");
  auto form = MakeDialog(read);
  form->Fire("cmdImport_Click");
  ASSERT_TRUE(form->Closed());
  ASSERT_EQ(person_->messages.size(), 1u);
  EXPECT_EQ(person_->messages[0].text,
            "passed over 2 primitives (sphere, box): only meshes are imported");
  EXPECT_EQ(person_->messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(SceneObjects(), 1);
  // A stopped run tells nothing; each run counts afresh.
  stop = true;
  auto second = MakeDialog(read);
  second->Fire("cmdImport_Click");
  EXPECT_FALSE(second->Closed());
  EXPECT_EQ(person_->messages.size(), 1u);
  stop = false;
  second->Fire("cmdImport_Click");
  ASSERT_EQ(person_->messages.size(), 2u);
  EXPECT_EQ(person_->messages[1].text, person_->messages[0].text);
}

TEST_F(FrmImportTest, EachFormatGetsItsReader) {
  readers::ImportState state(*rt_);
  EXPECT_TRUE(dynamic_cast<readers::CImp_OBJ*>(CreateReader(0, state).get()));
  EXPECT_TRUE(dynamic_cast<readers::CImp_DXF*>(CreateReader(1, state).get()));
  EXPECT_TRUE(dynamic_cast<readers::CImp_3DS*>(CreateReader(2, state).get()));
  EXPECT_TRUE(dynamic_cast<readers::CImp_POV*>(CreateReader(3, state).get()));
  EXPECT_THROW(CreateReader(4, state), ComError);
  EXPECT_THROW(CreateReader(-1, state), ComError);
}

TEST_F(FrmImportTest, ModuleFolderEndsWithASeparatorAndExists) {
  std::string folder = ModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace ks::importer::test
