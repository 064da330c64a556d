#pragma once
// Registers every class the host provides in-process with the runtime:
// "Kestrel.CKsObject", "Kestrel.CKsMaterial", "Setvault.RegFun",
// "KsControls.KsProperties", and "KsCommon.CKsImage", "KsCommon.ImageFX" as
// served by the image module.
namespace ks {
class Runtime;
void RegisterHostClasses(Runtime& rt);
}  // namespace ks
