#include "form_view.h"

#include <dlfcn.h>

#include <string>

#include "library_folder.h"
#include "person.h"

namespace ks {

using ShowFormViewFn = void (*)(Form&);

std::filesystem::path FormViewModulePath(const void* pluginAddress, std::string_view file) {
  return LibraryFolderOf(pluginAddress) / kFormViewFolder / file;
}

FormView LoadFormView(Person& person, const std::filesystem::path& module, std::string_view title) {
  std::string why;
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    why = reason ? reason : "the system gave no reason";
  } else if (void* entry = dlsym(handle, kFormViewEntry)) {
    return reinterpret_cast<ShowFormViewFn>(entry);
  } else {
    why = std::string("it has no entry point ") + kFormViewEntry;
    dlclose(handle);
  }
  person.MessageBox("The dialog cannot be shown: its view module " + module.string() +
                        " cannot be loaded.\n" + why,
                    MsgButtons::OK, MsgIcon::Critical, title);
  return {};
}

}  // namespace ks
