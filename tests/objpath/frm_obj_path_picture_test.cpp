// The path dialog's drawing-area background and "Get from a Picture", worked
// through the dialog's events with the real image library.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "host/image/ks_image.h"
#include "host/picture_surface.h"
#include "objpath/frm_obj_path.h"
#include "objpath_fakes.h"

namespace {

namespace fs = std::filesystem;
using ks::Rgb;
using ks::Variant;
using objpath_test::FakeGrid;

constexpr int kW = 266, kH = 343;
constexpr int32_t kGrey = Rgb(192, 192, 192), kGridLine = Rgb(210, 210, 210);

// Chooses a prepared picture file (or cancels) in the open-file dialog.
class PickingPerson : public objpath_test::TestPerson {
 public:
  std::optional<std::string> picture;
  std::vector<ks::OpenFileRequest> requests;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& r) override {
    requests.push_back(r);
    return picture;
  }
  std::function<void()> duringTrace;  // "user events" while the trace yields
  void DoEvents() override {
    if (duringTrace) duringTrace();
  }
};

class PicturePathTest : public ::testing::Test {
 protected:
  fs::path dir_ =
      fs::temp_directory_path() / ("ks-objpath-picture-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::unique_ptr<ks::Runtime> rt_;
  std::shared_ptr<PickingPerson> person_ = std::make_shared<PickingPerson>();
  std::unique_ptr<ks::objpath::frmObjPath> form_;

  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    rt_ = std::make_unique<ks::Runtime>(dir_ / "registry.ini");
    rt_->RegisterClass(std::string(FakeGrid::kClassName),
                       [](ks::Runtime&) -> ks::ObjectRef { return std::make_shared<FakeGrid>(); });
    ks::RegisterImageClasses(*rt_);
    rt_->SetPerson(person_);
    form_ = std::make_unique<ks::objpath::frmObjPath>(*rt_);
    form_->Fire("Form_Load");
  }
  void TearDown() override {
    form_.reset();
    rt_.reset();
    fs::remove_all(dir_);
  }

  const ks::PictureSurface& Area() const { return form_->Picture1Image(); }
  FakeGrid& PictureGrid() { return static_cast<FakeGrid&>(*form_->Grid(2)); }
  void SetPictureRow(const std::string& text) {
    std::vector<Variant> args{Variant(int32_t{0}), Variant(text)};
    ks::CallId(form_->Grid(2), ks::grid::kSetRowValue, args);
  }
  // A white picture of the area's size with black boxes (inclusive corners).
  std::string Picture(const std::string& name, std::vector<std::array<int, 4>> boxes,
                      uint32_t ink = 0xFF000000) {
    std::vector<uint32_t> px(static_cast<size_t>(kW) * kH, 0xFFFFFFFF);
    for (auto [l, t, r, b] : boxes)
      for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x) px[static_cast<size_t>(y) * kW + x] = ink;
    std::string file = (dir_ / name).string();
    ks::SavePicture(file, kW, kH, px);
    return file;
  }
  bool IsGrid() const {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool line = x % 20 == 1 || y % 20 == 1;
        if (Area().Pixel(x, y) != (line ? kGridLine : kGrey)) return false;
      }
    return true;
  }
  std::vector<std::pair<float, float>> Points() const {
    std::vector<std::pair<float, float>> out;
    for (const auto& p : form_->Path().PathPoints) out.push_back({p.X, p.Y});
    return out;
  }
};

TEST_F(PicturePathTest, TheAreaStartsWithTheGridAndThePictureRowSwitchesIt) {
  EXPECT_TRUE(IsGrid());
  EXPECT_EQ(Area().Pixel(261, 0), kGridLine);  // the last vertical line
  EXPECT_EQ(Area().Pixel(0, 341), kGridLine);  // the last horizontal line

  // A picture as background: faded, no grid over it.
  SetPictureRow(Picture("bg.png", {{0, 0, 9, 9}}));
  EXPECT_EQ(Area().Pixel(0, 0), Rgb(128, 128, 128));
  EXPECT_EQ(Area().Pixel(1, 30), 0xFFFFFF);
  // "(None)" brings the grid back.
  SetPictureRow("(None)");
  EXPECT_TRUE(IsGrid());
}

TEST_F(PicturePathTest, ABackgroundThatCannotBeShownIsReportedAndTheGridComesBack) {
  const std::string broken = (dir_ / "broken.png").string();
  std::ofstream(broken) << "no picture here";
  const std::string missing = (dir_ / "gone.png").string();
  for (const std::string& file : {broken, missing}) {
    SCOPED_TRACE(file);
    SetPictureRow(Picture("bg.png", {{0, 0, 9, 9}}));  // a picture shows first
    person_->messages.clear();
    SetPictureRow(file);
    ASSERT_EQ(person_->messages.size(), 1u);
    const auto& message = person_->messages[0];
    EXPECT_NE(message.text.find(file), std::string::npos);  // names the file
    EXPECT_GT(message.text.size(), file.size() + 25);       // and says why
    EXPECT_EQ(message.icon, ks::MsgIcon::Exclamation);
    EXPECT_TRUE(IsGrid());
    EXPECT_EQ(PictureGrid().rows[0].value, Variant("(None)"));
  }
}

TEST_F(PicturePathTest, GetFromAPictureTracesTheFirstShapeIntoAClosedPath) {
  form_->Fire("Option1_Click", {Variant(int16_t{1})});  // "Extrude" enables the button
  // An earlier path is replaced by the traced one.
  form_->Fire("Picture1_MouseDown",
              {Variant(int16_t{1}), Variant(int16_t{0}), Variant(5.0f), Variant(5.0f)});
  person_->picture = Picture("shape.png", {{10, 10, 20, 30}, {100, 100, 120, 150}});
  form_->Fire("Command3_Click");
  EXPECT_EQ(Points(),
            (std::vector<std::pair<float, float>>{{20, 10}, {20, 30}, {10, 30}, {10, 10}}));
  EXPECT_FALSE(form_->Editor().Drawing);
  EXPECT_FALSE(form_->Check1.enabled);
  // The area shows the picture in two tones until the background changes.
  EXPECT_EQ(Area().Pixel(15, 15), 0xFFFFFF);
  EXPECT_EQ(Area().Pixel(110, 140), 0xFFFFFF);
  EXPECT_EQ(Area().Pixel(5, 5), 0);
  // The file was asked for with the picture filter, and its folder remembered.
  ASSERT_EQ(person_->requests.size(), 1u);
  auto folder = rt_->Registry().Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsObjPath",
                                     ks::kPictureFolderValue);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->ToString(), dir_.string());
  EXPECT_EQ(person_->pointers.back(), ks::kPointerDefault);

  // "Get Object" builds the extrusion of the traced outline.
  auto object = std::make_shared<objpath_test::RecordingMesh>();
  form_->Object3D = object;
  form_->Fire("cmdGetObj_Click");
  EXPECT_TRUE(form_->ObjectBuilt);
  EXPECT_EQ(object->vertices.size() % 3, 0u);
  EXPECT_FALSE(object->polygons.empty());
}

TEST_F(PicturePathTest, ATraceCannotBeRestartedWhileItRunsAndStopsWhenTheDialogCloses) {
  form_->Fire("Option1_Click", {Variant(int16_t{1})});
  person_->picture = Picture("shape.png", {{10, 10, 20, 30}});
  int turns = 0;
  person_->duringTrace = [&] {
    ++turns;
    form_->Fire("Command3_Click");  // ignored: the button is off
  };
  form_->Fire("Command3_Click");
  EXPECT_GT(turns, 0);
  EXPECT_EQ(person_->requests.size(), 1u);
  EXPECT_EQ(form_->Path().LastPoint, 3);
  EXPECT_TRUE(form_->Command3.enabled);

  // Cancel pressed during the trace: the dialog unloads and the trace ends.
  turns = 0;
  person_->duringTrace = [&] {
    if (++turns == 15) form_->Fire("cmdCancel_Click");
  };
  form_->Fire("Command3_Click");
  EXPECT_EQ(turns, 15);
  EXPECT_TRUE(form_->Closed());
  EXPECT_EQ(form_->Path().LastPoint, -1);
  EXPECT_EQ(person_->pointers.back(), ks::kPointerDefault);
}

TEST_F(PicturePathTest, ACancelledChoiceOrAnEmptyPictureChangesNothingOrNothingIsFound) {
  form_->Fire("Option1_Click", {Variant(int16_t{1})});
  for (float x : {5.0f, 50.0f})
    form_->Fire("Picture1_MouseDown",
                {Variant(int16_t{1}), Variant(int16_t{0}), Variant(x), Variant(5.0f)});
  form_->Fire("Command3_Click");  // cancelled
  EXPECT_EQ(form_->Path().LastPoint, 1);
  EXPECT_TRUE(IsGrid());
  EXPECT_TRUE(person_->pointers.empty());

  person_->picture = Picture("blank.png", {});
  form_->Fire("Command3_Click");
  EXPECT_EQ(form_->Path().LastPoint, -1);  // cleared, nothing traced
  EXPECT_EQ(Area().Pixel(100, 100), 0);    // the blank picture shows black
  EXPECT_EQ(person_->pointers.back(), ks::kPointerDefault);
}

// The three ways a picture file arrives damaged: text under a picture's name,
// an empty file, and a real PNG cut off after 200 bytes.
std::vector<std::string> DamagedPictures(const fs::path& dir, const std::string& wholePng) {
  const std::string text = (dir / "text.png").string(), empty = (dir / "empty.png").string(),
                    cut = (dir / "cut.png").string();
  std::ofstream(text) << "no picture here";
  std::ofstream{empty};
  fs::copy_file(wholePng, cut);
  EXPECT_GT(fs::file_size(cut), 200u);
  fs::resize_file(cut, 200);
  return {text, empty, cut};
}

TEST_F(PicturePathTest, ADamagedPictureIsReportedAndLeavesPathAndAreaAsTheyWere) {
  form_->Fire("Option1_Click", {Variant(int16_t{1})});
  // A background picture shows and a path is drawn.
  SetPictureRow(Picture("bg.png", {{0, 0, 9, 9}}));
  for (float x : {5.0f, 50.0f, 50.0f})
    form_->Fire("Picture1_MouseDown", {Variant(int16_t{1}), Variant(int16_t{0}), Variant(x),
                                       Variant(x == 5 ? 5.f : 60.f)});
  form_->Fire("Picture1_MouseDown",
              {Variant(int16_t{2}), Variant(int16_t{0}), Variant(9.0f), Variant(9.0f)});
  const auto points = Points();
  const std::vector<int32_t> shown(Area().Pixels().begin(), Area().Pixels().end());
  // A noisy picture, so that 200 bytes are well inside its pixel data.
  std::vector<uint32_t> noise(static_cast<size_t>(kW) * kH);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = 0xFF000000u | (uint32_t(i * 2654435761u) >> 8);
  const std::string whole = (dir_ / "noise.png").string();
  ks::SavePicture(whole, kW, kH, noise);

  for (const std::string& file : DamagedPictures(dir_, whole)) {
    SCOPED_TRACE(file);
    person_->messages.clear();
    person_->picture = file;
    form_->Fire("Command3_Click");  // no error escapes the click
    ASSERT_EQ(person_->messages.size(), 1u);
    EXPECT_NE(person_->messages[0].text.find(file), std::string::npos);  // names the file
    EXPECT_GT(person_->messages[0].text.size(), file.size() + 25);       // and says why
    EXPECT_EQ(person_->messages[0].icon, ks::MsgIcon::Exclamation);
    EXPECT_FALSE(form_->Closed());
    EXPECT_EQ(Points(), points);  // the path is kept
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), Area().Pixels().begin()));
    EXPECT_TRUE(person_->pointers.empty() || person_->pointers.back() == ks::kPointerDefault);
    EXPECT_TRUE(form_->Command3.enabled);  // and can be pressed again
  }
}

// Views show the form again when it says it changed: at every turn a trace
// gives the interface (its points appear as they come), after events and at
// a grid's change.
TEST_F(PicturePathTest, TheFormTellsItsViewWhenItChangedAlsoDuringATrace) {
  form_->Fire("Option1_Click", {Variant(int16_t{1})});
  std::vector<int32_t> pointsSeen;
  int tracingCalls = 0;
  form_->Changed = [&] {
    pointsSeen.push_back(form_->Path().Count());
    if (form_->Tracing) ++tracingCalls;
  };
  person_->picture = Picture("shape.png", {{10, 10, 20, 30}});
  form_->Fire("Command3_Click");
  EXPECT_FALSE(form_->Tracing);
  EXPECT_GT(tracingCalls, 20);
  ASSERT_GE(pointsSeen.size(), 3u);
  // Told with the path growing, and once more after the click.
  EXPECT_EQ(pointsSeen.front(), 0);
  EXPECT_EQ(pointsSeen.back(), form_->Path().Count());
  EXPECT_TRUE(std::find(pointsSeen.begin(), pointsSeen.end(), 2) != pointsSeen.end());
  pointsSeen.clear();
  std::vector<Variant> height{Variant(int32_t{0}), Variant(int32_t{70})};
  ks::CallId(form_->Grid(3), ks::grid::kSetRowValue, height);
  EXPECT_EQ(pointsSeen.size(), 1u);
  form_->Changed = nullptr;
}

TEST_F(PicturePathTest, AnEventTheFormDoesNotHaveIsRaisedToTheCaller) {
  EXPECT_THROW(form_->Fire("Command4_Click"), ks::ComError);
  EXPECT_THROW(form_->Fire("KsProperties4_Change"), ks::ComError);
  EXPECT_NO_THROW(form_->Fire("KsProperties2_LostFocus"));
}

}  // namespace
