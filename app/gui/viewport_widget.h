#pragma once
// The 3D viewport of the main window: the shared scene renderer in a
// QOpenGLWidget (OpenGL 3.3 core). Left drag orbits, middle drag (or Shift
// with the left button) pans, the wheel zooms; a left click without a drag
// picks the object under the pointer (signal picked), Ctrl held to add it.
//
// Each object's drawing form (render::PrepareMesh) is made once, on a thread
// of its own, so that the window stays responsive after a big import; the
// object appears once its form is ready. While the view moves, big meshes
// are drawn in their coarse form, and in full again once it rests.
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/render/camera.h"
#include "host/ks_scene.h"

namespace kestrel::render {
class SceneRenderer;
struct PreparedMesh;
}  // namespace kestrel::render

namespace kestrel::gui {

class ViewportWidget : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit ViewportWidget(QWidget* parent = nullptr);
  ~ViewportWidget() override;

  // The scene to show; its geometry is copied to the GPU on the next frame.
  void SetScene(ks::KsSceneRef scene);
  // The scene's objects changed (added, removed, recoloured).
  void SceneChanged();
  // Objects were shown or hidden: drawn anew without copying geometry.
  void VisibilityChanged();
  void SetSelectedKey(const std::string& key);
  void SetSelectedKeys(std::vector<std::string> keys);
  // The first selected object, or "".
  const std::string& SelectedKey() const;
  const std::vector<std::string>& SelectedKeys() const { return selectedKeys_; }
  void SetWireframe(bool on);
  bool Wireframe() const { return wireframe_; }
  void SetView(render::ViewPreset view);
  void FrameAll();
  void FrameSelected();
  // True while drawing forms are being made for objects not shown yet.
  bool Preparing() const { return worker_.joinable(); }
  // Waits until every object of the scene has its drawing form (for tests,
  // and before anything else reads the objects' normals).
  void WaitForPreparation();
  // True while the view moves (drawn coarse).
  bool Moving() const { return moving_; }
  const render::Camera& Camera() const { return camera_; }

 signals:
  // The OpenGL context could not be set up; the view stays empty.
  void drawingFailed(const QString& reason);
  // A click without a drag: the object under the pointer ("" for empty
  // space); add: Ctrl was held.
  void picked(const QString& key, bool add);
  // Every object of the scene has its drawing form and is shown.
  void sceneReady();

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ReleaseGl();
  float Aspect() const;
  // Uploads the scene when it changed; true when the renderer is ready.
  bool Prepare();
  // Starts making the drawing forms the scene's objects lack.
  void StartPreparing();
  // The worker is done: its forms join the cache and the scene is uploaded.
  void TakePrepared();
  void StopWorker();
  // The view moved: coarse frames until it has rested a moment.
  void Moved();

  std::unique_ptr<render::SceneRenderer> renderer_;
  ks::KsSceneRef scene_;
  render::Camera camera_;
  std::vector<std::string> selectedKeys_;
  bool wireframe_ = false;
  bool uploadPending_ = false;
  bool visibilityPending_ = false;
  bool framePending_ = false;  // frame all once the geometry is known
  bool glReady_ = false;
  struct CachedForm {
    std::weak_ptr<ks::CKsObject> object;  // the entry goes when the object does
    std::shared_ptr<const render::PreparedMesh> form;
  };
  std::map<const ks::CKsObject*, CachedForm> forms_;
  std::thread worker_;
  std::atomic<bool> stopWorker_{false};
  std::mutex madeMutex_;
  std::vector<std::pair<ks::KsObjectRef, std::shared_ptr<const render::PreparedMesh>>> made_;
  bool prepareAgain_ = false;  // the scene changed while the worker ran
  int workerGeneration_ = 0;   // counts workers started; a stale call is ignored
  bool moving_ = false;
  QTimer restTimer_;
  QPoint lastMouse_;
  QPoint pressMouse_;
  bool dragged_ = false;  // the pointer moved far enough since the press to be a drag
};

}  // namespace kestrel::gui
