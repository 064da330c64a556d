#pragma once
// The import dialog's remembered values in the machine-wide registry, read and
// written through the host's registry helper "Setvault.RegFun" (a fresh
// instance for each read or write):
//   SOFTWARE\Ardeno\KsImport         "FileFormat"  last format list index (Integer)
//   SOFTWARE\Ardeno\KsImport         "SplitObjects" WaveFront: split objects at "o"
//                                                  lines, 0 or 1 (Integer; default 0)
//   SOFTWARE\Ardeno\KsImport         "ImportMaterials" WaveFront: read the .mtl
//                                                  libraries, 0 or 1 (Integer; default 0)
//   SOFTWARE\Ardeno\KsImport         "Threads"     threads that read one large file,
//                                                  0 for every core (Long; default 0)
//   SOFTWARE\Ardeno\KsImport\<EXT>   "Path"        folder of the last file of that
//                                                  format, with trailing separator
#include <cstdint>
#include <string>
#include <string_view>

#include "host/variant.h"

namespace ks {
class Runtime;
}

namespace ks::importer {

inline constexpr std::string_view kImportKey = "SOFTWARE\\Ardeno\\KsImport";

class ImportSettings {
 public:
  explicit ImportSettings(Runtime& rt) : rt_(rt) {}

  int16_t ReadFileFormat() const;  // 0 when nothing is stored
  void WriteFileFormat(int16_t listIndex) const;
  bool ReadSplitObjects() const;  // false when nothing is stored
  void WriteSplitObjects(bool split) const;
  bool ReadImportMaterials() const;  // false when nothing is stored
  void WriteImportMaterials(bool import) const;
  int32_t ReadThreads() const;  // 0 (every core) when nothing, or no count, is stored
  // The folder remembered for `extension` (any case); the plug-in's own
  // folder when nothing is stored.
  std::string ReadPath(std::string_view extension) const;
  void WritePath(std::string_view extension, std::string_view folder) const;

 private:
  Variant Read(const std::string& subkey, std::string_view name, Variant fallback) const;
  void Write(const std::string& subkey, std::string_view name, Variant value) const;

  Runtime& rt_;
};

// "SOFTWARE\Ardeno\KsImport\OBJ" for "obj".
std::string PathKey(std::string_view extension);

}  // namespace ks::importer
