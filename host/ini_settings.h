#pragma once
// Settings kept as INI text, in the form Qt's QSettings gives such files, so
// that files written by either read back in the other:
//   [section]
//   part\part\name=value
// Keys are paths with "/" between their parts; the first part names the
// section ("General" holds keys of one part). In the file, "/" inside a
// section becomes "\" and characters other than letters, digits, "_", "-"
// and "." are written %XX (up to U+00FF) or %UXXXX. A value is written
// between quotes when it holds "," ";" "=" or starts or ends with a space;
// control characters, "\" and '"' are escaped in C style; a value that
// starts with "@" gets a second one. Lines are read as QSettings reads them:
// ";" starts a comment, a "\" at a line end continues the line.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

class IniSettings {
 public:
  // The settings in the text, or nullopt when it is not such a file: not
  // UTF-8, or a line that is neither empty, a comment, a [section] nor
  // key=value.
  static std::optional<IniSettings> Parse(std::string_view text);

  std::optional<std::string> Value(std::string_view key) const;
  // Whether the value changed.
  bool Set(std::string_view key, std::string_view value);
  // Removes the key and every key below it; whether anything went.
  bool Remove(std::string_view key);
  // The names of the groups directly below group, sorted.
  std::vector<std::string> ChildGroups(std::string_view group) const;
  // The whole file: sections and keys in sorted order.
  std::string Text() const;

 private:
  std::map<std::string, std::string, std::less<>> values_;  // full key -> value
};

}  // namespace ks
