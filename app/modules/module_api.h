#pragma once
// The narrow interface between the kestrel executable and the modules it
// loads on demand. The executable keeps the command line and everything
// that needs only the host; a module does the work that needs heavy
// libraries: pictures (Qt Gui, EGL, OpenGL), export (assimp) and the main
// window (Qt Widgets). A command that needs none of them starts without
// loading them.
//
// Each module exports one extern "C" entry function returning its table of
// functions. Executable and modules are built together from one tree, so the
// functions take the host's C++ types; the version guards against a module
// left over from another build.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ks {
class CKsScene;
}

namespace kestrel {

struct AppContext;

inline constexpr int kModuleInterfaceVersion = 2;

// One picture of a scene: the file (format from its extension, PNG when it
// has none), its size in pixels and how the camera looks at the scene.
struct PictureJob {
  std::filesystem::path output;
  int width = 1024, height = 768;
  std::string view = "iso";  // iso, front, top or side
  bool wireframe = false;
  bool transparent = false;  // the objects alone on a clear background
};

struct RenderModule {
  int interfaceVersion;
  // Renders headless and writes the picture. Returns kExitOk, or kExitFailed
  // with the reason on err.
  int (*writeScenePicture)(ks::CKsScene& scene, const PictureJob& job, std::ostream& err);
};

struct ExportModule {
  int interfaceVersion;
  // Writes the scene, the format chosen by the file's extension; failures are
  // raised as ks::ComError.
  void (*exportScene)(const ks::CKsScene& scene, const std::filesystem::path& out);
};

struct DesktopModule {
  int interfaceVersion;
  // Runs the main window until it closes, with the files imported into its
  // scene; screenshot: when not empty, the window is saved there once drawn
  // and closed. Returns the exit code.
  int (*runGui)(AppContext& ctx, const std::vector<std::string>& files, const char* programName,
                const std::string& screenshot);
};

// Entry function names, looked up with dlsym.
inline constexpr const char* kRenderModuleEntry = "KestrelRenderModule";
inline constexpr const char* kExportModuleEntry = "KestrelExportModule";
inline constexpr const char* kDesktopModuleEntry = "KestrelDesktopModule";

}  // namespace kestrel

extern "C" {
const kestrel::RenderModule* KestrelRenderModule();
const kestrel::ExportModule* KestrelExportModule();
const kestrel::DesktopModule* KestrelDesktopModule();
}
