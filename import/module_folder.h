#pragma once
#include <string>

namespace ks::importer {

// The folder of the binary this code was linked into (the plug-in library,
// or the program that links it statically), with a trailing "/".
std::string ModuleFolder();

}  // namespace ks::importer
