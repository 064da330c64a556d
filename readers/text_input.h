#pragma once
// The one current input file of the text readers ("file number 1"): opened by
// name, read line by line out of a large buffer that is filled in big chunks.
// A leading UTF-8 byte-order mark is skipped; UTF-16 with a byte-order mark is
// turned into UTF-8 as it is read (readers/text_encoding.h), and its characters
// read count two each, so that progress still runs up to the file's length.
//
// Line modes (ImportState::LineMode):
//   0  a line ends at CR, at CR LF (one terminator) or at a lone LF; the
//      terminator is not counted in CharsRead.
//   1  a line ends at CR or at LF, one character each (so CR LF yields the line
//      and then an empty line); every character read counts, terminator included.
//   any other value: ReadLine returns "" and reads nothing.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "text_encoding.h"

namespace ks::readers {

struct ImportState;

class TextInput {
 public:
  static constexpr size_t kDefaultChunkSize = size_t(1) << 20;

  // chunkSize: bytes asked of the file per read (tests use tiny chunks so that
  // lines straddle chunk boundaries). A line longer than the buffer grows it.
  explicit TextInput(size_t chunkSize = kDefaultChunkSize);
  ~TextInput();
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  // Opens fileName for reading, closing any file open before. Errors name the file:
  // 52 bad file name (empty), 53 file not found, 76 path not found, 75 access error.
  void Open(const std::string& fileName);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // True when every character of the file has been consumed (false when no file
  // is open). Does not invalidate the line last returned.
  bool AtEnd();
  // The file's length in bytes when it was opened (0 when none is open).
  int64_t Length() const { return length_; }
  const std::string& FileName() const { return fileName_; }
  // The encoding announced by the file's byte-order mark (Bytes without one).
  TextEncoding Encoding() const { return encoding_; }
  // Number of lines returned so far: the number of the line last read, from 1.
  int64_t LineNumber() const { return lineNumber_; }

  // The next line without its terminator; adds to charsRead as the mode says.
  // The view stays valid until the next ReadLine, SkipToLineEnd or Close.
  std::string_view ReadLine(int32_t lineMode, int64_t& charsRead);
  // Consumes characters up to and including the first CR or LF; returns that
  // character, or -1 when the end of the file came first.
  int SkipToLineEnd();

  void SetChunkSize(size_t chunkSize);

 private:
  // Makes room and reads more of the file behind the unread data; moves the
  // unread data to the front of the buffer. Returns false at the end of the file.
  bool Refill();
  [[noreturn]] void ThrowReadError() const;
  // Reads the byte-order mark, if any, and leaves the file behind it.
  void ReadByteOrderMark();
  // Refill's way for UTF-16 files: reads raw bytes and converts them into the
  // buffer behind the unread data. Returns the bytes added.
  size_t ReadConverted();

  std::FILE* file_ = nullptr;
  std::string fileName_;
  int64_t length_ = 0;
  int64_t lineNumber_ = 0;
  size_t chunkSize_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t begin_ = 0;  // unread data is [begin_, end_)
  size_t end_ = 0;
  bool eof_ = false;  // the file has no more characters to give
  TextEncoding encoding_ = TextEncoding::Bytes;
  std::unique_ptr<Utf16ToUtf8> decoder_;  // set for UTF-16 files
  std::unique_ptr<char[]> raw_;           // UTF-16 bytes before conversion
  size_t rawCapacity_ = 0;
  int64_t charWeight_ = 1;  // file bytes per character counted
};

// The next line of the current input file st.file, read in st.LineMode; adds
// to st.CharsRead. Error 52 when no file is open. At the end of the file "".
std::string_view ReadLine(ImportState& st);

}  // namespace ks::readers
