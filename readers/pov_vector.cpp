#include "pov_vector.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include "decimal_number.h"
#include "host/variant.h"

namespace ks::readers {

namespace {

// "[+|-]digits[.digits]" of up to 18 digits at p (ReadPlainDecimalAt), not
// followed by an exponent or a second point. False, p unchanged, for any other
// form: the general reading takes it.
inline bool ReadPlainComponent(const char*& p, const char* end, float& out) {
  const char* const q = ReadPlainDecimalAt(p, end, out);
  if (q == nullptr || (q != end && (*q == 'e' || *q == 'E' || *q == '.'))) return false;
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
