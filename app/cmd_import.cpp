// kestrel import (not yet available)
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"

namespace kestrel {

void AddImportCommand(CLI::App& app, CommandRunner& runner) {
  auto* cmd = app.add_subcommand("import", "(not yet available)");
  cmd->allow_extras();
  cmd->callback([&runner] {
    runner = [](AppContext&) {
      std::cerr << "kestrel: import is not available yet\n";
      return kExitFailed;
    };
  });
}

}  // namespace kestrel
