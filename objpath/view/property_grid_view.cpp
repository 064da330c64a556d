#include "objpath/view/property_grid_view.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <limits>

#include "host/form.h"
#include "host/ks_properties.h"

namespace ks::objpath {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The editor of a picture row: the file name, a chooser and a clear button.
struct PictureEditor : QWidget {
  QLineEdit* name = new QLineEdit;
  QToolButton* choose = new QToolButton;
  QToolButton* clear = new QToolButton;
  explicit PictureEditor(const QString& caption) {
    name->setReadOnly(true);
    name->setObjectName(caption + ".file");
    choose->setText("...");
    choose->setObjectName(caption + ".choose");
    choose->setToolTip("Choose a picture");
    clear->setText("x");
    clear->setObjectName(caption + ".clear");
    clear->setToolTip("No picture");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name, 1);
    layout->addWidget(choose);
    layout->addWidget(clear);
  }
};

}  // namespace

PropertyGridView::PropertyGridView(Form& form, int number, ObjectRef grid, QWidget* parent)
    : QWidget(parent),
      form_(form),
      number_(number),
      grid_(std::move(grid)),
      rows_(dynamic_cast<KsProperties*>(grid_.get())) {
  setObjectName(QString("KsProperties%1").arg(number));
  new QGridLayout(this);
  layout()->setContentsMargins(0, 0, 0, 0);
  if (rows_) rows_->SetViewListener([this] { Sync(); });
  // Leaving the grid commits a pending edit, as the dialog asks of it.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* before, QWidget* now) {
    if (before && isAncestorOf(before) && !(now && isAncestorOf(now)))
      form_.Fire("KsProperties" + std::to_string(number_) + "_LostFocus");
  });
  Sync();
}

PropertyGridView::~PropertyGridView() {
  if (rows_) rows_->SetViewListener({});
}

void PropertyGridView::Build() {
  auto* grid = static_cast<QGridLayout*>(layout());
  while (QLayoutItem* item = grid->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  editors_.clear();
  std::string group;
  int line = 0;
  for (size_t i = 0; i < rows_->Rows().size(); ++i) {
    const GridRow& row = rows_->Rows()[i];
    if (row.group != group && !row.group.empty()) {
      auto* heading = new QLabel("<b>" + Text(row.group).toHtmlEscaped() + "</b>");
      grid->addWidget(heading, line++, 0, 1, 2);
    }
    group = row.group;
    auto* caption = new QLabel(Text(row.caption));
    QWidget* editor = EditorFor(static_cast<int>(i));
    caption->setBuddy(editor);
    grid->addWidget(caption, line, 0);
    grid->addWidget(editor, line++, 1);
    editors_.push_back(editor);
  }
  grid->setColumnStretch(1, 1);
  builtRows_ = rows_->Rows().size();
}

QWidget* PropertyGridView::EditorFor(int index) {
  const GridRow& row = rows_->Rows()[static_cast<size_t>(index)];
  const QString name = Text(row.caption);
  switch (row.kind) {
    case GridRow::Kind::WholeNumber: {
      auto* spin = new QSpinBox;
      spin->setRange(row.lowest, row.highest);
      spin->setSingleStep(row.step);
      spin->setKeyboardTracking(false);  // a typed number counts when it is complete
      connect(spin, &QSpinBox::valueChanged, this,
              [this, index](int value) { SetRow(index, Variant(int32_t{value})); });
      spin->setObjectName(name);
      return spin;
    }
    case GridRow::Kind::List: {
      auto* list = new QComboBox;
      for (const std::string& item : row.items) list->addItem(Text(item));
      connect(list, &QComboBox::activated, this,
              [this, index](int item) { SetRow(index, Variant(static_cast<int16_t>(item))); });
      list->setObjectName(name);
      return list;
    }
    case GridRow::Kind::RealNumber: {
      auto* spin = new QDoubleSpinBox;
      spin->setDecimals(row.decimals);
      spin->setRange(-1e6, 1e6);
      spin->setKeyboardTracking(false);
      connect(spin, &QDoubleSpinBox::valueChanged, this,
              [this, index](double value) { SetRow(index, Variant(value)); });
      spin->setObjectName(name);
      return spin;
    }
    case GridRow::Kind::Picture:
      break;
  }
  auto* picture = new PictureEditor(name);
  picture->setObjectName(name);
  connect(picture->choose, &QToolButton::clicked, this, [this, index] {
    try {
      rows_->ChoosePicture(index);
    } catch (const ComError&) {
      // The grid reports nothing of its own; a failed choice changes nothing.
    }
    Sync();
  });
  connect(picture->clear, &QToolButton::clicked, this,
          [this, index] { SetRow(index, Variant(grid::kNoPicture)); });
  return picture;
}

void PropertyGridView::SetRow(int row, const Variant& value) {
  try {
    rows_->SetRowValue(row, value);
  } catch (const ComError&) {
    // A value the row cannot take is not stored; the editor shows the old one.
  }
  Sync();
}

void PropertyGridView::Sync() {
  if (!rows_) return;
  if (builtRows_ != rows_->Rows().size()) Build();
  setEnabled(rows_->Enabled());
  for (size_t i = 0; i < editors_.size(); ++i) {
    const GridRow& row = rows_->Rows()[i];
    QWidget* editor = editors_[i];
    const QSignalBlocker block(editor);
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
      if (!spin->hasFocus()) spin->setValue(row.value.ToLong());
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(editor)) {
      if (!real->hasFocus()) real->setValue(row.value.ToDouble());
    } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
      list->setCurrentIndex(row.value.ToInteger());
    } else if (auto* picture = dynamic_cast<PictureEditor*>(editor)) {
      picture->name->setText(Text(rows_->DisplayText(static_cast<int32_t>(i))));
    }
  }
}

}  // namespace ks::objpath
