#include "import/view/import_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "import/frm_import.h"
#include "import/view/import_view.h"

namespace ks::importer {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

bool IsTicked(const Control& box) {
  return box.value.IsNumeric() && box.value.ToLong() != 0;
}

void ShowControl(QWidget* widget, const Control& control) {
  widget->setEnabled(control.enabled);
}

}  // namespace

ImportDialog::ImportDialog(frmImport& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName("frmImport");
  label1_ = new QLabel(Text(form_.Label1.caption));
  label1_->setObjectName("Label1");
  cmbFormat_ = new QComboBox;
  cmbFormat_->setObjectName("cmbFormat");

  // The three option frames lie in one place; only the chosen format's shows.
  frames_ = new QStackedWidget;
  QGroupBox* waveFront = AddFrame("fraWaveFront");
  chkNorm_ = AddCheckBox(waveFront, "chkNorm");
  chkSmooth_ = AddCheckBox(waveFront, "chkSmooth");
  chkSplitObjects_ = AddCheckBox(waveFront, "chkSplitObjects");
  chkMaterials_ = AddCheckBox(waveFront, "chkMaterials");
  QGroupBox* studio = AddFrame("fra3DStudio");
  chkAutoSmooth_ = AddCheckBox(studio, "chkAutoSmooth");
  AddFrame("fraNoOptions");

  cmdImport_ = new QPushButton(Text(form_.cmdImport.caption));
  cmdImport_->setObjectName("cmdImport");
  cmdImport_->setDefault(true);
  cmdCancel_ = new QPushButton(Text(form_.cmdCancel.caption));
  cmdCancel_->setObjectName("cmdCancel");
  progressBar1_ = new QProgressBar;
  progressBar1_->setObjectName("ProgressBar1");
  progressBar1_->setRange(0, kProgressSteps);
  progressBar1_->setTextVisible(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdImport_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
  layout->addWidget(cmbFormat_);
  layout->addWidget(frames_);
  layout->addWidget(progressBar1_);
  layout->addLayout(buttons);

  connect(cmbFormat_, &QComboBox::activated, this, [this](int index) {
    form_.cmbFormat.listIndex = index;
    Fire("cmbFormat_Click");
  });
  connect(cmdImport_, &QPushButton::clicked, this, [this] { Fire("cmdImport_Click"); });
  connect(cmdCancel_, &QPushButton::clicked, this, [this] { Fire("cmdCancel_Click"); });

  // The form says when it changed inside an event (a run's turns, its
  // questions); after each event the view shows the form again itself.
  form_.Changed = [this] { Refresh(); };
  Refresh();
}

ImportDialog::~ImportDialog() {
  form_.Changed = nullptr;
}

QGroupBox* ImportDialog::AddFrame(const char* control) {
  auto* frame = new QGroupBox(Text(form_.FindControl(control)->caption));
  frame->setObjectName(control);
  new QVBoxLayout(frame);
  frames_->addWidget(frame);
  return frame;
}

QCheckBox* ImportDialog::AddCheckBox(QGroupBox* frame, const char* control) {
  Control& box = *form_.FindControl(control);
  auto* check = new QCheckBox(Text(box.caption));
  check->setObjectName(control);
  frame->layout()->addWidget(check);
  // The form keeps a check box's value as 0 or 1; it has no click handler.
  connect(check, &QCheckBox::clicked, this,
          [&box](bool ticked) { box.value = Variant(int16_t{ticked ? int16_t{1} : int16_t{0}}); });
  static_cast<QVBoxLayout*>(frame->layout())->addStretch();
  return check;
}

void ImportDialog::Fire(const char* event) {
  form_.Fire(event);
  Refresh();
  if (form_.Closed()) done(QDialog::Accepted);
}

void ImportDialog::Refresh() {
  setWindowTitle(Text(form_.caption));
  const Control& list = form_.cmbFormat;
  if (cmbFormat_->count() != static_cast<int>(list.items.size())) {
    cmbFormat_->clear();
    for (const std::string& item : list.items) cmbFormat_->addItem(Text(item));
  }
  cmbFormat_->setCurrentIndex(list.listIndex);
  ShowControl(cmbFormat_, list);
  ShowFrontFrame();
  for (auto [check, control] :
       {std::pair{chkNorm_, &form_.chkNorm}, std::pair{chkSmooth_, &form_.chkSmooth},
        std::pair{chkSplitObjects_, &form_.chkSplitObjects},
        std::pair{chkMaterials_, &form_.chkMaterials},
        std::pair{chkAutoSmooth_, &form_.chkAutoSmooth}}) {
    check->setChecked(IsTicked(*control));
    ShowControl(check, *control);
  }
  ShowControl(cmdImport_, form_.cmdImport);
  ShowControl(cmdCancel_, form_.cmdCancel);
  const Control& progress = form_.ProgressBar1;
  const double value = progress.value.IsNumeric() ? progress.value.ToDouble() : 0.0;
  const double share = progress.max > 0 ? std::clamp(value / progress.max, 0.0, 1.0) : 0.0;
  progressBar1_->setValue(static_cast<int>(share * kProgressSteps));
}

// The frame brought to the front last is the one that shows.
void ImportDialog::ShowFrontFrame() {
  QWidget* front = frames_->currentWidget();
  int frontZ = -1;
  for (int i = 0; i < frames_->count(); ++i) {
    QWidget* frame = frames_->widget(i);
    const Control* control = form_.FindControl(frame->objectName().toStdString());
    if (control && control->zOrder > frontZ) {
      frontZ = control->zOrder;
      front = frame;
    }
  }
  frames_->setCurrentWidget(front);
}

void ImportDialog::closeEvent(QCloseEvent* event) {
  if (!form_.Closed()) form_.RequestClose();
  Refresh();
  if (form_.Closed()) {
    event->accept();
    QDialog::done(QDialog::Accepted);
  } else {
    event->ignore();
  }
}

void ImportDialog::reject() {
  close();
}

void ShowImportView(frmImport& form) {
  ImportDialog dialog(form, QApplication::activeWindow());
  dialog.exec();
}

}  // namespace ks::importer
