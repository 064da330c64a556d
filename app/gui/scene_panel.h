#pragma once
// The scene panel: one row per object (name, vertices, triangles, colour
// swatch, a Visible box) under "Objects", one row per material (name, colour
// swatch) under "Materials". Choosing an object row selects that object;
// unticking Visible hides it in the viewport.
#include <QTreeWidget>
#include <string>

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
  void Select(const std::string& key);
  // The object row of this key, or null.
  QTreeWidgetItem* ObjectRow(const std::string& key) const;
  QTreeWidgetItem* ObjectsRoot() const { return topLevelItem(0); }
  QTreeWidgetItem* MaterialsRoot() const { return topLevelItem(1); }

 signals:
  void objectSelected(const QString& key);
  void visibilityChanged();

 private:
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void OnSelectionChanged();

  ks::CKsScene* scene_ = nullptr;
  bool filling_ = false;
};

}  // namespace kestrel::gui
