#include "objpath/view/drawing_area.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "host/person.h"
#include "host/picture_surface.h"

namespace ks::objpath {
namespace {

Qt::CursorShape CursorOf(int pointer) {
  switch (pointer) {
    case kPointerCross:
      return Qt::CrossCursor;
    case kPointerSizeWE:
      return Qt::SizeHorCursor;
    case kPointerHourglass:
      return Qt::WaitCursor;
    default:
      return Qt::ArrowCursor;
  }
}

// Screen pixels the mouse must travel with a marker pressed before it drags.
constexpr double kDragStart = 3;
constexpr double kWheelZoom = 1.25;

std::vector<Variant> MouseArgs(int buttons, int shift, QPointF at) {
  return {Variant(static_cast<int16_t>(buttons)), Variant(static_cast<int16_t>(shift)),
          Variant(static_cast<float>(at.x())), Variant(static_cast<float>(at.y()))};
}

}  // namespace

int FormButtons(Qt::MouseButtons buttons) {
  return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
         (buttons & Qt::MiddleButton ? 4 : 0);
}

int FormShift(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

BarWidget::BarWidget(frmObjPath& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("Picture3");
  setCursor(CursorOf(form_.Picture3.mousePointer));
}

void BarWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kBarColour));
  painter.setPen(QColor(kBarMarkColour));
  painter.drawLine(1, 0, 1, height());  // the centre mark (Line2)
}

// Dragging with the left button reports the mouse relative to the bar's left
// edge; the form moves the bar, and the area places it where the form says.
void BarWidget::mouseMoveEvent(QMouseEvent* event) {
  auto* area = qobject_cast<DrawingArea*>(parentWidget());
  const double scale = area ? area->Scale() : 1.0;
  form_.Fire("Picture3_MouseMove",
             MouseArgs(FormButtons(event->buttons()), FormShift(event->modifiers()),
                       event->position() / scale));
  if (area) area->AfterFormEvent();
}

DrawingArea::DrawingArea(frmObjPath& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("Picture1");
  setFixedSize(form_.Picture1Image().Width(), form_.Picture1Image().Height());
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);  // the rubber band follows the mouse without a button
  bar_ = new BarWidget(form_, this);
  bar_->hide();
  Refresh();
}

void DrawingArea::Refresh() {
  frmObjPath::AreaContents now = form_.DrawingArea();
  const bool pictureChanged = form_.Picture1Image().Revision() != pictureRevision_;
  if (!pictureChanged && now == shown_) return;
  shown_ = std::move(now);
  setCursor(CursorOf(shown_.pointer));
  if (shown_.barLeft) {
    bar_->setGeometry(static_cast<int>(std::lround(*shown_.barLeft * scale_)), 0,
                      static_cast<int>(std::lround(PathEditor::kBarWidth * scale_)), height());
    bar_->show();
  } else {
    bar_->hide();
  }
  update();
}

void DrawingArea::CopyPicture() {
  const PictureSurface& surface = form_.Picture1Image();
  if (surface.Revision() == pictureRevision_ && !picture_.isNull()) return;
  picture_ = QImage(surface.Width(), surface.Height(), QImage::Format_RGB32);
  const auto pixels = surface.Pixels();
  for (int y = 0; y < surface.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
    for (int x = 0; x < surface.Width(); ++x) {
      const int32_t colour = pixels[static_cast<size_t>(y) * surface.Width() + x];
      line[x] = qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
    }
  }
  pictureRevision_ = surface.Revision();
}

void DrawingArea::SetScale(double scale) {
  scale_ = scale;
  const PictureSurface& surface = form_.Picture1Image();
  setFixedSize(static_cast<int>(std::lround(surface.Width() * scale_)),
               static_cast<int>(std::lround(surface.Height() * scale_)));
  shown_ = {};  // places the bar again
  Refresh();
  update();
}

void DrawingArea::paintEvent(QPaintEvent*) {
  CopyPicture();
  QPainter painter(this);
  painter.scale(scale_, scale_);
  painter.drawImage(0, 0, picture_);
  // Segments that cross, under the path, wide enough to show beside it.
  painter.setPen(QPen(QColor(kCrossingColour), 3.0 / scale_ + 1.0));
  for (const LineSegment& s : shown_.crossing)
    painter.drawLine(QPointF(s.X1, s.Y1), QPointF(s.X2, s.Y2));
  painter.setPen(QPen(QColor(kSegmentColour), 0));
  for (const LineSegment& s : shown_.segments)
    painter.drawLine(QPointF(s.X1, s.Y1), QPointF(s.X2, s.Y2));
  for (const Marker& m : shown_.markers)
    painter.fillRect(QRectF(m.Left, m.Top, Marker::kSize, Marker::kSize), QColor(kMarkerColour));
  if (shown_.axis) {
    painter.setPen(QPen(QColor(kAxisColour), 0, Qt::DashLine));
    painter.drawLine(QPointF(shown_.axis->X1, shown_.axis->Y1),
                     QPointF(shown_.axis->X2, shown_.axis->Y2));
  }
}

void DrawingArea::FireMouse(const char* event, int buttons, QMouseEvent* mouse) {
  form_.Fire(event,
             MouseArgs(buttons, FormShift(mouse->modifiers()), ToDrawing(mouse->position())));
  AfterFormEvent();
}

void DrawingArea::FireFormEvent(const char* event, std::vector<Variant> args) {
  form_.Fire(event, std::move(args));
  if (form_.Closed()) return;
  AfterFormEvent();
}

void DrawingArea::AfterFormEvent() {
  Refresh();
  emit FormEventFired();
}

int32_t DrawingArea::PointToDelete() const {
  return hoveredPoint_ >= 0 ? hoveredPoint_ : lastPressedPoint_;
}

void DrawingArea::mousePressEvent(QMouseEvent* event) {
  const QPointF at = ToDrawing(event->position());
  const PathEditor& editor = form_.Editor();
  const bool editing = editor.BuildPathMode || editor.ExtrudeSelected();
  if (event->button() == Qt::RightButton && !editor.Drawing) {
    ShowMenu(event);
    return;
  }
  if (event->button() == Qt::LeftButton && editing) {
    const int32_t point = editor.PointNear(static_cast<float>(at.x()), static_cast<float>(at.y()),
                                           frmObjPath::kReach / static_cast<float>(scale_));
    if (point >= 0) {
      // A marker: the click or the drag is decided when the mouse moves on.
      pressedPoint_ = lastPressedPoint_ = point;
      pressedAt_ = event->position();
      const PathPoint& p = editor.path.PathPoints[static_cast<size_t>(point)];
      grabOffset_ = QPointF(p.X, p.Y) - at;
      pressedShift_ = FormShift(event->modifiers());
      dragging_ = false;
      return;
    }
  }
  FireMouse("Picture1_MouseDown", FormButtons(event->button()), event);
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = ToDrawing(event->position());
  emit PointerMoved(at);
  if (pressedPoint_ >= 0 && (event->buttons() & Qt::LeftButton)) {
    const QPointF moved = event->position() - pressedAt_;
    if (dragging_ || std::hypot(moved.x(), moved.y()) >= kDragStart) {
      const QPointF to = at + grabOffset_;  // the point moves with its marker
      form_.Fire(
          "Picture1_MovePoint",
          {Variant(pressedPoint_), Variant(static_cast<int16_t>(FormShift(event->modifiers()))),
           Variant(static_cast<float>(to.x())), Variant(static_cast<float>(to.y())),
           Variant(!dragging_)});
      dragging_ = true;
      AfterFormEvent();
      return;
    }
  }
  hoveredPoint_ = form_.Editor().PointNear(static_cast<float>(at.x()), static_cast<float>(at.y()),
                                           frmObjPath::kReach / static_cast<float>(scale_));
  FireMouse("Picture1_MouseMove", FormButtons(event->buttons()), event);
}

void DrawingArea::mouseReleaseEvent(QMouseEvent* event) {
  if (pressedPoint_ < 0 || event->button() != Qt::LeftButton) return;
  const bool dragged = dragging_;
  pressedPoint_ = -1;
  dragging_ = false;
  if (dragged) return;
  // Pressed and released on a marker without a drag: an ordinary click there.
  const QPointF at = ToDrawing(pressedAt_);
  form_.Fire("Picture1_MouseDown", MouseArgs(FormButtons(Qt::LeftButton), pressedShift_, at));
  AfterFormEvent();
}

void DrawingArea::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  emit ZoomRequested(std::pow(kWheelZoom, steps), ToDrawing(event->position()),
                     event->position().toPoint());
  event->accept();
}

void DrawingArea::ShowMenu(QMouseEvent* event) {
  const QPointF at = ToDrawing(event->position());
  const int32_t point =
      form_.Editor().PointNear(static_cast<float>(at.x()), static_cast<float>(at.y()),
                               frmObjPath::kReach / static_cast<float>(scale_));
  auto* menu = new QMenu(this);
  menu->setObjectName("PathMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* remove = menu->addAction("Delete Point", this, [this, point] {
    FireFormEvent("Picture1_DeletePoint", {Variant(point)});
  });
  remove->setEnabled(point >= 0);
  menu->addSeparator();
  menu->addAction("Undo", this, [this] { FireFormEvent("cmdUndo_Click"); })
      ->setEnabled(form_.cmdUndo.enabled);
  menu->addAction("Redo", this, [this] { FireFormEvent("cmdRedo_Click"); })
      ->setEnabled(form_.cmdRedo.enabled);
  menu->popup(event->globalPosition().toPoint());
}

}  // namespace ks::objpath
