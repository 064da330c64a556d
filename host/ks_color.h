#pragma once
// Colours as the platform keeps them: a Long holding red + 256 × green +
// 65536 × blue, red in the low byte.
#include <cstdint>

namespace ks {

constexpr int32_t Rgb(int red, int green, int blue) {
  return red + 256 * green + 65536 * blue;
}
constexpr int RedOf(int32_t colour) {
  return colour & 0xFF;
}
constexpr int GreenOf(int32_t colour) {
  return (colour >> 8) & 0xFF;
}
constexpr int BlueOf(int32_t colour) {
  return (colour >> 16) & 0xFF;
}

// RGB(0, 128, 192): the colour of every new mesh object, imported or built.
inline constexpr int32_t kDefaultObjectColor = Rgb(0, 128, 192);

}  // namespace ks
