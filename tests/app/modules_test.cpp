// The modules kestrel loads on demand: a module that is missing, is no
// library or lacks its entry function is refused with a message naming it and
// the loader's reason; the built modules load once and work. kestrel run from
// a folder without modules still imports, and fails the commands that need a
// module with that message and exit code 1, before it imports anything.
// Each command loads only the libraries it needs.
#include "app/modules/modules.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app_folders.h"
#include "app/modules/module_api.h"
#include "host/ks_scene.h"
#include "testing/test_folder.h"

namespace {

namespace fs = std::filesystem;

class ModulesTest : public ::testing::Test {
 protected:
  ks::testing::TestFolder folder_{"ks-modules"};
  const fs::path& dir_ = folder_.path();

  // The message of the ModuleError the call raises; empty when none.
  template <class Call>
  static std::string Refusal(Call call) {
    try {
      call();
    } catch (const kestrel::ModuleError& e) {
      return e.what();
    }
    return {};
  }
  static std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

fs::path BuiltModules() {
  return kestrel::ProgramFolders().modules;
}

TEST_F(ModulesTest, UnusableModulesAreRefusedWithTheirNameAndTheReason) {
  // Not there; not a library; a library without this module's entry function.
  std::ofstream(dir_ / kestrel::kExportModuleFile) << std::string(4096, 'x');
  fs::copy_file(BuiltModules() / kestrel::kRenderModuleFile, dir_ / kestrel::kDesktopModuleFile);
  kestrel::Modules modules(dir_);

  const std::string missing = Refusal([&] { modules.Render(); });
  const std::string renderFile = (dir_ / kestrel::kRenderModuleFile).string();
  EXPECT_EQ(missing, "cannot load the render module " + renderFile +
                         ": cannot open shared object file: No such file or directory");

  const std::string notLibrary = Refusal([&] { modules.Export(); });
  EXPECT_TRUE(notLibrary.starts_with("cannot load the export module " +
                                     (dir_ / kestrel::kExportModuleFile).string() + ": "))
      << notLibrary;
  EXPECT_NE(notLibrary.find("ELF"), std::string::npos) << notLibrary;

  EXPECT_EQ(Refusal([&] { modules.Desktop(); }), "cannot use the desktop module " +
                                                     (dir_ / kestrel::kDesktopModuleFile).string() +
                                                     ": it has no function KestrelDesktopModule");

  // A refusal is not remembered as a success: asking again refuses again.
  EXPECT_EQ(Refusal([&] { modules.Render(); }), missing);

  std::ostringstream err;
  EXPECT_TRUE(modules.Preload(false, false, err));
  EXPECT_FALSE(modules.Preload(false, true, err));
  EXPECT_EQ(err.str(), "kestrel: " + notLibrary + "\n");
}

TEST_F(ModulesTest, BuiltModulesLoadOnceAndExport) {
  kestrel::Modules modules(BuiltModules());
  const kestrel::ExportModule& exporter = modules.Export();
  EXPECT_EQ(&exporter, &modules.Export());
  EXPECT_EQ(modules.Render().interfaceVersion, kestrel::kModuleInterfaceVersion);

  auto scene = std::make_shared<ks::CKsScene>();
  auto tri = std::make_shared<ks::CKsObject>();
  tri->AddVertices(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});
  tri->AddTriangles(std::vector<int32_t>{0, 1, 2});
  scene->ObjectList()->AddObject(tri);
  exporter.exportScene(*scene, dir_ / "tri.obj");
  EXPECT_NE(ReadAll(dir_ / "tri.obj").find("f  1//1 2//1 3//1"), std::string::npos);
  // The module's errors reach the caller as the host's own.
  EXPECT_THROW(exporter.exportScene(*scene, dir_ / "tri.xyz"), ks::ComError);
}

TEST_F(ModulesTest, FoldersFollowTheInstalledOrTheBuildLayout) {
  const fs::path build = dir_ / "build", installed = dir_ / "usr";
  fs::create_directories(installed / "lib" / "kestrel" / "plugins");
  const kestrel::AppFolders inBuild = kestrel::FoldersBeside(build / "bin" / "kestrel");
  EXPECT_EQ(inBuild.plugins, build / "plugins");
  EXPECT_EQ(inBuild.modules, build / "lib");
  const kestrel::AppFolders inInstall = kestrel::FoldersBeside(installed / "bin" / "kestrel");
  EXPECT_EQ(inInstall.plugins, installed / "lib" / "kestrel" / "plugins");
  EXPECT_EQ(inInstall.modules, installed / "lib" / "kestrel");
}

// kestrel copied into a folder of its own: the plug-ins beside it, no modules.
TEST_F(ModulesTest, KestrelWithoutModulesImportsAndRefusesWhatNeedsThem) {
  fs::create_directories(dir_ / "bin");
  fs::copy_file(KS_KESTREL, dir_ / "bin" / "kestrel");
  fs::create_directory_symlink(kestrel::ProgramFolders().plugins, dir_ / "plugins");
  std::ofstream(dir_ / "tri.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  // kestrel finds the host library beside its modules' folder, in ../lib.
  const fs::path modules = dir_ / "lib";
  fs::create_directory(modules);
  fs::create_symlink(kestrel::ProgramFolders().modules / "libkshost.so", modules / "libkshost.so");

  struct Case {
    std::string args;
    int exitCode;
    std::string refusal;  // empty: the command needs no module and prints the object
  };
  std::vector<Case> cases{
      {"import tri.obj", 0, ""},
      {"import tri.obj --json --geometry", 0, ""},
      {"import tri.obj --export out.obj", 1, "export"},
      {"render tri.obj -o out.png", 1, "render"},
      {"path --points '10,10 100,10 100,100' --extrude --render out.png", 1, "render"},
  };
#ifdef KS_WITH_GUI
  cases.push_back({"", 1, "desktop"});
  cases.push_back({"gui tri.obj", 1, "desktop"});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string command = "cd '" + dir_.string() + "' && env -u DISPLAY KESTREL_REGISTRY=" +
                                "registry.ini bin/kestrel " + c.args + " >stdout 2>stderr";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    const std::string out = ReadAll(dir_ / "stdout"), err = ReadAll(dir_ / "stderr");
    if (c.refusal.empty()) {
      EXPECT_TRUE(out.find("3 vertices, 1 triangles") != std::string::npos ||
                  out.find("\"vertices\":3,\"triangles\":1") != std::string::npos)
          << out << err;
      continue;
    }
    // Refused before any work: nothing on stdout, one line on stderr.
    const std::string file = (modules / ("libkestrel-" + c.refusal + ".so")).string();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "kestrel: cannot load the " + c.refusal + " module " + file +
                       ": cannot open shared object file: No such file or directory\n");
  }
  EXPECT_FALSE(fs::exists(dir_ / "out.obj") || fs::exists(dir_ / "out.png"));
}

// A library of a name kestrel needs, lying in the folder kestrel is run from,
// is not loaded: kestrel starts with its own.
TEST_F(ModulesTest, KestrelLoadsNoLibraryFromTheCurrentFolder) {
  for (const char* name : {"libstdc++.so.6", "libkshost.so", "libm.so.6"})
    fs::copy_file(kestrel::ProgramFolders().modules / "libksimage.so", dir_ / name);
  const std::string command =
      "cd '" + dir_.string() + "' && '" + std::string(KS_KESTREL) + "' --version >stdout 2>stderr";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadAll(dir_ / "stderr");
  EXPECT_EQ(ReadAll(dir_ / "stdout").rfind("kestrel ", 0), 0u);
}

// The libraries the dynamic loader opened for one run of kestrel, as it
// reports them with LD_DEBUG=files.
std::vector<std::string> LibrariesOpened(const fs::path& dir, const std::string& args) {
  const std::string command = "cd '" + dir.string() +
                              "' && LD_DEBUG=files KESTREL_REGISTRY=registry.ini '" + KS_KESTREL +
                              "' " + args + " >/dev/null 2>loader";
  EXPECT_EQ(std::system(command.c_str()), 0) << args;
  std::ifstream in(dir / "loader");
  std::vector<std::string> opened;
  for (std::string line; std::getline(in, line);)
    if (auto at = line.find("file="); at != std::string::npos)
      opened.push_back(line.substr(at + 5, line.find_first_of(" \t;", at) - at - 5));
  return opened;
}

TEST_F(ModulesTest, CommandsLoadOnlyTheLibrariesTheyNeed) {
  std::ofstream(dir_ / "tri.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  struct Case {
    std::string args;
    std::vector<std::string> unwanted;
  };
  const std::vector<std::string> heavy{"libkestrel-", "libassimp", "libQt6Gui", "libQt6Widgets",
                                       "libEGL",      "libGL",     "libOpenGL"};
  const std::vector<Case> cases{
      {"--version", heavy},
      {"import tri.obj", heavy},
      {"import tri.obj --json --geometry", heavy},
      {"plugins", heavy},
      {"import tri.obj --export tri.ply", {"libkestrel-render", "libkestrel-desktop", "libQt6Gui"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::vector<std::string> opened = LibrariesOpened(dir_, c.args);
    EXPECT_FALSE(opened.empty());
    for (const std::string& library : opened)
      for (const std::string& name : c.unwanted) EXPECT_EQ(library.find(name), std::string::npos);
  }
  // What export needs is loaded for it.
  const std::vector<std::string> exporting = LibrariesOpened(dir_, "import tri.obj --export t.ply");
  EXPECT_TRUE(std::any_of(exporting.begin(), exporting.end(), [](const std::string& library) {
    return library.find("libassimp") != std::string::npos;
  }));
}

}  // namespace
