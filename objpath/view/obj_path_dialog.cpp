#include "objpath/view/obj_path_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "host/picture_surface.h"
#include "objpath/frm_obj_path.h"
#include "objpath/view/drawing_area.h"
#include "objpath/view/obj_path_view.h"
#include "objpath/view/path_preview.h"
#include "objpath/view/property_grid_view.h"

namespace ks::objpath {
namespace {

constexpr double kMinScale = 0.5, kMaxScale = 16;

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
  // The area scrolls inside a view that shows it whole at its own size.
  scroll_ = new QScrollArea;
  scroll_->setObjectName("Picture1View");
  scroll_->setWidget(area_);
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setMinimumSize(area_->width() + 2 * scroll_->frameWidth(),
                          area_->height() + 2 * scroll_->frameWidth());
  scroll_->viewport()->installEventFilter(this);
  area_->installEventFilter(this);
  connect(area_, &DrawingArea::ZoomRequested, this, &ObjPathDialog::ZoomAt);

  auto* edits = new QHBoxLayout;
  for (auto [control, event] :
       {std::pair{&form_.cmdUndo, "cmdUndo_Click"}, std::pair{&form_.cmdRedo, "cmdRedo_Click"}})
    edits->addWidget(AddButton(*control, event));
  snap_ = new QCheckBox(Text(form_.chkSnap.caption));
  snap_->setObjectName("chkSnap");
  connect(snap_, &QCheckBox::clicked, this, [this](bool ticked) {
    form_.chkSnap.value = Variant(int16_t{ticked ? int16_t{1} : int16_t{0}});
    Fire("chkSnap_Click");
  });
  edits->addWidget(snap_);
  auto* fit = new QPushButton("Fit");
  fit->setObjectName("cmdFit");
  fit->setAutoDefault(false);
  connect(fit, &QPushButton::clicked, this, &ObjPathDialog::FitArea);
  edits->addWidget(fit);
  edits->addStretch();
  pointer_ = new QLabel;
  pointer_->setObjectName("PointerPosition");
  pointer_->setMinimumWidth(pointer_->fontMetrics().horizontalAdvance("000.0, 000.0"));
  edits->addWidget(pointer_);
  connect(area_, &DrawingArea::PointerMoved, this, [this](QPointF at) {
    pointer_->setText(QString("%1, %2").arg(at.x(), 0, 'f', 1).arg(at.y(), 0, 'f', 1));
  });
  status_ = new QLabel;
  status_->setObjectName("lblStatus");
  status_->setWordWrap(true);

  auto* undo = new QShortcut(QKeySequence::Undo, this);
  connect(undo, &QShortcut::activated, this, [this] {
    if (form_.cmdUndo.enabled) Fire("cmdUndo_Click");
  });
  auto* redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
  connect(redo, &QShortcut::activated, this, [this] {
    if (form_.cmdRedo.enabled) Fire("cmdRedo_Click");
  });
  auto* remove = new QShortcut(QKeySequence::Delete, this);
  connect(remove, &QShortcut::activated, this, [this] {
    const int32_t point = area_->PointToDelete();
    if (point >= 0) Fire("Picture1_DeletePoint", {Variant(point)});
  });

  auto* left = new QVBoxLayout;
  left->addWidget(scroll_, 1);
  left->addLayout(pathModes);
  left->addLayout(edits);
  left->addWidget(status_);
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
  layout->addLayout(left, 1);
  if (PathPreview::CanDraw()) {
    preview_ = new PathPreview(form_);
    layout->addWidget(preview_, 1);
  } else {
    auto* none = new QLabel("The 3D preview needs a display with OpenGL.");
    none->setObjectName("PreviewWhy");
    none->setWordWrap(true);
    layout->addWidget(none);
  }
  layout->addLayout(right);
  setSizeGripEnabled(true);

  // The form says when it changed: after its events, at a grid's change and
  // at every turn a trace gives the interface.
  form_.Changed = [this] { Refresh(); };
  Refresh();
}

ObjPathDialog::~ObjPathDialog() {
  form_.Changed = nullptr;
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
  snap_->setChecked(form_.chkSnap.value.IsNumeric() && form_.chkSnap.value.ToLong() == 1);
  status_->setText(Text(form_.lblStatus.caption));
  check1_->setChecked(form_.Check1.value.IsNumeric() && form_.Check1.value.ToLong() == 1);
  for (PropertyGridView* grid : grids_) grid->Sync();
  area_->Refresh();
  if (preview_) preview_->Refresh();
}

// Zooms about a place of the drawing, keeping it under the pointer; the
// drawing units the form works in stay as they are.
void ObjPathDialog::ZoomAt(double factor, QPointF drawingUnits, QPoint widgetPos) {
  const double scale = std::clamp(area_->Scale() * factor, kMinScale, kMaxScale);
  const QPoint inViewport = area_->mapTo(scroll_->viewport(), widgetPos);
  area_->SetScale(scale);
  scroll_->horizontalScrollBar()->setValue(static_cast<int>(drawingUnits.x() * scale) -
                                           inViewport.x());
  scroll_->verticalScrollBar()->setValue(static_cast<int>(drawingUnits.y() * scale) -
                                         inViewport.y());
}

// The largest zoom that shows the whole area in the view.
void ObjPathDialog::FitArea() {
  const QSize room = scroll_->viewport()->size();
  const PictureSurface& surface = form_.Picture1Image();
  area_->SetScale(std::clamp(
      std::min(double(room.width()) / surface.Width(), double(room.height()) / surface.Height()),
      kMinScale, kMaxScale));
}

// A middle-button drag pans the area in its view.
bool ObjPathDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != area_ && watched != scroll_->viewport())
    return QDialog::eventFilter(watched, event);
  auto* mouse = dynamic_cast<QMouseEvent*>(event);
  if (!mouse) return QDialog::eventFilter(watched, event);
  const QPoint at = mouse->globalPosition().toPoint();
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::MiddleButton) {
    panFrom_ = pressedAt_ = at;
    panned_ = false;
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::MiddleButton) {
    // A middle click without a drag is a click like any other in the area.
    if (!panned_ && watched == area_) {
      const QPointF where = mouse->position() / area_->Scale();
      area_->FireFormEvent("Picture1_MouseDown", {Variant(int16_t{4}), Variant(int16_t{0}),
                                                  Variant(static_cast<float>(where.x())),
                                                  Variant(static_cast<float>(where.y()))});
    }
    return true;
  }
  if (event->type() == QEvent::MouseMove && (mouse->buttons() & Qt::MiddleButton)) {
    const QPoint moved = at - panFrom_;
    panFrom_ = at;
    if ((at - pressedAt_).manhattanLength() >= 3) panned_ = true;
    scroll_->horizontalScrollBar()->setValue(scroll_->horizontalScrollBar()->value() - moved.x());
    scroll_->verticalScrollBar()->setValue(scroll_->verticalScrollBar()->value() - moved.y());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ObjPathDialog::closeEvent(QCloseEvent* event) {
  if (!form_.Closed()) form_.RequestClose();
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
