#include "objpath/view/obj_path_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "objpath/frm_obj_path.h"
#include "objpath/view/drawing_area.h"
#include "objpath/view/obj_path_view.h"
#include "objpath/view/property_grid_view.h"

namespace ks::objpath {
namespace {

constexpr int kRefreshMilliseconds = 40;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

bool IsSelected(const Control& option) {
  return option.value.type() == VarType::Boolean && option.value.ToBool();
}

}  // namespace

ObjPathDialog::ObjPathDialog(frmObjPath& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName("frmObjPath");
  area_ = new DrawingArea(form_, this);
  connect(area_, &DrawingArea::FormEventFired, this, &ObjPathDialog::Refresh);

  // Under the drawing area: what a click in it does.
  auto* pathModes = new QHBoxLayout;
  auto* pathGroup = new QButtonGroup(this);
  pathGroup->addButton(AddOption(form_.Option2_1, "Option2_Click", 1));
  pathGroup->addButton(AddOption(form_.Option2_0, "Option2_Click", 0));
  for (QAbstractButton* b : pathGroup->buttons()) pathModes->addWidget(b);
  pathModes->addStretch();
  auto* left = new QVBoxLayout;
  left->addWidget(area_);
  left->addLayout(pathModes);
  left->addStretch();

  auto* modes = new QHBoxLayout;
  auto* modeGroup = new QButtonGroup(this);
  modeGroup->addButton(AddOption(form_.Option1_0, "Option1_Click", 0));
  modeGroup->addButton(AddOption(form_.Option1_1, "Option1_Click", 1));
  for (QAbstractButton* b : modeGroup->buttons()) modes->addWidget(b);
  modes->addStretch();

  const auto addGrid = [this](int number, QGroupBox* frame) {
    auto* grid = new PropertyGridView(form_, number, form_.Grid(number));
    grids_[static_cast<size_t>(number - 1)] = grid;
    frame->layout()->addWidget(grid);
  };
  QGroupBox* rotation = AddFrame(form_.Frame1);
  check1_ = new QCheckBox(Text(form_.Check1.caption));
  check1_->setObjectName("Check1");
  rotation->layout()->addWidget(check1_);
  // The form keeps the box's value; its click handler reads it.
  connect(check1_, &QCheckBox::clicked, this, [this](bool ticked) {
    form_.Check1.value = Variant(int16_t{ticked ? int16_t{1} : int16_t{0}});
    Fire("Check1_Click");
  });
  addGrid(1, rotation);
  QGroupBox* extrude = AddFrame(form_.Frame2);
  addGrid(3, extrude);
  extrude->layout()->addWidget(AddButton(form_.Command3, "Command3_Click"));
  QGroupBox* background = AddFrame(form_.Frame3);
  addGrid(2, background);

  auto* commands = new QHBoxLayout;
  commands->addStretch();
  for (auto [control, event] : {std::pair{&form_.cmdGetObj, "cmdGetObj_Click"},
                                std::pair{&form_.cmdClean, "cmdClean_Click"},
                                std::pair{&form_.cmdCancel, "cmdCancel_Click"}})
    commands->addWidget(AddButton(*control, event));

  auto* right = new QVBoxLayout;
  right->addLayout(modes);
  right->addWidget(rotation);
  right->addWidget(extrude);
  right->addWidget(background);
  right->addStretch();
  right->addLayout(commands);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  refreshTimer_ = new QTimer(this);
  connect(refreshTimer_, &QTimer::timeout, this, &ObjPathDialog::Refresh);
  refreshTimer_->start(kRefreshMilliseconds);
  Refresh();
}

QRadioButton* ObjPathDialog::AddOption(Control& control, const std::string& event, int index) {
  auto* option = new QRadioButton(Text(control.caption));
  option->setObjectName(Text(control.name));
  connect(option, &QRadioButton::clicked, this,
          [this, event, index] { Fire(event, {Variant(static_cast<int16_t>(index))}); });
  buttons_.emplace_back(option, &control);
  return option;
}

QPushButton* ObjPathDialog::AddButton(Control& control, const std::string& event) {
  auto* button = new QPushButton(Text(control.caption));
  button->setObjectName(Text(control.name));
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, event] { Fire(event); });
  buttons_.emplace_back(button, &control);
  return button;
}

QGroupBox* ObjPathDialog::AddFrame(Control& control) {
  auto* frame = new QGroupBox(Text(control.caption));
  frame->setObjectName(Text(control.name));
  new QVBoxLayout(frame);
  frames_.emplace_back(frame, &control);
  return frame;
}

void ObjPathDialog::Fire(const std::string& event, std::vector<Variant> args) {
  form_.Fire(event, std::move(args));
  if (form_.Closed()) {
    refreshTimer_->stop();
    done(QDialog::Accepted);
    return;
  }
  Refresh();
}

void ObjPathDialog::Refresh() {
  if (form_.Closed()) return;
  setWindowTitle(Text(form_.caption));
  for (auto [frame, control] : frames_) frame->setEnabled(control->enabled);
  for (auto [button, control] : buttons_) {
    button->setEnabled(control->enabled);
    if (auto* option = qobject_cast<QRadioButton*>(button))
      option->setChecked(IsSelected(*control));
  }
  check1_->setEnabled(form_.Check1.enabled);
  check1_->setChecked(form_.Check1.value.IsNumeric() && form_.Check1.value.ToLong() == 1);
  for (PropertyGridView* grid : grids_) grid->Sync();
  area_->Refresh();
}

void ObjPathDialog::closeEvent(QCloseEvent* event) {
  if (!form_.Closed()) form_.RequestClose();
  refreshTimer_->stop();
  event->accept();
  QDialog::done(QDialog::Rejected);
}

void ObjPathDialog::reject() {
  close();
}

void ShowObjPathView(frmObjPath& form) {
  ObjPathDialog dialog(form, QApplication::activeWindow());
  dialog.exec();
}

}  // namespace ks::objpath
