#include "objpath/view/path_preview.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/render/scene_renderer.h"
#include "host/ks_object.h"
#include "host/object_list.h"

namespace ks::objpath {
namespace {

constexpr float kOrbitDegreesPerPixel = 0.4f;

}  // namespace

bool PathPreview::CanDraw() {
  const QString platform = QGuiApplication::platformName();
  return platform != "offscreen" && platform != "minimal";
}

PathPreview::PathPreview(frmObjPath& form, QWidget* parent)
    : QOpenGLWidget(parent),
      form_(form),
      renderer_(std::make_unique<kestrel::render::SceneRenderer>()),
      scene_(std::make_shared<CKsScene>()) {
  setObjectName("Preview");
  setMinimumSize(200, 200);
  why_ = new QLabel(this);
  why_->setObjectName("PreviewWhy");
  why_->setWordWrap(true);
  why_->setAlignment(Qt::AlignCenter);
  why_->setStyleSheet("color: white; background: transparent;");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(why_);
  Refresh();
}

PathPreview::~PathPreview() {
  ReleaseGl();
}

void PathPreview::ReleaseGl() {
  if (!glReady_) return;
  makeCurrent();
  renderer_->Release();
  doneCurrent();
  glReady_ = false;
}

PathPreview::Inputs PathPreview::CurrentInputs() const {
  return Inputs{form_.Path(), form_.settings, form_.Option1_0.value, form_.Check1.value,
                form_.Editor().BarLeft};
}

void PathPreview::Refresh() {
  // A trace adds its points one by one: the object is built once it is done.
  if (form_.Closed() || !form_.BuildPreview || form_.Tracing) return;
  Inputs now = CurrentInputs();
  if (built_ && *built_ == now) return;
  frmObjPath::Preview preview;
  try {
    preview = form_.BuildPreview();
  } catch (const ComError& e) {
    preview.why = e.description();
  }
  const bool hadObject = shown_ != nullptr;
  shown_ = preview.object;
  scene_ = std::make_shared<CKsScene>();
  if (auto object = std::dynamic_pointer_cast<CKsObject>(shown_))
    scene_->ObjectList()->AddObject(object);
  why_->setText(QString::fromStdString(preview.why));
  why_->setVisible(!preview.why.empty());
  // The view frames the first object shown, then keeps where the person
  // turned it while the object changes.
  if (!hadObject && shown_) framePending_ = true;
  built_ = std::make_unique<Inputs>(std::move(now));
  uploadPending_ = true;
  update();
}

QString PathPreview::Why() const {
  return why_->isVisible() ? why_->text() : QString();
}

void PathPreview::initializeGL() {
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &PathPreview::ReleaseGl,
          Qt::UniqueConnection);
  try {
    renderer_->Initialize();
    glReady_ = true;
    uploadPending_ = true;
  } catch (const std::exception& e) {
    why_->setText(QString("The preview cannot draw: %1").arg(QString::fromUtf8(e.what())));
    why_->show();
  }
}

void PathPreview::resizeGL(int, int) {
  framePending_ = true;
}

void PathPreview::paintGL() {
  if (!glReady_) return;
  if (uploadPending_) {
    uploadPending_ = false;
    renderer_->Upload(*scene_);
  }
  const float aspect = static_cast<float>(width()) / static_cast<float>(std::max(height(), 1));
  if (framePending_) {
    framePending_ = false;
    camera_.Frame(renderer_->SceneSphere(), aspect);
  }
  kestrel::render::RenderSettings settings;
  const qreal ratio = devicePixelRatioF();
  settings.width = static_cast<int>(width() * ratio);
  settings.height = static_cast<int>(height() * ratio);
  settings.gizmo = false;
  renderer_->Render(camera_, settings, defaultFramebufferObject());
}

void PathPreview::mousePressEvent(QMouseEvent* event) {
  lastMouse_ = event->position().toPoint();
}

// A left drag turns the object to be seen from any side.
void PathPreview::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const QPoint delta = at - lastMouse_;
  lastMouse_ = at;
  if (!(event->buttons() & Qt::LeftButton)) return;
  camera_.Orbit(-static_cast<float>(delta.x()) * kOrbitDegreesPerPixel,
                static_cast<float>(delta.y()) * kOrbitDegreesPerPixel);
  update();
}

}  // namespace ks::objpath
