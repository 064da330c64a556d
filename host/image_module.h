#pragma once
// The image library ("KsCommon.CKsImage", "KsCommon.ImageFX") lives in a
// module of its own beside the host library, so that only a run that works
// with pictures loads Qt Gui: the module is loaded the first time one of its
// classes is created.
#include <filesystem>
#include <string_view>

namespace ks {

class Runtime;

inline constexpr std::string_view kImageClassName = "KsCommon.CKsImage";
inline constexpr std::string_view kImageFxClassName = "KsCommon.ImageFX";
inline constexpr std::string_view kImageModuleFile = "libksimage.so";

// The image module beside the library this code is in.
std::filesystem::path ImageModulePath();

// Registers the image library's classes as served by `module`.
void RegisterImageModule(Runtime& rt, const std::filesystem::path& module = ImageModulePath());

}  // namespace ks
