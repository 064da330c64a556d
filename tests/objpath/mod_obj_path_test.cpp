#include "objpath/mod_obj_path.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host/com_error.h"

namespace {

using namespace ks::objpath;

TEST(ModObjPath, PointAngleCoversEveryQuadrantAndAxis) {
  EXPECT_EQ(PointAngle(1, 0), 0.0f);
  EXPECT_EQ(PointAngle(0, 5), 90.0f);
  EXPECT_EQ(PointAngle(-3, 0), 180.0f);
  EXPECT_EQ(PointAngle(0, -2), 270.0f);
  EXPECT_EQ(PointAngle(0, 0), 0.0f);
  EXPECT_NEAR(PointAngle(1, 1), 45.0f, 1e-4);
  EXPECT_NEAR(PointAngle(-1, 1), 135.0f, 1e-4);
  EXPECT_NEAR(PointAngle(-1, -1), 225.0f, 1e-4);
  EXPECT_NEAR(PointAngle(1, -1), 315.0f, 1e-4);
  // Single arithmetic: the arctangent is rounded to Single before the
  // multiplication, and the result is a Single.
  const float quotient = 2.0f / 3.0f;
  const auto atanSingle = static_cast<float>(std::atan(static_cast<double>(quotient)));
  EXPECT_EQ(PointAngle(3, 2), static_cast<float>(atanSingle * 57.29577952));
  // A tiny negative angle below the axis becomes 360 - tiny, rounded to Single.
  EXPECT_EQ(PointAngle(1e8f, -1e-3f), 360.0f);
}

TEST(ModObjPath, DegreeConversionsUseTheirConstants) {
  EXPECT_EQ(ToDegrees(1.0f), static_cast<float>(57.29577952));
  EXPECT_EQ(ToRadians(180.0f), static_cast<float>(180.0 * 0.017453292));
}

TEST(ModObjPath, RoundToLongTiesToEvenAndRefusesOverflow) {
  EXPECT_EQ(RoundToLong(2.5), 2);
  EXPECT_EQ(RoundToLong(3.5), 4);
  EXPECT_EQ(RoundToLong(-20.5), -20);
  EXPECT_EQ(RoundToLong(22.5), 22);
  try {
    RoundToLong(3e9);
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kOverflow);
  }
}

TEST(ModObjPath, TrigTablesHoldTenthsOfADegree) {
  TrigTables t;
  BuildTrigTables(t);
  EXPECT_EQ(t.SinTable[0], 0.0f);
  EXPECT_EQ(t.CosTable[0], 1.0f);
  EXPECT_NEAR(t.SinTable[900], 1.0f, 1e-7);
  EXPECT_NEAR(t.CosTable[1800], -1.0f, 1e-7);
  EXPECT_NEAR(t.SinTable[2700], -1.0f, 1e-7);
  EXPECT_NEAR(t.SinTable[3600], 0.0f, 1e-6);
  EXPECT_NEAR(t.SinTable[450], std::sqrt(0.5f), 1e-7);
  // Entry i is the sine of ToRadians(i / 10) exactly as Single.
  EXPECT_EQ(t.SinTable[225], static_cast<float>(std::sin(static_cast<double>(ToRadians(22.5f)))));
}

}  // namespace
