#pragma once
// Colours as the platform keeps them: a Long holding red + 256 × green +
// 65536 × blue.
#include <cstdint>

namespace ks {

constexpr int32_t Rgb(int32_t red, int32_t green, int32_t blue) {
  return red + 256 * green + 65536 * blue;
}

// RGB(0, 128, 192): the colour of every new mesh object, imported or built.
inline constexpr int32_t kDefaultObjectColor = Rgb(0, 128, 192);

}  // namespace ks
