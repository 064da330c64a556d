#include "app/gui/scene_panel.h"

#include <QHeaderView>
#include <QPixmap>
#include <algorithm>

#include "host/ks_color.h"
#include "host/ks_material.h"

namespace kestrel::gui {
namespace {

constexpr int kSwatchPixels = 14;

// A square in a Long RGB colour (red in the low byte).
QIcon Swatch(int32_t rgb) {
  QPixmap pixmap(kSwatchPixels, kSwatchPixels);
  pixmap.fill(QColor(ks::RedOf(rgb), ks::GreenOf(rgb), ks::BlueOf(rgb)));
  return QIcon(pixmap);
}

QString ColorText(int32_t rgb) {
  return QStringLiteral("RGB(%1, %2, %3)")
      .arg(ks::RedOf(rgb))
      .arg(ks::GreenOf(rgb))
      .arg(ks::BlueOf(rgb));
}

}  // namespace

ScenePanel::ScenePanel(QWidget* parent) : QTreeWidget(parent) {
  setHeaderLabels({tr("Name"), tr("Vertices"), tr("Triangles"), tr("Colour"), tr("Visible")});
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
  setRootIsDecorated(true);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  addTopLevelItem(new QTreeWidgetItem(QStringList{tr("Objects")}));
  addTopLevelItem(new QTreeWidgetItem(QStringList{tr("Materials")}));
  connect(this, &QTreeWidget::itemChanged, this, &ScenePanel::OnItemChanged);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &ScenePanel::OnSelectionChanged);
}

void ScenePanel::Show(ks::CKsScene& scene, const std::string& selectedKey) {
  Show(scene,
       selectedKey.empty() ? std::vector<std::string>{} : std::vector<std::string>{selectedKey});
}

void ScenePanel::Show(ks::CKsScene& scene, const std::vector<std::string>& selectedKeys) {
  scene_ = &scene;
  filling_ = true;
  qDeleteAll(ObjectsRoot()->takeChildren());
  qDeleteAll(MaterialsRoot()->takeChildren());
  for (const ks::KsObjectRef& object : scene.ObjectList()->Objects()) {
    auto* row = new QTreeWidgetItem(ObjectsRoot());
    const QString key = QString::fromStdString(object->Key());
    row->setText(kName, object->Name().empty() ? key : QString::fromStdString(object->Name()));
    row->setData(kName, kKeyRole, key);
    row->setText(kVertices, QString::number(object->VertexCount()));
    row->setText(kTriangles, QString::number(object->TriangleCount()));
    row->setTextAlignment(kVertices, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(kTriangles, Qt::AlignRight | Qt::AlignVCenter);
    const int32_t color = object->Material() ? object->Material()->Color() : object->DefaultColor();
    row->setIcon(kColor, Swatch(color));
    row->setText(kColor, ColorText(color));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    row->setCheckState(kVisible, object->Visible() ? Qt::Checked : Qt::Unchecked);
  }
  for (const ks::KsMaterialRef& material : scene.MaterialList()->Materials()) {
    auto* row = new QTreeWidgetItem(MaterialsRoot());
    row->setText(kName, QString::fromStdString(material->Name()));
    row->setIcon(kColor, Swatch(material->Color()));
    row->setText(kColor, ColorText(material->Color()));
  }
  expandAll();
  filling_ = false;
  Select(selectedKeys);
}

QTreeWidgetItem* ScenePanel::ObjectRow(const std::string& key) const {
  const QString wanted = QString::fromStdString(key);
  for (int i = 0; i < ObjectsRoot()->childCount(); ++i)
    if (ObjectsRoot()->child(i)->data(kName, kKeyRole).toString() == wanted)
      return ObjectsRoot()->child(i);
  return nullptr;
}

void ScenePanel::Select(const std::string& key) {
  Select(key.empty() ? std::vector<std::string>{} : std::vector<std::string>{key});
}

void ScenePanel::Select(const std::vector<std::string>& keys) {
  filling_ = true;
  clearSelection();
  bool first = true;
  for (const std::string& key : keys) {
    QTreeWidgetItem* row = ObjectRow(key);
    if (!row) continue;
    if (first) {
      setCurrentItem(row, kName, QItemSelectionModel::NoUpdate);
      scrollToItem(row);
      first = false;
    }
    row->setSelected(true);
  }
  filling_ = false;
}

void ScenePanel::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || !scene_ || item->parent() != ObjectsRoot()) return;
  const QString key = item->data(kName, kKeyRole).toString();
  auto object =
      std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Find(key.toStdString()));
  if (!object) return;
  if (column == kVisible) {
    const bool visible = item->checkState(kVisible) == Qt::Checked;
    if (visible == object->Visible()) return;
    object->SetVisible(visible);
    emit visibilityChanged(key, visible);
  } else if (column == kName) {
    const QString name = item->text(kName).trimmed();
    if (name.toStdString() == object->Name()) return;
    // The row shows the old name until the owner has renamed the object.
    filling_ = true;
    item->setText(kName,
                  QString::fromStdString(object->Name().empty() ? object->Key() : object->Name()));
    filling_ = false;
    if (!name.isEmpty()) emit renameRequested(key, name);
  }
}

void ScenePanel::OnSelectionChanged() {
  if (filling_) return;
  QStringList keys;
  for (QTreeWidgetItem* row : selectedItems())
    if (row->parent() == ObjectsRoot()) keys << row->data(kName, kKeyRole).toString();
  // Rows in list order, so that the first is the topmost chosen.
  std::sort(keys.begin(), keys.end(), [this](const QString& a, const QString& b) {
    return ObjectsRoot()->indexOfChild(ObjectRow(a.toStdString())) <
           ObjectsRoot()->indexOfChild(ObjectRow(b.toStdString()));
  });
  emit objectsSelected(keys);
  if (!keys.isEmpty()) emit objectSelected(keys.front());
}

}  // namespace kestrel::gui
