// kestrel path (not yet available)
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"

namespace kestrel {

void AddPathCommand(CLI::App& app, CommandRunner& runner) {
  auto* cmd = app.add_subcommand("path", "(not yet available)");
  cmd->allow_extras();
  cmd->callback([&runner] {
    runner = [](AppContext&) {
      std::cerr << "kestrel: path is not available yet\n";
      return kExitFailed;
    };
  });
}

}  // namespace kestrel
