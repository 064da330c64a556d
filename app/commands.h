#pragma once
// The kestrel command line: each subcommand lives in its own file and adds
// itself to the parser; the runner is called when that subcommand was chosen.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_folders.h"
#include "app/modules/modules.h"

namespace CLI {
class App;
}
namespace ks {
class Runtime;
}

namespace kestrel {

struct AppContext {
  ks::Runtime& runtime;
  std::filesystem::path pluginDir;
  // Pictures, export and the main window, loaded when a command needs them.
  Modules modules = Modules(ProgramFolders().modules);
};

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

using CommandRunner = std::function<int(AppContext&)>;

void AddImportCommand(CLI::App& app, CommandRunner& runner);
void AddPathCommand(CLI::App& app, CommandRunner& runner);
void AddTraceCommand(CLI::App& app, CommandRunner& runner);
void AddPluginCommands(CLI::App& app, CommandRunner& runner);
void AddRenderCommand(CLI::App& app, CommandRunner& runner);
void AddConvertCommand(CLI::App& app, CommandRunner& runner);
void AddThumbnailCommand(CLI::App& app, CommandRunner& runner);
// The local file a thumbnailer argument names: a path as it is, or a
// file:// URI decoded; false for other URIs.
bool FileOfUri(const std::string& text, std::string& file);
// The export formats `kestrel convert --to` offers (extensions, lower case).
const std::vector<std::string>& ConvertTargets();
// The main window (built with the desktop parts only), run by the desktop
// module.
void AddGuiCommand(CLI::App& app, CommandRunner& runner, const char* programName);
// screenshot: when not empty, the window is saved there once drawn and closed.
int RunGui(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
           const std::string& screenshot = {});

// Registers every plug-in library found in dir; returns a message per failure.
std::vector<std::string> RegisterPluginFolder(ks::Runtime& rt, const std::filesystem::path& dir);

}  // namespace kestrel
