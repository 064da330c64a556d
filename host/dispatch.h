#pragma once
// Late binding: every host and plug-in object is a Dispatch. Callers reach a
// member by name (resolved to a dispatch number) or directly by dispatch number.
// Arguments travel as a span of Variants that the callee may write back into
// (by-reference arguments). A property write passes the new value last.
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "call_log.h"
#include "com_error.h"
#include "variant.h"

namespace ks {

using DispId = int32_t;
inline constexpr DispId kUnknownDispId = -1;

enum class CallKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

class Dispatch : public std::enable_shared_from_this<Dispatch> {
 public:
  virtual ~Dispatch() = default;

  // The class name the object was created under ("Kestrel.CKsObject").
  virtual std::string_view ClassName() const = 0;
  // Resolves a member name (case-insensitive, as the platform does) to its number.
  virtual DispId GetIdOfName(std::string_view name) const = 0;
  // Calls a member by number. Raises ComError on failure.
  virtual Variant Invoke(DispId id, CallKind kind, std::span<Variant> args) = 0;

  // Resolves the name, then invokes; an unknown name raises error 438.
  Variant Invoke(std::string_view name, CallKind kind, std::span<Variant> args);

  // Events (the component's outgoing calls): a sink receives the event name and
  // its arguments. One sink per object is all the dialogs need.
  using EventSink = std::function<void(std::string_view event, std::span<Variant> args)>;
  void Advise(EventSink sink) { sink_ = std::move(sink); }
  void Unadvise() { sink_ = nullptr; }

  // Call logging (tests): once attached, every call on this object is recorded.
  void AttachCallLog(std::shared_ptr<CallLog> log);
  CallLog* GetCallLog() const { return log_.get(); }
  const std::shared_ptr<CallLog>& SharedCallLog() const { return log_; }

 protected:
  void RaiseEvent(std::string_view event, std::span<Variant> args) {
    if (sink_) sink_(event, args);
  }
  void LogCall(std::string_view member, CallKind kind, std::span<const Variant> args) const;

 private:
  std::shared_ptr<CallLog> log_;
  std::string logName_;
  EventSink sink_;
};

// Convenience wrappers for C++ callers; the call that reaches the object is the
// late-bound one. Arguments passed here are by value; to read back by-reference
// arguments use the span overloads with your own array.
template <class... A>
Variant Call(const ObjectRef& obj, std::string_view member, A&&... args);
Variant Call(const ObjectRef& obj, std::string_view member, std::span<Variant> args);
inline Variant Call(const ObjectRef& obj, std::string_view member, std::vector<Variant>& args) {
  return Call(obj, member, std::span<Variant>(args));
}
template <class... A>
Variant Get(const ObjectRef& obj, std::string_view member, A&&... args);
void Put(const ObjectRef& obj, std::string_view member, Variant value);
Variant CallId(const ObjectRef& obj, DispId id, std::span<Variant> args,
               CallKind kind = CallKind::Method);

// Raises error 424 "Object required" naming the member when obj is null.
void RequireObject(const ObjectRef& obj, std::string_view member);

template <class... A>
Variant Call(const ObjectRef& obj, std::string_view member, A&&... args) {
  std::array<Variant, sizeof...(A)> list{Variant(std::forward<A>(args))...};
  return Call(obj, member, std::span<Variant>(list));
}

template <class... A>
Variant Get(const ObjectRef& obj, std::string_view member, A&&... args) {
  RequireObject(obj, member);
  std::array<Variant, sizeof...(A)> list{Variant(std::forward<A>(args))...};
  return obj->Invoke(member, CallKind::PropertyGet, std::span<Variant>(list));
}

// Base for objects that describe their members in a static table.
// T derives from DispatchObject<T>; T::BuildMembers(MemberTable<T>&) fills the table once.
template <class T>
class MemberTable {
 public:
  using Handler = std::function<Variant(T&, std::span<Variant>)>;
  using Setter = std::function<void(T&, std::span<Variant>)>;  // value is args.back()

  struct Member {
    std::string name;
    DispId id;
    Handler method;  // called for CallKind::Method, and for PropertyGet when no getter
    Handler get;
    Setter put;
  };

  // Adds a method; id 0 means "next free number".
  MemberTable& Method(std::string name, Handler fn, DispId id = 0) {
    Find(name, id).method = std::move(fn);
    return *this;
  }
  MemberTable& Property(std::string name, Handler get, Setter put = {}, DispId id = 0) {
    Member& m = Find(name, id);
    m.get = std::move(get);
    m.put = std::move(put);
    return *this;
  }

  DispId IdOf(std::string_view name) const;
  const Member* ById(DispId id) const {
    for (const Member& m : members_)
      if (m.id == id) return &m;
    return nullptr;
  }
  const std::vector<Member>& members() const { return members_; }

 private:
  Member& Find(const std::string& name, DispId id) {
    for (Member& m : members_)
      if (m.name == name) return m;
    members_.push_back({name, id ? id : static_cast<DispId>(members_.size() + 1), {}, {}, {}});
    return members_.back();
  }
  std::vector<Member> members_;
};

bool EqualsNoCase(std::string_view a, std::string_view b);
// Argument i of a call; raises error 450 when the caller passed fewer.
Variant& Arg(std::span<Variant> args, size_t i);
// True when argument i was passed and not omitted.
inline bool HasArg(std::span<Variant> args, size_t i) {
  return i < args.size() && !args[i].IsOmitted();
}
// Raised for a member that exists but not for this kind of call, or wrong arguments.
[[noreturn]] void ThrowMemberNotFound(std::string_view className, std::string_view member);
[[noreturn]] void ThrowWrongArgCount(std::string_view className, std::string_view member,
                                     std::string_view expected);

template <class T>
DispId MemberTable<T>::IdOf(std::string_view name) const {
  for (const Member& m : members_)
    if (EqualsNoCase(m.name, name)) return m.id;
  return kUnknownDispId;
}

template <class T>
class DispatchObject : public Dispatch {
 public:
  std::string_view ClassName() const override { return T::kClassName; }
  DispId GetIdOfName(std::string_view name) const override { return Table().IdOf(name); }
  Variant Invoke(DispId id, CallKind kind, std::span<Variant> args) override {
    const auto* m = Table().ById(id);
    if (!m) ThrowMemberNotFound(ClassName(), "#" + std::to_string(id));
    T& self = static_cast<T&>(*this);
    if (GetCallLog()) LogCall(m->name, kind, args);
    switch (kind) {
      case CallKind::Method:
        if (m->method) return m->method(self, args);
        if (m->get) return m->get(self, args);
        break;
      case CallKind::PropertyGet:
        if (m->get) return m->get(self, args);
        if (m->method) return m->method(self, args);
        break;
      case CallKind::PropertyPut:
        if (m->put) {
          if (args.empty()) ThrowWrongArgCount(ClassName(), m->name, "a value");
          m->put(self, args);
          return {};
        }
        break;
    }
    ThrowMemberNotFound(ClassName(), m->name);
  }

  static const MemberTable<T>& Table() {
    static const MemberTable<T> table = [] {
      MemberTable<T> t;
      T::BuildMembers(t);
      return t;
    }();
    return table;
  }
};

}  // namespace ks
