// The in-process server entry points of the KsObjPath library.
#include "host/runtime.h"
#include "objpath/c_plug_in.h"

using ks::objpath::CPlugIn;

extern "C" {
int32_t KsDllRegisterServer(ks::Runtime* rt, const char* path) {
  ks::RegisterInprocClass(*rt, CPlugIn::kClassName, CPlugIn::kLibraryDescription, path);
  return 0;
}
int32_t KsDllUnregisterServer(ks::Runtime* rt, const char*) {
  ks::UnregisterInprocClass(*rt, CPlugIn::kClassName);
  return 0;
}
bool KsDllGetClassObject(const char* progId, ks::ClassFactory* out) {
  if (std::string_view(progId) != CPlugIn::kClassName) return false;
  *out = [](ks::Runtime& rt) -> ks::ObjectRef { return std::make_shared<CPlugIn>(rt); };
  return true;
}
int32_t KsDllCanUnloadNow() {
  return ks::ModuleObject<ks::objpath::ModuleTag>::count == 0 ? 0 : 1;
}
}
