// kestrel convert FILE... [--to glb|gltf|obj|ply|stl|dae] [-o DIR] [import options] [--jobs N]
//
// Imports each file through the KsImport plug-in, in a fresh scene, and
// exports it, several files at a time. Folders are searched for the files
// kestrel imports. Ends with a summary; exit 1 when any file failed, 130 when
// stopped by Ctrl-C (files already converted are kept, the others leave
// nothing behind).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <thread>

#include "app/cmd_convert_plan.h"
#include "app/cmd_convert_run.h"
#include "app/commands.h"
#include "app/plugin_import.h"

namespace kestrel {
namespace {

struct ConvertCommandOptions {
  std::vector<std::string> inputs;
  std::string to = "glb";
  std::string outputFolder;
  ImportOptions import;
  unsigned jobs = 0;  // 0: one per core
};

// The import command's options that carry the chosen ones to each import.
// Without --threads, the cores are shared out among the imports that run at
// once, so that a batch does not start jobs x cores reading threads.
std::vector<std::string> ImportArguments(const ImportOptions& o, unsigned jobs) {
  std::vector<std::string> args;
  if (!o.format.empty()) args.insert(args.end(), {"--format", o.format});
  if (o.normals) args.push_back("--normals");
  if (o.smoothAll) args.push_back("--smooth-all");
  if (o.splitObjects) args.push_back("--split-objects");
  if (o.materials) args.push_back("--materials");
  if (o.autoSmooth) args.push_back("--auto-smooth");
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int threads = o.threads >= 0 ? o.threads : static_cast<int>(std::max(1u, cores / jobs));
  args.insert(args.end(), {"--threads", std::to_string(threads)});
  return args;
}

void WriteSummary(const ConvertOutcome& outcome, size_t total, bool listConverted) {
  if (outcome.interruptSignal) {
    std::cerr << "kestrel: interrupted: converted " << outcome.converted.size() << " of " << total
              << " files";
    if (!outcome.failed.empty()) std::cerr << ", " << outcome.failed.size() << " failed";
    std::cerr << ", " << outcome.notDone << " not converted\n";
    // Which were done, when they have not been listed as they came.
    if (!listConverted)
      for (const ConvertJob& job : outcome.converted)
        std::cout << job.input.string() << " -> " << job.output.string() << "\n";
  } else {
    std::cerr << "kestrel: converted " << outcome.converted.size() << " of " << total << " files";
    std::cerr << (outcome.failed.empty()
                      ? "\n"
                      : ", " + std::to_string(outcome.failed.size()) + " failed:\n");
  }
  for (const ConvertFailure& f : outcome.failed)
    std::cerr << "  " << f.input.string() << ": " << f.message << "\n";
}

int RunConvert(const ConvertCommandOptions& opt) {
  ConvertPlanRequest request;
  request.arguments.assign(opt.inputs.begin(), opt.inputs.end());
  request.to = opt.to;
  request.outputFolder = opt.outputFolder;
  const std::vector<ConvertJob> jobs = PlanConversion(request);
  if (jobs.empty()) {
    std::cerr << "kestrel: no files to convert (folders are searched for .obj, .dxf, .3ds and "
                 ".inc files)\n";
    return kExitFailed;
  }
  ConvertRunOptions run;
  std::error_code ec;
  run.program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    std::cerr << "kestrel: cannot find the kestrel program: " << ec.message() << "\n";
    return kExitFailed;
  }
  run.jobs = opt.jobs ? opt.jobs : std::max(1u, std::thread::hardware_concurrency());
  run.importArguments = ImportArguments(opt.import, run.jobs);
  run.showProgress = isatty(STDERR_FILENO) != 0;
  run.listConverted = isatty(STDOUT_FILENO) == 0;
  const ConvertOutcome outcome = RunConversion(jobs, run, std::cout, std::cerr);
  WriteSummary(outcome, jobs.size(), run.listConverted);
  if (outcome.interruptSignal) return 128 + outcome.interruptSignal;
  return outcome.failed.empty() ? kExitOk : kExitFailed;
}

}  // namespace

const std::vector<std::string>& ConvertTargets() {
  static const std::vector<std::string> targets{"glb", "gltf", "obj", "ply", "stl", "dae"};
  return targets;
}

void AddConvertCommand(CLI::App& app, CommandRunner& runner) {
  auto opt = std::make_shared<ConvertCommandOptions>();
  auto* cmd = app.add_subcommand(
      "convert", "Import files through the KsImport plug-in and export each, several at a time");
  cmd->add_option("FILE", opt->inputs,
                  "files to convert; folders are searched for .obj, .dxf, .3ds and .inc files")
      ->required();
  cmd->add_option("--to", opt->to, "export format (default glb)")
      ->check(CLI::IsMember(ConvertTargets(), CLI::ignore_case));
  cmd->add_option("-o,--output-dir", opt->outputFolder,
                  "folder for the exports (default: beside each file)");
  AddImportFormatOptions(*cmd, opt->import);
  cmd->add_option("-j,--jobs", opt->jobs, "files converted at a time (default: one per core)")
      ->check(CLI::Range(1u, 1024u));
  cmd->callback([&runner, opt] { runner = [opt](AppContext&) { return RunConvert(*opt); }; });
}

}  // namespace kestrel
