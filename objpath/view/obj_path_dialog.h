#pragma once
// The Qt Widgets dialog of frmObjPath: a thin view that shows the form's
// controls and fires the form's events by name. Left, the drawing area with
// "Build Path" / "Move Bar" under it; right, "Rotation" / "Extrude", the
// frames "By Rotation" ("Close Path" and the rotation grid), "Extrude" (the
// height grid and "Get from a Picture") and "BackGround" (the picture grid),
// and the buttons "Get Object", "Clean" and "Cancel". Widgets carry the
// controls' names as object names ("Option1(0)", "Check1", "cmdGetObj", ...).
// Under the drawing area: "Undo" and "Redo" (also Ctrl+Z and Ctrl+Shift+Z),
// "Snap to Grid", "Fit" (the whole area in view), the pointer's position in
// drawing units and the status line. The area zooms with the wheel and pans
// with the scroll bars or a middle-button drag; Delete removes the point
// under the mouse. The dialog can be resized. Beside the area, the 3D
// preview of what "Get Object" would give.
#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "host/variant.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QScrollArea;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace ks {
struct Control;
}

namespace ks::objpath {

class DrawingArea;
class PathPreview;
class PropertyGridView;
class frmObjPath;

class ObjPathDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ObjPathDialog(frmObjPath& form, QWidget* parent = nullptr);
  ~ObjPathDialog() override;

  // Shows the form's controls as they are now. The form calls it whenever it
  // changed (frmObjPath::Changed), so a trace that gives the event loop turns
  // shows its points as they come.
  void Refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape: the close box

 private:
  void Fire(const std::string& event, std::vector<Variant> args = {});
  void ZoomAt(double factor, QPointF drawingUnits, QPoint widgetPos);
  void FitArea();
  bool eventFilter(QObject* watched, QEvent* event) override;
  QRadioButton* AddOption(Control& control, const std::string& event, int index);
  QPushButton* AddButton(Control& control, const std::string& event);
  QGroupBox* AddFrame(Control& control);

  frmObjPath& form_;
  DrawingArea* area_;
  PathPreview* preview_ = nullptr;  // none where OpenGL widgets cannot show
  std::array<PropertyGridView*, 3> grids_{};
  std::vector<std::pair<QAbstractButton*, Control*>> buttons_;
  std::vector<std::pair<QGroupBox*, Control*>> frames_;
  QCheckBox* check1_;
  QCheckBox* snap_;
  QLabel* pointer_;
  QLabel* status_;
  QScrollArea* scroll_;
  QPoint panFrom_, pressedAt_;
  bool panned_ = false;
};

}  // namespace ks::objpath
