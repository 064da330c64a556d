#include "readers/decimal_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace ks::readers {
namespace {

// The platform's conversion: the nearest Double, then the nearest Single.
float Reference(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  double value = 0;
  std::from_chars(begin, text.data() + text.size(), value);
  return static_cast<float>(value);
}

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(DecimalNumberTest, FastAndGeneralPathsAgree) {
  const std::vector<std::string> numbers = {"0",
                                            "-0",
                                            "1.5",
                                            "+1.5",
                                            "-.5",
                                            "1.",
                                            "123456.789",
                                            "-1732.0508076",
                                            "0.1",
                                            "16777217",
                                            "0.30000001",
                                            "999999999999999999",
                                            "3.4028234e38",
                                            "1e-50",
                                            "1,5",
                                            "-0,25",
                                            "2.5E+3",
                                            "7e0",
                                            "0.000000000000000001"};
  for (const std::string& text : numbers) {
    float general = -99;
    ASSERT_EQ(ParseDecimal(text, general), NumberRead::Ok) << text;
    const float expected = text == "1e-50" ? 0.0f : Reference(text);
    EXPECT_TRUE(SameBits(general, expected)) << text << ": " << general << " vs " << expected;
    std::string_view rest = text;
    float fast = -99;
    if (ReadPlainDecimal(rest, fast)) {
      EXPECT_TRUE(SameBits(fast, general)) << text;
      EXPECT_TRUE(rest.empty()) << text;
    }
  }
}

TEST(DecimalNumberTest, FastPathTakesOnlyPlainDecimals) {
  for (std::string_view text : {"1e5", "1,5", "1.5x", "1.2.3", "-", "", "1\t2",
                                "1234567890123456789", "inf", "+-1", ".", "0x10"}) {
    std::string_view rest = text;
    float value = 0;
    EXPECT_FALSE(ReadPlainDecimal(rest, value)) << text;
    EXPECT_EQ(rest, text);
  }
  std::string_view line = "  1.5  -2 3";
  float value = 0;
  ASSERT_TRUE(ReadPlainDecimal(line, value));
  EXPECT_EQ(value, 1.5f);
  EXPECT_EQ(line, "  -2 3");
}

TEST(DecimalNumberTest, GeneralPathRejectsAndRanges) {
  float value = 0;
  for (std::string_view text :
       {"", "-", "1.2.3", "1,2.3", "abc", "inf", "nan", "+-1", "1e", "1 2", ",", "0x10"})
    EXPECT_EQ(ParseDecimal(text, value), NumberRead::NotANumber) << text;
  EXPECT_EQ(ParseDecimal("1e39", value), NumberRead::OutOfRange);
  EXPECT_EQ(ParseDecimal("-1e400", value), NumberRead::OutOfRange);
  EXPECT_EQ(ParseDecimal("0," + std::string(70, '0') + "5", value), NumberRead::Ok);
  EXPECT_EQ(value, 0.0f);
}

// Random plain decimals of every length the in-place path takes, with signs,
// leading zeros and a point anywhere, read exactly as the platform reads
// them: strtod to the nearest Double, then the nearest Single.
TEST(DecimalNumberTest, InPlaceDecimalsMatchStrtodOnRandomInput) {
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 18);
    std::string text = random() % 3 == 0 ? "-" : random() % 9 == 0 ? "+" : "";
    const size_t first = text.size();
    for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
    if (random() % 5 != 0) text.insert(first + random() % (digits + 1), ".");
    // Behind the number: a line end, or characters next to the digits in the
    // code table, or bytes that carry when added to; short, or long enough for
    // the number to be read eight characters at a time.
    static const char* const kBehind[] = {"\n",
                                          " 7",
                                          "/99999999",
                                          ":12345678",
                                          "\xfa\xff"
                                          "9999999",
                                          " 0.5 -0.25 0.125 2\n",
                                          "/1234567890123456789",
                                          "\xfa\xff\xfa\xff 9999999999999999"};
    const std::string line = text + kBehind[random() % 8];
    float fast = -99;
    const char* behind = ReadPlainDecimalAt(line.data(), line.data() + line.size(), fast);
    // Digits beyond 2^53 are left to the general path.
    if (behind == nullptr && digits >= 16) continue;
    ASSERT_EQ(behind, line.data() + text.size()) << text;
    const float expected = static_cast<float>(std::strtod(text.c_str(), nullptr));
    ASSERT_TRUE(SameBits(fast, expected)) << text << ": " << fast << " vs " << expected;
  }
  // Other forms are left to the general path.
  float value = 0;
  for (std::string_view text : {"", "-", "+.", "x1", "1234567890123456789", "9007199254740993"}) {
    EXPECT_EQ(ReadPlainDecimalAt(text.data(), text.data() + text.size(), value), nullptr) << text;
  }
}

// Eight characters at a time: n digits (n = 0 to 8) followed by every byte
// value, the digits' count and value as a plain loop finds them.
TEST(DecimalNumberTest, DigitWordsReadAsOneDigitAtATime) {
  std::mt19937 random(5);
  for (unsigned n = 0; n <= 8; ++n) {
    for (int behind = 0; behind < 256; ++behind) {
      for (int sample = 0; sample < 8; ++sample) {
        char text[8];
        for (unsigned i = 0; i < 8; ++i)
          text[i] = i < n ? static_cast<char>('0' + random() % 10)
                          : static_cast<char>(i == n ? behind : random() % 256);
        unsigned digits = 0;
        uint32_t value = 0;
        while (digits < 8 && detail::IsDigit(text[digits]))
          value = value * 10 + (text[digits++] - '0');
        const uint64_t word = detail::LoadWord(text);
        ASSERT_EQ(detail::LeadingDigits(word), digits) << n << " " << behind;
        if (digits > 0) {
          ASSERT_EQ(detail::DigitsValue(word, digits), value) << n << " " << behind;
        }
      }
    }
  }
}

// Short mantissas with few decimals are divided as Singles: the result is
// still the nearest Single of the nearest Double, for every mantissa below
// 2^20 and a random sample up to 2^24 at every number of decimals up to 12 (the longer ones take
// the Double path).
TEST(DecimalNumberTest, SingleDivisionGivesTheDoubleRoundedValue) {
  auto check = [](uint64_t mantissa, int fraction) {
    const float expected = static_cast<float>(double(mantissa) / detail::kPowersOf10[fraction]);
    const float read = detail::NearestSingle(mantissa, fraction, false);
    ASSERT_TRUE(SameBits(read, expected)) << mantissa << " / 10^" << fraction;
  };
  std::mt19937 random(13);
  for (int fraction = 0; fraction <= 12; ++fraction) {
    for (uint64_t mantissa = 0; mantissa < (uint64_t(1) << 20); ++mantissa)
      check(mantissa, fraction);
    for (int i = 0; i < 200000; ++i) check(random() % (uint64_t(1) << 24), fraction);
  }
  EXPECT_TRUE(SameBits(detail::NearestSingle(0, 3, true), -0.0f));
}

TEST(ShortWholeTest, ReadsUpToNineDigits) {
  auto read = [](std::string_view text, int32_t& out) {
    const char* p = text.data();
    const bool ok = ReadShortWhole(p, text.data() + text.size(), out);
    return ok ? static_cast<int>(p - text.data()) : -1;
  };
  int32_t out = 0;
  EXPECT_EQ(read("123/4", out), 3);
  EXPECT_EQ(out, 123);
  EXPECT_EQ(read("-999999999", out), 10);
  EXPECT_EQ(out, -999999999);
  EXPECT_EQ(read("1234567890", out), -1);
  EXPECT_EQ(read("-", out), -1);
  EXPECT_EQ(read("x1", out), -1);
}

// On random text, with more digits, a line end or nothing behind it, a
// short whole number reads as a plain reading reads it, whatever surrounds
// the digits (bytes next to them in the code table, bytes above 0xF9).
TEST(ShortWholeTest, RandomTextReadsAsThePlainReading) {
  std::mt19937 random(11);
  const std::string alphabet = std::string("0123456789-/:. \n\xfa\xff", 18) + "0123456789";
  for (int i = 0; i < 100000; ++i) {
    std::string text;
    for (int n = static_cast<int>(random() % 12); n > 0; --n)
      text += alphabet[random() % alphabet.size()];
    for (const std::string& input : {text, text + "99999999", text + "\n       "}) {
      // The plain reading: an optional minus, 1 to 9 digits, no digit behind.
      const size_t from = !input.empty() && input[0] == '-' ? 1 : 0;
      size_t to = from;
      while (to < input.size() && detail::IsDigit(input[to])) ++to;
      const bool plain = to > from && to - from <= 9;

      const char* p = input.data();
      int32_t value = -1;
      const bool read = ReadShortWhole(p, input.data() + input.size(), value);
      ASSERT_EQ(read, plain) << '"' << input << '"';
      if (!read) continue;
      EXPECT_EQ(value, std::stoi(input.substr(0, to))) << input;
      EXPECT_EQ(p, input.data() + to) << input;
    }
  }
}

}  // namespace
}  // namespace ks::readers
