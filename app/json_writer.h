#pragma once
// A small streaming JSON writer: values go into a buffer that is flushed to the
// stream in large blocks, so documents with millions of numbers write fast.
// Strings are escaped and kept as UTF-8 (bytes that are not valid UTF-8 are
// taken as Latin-1 characters, so the output is always valid JSON); floats are
// written in their shortest round-trip form; NaN and infinities become null.
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) { buffer_.reserve(kFlushAt + 256); }
  ~JsonWriter() { Flush(); }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next value in an object.
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view s);
  JsonWriter& Bool(bool b);
  JsonWriter& Int(int64_t v);
  JsonWriter& Float(float v);
  JsonWriter& Double(double v);
  JsonWriter& Null();

  void Flush();

 private:
  static constexpr size_t kFlushAt = 1 << 16;
  void BeforeValue();
  void Raw(std::string_view s) { buffer_.append(s); }
  void MaybeFlush() {
    if (buffer_.size() >= kFlushAt) Flush();
  }

  std::ostream& out_;
  std::string buffer_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool afterKey_ = false;
};

// The JSON text of a string value, quotes included.
std::string JsonQuoted(std::string_view s);

}  // namespace kestrel
