// kestrel: the stand-in host. Loads the plug-ins by class name, keeps the
// scene, prints and exports it.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"
#include "host/host_classes.h"
#include "host/runtime.h"

namespace {

// The plug-in folder: ../plugins next to the executable's folder.
std::filesystem::path PluginFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "plugins";
  return exe.parent_path().parent_path() / "plugins";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kestrel: import meshes and build objects from paths through the Ks plug-ins"};
  app.require_subcommand(1);
  kestrel::CommandRunner runner;
  kestrel::AddImportCommand(app, runner);
  kestrel::AddPathCommand(app, runner);
  kestrel::AddTraceCommand(app, runner);
  kestrel::AddPluginCommands(app, runner);
  kestrel::AddRenderCommand(app, runner);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? kestrel::kExitOk : kestrel::kExitUsage;
  }
  try {
    ks::Runtime runtime;
    ks::RegisterHostClasses(runtime);
    kestrel::AppContext ctx{runtime, PluginFolder()};
    for (const auto& problem : kestrel::RegisterPluginFolder(runtime, ctx.pluginDir))
      std::cerr << "kestrel: " << problem << "\n";
    return runner ? runner(ctx) : kestrel::kExitUsage;
  } catch (const ks::ComError& e) {
    std::cerr << "kestrel: " << e.description() << "\n";
    return kestrel::kExitFailed;
  } catch (const std::exception& e) {
    std::cerr << "kestrel: " << e.what() << "\n";
    return kestrel::kExitFailed;
  }
}
