#pragma once
// A persistent, hierarchical key/value store standing in for the machine-wide
// registry: root key, subkey path with "\" separators, value name, typed value.
// Backed by an INI file in the form QSettings reads and writes. Every change is made under a lock and
// written to a file beside it that then replaces it, so several processes may
// share it and a kill never truncates it. Values keep their type.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "variant.h"

namespace ks {

inline constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kHkeyUsers = static_cast<int32_t>(0x80000003u);

class RegistryStore {
 public:
  explicit RegistryStore(std::filesystem::path file);

  // $KESTREL_REGISTRY, else $XDG_CONFIG_HOME/kestrel/registry.ini (~/.config by default).
  static std::filesystem::path DefaultLocation();

  const std::filesystem::path& file() const { return file_; }

  // Once: the message that a registry file which could not be read was set
  // aside (renamed with a timestamp, its bytes kept) and a new one started.
  std::optional<std::string> TakeNotice();

  // The stored value, or nullopt. An empty name is the key's default value.
  std::optional<Variant> Read(int32_t root, std::string_view subkey, std::string_view name) const;
  // Stores Boolean, Integer, Long, Single, Double or String values; others raise error 13.
  void Write(int32_t root, std::string_view subkey, std::string_view name, const Variant& value);
  void DeleteValue(int32_t root, std::string_view subkey, std::string_view name);
  void DeleteKey(int32_t root, std::string_view subkey);  // with everything under it
  std::vector<std::string> SubKeys(int32_t root, std::string_view subkey) const;

 private:
  // Makes one change under an exclusive lock, on a copy of the file that
  // then replaces it in one rename: a process killed meanwhile leaves the old
  // file or the new one, and a change by another process is never lost.
  // The copies a killed writer left behind are removed by the next change.
  template <class Change>
  void Modify(Change&& change);
  void SetAsideIfUnreadable();

  std::filesystem::path file_;
  std::optional<std::string> notice_;
};

}  // namespace ks
