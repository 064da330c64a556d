#include "app/json_writer.h"

#include <charconv>
#include <cmath>

namespace kestrel {
namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  size_t n = c < 0x80             ? 1
             : (c & 0xE0) == 0xC0 ? 2
             : (c & 0xF0) == 0xE0 ? 3
             : (c & 0xF8) == 0xF0 ? 4
                                  : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((b(i + k) & 0xC0) != 0x80) return 0;
  // Reject overlong forms, surrogates and values past U+10FFFF.
  if (n == 2 && c < 0xC2) return 0;
  if (n == 3 && ((c == 0xE0 && b(i + 1) < 0xA0) || (c == 0xED && b(i + 1) >= 0xA0))) return 0;
  if (n == 4 && ((c == 0xF0 && b(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && b(i + 1) >= 0x90)))
    return 0;
  return n;
}

void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      out += char(c);
      ++i;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        ++i;
        continue;
      case '\\':
        out += "\\\\";
        ++i;
        continue;
      case '\n':
        out += "\\n";
        ++i;
        continue;
      case '\r':
        out += "\\r";
        ++i;
        continue;
      case '\t':
        out += "\\t";
        ++i;
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      ++i;
      continue;
    }
    if (size_t n = Utf8Length(s, i)) {
      out.append(s.substr(i, n));
      i += n;
      continue;
    }
    // Not UTF-8: the byte is a Latin-1 character.
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
    ++i;
  }
  out += '"';
}

}  // namespace

std::string JsonQuoted(std::string_view s) {
  std::string out;
  AppendEscaped(out, s);
  return out;
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) buffer_ += ',';
    first_.back() = false;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  buffer_ += '{';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  buffer_ += '}';
  first_.pop_back();
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  buffer_ += '[';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  buffer_ += ']';
  first_.pop_back();
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendEscaped(buffer_, key);
  buffer_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view s) {
  BeforeValue();
  AppendEscaped(buffer_, s);
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::Bool(bool b) {
  BeforeValue();
  Raw(b ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  Raw("null");
  return *this;
}

namespace {

// Shortest round-trip text of a number, appended to the buffer.
template <class Number>
void AppendNumber(std::string& buffer, Number v) {
  char text[32];
  auto r = std::to_chars(text, text + sizeof text, v);
  buffer.append(text, r.ptr);
}

}  // namespace

JsonWriter& JsonWriter::Int(int64_t v) {
  BeforeValue();
  AppendNumber(buffer_, v);
  MaybeFlush();
  return *this;
}

// A Single keeps its own shortest text ("0.1", not the double's digits).
JsonWriter& JsonWriter::Float(float v) {
  if (!std::isfinite(v)) return Null();
  BeforeValue();
  AppendNumber(buffer_, v);
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::Double(double v) {
  if (!std::isfinite(v)) return Null();
  BeforeValue();
  AppendNumber(buffer_, v);
  MaybeFlush();
  return *this;
}

void JsonWriter::Flush() {
  if (buffer_.empty()) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

}  // namespace kestrel
