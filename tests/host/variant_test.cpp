#include "host/variant.h"

#include <gtest/gtest.h>

#include "host/com_error.h"

using ks::Variant;

TEST(Variant, WholeNumbersRoundHalfToEven) {
  EXPECT_EQ(Variant(2.5).ToLong(), 2);
  EXPECT_EQ(Variant(3.5).ToLong(), 4);
  EXPECT_EQ(Variant(-2.5f).ToInteger(), -2);
  EXPECT_EQ(Variant("7.5").ToLong(), 8);
}

TEST(Variant, OutOfRangeIsOverflowAndTextIsTypeMismatch) {
  try {
    Variant(int32_t{40000}).ToInteger();
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kOverflow);
  }
  try {
    Variant("1.2.3").ToSingle();
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kTypeMismatch);
    EXPECT_NE(e.description().find("1.2.3"), std::string::npos);
  }
}

TEST(Variant, ArraysKeepTheirElementType) {
  Variant a(std::vector<float>{1, 2});
  EXPECT_EQ(a.Singles().size(), 2u);
  EXPECT_THROW(a.Longs(), ks::ComError);
  EXPECT_EQ(Variant(std::vector<int32_t>{3}).type(), ks::VarType::LongArray);
}

TEST(ParseNumber, AcceptsCompleteNumbersOnly) {
  double d;
  EXPECT_TRUE(ks::ParseNumber(" -1.5e2 ", d));
  EXPECT_EQ(d, -150);
  EXPECT_TRUE(ks::ParseNumber("+.5", d));
  EXPECT_EQ(d, 0.5);
  for (const char* bad : {"", " ", "1e", "1.2.3", "+-1", "inf", "nan", "0x10", "1 2", "\t1"})
    EXPECT_FALSE(ks::ParseNumber(bad, d)) << bad;
}
