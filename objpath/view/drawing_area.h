#pragma once
// The drawing area of frmObjPath (Picture1) as a Qt widget of the area's
// pixel size times its zoom: the persistent image (grid, faded background or
// two-tone picture), the path's segments and markers, the segments found
// crossing, the axis line and the draggable bar (Picture3). Mouse events go
// to the form by name in drawing units (the zoom is the view's alone);
// everything drawn is read from the form.
//
// Besides clicking a path: a marker dragged with the left button moves its
// point (a press and release without a drag is an ordinary click); the right
// button on a finished path opens a menu (delete the point under the mouse,
// undo, redo); the wheel asks the dialog to zoom about the pointer.
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "objpath/frm_obj_path.h"

namespace ks::objpath {

// Colours of what is drawn over the picture.
inline constexpr QRgb kSegmentColour = qRgb(220, 30, 30);
inline constexpr QRgb kMarkerColour = qRgb(0, 90, 255);
inline constexpr QRgb kAxisColour = qRgb(0, 140, 0);
inline constexpr QRgb kBarColour = qRgb(90, 90, 90);
inline constexpr QRgb kBarMarkColour = qRgb(255, 255, 255);
inline constexpr QRgb kCrossingColour = qRgb(255, 140, 0);

// The bar: a thin box the person drags sideways in "Move Bar" mode.
class BarWidget : public QWidget {
  Q_OBJECT
 public:
  BarWidget(frmObjPath& form, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  frmObjPath& form_;
};

class DrawingArea;

class DrawingArea : public QWidget {
  Q_OBJECT
 public:
  DrawingArea(frmObjPath& form, QWidget* parent = nullptr);

  // Repaints when what the form shows has changed since the last call.
  void Refresh();
  // Called after a mouse event went to the form: the area repaints and tells
  // the dialog, whose other controls it may have changed ("Close Path").
  void AfterFormEvent();

  // Screen pixels per drawing unit; the widget's size follows.
  double Scale() const { return scale_; }
  void SetScale(double scale);
  // The point the Delete key removes: the one under the mouse, else the one
  // last pressed; -1 for none.
  int32_t PointToDelete() const;
  // Fires an event of the form that is no mouse event (Undo, a deletion).
  void FireFormEvent(const char* event, std::vector<Variant> args = {});

 signals:
  void FormEventFired();
  void PointerMoved(QPointF drawingUnits);
  void ZoomRequested(double factor, QPointF drawingUnits, QPoint widgetPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QPointF ToDrawing(QPointF widgetPos) const { return widgetPos / scale_; }
  void ShowMenu(QMouseEvent* event);
  // Fires the form's event with the mouse as the form counts it: button mask
  // 1 left, 2 right, 4 middle; shift mask 1 Shift, 2 Ctrl, 4 Alt.
  void FireMouse(const char* event, int buttons, QMouseEvent* mouse);
  void CopyPicture();

  frmObjPath& form_;
  BarWidget* bar_;
  QImage picture_;
  uint64_t pictureRevision_ = UINT64_MAX;
  frmObjPath::AreaContents shown_;
  double scale_ = 1.0;
  // A press on a marker: a drag when the mouse moves on, else a click.
  int32_t pressedPoint_ = -1;
  QPointF pressedAt_;
  QPointF grabOffset_;  // from the mouse to the pressed point, in drawing units
  int pressedShift_ = 0;
  bool dragging_ = false;
  int32_t hoveredPoint_ = -1;
  int32_t lastPressedPoint_ = -1;
};

// The form's button and shift masks of a Qt mouse event.
int FormButtons(Qt::MouseButtons buttons);
int FormShift(Qt::KeyboardModifiers modifiers);

}  // namespace ks::objpath
