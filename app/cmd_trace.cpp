// kestrel trace (not yet available)
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"

namespace kestrel {

void AddTraceCommand(CLI::App& app, CommandRunner& runner) {
  auto* cmd = app.add_subcommand("trace", "(not yet available)");
  cmd->allow_extras();
  cmd->callback([&runner] {
    runner = [](AppContext&) {
      std::cerr << "kestrel: trace is not available yet\n";
      return kExitFailed;
    };
  });
}

}  // namespace kestrel
