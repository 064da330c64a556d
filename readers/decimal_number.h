#pragma once
// Number reading for the text readers: decimals in which "." and "," both
// serve as the decimal point, read as a Single the way the platform converts
// text (to the nearest Double, then to the nearest Single), and short whole
// numbers. The inline functions are the fast paths for the common forms; they
// report false for anything else, and the caller takes the general path.
#include <cstddef>
#include <cstdint>
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
inline bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}
}  // namespace detail

// Reads "[+|-]digits[.digits]" at p, with 1 to 18 digits in all: returns
// where the number ends, whatever follows it, or null for any other form (the
// caller takes the general path). Exact: the digits make a whole number of at
// most 2^53 and the divisor is an exact power of ten, so the quotient is the
// nearest Double, which then rounds to the nearest Single.
inline const char* ReadPlainDecimalAt(const char* p, const char* end, float& out) {
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  const char* const first = p;
  uint64_t mantissa = 0;
  for (; p != end && detail::IsDigit(*p); ++p) mantissa = mantissa * 10 + uint64_t(*p - '0');
  ptrdiff_t digits = p - first;
  ptrdiff_t fraction = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    for (; p != end && detail::IsDigit(*p); ++p) mantissa = mantissa * 10 + uint64_t(*p - '0');
    fraction = p - point;
    digits += fraction;
  }
  // Beyond 18 digits the mantissa may have wrapped: the general path reads it.
  if (digits == 0 || digits > 18 || mantissa > (uint64_t(1) << 53)) return nullptr;
  const double value = double(mantissa) / detail::kPowersOf10[fraction];
  out = static_cast<float>(negative ? -value : value);
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
