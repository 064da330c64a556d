#pragma once
// The drawing area of frmObjPath (Picture1) as a Qt widget of the area's
// pixel size: the persistent image (grid, faded background or two-tone
// picture), the path's segments and markers, the axis line and the draggable
// bar (Picture3). Mouse events go to the form by name; everything drawn is
// read from the form.
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

class DrawingArea : public QWidget {
  Q_OBJECT
 public:
  DrawingArea(frmObjPath& form, QWidget* parent = nullptr);

  // Repaints when what the form shows has changed since the last call.
  void Refresh();
  // Called after a mouse event went to the form: the area repaints and tells
  // the dialog, whose other controls it may have changed ("Close Path").
  void AfterFormEvent();

 signals:
  void FormEventFired();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Fires the form's event with the mouse as the form counts it: button mask
  // 1 left, 2 right, 4 middle; shift mask 1 Shift, 2 Ctrl, 4 Alt.
  void FireMouse(const char* event, int buttons, QMouseEvent* mouse);
  void CopyPicture();

  frmObjPath& form_;
  BarWidget* bar_;
  QImage picture_;
  uint64_t pictureRevision_ = UINT64_MAX;
  frmObjPath::AreaContents shown_;
};

// The form's button and shift masks of a Qt mouse event.
int FormButtons(Qt::MouseButtons buttons);
int FormShift(Qt::KeyboardModifiers modifiers);

}  // namespace ks::objpath
