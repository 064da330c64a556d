#include "ini_settings.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace ks {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kGeneral = "General";
constexpr char32_t kReplacement = 0xFFFD;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// The code point at text[i], advancing i; nullopt for bytes that are not UTF-8.
std::optional<char32_t> NextCodePoint(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4 || i + size_t(extra) >= text.size()) return std::nullopt;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + size_t(k)) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(i + size_t(k)) & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  i += size_t(extra) + 1;
  return c;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();)
    if (!NextCodePoint(text, i)) return false;
  return true;
}

// Joins UTF-16 units read from escapes into code points (a lone surrogate
// becomes U+FFFD).
class Utf16Joiner {
 public:
  explicit Utf16Joiner(std::string& out) : out_(out) {}
  ~Utf16Joiner() { Flush(); }
  void Unit(char32_t unit) {
    if (high_ && unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
      high_ = 0;
      return;
    }
    Flush();
    if (unit >= 0xD800 && unit <= 0xDBFF)
      high_ = unit;
    else
      AppendUtf8(out_, unit);
  }
  void Flush() {
    if (high_) AppendUtf8(out_, kReplacement);
    high_ = 0;
  }

 private:
  std::string& out_;
  char32_t high_ = 0;
};

// ---- Keys ----

void AppendEscapedKeyPart(std::string& out, std::string_view part) {
  for (size_t i = 0; i < part.size();) {
    const char32_t c = NextCodePoint(part, i).value_or(kReplacement);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.';
    if (c == '/') {
      out += '\\';
    } else if (plain) {
      out += char(c);
    } else if (c <= 0xFF) {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    } else {
      // Written as UTF-16 units, as QSettings does.
      const auto unit = [&](char32_t u) {
        out += "%U";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 15];
      };
      if (c < 0x10000) {
        unit(c);
      } else {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
    }
  }
}

std::string UnescapedKey(std::string_view text) {
  std::string out;
  Utf16Joiner units(out);
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\') {
      units.Unit('/');
      ++i;
      continue;
    }
    if (text[i] == '%') {
      const bool wide = i + 1 < text.size() && text[i + 1] == 'U';
      const size_t first = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
      if (first + digits <= text.size()) {
        int value = 0;
        for (size_t k = first; k < first + digits && value >= 0; ++k)
          value = HexValue(text[k]) < 0 ? -1 : value * 16 + HexValue(text[k]);
        if (value >= 0) {
          units.Unit(char32_t(value));
          i = first + digits;
          continue;
        }
      }
    }
    units.Unit(NextCodePoint(text, i).value_or(kReplacement));
  }
  return out;
}

// ---- Values ----

std::string EscapedValue(std::string_view value) {
  std::string out;
  if (!value.empty() && value[0] == '@') out += '@';
  bool quote = false;
  bool afterNumericEscape = false;  // a hex digit behind \x.. must be escaped too
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == ';' || ch == ',' || ch == '=') quote = true;
    const bool numeric = c < 0x20 || c == 0x7F || (afterNumericEscape && HexValue(ch) >= 0);
    afterNumericEscape = false;
    switch (ch) {
      case '\a':
        out += "\\a";
        continue;
      case '\b':
        out += "\\b";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\v':
        out += "\\v";
        continue;
      case '"':
      case '\\':
        out += '\\';
        out += ch;
        continue;
      default:
        break;
    }
    if (numeric) {
      out += "\\x";
      if (c >= 16) out += kHex[c >> 4];
      out += kHex[c & 15];
      afterNumericEscape = true;
    } else {
      out += ch;  // UTF-8 as it is
    }
  }
  if (quote || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
  return out;
}

void ChopTrailingBlanks(std::string& text, size_t keep) {
  while (text.size() > keep && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
}

// The text of a value as it stands after "=". Outside quotes, blanks around
// it are dropped and "," separates the items of a list, which QSettings
// reads as an empty text.
std::string UnescapedValue(std::string_view text) {
  std::string current;
  bool inQuotes = false, quoted = false;
  size_t keep = 0;  // blanks before this length were escaped or quoted
  size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    const char ch = text[i];
    if (ch == '\\') {
      if (++i >= text.size()) break;
      const char e = text[i++];
      static constexpr std::string_view kFrom = "abfnrtv\"?'\\", kTo = "\a\b\f\n\r\t\v\"?'\\";
      if (const size_t k = kFrom.find(e); k != std::string_view::npos) {
        current += kTo[k];
      } else if (e == 'x' || (e >= '0' && e <= '7')) {
        const int base = e == 'x' ? 16 : 8;
        char32_t unit = e == 'x' ? 0 : char32_t(e - '0');
        while (i < text.size() && HexValue(text[i]) >= 0 && HexValue(text[i]) < base &&
               unit <= 0x10FFFF)
          unit = unit * char32_t(base) + char32_t(HexValue(text[i++]));
        Utf16Joiner(current).Unit(unit);
      }  // any other escaped character is dropped, a line end among them
      keep = current.size();
    } else if (ch == '"') {
      ++i;
      quoted = true;
      inQuotes = !inQuotes;
      if (!inQuotes) skipBlanks();
      keep = current.size();
    } else if (ch == ',' && !inQuotes) {
      return {};  // a list of items: read as a single text, it is empty
    } else {
      current += ch;
      ++i;
    }
  }
  if (!quoted) ChopTrailingBlanks(current, keep);
  // "@@" escapes a leading "@"; text that holds a NUL is kept as @String(...).
  if (current.starts_with("@@")) current.erase(0, 1);
  for (const std::string_view wrapper : {"@String(", "@ByteArray("})
    if (current.starts_with(wrapper) && current.ends_with(')'))
      current = current.substr(wrapper.size(), current.size() - wrapper.size() - 1);
  return current;
}

// ---- Lines ----

// The next logical line from text at pos: leading blanks skipped, ended by a
// line end outside quotes or by ";" outside quotes (a comment follows); a
// "\" before a line end joins the next line. eq is the first "=" outside
// quotes, or npos.
struct Line {
  std::string_view text;
  size_t eq = std::string_view::npos;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r' || c == '\n';
}

std::optional<Line> NextLine(std::string_view text, size_t& pos) {
  for (;;) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size()) return std::nullopt;
    if (text[pos] != ';') break;
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') ++pos;
  }
  const size_t start = pos;
  Line line;
  bool inQuotes = false;
  size_t i = start;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '=' && !inQuotes && line.eq == std::string_view::npos) {
      line.eq = i - start;
    } else if ((ch == '\n' || ch == '\r') && !inQuotes) {
      break;
    } else if (ch == '\\' && i + 1 < text.size()) {
      ++i;  // an escaped character, a line end among them
      if (i + 1 < text.size() &&
          ((text[i] == '\n' && text[i + 1] == '\r') || (text[i] == '\r' && text[i + 1] == '\n')))
        ++i;
    } else if (ch == '"') {
      inQuotes = !inQuotes;
    } else if (ch == ';' && !inQuotes) {
      break;  // the rest is a comment, skipped as the next line
    }
  }
  pos = i;
  line.text = text.substr(start, i - start);
  return line;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

// The section of a full key ("" for a key of one part), and the rest.
std::pair<std::string_view, std::string_view> SplitSection(std::string_view key) {
  const size_t slash = key.find('/');
  if (slash == std::string_view::npos) return {{}, key};
  return {key.substr(0, slash), key.substr(slash + 1)};
}

}  // namespace

std::optional<IniSettings> IniSettings::Parse(std::string_view text) {
  if (!IsUtf8(text)) return std::nullopt;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  IniSettings settings;
  std::string section;  // "" or "name/"
  size_t pos = 0;
  while (const auto line = NextLine(text, pos)) {
    const std::string_view l = line->text;
    if (l.front() == '[') {
      const size_t close = l.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view name = Trimmed(l.substr(1, close - 1));
      if (EqualsNoCase(name, kGeneral))
        section.clear();
      else
        section =
            (EqualsNoCase(name, "%General") ? std::string(name.substr(1)) : UnescapedKey(name)) +
            "/";
      continue;
    }
    if (line->eq == std::string_view::npos) return std::nullopt;
    const std::string key = section + UnescapedKey(Trimmed(l.substr(0, line->eq)));
    std::string value = UnescapedValue(l.substr(line->eq + 1));
    if (value == "@Invalid()") continue;
    settings.values_.insert_or_assign(key, std::move(value));
  }
  return settings;
}

std::optional<std::string> IniSettings::Value(std::string_view key) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool IniSettings::Set(std::string_view key, std::string_view value) {
  const auto it = values_.find(key);
  if (it != values_.end() && it->second == value) return false;
  values_.insert_or_assign(std::string(key), std::string(value));
  return true;
}

bool IniSettings::Remove(std::string_view key) {
  const std::string below = std::string(key) + "/";
  const size_t before = values_.size();
  values_.erase(std::string(key));
  for (auto it = values_.lower_bound(below); it != values_.end() && it->first.starts_with(below);)
    it = values_.erase(it);
  return values_.size() != before;
}

std::vector<std::string> IniSettings::ChildGroups(std::string_view group) const {
  const std::string prefix = group.empty() ? "" : std::string(group) + "/";
  std::set<std::string, std::less<>> groups;
  for (auto it = values_.lower_bound(prefix); it != values_.end() && it->first.starts_with(prefix);
       ++it) {
    const std::string_view rest = std::string_view(it->first).substr(prefix.size());
    if (const size_t slash = rest.find('/'); slash != std::string_view::npos)
      groups.emplace(rest.substr(0, slash));
  }
  return {groups.begin(), groups.end()};
}

std::string IniSettings::Text() const {
  std::map<std::string_view, std::vector<std::pair<std::string_view, const std::string*>>> sections;
  for (const auto& [key, value] : values_) {
    const auto [section, rest] = SplitSection(key);
    sections[section].emplace_back(rest, &value);
  }
  std::string out;
  for (const auto& [section, entries] : sections) {
    if (!out.empty()) out += '\n';
    out += '[';
    // "General" holds the keys of one part; a section of that name gets a "%".
    if (section.empty())
      out += kGeneral;
    else if (EqualsNoCase(section, kGeneral))
      out += "%" + std::string(section);
    else
      AppendEscapedKeyPart(out, section);
    out += "]\n";
    for (const auto& [rest, value] : entries) {
      AppendEscapedKeyPart(out, rest);
      out += '=';
      out += EscapedValue(*value);
      out += '\n';
    }
  }
  return out;
}

}  // namespace ks
