// kestrel plugins | register LIB | unregister LIB
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"
#include "host/runtime.h"

namespace kestrel {

std::vector<std::string> RegisterPluginFolder(ks::Runtime& rt, const std::filesystem::path& dir) {
  std::vector<std::string> problems;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return problems;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() != ".so") continue;
    try {
      rt.RegisterServer(entry.path());
    } catch (const ks::ComError& e) {
      problems.push_back(e.description());
    }
  }
  return problems;
}

void AddPluginCommands(CLI::App& app, CommandRunner& runner) {
  auto* list =
      app.add_subcommand("plugins", "List the registered plug-ins with Name and PlugInType");
  list->callback([&runner] {
    runner = [](AppContext& ctx) {
      int shown = 0;
      for (const auto& c : ctx.runtime.RegisteredClasses()) {
        if (!c.progId.ends_with(".CPlugIn")) continue;
        try {
          ks::ObjectRef plugin = ctx.runtime.CreateObject(c.progId);
          std::cout << c.progId << "\t" << ks::Get(plugin, "Name").ToString() << "\t"
                    << ks::Get(plugin, "PlugInType").ToLong() << "\t" << c.library.string() << "\n";
          ++shown;
        } catch (const ks::ComError& e) {
          std::cerr << "kestrel: " << c.progId << ": " << e.description() << "\n";
        }
      }
      return shown > 0 ? kExitOk : kExitFailed;
    };
  });

  static std::string library;
  auto* reg = app.add_subcommand("register", "Register an in-process server library");
  reg->add_option("LIB", library, "plug-in shared library")->required()->check(CLI::ExistingFile);
  reg->callback([&runner] {
    runner = [](AppContext& ctx) {
      for (const auto& id : ctx.runtime.RegisterServer(library))
        std::cout << "registered " << id << "\n";
      return kExitOk;
    };
  });
  auto* unreg = app.add_subcommand("unregister", "Unregister an in-process server library");
  unreg->add_option("LIB", library, "plug-in shared library")->required()->check(CLI::ExistingFile);
  unreg->callback([&runner] {
    runner = [](AppContext& ctx) {
      ctx.runtime.UnregisterServer(library);
      std::cout << "unregistered " << library << "\n";
      return kExitOk;
    };
  });
}

}  // namespace kestrel
