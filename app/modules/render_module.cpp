// The render module: headless pictures of a scene (Qt Gui, EGL, OpenGL).
#include "app/modules/module_api.h"
#include "app/render/scene_picture.h"

extern "C" const kestrel::RenderModule* KestrelRenderModule() {
  static const kestrel::RenderModule table{kestrel::kModuleInterfaceVersion,
                                           kestrel::render::WriteScenePicture};
  return &table;
}
