#include "reg_fun.h"

namespace ks {

Variant RegFun::ReadValue(int32_t root, std::string_view subkey, std::string_view name,
                          Variant defaultValue) const {
  if (auto stored = store_.Read(root, subkey, name)) return *stored;
  return defaultValue;
}

void RegFun::WriteValue(int32_t root, std::string_view subkey, std::string_view name,
                        const Variant& value) {
  store_.Write(root, subkey, name, value);
}

void RegFun::BuildMembers(MemberTable<RegFun>& t) {
  using Args = std::span<Variant>;
  t.Method("ReadValue", [](RegFun& r, Args a) {
    // A missing default reads as Empty.
    Variant fallback = HasArg(a, 3) ? a[3] : Variant();
    return r.ReadValue(Arg(a, 0).ToLong(), Arg(a, 1).ToString(), Arg(a, 2).ToString(),
                       std::move(fallback));
  });
  t.Method("WriteValue", [](RegFun& r, Args a) {
    r.WriteValue(Arg(a, 0).ToLong(), Arg(a, 1).ToString(), Arg(a, 2).ToString(), Arg(a, 3));
    return Variant();
  });
}

}  // namespace ks
