#pragma once
// What the readers write into every host material ("Kestrel.CKsMaterial")
// they create, whatever the file says.
#include <cstdint>

namespace ks::readers {

// MaterialType of imported materials.
inline constexpr int16_t kImportedMaterialType = 4;
// SpecCoeff of an imported material until the file gives one.
inline constexpr double kDefaultSpecCoeff = 0.2;

}  // namespace ks::readers
