#pragma once
// The platform's error object: a number, a description the user reads, and the
// source (the class or component that raised it).
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace ks {

// Error numbers of the platform where the system names them; our own otherwise.
namespace err {
inline constexpr int32_t kInvalidCall = 5;             // invalid procedure call or argument
inline constexpr int32_t kOverflow = 6;                // overflow
inline constexpr int32_t kOutOfMemory = 7;             // out of memory
inline constexpr int32_t kSubscriptOutOfRange = 9;     // subscript out of range
inline constexpr int32_t kTypeMismatch = 13;           // type mismatch
inline constexpr int32_t kBadFileName = 52;            // bad file name or number
inline constexpr int32_t kFileNotFound = 53;           // file not found
inline constexpr int32_t kDeviceIoError = 57;          // device I/O error
inline constexpr int32_t kBadRecordLength = 59;        // bad record length
inline constexpr int32_t kInputPastEnd = 62;           // input past end of file
inline constexpr int32_t kPathFileAccess = 75;         // path/file access error
inline constexpr int32_t kPathNotFound = 76;           // path not found
inline constexpr int32_t kInvalidPropertyValue = 380;  // invalid property value
inline constexpr int32_t kObjectRequired = 424;        // object required
inline constexpr int32_t kCannotCreateObject = 429;    // component can't create object
inline constexpr int32_t kMemberNotFound = 438;        // object doesn't support this member
inline constexpr int32_t kWrongArgCount = 450;         // wrong number of arguments
inline constexpr int32_t kInvalidPicture = 481;        // the file is not a picture that can be read
inline constexpr int32_t kFileDialogCancel = 32755;    // the user cancelled the file dialog
inline constexpr int32_t kBadData = 1000;              // host: malformed geometry handed in
inline constexpr int32_t kLibraryLoad = 1001;          // host: in-process server failed to load
}  // namespace err

class ComError : public std::exception {
 public:
  ComError(int32_t number, std::string description, std::string source = {});

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// Any exception as the runtime reports it: a ComError as it is, running out of
// memory as error 7, every other library error as error 5 with its text.
ComError AsComError(const std::exception& e, std::string_view source);

// Runs fn and drops any error: for steps whose failure must not stop the rest.
template <class Fn>
void IgnoreErrors(Fn&& fn) {
  try {
    fn();
  } catch (const std::exception&) {
  }
}

}  // namespace ks
