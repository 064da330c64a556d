#include "text_encoding.h"

namespace ks::readers {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

ByteOrderMark DetectByteOrderMark(std::string_view firstBytes) {
  const auto starts = [&](std::string_view mark) { return firstBytes.starts_with(mark); };
  if (starts("\xEF\xBB\xBF")) return {TextEncoding::Utf8, 3};
  if (starts("\xFF\xFE")) return {TextEncoding::Utf16LE, 2};
  if (starts("\xFE\xFF")) return {TextEncoding::Utf16BE, 2};
  return {};
}

std::string_view EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return "UTF-8 with byte-order mark";
    case TextEncoding::Utf16LE:
      return "UTF-16 little-endian";
    case TextEncoding::Utf16BE:
      return "UTF-16 big-endian";
    case TextEncoding::Bytes:
      break;
  }
  return "8-bit text";
}

size_t Utf16ToUtf8::Put(char32_t cp, char* out) const {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

size_t Utf16ToUtf8::Convert(std::string_view in, char* out) {
  char* const start = out;
  size_t i = 0;
  const auto unitOf = [this](unsigned char first, unsigned char second) {
    return static_cast<char16_t>(bigEndian_ ? (first << 8) | second : (second << 8) | first);
  };
  const auto take = [&](char16_t unit) {
    if (highSurrogate_ != 0) {
      if (IsLowSurrogate(unit)) {
        const char32_t cp = 0x10000 + ((char32_t(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
        highSurrogate_ = 0;
        out += Put(cp, out);
        return;
      }
      highSurrogate_ = 0;
      out += Put(kReplacement, out);
    }
    if (IsHighSurrogate(unit))
      highSurrogate_ = unit;
    else
      out += Put(IsLowSurrogate(unit) ? kReplacement : unit, out);
  };
  if (pendingByte_ >= 0 && !in.empty()) {
    take(unitOf(static_cast<unsigned char>(pendingByte_), static_cast<unsigned char>(in[0])));
    pendingByte_ = -1;
    i = 1;
  }
  for (; i + 1 < in.size(); i += 2) {
    const char16_t unit =
        unitOf(static_cast<unsigned char>(in[i]), static_cast<unsigned char>(in[i + 1]));
    // Plain ASCII, the bulk of every mesh file, takes the short way.
    if (unit < 0x80 && highSurrogate_ == 0)
      *out++ = static_cast<char>(unit);
    else
      take(unit);
  }
  if (i < in.size()) pendingByte_ = static_cast<unsigned char>(in[i]);
  return static_cast<size_t>(out - start);
}

size_t Utf16ToUtf8::Finish(char* out) {
  size_t written = 0;
  if (highSurrogate_ != 0) written += Put(kReplacement, out + written);
  if (pendingByte_ >= 0) written += Put(kReplacement, out + written);
  highSurrogate_ = 0;
  pendingByte_ = -1;
  return written;
}

}  // namespace ks::readers
