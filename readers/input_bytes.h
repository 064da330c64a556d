#pragma once
// The bytes a reader reads: a file mapped into memory, or bytes the caller
// already holds. Readers never copy the input: the line reader and the 3DS
// cursor read it where it lies.
//
// InputSource decides where the bytes of a named input come from. By default
// a name is a file. After UseMemory(bytes) every input opened through the
// source, whatever its name, reads those bytes instead; the name still names
// the objects. This is how readers are run on data in memory (fuzzing, tests,
// data received from elsewhere), through the same Load as a file:
//
//   ImportState state(runtime);
//   state.source.UseMemory(bytes);      // bytes must outlive the Load
//   CImp_OBJ(state).Load("model.obj", objects);
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ks::readers {

class InputBytes {
 public:
  InputBytes() = default;
  ~InputBytes();
  InputBytes(InputBytes&& other) noexcept;
  InputBytes& operator=(InputBytes&& other) noexcept;
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;

  // The whole file, mapped (read in whole where it cannot be mapped, as from
  // a pipe). Errors name the file: 52 no file name, 53 file not found,
  // 76 path not found, 75 a folder or no access, 57 a read that failed.
  static InputBytes MapFile(const std::string& fileName);
  // Bytes that the caller keeps alive while they are read.
  static InputBytes Borrow(std::span<const uint8_t> bytes);
  // Bytes that this object owns from now on (decoded text, for instance).
  static InputBytes Own(std::string bytes);

  const char* data() const { return data_; }
  size_t size() const { return size_; }
  std::string_view Text() const { return {data_, size_}; }
  std::span<const uint8_t> Bytes() const {
    return {reinterpret_cast<const uint8_t*>(data_), size_};
  }

  // Reading has moved on to offset and rarely looks back: a mapped file gives
  // the memory of the pages before it back, in steps of some megabytes, so
  // that a file of any size is read in bounded memory. The bytes stay
  // readable (the pages come back from the file when touched again).
  void ReleaseBefore(size_t offset) {
    if (mapping_ && offset >= released_ + kReleaseStep) ReleasePages(offset);
  }

 private:
  // Pages behind the reading position are given back in steps of this size.
  static constexpr size_t kReleaseStep = size_t(256) << 10;

  void ReleasePages(size_t offset);
  void Reset();

  const char* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;  // mapped pages, unmapped on destruction
  size_t released_ = 0;      // mapped bytes already given back
  std::string owned_;
};

class InputSource {
 public:
  // From now on every input opened reads these bytes (see above).
  void UseMemory(std::span<const uint8_t> bytes) { memory_ = bytes; }
  void UseMemory(std::string_view text) {
    UseMemory({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  // Back to files by name.
  void UseFiles() { memory_.reset(); }
  bool ReadsMemory() const { return memory_.has_value(); }

  InputBytes Open(const std::string& name) const {
    return memory_ ? InputBytes::Borrow(*memory_) : InputBytes::MapFile(name);
  }

 private:
  std::optional<std::span<const uint8_t>> memory_;
};

}  // namespace ks::readers
