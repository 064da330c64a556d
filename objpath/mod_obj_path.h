#pragma once
// ModObjPath: the angle helpers of the path generator and its sine/cosine
// tables. Every function takes and returns Single (float) values; the constants
// are Double, and each result is rounded to Single on return, so that the
// triangulation and the builders see exactly the same angles on every run.
#include <array>
#include <cstdint>

namespace ks::objpath {

// x × 57.29577952, rounded to Single.
float ToDegrees(float x);
// x × 0.017453292, rounded to Single.
float ToRadians(float x);

// The direction of the vector (dx, dy) in degrees, in [0, 360): 0 along +dx,
// 90 along +dy. The arctangent of dy / dx is rounded to Single before it is
// turned into degrees; a vertical vector gives sign(dy) × 90.
float PointAngle(float dx, float dy);

// Rounds to the nearest whole number, halves to even, as every conversion of a
// coordinate or angle to a Long does. Raises ComError 6 (overflow) when the
// value does not fit a Long.
int32_t RoundToLong(double v);

// Sine and cosine in steps of a tenth of a degree: entry i holds sin and cos
// of i/10 degrees, i = 0 … 3600.
struct TrigTables {
  static constexpr int kLast = 3600;
  std::array<float, kLast + 1> SinTable{};
  std::array<float, kLast + 1> CosTable{};
};

// Fills the tables, converting i/10 to radians with ToRadians.
void BuildTrigTables(TrigTables& tables);

}  // namespace ks::objpath
