#include "import/module_folder.h"

#include "host/library_folder.h"

namespace ks::importer {

std::string ModuleFolder() {
  std::string out = LibraryFolderOf(reinterpret_cast<const void*>(&ModuleFolder)).string();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace ks::importer
