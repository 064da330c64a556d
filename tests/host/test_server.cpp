// A tiny in-process server: one class "KsTest.Counter" with a Value property
// and an Add(by-ref) method, used to test the runtime's library loading.
#include "host/runtime.h"

namespace {

struct ModuleTag {};

class Counter : public ks::DispatchObject<Counter>, ks::ModuleObject<ModuleTag> {
 public:
  static constexpr std::string_view kClassName = "KsTest.Counter";
  static void BuildMembers(ks::MemberTable<Counter>& t) {
    t.Property(
        "Value", [](Counter& c, std::span<ks::Variant>) { return ks::Variant(c.value_); },
        [](Counter& c, std::span<ks::Variant> a) { c.value_ = a.back().ToLong(); });
    // Add(x): adds x and writes the new total back into the by-reference argument.
    t.Method("Add", [](Counter& c, std::span<ks::Variant> a) {
      c.value_ += ks::Arg(a, 0).ToLong();
      a[0] = ks::Variant(c.value_);
      return ks::Variant();
    });
  }

 private:
  int32_t value_ = 0;
};

}  // namespace

extern "C" {
int32_t KsDllRegisterServer(ks::Runtime* rt, const char* path) {
  ks::RegisterInprocClass(*rt, "KsTest.Counter", "Test counter", path);
  return 0;
}
int32_t KsDllUnregisterServer(ks::Runtime* rt, const char*) {
  ks::UnregisterInprocClass(*rt, "KsTest.Counter");
  return 0;
}
bool KsDllGetClassObject(const char* progId, ks::ClassFactory* out) {
  if (std::string_view(progId) != "KsTest.Counter") return false;
  *out = [](ks::Runtime&) -> ks::ObjectRef { return std::make_shared<Counter>(); };
  return true;
}
int32_t KsDllCanUnloadNow() { return ks::ModuleObject<ModuleTag>::count == 0 ? 0 : 1; }
}
