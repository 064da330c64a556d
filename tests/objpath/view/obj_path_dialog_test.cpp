// The path dialog's Qt view driven with the mouse and keyboard: clicking a
// path and getting the object, the bar, the modes, the property grids, the
// background picture and "Get from a Picture". Checks what the person sees
// (pixels of the drawing area, enabled controls, message boxes) and what the
// object ends up holding.
#include "objpath/view/obj_path_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "app/desktop/desktop_person.h"
#include "gui_support.h"
#include "host/host_classes.h"
#include "host/image/ks_image.h"
#include "host/ks_object.h"
#include "host/ks_properties_ids.h"
#include "objpath/c_plug_in.h"
#include "objpath/frm_obj_path.h"
#include "objpath/view/drawing_area.h"
#include "objpath/view/obj_path_view.h"
#include "objpath/view/path_preview.h"

namespace ks::objpath {
namespace {

namespace fs = std::filesystem;
using guitest::WhenModal;

constexpr int kW = 266, kH = 343;
constexpr QRgb kGrey = qRgb(192, 192, 192);

class ObjPathDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ks-objpath-view-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    rt_ = std::make_unique<Runtime>(dir_ / "registry.ini");
    RegisterHostClasses(*rt_);
    rt_->SetPerson(std::make_shared<kestrel::desktop::DesktopPerson>());
  }
  // The plug-in class, showing its dialog in the view linked into this program.
  ObjectRef DesktopPlugIn() {
    auto plugin = std::make_shared<CPlugIn>(*rt_);
    plugin->SetDesktopView([](Form& form) { ShowObjPathView(static_cast<frmObjPath&>(form)); });
    return plugin;
  }
  void TearDown() override {
    dialog_.reset();
    form_.reset();
    rt_.reset();
    fs::remove_all(dir_);
  }

  // A loaded form in its dialog, shown without a modal loop of its own.
  void Open() {
    form_ = std::make_unique<frmObjPath>(*rt_);
    form_->Fire("Form_Load");
    dialog_ = std::make_unique<ObjPathDialog>(*form_);
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }

  template <class T>
  static T* Find(QWidget* in, const char* name) {
    T* widget = in->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  template <class T>
  T* Find(const char* name) {
    return Find<T>(dialog_.get(), name);
  }
  QWidget* Area() { return Find<QWidget>("Picture1"); }
  QImage Shown() { return Area()->grab().toImage(); }
  bool ShowsColour(int x, int y, QRgb colour) { return Shown().pixel(x, y) == colour; }
  // Whether the colour shows within a pixel of (x, y): lines land on whole pixels.
  bool ShowsNear(int x, int y, QRgb colour) {
    const QImage shown = Shown();
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (shown.valid(x + dx, y + dy) && shown.pixel(x + dx, y + dy) == colour) return true;
    return false;
  }
  // The mouse goes to the point, then clicks: the rubber band ends where the
  // next segment starts.
  static void Click(QWidget* area, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseMove(area, QPoint(x, y));
    QTest::mouseClick(area, button, {}, QPoint(x, y));
  }
  void Press(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
  // A mouse move with the buttons held, as the bar sees a drag.
  static void MoveWith(QWidget* widget, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
  }

  // A white picture of the area's size with black boxes (inclusive corners).
  std::string Picture(const std::string& name, std::vector<std::array<int, 4>> boxes) {
    std::vector<uint32_t> px(static_cast<size_t>(kW) * kH, 0xFFFFFFFF);
    for (auto [l, t, r, b] : boxes)
      for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x) px[static_cast<size_t>(y) * kW + x] = 0xFF000000;
    const std::string file = (dir_ / name).string();
    SavePicture(file, kW, kH, px);
    return file;
  }

  fs::path dir_;
  std::unique_ptr<Runtime> rt_;
  std::unique_ptr<frmObjPath> form_;
  std::unique_ptr<ObjPathDialog> dialog_;
};

TEST_F(ObjPathDialogTest, AClickedPathExtrudesIntoTheObjectWithTheGridsHeight) {
  ObjectRef object = rt_->CreateObject("Kestrel.CKsObject");
  QString emptyPathMessage;
  bool drawnAsClicked = false, closedWhenFinished = false;
  WhenModal<ObjPathDialog>([&](ObjPathDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Object by Path Generator");
    QWidget* area = Find<QWidget>(dialog, "Picture1");
    EXPECT_EQ(area->size(), QSize(kW, kH));
    // "Get Object" with no path says so and keeps the dialog.
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      emptyPathMessage = box->text();
      box->accept();
    });
    QTest::mouseClick(Find<QPushButton>(dialog, "cmdGetObj"), Qt::LeftButton);

    QTest::mouseClick(Find<QRadioButton>(dialog, "Option1(1)"), Qt::LeftButton);  // Extrude
    auto* height = Find<QSpinBox>(Find<QWidget>(dialog, "KsProperties3"), "Height");
    height->setFocus();
    height->selectAll();
    QTest::keyClicks(height, "80");
    QTest::keyClick(height, Qt::Key_Return);
    for (QPoint p : {QPoint(40, 40), QPoint(200, 40), QPoint(200, 300), QPoint(40, 300)})
      Click(area, p.x(), p.y());
    const QImage drawing = area->grab().toImage();
    drawnAsClicked =
        drawing.pixel(41, 41) == kMarkerColour && drawing.pixel(201, 301) == kMarkerColour &&
        drawing.pixel(120, 40) == kSegmentColour && drawing.pixel(200, 170) == kSegmentColour;
    Click(area, 120, 200, Qt::RightButton);  // finished: the extrusion closes itself
    closedWhenFinished = area->grab().toImage().pixel(40, 170) == kSegmentColour;
    QTest::mouseClick(Find<QPushButton>(dialog, "cmdGetObj"), Qt::LeftButton);
  });
  ObjectRef plugin = DesktopPlugIn();
  std::vector<Variant> args{Variant(object)};
  Call(plugin, "ExecutePlugIn", args);

  EXPECT_EQ(emptyPathMessage, "Draw a Path to elaborate");
  EXPECT_TRUE(drawnAsClicked);
  EXPECT_TRUE(closedWhenFinished);
  ASSERT_EQ(args[0].ToObject(), object);  // the filled object comes back
  const auto& mesh = static_cast<const CKsObject&>(*object);
  EXPECT_EQ(mesh.VertexCount(), 8);
  EXPECT_EQ(mesh.TriangleCount(), 12);
  // 160 pixels wide, 260 deep, 80 high as the grid said.
  const auto size = mesh.Bounds().Size();
  EXPECT_NEAR(size[1] / size[0], 80.0 / 160.0, 1e-4);
  EXPECT_NEAR(size[2] / size[0], 260.0 / 160.0, 1e-4);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ObjPathDialogTest, CancelHandsBackNothing) {
  ObjectRef object = rt_->CreateObject("Kestrel.CKsObject");
  WhenModal<ObjPathDialog>([&](ObjPathDialog* dialog) {
    Click(Find<QWidget>(dialog, "Picture1"), 50, 50);
    QTest::mouseClick(Find<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
  });
  std::vector<Variant> args{Variant(object)};
  Call(DesktopPlugIn(), "ExecutePlugIn", args);
  EXPECT_EQ(args[0].ToObject(), nullptr);
}

TEST_F(ObjPathDialogTest, RotationPathsStayOnOneSideOfTheAxisAndModesShowTheClosingSegment) {
  Open();
  QWidget* area = Area();
  const int axis = 7;  // the bar's left (6) + 1
  EXPECT_TRUE(ShowsNear(axis, 2, kAxisColour));
  EXPECT_EQ(Area()->cursor().shape(), Qt::CrossCursor);
  Click(area, 60, 50);
  QTest::mouseMove(area, QPoint(150, 120));  // the rubber band follows the mouse
  EXPECT_TRUE(ShowsNear(105, 85, kSegmentColour));
  Click(area, 150, 120);
  Click(area, 3, 200);  // across the axis: ignored
  EXPECT_FALSE(ShowsColour(4, 201, kMarkerColour));
  Click(area, 60, 300);
  Click(area, 60, 300, Qt::RightButton);
  EXPECT_EQ(form_->Path().Count(), 3);
  EXPECT_FALSE(ShowsColour(60, 175, kSegmentColour));  // open: no closing segment

  auto* closePath = Find<QCheckBox>("Check1");
  ASSERT_TRUE(closePath->isEnabled());
  guitest::ClickCheckBox(closePath);
  EXPECT_TRUE(ShowsColour(60, 175, kSegmentColour));
  guitest::ClickCheckBox(closePath);
  EXPECT_FALSE(ShowsColour(60, 175, kSegmentColour));

  // "Extrude": the rotation frame and path modes go off, the extrusion's
  // controls come on, the path shows closed and the axis goes.
  Press("Option1(1)");
  EXPECT_FALSE(Find<QGroupBox>("Frame1")->isEnabled());
  EXPECT_FALSE(Find<QRadioButton>("Option2(0)")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Command3")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("KsProperties3")->isEnabled());
  EXPECT_TRUE(ShowsColour(60, 175, kSegmentColour));
  EXPECT_FALSE(ShowsNear(axis, 2, kAxisColour));
  Press("Option1(0)");
  EXPECT_TRUE(Find<QGroupBox>("Frame1")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("Command3")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("KsProperties3")->isEnabled());
  EXPECT_FALSE(ShowsColour(60, 175, kSegmentColour));
  EXPECT_TRUE(ShowsNear(axis, 2, kAxisColour));

  // "Clean" empties the area.
  Press("cmdClean");
  EXPECT_FALSE(ShowsColour(61, 51, kMarkerColour));
  EXPECT_EQ(form_->Path().Count(), 0);
}

TEST_F(ObjPathDialogTest, MoveBarShowsTheBarThatDragsWithinTheArea) {
  Open();
  Press("Option2(0)");  // "Move Bar"
  auto* bar = Find<QWidget>(Area(), "Picture3");
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->geometry(), QRect(6, 0, 3, kH));
  EXPECT_EQ(bar->cursor().shape(), Qt::SizeHorCursor);
  EXPECT_EQ(Area()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(ShowsColour(7, 100, kBarMarkColour));

  MoveWith(bar, QPoint(50, 10), Qt::LeftButton);  // dragged 50 to the right
  EXPECT_EQ(bar->x(), 56);
  MoveWith(bar, QPoint(30, 10), Qt::NoButton);  // no button: no drag
  EXPECT_EQ(bar->x(), 56);
  MoveWith(bar, QPoint(1000, 10), Qt::LeftButton);  // stops at the right edge
  EXPECT_EQ(bar->x(), kW - 6);
  MoveWith(bar, QPoint(-1000, 10), Qt::LeftButton);  // and at the left one
  EXPECT_EQ(bar->x(), 0);
  MoveWith(bar, QPoint(100, 10), Qt::LeftButton);
  EXPECT_EQ(bar->x(), 100);

  Click(Area(), 150, 150);  // clicks draw nothing while the bar moves
  EXPECT_EQ(form_->Path().Count(), 0);

  Press("Option2(1)");  // "Build Path": the axis line stands where the bar was left
  EXPECT_FALSE(bar->isVisible());
  EXPECT_TRUE(ShowsNear(101, 2, kAxisColour));
  EXPECT_EQ(Area()->cursor().shape(), Qt::CrossCursor);
  Click(Area(), 150, 150);
  Click(Area(), 50, 200);  // the other side of the moved axis
  EXPECT_EQ(form_->Path().Count(), 1);
}

TEST_F(ObjPathDialogTest, GridRowsEditWithinTheirRangesAndSteps) {
  Open();
  QWidget* rotation = Find<QWidget>("KsProperties1");
  auto* sections = Find<QSpinBox>(rotation, "Section");
  EXPECT_EQ(sections->value(), 8);
  EXPECT_EQ(sections->minimum(), 1);
  EXPECT_EQ(sections->maximum(), 200);
  sections->setFocus();
  sections->selectAll();
  QTest::keyClicks(sections, "12");
  QTest::keyClick(sections, Qt::Key_Return);
  EXPECT_EQ(form_->settings.Sections, 12);

  auto* yRotation = Find<QSpinBox>(rotation, "Y Rotation");
  yRotation->setFocus();
  QTest::keyClick(yRotation, Qt::Key_Up);  // one step of 10
  EXPECT_EQ(form_->settings.YRotation, 370);
  QTest::keyClick(yRotation, Qt::Key_PageUp);  // ten steps
  EXPECT_EQ(form_->settings.YRotation, 470);

  auto* closeLast = Find<QComboBox>(rotation, "Close Last polygons");
  EXPECT_EQ(closeLast->currentText(), "True");
  closeLast->setFocus();
  QTest::keyClick(closeLast, Qt::Key_Down);
  EXPECT_EQ(closeLast->currentText(), "False");
  EXPECT_FALSE(form_->settings.CloseLastPolygons);

  for (auto [row, text, expected] :
       {std::tuple{"X", "1.5", 1.5f}, std::tuple{"Z", "-2.25", -2.25f}}) {
    auto* real = Find<QDoubleSpinBox>(rotation, row);
    EXPECT_EQ(real->decimals(), 2);
    real->setFocus();
    real->selectAll();
    QTest::keyClicks(real, text);
    QTest::keyClick(real, Qt::Key_Return);
    EXPECT_FLOAT_EQ(
        row == std::string("X") ? form_->settings.TranslationX : form_->settings.TranslationZ,
        expected);
  }
  // The extrusion's height is off while "Rotation" is chosen.
  EXPECT_FALSE(Find<QSpinBox>(Find<QWidget>("KsProperties3"), "Height")->isEnabled());
  EXPECT_EQ(Find<QSpinBox>(Find<QWidget>("KsProperties3"), "Height")->value(), 40);
}

TEST_F(ObjPathDialogTest, ThePictureRowShowsAPictureAndReportsOneThatCannotBeRead) {
  Open();
  QWidget* background = Find<QWidget>("KsProperties2");
  auto* name = Find<QLineEdit>(background, "Picture.file");
  EXPECT_EQ(name->text(), "(None)");
  EXPECT_TRUE(ShowsColour(5, 5, kGrey));

  const std::string picture = Picture("bg.png", {{0, 0, 9, 9}});
  WhenModal<QFileDialog>([&](QFileDialog* files) {
    guitest::ChooseInFileDialog(files, QString::fromStdString(picture));
  });
  QTest::mouseClick(Find<QToolButton>(background, "Picture.choose"), Qt::LeftButton);
  EXPECT_EQ(name->text().toStdString(), picture);
  EXPECT_TRUE(ShowsColour(5, 5, qRgb(128, 128, 128)));  // faded black
  EXPECT_TRUE(ShowsColour(5, 30, qRgb(255, 255, 255)));

  const std::string broken = (dir_ / "broken.png").string();
  std::ofstream(broken) << "no picture here";
  QString said;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenModal<QFileDialog>([&](QFileDialog* files) {
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      said = box->text();
      icon = box->icon();
      box->accept();
    });
    guitest::ChooseInFileDialog(files, QString::fromStdString(broken));
  });
  QTest::mouseClick(Find<QToolButton>(background, "Picture.choose"), Qt::LeftButton);
  EXPECT_TRUE(said.contains(QString::fromStdString(broken))) << said.toStdString();
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(name->text(), "(None)");
  EXPECT_TRUE(ShowsColour(5, 5, kGrey));  // the grid is back

  WhenModal<QFileDialog>([&](QFileDialog* files) {
    guitest::ChooseInFileDialog(files, QString::fromStdString(picture));
  });
  QTest::mouseClick(Find<QToolButton>(background, "Picture.choose"), Qt::LeftButton);
  QTest::mouseClick(Find<QToolButton>(background, "Picture.clear"), Qt::LeftButton);
  EXPECT_EQ(name->text(), "(None)");
  EXPECT_TRUE(ShowsColour(5, 5, kGrey));
}

TEST_F(ObjPathDialogTest, GetFromAPictureTracesUnderTheHourglassWhileEventsRun) {
  Open();
  Press("Option1(1)");  // "Extrude"
  const std::string shape = Picture("shape.png", {{10, 10, 20, 30}});
  bool eventsRanDuringTrace = false;
  Qt::CursorShape cursorDuringTrace = Qt::ArrowCursor;
  WhenModal<QFileDialog>([&](QFileDialog* files) {
    guitest::ChooseInFileDialog(files, QString::fromStdString(shape));
    // The first turn the trace gives the event loop runs this.
    QTimer::singleShot(0, [&] {
      eventsRanDuringTrace = true;
      if (QApplication::overrideCursor())
        cursorDuringTrace = QApplication::overrideCursor()->shape();
    });
  });
  Press("Command3");
  EXPECT_TRUE(eventsRanDuringTrace);
  EXPECT_EQ(cursorDuringTrace, Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The corners of the box became the closed path; the area shows the
  // picture in two tones under it.
  ASSERT_GE(form_->Path().Count(), 4);
  EXPECT_EQ(form_->Path().MinX, 10);
  EXPECT_EQ(form_->Path().MaxX, 20);
  EXPECT_EQ(form_->Path().MaxY, 30);
  EXPECT_TRUE(ShowsColour(100, 100, qRgb(0, 0, 0)));
  EXPECT_TRUE(ShowsColour(15, 20, qRgb(255, 255, 255)));
  EXPECT_TRUE(ShowsNear(15, 30, kSegmentColour));
}

TEST_F(ObjPathDialogTest, DamagedPicturesInEitherChooserAreReportedAndChangeNothing) {
  Open();
  Press("Option1(1)");  // "Extrude": "Get from a Picture" is on
  QWidget* area = Area();
  for (auto [x, y] : {std::pair{20, 20}, std::pair{120, 30}, std::pair{60, 150}}) Click(area, x, y);
  Click(area, 60, 150, Qt::RightButton);
  const auto points = form_->Path().PathPoints.size();
  const QImage before = Shown();

  // Text named .png, an empty .png, and a real PNG cut to 200 bytes.
  std::vector<uint32_t> noise(static_cast<size_t>(kW) * kH);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = 0xFF000000u | (uint32_t(i * 2654435761u) >> 8);
  const std::string text = (dir_ / "text.png").string(), empty = (dir_ / "empty.png").string(),
                    cut = (dir_ / "cut.png").string();
  std::ofstream(text) << "no picture here";
  std::ofstream{empty};
  SavePicture(cut, kW, kH, noise);
  fs::resize_file(cut, 200);

  QWidget* choose = Find<QToolButton>(Find<QWidget>("KsProperties2"), "Picture.choose");
  for (QWidget* chooser : {static_cast<QWidget*>(Find<QPushButton>("Command3")), choose})
    for (const std::string& file : {text, empty, cut}) {
      SCOPED_TRACE(file);
      QString said;
      WhenModal<QFileDialog>([&](QFileDialog* files) {
        WhenModal<QMessageBox>([&](QMessageBox* box) {
          said = box->text();
          box->accept();
        });
        guitest::ChooseInFileDialog(files, QString::fromStdString(file));
      });
      QTest::mouseClick(chooser, Qt::LeftButton);
      EXPECT_TRUE(said.contains(QString::fromStdString(file))) << said.toStdString();
      EXPECT_TRUE(dialog_->isVisible());
      EXPECT_FALSE(form_->Closed());
      EXPECT_EQ(form_->Path().PathPoints.size(), points);
      EXPECT_EQ(Shown(), before);  // grid, path and markers as they were
    }
}

// Drawing a profile, correcting it with the mouse and the keyboard, as a
// person at the desktop would: drag two points, delete one, undo and redo.
TEST_F(ObjPathDialogTest, PointsAreDraggedDeletedAndTheEditsUndoneAndRedone) {
  Open();
  QWidget* area = Area();
  using Pt = std::pair<float, float>;
  auto points = [&] {
    std::vector<Pt> out;
    for (const PathPoint& p : form_->Path().PathPoints) out.push_back({p.X, p.Y});
    return out;
  };
  for (auto [x, y] : {std::pair{40, 40}, std::pair{120, 60}, std::pair{100, 200}})
    Click(area, x, y);
  Click(area, 100, 200, Qt::RightButton);
  const std::vector<Pt> drawn{{40, 40}, {120, 60}, {100, 200}};
  ASSERT_EQ(points(), drawn);

  // A drag starts on a marker (its square below and right of the point) and
  // moves the point with it.
  auto drag = [&](QPoint from, QPoint to) {
    QTest::mousePress(area, Qt::LeftButton, {}, from);
    MoveWith(area, (from + to) / 2, Qt::LeftButton);
    MoveWith(area, to, Qt::LeftButton);
    QTest::mouseRelease(area, Qt::LeftButton, {}, to);
  };
  drag({122, 62}, {150, 80});   // point 1 to (148, 78)
  drag({102, 202}, {90, 230});  // point 2 to (88, 228)
  const std::vector<Pt> dragged{{40, 40}, {148, 78}, {88, 228}};
  EXPECT_EQ(points(), dragged);
  EXPECT_TRUE(ShowsColour(149, 79, kMarkerColour));
  EXPECT_FALSE(ShowsColour(121, 61, kMarkerColour));

  // Delete removes the point under the mouse (keys go to the active window).
  dialog_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  MoveWith(area, {150, 80}, Qt::NoButton);
  QTest::keyClick(dialog_.get(), Qt::Key_Delete);
  const std::vector<Pt> deleted{{40, 40}, {88, 228}};
  EXPECT_EQ(points(), deleted);
  EXPECT_FALSE(ShowsColour(149, 79, kMarkerColour));

  // Undo and redo, by keys and by buttons.
  QTest::keyClick(dialog_.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(points(), dragged);
  Press("cmdUndo");
  Press("cmdUndo");
  EXPECT_EQ(points(), drawn);
  EXPECT_TRUE(ShowsColour(121, 61, kMarkerColour));
  QTest::keyClick(dialog_.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Press("cmdRedo");
  EXPECT_EQ(points(), dragged);
  // A press and release on a marker without a drag is an ordinary click: on
  // a finished path it starts a new one, which Undo takes back.
  Click(area, 42, 42);
  EXPECT_EQ(form_->Path().Count(), 1);
  Press("cmdUndo");
  EXPECT_EQ(points(), dragged);

  // Ctrl and a click on a segment inserts a point there.
  QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, QPoint(94, 59));
  EXPECT_EQ(points().size(), 4u);
  EXPECT_EQ(points()[1], (Pt{94, 59}));
}

TEST_F(ObjPathDialogTest, ZoomScalesTheViewButNotTheDrawingUnits) {
  Open();
  QWidget* area = Area();
  auto wheel = [&](QPoint at, int steps) {
    QWheelEvent event(at, area->mapToGlobal(at), {}, QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &event);
  };
  wheel({100, 100}, 3);  // 1.25^3 times
  EXPECT_NEAR(area->width(), kW * 1.953125, 1.5);
  // A click lands where the drawing's units put it, the pointer read-out too.
  const QPoint at(125, 250);  // (64, 128) in drawing units
  QTest::mouseMove(area, at);
  EXPECT_EQ(Find<QLabel>("PointerPosition")->text().toStdString(), "64.0, 128.0");
  Click(area, at.x(), at.y());
  ASSERT_EQ(form_->Path().Count(), 1);
  EXPECT_NEAR(form_->Path().PathPoints[0].X, 64, 0.01);
  EXPECT_NEAR(form_->Path().PathPoints[0].Y, 128, 0.01);
  // The marker shows scaled where the point is.
  EXPECT_TRUE(ShowsColour(at.x() + 3, at.y() + 3, kMarkerColour));
  // "Fit" shows the whole area in the view again; the dialog can grow.
  dialog_->resize(dialog_->width() + 200, dialog_->height() + 300);
  QApplication::processEvents();
  Press("cmdFit");
  auto* view = Find<QWidget>("Picture1View");
  EXPECT_GT(area->height(), kH);
  EXPECT_LE(area->height(), view->height());
  EXPECT_LE(area->width(), view->width());
}

TEST_F(ObjPathDialogTest, RefusedPointsAndCrossingSegmentsAreShownInTheDialog) {
  Open();
  QWidget* area = Area();
  Click(area, 60, 50);
  Click(area, 3, 200);  // across the axis
  EXPECT_TRUE(Find<QLabel>("lblStatus")->text().contains("axis"));
  Click(area, 60, 50, Qt::RightButton);
  Press("cmdClean");

  Press("Option1(1)");
  for (auto [x, y] :
       {std::pair{20, 20}, std::pair{100, 100}, std::pair{100, 20}, std::pair{20, 100}})
    Click(area, x, y);
  Click(area, 20, 100, Qt::RightButton);
  EXPECT_FALSE(ShowsNear(40, 40, kCrossingColour));
  WhenModal<QMessageBox>([](QMessageBox* box) { box->accept(); });
  Press("cmdGetObj");
  EXPECT_FALSE(form_->Closed());
  // Both diagonals cross: they show marked; the upright sides do not.
  EXPECT_TRUE(ShowsNear(40, 40, kCrossingColour));
  EXPECT_TRUE(ShowsNear(40, 80, kCrossingColour));
  EXPECT_FALSE(ShowsNear(100, 60, kCrossingColour));
  EXPECT_FALSE(Find<QLabel>("lblStatus")->text().isEmpty());
}

// The preview follows the path and the settings, says why when nothing can
// be built, and shows exactly what "Get Object" hands back.
TEST_F(ObjPathDialogTest, ThePreviewFollowsEveryEditAndShowsWhatGetObjectGives) {
  if (!PathPreview::CanDraw()) GTEST_SKIP() << "the preview needs an X server with OpenGL";
  Open();
  auto* preview = Find<PathPreview>("Preview");
  ASSERT_NE(preview, nullptr);
  EXPECT_FALSE(preview->Why().isEmpty());  // no path yet
  EXPECT_EQ(preview->Shown(), nullptr);
  auto shown = [&] { return std::dynamic_pointer_cast<CKsObject>(preview->Shown()); };
  auto inkPixels = [&] {
    const QImage frame = preview->grabFramebuffer();
    const QRgb background = frame.pixel(1, 1);
    int ink = 0;
    for (int y = 0; y < frame.height(); y += 2)
      for (int x = 0; x < frame.width(); x += 2) ink += frame.pixel(x, y) != background;
    return ink;
  };
  const int emptyInk = inkPixels();

  QWidget* area = Area();
  for (auto [x, y] : {std::pair{60, 40}, std::pair{120, 60}, std::pair{90, 200}}) Click(area, x, y);
  Click(area, 90, 200, Qt::RightButton);
  ASSERT_NE(shown(), nullptr);
  EXPECT_TRUE(preview->Why().isEmpty());
  EXPECT_EQ(shown()->VertexCount(), 3 * 8);  // three points at eight positions
  EXPECT_GT(inkPixels(), emptyInk + 200);

  // A setting and a dragged point rebuild it.
  std::vector<Variant> twelveSections{Variant(int32_t{0}), Variant(int32_t{12})};
  CallId(form_->Grid(1), grid::kSetRowValue, twelveSections);
  dialog_->Refresh();
  EXPECT_EQ(shown()->VertexCount(), 3 * 12);
  QTest::mousePress(area, Qt::LeftButton, {}, QPoint(122, 62));
  MoveWith(area, {160, 62}, Qt::LeftButton);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(160, 62));
  const auto vertices = shown()->Vertices();
  const std::vector<float> previewVertices(vertices.begin(), vertices.end());
  const auto triangles = shown()->Triangles();
  const std::vector<int32_t> previewTriangles(triangles.begin(), triangles.end());

  // "Get Object" gives what the preview showed.
  auto object = std::dynamic_pointer_cast<CKsObject>(rt_->CreateObject("Kestrel.CKsObject"));
  form_->Object3D = object;
  Press("cmdGetObj");
  ASSERT_TRUE(form_->Closed());
  EXPECT_EQ(std::vector<float>(object->Vertices().begin(), object->Vertices().end()),
            previewVertices);
  EXPECT_EQ(std::vector<int32_t>(object->Triangles().begin(), object->Triangles().end()),
            previewTriangles);
}

TEST_F(ObjPathDialogTest, ThePreviewSaysWhyACrossingPathCannotBeBuilt) {
  if (!PathPreview::CanDraw()) GTEST_SKIP() << "the preview needs an X server with OpenGL";
  Open();
  Press("Option1(1)");
  QWidget* area = Area();
  for (auto [x, y] :
       {std::pair{20, 20}, std::pair{100, 100}, std::pair{100, 20}, std::pair{20, 100}})
    Click(area, x, y);
  Click(area, 20, 100, Qt::RightButton);
  auto* preview = Find<PathPreview>("Preview");
  EXPECT_EQ(preview->Why().toStdString(), frmObjPath::kMsgIntersect);
  EXPECT_EQ(preview->Shown(), nullptr);
  // Undone back to three points (unfinished, then the fourth point gone).
  dialog_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  QTest::keyClick(dialog_.get(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(dialog_.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(form_->Path().Count(), 3);
  EXPECT_NE(preview->Shown(), nullptr);
  EXPECT_TRUE(preview->Why().isEmpty());
}

}  // namespace
}  // namespace ks::objpath
