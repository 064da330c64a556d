#include "readers/pov_vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "host/variant.h"

namespace ks::readers {
namespace {

// The plain reference: the nearest Double of the text, then the nearest Single.
float Reference(const std::string& text) {
  double value = 0;
  EXPECT_TRUE(ParseNumber(text, value)) << text;
  return static_cast<float>(value);
}

// Random decimals of every length the fast reading takes, each read inside a
// vector, must give the bits the general reading gives.
TEST(PovVectorTest, FastVectorsReadAsTheGeneralReading) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 200000; ++i) {
    std::string parts[3];
    for (std::string& part : parts) {
      // Up to 15 digits: every such mantissa is below 2^53.
      const int whole = int(rng() % 8), fraction = int(rng() % 9);
      if (rng() % 3 == 0) part += '-';
      for (int d = 0; d < whole; ++d) part += char('0' + rng() % 10);
      if (fraction > 0 || whole == 0) part += '.';
      for (int d = 0; d < std::max(fraction, whole == 0 ? 1 : 0); ++d)
        part += char('0' + rng() % 10);
    }
    const std::string text = " < " + parts[0] + ",  " + parts[1] + " ," + parts[2] + " >";
    const char* p = text.data();
    std::array<float, 3> v;
    ASSERT_TRUE(ReadPlainVectorAt(p, text.data() + text.size(), v)) << text;
    EXPECT_EQ(p, text.data() + text.size());
    for (int k = 0; k < 3; ++k) {
      const float expected = Reference(parts[k]);
      ASSERT_EQ(std::memcmp(&v[k], &expected, sizeof(float)), 0) << parts[k];
    }
  }
}

TEST(PovVectorTest, OtherFormsAreLeftToTheGeneralReading) {
  for (const std::string text : {"<1e3,0,0>", "<1,2>", "<1,2,3,4>", "< 1 2, 3>", "<x,0,0>",
                                 "<1.2.3,0,0>", "<0,0,1234567890123456789>", "1,2,3>", "<1,2,3"}) {
    const char* p = text.data();
    std::array<float, 3> v;
    EXPECT_FALSE(ReadPlainVectorAt(p, text.data() + text.size(), v)) << text;
    EXPECT_EQ(p, text.data());
  }
  std::array<float, 3> v;
  std::string_view bad;
  EXPECT_EQ(ParseVector("1e3, -2.5e-1 ,0", v, bad), VectorRead::Ok);
  EXPECT_EQ(v, (std::array<float, 3>{1000, -0.25f, 0}));
  EXPECT_EQ(ParseVector("1,2", v, bad), VectorRead::NotThree);
  EXPECT_EQ(ParseVector("1, y ,2", v, bad), VectorRead::NotANumber);
  EXPECT_EQ(bad, "y");
  EXPECT_EQ(ParseVector("1,1e39,2", v, bad), VectorRead::TooLarge);
  std::array<int32_t, 3> indices;
  EXPECT_TRUE(ParseIndexVector(" 0, 12 ,7 ", indices));
  EXPECT_EQ(indices, (std::array<int32_t, 3>{0, 12, 7}));
  EXPECT_FALSE(ParseIndexVector("0,-1,2", indices));
  EXPECT_FALSE(ParseIndexVector("0,1.5,2", indices));
}

}  // namespace
}  // namespace ks::readers
