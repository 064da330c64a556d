// kestrel import FILE [--format obj|dxf|3ds|inc] [--normals] [--smooth-all]
//                     [--auto-smooth] [--export OUT] [--json [--geometry]]
//
// Imports FILE into a fresh scene through the KsImport plug-in, created by
// class name as any host would: a scripted person works the plug-in's dialog.
// Prints the scene (summary, or JSON) and can export it.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <csignal>
#include <iostream>

#include "app/commands.h"
#include "app/scene_export.h"
#include "app/scene_report.h"
#include "app/scripted_import_person.h"
#include "host/ks_scene.h"
#include "host/runtime.h"

namespace kestrel {
namespace {

// The format list of the import dialog, by extension.
constexpr std::array<std::string_view, 4> kFormats{"obj", "dxf", "3ds", "inc"};

// Set by the SIGINT handler, read by the scripted person between reader turns.
volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
}

// Catches Ctrl-C while it lives; restores the previous handler afterwards.
// An interrupt ignored from the start (a background job) stays ignored.
class InterruptGuard {
 public:
  InterruptGuard() {
    gInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
    if (previous_.sa_handler == SIG_IGN) sigaction(SIGINT, &previous_, nullptr);
  }
  ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction previous_ {};
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Index in the format list, or -1.
int FormatIndex(const std::string& extension) {
  auto it = std::find(kFormats.begin(), kFormats.end(), Lower(extension));
  return it == kFormats.end() ? -1 : static_cast<int>(it - kFormats.begin());
}

struct ImportOptions {
  std::string file;
  std::string format;
  bool normals = false;
  bool smoothAll = false;
  bool autoSmooth = false;
  std::string exportFile;
  bool json = false;
  bool geometry = false;
};

int RunImport(AppContext& ctx, const ImportOptions& opt) {
  std::string extension = opt.format;
  if (extension.empty()) {
    extension = std::filesystem::path(opt.file).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
  }
  int format = FormatIndex(extension);
  if (format < 0) {
    std::cerr << "kestrel: cannot tell the format of " << opt.file
              << ": name it with --format obj|dxf|3ds|inc\n";
    return kExitUsage;
  }

  ks::ObjectRef scene = ctx.runtime.CreateObject("Kestrel.CKsScene");
  auto* hostScene = dynamic_cast<ks::CKsScene*>(scene.get());
  if (!hostScene) {
    std::cerr << "kestrel: the scene class is not the host's own\n";
    return kExitFailed;
  }
  ks::ObjectRef plugin = ctx.runtime.CreateObject("KsImport.CPlugIn");

  auto person = std::make_shared<ScriptedImportPerson>(
      ImportAnswers{format, opt.normals, opt.smoothAll, opt.autoSmooth, opt.file}, std::cerr,
      &gInterrupted, isatty(STDERR_FILENO) != 0);
  ctx.runtime.SetPerson(person);
  bool interrupted = false;
  {
    InterruptGuard guard;
    std::vector<ks::Variant> args{ks::Variant(scene)};
    ks::Call(plugin, "ExecutePlugIn", args);
    interrupted = gInterrupted != 0;
  }
  ctx.runtime.SetPerson(nullptr);
  if (interrupted) {
    std::cerr << "kestrel: import interrupted\n";
    return kExitInterrupted;
  }
  // A failed, stopped or cancelled run leaves the scene as it was; the
  // dialog has said why on stderr.
  if (!person->RunFinished()) return kExitFailed;

  if (hostScene->ObjectList()->Count() == 0)
    std::cerr << "kestrel: " << opt.file << " holds no objects to import\n";
  SceneReport report{*hostScene, opt.file, ks::Get(plugin, "SelectedObject").ToLong(),
                     opt.geometry};
  if (opt.json)
    WriteSceneJson(std::cout, report);
  else
    WriteSceneSummary(std::cout, report);
  std::cout.flush();
  if (!opt.exportFile.empty()) {
    try {
      std::filesystem::path out(opt.exportFile);
      std::error_code ec;
      if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
      ExportScene(*hostScene, out);
    } catch (const ks::ComError& e) {
      std::cerr << "kestrel: " << e.description() << "\n";
      return kExitFailed;
    }
  }
  // The run went through but skipped an error: the objects are there, yet
  // the import is not a success.
  return person->ErrorShown() ? kExitFailed : kExitOk;
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandRunner& runner) {
  static ImportOptions opt;
  auto* cmd = app.add_subcommand("import", "Import a mesh file through the KsImport plug-in");
  cmd->add_option("FILE", opt.file, "the file to import (obj, dxf, 3ds, inc)")->required();
  cmd->add_option("--format", opt.format, "file format; default: the file's extension")
      ->check(CLI::IsMember({"obj", "dxf", "3ds", "inc"}, CLI::ignore_case));
  cmd->add_flag("--normals", opt.normals, "WaveFront: import the file's normals");
  cmd->add_flag("--smooth-all", opt.smoothAll, "WaveFront: smooth all normal groups");
  cmd->add_flag("--auto-smooth", opt.autoSmooth, "3DStudio: smooth the normals automatically");
  cmd->add_option("--export", opt.exportFile,
                  "write the scene to OUT; format by extension (obj, ply, stl, glb, gltf, ...)");
  auto* json = cmd->add_flag("--json", opt.json, "print the scene as one JSON document");
  cmd->add_flag("--geometry", opt.geometry, "with --json: add each object's vertices and triangles")
      ->needs(json);
  cmd->callback([&runner] { runner = [](AppContext& ctx) { return RunImport(ctx, opt); }; });
}

}  // namespace kestrel
