#pragma once
// kestrel's main window: the 3D viewport, the scene panel beside it, and the
// menus File (New, Open, Export everything / selected / visible, Recent
// files, Quit), Edit (Undo, Redo, Delete, Rename), View (wireframe, framing,
// the four views, the scene panel) and Plug-ins (every registered plug-in by
// its Name). Files dropped on the window are imported as File -> Open does.
// Every change of the scene can be undone. Errors are shown in message boxes;
// the status bar tells what each import and plug-in run brought.
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "host/ks_scene.h"
#include "host/scene_history.h"

class QAction;
class QMenu;
namespace ks {
class Runtime;
class Person;
}  // namespace ks

namespace kestrel::gui {

class ScenePanel;
class ViewportWidget;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // dialogs: the person who works the plug-ins' own dialogs (the desktop one).
  MainWindow(ks::Runtime& runtime, std::shared_ptr<ks::Person> dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Imports the file through the import plug-in, format from its extension;
  // false (after a message) when it did not go through.
  bool OpenFile(const QString& fileName);
  // Runs a registered plug-in by class name: type 3 against the scene, type 0
  // against a new object added to the scene when the dialog hands it back.
  void RunPlugIn(const QString& progId);
  void SelectObject(const std::string& key);
  void SelectObjects(std::vector<std::string> keys);
  const std::vector<std::string>& SelectedKeys() const { return selected_; }

  // Edit and File menu commands, also for tests.
  void Undo();
  void Redo();
  void DeleteSelected();
  void RenameObject(const std::string& key, const std::string& name);
  void NewScene();
  enum class ExportChoice { Everything, Selected, Visible };
  // Writes the chosen objects; false (after a message) when it failed.
  bool ExportTo(const QString& fileName, ExportChoice which);

  ks::CKsScene& Scene() { return *scene_; }
  ks::SceneHistory& History() { return history_; }
  ScenePanel* Panel() const { return panel_; }
  ViewportWidget* Viewport() const { return viewport_; }

  static constexpr int kMaxRecentFiles = 8;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildPlugInMenu();
  void ChooseAndOpen();
  void ChooseAndExport(ExportChoice which);
  // The scene changed in a way that can be undone: records it and shows it.
  void SceneEdited(const std::string& what);
  // Shows the scene as it is after an undo, a redo or an edit.
  void Refresh();
  void UpdateEditActions();
  void ShowRunSummary(const QString& what, int32_t objectsBefore, int64_t trianglesBefore,
                      double seconds);
  void RestoreSettings();
  void RememberRecent(const QString& fileName);
  void FillRecentMenu();
  // An import or a plug-in run added to the scene (`what`, for Undo).
  void SceneGrew(const std::string& what, const std::string& selectKey);
  void ShowError(const QString& text);
  // Key of the object at 1-based position n of the scene's object list, or "".
  std::string KeyAt(int32_t n) const;

  ks::Runtime& runtime_;
  std::shared_ptr<ks::Person> dialogs_;
  ks::KsSceneRef scene_;
  ks::SceneHistory history_;
  std::vector<std::string> selected_;
  QString lastFile_;
  ViewportWidget* viewport_ = nullptr;
  ScenePanel* panel_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QMenu* plugInMenu_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* deleteAction_ = nullptr;
  QAction* wireAction_ = nullptr;
};

}  // namespace kestrel::gui
