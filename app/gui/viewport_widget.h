#pragma once
// The 3D viewport of the main window: the shared scene renderer in a
// QOpenGLWidget (OpenGL 3.3 core). Left drag orbits, middle drag (or Shift
// with the left button) pans, the wheel zooms; a left click without a drag
// picks the object under the pointer (signal picked), Ctrl held to add it.
//
// Each object's drawing form (render::PrepareMesh) is made once, on a thread
// of its own, then copied to the GPU in slices over turns of the event loop,
// so that the window stays responsive after a big import (progress told by
// preparationProgress, stopped by CancelPreparation); the object appears
// once all of its form is on the GPU, first in its coarse form. While the
// view moves, big meshes are drawn in their coarse form, and in full again
// once it rests.
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>
#include <algorithm>
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
  // True while forms are being made or copied to the GPU.
  bool Busy() const { return worker_.joinable() || uploading_; }
  // Stops making and copying forms; objects still without theirs stay
  // unshown until the scene changes again.
  void CancelPreparation();
  // Bytes copied to the GPU per turn of the event loop.
  void SetUploadSliceBytes(size_t bytes) { uploadSliceBytes_ = std::max<size_t>(bytes, 1); }
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
  // How far the forms of objects not shown yet are made and copied, 0-100.
  void preparationProgress(int percent);

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
  // Makes the GPU buffers for the scene and starts copying into them.
  void StartUpload();
  // Copies one slice to the GPU (the context current); true when all is there.
  bool UploadSlice(size_t bytes);
  void ReportProgress();
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
  bool prepareAgain_ = false;             // the scene changed while the worker ran
  int workerGeneration_ = 0;              // counts workers started; a stale call is ignored
  bool uploading_ = false;                // forms being copied to the GPU in slices
  std::atomic<int> preparedPermille_{0};  // of the worker's triangles
  QTimer uploadTimer_;
  size_t uploadSliceBytes_;
  QTimer progressTimer_;
  bool moving_ = false;
  QTimer restTimer_;
  QPoint lastMouse_;
  QPoint pressMouse_;
  bool dragged_ = false;  // the pointer moved far enough since the press to be a drag
};

}  // namespace kestrel::gui
