#include "app/gui/viewport_widget.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

#include "app/render/scene_renderer.h"

namespace kestrel::gui {
namespace {

constexpr float kOrbitDegreesPerPixel = 0.4f;
constexpr float kWheelStepDegrees = 15;  // one notch of a usual wheel

}  // namespace

ViewportWidget::ViewportWidget(QWidget* parent)
    : QOpenGLWidget(parent), renderer_(std::make_unique<render::SceneRenderer>()) {
  QSurfaceFormat format;
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setSamples(0);
  setFormat(format);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 150);
}

ViewportWidget::~ViewportWidget() {
  ReleaseGl();
}

void ViewportWidget::ReleaseGl() {
  if (!glReady_) return;
  makeCurrent();
  renderer_->Release();
  doneCurrent();
  glReady_ = false;
}

void ViewportWidget::SetScene(ks::KsSceneRef scene) {
  scene_ = std::move(scene);
  uploadPending_ = true;
  framePending_ = true;
  update();
}

void ViewportWidget::SceneChanged() {
  uploadPending_ = true;
  update();
}

void ViewportWidget::SetSelectedKey(const std::string& key) {
  selectedKey_ = key;
  update();
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
  if (!glReady_ || uploadPending_) {
    framePending_ = true;
  } else {
    camera_.Frame(renderer_->SceneSphere(), Aspect());
  }
  update();
}

void ViewportWidget::FrameSelected() {
  if (selectedKey_.empty() || !glReady_) return FrameAll();
  Prepare();
  camera_.Frame(renderer_->ObjectSphere(selectedKey_), Aspect());
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
    if (scene_) {
      renderer_->Upload(*scene_);
    } else {
      ks::CKsScene empty;
      renderer_->Upload(empty);
    }
  }
  if (framePending_) {
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
  settings.selectedKey = selectedKey_;
  renderer_->Render(camera_, settings, defaultFramebufferObject());
}

void ViewportWidget::mousePressEvent(QMouseEvent* event) {
  lastMouse_ = event->position().toPoint();
}

void ViewportWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint now = event->position().toPoint();
  const QPoint delta = now - lastMouse_;
  lastMouse_ = now;
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
  update();
}

void ViewportWidget::wheelEvent(QWheelEvent* event) {
  camera_.Zoom(static_cast<float>(event->angleDelta().y()) / 8 / kWheelStepDegrees);
  update();
}

}  // namespace kestrel::gui
