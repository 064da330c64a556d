#include "readers/input_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "host/com_error.h"

namespace ks::readers {

namespace {

constexpr const char* kSource = "KsImport";

[[noreturn]] void ThrowOpenError(const std::string& fileName, int e) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (e == ENOENT || e == ENOTDIR) {
    const fs::path parent = fs::path(fileName).parent_path();
    if (e == ENOTDIR || (!parent.empty() && !fs::is_directory(parent, ec)))
      throw ComError(err::kPathNotFound, "Path not found: " + fileName, kSource);
    throw ComError(err::kFileNotFound, "File not found: " + fileName, kSource);
  }
  throw ComError(err::kPathFileAccess,
                 "Path/File access error: " + fileName + " (" + std::strerror(e) + ")", kSource);
}

struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// Reads what a descriptor gives until its end (pipes, files that do not say
// their size).
std::string ReadToEnd(int fd, const std::string& fileName) {
  std::string bytes;
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(std::max<size_t>(bytes.size() * 2, 64 * 1024));
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ComError(err::kDeviceIoError, "Device I/O error while reading " + fileName, kSource);
    }
    used += size_t(got);
  }
  bytes.resize(used);
  return bytes;
}

}  // namespace

InputBytes::~InputBytes() {
  Reset();
}

InputBytes::InputBytes(InputBytes&& other) noexcept {
  *this = std::move(other);
}

InputBytes& InputBytes::operator=(InputBytes&& other) noexcept {
  if (this == &other) return *this;
  Reset();
  const bool owned = other.data_ != nullptr && other.data_ == other.owned_.data();
  owned_ = std::move(other.owned_);
  data_ = owned ? owned_.data() : other.data_;
  size_ = other.size_;
  mapping_ = std::exchange(other.mapping_, nullptr);
  released_ = other.released_;
  other.data_ = nullptr;
  other.size_ = 0;
  other.owned_.clear();
  return *this;
}

void InputBytes::Reset() {
  if (mapping_) ::munmap(mapping_, size_);
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = 0;
  released_ = 0;
  owned_.clear();
}

InputBytes InputBytes::Borrow(std::span<const uint8_t> bytes) {
  InputBytes in;
  in.data_ = reinterpret_cast<const char*>(bytes.data());
  in.size_ = bytes.size();
  return in;
}

InputBytes InputBytes::Own(std::string bytes) {
  InputBytes in;
  in.owned_ = std::move(bytes);
  in.data_ = in.owned_.data();
  in.size_ = in.owned_.size();
  return in;
}

InputBytes InputBytes::MapFile(const std::string& fileName) {
  if (fileName.empty()) throw ComError(err::kBadFileName, "Bad file name: no file given", kSource);
  FileDescriptor file;
  file.fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file.fd < 0) ThrowOpenError(fileName, errno);
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) ThrowOpenError(fileName, errno);
  if (S_ISDIR(info.st_mode))
    throw ComError(err::kPathFileAccess,
                   "Path/File access error: '" + fileName + "' is a folder, not a file", kSource);
  InputBytes in;
  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    const size_t size = size_t(info.st_size);
    void* pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (pages != MAP_FAILED) {
      // Read front to back: the kernel reads ahead further.
      (void)::madvise(pages, size, MADV_SEQUENTIAL);
      in.mapping_ = pages;
      in.data_ = static_cast<const char*>(pages);
      in.size_ = size;
      return in;
    }
  }
  return Own(ReadToEnd(file.fd, fileName));
}

void InputBytes::ReleasePages(size_t offset) {
  const size_t page = size_t(::sysconf(_SC_PAGESIZE));
  const size_t end = std::min(offset, size_) / page * page;
  if (end <= released_) return;
  // Private read-only pages: dropping them loses nothing, touching them again
  // reads them from the file.
  (void)::madvise(static_cast<char*>(mapping_) + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

}  // namespace ks::readers
