#include "app/modules/modules.h"

#include <dlfcn.h>

#include <string>

#include "app/modules/module_api.h"

namespace kestrel {
namespace {

// Loads the library, calls its entry function and checks the table it gives.
template <class Table>
const Table* LoadTable(const std::filesystem::path& folder, const char* file, const char* what,
                       const char* entry) {
  const std::filesystem::path library = folder / file;
  const std::string named = std::string("the ") + what + " module " + library.string();
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    // The loader's reason starts with the library's path when the library
    // itself is at fault; it is said once.
    std::string reason = dlerror();
    if (const std::string prefix = library.string() + ": "; reason.starts_with(prefix))
      reason.erase(0, prefix.size());
    throw ModuleError("cannot load " + named + ": " + reason);
  }
  auto* function = reinterpret_cast<const Table* (*)()>(dlsym(handle, entry));
  if (!function) throw ModuleError("cannot use " + named + ": it has no function " + entry);
  const Table* table = function();
  if (!table || table->interfaceVersion != kModuleInterfaceVersion)
    throw ModuleError("cannot use " + named + ": it was built for another version of kestrel");
  return table;
}

}  // namespace

const RenderModule& Modules::Render() {
  if (!render_)
    render_ = LoadTable<RenderModule>(folder_, kRenderModuleFile, "render", kRenderModuleEntry);
  return *render_;
}

const ExportModule& Modules::Export() {
  if (!export_)
    export_ = LoadTable<ExportModule>(folder_, kExportModuleFile, "export", kExportModuleEntry);
  return *export_;
}

const DesktopModule& Modules::Desktop() {
  if (!desktop_)
    desktop_ =
        LoadTable<DesktopModule>(folder_, kDesktopModuleFile, "desktop", kDesktopModuleEntry);
  return *desktop_;
}

bool Modules::Preload(bool render, bool exporter, std::ostream& err) {
  try {
    if (render) Render();
    if (exporter) Export();
  } catch (const ModuleError& e) {
    err << "kestrel: " << e.what() << "\n";
    return false;
  }
  return true;
}

}  // namespace kestrel
