#include "image_module.h"

#include "library_folder.h"
#include "runtime.h"

namespace ks {

std::filesystem::path ImageModulePath() {
  return LibraryFolderOf(reinterpret_cast<const void*>(&ImageModulePath)) / kImageModuleFile;
}

void RegisterImageModule(Runtime& rt, const std::filesystem::path& module) {
  for (std::string_view progId : {kImageClassName, kImageFxClassName})
    rt.RegisterModuleClass(std::string(progId), module);
}

}  // namespace ks
