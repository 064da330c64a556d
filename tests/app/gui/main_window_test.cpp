// The main window on real widgets: a file opened through File -> Open (the
// file dialog answered as a person would) is listed in the scene panel,
// selected and drawn in the viewport in the selection colour; the panel's
// selection and Visible boxes drive the viewport; the Plug-ins menu lists the
// registered plug-ins; errors come as message boxes.
#include "app/gui/main_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/commands.h"
#include "app/desktop/desktop_person.h"
#include "app/gui/scene_panel.h"
#include "app/gui/viewport_widget.h"
#include "app/render/scene_renderer.h"
#include "app/scripted_import_person.h"
#include "app/scripted_path_person.h"
#include "gui_support.h"
#include "host/host_classes.h"
#include "host/runtime.h"

namespace kestrel::gui {
namespace {

namespace fs = std::filesystem;
using ks::guitest::WhenModal;

// A tetrahedron-like wedge, `size` units, as WaveFront text.
std::string Wedge(int size) {
  const std::string s = std::to_string(size);
  return "v 0 0 0\nv " + s + " 0 0\nv 0 " + s + " 0\nv 0 0 " + s +
         "\nf 1 2 3\nf 1 2 4\nf 1 3 4\nf 2 3 4\n";
}

double Distance(QRgb c, const float (&rgb)[3]) {
  return std::hypot(qRed(c) - rgb[0] * 255, qGreen(c) - rgb[1] * 255, qBlue(c) - rgb[2] * 255);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() == "offscreen")
      GTEST_SKIP() << "the viewport needs an X server with OpenGL (run under xvfb-run)";
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("KestrelTest");
    QCoreApplication::setApplicationName("main_window_test");
    QSettings().clear();
    dir_ = fs::temp_directory_path() /
           ("ks-main-window-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    rt_ = std::make_unique<ks::Runtime>(dir_ / "registry.ini");
    ks::RegisterHostClasses(*rt_);
    const fs::path plugins =
        fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "plugins";
    ASSERT_TRUE(RegisterPluginFolder(*rt_, plugins).empty());
    person_ = std::make_shared<desktop::DesktopPerson>("Kestrel");
    rt_->SetPerson(person_);
    window_ = std::make_unique<MainWindow>(*rt_, person_);
    window_->resize(800, 600);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override {
    window_.reset();
    rt_.reset();
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    return (dir_ / name).string();
  }
  QAction* Action(const QString& text) {
    for (QAction* a : window_->menuBar()->findChildren<QAction*>())
      if (a->text().remove('&') == text) return a;
    return nullptr;
  }
  // Opens `file` through File -> Open and its file dialog.
  void OpenThroughMenu(const std::string& file) {
    QAction* open = Action("Open...");
    ASSERT_NE(open, nullptr);
    WhenModal<QFileDialog>([file](QFileDialog* dialog) {
      ks::guitest::ChooseInFileDialog(dialog, QString::fromStdString(file));
    });
    open->trigger();
  }
  QRgb Middle() {
    QImage frame = window_->Viewport()->grabFramebuffer();
    return frame.pixel(frame.width() / 2, frame.height() / 2);
  }

  fs::path dir_;
  std::unique_ptr<ks::Runtime> rt_;
  std::shared_ptr<desktop::DesktopPerson> person_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, FileOpenedFromTheMenuIsListedSelectedAndDrawnSelected) {
  OpenThroughMenu(Write("wedge.obj", Wedge(4)));

  ScenePanel* panel = window_->Panel();
  ASSERT_EQ(panel->ObjectsRoot()->childCount(), 1);
  QTreeWidgetItem* row = panel->ObjectsRoot()->child(0);
  EXPECT_EQ(row->text(ScenePanel::kName), "wedge");
  EXPECT_EQ(row->text(ScenePanel::kVertices), "4");
  EXPECT_EQ(row->text(ScenePanel::kTriangles), "4");
  EXPECT_EQ(row->text(ScenePanel::kColor), "RGB(0, 128, 192)");
  EXPECT_EQ(row->checkState(ScenePanel::kVisible), Qt::Checked);
  EXPECT_TRUE(row->isSelected());
  const std::string key = window_->Scene().ObjectList()->Objects()[0]->Key();
  EXPECT_EQ(window_->Viewport()->SelectedKey(), key);
  EXPECT_LT(Distance(Middle(), render::Palette::kSelection),
            Distance(qRgb(0, 128, 192), render::Palette::kSelection));

  // The file is remembered among the recent files.
  EXPECT_EQ(QSettings().value("recentFiles").toStringList().value(0),
            QString::fromStdString((dir_ / "wedge.obj").string()));

  // Hidden through its Visible box, the object leaves the picture.
  row->setCheckState(ScenePanel::kVisible, Qt::Unchecked);
  EXPECT_FALSE(window_->Scene().ObjectList()->Objects()[0]->Visible());
  const QRgb hidden = Middle();  // background or grid: grey
  EXPECT_LT(std::abs(qRed(hidden) - qBlue(hidden)) + std::abs(qRed(hidden) - qGreen(hidden)), 30);
}

TEST_F(MainWindowTest, SecondImportIsSelectedAndThePanelSelectionFollowsClicks) {
  window_->OpenFile(QString::fromStdString(Write("first.obj", Wedge(4))));
  OpenThroughMenu(Write("second.obj", Wedge(8)));
  auto objects = window_->Scene().ObjectList()->Objects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(window_->Viewport()->SelectedKey(), objects[1]->Key());
  ScenePanel* panel = window_->Panel();
  EXPECT_TRUE(panel->ObjectRow(objects[1]->Key())->isSelected());

  // A click on the first row selects the first object in the viewport.
  QTreeWidgetItem* first = panel->ObjectRow(objects[0]->Key());
  const QRect cell = panel->visualItemRect(first);
  QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(window_->Viewport()->SelectedKey(), objects[0]->Key());
  EXPECT_TRUE(first->isSelected());
}

TEST_F(MainWindowTest, PlugInMenuListsTheRegisteredPlugInsByName) {
  QStringList names;
  for (QAction* a : window_->menuBar()->findChildren<QAction*>())
    if (a->data().toString().endsWith(".CPlugIn")) names << a->text();
  names.sort();
  EXPECT_EQ(names, (QStringList{"Import Object v1.0", "Object by Path Generator v1.0"}));
}

// The path generator (type 0) fills a new object that joins the scene and
// becomes the selection; its dialog is worked by a scripted person here.
TEST_F(MainWindowTest, PathGeneratorFromTheMenuAddsItsObjectToTheScene) {
  PathScript script;
  script.mode = PathScript::Mode::Extrude;
  script.points = {{40, 40}, {200, 40}, {200, 300}, {40, 300}};
  auto scripted = std::make_shared<ScriptedPathPerson>(script);
  MainWindow window(*rt_, scripted);
  window.OpenFile(QString::fromStdString(Write("wedge.obj", Wedge(4))));
  window.RunPlugIn("KsObjPath.CPlugIn");

  auto objects = window.Scene().ObjectList()->Objects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[1]->Name(), "ObjPath");
  EXPECT_GT(objects[1]->TriangleCount(), 0);
  EXPECT_EQ(window.Viewport()->SelectedKey(), objects[1]->Key());
  EXPECT_EQ(window.Panel()->ObjectsRoot()->childCount(), 2);
  EXPECT_TRUE(window.Panel()->ObjectRow(objects[1]->Key())->isSelected());

  // A dialog left without an object adds nothing.
  auto idle = std::make_shared<ScriptedPathPerson>(PathScript{});
  MainWindow empty(*rt_, idle);
  empty.RunPlugIn("KsObjPath.CPlugIn");
  EXPECT_EQ(empty.Scene().ObjectList()->Count(), 0);
}

// The import plug-in (type 3) from the menu runs against the scene that
// already holds an object; its SelectedObject becomes the selection.
TEST_F(MainWindowTest, ImportPlugInFromTheMenuAddsToTheSceneAndSelectsItsObject) {
  std::ostringstream said;
  auto scripted = std::make_shared<ScriptedImportPerson>(
      ImportAnswers{0, false, false, false, Write("second.obj", Wedge(8))}, said, nullptr, false);
  MainWindow window(*rt_, scripted);
  window.OpenFile(QString::fromStdString(Write("first.obj", Wedge(4))));
  window.RunPlugIn("KsImport.CPlugIn");
  auto objects = window.Scene().ObjectList()->Objects();
  ASSERT_EQ(objects.size(), 2u) << said.str();
  EXPECT_EQ(objects[1]->Name(), "second");
  EXPECT_EQ(window.Viewport()->SelectedKey(), objects[1]->Key());
  EXPECT_TRUE(window.Panel()->ObjectRow(objects[1]->Key())->isSelected());
}

TEST_F(MainWindowTest, FilesThatCannotBeImportedAreReportedInAMessageBox) {
  QString said;
  WhenModal<QMessageBox>([&said](QMessageBox* box) {
    said = box->text();
    box->accept();
  });
  EXPECT_FALSE(window_->OpenFile(QString::fromStdString(Write("notes.txt", "hello"))));
  EXPECT_TRUE(said.contains("notes.txt")) << said.toStdString();

  // A damaged file: the import dialog's own message, nothing added.
  WhenModal<QMessageBox>([&said](QMessageBox* box) {
    said = box->text();
    box->accept();
  });
  EXPECT_FALSE(window_->OpenFile(QString::fromStdString(Write("bad.3ds", "not a 3ds file"))));
  EXPECT_FALSE(said.isEmpty());
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 0);
}

TEST_F(MainWindowTest, MouseTurnsAndZoomsTheViewAndWireframeShowsEdges) {
  window_->OpenFile(QString::fromStdString(Write("wedge.obj", Wedge(4))));
  ViewportWidget* view = window_->Viewport();
  const float yaw = view->Camera().Yaw(), distance = view->Camera().Distance();
  const QPoint middle = view->rect().center();
  QTest::mousePress(view, Qt::LeftButton, {}, middle);
  QMouseEvent move(QEvent::MouseMove, middle + QPoint(60, 0),
                   view->mapToGlobal(middle + QPoint(60, 0)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  QTest::mouseRelease(view, Qt::LeftButton, {}, middle + QPoint(60, 0));
  EXPECT_NE(view->Camera().Yaw(), yaw);
  QWheelEvent wheel(middle, view->mapToGlobal(middle), {}, QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &wheel);
  EXPECT_LT(view->Camera().Distance(), distance);

  QImage plain = view->grabFramebuffer();
  Action("Wireframe")->trigger();
  QImage wired = view->grabFramebuffer();
  int changed = 0;
  for (int y = 0; y < plain.height(); y += 2)
    for (int x = 0; x < plain.width(); x += 2) changed += plain.pixel(x, y) != wired.pixel(x, y);
  EXPECT_GT(changed, 50);
}

TEST_F(MainWindowTest, ExportWritesTheSceneInTheFormatOfTheChosenName) {
  window_->OpenFile(QString::fromStdString(Write("wedge.obj", Wedge(4))));
  const fs::path out = dir_ / "out" / "scene.stl";
  fs::create_directories(out.parent_path());
  WhenModal<QFileDialog>([&out](QFileDialog* dialog) {
    ks::guitest::ChooseInFileDialog(dialog, QString::fromStdString(out.string()));
  });
  Action("Export...")->trigger();
  EXPECT_TRUE(fs::exists(out));
  EXPECT_GT(fs::file_size(out), 0u);
}

}  // namespace
}  // namespace kestrel::gui
