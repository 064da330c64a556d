#pragma once
// The 3D viewport of the main window: the shared scene renderer in a
// QOpenGLWidget (OpenGL 3.3 core). Left drag orbits, middle drag (or Shift
// with the left button) pans, the wheel zooms; a left click without a drag
// picks nothing and leaves the selection as it is.
#include <QOpenGLWidget>
#include <QPoint>
#include <memory>
#include <string>

#include "app/render/camera.h"
#include "host/ks_scene.h"

namespace kestrel::render {
class SceneRenderer;
}

namespace kestrel::gui {

class ViewportWidget : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit ViewportWidget(QWidget* parent = nullptr);
  ~ViewportWidget() override;

  // The scene to show; its geometry is copied to the GPU on the next frame.
  void SetScene(ks::KsSceneRef scene);
  // The scene's objects changed (added, shown or hidden, recoloured).
  void SceneChanged();
  void SetSelectedKey(const std::string& key);
  const std::string& SelectedKey() const { return selectedKey_; }
  void SetWireframe(bool on);
  bool Wireframe() const { return wireframe_; }
  void SetView(render::ViewPreset view);
  void FrameAll();
  void FrameSelected();
  const render::Camera& Camera() const { return camera_; }

 signals:
  // The OpenGL context could not be set up; the view stays empty.
  void drawingFailed(const QString& reason);

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ReleaseGl();
  float Aspect() const;
  // Uploads the scene when it changed; true when the renderer is ready.
  bool Prepare();

  std::unique_ptr<render::SceneRenderer> renderer_;
  ks::KsSceneRef scene_;
  render::Camera camera_;
  std::string selectedKey_;
  bool wireframe_ = false;
  bool uploadPending_ = false;
  bool framePending_ = false;  // frame all once the geometry is known
  bool glReady_ = false;
  QPoint lastMouse_;
};

}  // namespace kestrel::gui
