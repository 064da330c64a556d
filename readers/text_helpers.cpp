#include "text_helpers.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "decimal_number.h"
#include "host/com_error.h"
#include "host/variant.h"

namespace ks::readers {

namespace {

constexpr const char* kSource = "KsImport";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// [-]digits with at most 9 digits: fits a 32-bit value without a range check.
bool ParseSmallInt(std::string_view s, int32_t& out) {
  if (s.empty() || s.size() > 10) return false;
  const bool negative = s.front() == '-';
  const size_t first = negative ? 1 : 0;
  if (s.size() == first || s.size() - first > 9) return false;
  int32_t value = 0;
  for (size_t i = first; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
    value = value * 10 + (s[i] - '0');
  }
  out = negative ? -value : value;
  return true;
}

// Rounds half to even into a 32-bit whole number; error 6 when it does not fit.
int32_t ToIndex(double value, std::string_view text) {
  const double r = RoundHalfEven(value);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
    throw ComError(err::kOverflow, "Overflow: '" + std::string(text) + "' is too large an index",
                   kSource);
  return static_cast<int32_t>(r);
}

// The value of a complete number; 0 when text is not numeric.
int32_t WholeValue(std::string_view text) {
  int32_t small;
  if (ParseSmallInt(text, small)) return small;
  double value;
  if (!ParseNumber(text, value)) return 0;
  return ToIndex(value, text);
}

// The value of the number that text starts with, reading as far as the number
// goes ("12abc" is 12, "1e" is 1); 0 when text does not start with a number.
int32_t LeadingValue(std::string_view text) {
  int32_t small;
  if (ParseSmallInt(text, small)) return small;
  std::string_view rest = text;
  if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
  const size_t digitsAt = !rest.empty() && rest.front() == '-' ? 1 : 0;
  // Only digits or a decimal point may begin the number ("inf", "nan" are no numbers).
  if (rest.size() <= digitsAt || !(IsDigit(rest[digitsAt]) || rest[digitsAt] == '.')) return 0;
  double value = 0;
  const auto [end, ec] =
      std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) return ToIndex(HUGE_VAL, text);
  if (ec != std::errc() || !std::isfinite(value)) return 0;
  (void)end;
  return ToIndex(value, text);
}

// Start of the last n characters of a UTF-8 text (continuation bytes belong to
// the character before them); npos when the text holds fewer.
size_t StartOfLastChars(const std::string& text, size_t n) {
  size_t pos = text.size();
  for (size_t counted = 0; counted < n; ++counted) {
    if (pos == 0) return std::string::npos;
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) --pos;
  }
  return pos;
}

}  // namespace

void ParseCornerToken(std::string_view token, int32_t& vertex, int32_t& normal) {
  normal = 0;
  const size_t slash = token.find('/');
  if (slash == std::string_view::npos) {
    vertex = WholeValue(token);
    return;
  }
  vertex = LeadingValue(token.substr(0, slash));
  const std::string_view rest = token.substr(slash + 1);
  const size_t second = rest.find('/');
  if (second != std::string_view::npos) normal = WholeValue(rest.substr(second + 1));
}

// Where the face corner at p ends when it has one of the common forms "12",
// "-3", "12/5", "12/5/7" or "12//7" with short numbers (read into vertex and
// normal); null for any other form.
static const char* ReadCommonCorner(const char* p, const char* end, int32_t& vertex,
                                    int32_t& normal) {
  if (!ReadShortWhole(p, end, vertex)) return nullptr;
  normal = 0;
  if (p == end || *p == ' ') return p;
  if (*p != '/') return nullptr;
  ++p;
  while (p != end && *p != '/' && *p != ' ') ++p;  // the texture index is dropped
  if (p == end || *p == ' ') return p;
  ++p;
  if (!ReadShortWhole(p, end, normal) || (p != end && *p != ' ')) return nullptr;
  return p;
}

void ParseFaceCorner(std::string_view& text, int32_t& vertex, int32_t& normal) {
  // The common forms are read in place; the rest are cut off as a token.
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  if (p == end) {
    vertex = normal = 0;
    text = {};
    return;
  }
  if (const char* behind = ReadCommonCorner(p, end, vertex, normal)) {
    // The text is left as NextToken leaves it: behind the space, or empty.
    const char* q = behind;
    while (q != end && *q == ' ') ++q;
    text = q == end ? std::string_view()
                    : std::string_view(behind + 1, static_cast<size_t>(end - behind - 1));
    return;
  }
  ParseCornerToken(NextToken(text), vertex, normal);
}

bool IsNumeric(std::string_view text) {
  double value;
  return ParseNumber(text, value);
}

float ToNumber(std::string_view text) {
  double value;
  if (!ParseNumber(text, value)) return 0;
  const float single = static_cast<float>(value);
  if (!std::isfinite(single))
    throw ComError(err::kOverflow,
                   "Overflow: '" + std::string(text) + "' is beyond the range of a Single",
                   kSource);
  return single;
}

void ReplaceAll(int32_t start, std::string_view search, std::string_view replacement,
                std::string& text) {
  if (search.empty())
    throw ComError(err::kInvalidCall, "Invalid procedure call: the search text is empty", kSource);
  if (start < 1)
    throw ComError(
        err::kInvalidCall,
        "Invalid procedure call: start position " + std::to_string(start) + " is before the text",
        kSource);
  const size_t from = static_cast<size_t>(start) - 1;
  if (from >= text.size()) return;
  size_t hit = text.find(search, from);
  if (hit == std::string::npos) return;
  std::string out(text, 0, from);
  size_t pos = from;
  for (; hit != std::string::npos; hit = text.find(search, pos)) {
    out.append(text, pos, hit - pos);
    out.append(replacement);
    pos = hit + search.size();
  }
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

std::string SplitFileName(std::string& path) {
  const size_t cut = StartOfLastChars(path, 4);
  if (cut == std::string::npos)
    throw ComError(err::kInvalidCall,
                   "Invalid procedure call: the file name '" + path + "' is too short", kSource);
  path.resize(cut);
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return path;
  std::string base = path.substr(separator + 1);
  path.resize(separator + 1);
  return base;
}

}  // namespace ks::readers
