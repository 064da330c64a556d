#pragma once
// A property grid ("KsControls.KsProperties") of the path dialog as Qt
// widgets: one editor per row under its group heading - spin boxes for whole
// numbers (the row's range and step), a drop-down for list rows, decimal spin
// boxes for real rows, and for picture rows the file name with a chooser and
// a button that takes the picture away. Edits go to the grid, which raises
// its Change event to the dialog; when the focus leaves the grid the dialog's
// KsPropertiesN_LostFocus runs. Editors are named after their row's caption.
#include <QWidget>
#include <vector>

#include "host/dispatch.h"

namespace ks {
class Form;
class KsProperties;
}  // namespace ks

namespace ks::objpath {

class PropertyGridView : public QWidget {
  Q_OBJECT
 public:
  // number: 1, 2 or 3, as in the control's name "KsProperties<number>".
  PropertyGridView(Form& form, int number, ObjectRef grid, QWidget* parent = nullptr);
  ~PropertyGridView() override;

  // Shows the grid's values and whether it takes edits; rebuilds the editors
  // when the rows changed.
  void Sync();

 private:
  void Build();
  QWidget* EditorFor(int row);
  void SetRow(int row, const Variant& value);

  Form& form_;
  int number_;
  ObjectRef grid_;
  KsProperties* rows_;  // the grid's rows; nullptr for a grid of another kind
  std::vector<QWidget*> editors_;
  size_t builtRows_ = 0;
};

}  // namespace ks::objpath
