#pragma once
// Draws the host scene with OpenGL 3.3 core: every visible object shaded with
// the host's own corner normals (as smoothed by Get_Surface and
// SmoothNormalsAdaptive) in its colour, the selected objects tinted and
// outlined, an
// optional wireframe overlay, a ground grid under the scene and an axis gizmo
// in the lower left corner. The viewport and headless rendering share it.
//
// Every member except the constructor needs the GL context it was created
// with to be current; Release() must run while it still is.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/render/camera.h"
#include "app/render/mesh_detail.h"
#include "host/ks_scene.h"

namespace kestrel::render {

struct RenderSettings {
  int width = 800, height = 600;  // pixels of the target
  bool wireframe = false;
  bool grid = true;
  bool gizmo = true;
  bool transparent = false;               // background left clear (alpha 0) instead of filled
  std::string selectedKey;                // object drawn as selected; empty for none
  std::vector<std::string> selectedKeys;  // more objects drawn as selected
  bool coarse = false;  // the view is moving: big meshes drawn in their coarse form
};

// Colours shared by the viewport, the headless pictures and their tests.
struct Palette {
  static constexpr float kBackground[3] = {0.19f, 0.20f, 0.23f};
  static constexpr float kSelection[3] = {1.0f, 0.62f, 0.10f};
  static constexpr float kWire[3] = {0.05f, 0.05f, 0.06f};
  static constexpr float kGrid[3] = {0.32f, 0.33f, 0.37f};
};

// The colour an object is drawn in: its scene material's colour when one is
// bound, else its DefaultColor; red in the low byte.
QVector3D ObjectColor(const ks::CKsObject& object);

class SceneRenderer {
 public:
  SceneRenderer();
  ~SceneRenderer();
  SceneRenderer(const SceneRenderer&) = delete;
  SceneRenderer& operator=(const SceneRenderer&) = delete;

  // Compiles the shaders; throws std::runtime_error with the compiler's log.
  void Initialize();
  // Copies the scene's geometry to the GPU, replacing what was there; each
  // object's drawing form is made here.
  void Upload(ks::CKsScene& scene);
  // The drawing form of an object made beforehand (on another thread), or
  // null when it is not ready yet.
  using PreparedLookup = std::function<std::shared_ptr<const PreparedMesh>(const ks::CKsObject&)>;
  // As Upload, with forms made beforehand; an object without one is left out
  // until the next upload.
  void Upload(ks::CKsScene& scene, const PreparedLookup& prepared);
  // Takes the objects' Visible flags over without copying geometry again.
  void UpdateVisibility(ks::CKsScene& scene);
  // Draws into the framebuffer object `framebuffer` (0: the default one).
  void Render(const Camera& camera, const RenderSettings& settings, unsigned framebuffer);
  // Frees the GPU objects.
  void Release();

  // Spheres around the visible objects, and around one object by key; the
  // unit sphere when there is nothing to see.
  ViewSphere SceneSphere() const;
  ViewSphere ObjectSphere(const std::string& key) const;
  int64_t TriangleCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kestrel::render
