// The in-process server entry points of the KsImport library.
#include "host/runtime.h"
#include "import/c_plug_in.h"

extern "C" {
int32_t KsDllRegisterServer(ks::Runtime* rt, const char* path) {
  ks::RegisterInprocClass(*rt, ks::importer::CPlugIn::kClassName, "Ks Import Object", path);
  return 0;
}
int32_t KsDllUnregisterServer(ks::Runtime* rt, const char*) {
  ks::UnregisterInprocClass(*rt, ks::importer::CPlugIn::kClassName);
  return 0;
}
bool KsDllGetClassObject(const char* progId, ks::ClassFactory* out) {
  if (std::string_view(progId) != ks::importer::CPlugIn::kClassName) return false;
  *out = [](ks::Runtime& rt) -> ks::ObjectRef {
    return std::make_shared<ks::importer::CPlugIn>(rt);
  };
  return true;
}
int32_t KsDllCanUnloadNow() {
  return ks::ModuleObject<ks::importer::ModuleTag>::count == 0 ? 0 : 1;
}
}
