#include "readers/dxf_binary.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace ks::readers {

namespace {

constexpr std::string_view kSentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

enum class ValueType { Text, Real, Int16, Int32, Int64, Flag, Chunk };

// The type of a group code's value, as the DXF reference lists them.
ValueType TypeOf(int code) {
  const auto in = [code](int from, int to) { return code >= from && code <= to; };
  if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059))
    return ValueType::Real;
  if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) || in(1060, 1070))
    return ValueType::Int16;
  if (in(90, 99) || in(420, 429) || in(440, 459) || code == 1071) return ValueType::Int32;
  if (in(160, 169)) return ValueType::Int64;
  if (in(290, 299)) return ValueType::Flag;
  if (in(310, 319) || code == 1004) return ValueType::Chunk;
  return ValueType::Text;  // names, handles, negative codes and the rest
}

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  size_t Offset() const { return pos_; }
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  template <class T>
  bool Read(T& out) {
    if (bytes_.size() - pos_ < sizeof(T)) return false;
    std::memcpy(&out, bytes_.data() + pos_, sizeof(T));
    static_assert(std::endian::native == std::endian::little);
    pos_ += sizeof(T);
    return true;
  }
  bool ReadText(std::string_view& out) {
    const size_t end = bytes_.find('\0', pos_);
    if (end == std::string_view::npos) return false;
    out = bytes_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return true;
  }
  bool ReadBytes(size_t n, std::string_view& out) {
    if (bytes_.size() - pos_ < n) return false;
    out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

template <class T>
void AppendNumber(std::string& text, T value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, ec == std::errc() ? end : buffer);
}

// A number of type T as text; false when the bytes end.
template <class T>
bool ReadNumber(ByteReader& in, std::string& text) {
  T value;
  if (!in.Read(value)) return false;
  if constexpr (sizeof(T) == 1)
    AppendNumber(text, int{value});
  else
    AppendNumber(text, value);
  return true;
}

// One value of the given type, as its text line; false when the bytes end.
bool ReadValue(ByteReader& in, ValueType type, std::string& text) {
  switch (type) {
    case ValueType::Text: {
      std::string_view value;
      if (!in.ReadText(value)) return false;
      // A line end inside a value would split it into two lines.
      for (const char c : value) text += c == '\r' || c == '\n' ? ' ' : c;
      return true;
    }
    case ValueType::Real:
      return ReadNumber<double>(in, text);
    case ValueType::Int16:
      return ReadNumber<int16_t>(in, text);
    case ValueType::Int32:
      return ReadNumber<int32_t>(in, text);
    case ValueType::Int64:
      return ReadNumber<int64_t>(in, text);
    case ValueType::Flag:
      return ReadNumber<uint8_t>(in, text);
    case ValueType::Chunk: {
      uint8_t length;
      std::string_view bytes;
      if (!in.Read(length) || !in.ReadBytes(length, bytes)) return false;
      static constexpr char kHex[] = "0123456789ABCDEF";
      for (const char c : bytes) {
        text += kHex[static_cast<uint8_t>(c) >> 4];
        text += kHex[static_cast<uint8_t>(c) & 15];
      }
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsBinaryDxf(std::string_view bytes) {
  return bytes.starts_with(kSentinel);
}

std::string BinaryDxfToText(std::string_view bytes, std::string& cutOff) {
  cutOff.clear();
  ByteReader in(bytes.substr(kSentinel.size()));
  // The file begins with group 0 "SECTION": a second zero byte means group
  // codes of two bytes.
  const bool wideCodes = bytes.size() > kSentinel.size() + 1 && bytes[kSentinel.size()] == 0 &&
                         bytes[kSentinel.size() + 1] == 0;
  std::string text;
  text.reserve(bytes.size() * 2);
  while (!in.AtEnd()) {
    const size_t start = in.Offset() + kSentinel.size();
    int code = 0;
    bool gotCode = false;
    bool whole = false;
    if (wideCodes) {
      int16_t wide;
      gotCode = in.Read(wide);
      code = wide;
    } else {
      uint8_t narrow;
      int16_t extended = 0;
      gotCode = in.Read(narrow) && (narrow != 255 || in.Read(extended));
      code = narrow != 255 ? narrow : extended;
    }
    if (gotCode) {
      const size_t lineStart = text.size();
      AppendNumber(text, code);
      text += '\n';
      const size_t valueStart = text.size();
      whole = ReadValue(in, TypeOf(code), text);
      if (!whole) {
        text.resize(lineStart);
      } else if (code == 0 && std::string_view(text).substr(valueStart) == "EOF") {
        text += '\n';
        return text;  // what follows the end of the drawing is not read
      } else {
        text += '\n';
      }
    }
    if (!whole) {
      cutOff = "inside group " + std::to_string(code) + " at offset " + std::to_string(start);
      if (!gotCode) cutOff = "inside a group code at offset " + std::to_string(start);
      return text;
    }
  }
  cutOff = "at offset " + std::to_string(bytes.size());
  return text;
}

}  // namespace ks::readers
