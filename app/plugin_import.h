#pragma once
// One import of a file into a fresh scene through the KsImport plug-in,
// created by class name as any host would; a scripted person works its dialog
// with the command line's answers. Shared by `kestrel import` and
// `kestrel render`.
#include <string>
#include <vector>

#include "app/commands.h"
#include "host/ks_scene.h"

namespace CLI {
class App;
}

namespace kestrel {

struct ImportOptions {
  std::string file;
  std::string format;  // obj, dxf, 3ds, inc; empty: from the file's extension
  bool normals = false;
  bool smoothAll = false;
  bool autoSmooth = false;
  bool splitObjects = false;
  bool materials = false;
  int threads = -1;  // --threads; -1: the registry's value
};

// FILE, --format and the format options.
void AddImportOptions(CLI::App& cmd, ImportOptions& options);
// --format and the format options alone.
void AddImportFormatOptions(CLI::App& cmd, ImportOptions& options);

struct ImportOutcome {
  int exitCode = kExitOk;  // kExitOk, or the code the command ends with
  bool finished = false;   // the run went through: the scene holds what it read
  ks::KsSceneRef scene;
  int32_t selectedObject = 0;         // the plug-in's SelectedObject
  std::vector<std::string> warnings;  // what the run passed over
};

// Runs the import; the dialog's messages go to stderr. A finished run that
// skipped an error has finished set and kExitFailed.
ImportOutcome ImportThroughPlugin(AppContext& ctx, const ImportOptions& options);

}  // namespace kestrel
