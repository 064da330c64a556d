#include "dispatch.h"

#include <cctype>

namespace ks {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

Variant& Arg(std::span<Variant> args, size_t i) {
  if (i >= args.size())
    throw ComError(err::kWrongArgCount, "Wrong number of arguments: argument " +
                                            std::to_string(i + 1) + " is missing");
  return args[i];
}

void ThrowMemberNotFound(std::string_view className, std::string_view member) {
  throw ComError(err::kMemberNotFound,
                 "Object doesn't support this property or method: " + std::string(className) +
                     "." + std::string(member),
                 std::string(className));
}

void ThrowWrongArgCount(std::string_view className, std::string_view member,
                        std::string_view expected) {
  throw ComError(err::kWrongArgCount,
                 "Wrong number of arguments for " + std::string(className) + "." +
                     std::string(member) + ": expected " + std::string(expected),
                 std::string(className));
}

Variant Dispatch::Invoke(std::string_view name, CallKind kind, std::span<Variant> args) {
  DispId id = GetIdOfName(name);
  if (id == kUnknownDispId) ThrowMemberNotFound(ClassName(), name);
  return Invoke(id, kind, args);
}

void Dispatch::AttachCallLog(std::shared_ptr<CallLog> log) {
  log_ = std::move(log);
  if (log_) logName_ = std::string(ClassName()) + "#" + std::to_string(log_->NextSerial());
}

void Dispatch::LogCall(std::string_view member, CallKind kind,
                       std::span<const Variant> args) const {
  LoggedCall call{logName_, std::string(member), kind, {}, {}};
  call.args.reserve(args.size());
  for (const Variant& a : args) {
    bool live = a.IsObject() && a.ToObject();
    call.liveObject.push_back(live);
    call.args.push_back(live ? Variant::Nothing() : a);
  }
  log_->Record(std::move(call));
}

void RequireObject(const ObjectRef& obj, std::string_view member) {
  if (!obj)
    throw ComError(err::kObjectRequired,
                   "Object required: cannot call " + std::string(member) + " on Nothing");
}

Variant Call(const ObjectRef& obj, std::string_view member, std::span<Variant> args) {
  RequireObject(obj, member);
  return obj->Invoke(member, CallKind::Method, args);
}

void Put(const ObjectRef& obj, std::string_view member, Variant value) {
  RequireObject(obj, member);
  std::array<Variant, 1> args{std::move(value)};
  obj->Invoke(member, CallKind::PropertyPut, args);
}

Variant CallId(const ObjectRef& obj, DispId id, std::span<Variant> args, CallKind kind) {
  RequireObject(obj, "#" + std::to_string(id));
  return obj->Invoke(id, kind, args);
}

}  // namespace ks
