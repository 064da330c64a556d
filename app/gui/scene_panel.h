#pragma once
// The scene panel: one row per object (name, vertices, triangles, colour
// swatch, a Visible box) under "Objects", one row per material (name, colour
// swatch) under "Materials". Choosing object rows selects those objects
// (Ctrl and Shift add, as in any list); unticking Visible hides an object;
// F2 or a double click on a name renames it.
#include <QTreeWidget>
#include <string>
#include <vector>

#include "host/ks_scene.h"

namespace kestrel::gui {

class ScenePanel : public QTreeWidget {
  Q_OBJECT
 public:
  enum Column { kName, kVertices, kTriangles, kColor, kVisible };
  static constexpr int kKeyRole = Qt::UserRole;

  explicit ScenePanel(QWidget* parent = nullptr);

  // Lists the scene afresh; the row of `selectedKey` becomes current.
  void Show(ks::CKsScene& scene, const std::string& selectedKey);
  void Show(ks::CKsScene& scene, const std::vector<std::string>& selectedKeys);
  void Select(const std::string& key);
  // Selects exactly these objects' rows (the first becomes current).
  void Select(const std::vector<std::string>& keys);
  // The object row of this key, or null.
  QTreeWidgetItem* ObjectRow(const std::string& key) const;
  QTreeWidgetItem* ObjectsRoot() const { return topLevelItem(0); }
  QTreeWidgetItem* MaterialsRoot() const { return topLevelItem(1); }

 signals:
  // The person chose rows: the first chosen object, and all of them.
  void objectSelected(const QString& key);
  void objectsSelected(const QStringList& keys);
  // The Visible box of an object was ticked or cleared; the object is changed.
  void visibilityChanged(const QString& key, bool visible);
  // A name was edited; the object is not changed yet.
  void renameRequested(const QString& key, const QString& name);

 private:
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void OnSelectionChanged();

  ks::CKsScene* scene_ = nullptr;
  bool filling_ = false;
};

}  // namespace kestrel::gui
