#pragma once
#include <filesystem>

namespace ks {

// The folder of the binary that holds the code at `address` (a shared
// library, or the program itself for code linked into it statically). Falls
// back to the current folder when the system cannot tell.
std::filesystem::path LibraryFolderOf(const void* address);

}  // namespace ks
