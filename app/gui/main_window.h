#pragma once
// kestrel's main window: the 3D viewport, the scene panel beside it, and the
// menus File (Open, Export, Recent files, Quit), View (wireframe, framing, the
// four views) and Plug-ins (every registered plug-in by its Name). Errors are
// shown in message boxes.
#include <QMainWindow>
#include <memory>
#include <string>

#include "host/ks_scene.h"

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

  ks::CKsScene& Scene() { return *scene_; }
  ScenePanel* Panel() const { return panel_; }
  ViewportWidget* Viewport() const { return viewport_; }

  static constexpr int kMaxRecentFiles = 8;

 private:
  void BuildMenus();
  void BuildPlugInMenu();
  void ChooseAndOpen();
  void ChooseAndExport();
  void RememberRecent(const QString& fileName);
  void FillRecentMenu();
  void SceneGrew(const std::string& selectKey);
  void ShowError(const QString& text);
  // Key of the object at 1-based position n of the scene's object list, or "".
  std::string KeyAt(int32_t n) const;

  ks::Runtime& runtime_;
  std::shared_ptr<ks::Person> dialogs_;
  ks::KsSceneRef scene_;
  ViewportWidget* viewport_ = nullptr;
  ScenePanel* panel_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QMenu* plugInMenu_ = nullptr;
};

}  // namespace kestrel::gui
