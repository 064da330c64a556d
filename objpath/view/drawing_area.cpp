#include "objpath/view/drawing_area.h"

#include <QMouseEvent>
#include <QPainter>
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
  form_.Fire("Picture3_MouseMove", MouseArgs(FormButtons(event->buttons()),
                                             FormShift(event->modifiers()), event->position()));
  if (auto* area = qobject_cast<DrawingArea*>(parentWidget())) area->AfterFormEvent();
}

DrawingArea::DrawingArea(frmObjPath& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("Picture1");
  const PictureSurface& surface = form_.Picture1Image();
  setFixedSize(surface.Width(), surface.Height());
  setMouseTracking(true);  // the rubber band follows the mouse without a button
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
    bar_->setGeometry(static_cast<int>(std::lround(*shown_.barLeft)), 0,
                      static_cast<int>(PathEditor::kBarWidth), height());
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

void DrawingArea::paintEvent(QPaintEvent*) {
  CopyPicture();
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
  painter.setPen(QColor(kSegmentColour));
  for (const LineSegment& s : shown_.segments)
    painter.drawLine(QPointF(s.X1, s.Y1), QPointF(s.X2, s.Y2));
  for (const Marker& m : shown_.markers)
    painter.fillRect(QRectF(m.Left, m.Top, Marker::kSize, Marker::kSize), QColor(kMarkerColour));
  if (shown_.axis) {
    painter.setPen(QPen(QColor(kAxisColour), 1, Qt::DashLine));
    painter.drawLine(QPointF(shown_.axis->X1, shown_.axis->Y1),
                     QPointF(shown_.axis->X2, shown_.axis->Y2));
  }
}

void DrawingArea::FireMouse(const char* event, int buttons, QMouseEvent* mouse) {
  form_.Fire(event, MouseArgs(buttons, FormShift(mouse->modifiers()), mouse->position()));
  AfterFormEvent();
}

void DrawingArea::AfterFormEvent() {
  Refresh();
  emit FormEventFired();
}

void DrawingArea::mousePressEvent(QMouseEvent* event) {
  FireMouse("Picture1_MouseDown", FormButtons(event->button()), event);
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event) {
  FireMouse("Picture1_MouseMove", FormButtons(event->buttons()), event);
}

}  // namespace ks::objpath
