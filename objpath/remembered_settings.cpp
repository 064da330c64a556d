#include "objpath/remembered_settings.h"

#include "host/registry_store.h"
#include "host/runtime.h"

namespace ks::objpath {
namespace {

constexpr const char* kKey = "SOFTWARE\\Ardeno\\KsObjPath";

struct Value {
  const char* name;
  int32_t low, high;
};
constexpr Value kMode{"Mode", 0, 1};
constexpr Value kSections{"Sections", 1, 200};
constexpr Value kYRotation{"YRotation", 1, 3660};
constexpr Value kHeight{"ExtrudeHeight", 1, 100};
constexpr Value kCloseLast{"CloseLastPolygons", 0, 1};
constexpr Value kClosePath{"ClosePath", 0, 1};

// The stored whole number, or the fallback when it is missing, not a number
// or out of range.
int32_t ReadWhole(RegistryStore& registry, const Value& v, int32_t fallback) {
  const auto stored = registry.Read(kHkeyLocalMachine, kKey, v.name);
  if (!stored || !stored->IsNumeric()) return fallback;
  try {
    const int32_t n = stored->ToLong();
    return n >= v.low && n <= v.high ? n : fallback;
  } catch (const ComError&) {
    return fallback;
  }
}

}  // namespace

RememberedSettings ReadRememberedSettings(Runtime& rt) {
  RegistryStore& registry = rt.Registry();
  RememberedSettings s;
  s.extrude = ReadWhole(registry, kMode, s.extrude) == 1;
  s.sections = ReadWhole(registry, kSections, s.sections);
  s.yRotation = ReadWhole(registry, kYRotation, s.yRotation);
  s.extrudeHeight = ReadWhole(registry, kHeight, s.extrudeHeight);
  s.closeLastPolygons = ReadWhole(registry, kCloseLast, s.closeLastPolygons) == 1;
  s.closePath = ReadWhole(registry, kClosePath, s.closePath) == 1;
  return s;
}

void WriteRememberedSettings(Runtime& rt, const RememberedSettings& s) {
  RegistryStore& registry = rt.Registry();
  const auto write = [&](const Value& v, int32_t n) {
    registry.Write(kHkeyLocalMachine, kKey, v.name, Variant(n));
  };
  write(kMode, s.extrude ? 1 : 0);
  write(kSections, s.sections);
  write(kYRotation, s.yRotation);
  write(kHeight, s.extrudeHeight);
  write(kCloseLast, s.closeLastPolygons ? 1 : 0);
  write(kClosePath, s.closePath ? 1 : 0);
}

}  // namespace ks::objpath
