#include "pov_vector.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include "decimal_number.h"
#include "host/variant.h"

namespace ks::readers {

namespace {

constexpr uint64_t kWholePowersOf10[] = {1ull,
                                         10ull,
                                         100ull,
                                         1000ull,
                                         10000ull,
                                         100000ull,
                                         1000000ull,
                                         10000000ull,
                                         100000000ull,
                                         1000000000ull,
                                         10000000000ull,
                                         100000000000ull,
                                         1000000000000ull,
                                         10000000000000ull,
                                         100000000000000ull,
                                         1000000000000000ull,
                                         10000000000000000ull,
                                         100000000000000000ull,
                                         1000000000000000000ull};

// The number of digits that begin the 8 bytes v (the first byte lowest).
// Adding 6 to a byte carries into the next one only for bytes that are no
// digit, and only bytes behind the first non-digit are then misjudged.
int LeadingDigits(uint64_t v) {
  constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull;
  constexpr uint64_t kThrees = 0x3030303030303030ull;
  const uint64_t other =
      ((v & kHigh) ^ kThrees) | (((v + 0x0606060606060606ull) & kHigh) ^ kThrees);
  return other == 0 ? 8 : __builtin_ctzll(other) >> 3;
}

// The value of the first n (1 to 8) digit bytes of v.
uint64_t DigitsValue(uint64_t v, int n) {
  // Shifted so that the digits end at the top byte; the bytes below read as
  // leading zeros.
  uint64_t w = (v - 0x3030303030303030ull) << (8 * (8 - n));
  w = w * 10 + (w >> 8);
  return (((w & 0x000000FF000000FFull) * 0x000F424000000064ull) +
          (((w >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >>
         32;
}

// Digits at q: appended to mantissa, q moved behind them; returns how many.
// Eight at a time while eight bytes can be read.
int ReadDigits(const char*& q, const char* end, uint64_t& mantissa) {
  int count = 0;
  while (end - q >= 8) {
    uint64_t v;
    std::memcpy(&v, q, 8);
    const int n = LeadingDigits(v);
    if (n == 0) return count;
    if (count + n > 18) return 19;  // too many for the plain form
    mantissa = mantissa * kWholePowersOf10[n] + DigitsValue(v, n);
    q += n;
    count += n;
    if (n < 8) return count;
  }
  for (; q != end && detail::IsDigit(*q); ++q, ++count) {
    if (count == 18) return 19;
    mantissa = mantissa * 10 + uint64_t(*q - '0');
  }
  return count;
}

constexpr double kInversePowersOf10[] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,
                                         1e-7,  1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13,
                                         1e-14, 1e-15, 1e-16, 1e-17, 1e-18};

// mantissa / 10^fraction as the nearest Single of the nearest Double, as the
// general reading gives it. A product with the inverse power is within a few
// units of the Double's last place of the quotient, which gives the same
// Single unless it lies next to the halfway point between two Singles; only
// then is the slower division needed.
float NearestSingle(uint64_t mantissa, int fraction, bool negative) {
  const double product = double(mantissa) * kInversePowersOf10[fraction];
  uint64_t bits;
  std::memcpy(&bits, &product, sizeof bits);
  constexpr uint64_t kBelowSingle = (uint64_t(1) << 29) - 1;  // bits a Single drops
  constexpr uint64_t kHalfway = uint64_t(1) << 28;
  const double value = ((bits & kBelowSingle) - kHalfway + 8) <= 16
                           ? double(mantissa) / detail::kPowersOf10[fraction]
                           : product;
  return static_cast<float>(negative ? -value : value);
}

// "[+|-]digits[.digits]" of up to 18 digits at p, as the nearest Single of the
// nearest Double (both operands of the division are exact). False, p
// unchanged, for any other form (exponents take the general way).
bool ReadPlainComponent(const char*& p, const char* end, float& out) {
  const char* q = p;
  bool negative = false;
  if (q != end && (*q == '-' || *q == '+')) negative = *q++ == '-';
  uint64_t mantissa = 0;
  int digits = ReadDigits(q, end, mantissa);
  int fraction = 0;
  if (q != end && *q == '.') {
    ++q;
    const uint64_t whole = mantissa;
    mantissa = 0;
    fraction = ReadDigits(q, end, mantissa);
    if (digits + fraction > 18) return false;
    mantissa += whole * kWholePowersOf10[fraction];
    digits += fraction;
  }
  if (digits == 0 || digits > 18 || mantissa > (uint64_t(1) << 53)) return false;
  if (q != end && (*q == 'e' || *q == 'E' || *q == '.')) return false;
  out = NearestSingle(mantissa, fraction, negative);
  p = q;
  return true;
}

void SkipSpaces(const char*& p, const char* end) {
  while (p != end && *p == ' ') ++p;
}

// The common form "a, b, c" read in one pass; false for any other.
bool ReadPlainVector(std::string_view inside, std::array<float, 3>& out) {
  const char* p = inside.data();
  const char* const end = p + inside.size();
  for (size_t k = 0; k < 3; ++k) {
    SkipSpaces(p, end);
    if (!ReadPlainComponent(p, end, out[k])) return false;
    SkipSpaces(p, end);
    if (k < 2) {
      if (p == end || *p != ',') return false;
      ++p;
    }
  }
  return p == end;
}

}  // namespace

bool ReadPlainVectorAt(const char*& p, const char* end, std::array<float, 3>& out) {
  const char* q = p;
  SkipSpaces(q, end);
  if (q == end || *q != '<') return false;
  ++q;
  for (size_t k = 0; k < 3; ++k) {
    SkipSpaces(q, end);
    if (!ReadPlainComponent(q, end, out[k])) return false;
    SkipSpaces(q, end);
    if (q == end || *q != (k < 2 ? ',' : '>')) return false;
    ++q;
  }
  p = q;
  return true;
}

bool IsWord(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

VectorRead ParseVector(std::string_view inside, std::array<float, 3>& out, std::string_view& bad) {
  if (ReadPlainVector(inside, out)) return VectorRead::Ok;
  std::array<std::string_view, 3> parts;
  size_t count = 0;
  for (std::string_view text = inside;;) {
    const size_t comma = text.find(',');
    if (count < parts.size()) parts[count] = text.substr(0, comma);
    ++count;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (count != 3) return VectorRead::NotThree;
  for (size_t k = 0; k < 3; ++k) {
    double value = 0;
    bad = TrimSpaces(parts[k]);
    if (!ParseNumber(parts[k], value)) return VectorRead::NotANumber;
    if (std::fabs(value) > FLT_MAX) return VectorRead::TooLarge;
    out[k] = static_cast<float>(value);
  }
  return VectorRead::Ok;
}

bool ParseCount(std::string_view text, int64_t& out) {
  text = TrimSpaces(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() && out >= 0;
}

bool ParseIndexVector(std::string_view inside, std::array<int32_t, 3>& out) {
  const char* p = inside.data();
  const char* const end = p + inside.size();
  for (size_t k = 0; k < 3; ++k) {
    SkipSpaces(p, end);
    const auto [behind, ec] = std::from_chars(p, end, out[k]);
    if (ec != std::errc() || out[k] < 0) return false;
    p = behind;
    SkipSpaces(p, end);
    if (k < 2) {
      if (p == end || *p != ',') return false;
      ++p;
    }
  }
  return p == end;
}

}  // namespace ks::readers
