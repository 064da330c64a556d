#include "decimal_number.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace ks::readers {

NumberRead ParseDecimal(std::string_view token, float& out) {
  const char* begin = token.data();
  const char* end = begin + token.size();
  const bool plus = begin != end && *begin == '+';
  if (plus) ++begin;
  const char* first = !plus && begin != end && *begin == '-' ? begin + 1 : begin;
  // Only a digit or a point may start the number: no "inf", "nan", "+-1".
  if (first == end || !(detail::IsDigit(*first) || *first == '.' || *first == ',')) {
    return NumberRead::NotANumber;
  }
  double value = 0;
  std::from_chars_result read = std::from_chars(begin, end, value, std::chars_format::general);
  std::array<char, 64> copy;
  std::string longCopy;
  if (read.ptr != end && std::find(begin, end, ',') != end) {
    // A decimal comma: read the text again with points.
    const size_t n = static_cast<size_t>(end - begin);
    char* to = copy.data();
    if (n > copy.size()) {
      longCopy.assign(begin, end);
      to = longCopy.data();
    }
    std::replace_copy(begin, end, to, ',', '.');
    begin = to;
    end = to + n;
    read = std::from_chars(begin, end, value, std::chars_format::general);
  }
  if (read.ptr != end) return NumberRead::NotANumber;
  if (read.ec == std::errc::result_out_of_range) {
    // Beyond a Double: too small reads as 0, too large is an overflow.
    const char* e = std::find_if(begin, end, [](char c) { return c == 'e' || c == 'E'; });
    if (e != end && e + 1 != end && e[1] == '-') {
      out = 0;
      return NumberRead::Ok;
    }
    return NumberRead::OutOfRange;
  }
  if (read.ec != std::errc()) return NumberRead::NotANumber;
  out = static_cast<float>(value);
  return std::isfinite(out) ? NumberRead::Ok : NumberRead::OutOfRange;
}

}  // namespace ks::readers
