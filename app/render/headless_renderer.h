#pragma once
// Renders the scene to a picture without any display server: Mesa's
// surfaceless EGL platform gives an OpenGL 3.3 core context without a
// surface, and the picture is drawn into a multisampled framebuffer object
// and read back.
#include <QImage>
#include <memory>

#include "app/render/camera.h"
#include "app/render/scene_renderer.h"

namespace kestrel::render {

struct PictureRequest {
  int width = 800, height = 600;
  ViewPreset view = ViewPreset::Iso;
  bool wireframe = false;
  std::string selectedKey;
  // The objects alone on a clear background: no grid, no gizmo.
  bool transparent = false;
};

class HeadlessRenderer {
 public:
  // Opens the display and context; throws std::runtime_error saying which
  // step failed (no EGL, no surfaceless platform, no OpenGL 3.3 core).
  HeadlessRenderer();
  ~HeadlessRenderer();
  HeadlessRenderer(const HeadlessRenderer&) = delete;
  HeadlessRenderer& operator=(const HeadlessRenderer&) = delete;

  // The scene framed in the requested view.
  QImage Render(ks::CKsScene& scene, const PictureRequest& request);

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

}  // namespace kestrel::render
