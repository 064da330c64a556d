// The plug-in class, in-process and loaded from its library by class name.
#include "import/c_plug_in.h"

#include "import_test_support.h"
#include "ks_version.h"
#include "testing/own_process.h"

namespace ks::importer::test {
namespace {

class PlugInTest : public ImportFixture {
 protected:
  // The person imports `count` stand-in objects in the dialog, or presses
  // Cancel when count is negative.
  void ImportInDialog(int count, bool tickNormals = false) {
    person_->file = WriteFile("a.obj");
    person_->onShow = [this, count, tickNormals](Form& f) {
      auto& form = dynamic_cast<frmImport&>(f);
      seenNormalsTicked_.push_back(Checked(form.chkNorm));
      form.SetReaderFactory([this, count](int, readers::ImportState& st) {
        return std::make_unique<StandInReader>(
            st, [this, count](readers::ImportState&, const std::string&, CollectionRef& objects,
                              CollectionRef*) {
              for (int i = 0; i < count; ++i) AddItem(objects, MakeTriangle(*rt_, "obj"));
            });
      });
      if (tickNormals) form.chkNorm.value = Variant(int16_t{1});
      form.Fire(count < 0 ? "cmdCancel_Click" : "cmdImport_Click");
    };
  }
  static bool Checked(const Control& c) { return c.value.ToLong() != 0; }
  void CheckUnusableViewModules();

  std::vector<bool> seenNormalsTicked_;
};

TEST_F(PlugInTest, NameTypeAndSelectedObjectAcrossTwoRuns) {
  ObjectRef plugin = std::make_shared<CPlugIn>(*rt_);
  EXPECT_EQ(Get(plugin, "Name").ToString(), "Import Object v" + std::to_string(KS_VERSION_MAJOR) +
                                                "." + std::to_string(KS_VERSION_MINOR));
  EXPECT_EQ(Get(plugin, "PlugInType"), Variant(int32_t{3}));
  EXPECT_EQ(Get(plugin, "SelectedObject"), Variant(int32_t{0}));

  Call(Get(scene_, "ListObjects").ToObject(), "Add", MakeTriangle(*rt_, "old"));
  ImportInDialog(2, true);
  std::vector<Variant> args{Variant(scene_)};
  Call(plugin, "ExecutePlugIn", args);
  EXPECT_EQ(args[0].ToObject(), scene_);  // the scene is handed back
  EXPECT_EQ(Get(plugin, "SelectedObject"), Variant(int32_t{2}));
  EXPECT_EQ(SceneObjects(), 3);

  ImportInDialog(-1);  // the second run is cancelled: its -1 replaces the 2
  Call(plugin, "ExecutePlugIn", args);
  EXPECT_EQ(Get(plugin, "SelectedObject"), Variant(int32_t{-1}));
  EXPECT_EQ(person_->shows, 2);
  // Each call has its own dialog: the tick of the first is gone in the second.
  EXPECT_EQ(seenNormalsTicked_, (std::vector<bool>{false, false}));
}

TEST_F(PlugInTest, ExecuteWithoutSceneIsAnErrorAndShowsNothing) {
  ObjectRef plugin = std::make_shared<CPlugIn>(*rt_);
  for (Variant arg : {Variant::Nothing(), Variant(int32_t{5})}) {
    std::vector<Variant> args{arg};
    EXPECT_THROW(Call(plugin, "ExecutePlugIn", args), ComError);
  }
  EXPECT_EQ(person_->shows, 0);
  EXPECT_EQ(Get(plugin, "SelectedObject"), Variant(int32_t{0}));
}

TEST_F(PlugInTest, LibraryIsLoadedByClassNameAndImportsWithItsOwnReaders) {
  EXPECT_EQ(rt_->RegisterServer(KS_IMPORT_PLUGIN), std::vector<std::string>{"KsImport.CPlugIn"});
  auto classes = rt_->RegisteredClasses();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].description, "Ks Import Object");
  {
    ObjectRef plugin = rt_->CreateObject("KsImport.CPlugIn");
    EXPECT_EQ(Get(plugin, "PlugInType").ToLong(), 3);
    EXPECT_TRUE(Get(plugin, "Name").ToString().starts_with("Import Object v"));
    // The library's own readers import a real file.
    person_->file = WriteFile("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    person_->onShow = [](Form& f) { f.Fire("cmdImport_Click"); };
    std::vector<Variant> args{Variant(scene_)};
    Call(plugin, "ExecutePlugIn", args);
    EXPECT_TRUE(person_->messages.empty());
    EXPECT_EQ(Get(plugin, "SelectedObject").ToLong(), 1);
    EXPECT_EQ(args[0].ToObject(), scene_);
    ASSERT_EQ(SceneObjects(), 1);
    EXPECT_EQ(Scene().ObjectList()->Objects()[0]->TriangleCount(), 1);
    // The library's own folder is where its file dialog starts.
    ASSERT_EQ(person_->fileRequests.size(), 1u);
    EXPECT_EQ(person_->fileRequests[0].initialDir,
              std::filesystem::weakly_canonical(KS_IMPORT_PLUGIN).parent_path().string() + "/");
    EXPECT_EQ(rt_->FreeUnusedLibraries(), 0);  // the plug-in object is alive
  }
  EXPECT_EQ(rt_->FreeUnusedLibraries(), 1);
  rt_->UnregisterServer(KS_IMPORT_PLUGIN);
  EXPECT_TRUE(rt_->RegisteredClasses().empty());
}

// At the desktop the plug-in loads its view module from views/ beside its
// library. A copy of the library in a folder of its own meets each way the
// module can be unusable: the person is told which module and why, nothing is
// shown or imported, and the next call tries again.
TEST_F(PlugInTest, UnusableViewModuleIsExplainedToThePersonAtTheDesktop) {
  ks::testing::ExpectInOwnProcess([this] { CheckUnusableViewModules(); });
}

void PlugInTest::CheckUnusableViewModules() {
  namespace fs = std::filesystem;
  const fs::path plugins = dir_ / "plugins";
  const fs::path module = plugins / "views" / "libKsImportView.so";
  fs::create_directories(module.parent_path());
  fs::copy_file(KS_IMPORT_PLUGIN, plugins / "libKsImport.so");
  rt_->RegisterServer(plugins / "libKsImport.so");
  ObjectRef plugin = rt_->CreateObject("KsImport.CPlugIn");
  person_->desktop = true;

  const struct {
    std::function<void()> breakModule;
    std::string reason;
  } rows[] = {
      {[] {}, "No such file or directory"},
      {[&] { WriteFile("plugins/views/libKsImportView.so", std::string(200, '#')); },
       "invalid ELF header"},
      {[&] { fs::copy_file(KS_IMPORT_PLUGIN, module, fs::copy_options::overwrite_existing); },
       "no entry point KsShowFormView"},
  };
  for (const auto& row : rows) {
    row.breakModule();
    person_->messages.clear();
    std::vector<Variant> args{Variant(scene_)};
    Call(plugin, "ExecutePlugIn", args);
    ASSERT_EQ(person_->messages.size(), 1u) << row.reason;
    const ShownMessage& said = person_->messages[0];
    EXPECT_NE(said.text.find(module.string()), std::string::npos) << said.text;
    EXPECT_NE(said.text.find(row.reason), std::string::npos) << said.text;
    EXPECT_EQ(said.icon, MsgIcon::Critical);
    EXPECT_EQ(said.title, kMessageTitle);
    EXPECT_EQ(args[0].ToObject(), scene_);
    EXPECT_EQ(Get(plugin, "SelectedObject").ToLong(), -1);  // as if cancelled
  }
  EXPECT_EQ(person_->shows, 0);
  EXPECT_TRUE(person_->fileRequests.empty());
  EXPECT_EQ(SceneObjects(), 0);
}

}  // namespace
}  // namespace ks::importer::test
