#pragma once
// Variant: the value type of every late-bound call between host and plug-ins.
// Conversions follow the platform's rules: numbers convert to numbers (whole
// numbers round half to even, out of range is an overflow), numeric strings
// convert to numbers, anything else is a type mismatch (error 13).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ks {

class Dispatch;
using ObjectRef = std::shared_ptr<Dispatch>;

enum class VarType : uint8_t {
  Empty,
  Omitted,  // a missing optional argument
  Boolean,
  Integer,  // 16-bit
  Long,     // 32-bit
  Single,
  Double,
  String,
  Object,
  SingleArray,
  LongArray,
};

std::string_view TypeName(VarType type);

class Variant {
 public:
  struct OmittedTag {
    bool operator==(const OmittedTag&) const = default;
  };

  Variant() = default;
  Variant(OmittedTag) : value_(OmittedTag{}) {}
  Variant(bool v) : value_(v) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(ObjectRef v) : value_(std::move(v)) {}
  template <class T>
    requires std::is_base_of_v<Dispatch, T>
  Variant(std::shared_ptr<T> v) : value_(ObjectRef(std::move(v))) {}
  Variant(std::vector<float> v) : value_(std::move(v)) {}
  Variant(std::vector<int32_t> v) : value_(std::move(v)) {}

  static Variant Omitted() { return Variant(OmittedTag{}); }
  static Variant Nothing() { return Variant(ObjectRef{}); }

  VarType type() const { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const { return type() == VarType::Empty; }
  bool IsOmitted() const { return type() == VarType::Omitted; }
  bool IsObject() const { return type() == VarType::Object; }
  bool IsNumeric() const;
  bool IsArray() const { return type() == VarType::SingleArray || type() == VarType::LongArray; }

  // Converting reads; raise error 13 (or 6 for overflow) when the value cannot convert.
  bool ToBool() const;
  int16_t ToInteger() const;
  int32_t ToLong() const;
  float ToSingle() const;
  double ToDouble() const;
  std::string ToString() const;
  ObjectRef ToObject() const;  // Nothing converts to a null reference; other types fail

  // Arrays are never converted: the element type must match (error 13 otherwise).
  std::vector<float>& Singles();
  const std::vector<float>& Singles() const;
  std::vector<int32_t>& Longs();
  const std::vector<int32_t>& Longs() const;

  // Human-readable form for logs and messages: type and value, e.g. Long(3).
  std::string Describe() const;

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, OmittedTag, bool, int16_t, int32_t, float, double, std::string,
               ObjectRef, std::vector<float>, std::vector<int32_t>>
      value_;
};

// Rounds to the nearest whole number, halves to even (the platform's rule).
double RoundHalfEven(double v);
// Parses a complete decimal number (optional sign, point, exponent; surrounding
// spaces allowed). Returns false when the text is not numeric.
bool ParseNumber(std::string_view text, double& out);

}  // namespace ks
