#include "text_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/com_error.h"
#include "import_state.h"

namespace ks::readers {

namespace {

constexpr int32_t kPathFileAccessError = 75;  // the platform's "Path/File access error"
constexpr int32_t kDeviceIoError = 57;        // the platform's "Device I/O error"
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

TextInput::TextInput(size_t chunkSize) : chunkSize_(std::max<size_t>(chunkSize, 1)) {}

TextInput::~TextInput() {
  Close();
}

void TextInput::SetChunkSize(size_t chunkSize) {
  chunkSize_ = std::max<size_t>(chunkSize, 1);
}

void TextInput::Open(const std::string& fileName) {
  Close();
  if (fileName.empty()) throw ComError(err::kBadFileName, "Bad file name: no file given", kSource);
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path path(fileName);
  if (fs::is_directory(path, ec))
    throw ComError(kPathFileAccessError,
                   "Path/File access error: '" + fileName + "' is a folder, not a file", kSource);
  errno = 0;
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) {
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR) {
      const fs::path parent = path.parent_path();
      if (e == ENOTDIR || (!parent.empty() && !fs::is_directory(parent, ec)))
        throw ComError(err::kPathNotFound, "Path not found: " + fileName, kSource);
      throw ComError(err::kFileNotFound, "File not found: " + fileName, kSource);
    }
    throw ComError(kPathFileAccessError,
                   "Path/File access error: " + fileName + " (" + std::strerror(e) + ")", kSource);
  }
  // The buffer below does all the buffering; the stream's own would only copy twice.
  std::setvbuf(f, nullptr, _IONBF, 0);
  file_ = f;
  fileName_ = fileName;
  const auto size = fs::file_size(path, ec);
  length_ = ec ? 0 : static_cast<int64_t>(size);
  lineNumber_ = 0;
  begin_ = end_ = 0;
  eof_ = false;
  if (capacity_ < chunkSize_ || capacity_ > 4 * chunkSize_) {
    buffer_ = std::make_unique<char[]>(chunkSize_);
    capacity_ = chunkSize_;
  }
  ReadByteOrderMark();
}

void TextInput::ReadByteOrderMark() {
  char first[3];
  const size_t got = std::fread(first, 1, sizeof first, file_);
  if (got < sizeof first && std::ferror(file_)) ThrowReadError();
  const ByteOrderMark mark = DetectByteOrderMark(std::string_view(first, got));
  encoding_ = mark.encoding;
  if (std::fseek(file_, static_cast<long>(mark.length), SEEK_SET) != 0) ThrowReadError();
  const bool utf16 = encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE;
  decoder_ = utf16 ? std::make_unique<Utf16ToUtf8>(encoding_ == TextEncoding::Utf16BE) : nullptr;
  if (utf16) {
    raw_ = std::make_unique<char[]>(chunkSize_);
    rawCapacity_ = chunkSize_;
  }
  charWeight_ = utf16 ? 2 : 1;
}

size_t TextInput::ReadConverted() {
  // Room for the converted text of at least one code unit.
  while (capacity_ - end_ < Utf16ToUtf8::MaxOutput(2)) {
    const size_t grown = capacity_ * 2 + Utf16ToUtf8::MaxOutput(2);
    auto bigger = std::make_unique<char[]>(grown);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  const size_t room = capacity_ - end_;
  size_t want = std::min(rawCapacity_, std::max<size_t>(2, (room - 4) / 3 * 2 - 4));
  while (want > 2 && Utf16ToUtf8::MaxOutput(want) > room) want -= 2;
  const size_t got = std::fread(raw_.get(), 1, want, file_);
  if (got == 0) {
    if (std::ferror(file_)) ThrowReadError();
    eof_ = true;
    return decoder_->Finish(buffer_.get() + end_);
  }
  return decoder_->Convert(std::string_view(raw_.get(), got), buffer_.get() + end_);
}

void TextInput::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  decoder_ = nullptr;
  encoding_ = TextEncoding::Bytes;
  charWeight_ = 1;
  length_ = 0;
  begin_ = end_ = 0;
  eof_ = false;
}

void TextInput::ThrowReadError() const {
  throw ComError(kDeviceIoError, "Device I/O error while reading " + fileName_, kSource);
}

bool TextInput::Refill() {
  if (!file_ || eof_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {  // one line fills the whole buffer: grow it
    const size_t grown = std::max<size_t>(capacity_ * 2, 16);
    auto bigger = std::make_unique<char[]>(grown);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  if (decoder_) {
    const size_t added = ReadConverted();
    end_ += added;
    return added > 0 || !eof_;
  }
  const size_t want = std::min(chunkSize_, capacity_ - end_);
  const size_t got = std::fread(buffer_.get() + end_, 1, want, file_);
  if (got == 0) {
    if (std::ferror(file_)) ThrowReadError();
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool TextInput::AtEnd() {
  if (!file_) return false;
  if (begin_ < end_) return false;
  if (eof_) return true;
  // A UTF-16 file may end in held-back bytes that still make a character.
  if (decoder_ && decoder_->HasPending()) return false;
  // Peek one character without touching the buffer, so that the line last
  // returned stays valid.
  const int c = std::fgetc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) ThrowReadError();
    eof_ = true;
    return true;
  }
  std::ungetc(c, file_);
  return false;
}

std::string_view TextInput::ReadLine(int32_t lineMode, int64_t& charsRead) {
  if ((lineMode != 0 && lineMode != 1) || AtEnd() || !file_) return {};
  size_t scan = begin_;  // everything before scan is known to hold no terminator
  for (;;) {
    const char* base = buffer_.get();
    const char* p = FindLineEnd(base + scan, base + end_);
    if (p != base + end_) {
      const size_t length = static_cast<size_t>(p - (base + begin_));
      size_t consumed = length + 1;
      if (lineMode == 0 && *p == '\r') {
        if (p + 1 == base + end_ && !eof_) {
          // The CR ends the data read so far: fetch more to see whether an LF follows.
          scan = length;
          Refill();
          scan += begin_;
          continue;
        }
        if (p + 1 != base + end_ && p[1] == '\n') ++consumed;
      }
      const std::string_view line(base + begin_, length);
      begin_ += consumed;
      charsRead += charWeight_ * (lineMode == 0 ? static_cast<int64_t>(length)
                                                : static_cast<int64_t>(length) + 1);
      ++lineNumber_;
      return line;
    }
    if (eof_) {  // the last line has no terminator
      const std::string_view line(base + begin_, end_ - begin_);
      begin_ = end_;
      charsRead += charWeight_ * static_cast<int64_t>(line.size());
      ++lineNumber_;
      return line;
    }
    scan = end_ - begin_;
    Refill();
    scan += begin_;
  }
}

int TextInput::SkipToLineEnd() {
  if (!file_) return -1;
  for (;;) {
    const char* base = buffer_.get();
    const char* p = FindLineEnd(base + begin_, base + end_);
    if (p != base + end_) {
      begin_ = static_cast<size_t>(p - base) + 1;
      return static_cast<unsigned char>(*p);
    }
    begin_ = end_;
    if (!Refill()) return -1;
  }
}

std::string_view ReadLine(ImportState& st) {
  if (!st.file || !st.file->IsOpen())
    throw ComError(err::kBadFileName, "Bad file name or number: no input file is open", kSource);
  return st.file->ReadLine(st.LineMode, st.CharsRead);
}

}  // namespace ks::readers
