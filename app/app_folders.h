#pragma once
// Where kestrel finds its plug-ins and modules, relative to its executable:
//   installed:   bin/kestrel, lib/kestrel/ (modules), lib/kestrel/plugins/
//   build tree:  bin/kestrel, lib/ (modules), plugins/
#include <filesystem>

namespace kestrel {

struct AppFolders {
  std::filesystem::path plugins;
  std::filesystem::path modules;
};

// The folders for an executable at this path.
AppFolders FoldersBeside(const std::filesystem::path& executable);

// The folders of the running program (from /proc/self/exe; relative to the
// working folder when that cannot be read).
AppFolders ProgramFolders();

}  // namespace kestrel
