#include "library_folder.h"

#include <dlfcn.h>

namespace ks {

std::filesystem::path LibraryFolderOf(const void* address) {
  Dl_info info{};
  std::filesystem::path file;
  if (dladdr(address, &info) != 0 && info.dli_fname) file = info.dli_fname;
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::weakly_canonical(file, ec).parent_path();
  if (ec || folder.empty()) folder = std::filesystem::current_path(ec);
  return folder;
}

}  // namespace ks
