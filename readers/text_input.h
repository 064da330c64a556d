#pragma once
// The one current input file of the text readers ("file number 1"): opened by
// name through an InputSource (a mapped file, or bytes in memory) and read
// line by line where the bytes lie; lines are views, nothing is copied.
// A leading UTF-8 byte-order mark is skipped; UTF-16 with a byte-order mark is
// turned into UTF-8 when the input is opened (readers/text_encoding.h), and
// its characters read count two each, so that progress still runs up to the
// file's length.
//
// Line modes (ImportState::LineMode):
//   0  a line ends at CR, at CR LF (one terminator) or at a lone LF; the
//      terminator is not counted in CharsRead.
//   1  a line ends at CR or at LF, one character each (so CR LF yields the line
//      and then an empty line); every character read counts, terminator included.
//   any other value: ReadLine returns "" and reads nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/input_bytes.h"
#include "readers/text_encoding.h"

namespace ks::readers {

struct ImportState;

class TextInput {
 public:
  // Inputs are opened through source (files by name when it is null); the
  // source must outlive this object.
  explicit TextInput(const InputSource* source = nullptr) : source_(source) {}
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  // Opens fileName for reading, closing any input open before. Errors name the
  // file: 52 bad file name (empty), 53 file not found, 76 path not found,
  // 75 access error.
  void Open(const std::string& fileName);
  // Opens bytes already at hand as the input called fileName.
  void Open(const std::string& fileName, InputBytes bytes);
  void Close();
  bool IsOpen() const { return open_; }
  // True when every character of the input has been consumed (false when none
  // is open).
  bool AtEnd() const { return open_ && pos_ >= bytes_.size(); }
  // The input's length in bytes as opened (0 when none is open).
  int64_t Length() const { return length_; }
  const std::string& FileName() const { return fileName_; }
  // The encoding announced by the input's byte-order mark (Bytes without one).
  TextEncoding Encoding() const { return encoding_; }
  // Number of lines returned so far: the number of the line last read, from 1.
  int64_t LineNumber() const { return lineNumber_; }

  // The next line without its terminator; adds to charsRead as the mode says.
  // The view stays valid until Close.
  std::string_view ReadLine(int32_t lineMode, int64_t& charsRead);
  // The bytes not read yet, for readers that scan lines in place
  // (readers/line_cursor.h); empty when no input is open.
  std::string_view Unread() const { return bytes_.Text().substr(open_ ? pos_ : bytes_.size()); }
  // Moves on by bytes that a reader scanned in place: lines lines (line mode 0)
  // of chars characters without their terminators.
  void Advance(size_t bytes, int64_t lines, int64_t chars, int64_t& charsRead) noexcept;
  // Consumes characters up to and including the first CR or LF; returns that
  // character, or -1 when the end of the input came first.
  int SkipToLineEnd();

 private:
  const InputSource* source_;
  InputBytes bytes_;
  std::string fileName_;
  bool open_ = false;
  size_t pos_ = 0;  // the unread input is [pos_, size)
  int64_t lineNumber_ = 0;
  TextEncoding encoding_ = TextEncoding::Bytes;
  int64_t charWeight_ = 1;  // input bytes per character counted
  int64_t length_ = 0;
};

// The next line of the current input file st.file, read in st.LineMode; adds
// to st.CharsRead. Error 52 when no file is open. At the end of the file "".
std::string_view ReadLine(ImportState& st);

}  // namespace ks::readers
