#pragma once
// Encodings of the text files the readers meet besides plain 8-bit text: a
// UTF-8 byte-order mark (left by many Windows tools) is skipped, and UTF-16
// with a byte-order mark, in either byte order, is turned into UTF-8 as it is
// read, so the line modes and the readers see the same text as from a UTF-8
// file.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ks::readers {

enum class TextEncoding { Bytes, Utf8, Utf16LE, Utf16BE };

struct ByteOrderMark {
  TextEncoding encoding = TextEncoding::Bytes;
  size_t length = 0;  // bytes of the mark at the start of the file
};

// The encoding a file's first bytes announce. Without a mark the text is taken
// as plain bytes (8-bit text or UTF-8).
ByteOrderMark DetectByteOrderMark(std::string_view firstBytes);

// "UTF-8 with byte-order mark", "UTF-16 little-endian", ... for messages.
std::string_view EncodingName(TextEncoding encoding);

// Turns a stream of UTF-16 bytes into UTF-8, piece by piece: a code unit or a
// surrogate pair split between two pieces is completed by the next one. An
// unpaired surrogate, and an odd byte at the very end, give U+FFFD.
class Utf16ToUtf8 {
 public:
  explicit Utf16ToUtf8(bool bigEndian) : bigEndian_(bigEndian) {}

  // Room the output needs for `inputBytes` more input: at most 3 UTF-8 bytes
  // per code unit (a surrogate pair's 4 bytes come from 4 input bytes), plus
  // what is held back from the last piece.
  static constexpr size_t MaxOutput(size_t inputBytes) { return (inputBytes + 4) / 2 * 3 + 4; }

  // Converts `in`, writing to out (which holds at least MaxOutput(in.size())
  // bytes); returns the number of bytes written.
  size_t Convert(std::string_view in, char* out);
  // The end of the input: whatever is held back becomes U+FFFD. Returns the
  // bytes written to out (at most 6).
  size_t Finish(char* out);
  // True while a byte or a high surrogate is held back.
  bool HasPending() const { return pendingByte_ >= 0 || highSurrogate_ != 0; }

 private:
  size_t Put(char32_t codePoint, char* out) const;

  bool bigEndian_;
  int pendingByte_ = -1;        // first byte of a code unit split between pieces
  char16_t highSurrogate_ = 0;  // a high surrogate waiting for its low half
};

}  // namespace ks::readers
