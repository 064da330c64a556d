#pragma once
// "Setvault.RegFun": the registry helper the plug-ins create by class name.
//   ReadValue(root Long, subkey String, name String, default) -> the stored
//     value (with the type it was written with), or default when none is stored
//   WriteValue(root Long, subkey String, name String, value) -> stores value
//     (Boolean, Integer, Long, Single, Double or String) under the subkey
// Works on the runtime's registry store, so every instance (and every process
// sharing the registry file) sees the same values.
#include "dispatch.h"
#include "registry_store.h"

namespace ks {

class RegFun : public DispatchObject<RegFun> {
 public:
  static constexpr std::string_view kClassName = "Setvault.RegFun";
  static void BuildMembers(MemberTable<RegFun>& t);

  explicit RegFun(RegistryStore& store) : store_(store) {}

  Variant ReadValue(int32_t root, std::string_view subkey, std::string_view name,
                    Variant defaultValue) const;
  void WriteValue(int32_t root, std::string_view subkey, std::string_view name,
                  const Variant& value);

 private:
  RegistryStore& store_;
};

}  // namespace ks
