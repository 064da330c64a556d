#include "import/module_folder.h"

#include <dlfcn.h>

#include <filesystem>

namespace ks::importer {

std::string ModuleFolder() {
  Dl_info info{};
  std::filesystem::path file;
  if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) != 0 && info.dli_fname)
    file = info.dli_fname;
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::weakly_canonical(file, ec).parent_path();
  if (ec || folder.empty()) folder = std::filesystem::current_path(ec);
  std::string out = folder.string();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace ks::importer
