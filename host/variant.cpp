#include "variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

#include "com_error.h"

namespace ks {
namespace {

[[noreturn]] void Mismatch(const Variant& v, std::string_view wanted) {
  throw ComError(err::kTypeMismatch,
                 "Type mismatch: " + v.Describe() + " cannot be used as " + std::string(wanted));
}

[[noreturn]] void Overflow(double v, std::string_view wanted) {
  std::ostringstream os;
  os << "Overflow: " << v << " does not fit in " << wanted;
  throw ComError(err::kOverflow, os.str());
}

// Any numeric (or numeric string, or Boolean) value as a double.
double AsDouble(const Variant& v, std::string_view wanted) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Boolean:
      return v.ToBool() ? -1 : 0;
    case VarType::String: {
      double d;
      if (ParseNumber(v.ToString(), d)) return d;
      Mismatch(v, wanted);
    }
    default:
      if (v.IsNumeric()) return v.ToDouble();
      Mismatch(v, wanted);
  }
}

template <class Int>
Int ToWhole(const Variant& v, std::string_view wanted) {
  double d = RoundHalfEven(AsDouble(v, wanted));
  if (!(d >= std::numeric_limits<Int>::min() && d <= std::numeric_limits<Int>::max()))
    Overflow(d, wanted);
  return static_cast<Int>(d);
}

}  // namespace

std::string_view TypeName(VarType type) {
  switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Omitted: return "Omitted";
    case VarType::Boolean: return "Boolean";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Single: return "Single";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Object: return "Object";
    case VarType::SingleArray: return "Single()";
    case VarType::LongArray: return "Long()";
  }
  return "?";
}

double RoundHalfEven(double v) { return std::nearbyint(v); }  // default FE_TONEAREST

bool ParseNumber(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  const bool plus = text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, out, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) return false;
  if (ec != std::errc() || p != end) return false;
  // from_chars accepts "inf"/"nan"; the platform does not.
  return std::isfinite(out);
}

bool Variant::IsNumeric() const {
  switch (type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
      return true;
    default:
      return false;
  }
}

bool Variant::ToBool() const {
  if (auto* b = std::get_if<bool>(&value_)) return *b;
  if (type() == VarType::String) {
    const auto& s = std::get<std::string>(value_);
    if (s == "True" || s == "true") return true;
    if (s == "False" || s == "false") return false;
  }
  return AsDouble(*this, "Boolean") != 0;
}

int16_t Variant::ToInteger() const {
  if (auto* i = std::get_if<int16_t>(&value_)) return *i;
  return ToWhole<int16_t>(*this, "Integer");
}

int32_t Variant::ToLong() const {
  if (auto* i = std::get_if<int32_t>(&value_)) return *i;
  return ToWhole<int32_t>(*this, "Long");
}

float Variant::ToSingle() const {
  if (auto* f = std::get_if<float>(&value_)) return *f;
  double d = IsNumeric() ? ToDouble() : AsDouble(*this, "Single");
  if (std::fabs(d) > std::numeric_limits<float>::max()) Overflow(d, "Single");
  return static_cast<float>(d);
}

double Variant::ToDouble() const {
  switch (type()) {
    case VarType::Integer: return std::get<int16_t>(value_);
    case VarType::Long: return std::get<int32_t>(value_);
    case VarType::Single: return std::get<float>(value_);
    case VarType::Double: return std::get<double>(value_);
    default: return AsDouble(*this, "Double");
  }
}

std::string Variant::ToString() const {
  switch (type()) {
    case VarType::Empty: return "";
    case VarType::String: return std::get<std::string>(value_);
    case VarType::Boolean: return std::get<bool>(value_) ? "True" : "False";
    case VarType::Integer: return std::to_string(std::get<int16_t>(value_));
    case VarType::Long: return std::to_string(std::get<int32_t>(value_));
    case VarType::Single:
    case VarType::Double: {
      std::ostringstream os;
      os.precision(type() == VarType::Single ? 7 : 15);
      os << ToDouble();
      return os.str();
    }
    default: Mismatch(*this, "String");
  }
}

ObjectRef Variant::ToObject() const {
  if (auto* o = std::get_if<ObjectRef>(&value_)) return *o;
  throw ComError(err::kObjectRequired, "Object required: got " + Describe());
}

std::vector<float>& Variant::Singles() {
  if (auto* a = std::get_if<std::vector<float>>(&value_)) return *a;
  Mismatch(*this, "an array of Single");
}
const std::vector<float>& Variant::Singles() const {
  return const_cast<Variant*>(this)->Singles();
}
std::vector<int32_t>& Variant::Longs() {
  if (auto* a = std::get_if<std::vector<int32_t>>(&value_)) return *a;
  Mismatch(*this, "an array of Long");
}
const std::vector<int32_t>& Variant::Longs() const {
  return const_cast<Variant*>(this)->Longs();
}

std::string Variant::Describe() const {
  std::string name(TypeName(type()));
  switch (type()) {
    case VarType::Empty:
    case VarType::Omitted:
      return name;
    case VarType::String:
      return name + "(\"" + std::get<std::string>(value_) + "\")";
    case VarType::Object: {
      const auto& o = std::get<ObjectRef>(value_);
      return o ? "Object" : "Nothing";
    }
    case VarType::SingleArray: {
      const auto& a = std::get<std::vector<float>>(value_);
      std::ostringstream os;
      os << "Single(" << a.size() << ")[";
      for (size_t i = 0; i < a.size() && i < 64; ++i) os << (i ? "," : "") << a[i];
      if (a.size() > 64) os << ",...";
      os << "]";
      return os.str();
    }
    case VarType::LongArray: {
      const auto& a = std::get<std::vector<int32_t>>(value_);
      std::ostringstream os;
      os << "Long(" << a.size() << ")[";
      for (size_t i = 0; i < a.size() && i < 64; ++i) os << (i ? "," : "") << a[i];
      if (a.size() > 64) os << ",...";
      os << "]";
      return os.str();
    }
    default:
      return name + "(" + ToString() + ")";
  }
}

}  // namespace ks
