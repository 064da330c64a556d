#include "objpath/mod_obj_path.h"

#include <cmath>
#include <limits>
#include <string>

#include "host/com_error.h"
#include "host/variant.h"

namespace ks::objpath {

float ToDegrees(float x) {
  return static_cast<float>(static_cast<double>(x) * 57.29577952);
}

float ToRadians(float x) {
  return static_cast<float>(static_cast<double>(x) * 0.017453292);
}

float PointAngle(float dx, float dy) {
  float c;
  if (dx != 0.0f) {
    // Single division, arctangent rounded to Single, then degrees.
    const float quotient = dy / dx;
    c = ToDegrees(static_cast<float>(std::atan(static_cast<double>(quotient))));
  } else {
    c = dy > 0.0f ? 90.0f : (dy < 0.0f ? -90.0f : 0.0f);
  }
  if (dx < 0.0f) return c + 180.0f;
  if (dy < 0.0f) return c + 360.0f;
  return c;
}

int32_t RoundToLong(double v) {
  const double r = RoundHalfEven(v);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
    throw ComError(err::kOverflow, "Overflow: " + std::to_string(v) + " does not fit a Long");
  return static_cast<int32_t>(r);
}

void BuildTrigTables(TrigTables& tables) {
  for (int i = 0; i <= TrigTables::kLast; ++i) {
    const float radians = ToRadians(static_cast<float>(i / 10.0));
    tables.SinTable[i] = static_cast<float>(std::sin(static_cast<double>(radians)));
    tables.CosTable[i] = static_cast<float>(std::cos(static_cast<double>(radians)));
  }
}

}  // namespace ks::objpath
