// The main window on real widgets: a file opened through File -> Open (the
// file dialog answered as a person would) is listed in the scene panel,
// selected and drawn in the viewport in the selection colour; the panel's
// selection and Visible boxes drive the viewport; the Plug-ins menu lists the
// registered plug-ins; errors come as message boxes.
#include "app/gui/main_window.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <assimp/Importer.hpp>
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

// An n x n grid of quads in the x-y plane, n units wide, centred on the
// origin, as WaveFront text.
std::string GridObj(int n) {
  std::ostringstream text;
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j) text << "v " << i - n / 2 << ' ' << j - n / 2 << " 0\n";
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const int a = i * (n + 1) + j + 1, b = a + n + 1;
      text << "f " << a << ' ' << b << ' ' << b + 1 << ' ' << a + 1 << '\n';
    }
  return text.str();
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
  // Drops the files on the window as a file manager would, and waits for
  // the scene to hold `objects` objects.
  void Drop(const QStringList& files, int objects) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    data->setUrls(urls);
    const QPointF at = window_->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    for (int i = 0; i < 1000 && window_->Scene().ObjectList()->Count() < objects; ++i)
      QTest::qWait(10);
    delete data;
  }
  // A left click on the viewport at a point.
  void ClickView(QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(window_->Viewport(), Qt::LeftButton, modifiers, at);
  }
  QStringList PanelSelection() {
    QStringList keys;
    for (QTreeWidgetItem* row : window_->Panel()->selectedItems())
      keys << row->data(ScenePanel::kName, ScenePanel::kKeyRole).toString();
    return keys;
  }
  std::vector<std::string> Keys() {
    std::vector<std::string> keys;
    for (const auto& o : window_->Scene().ObjectList()->Objects()) keys.push_back(o->Key());
    return keys;
  }
  // The viewport's picture once every object is drawn.
  QImage Frame() {
    window_->Viewport()->WaitForPreparation();
    return window_->Viewport()->grabFramebuffer();
  }
  QRgb Middle() {
    QImage frame = Frame();
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

  QImage plain = Frame();
  Action("Wireframe")->trigger();
  QImage wired = Frame();
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

// The way a person works a scene: three files of different formats dropped
// at once, one object clicked in the viewport and deleted, the deletion
// undone and done again, then only the visible objects exported with normals.
TEST_F(MainWindowTest, DroppedFilesCanBePickedDeletedUndoneAndExported) {
  const std::string dxf =
      Write("face.dxf",
            "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n10\n0\n20\n0\n30\n0\n"
            "11\n30\n21\n0\n31\n0\n12\n30\n22\n30\n32\n0\n13\n0\n23\n30\n33\n0\n"
            "0\nENDSEC\n0\nEOF\n");
  const std::string inc = Write("tri.inc", "mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n");
  Drop({QString::fromStdString(Write("wedge.obj", Wedge(4))), QString::fromStdString(dxf),
        QString::fromStdString(inc)},
       3);
  ASSERT_EQ(window_->Scene().ObjectList()->Count(), 3);
  EXPECT_EQ(window_->windowTitle(), "tri.inc - Kestrel");
  EXPECT_TRUE(window_->statusBar()->currentMessage().contains("Imported tri.inc: 1 object"))
      << window_->statusBar()->currentMessage().toStdString();
  window_->Viewport()->WaitForPreparation();
  window_->Viewport()->SetView(render::ViewPreset::Front);
  Frame();

  // Empty space clears the selection; each import is centred, so the middle
  // of the view hits one of the three, and the viewport and the panel agree
  // on which.
  ClickView({3, 3});
  EXPECT_TRUE(window_->SelectedKeys().empty());
  EXPECT_TRUE(PanelSelection().isEmpty());
  const QPoint middle = window_->Viewport()->rect().center();
  ClickView(middle);
  ASSERT_EQ(window_->SelectedKeys().size(), 1u);
  const std::string picked = window_->SelectedKeys()[0];
  EXPECT_EQ(PanelSelection(), QStringList{QString::fromStdString(picked)});
  // The picked object is outlined in the selection colour: orange pixels
  // appear that a plain tint of the object's own colour would not give.
  QImage outlined = Frame();
  int orange = 0;
  for (int y = 0; y < outlined.height(); ++y)
    for (int x = 0; x < outlined.width(); ++x)
      orange += Distance(outlined.pixel(x, y), render::Palette::kSelection) < 20;
  EXPECT_GT(orange, 20);

  // Delete (the key), Undo, Redo, Undo.
  const std::vector<std::string> all = Keys();
  window_->activateWindow();  // shortcuts reach an active window only
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(window_->Viewport(), Qt::Key_Delete);
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 2);
  EXPECT_EQ(window_->Scene().ObjectList()->Find(picked), nullptr);
  EXPECT_EQ(window_->Panel()->ObjectsRoot()->childCount(), 2);
  QTest::keyClick(window_->Viewport(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Keys(), all);
  EXPECT_EQ(window_->Panel()->ObjectsRoot()->childCount(), 3);
  QTest::keyClick(window_->Viewport(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 2);
  window_->Undo();
  EXPECT_EQ(Keys(), all);

  // Ctrl adds to the selection; hiding the first object and exporting the
  // visible ones writes the other two, with normals.
  ClickView({3, 3});
  window_->SelectObject(all[1]);
  EXPECT_EQ(window_->SelectedKeys(), (std::vector<std::string>{all[1]}));
  ClickView(middle, Qt::ControlModifier);
  EXPECT_EQ(window_->SelectedKeys().size(), picked == all[1] ? 0u : 2u);
  window_->Panel()->ObjectRow(all[0])->setCheckState(ScenePanel::kVisible, Qt::Unchecked);
  const fs::path out = dir_ / "visible.glb";
  ASSERT_TRUE(
      window_->ExportTo(QString::fromStdString(out.string()), MainWindow::ExportChoice::Visible));
  Assimp::Importer importer;
  const aiScene* s = importer.ReadFile(out.string(), 0);
  ASSERT_NE(s, nullptr) << importer.GetErrorString();
  EXPECT_EQ(s->mNumMeshes, 2u);
  for (unsigned m = 0; m < s->mNumMeshes; ++m) EXPECT_TRUE(s->mMeshes[m]->HasNormals());
  // Hiding is a change like any other: Undo shows the object again.
  window_->Undo();
  EXPECT_TRUE(window_->Scene().ObjectList()->Objects()[0]->Visible());
  EXPECT_EQ(window_->Panel()->ObjectRow(all[0])->checkState(ScenePanel::kVisible), Qt::Checked);
}

TEST_F(MainWindowTest, RenameNewSceneAndUndoOfBoth) {
  window_->OpenFile(QString::fromStdString(Write("wedge.obj", Wedge(4))));
  const std::string key = Keys().at(0);
  // F2 in the panel edits the name; the new name is a change that can be undone.
  QTreeWidgetItem* row = window_->Panel()->ObjectRow(key);
  row->setText(ScenePanel::kName, "Ramp");
  for (int i = 0; i < 100 && window_->Scene().ObjectList()->Objects()[0]->Name() != "Ramp"; ++i)
    QTest::qWait(10);
  EXPECT_EQ(window_->Scene().ObjectList()->Objects()[0]->Name(), "Ramp");
  EXPECT_EQ(window_->Panel()->ObjectRow(key)->text(ScenePanel::kName), "Ramp");
  window_->NewScene();
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 0);
  EXPECT_EQ(window_->Panel()->ObjectsRoot()->childCount(), 0);
  EXPECT_EQ(window_->windowTitle(), "Kestrel");
  window_->Undo();
  EXPECT_EQ(window_->Scene().ObjectList()->Objects().at(0)->Name(), "Ramp");
  window_->Undo();
  EXPECT_EQ(window_->Scene().ObjectList()->Objects().at(0)->Name(), "wedge");
  window_->Undo();
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 0);
  EXPECT_FALSE(window_->History().CanUndo());
}

// Hiding the only object keeps the ground grid as it was: the picture keeps
// its grid lines, only the object goes.
TEST_F(MainWindowTest, HidingTheLastObjectKeepsTheGroundGrid) {
  window_->OpenFile(QString::fromStdString(Write("wedge.obj", Wedge(40))));
  auto gridPixels = [this] {
    QImage frame = Frame();
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
      for (int x = 0; x < frame.width(); ++x)
        n += Distance(frame.pixel(x, y), render::Palette::kGrid) < 12;
    return n;
  };
  const int shown = gridPixels();
  window_->Panel()->ObjectsRoot()->child(0)->setCheckState(ScenePanel::kVisible, Qt::Unchecked);
  const int hidden = gridPixels();
  EXPECT_GT(shown, 200);
  EXPECT_GE(hidden, shown);  // the grid the object covered shows now
}

TEST_F(MainWindowTest, FileWithoutGeometryIsToldAndAddsNothing) {
  QString said;
  WhenModal<QMessageBox>([&said](QMessageBox* box) {
    said = box->text();
    box->accept();
  });
  EXPECT_TRUE(window_->OpenFile(QString::fromStdString(Write("notes.obj", "just words\n"))));
  EXPECT_TRUE(said.contains("no geometry imported from notes.obj")) << said.toStdString();
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 0);
  EXPECT_FALSE(window_->History().CanUndo());
  EXPECT_TRUE(window_->statusBar()->currentMessage().contains("Nothing imported"));
}

// The background or the ground grid, not an object.
bool IsBackdrop(QRgb c) {
  return Distance(c, render::Palette::kBackground) < 12 || Distance(c, render::Palette::kGrid) < 12;
}

TEST_F(MainWindowTest, BigImportReachesTheGpuInSlicesWithProgressAndAppearsWhole) {
  ViewportWidget* view = window_->Viewport();
  view->SetUploadSliceBytes(4096);  // the grid's ~170 KB take dozens of turns
  std::vector<int> progress;
  QObject::connect(view, &ViewportWidget::preparationProgress,
                   [&progress](int p) { progress.push_back(p); });
  ASSERT_TRUE(window_->OpenFile(QString::fromStdString(Write("grid.obj", GridObj(60)))));
  EXPECT_TRUE(view->Busy());
  // Until all of it is on the GPU the object is not drawn at all (nothing
  // half drawn); the event loop turns all the while.
  bool sawPartialUpload = false;
  // One pass of the event loop at a time: given a time instead, one call
  // would run every slice while a fast machine copies them all.
  for (int turn = 0; turn < 5000 && view->Busy(); ++turn) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Forms made, copying to the GPU under way.
    if (view->Busy() && !view->Preparing() && !sawPartialUpload) {
      sawPartialUpload = true;
      const QImage partial = view->grabFramebuffer();
      EXPECT_TRUE(IsBackdrop(partial.pixel(partial.width() / 2, partial.height() / 2)));
    }
  }
  ASSERT_FALSE(view->Busy());
  EXPECT_TRUE(sawPartialUpload);
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
  const QImage whole = view->grabFramebuffer();
  EXPECT_FALSE(IsBackdrop(whole.pixel(whole.width() / 2, whole.height() / 2)));
}

// A selected mesh too big to draw twice more (125,000 triangles) is outlined
// on screen at rest; drawn coarse while the view moves it shows its tint
// alone, and the outline is back once the view rests.
TEST_F(MainWindowTest, BigSelectionIsOutlinedAtRestAndOnlyTintedWhileMoving) {
  ASSERT_TRUE(window_->OpenFile(QString::fromStdString(Write("grid.obj", GridObj(250)))));
  ASSERT_EQ(window_->SelectedKeys().size(), 1u);
  ViewportWidget* view = window_->Viewport();
  auto rimPixels = [](const QImage& frame) {
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
      for (int x = 0; x < frame.width(); ++x)
        n += Distance(frame.pixel(x, y), render::Palette::kSelection) < 20;
    return n;
  };
  // What has just arrived is drawn coarse first, then in full.
  view->WaitForPreparation();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !view->Moving(); }, 5000));
  const int atRest = rimPixels(view->grabFramebuffer());
  EXPECT_GT(atRest, 100);
  const QPoint middle = view->rect().center();
  QWheelEvent zoom(middle, view->mapToGlobal(middle), {}, QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &zoom);
  ASSERT_TRUE(view->Moving());
  EXPECT_LT(rimPixels(view->grabFramebuffer()) * 4, atRest);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !view->Moving(); }, 5000));
  EXPECT_GT(rimPixels(view->grabFramebuffer()), 100);
}

TEST_F(MainWindowTest, CancelWhileTheViewIsPreparedUndoesTheImportAndRedoShowsIt) {
  ViewportWidget* view = window_->Viewport();
  view->SetUploadSliceBytes(1024);
  ASSERT_TRUE(window_->OpenFile(QString::fromStdString(Write("grid.obj", GridObj(60)))));
  auto* cancel = window_->statusBar()->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  for (int turn = 0; turn < 5000 && view->Busy() && !cancel->isVisible(); ++turn)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);  // one pass at a time
  ASSERT_TRUE(cancel->isVisible());
  QTest::mouseClick(cancel, Qt::LeftButton);

  EXPECT_FALSE(view->Busy());
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 0);
  EXPECT_FALSE(window_->History().CanUndo());
  EXPECT_TRUE(window_->statusBar()->currentMessage().contains("Cancelled"))
      << window_->statusBar()->currentMessage().toStdString();
  EXPECT_TRUE(IsBackdrop(Middle()));

  // The import can be had back; its form is made and drawn again.
  ASSERT_TRUE(window_->History().CanRedo());
  window_->Redo();
  EXPECT_EQ(window_->Scene().ObjectList()->Count(), 1);
  EXPECT_FALSE(IsBackdrop(Middle()));
}

}  // namespace
}  // namespace kestrel::gui
