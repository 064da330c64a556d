#include "app/gui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

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

}  // namespace

MainWindow::MainWindow(ks::Runtime& runtime, std::shared_ptr<ks::Person> dialogs, QWidget* parent)
    : QMainWindow(parent),
      runtime_(runtime),
      dialogs_(std::move(dialogs)),
      scene_(std::dynamic_pointer_cast<ks::CKsScene>(runtime.CreateObject("Kestrel.CKsScene"))) {
  setWindowTitle(tr("Kestrel"));
  viewport_ = new ViewportWidget(this);
  setCentralWidget(viewport_);
  panel_ = new ScenePanel(this);
  auto* dock = new QDockWidget(tr("Scene"), this);
  dock->setObjectName("scenePanel");
  dock->setWidget(panel_);
  panel_->setMinimumWidth(380);
  addDockWidget(Qt::LeftDockWidgetArea, dock);
  connect(panel_, &ScenePanel::objectSelected, this,
          [this](const QString& key) { SelectObject(key.toStdString()); });
  connect(panel_, &ScenePanel::visibilityChanged, viewport_, &ViewportWidget::SceneChanged);
  // Said once, without blocking: the window stays usable without its 3D view.
  connect(viewport_, &ViewportWidget::drawingFailed, this, [this](const QString& reason) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Kestrel"), reason, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  });
  viewport_->SetScene(scene_);
  panel_->Show(*scene_, {});
  BuildMenus();
  resize(1100, 720);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = file->addAction(tr("&Open..."), this, &MainWindow::ChooseAndOpen);
  open->setShortcut(QKeySequence::Open);
  QAction* save = file->addAction(tr("&Export..."), this, &MainWindow::ChooseAndExport);
  save->setShortcut(QKeySequence(tr("Ctrl+E")));
  recentMenu_ = file->addMenu(tr("&Recent Files"));
  FillRecentMenu();
  file->addSeparator();
  QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* view = menuBar()->addMenu(tr("&View"));
  QAction* wire = view->addAction(tr("&Wireframe"));
  wire->setCheckable(true);
  wire->setShortcut(QKeySequence(tr("W")));
  connect(wire, &QAction::toggled, viewport_, &ViewportWidget::SetWireframe);
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
  try {
    PersonScope scope(runtime_, person, dialogs_);
    ks::ObjectRef plugIn = runtime_.CreateObject(kImportClass);
    std::vector<ks::Variant> args{ks::Variant(ks::ObjectRef(scene_))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    if (!person->RunFinished()) return false;  // the dialog has said why
    RememberRecent(QString::fromStdString(file));
    SceneGrew(KeyAt(ks::Get(plugIn, "SelectedObject").ToLong()));
    statusBar()->showMessage(tr("Imported %1").arg(fileName), 5000);
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
    return false;
  }
  return true;
}

void MainWindow::RunPlugIn(const QString& progId) {
  try {
    PersonScope scope(runtime_, dialogs_, dialogs_);
    ks::ObjectRef plugIn = runtime_.CreateObject(progId.toStdString());
    const int32_t type = ks::Get(plugIn, "PlugInType").ToLong();
    if (type == kTypeScene) {
      const int32_t before = scene_->ObjectList()->Count();
      std::vector<ks::Variant> args{ks::Variant(ks::ObjectRef(scene_))};
      ks::Call(plugIn, "ExecutePlugIn", args);
      int32_t selected = ks::Get(plugIn, "SelectedObject").ToLong();
      if (scene_->ObjectList()->Count() != before || selected > 0) SceneGrew(KeyAt(selected));
    } else if (type == kTypeObject) {
      std::vector<ks::Variant> args{ks::Variant(runtime_.CreateObject("Kestrel.CKsObject"))};
      ks::Call(plugIn, "ExecutePlugIn", args);
      auto object = args[0].IsObject()
                        ? std::dynamic_pointer_cast<ks::CKsObject>(args[0].ToObject())
                        : nullptr;
      if (!object) return;  // cancelled
      scene_->ObjectList()->AddObject(object);
      SceneGrew(object->Key());
    } else {
      ShowError(
          tr("%1 is a plug-in of type %2, which Kestrel does not run.").arg(progId).arg(type));
    }
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
  }
}

void MainWindow::SceneGrew(const std::string& selectKey) {
  viewport_->SceneChanged();
  panel_->Show(*scene_, selectKey);
  SelectObject(selectKey);
  viewport_->FrameAll();
}

void MainWindow::SelectObject(const std::string& key) {
  viewport_->SetSelectedKey(key);
  panel_->Select(key);
}

std::string MainWindow::KeyAt(int32_t n) const {
  if (n < 1 || n > scene_->ObjectList()->Count()) return {};
  auto object =
      std::dynamic_pointer_cast<ks::CKsObject>(scene_->ObjectList()->Item(ks::Variant(n)));
  return object ? object->Key() : std::string();
}

void MainWindow::ChooseAndExport() {
  if (scene_->ObjectList()->Count() == 0) {
    ShowError(tr("The scene is empty: there is nothing to export."));
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
  try {
    ExportScene(*scene_, fileName.toStdString());
    statusBar()->showMessage(tr("Exported to %1").arg(fileName), 5000);
  } catch (const ks::ComError& e) {
    ShowError(QString::fromStdString(e.description()));
  }
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

void MainWindow::ShowError(const QString& text) {
  QMessageBox::warning(this, tr("Kestrel"), text);
}

}  // namespace kestrel::gui
