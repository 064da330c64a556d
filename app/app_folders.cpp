#include "app/app_folders.h"

namespace kestrel {

AppFolders FoldersBeside(const std::filesystem::path& executable) {
  const auto prefix = executable.parent_path().parent_path();
  const auto installed = prefix / "lib" / "kestrel";
  std::error_code ec;
  if (std::filesystem::is_directory(installed / "plugins", ec))
    return {installed / "plugins", installed};
  return {prefix / "plugins", prefix / "lib"};
}

AppFolders ProgramFolders() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {"plugins", "lib"};
  return FoldersBeside(exe);
}

}  // namespace kestrel
