#pragma once
// The 3D preview beside the path dialog's drawing area: the object that "Get
// Object" would hand back now, built by the form (frmObjPath::BuildPreview,
// the same builders) and drawn by the host's renderer (app/render) as the
// viewport draws a scene. It is built again whenever the path or a setting
// that shapes it changes; for a path that cannot be built yet it says why.
#include <QOpenGLWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/render/camera.h"
#include "host/ks_scene.h"
#include "objpath/frm_obj_path.h"

class QLabel;

namespace kestrel::render {
class SceneRenderer;
}

namespace ks::objpath {

class PathPreview : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit PathPreview(frmObjPath& form, QWidget* parent = nullptr);
  ~PathPreview() override;

  // Whether the platform shows OpenGL widgets (Qt's offscreen and minimal
  // platforms do not, and fail when asked to).
  static bool CanDraw();

  // Builds the object again when what shapes it has changed since the last
  // call, and repaints.
  void Refresh();
  // Why nothing is shown; empty while an object shows.
  QString Why() const;
  // The object shown, or Nothing.
  const ObjectRef& Shown() const { return shown_; }

 protected:
  void initializeGL() override;
  void paintGL() override;
  void resizeGL(int width, int height) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Everything the builders read, to tell when to build again.
  struct Inputs {
    PathState path;
    BuildSettings settings;
    Variant mode, closePath;
    float barLeft = 0;
    bool operator==(const Inputs&) const = default;
  };
  Inputs CurrentInputs() const;
  void ReleaseGl();

  frmObjPath& form_;
  std::unique_ptr<kestrel::render::SceneRenderer> renderer_;
  kestrel::render::Camera camera_;
  std::unique_ptr<Inputs> built_;
  ObjectRef shown_;
  KsSceneRef scene_;
  QLabel* why_;
  QPoint lastMouse_;
  bool glReady_ = false;
  bool uploadPending_ = false;
  bool framePending_ = true;
};

}  // namespace ks::objpath
