#include "app/gui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/gui/file_import_person.h"
#include "app/gui/scene_panel.h"
#include "app/gui/viewport_widget.h"
#include "app/scene_export.h"
#include "host/com_error.h"
#include "host/runtime.h"
#include "import/import_formats.h"

namespace kestrel::gui {
namespace {

constexpr const char* kImportClass = "KsImport.CPlugIn";
constexpr const char* kRecentKey = "recentFiles";
constexpr const char* kGeometryKey = "window/geometry";
constexpr const char* kStateKey = "window/state";
constexpr const char* kWireframeKey = "view/wireframe";
constexpr int kStatusMs = 10000;
constexpr int32_t kTypeScene = 3;   // runs against the scene
constexpr int32_t kTypeObject = 0;  // fills a new object

// "Meshes (*.obj *.dxf ...);;WaveFront (*.obj);;...", from the format list.
QString OpenFilter() {
  QString all;
  QString each;
  for (const ks::importer::ImportFormat& f : ks::importer::kImportFormats) {
    const QString pattern =
        "*." + QString::fromUtf8(f.extension.data(), qsizetype(f.extension.size()));
    const std::string_view name = f.item.substr(0, f.item.find(" ("));
    all += (all.isEmpty() ? "" : " ") + pattern;
    each += ";;" + QString::fromUtf8(name.data(), qsizetype(name.size())) + " (" + pattern + ")";
  }
  return QObject::tr("Meshes") + " (" + all + ")" + each;
}

// Sets the runtime's person for one plug-in run; afterwards the window's
// dialog person answers again.
class PersonScope {
 public:
  PersonScope(ks::Runtime& rt, std::shared_ptr<ks::Person> person,
              std::shared_ptr<ks::Person> afterwards)
      : rt_(rt), previous_(std::move(afterwards)) {
    rt_.SetPerson(std::move(person));
  }
  ~PersonScope() { rt_.SetPerson(previous_); }
  PersonScope(const PersonScope&) = delete;
  PersonScope& operator=(const PersonScope&) = delete;

 private:
  ks::Runtime& rt_;
  std::shared_ptr<ks::Person> previous_;
};

// Local files among dropped URLs.
QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (data && data->hasUrls())
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

int64_t SceneTriangles(const ks::CKsScene& scene) {
  int64_t n = 0;
  for (const auto& o : scene.ObjectList()->Objects()) n += o->TriangleCount();
  return n;
}

QString ObjectName(const ks::CKsObject& o) {
  return QString::fromStdString(o.Name().empty() ? o.Key() : o.Name());
}

}  // namespace

MainWindow::MainWindow(ks::Runtime& runtime, std::shared_ptr<ks::Person> dialogs, QWidget* parent)
    : QMainWindow(parent),
      runtime_(runtime),
      dialogs_(std::move(dialogs)),
      scene_(std::dynamic_pointer_cast<ks::CKsScene>(runtime.CreateObject("Kestrel.CKsScene"))),
      history_(*scene_) {
  setWindowTitle(tr("Kestrel"));
  setAcceptDrops(true);
  viewport_ = new ViewportWidget(this);
  setCentralWidget(viewport_);
  panel_ = new ScenePanel(this);
  auto* dock = new QDockWidget(tr("Scene"), this);
  dock->setObjectName("scenePanel");
  dock->setWidget(panel_);
  panel_->setMinimumWidth(380);
  addDockWidget(Qt::LeftDockWidgetArea, dock);
  connect(panel_, &ScenePanel::objectsSelected, this, [this](const QStringList& keys) {
    std::vector<std::string> list;
    for (const QString& k : keys) list.push_back(k.toStdString());
    SelectObjects(std::move(list));
  });
  connect(panel_, &ScenePanel::visibilityChanged, this, [this](const QString& key, bool visible) {
    viewport_->VisibilityChanged();
    auto object =
        std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Find(key.toStdString()));
    ++edits_;
    history_.Record((visible ? tr("Show %1") : tr("Hide %1"))
                        .arg(object ? ObjectName(*object) : key)
                        .toStdString());
    UpdateEditActions();
  });
  // Queued: the panel's row is rebuilt, which must not happen inside its own edit.
  connect(
      panel_, &ScenePanel::renameRequested, this,
      [this](const QString& key, const QString& name) {
        RenameObject(key.toStdString(), name.toStdString());
      },
      Qt::QueuedConnection);
  connect(viewport_, &ViewportWidget::picked, this, [this](const QString& key, bool add) {
    const std::string k = key.toStdString();
    if (!add)
      return SelectObjects(k.empty() ? std::vector<std::string>{} : std::vector<std::string>{k});
    if (k.empty()) return;
    std::vector<std::string> keys = selected_;
    auto at = std::find(keys.begin(), keys.end(), k);
    if (at == keys.end())
      keys.push_back(k);
    else
      keys.erase(at);  // Ctrl on a selected object takes it out again
    SelectObjects(std::move(keys));
  });
  // Said once, without blocking: the window stays usable without its 3D view.
  connect(viewport_, &ViewportWidget::drawingFailed, this, [this](const QString& reason) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Kestrel"), reason, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  });
  BuildViewProgress();
  viewport_->SetScene(scene_);
  panel_->Show(*scene_, std::vector<std::string>{});
  BuildMenus();
  resize(1100, 720);
  RestoreSettings();
  UpdateEditActions();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildViewProgress() {
  viewProgress_ = new QProgressBar(this);
  viewProgress_->setRange(0, 100);
  viewProgress_->setFormat(tr("Preparing the view %p%"));
  viewProgress_->setMaximumWidth(220);
  viewCancel_ = new QPushButton(tr("Cancel"), this);
  viewCancel_->setToolTip(tr("Stop preparing the view and undo the import or plug-in run"));
  statusBar()->addPermanentWidget(viewProgress_);
  statusBar()->addPermanentWidget(viewCancel_);
  viewProgress_->hide();
  viewCancel_->hide();
  connect(viewport_, &ViewportWidget::preparationProgress, this, &MainWindow::ShowViewProgress);
  connect(viewCancel_, &QPushButton::clicked, this, &MainWindow::CancelViewPreparation);
}

void MainWindow::ShowViewProgress(int percent) {
  const bool busy = percent < 100 && viewport_->Busy();
  viewProgress_->setVisible(busy);
  viewProgress_->setValue(percent);
  viewCancel_->setVisible(busy && cancellableEdit_ == edits_ && history_.CanUndo());
}

void MainWindow::CancelViewPreparation() {
  viewport_->CancelPreparation();
  ShowViewProgress(100);
  if (cancellableEdit_ != edits_ || !history_.CanUndo()) return;
  const QString what = QString::fromStdString(history_.UndoText());
  Undo();
  statusBar()->showMessage(tr("Cancelled: %1").arg(what), kStatusMs);
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New"), QKeySequence::New, this, &MainWindow::NewScene);
  QAction* open = file->addAction(tr("&Open..."), this, &MainWindow::ChooseAndOpen);
  open->setShortcut(QKeySequence::Open);
  QAction* save = file->addAction(tr("&Export..."), this,
                                  [this] { ChooseAndExport(ExportChoice::Everything); });
  save->setShortcut(QKeySequence(tr("Ctrl+E")));
  file->addAction(tr("Export &Selected..."), this,
                  [this] { ChooseAndExport(ExportChoice::Selected); });
  file->addAction(tr("Export &Visible..."), this,
                  [this] { ChooseAndExport(ExportChoice::Visible); });
  recentMenu_ = file->addMenu(tr("&Recent Files"));
  recentMenu_->setToolTipsVisible(true);  // the full path of each file
  FillRecentMenu();
  file->addSeparator();
  QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  undoAction_ = edit->addAction(tr("&Undo"), this, &MainWindow::Undo);
  undoAction_->setShortcut(QKeySequence(tr("Ctrl+Z")));
  redoAction_ = edit->addAction(tr("&Redo"), this, &MainWindow::Redo);
  redoAction_->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence(tr("Ctrl+Y"))});
  edit->addSeparator();
  deleteAction_ = edit->addAction(tr("&Delete"), this, &MainWindow::DeleteSelected);
  deleteAction_->setShortcut(QKeySequence(Qt::Key_Delete));
  QAction* rename = edit->addAction(tr("Re&name"), this, [this] {
    if (selected_.empty()) return;
    if (QTreeWidgetItem* row = panel_->ObjectRow(selected_.front()))
      panel_->editItem(row, ScenePanel::kName);
  });
  rename->setShortcut(QKeySequence(tr("F2")));

  QMenu* view = menuBar()->addMenu(tr("&View"));
  wireAction_ = view->addAction(tr("&Wireframe"));
  wireAction_->setCheckable(true);
  wireAction_->setShortcut(QKeySequence(tr("W")));
  connect(wireAction_, &QAction::toggled, viewport_, &ViewportWidget::SetWireframe);
  view->addAction(tr("Frame &All"), QKeySequence(tr("A")), viewport_, &ViewportWidget::FrameAll);
  view->addAction(tr("Frame &Selected"), QKeySequence(tr("F")), viewport_,
                  &ViewportWidget::FrameSelected);
  view->addSeparator();
  const std::pair<const char*, render::ViewPreset> views[] = {{"&Iso", render::ViewPreset::Iso},
                                                              {"&Front", render::ViewPreset::Front},
                                                              {"&Top", render::ViewPreset::Top},
                                                              {"Si&de", render::ViewPreset::Side}};
  for (const auto& [name, preset] : views)
    view->addAction(tr(name), this, [this, preset = preset] { viewport_->SetView(preset); });
  view->addSeparator();
  if (auto* dock = findChild<QDockWidget*>("scenePanel")) {
    QAction* panel = dock->toggleViewAction();
    panel->setText(tr("Scene &Panel"));
    view->addAction(panel);
  }

  plugInMenu_ = menuBar()->addMenu(tr("&Plug-ins"));
  BuildPlugInMenu();
}

void MainWindow::BuildPlugInMenu() {
  plugInMenu_->clear();
  for (const auto& c : runtime_.RegisteredClasses()) {
    if (!c.progId.ends_with(".CPlugIn")) continue;
    QString name = QString::fromStdString(c.progId);
    try {
      ks::ObjectRef plugIn = runtime_.CreateObject(c.progId);
      name = QString::fromStdString(ks::Get(plugIn, "Name").ToString());
    } catch (const ks::ComError&) {
      // Listed by class name; running it will say what is wrong.
    }
    const QString progId = QString::fromStdString(c.progId);
    QAction* action = plugInMenu_->addAction(name, this, [this, progId] { RunPlugIn(progId); });
    action->setData(progId);
  }
  if (plugInMenu_->isEmpty())
    plugInMenu_->addAction(tr("(no plug-ins registered)"))->setEnabled(false);
}

void MainWindow::ChooseAndOpen() {
  const QString fileName = QFileDialog::getOpenFileName(this, tr("Open"), QString(), OpenFilter(),
                                                        nullptr, QFileDialog::DontUseNativeDialog);
  if (!fileName.isEmpty()) OpenFile(fileName);
}

bool MainWindow::OpenFile(const QString& fileName) {
  const std::string file = QFileInfo(fileName).absoluteFilePath().toStdString();
  const int format = ImportFormatIndex(file);
  if (format < 0) {
    ShowError(tr("%1 is not a file Kestrel can import: the name must end in .obj, .dxf, .3ds or "
                 ".inc.")
                  .arg(fileName));
    return false;
  }
  auto person = std::make_shared<FileImportPerson>(format, file, this);
  const int32_t objectsBefore = scene_->ObjectList()->Count();
  const int64_t trianglesBefore = SceneTriangles(*scene_);
  QElapsedTimer clock;
  clock.start();
  try {
    PersonScope scope(runtime_, person, dialogs_);
    ks::ObjectRef plugIn = runtime_.CreateObject(kImportClass);
    std::vector<ks::Variant> args{ks::Variant(ks::ObjectRef(scene_))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    if (!person->RunFinished()) return false;  // the dialog has said why
    RememberRecent(QString::fromStdString(file));
    lastFile_ = QString::fromStdString(file);
    setWindowTitle(tr("%1 - Kestrel").arg(QFileInfo(lastFile_).fileName()));
    const QString name = QFileInfo(fileName).fileName();
    if (scene_->ObjectList()->Count() == objectsBefore) {
      // The run has said what the file held instead.
      statusBar()->showMessage(tr("Nothing imported from %1").arg(name), kStatusMs);
      return true;
    }
    SceneGrew(tr("Import %1").arg(name).toStdString(),
              KeyAt(ks::Get(plugIn, "SelectedObject").ToLong()));
    ShowRunSummary(tr("Imported %1").arg(name), objectsBefore, trianglesBefore,
                   double(clock.elapsed()) / 1000);
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
    return false;
  }
  return true;
}

void MainWindow::ShowRunSummary(const QString& what, int32_t objectsBefore, int64_t trianglesBefore,
                                double seconds) {
  const int32_t objects = scene_->ObjectList()->Count() - objectsBefore;
  const int64_t triangles = SceneTriangles(*scene_) - trianglesBefore;
  statusBar()->showMessage(tr("%1: %2 %3, %4 triangles in %5 s")
                               .arg(what)
                               .arg(objects)
                               .arg(objects == 1 ? tr("object") : tr("objects"))
                               .arg(QLocale().toString(qlonglong(triangles)))
                               .arg(seconds, 0, 'f', 2),
                           kStatusMs);
}

void MainWindow::RunPlugIn(const QString& progId) {
  const int32_t objectsBefore = scene_->ObjectList()->Count();
  const int64_t trianglesBefore = SceneTriangles(*scene_);
  QElapsedTimer clock;
  clock.start();
  try {
    PersonScope scope(runtime_, dialogs_, dialogs_);
    ks::ObjectRef plugIn = runtime_.CreateObject(progId.toStdString());
    const QString name = QString::fromStdString(ks::Get(plugIn, "Name").ToString());
    const int32_t type = ks::Get(plugIn, "PlugInType").ToLong();
    if (type == kTypeScene) {
      std::vector<ks::Variant> args{ks::Variant(ks::ObjectRef(scene_))};
      ks::Call(plugIn, "ExecutePlugIn", args);
      int32_t selected = ks::Get(plugIn, "SelectedObject").ToLong();
      if (scene_->ObjectList()->Count() == objectsBefore && selected <= 0) return;
      SceneGrew(name.toStdString(), KeyAt(selected));
    } else if (type == kTypeObject) {
      std::vector<ks::Variant> args{ks::Variant(runtime_.CreateObject("Kestrel.CKsObject"))};
      ks::Call(plugIn, "ExecutePlugIn", args);
      auto object = args[0].IsObject()
                        ? std::dynamic_pointer_cast<ks::CKsObject>(args[0].ToObject())
                        : nullptr;
      if (!object) return;  // cancelled
      scene_->ObjectList()->AddObject(object);
      SceneGrew(tr("Add %1").arg(ObjectName(*object)).toStdString(), object->Key());
    } else {
      ShowError(
          tr("%1 is a plug-in of type %2, which Kestrel does not run.").arg(progId).arg(type));
      return;
    }
    ShowRunSummary(name, objectsBefore, trianglesBefore, double(clock.elapsed()) / 1000);
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
  }
}

void MainWindow::SceneGrew(const std::string& what, const std::string& selectKey) {
  history_.Record(what);
  cancellableEdit_ = ++edits_;
  viewport_->SceneChanged();
  selected_ = selectKey.empty() ? std::vector<std::string>{} : std::vector<std::string>{selectKey};
  panel_->Show(*scene_, selected_);
  viewport_->SetSelectedKeys(selected_);
  viewport_->FrameAll();
  UpdateEditActions();
}

void MainWindow::SceneEdited(const std::string& what) {
  history_.Record(what);
  ++edits_;
  Refresh();
}

void MainWindow::Refresh() {
  // Keys of objects that are gone leave the selection.
  std::erase_if(selected_, [this](const std::string& k) { return !scene_->ObjectList()->Find(k); });
  viewport_->SceneChanged();
  viewport_->SetSelectedKeys(selected_);
  panel_->Show(*scene_, selected_);
  UpdateEditActions();
}

void MainWindow::UpdateEditActions() {
  undoAction_->setEnabled(history_.CanUndo());
  redoAction_->setEnabled(history_.CanRedo());
  undoAction_->setText(history_.CanUndo()
                           ? tr("&Undo %1").arg(QString::fromStdString(history_.UndoText()))
                           : tr("&Undo"));
  redoAction_->setText(history_.CanRedo()
                           ? tr("&Redo %1").arg(QString::fromStdString(history_.RedoText()))
                           : tr("&Redo"));
  deleteAction_->setEnabled(!selected_.empty());
}

void MainWindow::Undo() {
  if (!history_.CanUndo()) return;
  const QString what = QString::fromStdString(history_.UndoText());
  history_.Undo();
  ++edits_;
  Refresh();
  statusBar()->showMessage(tr("Undone: %1").arg(what), kStatusMs);
}

void MainWindow::Redo() {
  if (!history_.CanRedo()) return;
  const QString what = QString::fromStdString(history_.RedoText());
  history_.Redo();
  ++edits_;
  Refresh();
  statusBar()->showMessage(tr("Done again: %1").arg(what), kStatusMs);
}

void MainWindow::DeleteSelected() {
  if (selected_.empty()) return;
  QString what;
  int removed = 0;
  for (const std::string& key : selected_) {
    auto object = std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Find(key));
    if (!object) continue;
    what = ObjectName(*object);
    // The objects of an import keyed to this one lose their group, not their place.
    for (const auto& other : scene_->ObjectList()->Objects())
      if (other->GroupKey() == key) other->SetGroupKey({});
    scene_->ObjectList()->Remove(ks::Variant(key));
    ++removed;
  }
  if (removed == 0) return;
  selected_.clear();
  SceneEdited((removed == 1 ? tr("Delete %1").arg(what) : tr("Delete %1 objects").arg(removed))
                  .toStdString());
}

void MainWindow::RenameObject(const std::string& key, const std::string& name) {
  auto object = std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Find(key));
  if (!object || name.empty() || object->Name() == name) return;
  const QString before = ObjectName(*object);
  object->SetName(name);
  SceneEdited(tr("Rename %1").arg(before).toStdString());
}

void MainWindow::NewScene() {
  if (scene_->ObjectList()->Count() == 0 && scene_->MaterialList()->Count() == 0) return;
  while (scene_->ObjectList()->Count() > 0) scene_->ObjectList()->Remove(ks::Variant(int32_t{1}));
  while (scene_->MaterialList()->Count() > 0)
    scene_->MaterialList()->Remove(ks::Variant(int32_t{1}));
  selected_.clear();
  lastFile_.clear();
  setWindowTitle(tr("Kestrel"));
  SceneEdited(tr("New Scene").toStdString());
}

void MainWindow::SelectObject(const std::string& key) {
  SelectObjects(key.empty() ? std::vector<std::string>{} : std::vector<std::string>{key});
}

void MainWindow::SelectObjects(std::vector<std::string> keys) {
  selected_ = std::move(keys);
  viewport_->SetSelectedKeys(selected_);
  panel_->Select(selected_);
  UpdateEditActions();
}

std::string MainWindow::KeyAt(int32_t n) const {
  if (n < 1 || n > scene_->ObjectList()->Count()) return {};
  auto object =
      std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Item(ks::Variant(n)));
  return object ? object->Key() : std::string();
}

void MainWindow::ChooseAndExport(ExportChoice which) {
  if (scene_->ObjectList()->Count() == 0) {
    ShowError(tr("The scene is empty: there is nothing to export."));
    return;
  }
  if (which == ExportChoice::Selected && selected_.empty()) {
    ShowError(tr("No object is selected: there is nothing to export."));
    return;
  }
  QStringList filters;
  for (const ExportFormat& f : ExportFormats())
    filters << QStringLiteral("%1 (*.%2)")
                   .arg(QString::fromStdString(f.description), QString::fromStdString(f.extension));
  QString chosenFilter;
  QString fileName = QFileDialog::getSaveFileName(this, tr("Export"), QString(), filters.join(";;"),
                                                  &chosenFilter, QFileDialog::DontUseNativeDialog);
  if (fileName.isEmpty()) return;
  if (QFileInfo(fileName).suffix().isEmpty()) {
    // The chosen filter's extension: "... (*.glb)".
    const qsizetype star = chosenFilter.lastIndexOf("*.");
    if (star >= 0) fileName += chosenFilter.mid(star + 1).chopped(1);
  }
  ExportTo(fileName, which);
}

bool MainWindow::ExportTo(const QString& fileName, ExportChoice which) {
  std::vector<ks::KsObjectRef> objects;
  for (const auto& o : scene_->ObjectList()->Objects()) {
    const bool chosen =
        which == ExportChoice::Everything || (which == ExportChoice::Visible && o->Visible()) ||
        (which == ExportChoice::Selected &&
         std::find(selected_.begin(), selected_.end(), o->Key()) != selected_.end());
    if (chosen) objects.push_back(o);
  }
  // The viewport's worker may still be reading these objects, whose normals
  // the export works out.
  viewport_->WaitForPreparation();
  try {
    ExportObjects(objects, fileName.toStdString());
    statusBar()->showMessage(tr("Exported %1 %2 to %3")
                                 .arg(objects.size())
                                 .arg(objects.size() == 1 ? tr("object") : tr("objects"))
                                 .arg(fileName),
                             kStatusMs);
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
    return false;
  }
  return true;
}

void MainWindow::RememberRecent(const QString& fileName) {
  QSettings settings;
  QStringList files = settings.value(kRecentKey).toStringList();
  files.removeAll(fileName);
  files.prepend(fileName);
  while (files.size() > kMaxRecentFiles) files.removeLast();
  settings.setValue(kRecentKey, files);
  FillRecentMenu();
}

void MainWindow::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList files = QSettings().value(kRecentKey).toStringList();
  for (const QString& f : files)
    recentMenu_->addAction(QFileInfo(f).fileName(), this, [this, f] { OpenFile(f); })
        ->setToolTip(f);
  recentMenu_->setEnabled(!files.isEmpty());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  // Imported once the drop has returned, so that the program the files came
  // from is not held while they are read.
  QTimer::singleShot(0, this, [this, files] {
    for (const QString& f : files) OpenFile(f);
  });
}

void MainWindow::RestoreSettings() {
  QSettings settings;
  restoreGeometry(settings.value(kGeometryKey).toByteArray());
  restoreState(settings.value(kStateKey).toByteArray());
  wireAction_->setChecked(settings.value(kWireframeKey, false).toBool());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  QSettings settings;
  settings.setValue(kGeometryKey, saveGeometry());
  settings.setValue(kStateKey, saveState());
  settings.setValue(kWireframeKey, wireAction_->isChecked());
  QMainWindow::closeEvent(event);
}

void MainWindow::ShowError(const QString& text) {
  QMessageBox::warning(this, tr("Kestrel"), text);
}

}  // namespace kestrel::gui
