#include "import/import_settings.h"

#include <cctype>

#include "host/registry_store.h"
#include "host/runtime.h"
#include "import/module_folder.h"

namespace ks::importer {
namespace {
constexpr std::string_view kRegistryHelper = "Setvault.RegFun";
}

std::string PathKey(std::string_view extension) {
  std::string key(kImportKey);
  key += '\\';
  for (char c : extension) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

Variant ImportSettings::Read(const std::string& subkey, std::string_view name,
                             Variant fallback) const {
  ObjectRef reg = rt_.CreateObject(kRegistryHelper);
  return Call(reg, "ReadValue", kHkeyLocalMachine, subkey, name, std::move(fallback));
}

void ImportSettings::Write(const std::string& subkey, std::string_view name, Variant value) const {
  ObjectRef reg = rt_.CreateObject(kRegistryHelper);
  Call(reg, "WriteValue", kHkeyLocalMachine, subkey, name, std::move(value));
}

int16_t ImportSettings::ReadFileFormat() const {
  return Read(std::string(kImportKey), "FileFormat", int16_t{0}).ToInteger();
}

void ImportSettings::WriteFileFormat(int16_t listIndex) const {
  Write(std::string(kImportKey), "FileFormat", listIndex);
}

bool ImportSettings::ReadSplitObjects() const {
  return Read(std::string(kImportKey), "SplitObjects", int16_t{0}).ToInteger() != 0;
}

void ImportSettings::WriteSplitObjects(bool split) const {
  Write(std::string(kImportKey), "SplitObjects", static_cast<int16_t>(split));
}

bool ImportSettings::ReadImportMaterials() const {
  return Read(std::string(kImportKey), "ImportMaterials", int16_t{0}).ToInteger() != 0;
}

void ImportSettings::WriteImportMaterials(bool import) const {
  Write(std::string(kImportKey), "ImportMaterials", static_cast<int16_t>(import));
}

int32_t ImportSettings::ReadThreads() const {
  const int32_t threads = Read(std::string(kImportKey), "Threads", int32_t{0}).ToLong();
  return threads > 0 ? threads : 0;
}

std::string ImportSettings::ReadPath(std::string_view extension) const {
  return Read(PathKey(extension), "Path", ModuleFolder()).ToString();
}

void ImportSettings::WritePath(std::string_view extension, std::string_view folder) const {
  Write(PathKey(extension), "Path", folder);
}

}  // namespace ks::importer
