#pragma once
// Registers every class the host provides in-process with the runtime:
// "Kestrel.CKsObject", "Kestrel.CKsMaterial", "Setvault.RegFun",
// "KsControls.KsProperties", "KsCommon.CKsImage", "KsCommon.ImageFX".
namespace ks {
class Runtime;
void RegisterHostClasses(Runtime& rt);
}  // namespace ks
