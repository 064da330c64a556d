#include "app/plugin_import.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <filesystem>
#include <iostream>

#include "app/scripted_import_person.h"
#include "host/runtime.h"
#include "import/import_formats.h"

namespace kestrel {
namespace {

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

// The extensions of the format list.
std::vector<std::string> Extensions() {
  std::vector<std::string> out;
  for (const ks::importer::ImportFormat& f : ks::importer::kImportFormats)
    out.emplace_back(f.extension);
  return out;
}

}  // namespace

void AddImportOptions(CLI::App& cmd, ImportOptions& opt) {
  cmd.add_option("FILE", opt.file, "the file to import (" + ks::importer::ExtensionList(", ") + ")")
      ->required();
  AddImportFormatOptions(cmd, opt);
}

void AddImportFormatOptions(CLI::App& cmd, ImportOptions& opt) {
  cmd.add_option("--format", opt.format, "file format; default: the file's extension")
      ->check(CLI::IsMember(Extensions(), CLI::ignore_case));
  cmd.add_flag("--normals", opt.normals, "WaveFront: import the file's normals");
  cmd.add_flag("--smooth-all", opt.smoothAll, "WaveFront: smooth all normal groups");
  cmd.add_flag("--split-objects", opt.splitObjects,
               "WaveFront: each 'o NAME' line starts an object of that name");
  cmd.add_flag("--materials", opt.materials,
               "WaveFront: read the .mtl material libraries and bind faces to their materials");
  cmd.add_flag("--auto-smooth", opt.autoSmooth, "3DStudio: smooth the normals automatically");
  cmd.add_option("--threads", opt.threads,
                 "threads that read one large WaveFront or DXF file (0: every core; default: the "
                 "registry's \"Threads\" value, else every core)")
      ->check(CLI::Range(0, 1024));
}

ImportOutcome ImportThroughPlugin(AppContext& ctx, const ImportOptions& opt) {
  ImportOutcome outcome;
  std::string extension = opt.format;
  if (extension.empty()) {
    extension = std::filesystem::path(opt.file).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
  }
  int format = ks::importer::FormatIndex(extension);
  if (format < 0) {
    std::cerr << "kestrel: cannot tell the format of " << opt.file << ": name it with --format "
              << ks::importer::ExtensionList("|") << "\n";
    outcome.exitCode = kExitUsage;
    return outcome;
  }

  ks::ObjectRef scene = ctx.runtime.CreateObject("Kestrel.CKsScene");
  outcome.scene = std::dynamic_pointer_cast<ks::CKsScene>(scene);
  if (!outcome.scene) {
    std::cerr << "kestrel: the scene class is not the host's own\n";
    outcome.exitCode = kExitFailed;
    return outcome;
  }
  ks::ObjectRef plugin = ctx.runtime.CreateObject("KsImport.CPlugIn");

  auto person = std::make_shared<ScriptedImportPerson>(
      ImportAnswers{format, opt.normals, opt.smoothAll, opt.autoSmooth, opt.file, opt.splitObjects,
                    opt.materials, opt.threads},
      std::cerr, &gInterrupted, isatty(STDERR_FILENO) != 0);
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
    outcome.exitCode = kExitInterrupted;
    return outcome;
  }
  // A failed, stopped or cancelled run leaves the scene as it was; the
  // dialog has said why on stderr.
  if (!person->RunFinished()) {
    outcome.exitCode = kExitFailed;
    return outcome;
  }
  outcome.finished = true;
  outcome.selectedObject = ks::Get(plugin, "SelectedObject").ToLong();
  outcome.warnings = person->Warnings();
  // The run went through but skipped an error: the objects are there, yet
  // the import is not a success.
  outcome.exitCode = person->ErrorShown() ? kExitFailed : kExitOk;
  return outcome;
}

}  // namespace kestrel
