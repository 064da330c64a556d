// The in-process server entry points of the image module. The host registers
// its classes by itself (RegisterImageModule); registering the module as a
// server records them in the registry store like any plug-in's.
#include "host/image/ks_image.h"
#include "host/runtime.h"

extern "C" {
int32_t KsDllRegisterServer(ks::Runtime* rt, const char* path) {
  ks::RegisterInprocClass(*rt, ks::CKsImage::kClassName, "Ks Image", path);
  ks::RegisterInprocClass(*rt, ks::ImageFX::kClassName, "Ks Image Effects", path);
  return 0;
}
int32_t KsDllUnregisterServer(ks::Runtime* rt, const char*) {
  ks::UnregisterInprocClass(*rt, ks::CKsImage::kClassName);
  ks::UnregisterInprocClass(*rt, ks::ImageFX::kClassName);
  return 0;
}
bool KsDllGetClassObject(const char* progId, ks::ClassFactory* out) {
  const std::string_view id(progId);
  if (id == ks::CKsImage::kClassName)
    *out = [](ks::Runtime& rt) -> ks::ObjectRef { return std::make_shared<ks::CKsImage>(rt); };
  else if (id == ks::ImageFX::kClassName)
    *out = [](ks::Runtime& rt) -> ks::ObjectRef { return std::make_shared<ks::ImageFX>(rt); };
  else
    return false;
  return true;
}
// Qt Gui, which the module brings in, keeps process-wide state (image format
// plug-ins, caches) that must not be unmapped under it: the module stays.
int32_t KsDllCanUnloadNow() {
  return 1;
}
}
