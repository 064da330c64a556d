#pragma once
// The modules kestrel loads from one folder when a command first needs them
// (see module_api.h).
#include <filesystem>
#include <ostream>
#include <stdexcept>

namespace kestrel {

struct RenderModule;
struct ExportModule;
struct DesktopModule;

// Library file names in the module folder.
inline constexpr const char* kRenderModuleFile = "libkestrel-render.so";
inline constexpr const char* kExportModuleFile = "libkestrel-export.so";
inline constexpr const char* kDesktopModuleFile = "libkestrel-desktop.so";

// A module that cannot be used; the message names the module's file and
// says why (the dynamic loader's reason when it could not be loaded).
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Modules {
 public:
  explicit Modules(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // Each loads its module on first use and keeps it for the rest of the run:
  // it is never unloaded, as Qt and the OpenGL drivers leave exit handlers
  // behind. Throws ModuleError.
  const RenderModule& Render();
  const ExportModule& Export();
  const DesktopModule& Desktop();

  // Loads the modules a command will need before it starts its work, so
  // that a missing one fails at once: false, with the reason on err.
  bool Preload(bool render, bool exporter, std::ostream& err);

  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  const RenderModule* render_ = nullptr;
  const ExportModule* export_ = nullptr;
  const DesktopModule* desktop_ = nullptr;
};

}  // namespace kestrel
