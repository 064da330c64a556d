#pragma once
// Number reading for the text readers: decimals in which "." and "," both
// serve as the decimal point, read as a Single the way the platform converts
// text (to the nearest Double, then to the nearest Single), and short whole
// numbers. The inline functions are the fast paths for the common forms; they
// report false for anything else, and the caller takes the general path.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace ks::readers {

enum class NumberRead { Ok, NotANumber, OutOfRange };

// A complete number: optional sign, digits with one "." or ",", optional
// exponent. Too small for a Single reads as 0; too large is OutOfRange.
NumberRead ParseDecimal(std::string_view token, float& out);

namespace detail {
inline constexpr double kPowersOf10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr double kInversePowersOf10[] = {
    1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,  1e-10, 1e-11,
    1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
inline constexpr uint64_t kWholePowersOf10[] = {1,      10,      100,      1000,     10000,
                                                100000, 1000000, 10000000, 100000000};
inline constexpr float kSinglePowersOf10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f};
inline bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

// Appends the digits at p to mantissa (wrapping beyond 19 digits); returns
// the position behind them.
inline const char* AddDigits(const char* p, const char* end, uint64_t& mantissa) {
  uint64_t value = mantissa;
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned('0');
    if (digit > 9) break;
    value = value * 10 + digit;
  }
  mantissa = value;
  return p;
}

// mantissa / 10^fraction (mantissa at most 2^53, fraction at most 22) as the
// nearest Single of the nearest Double: the division of two exact operands
// gives that Double. The product with the inverse power is within two units
// of the Double's last place of it, which rounds to the same Single unless it
// lies next to the halfway point between two Singles; only then is the
// slower division done.
//
// Below 2^24 with at most 8 decimals, mantissa and 10^fraction are exact
// Singles, and their quotient lies at least 10^-fraction * 2^-25 of itself
// away from any halfway point between Singles unless it is one: further than
// the Double's rounding reaches. There the Single division gives the same
// value directly.
inline float NearestSingle(uint64_t mantissa, ptrdiff_t fraction, bool negative) {
  if (mantissa < (uint64_t(1) << 24) && fraction <= 8) {
    const float value =
        static_cast<float>(static_cast<int32_t>(mantissa)) / kSinglePowersOf10[fraction];
    return negative ? -value : value;
  }
  const double product = double(mantissa) * kInversePowersOf10[fraction];
  uint64_t bits;
  std::memcpy(&bits, &product, sizeof bits);
  constexpr uint64_t kBelowSingle = (uint64_t(1) << 29) - 1;  // the bits a Single drops
  constexpr uint64_t kHalfway = uint64_t(1) << 28;
  const double value = ((bits & kBelowSingle) - kHalfway + 8) <= 16
                           ? double(mantissa) / kPowersOf10[fraction]
                           : product;
  return static_cast<float>(negative ? -value : value);
}

// Eight characters as one number: byte i of the word is the character at
// p + i.
static_assert(std::endian::native == std::endian::little);
inline uint64_t LoadWord(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

constexpr uint64_t kEachByte = 0x0101010101010101ull;

// How many of the eight characters in word, from the first, are decimal
// digits (0 to 8). A byte is a digit when its high half is 3 both before and
// after adding 6; a carry out of a byte comes only from one above 0xF9, so the
// bytes up to the first non-digit are judged right.
inline unsigned LeadingDigits(uint64_t word) {
  constexpr uint64_t kHighHalves = kEachByte * 0xF0;
  const uint64_t other = ((word & kHighHalves) ^ (kEachByte * 0x30)) |
                         (((word + kEachByte * 0x06) & kHighHalves) ^ (kEachByte * 0x30));
  return other == 0 ? 8 : static_cast<unsigned>(std::countr_zero(other)) / 8;
}

// The value of the first n (1 to 8) characters of word, all digits: they are
// moved to the top of the word, behind zeros, and added up in pairs, fours
// and eights by three multiplications.
inline uint32_t DigitsValue(uint64_t word, unsigned n) {
  uint64_t d = (word - kEachByte * '0') << (8 * (8 - n));
  d = d * 10 + (d >> 8);
  d = (((d & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((d >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  return static_cast<uint32_t>(d);
}

}  // namespace detail

// Reads "[+|-]digits[.digits]" at p, with 1 to 18 digits in all: returns
// where the number ends, whatever follows it, or null for any other form (the
// caller takes the general path). Exact: the digits make a whole number of at
// most 2^53, read as the nearest Single of the nearest Double (NearestSingle).
inline const char* ReadPlainDecimalAt(const char* p, const char* end, float& out) {
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  // The common short form, up to 7 digits before the point and 7 behind it,
  // read eight characters at a time where the input has them; longer runs of
  // digits are read one by one below, to the same value.
  if (end - p >= 17) {
    const uint64_t whole = detail::LoadWord(p);
    const unsigned wholeDigits = detail::LeadingDigits(whole);
    if (wholeDigits < 8) {
      uint64_t mantissa = wholeDigits == 0 ? 0 : detail::DigitsValue(whole, wholeDigits);
      const char* q = p + wholeDigits;
      unsigned fraction = 0;
      if (*q == '.') {
        const uint64_t part = detail::LoadWord(q + 1);
        fraction = detail::LeadingDigits(part);
        if (fraction < 8) {
          if (fraction > 0)
            mantissa =
                mantissa * detail::kWholePowersOf10[fraction] + detail::DigitsValue(part, fraction);
          q += 1 + fraction;
        }
      }
      if (fraction < 8) {
        if (wholeDigits + fraction == 0) return nullptr;
        out = detail::NearestSingle(mantissa, fraction, negative);
        return q;
      }
    }
  }
  const char* const first = p;
  uint64_t mantissa = 0;
  p = detail::AddDigits(p, end, mantissa);
  ptrdiff_t digits = p - first;
  ptrdiff_t fraction = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    p = detail::AddDigits(p, end, mantissa);
    fraction = p - point;
    digits += fraction;
  }
  // Beyond 18 digits the mantissa may have wrapped: the general path reads it.
  if (digits == 0 || digits > 18 || mantissa > (uint64_t(1) << 53)) return nullptr;
  out = detail::NearestSingle(mantissa, fraction, negative);
  return p;
}

// Skips spaces, then reads a plain decimal (as ReadPlainDecimalAt) ended by a
// space or the end of text: text is left at the character behind the number.
// Returns false, text unchanged, for any other form.
inline bool ReadPlainDecimal(std::string_view& text, float& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  float value;
  p = ReadPlainDecimalAt(p, end, value);
  if (p == nullptr || (p != end && *p != ' ')) return false;
  out = value;
  text = std::string_view(p, static_cast<size_t>(end - p));
  return true;
}

// Reads up to 9 digits with an optional minus sign at p: p is left behind
// them. Returns false, p unchanged, for any other form or more digits.
inline bool ReadShortWhole(const char*& p, const char* end, int32_t& out) {
  const bool negative = p != end && *p == '-';
  const char* const digits = negative ? p + 1 : p;
  const char* q = digits;
  int32_t value = 0;
  while (q != end && detail::IsDigit(*q) && q - digits < 9) value = value * 10 + (*q++ - '0');
  if (q == digits || (q != end && detail::IsDigit(*q))) return false;
  out = negative ? -value : value;
  p = q;
  return true;
}

}  // namespace ks::readers
