#include "binary_cursor.h"

#include <bit>
#include <limits>

#include "host/com_error.h"

namespace ks::readers {

namespace {

constexpr std::string_view kSource = "KsImport";

static_assert(std::numeric_limits<float>::is_iec559, "Singles on file are IEEE 754 binary32");

}  // namespace

void BinaryCursor::Seek(size_t offset) {
  offset_ = offset < data_.size() ? offset : data_.size();
}

void BinaryCursor::ThrowPastLimit(const std::string& what) const {
  const std::string limitName = LimitName();
  throw ComError(err::kInputPastEnd,
                 "Input past end of " + limitName + ": " + what + " at offset " +
                     std::to_string(offset_) + ", but the " + limitName + " ends at offset " +
                     std::to_string(Limit()),
                 std::string(kSource));
}

void BinaryCursor::Require(size_t count, const char* what) const {
  if (count > Remaining())
    ThrowPastLimit(std::string(what) + " (" + std::to_string(count) +
                   (count == 1 ? " byte)" : " bytes)"));
}

uint8_t BinaryCursor::ReadByte() {
  Require(1, "a byte");
  return data_[offset_++];
}

uint16_t BinaryCursor::ReadUInt16() {
  Require(2, "a 16-bit value");
  const uint16_t v = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
  offset_ += 2;
  return v;
}

int32_t BinaryCursor::ReadInt32() {
  Require(4, "a 32-bit value");
  const uint32_t v = static_cast<uint32_t>(data_[offset_]) |
                     (static_cast<uint32_t>(data_[offset_ + 1]) << 8) |
                     (static_cast<uint32_t>(data_[offset_ + 2]) << 16) |
                     (static_cast<uint32_t>(data_[offset_ + 3]) << 24);
  offset_ += 4;
  return static_cast<int32_t>(v);
}

float BinaryCursor::ReadFloat32() {
  Require(4, "a Single");
  return std::bit_cast<float>(static_cast<uint32_t>(ReadInt32()));
}

std::string BinaryCursor::ReadCString() {
  const size_t limit = Limit();
  for (size_t end = offset_; end < limit; ++end) {
    if (data_[end] == 0) {
      std::string text(reinterpret_cast<const char*>(data_.data() + offset_), end - offset_);
      offset_ = end + 1;
      return text;
    }
  }
  ThrowPastLimit("a text without its terminating zero byte starts");
}

std::span<const uint8_t> BinaryCursor::Take(size_t count, const char* what) {
  Require(count, what);
  const auto taken = data_.subspan(offset_, count);
  offset_ += count;
  return taken;
}

void BinaryCursor::Skip(size_t count) {
  Require(count, "skipping");
  offset_ += count;
}

BinaryCursor::LimitScope::LimitScope(BinaryCursor& cursor, size_t end, const char* name)
    : cursor_(cursor) {
  if (end > cursor.Limit())
    throw ComError(err::kInputPastEnd,
                   "Input past end of " + std::string(cursor.LimitName()) + ": a " + name +
                       " ending at offset " + std::to_string(end) +
                       " reaches past the end at offset " + std::to_string(cursor.Limit()),
                   std::string(kSource));
  cursor.limits_.push_back({end, name});
}

}  // namespace ks::readers
