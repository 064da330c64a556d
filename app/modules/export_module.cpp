// The export module: scenes written to files through assimp.
#include "app/modules/module_api.h"
#include "app/scene_export.h"

extern "C" const kestrel::ExportModule* KestrelExportModule() {
  static const kestrel::ExportModule table{kestrel::kModuleInterfaceVersion, kestrel::ExportScene};
  return &table;
}
