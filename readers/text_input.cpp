#include "text_input.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/com_error.h"
#include "import_state.h"

namespace ks::readers {

namespace {

constexpr const char* kSource = "KsImport";

// The first CR or LF in [p, end), or end. Sixteen characters at a time where
// SSE2 is there, else eight: a byte of x ^ 0x0A.. or x ^ 0x0D.. is zero exactly
// where x holds LF or CR.
const char* FindLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (end - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr)));
    if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
    p += 16;
  }
#endif
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  while (end - p >= 8) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    const uint64_t lf = x ^ (kOnes * '\n');
    const uint64_t cr = x ^ (kOnes * '\r');
    if (((lf - kOnes) & ~lf & kHighs) | ((cr - kOnes) & ~cr & kHighs)) break;
    p += 8;
  }
  for (; p != end; ++p)
    if (*p == '\r' || *p == '\n') return p;
  return end;
}

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
