#pragma once
// Picture options shared by `kestrel render` and the --render option of
// `kestrel path` and `kestrel trace`: output file, size, view, wireframe.
#include <filesystem>
#include <ostream>
#include <string>

#include "app/modules/modules.h"
#include "host/ks_scene.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace kestrel {

struct RenderOptions {
  std::filesystem::path output;  // empty: no picture
  std::string size = "1024x768";
  std::string view = "iso";
  bool wireframe = false;
};

// Adds the output option under `outputNames` ("-o,--output" or "--render")
// and --size, --view, --wireframe. Returns the output option.
CLI::Option* AddRenderOptions(CLI::App& cmd, RenderOptions& options,
                              const std::string& outputNames);

// "WxH" with whole numbers from 1 to 8192; false otherwise.
bool ParsePictureSize(const std::string& text, int& width, int& height);

// Renders the scene headless through the render module and writes the
// picture (format from the output's extension, PNG when it has none).
// Returns kExitOk, or kExitFailed with the reason on err; a render module
// that cannot be loaded is raised as ModuleError.
int WriteScenePicture(Modules& modules, ks::CKsScene& scene, const RenderOptions& options,
                      std::ostream& err);

}  // namespace kestrel
