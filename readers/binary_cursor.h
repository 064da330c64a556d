#pragma once
// Bounds-checked little-endian reading of a file held in memory. Values are
// assembled from bytes, so the result does not depend on the host's byte
// order. Reads are confined to the innermost limit (the end of the chunk being
// read, or the end of the file); a read that would cross it raises error 62
// "Input past end of ..." naming the offset, and nothing is read.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace ks::readers {

// Little-endian values at p, whatever the host's byte order.
inline uint16_t LeUInt16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline float LeFloat32(const uint8_t* p) {
  uint32_t bits;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, p, 4);
  } else {
    bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  return std::bit_cast<float>(bits);
}

class BinaryCursor {
 public:
  explicit BinaryCursor(std::span<const uint8_t> data) : data_(data) {}

  size_t Offset() const { return offset_; }  // 0-based
  size_t Size() const { return data_.size(); }
  bool AtEndOfFile() const { return offset_ >= data_.size(); }
  // The innermost limit: reads end here.
  size_t Limit() const { return limits_.empty() ? data_.size() : limits_.back().end; }
  // What the innermost limit is the end of ("file", "chunk"), for messages.
  const char* LimitName() const { return limits_.empty() ? "file" : limits_.back().name; }
  size_t Remaining() const { return offset_ < Limit() ? Limit() - offset_ : 0; }
  // Moves anywhere within the file; the next read checks the limit.
  void Seek(size_t offset);

  uint8_t ReadByte();
  uint16_t ReadUInt16();
  int16_t ReadInt16() { return static_cast<int16_t>(ReadUInt16()); }
  int32_t ReadInt32();
  float ReadFloat32();
  // Bytes up to a zero byte, which is consumed but not returned. A text that
  // is not terminated before the limit raises error 62.
  std::string ReadCString();
  void Skip(size_t count);
  // The next count bytes, consumed at once (error 62 unless they are there);
  // for arrays of records, decoded with the Le* helpers below.
  std::span<const uint8_t> Take(size_t count, const char* what);
  // Raises error 62 unless count bytes can be read at the offset; what names
  // the data in the description ("a chunk header").
  void Require(size_t count, const char* what) const;

  // Confines reads to [.., end) until the scope ends; name says what ends
  // there. end must not lie beyond the current limit (error 62 otherwise).
  class LimitScope {
   public:
    LimitScope(BinaryCursor& cursor, size_t end, const char* name = "chunk");
    ~LimitScope() { cursor_.limits_.pop_back(); }
    LimitScope(const LimitScope&) = delete;
    LimitScope& operator=(const LimitScope&) = delete;

   private:
    BinaryCursor& cursor_;
  };

 private:
  [[noreturn]] void ThrowPastLimit(const std::string& what) const;

  struct Limit_ {
    size_t end;
    const char* name;
  };
  std::span<const uint8_t> data_;
  size_t offset_ = 0;
  std::vector<Limit_> limits_;
};

}  // namespace ks::readers
