#include "readers/dxf_pairs.h"

#include <charconv>

#include "readers/text_helpers.h"

namespace ks::readers::dxf {

// A group code line: a whole number, possibly padded with spaces.
int32_t GroupCode(std::string_view line) {
  // The common form first: up to three digits after spaces, nothing behind.
  const std::string_view digits = line.substr(std::min(line.find_first_not_of(' '), line.size()));
  if (!digits.empty() && digits.size() <= 3 &&
      std::all_of(digits.begin(), digits.end(), detail::IsDigit)) {
    int32_t code = 0;
    for (char c : digits) code = code * 10 + (c - '0');
    return code;
  }
  line = Trim(line);
  int32_t code = -1;
  auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), code);
  if (ec != std::errc() || end != line.data() + line.size() || code < 0) return -1;
  return code;
}

// The numeric value of a value line (0 unless it is a number): plain
// decimals are read in place, every other form by ToNumber.
float NumberOf(std::string_view text) {
  float value = 0;
  std::string_view rest = text;
  if (ReadPlainDecimal(rest, value) && Trim(rest).empty()) return value;
  return ToNumber(text);
}

float AnyCoordinate(std::string_view text) {
  return NumberOf(text);
}

// The next line as a group code, in any form (GroupCode).
int32_t ReadAnyGroupCode(LineCursor& in) {
  const char* p = in.Position();
  const char* const end = in.End();
  while (p != end && *p == ' ') ++p;
  const char* const digits = p;
  int32_t code = 0;
  while (p != end && p - digits < 3 && detail::IsDigit(*p)) code = code * 10 + (*p++ - '0');
  if (p != digits && in.IsLineEnd(p)) {
    in.TakeLineTo(p);
    return code;
  }
  return GroupCode(in.ReadLine());
}

}  // namespace ks::readers::dxf
