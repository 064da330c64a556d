#include "text_input.h"

#include "host/com_error.h"
#include "import_state.h"
#include "line_cursor.h"

namespace ks::readers {

namespace {

constexpr const char* kSource = "KsImport";

}  // namespace

void TextInput::Open(const std::string& fileName) {
  Close();
  Open(fileName, source_ ? source_->Open(fileName) : InputBytes::MapFile(fileName));
}

namespace {

// The UTF-8 text of UTF-16 bytes.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  Utf16ToUtf8 decoder(bigEndian);
  std::string text;
  text.resize(Utf16ToUtf8::MaxOutput(bytes.size()) + 8);
  size_t used = decoder.Convert(bytes, text.data());
  used += decoder.Finish(text.data() + used);
  text.resize(used);
  return text;
}

}  // namespace

void TextInput::Open(const std::string& fileName, InputBytes bytes) {
  Close();
  length_ = static_cast<int64_t>(bytes.size());
  const ByteOrderMark mark = DetectByteOrderMark(bytes.Text().substr(0, 3));
  encoding_ = mark.encoding;
  if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
    bytes = InputBytes::Own(
        DecodeUtf16(bytes.Text().substr(mark.length), encoding_ == TextEncoding::Utf16BE));
    charWeight_ = 2;
  } else {
    pos_ = mark.length;
  }
  bytes_ = std::move(bytes);
  fileName_ = fileName;
  open_ = true;
}

void TextInput::Close() {
  bytes_ = InputBytes();
  open_ = false;
  pos_ = 0;
  lineNumber_ = 0;
  encoding_ = TextEncoding::Bytes;
  charWeight_ = 1;
  length_ = 0;
}

std::string_view TextInput::ReadLine(int32_t lineMode, int64_t& charsRead) {
  if ((lineMode != 0 && lineMode != 1) || !open_ || AtEnd()) return {};
  const char* const base = bytes_.data();
  const char* const end = base + bytes_.size();
  const char* const begin = base + pos_;
  const char* const p = FindLineEnd(begin, end);
  const size_t length = static_cast<size_t>(p - begin);
  size_t consumed = length;
  if (p != end) {
    ++consumed;
    if (lineMode == 0 && *p == '\r' && p + 1 != end && p[1] == '\n') ++consumed;
  }
  // Lines that end at the end of the input count only their characters.
  charsRead += charWeight_ * static_cast<int64_t>(lineMode == 1 && p != end ? length + 1 : length);
  pos_ += consumed;
  ++lineNumber_;
  bytes_.ReleaseBefore(pos_ - consumed);
  return {begin, length};
}

void TextInput::Advance(size_t bytes, int64_t lines, int64_t chars, int64_t& charsRead) noexcept {
  if (!open_) return;
  pos_ += bytes;
  lineNumber_ += lines;
  charsRead += charWeight_ * chars;
  bytes_.ReleaseBefore(pos_);
}

int TextInput::SkipToLineEnd() {
  if (!open_) return -1;
  const char* const base = bytes_.data();
  const char* const end = base + bytes_.size();
  const char* const p = FindLineEnd(base + pos_, end);
  pos_ = static_cast<size_t>(p - base);
  if (p == end) return -1;
  ++pos_;
  return static_cast<unsigned char>(*p);
}

std::string_view ReadLine(ImportState& st) {
  if (!st.file || !st.file->IsOpen())
    throw ComError(err::kBadFileName, "Bad file name or number: no input file is open", kSource);
  return st.file->ReadLine(st.LineMode, st.CharsRead);
}

}  // namespace ks::readers
