#include "app/gui/viewport_widget.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>
#include <algorithm>

#include "app/render/pick.h"
#include "app/render/scene_renderer.h"

namespace kestrel::gui {
namespace {

constexpr float kOrbitDegreesPerPixel = 0.4f;
constexpr float kWheelStepDegrees = 15;  // one notch of a usual wheel
constexpr int kDragPixels = 4;           // a press moved less than this is a click
// Full detail again this long after the last move: longer than the gap
// between the pointer's moves during a drag, short enough that the picture
// sharpens at once when it stops.
constexpr int kRestMs = 50;
// Bytes copied to the GPU per turn of the event loop: a few milliseconds'
// work, so input and painting go on between slices.
constexpr size_t kUploadSliceBytes = size_t{16} << 20;
// Progress is told this often, not after each slice: each step repaints the
// status bar, and a repaint of a window holding the viewport composes the
// whole window again (tens of milliseconds under a software rasteriser).
constexpr int kProgressMs = 250;
// Progress shares: making the forms, then copying them.
constexpr int kPreparedPercent = 90;

}  // namespace

ViewportWidget::ViewportWidget(QWidget* parent)
    : QOpenGLWidget(parent),
      renderer_(std::make_unique<render::SceneRenderer>()),
      uploadSliceBytes_(kUploadSliceBytes) {
  QSurfaceFormat format;
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setSamples(0);
  setFormat(format);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 150);
  restTimer_.setSingleShot(true);
  restTimer_.setInterval(kRestMs);
  connect(&restTimer_, &QTimer::timeout, this, [this] {
    moving_ = false;
    update();
  });
  uploadTimer_.setInterval(0);
  connect(&uploadTimer_, &QTimer::timeout, this, [this] {
    makeCurrent();
    UploadSlice(uploadSliceBytes_);
  });
  progressTimer_.setInterval(kProgressMs);
  connect(&progressTimer_, &QTimer::timeout, this, &ViewportWidget::ReportProgress);
}

ViewportWidget::~ViewportWidget() {
  StopWorker();
  ReleaseGl();
}

void ViewportWidget::StopWorker() {
  if (!worker_.joinable()) return;
  stopWorker_ = true;
  worker_.join();
  stopWorker_ = false;
}

void ViewportWidget::StartPreparing() {
  if (!scene_) return;
  if (worker_.joinable()) {
    prepareAgain_ = true;
    return;
  }
  std::vector<ks::KsObjectRef> missing;
  for (const ks::KsObjectRef& object : scene_->ObjectList()->Objects()) {
    auto it = forms_.find(object.get());
    if (it == forms_.end() || it->second.object.lock() != object) missing.push_back(object);
  }
  if (missing.empty()) return;
  double total = 0;
  for (const ks::KsObjectRef& object : missing) total += double(object->TriangleCount()) + 1;
  preparedPermille_ = 0;
  progressTimer_.start();
  const int generation = ++workerGeneration_;
  worker_ = std::thread([this, generation, total, missing = std::move(missing)] {
    double done = 0;
    for (const ks::KsObjectRef& object : missing) {
      if (stopWorker_) break;
      const double size = double(object->TriangleCount()) + 1;
      auto form = std::make_shared<const render::PreparedMesh>(render::PrepareMesh(
          *object, render::kCoarseTriangles, [this, done, size, total](double share) {
            preparedPermille_ = static_cast<int>((done + share * size) / total * 1000);
            return !stopWorker_;
          }));
      done += size;
      if (stopWorker_) break;
      std::lock_guard lock(madeMutex_);
      made_.emplace_back(object, std::move(form));
    }
    if (!stopWorker_)
      QMetaObject::invokeMethod(
          this,
          [this, generation] {
            // A worker already taken in by WaitForPreparation is not waited for again.
            if (generation == workerGeneration_) TakePrepared();
          },
          Qt::QueuedConnection);
  });
}

void ViewportWidget::TakePrepared() {
  if (!worker_.joinable()) return;
  worker_.join();
  {
    std::lock_guard lock(madeMutex_);
    for (auto& [object, form] : made_) forms_[object.get()] = {object, std::move(form)};
    made_.clear();
  }
  std::erase_if(forms_, [](const auto& entry) { return entry.second.object.expired(); });
  uploadPending_ = true;
  if (prepareAgain_) {
    prepareAgain_ = false;
    StartPreparing();
  }
  StartUpload();
  update();
}

void ViewportWidget::StartUpload() {
  if (!glReady_ || !uploadPending_) return;
  makeCurrent();
  Prepare();
}

bool ViewportWidget::UploadSlice(size_t bytes) {
  const bool done = renderer_->UploadStep(bytes);
  if (!uploading_ || !done) return done;  // nothing was waiting, or more is to come
  uploading_ = false;
  uploadTimer_.stop();
  // What just arrived is shown coarse first (quick), then in full.
  Moved();
  ReportProgress();
  return true;
}

void ViewportWidget::ReportProgress() {
  if (!Busy()) {
    progressTimer_.stop();
    emit preparationProgress(100);
    emit sceneReady();
    return;
  }
  const int percent = worker_.joinable()
                          ? preparedPermille_ * kPreparedPercent / 1000
                          : kPreparedPercent + static_cast<int>(renderer_->UploadedShare() *
                                                                (100 - kPreparedPercent));
  emit preparationProgress(std::clamp(percent, 0, 99));
}

void ViewportWidget::CancelPreparation() {
  StopWorker();
  {
    std::lock_guard lock(madeMutex_);
    made_.clear();
  }
  prepareAgain_ = false;
  ++workerGeneration_;  // the stopped worker's queued call is stale
  uploadTimer_.stop();
  uploading_ = false;
  progressTimer_.stop();
}

void ViewportWidget::WaitForPreparation() {
  while (worker_.joinable()) {
    ++workerGeneration_;  // its queued call is answered here
    TakePrepared();
  }
  if (!glReady_) return;
  makeCurrent();
  Prepare();
  if (uploading_) UploadSlice(SIZE_MAX);
}

void ViewportWidget::Moved() {
  moving_ = true;
  restTimer_.start();
  update();
}

void ViewportWidget::ReleaseGl() {
  if (!glReady_) return;
  uploadTimer_.stop();
  uploading_ = false;
  makeCurrent();
  renderer_->Release();
  doneCurrent();
  glReady_ = false;
}

void ViewportWidget::SetScene(ks::KsSceneRef scene) {
  scene_ = std::move(scene);
  uploadPending_ = true;
  framePending_ = true;
  StartPreparing();
  update();
}

void ViewportWidget::SceneChanged() {
  uploadPending_ = true;
  StartPreparing();
  update();
}

void ViewportWidget::VisibilityChanged() {
  visibilityPending_ = true;
  update();
}

void ViewportWidget::SetSelectedKey(const std::string& key) {
  SetSelectedKeys(key.empty() ? std::vector<std::string>{} : std::vector<std::string>{key});
}

void ViewportWidget::SetSelectedKeys(std::vector<std::string> keys) {
  selectedKeys_ = std::move(keys);
  update();
}

const std::string& ViewportWidget::SelectedKey() const {
  static const std::string kNone;
  return selectedKeys_.empty() ? kNone : selectedKeys_.front();
}

void ViewportWidget::SetWireframe(bool on) {
  wireframe_ = on;
  update();
}

void ViewportWidget::SetView(render::ViewPreset view) {
  camera_.SetView(view);
  FrameAll();
}

void ViewportWidget::FrameAll() {
  if (!glReady_ || uploadPending_ || Preparing()) {
    framePending_ = true;
  } else {
    camera_.Frame(renderer_->SceneSphere(), Aspect());
  }
  update();
}

void ViewportWidget::FrameSelected() {
  if (selectedKeys_.empty() || !glReady_) return FrameAll();
  Prepare();
  camera_.Frame(renderer_->ObjectSphere(selectedKeys_.front()), Aspect());
  update();
}

float ViewportWidget::Aspect() const {
  return static_cast<float>(width()) / static_cast<float>(std::max(height(), 1));
}

void ViewportWidget::initializeGL() {
  // A context can be replaced (the widget moved to another window): start over.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &ViewportWidget::ReleaseGl,
          Qt::UniqueConnection);
  try {
    renderer_->Initialize();
    glReady_ = true;
    uploadPending_ = true;
  } catch (const std::exception& e) {
    emit drawingFailed(tr("The 3D view cannot draw: %1").arg(QString::fromUtf8(e.what())));
  }
}

bool ViewportWidget::Prepare() {
  if (!glReady_) return false;
  if (uploadPending_) {
    makeCurrent();
    uploadPending_ = false;
    visibilityPending_ = false;
    ks::CKsScene empty;
    renderer_->BeginUpload(scene_ ? *scene_ : empty, [this](const ks::CKsObject& object) {
      auto it = forms_.find(&object);
      return it == forms_.end() ? nullptr : it->second.form;
    });
    // Small forms are there at once; big ones follow slice by slice.
    if (!renderer_->UploadStep(uploadSliceBytes_)) {
      uploading_ = true;
      uploadTimer_.start();
      progressTimer_.start();
      ReportProgress();  // the progress and Cancel at once, then every kProgressMs
    }
  }
  if (visibilityPending_) {
    visibilityPending_ = false;
    if (scene_) renderer_->UpdateVisibility(*scene_);
  }
  // Framed once every object is there to be framed.
  if (framePending_ && !Preparing()) {
    framePending_ = false;
    camera_.Frame(renderer_->SceneSphere(), Aspect());
  }
  return true;
}

void ViewportWidget::paintGL() {
  if (!Prepare()) return;
  render::RenderSettings settings;
  const qreal ratio = devicePixelRatioF();
  settings.width = static_cast<int>(width() * ratio);
  settings.height = static_cast<int>(height() * ratio);
  settings.wireframe = wireframe_;
  settings.selectedKey = SelectedKey();
  settings.selectedKeys = selectedKeys_;
  settings.coarse = moving_;
  renderer_->Render(camera_, settings, defaultFramebufferObject());
}

void ViewportWidget::mousePressEvent(QMouseEvent* event) {
  lastMouse_ = pressMouse_ = event->position().toPoint();
  dragged_ = false;
}

void ViewportWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dragged_ || !scene_) return;
  const QPointF at = event->position();
  const std::string key =
      render::PickObject(*scene_, camera_, width(), height(), float(at.x()), float(at.y()));
  emit picked(QString::fromStdString(key), event->modifiers() & Qt::ControlModifier);
}

void ViewportWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint now = event->position().toPoint();
  const QPoint delta = now - lastMouse_;
  lastMouse_ = now;
  if ((now - pressMouse_).manhattanLength() >= kDragPixels) dragged_ = true;
  const bool pan =
      (event->buttons() & Qt::MiddleButton) ||
      ((event->buttons() & Qt::LeftButton) && (event->modifiers() & Qt::ShiftModifier));
  if (pan) {
    const float h = static_cast<float>(std::max(height(), 1));
    camera_.Pan(static_cast<float>(delta.x()) / h, -static_cast<float>(delta.y()) / h);
  } else if (event->buttons() & Qt::LeftButton) {
    camera_.Orbit(-static_cast<float>(delta.x()) * kOrbitDegreesPerPixel,
                  static_cast<float>(delta.y()) * kOrbitDegreesPerPixel);
  } else {
    return;
  }
  Moved();
}

void ViewportWidget::wheelEvent(QWheelEvent* event) {
  camera_.Zoom(static_cast<float>(event->angleDelta().y()) / 8 / kWheelStepDegrees);
  Moved();
}

}  // namespace kestrel::gui
