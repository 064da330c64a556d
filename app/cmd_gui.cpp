// kestrel gui [FILE...] [--screenshot PNG], and kestrel without a command:
// the main window, with the files named imported into its scene one after
// the other. The window lives in the desktop module, loaded only here.
#include <CLI/CLI.hpp>

#include "app/commands.h"
#include "app/modules/module_api.h"

namespace kestrel {

int RunGui(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
           const std::string& screenshot) {
  return ctx.modules.Desktop().runGui(ctx, files, programName, screenshot);
}

void AddGuiCommand(CLI::App& app, CommandRunner& runner, const char* programName) {
  struct GuiOptions {
    std::vector<std::string> files;
    std::string screenshot;
  };
  auto opt = std::make_shared<GuiOptions>();
  auto* cmd = app.add_subcommand("gui", "Open the main window, importing the files named");
  cmd->add_option("FILE", opt->files, "files to import (obj, dxf, 3ds, inc)");
  cmd->add_option("--screenshot", opt->screenshot,
                  "save a picture of the window once it has drawn, then quit");
  cmd->callback([&runner, opt, programName] {
    runner = [opt, programName](AppContext& ctx) {
      return RunGui(ctx, opt->files, programName, opt->screenshot);
    };
  });
}

}  // namespace kestrel
