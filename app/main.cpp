// kestrel: the stand-in host. Loads the plug-ins by class name, keeps the
// scene, prints and exports it. Pictures, export and the main window live in
// modules loaded when a command needs them, so that the other commands start
// without Qt Gui, OpenGL or assimp.
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/app_folders.h"
#include "app/commands.h"
#include "host/host_classes.h"
#include "host/runtime.h"
#include "ks_version.h"

int main(int argc, char** argv) {
  CLI::App app{"kestrel: import meshes and build objects from paths through the Ks plug-ins"};
  app.require_subcommand(0, 1);
  app.set_version_flag("--version", "kestrel " KS_VERSION_TEXT);
  kestrel::CommandRunner runner;
  kestrel::AddImportCommand(app, runner);
  kestrel::AddPathCommand(app, runner);
  kestrel::AddTraceCommand(app, runner);
  kestrel::AddPluginCommands(app, runner);
  kestrel::AddRenderCommand(app, runner);
  kestrel::AddConvertCommand(app, runner);
  kestrel::AddThumbnailCommand(app, runner);
#ifdef KS_WITH_GUI
  kestrel::AddGuiCommand(app, runner, argv[0]);
#endif
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? kestrel::kExitOk : kestrel::kExitUsage;
  }
  try {
    ks::Runtime runtime;
    if (auto notice = runtime.Registry().TakeNotice()) std::cerr << "kestrel: " << *notice << "\n";
    ks::RegisterHostClasses(runtime);
    const kestrel::AppFolders folders = kestrel::ProgramFolders();
    kestrel::AppContext ctx{runtime, folders.plugins, kestrel::Modules(folders.modules)};
    for (const auto& problem : kestrel::RegisterPluginFolder(runtime, ctx.pluginDir))
      std::cerr << "kestrel: " << problem << "\n";
    if (runner) return runner(ctx);
#ifdef KS_WITH_GUI
    // No command: the main window.
    return kestrel::RunGui(ctx, {}, argv[0]);
#else
    std::cerr << app.help();
    return kestrel::kExitUsage;
#endif
  } catch (const ks::ComError& e) {
    std::cerr << "kestrel: " << e.description() << "\n";
    return kestrel::kExitFailed;
  } catch (const std::exception& e) {
    std::cerr << "kestrel: " << e.what() << "\n";
    return kestrel::kExitFailed;
  }
}
