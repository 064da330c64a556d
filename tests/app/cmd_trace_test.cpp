// kestrel trace end to end: pictures drawn here, the built KsObjPath plug-in
// loaded by class name, its dialog worked by the command's scripted person.
#include "app/cmd_trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/host_classes.h"
#include "host/image/ks_image.h"
#include "host/runtime.h"

namespace {

namespace fs = std::filesystem;

constexpr int kW = 266, kH = 343;

// The plug-ins are built next to the test programs: bin/../plugins.
fs::path PluginFolder() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "plugins";
}

class TraceCommandTest : public ::testing::Test {
 protected:
  fs::path dir_ =
      fs::temp_directory_path() / ("ks-trace-cmd-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::unique_ptr<ks::Runtime> rt_;

  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    rt_ = std::make_unique<ks::Runtime>(dir_ / "registry.ini");
    ks::RegisterHostClasses(*rt_);
    ASSERT_TRUE(fs::exists(PluginFolder() / "libKsObjPath.so"))
        << "build the KsObjPath plug-in first: " << PluginFolder();
    EXPECT_TRUE(kestrel::RegisterPluginFolder(*rt_, PluginFolder()).empty());
  }
  void TearDown() override {
    rt_.reset();
    fs::remove_all(dir_);
  }

  // A white picture of the drawing area's size with dark boxes (inclusive corners).
  std::string Picture(const std::string& name, std::vector<std::array<int, 4>> boxes) {
    std::vector<uint32_t> px(static_cast<size_t>(kW) * kH, 0xFFFFFFFF);
    for (auto [l, t, r, b] : boxes)
      for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x) px[static_cast<size_t>(y) * kW + x] = 0xFF202020;
    std::string file = (dir_ / name).string();
    ks::SavePicture(file, kW, kH, px);
    return file;
  }
  int Run(const kestrel::TraceOptions& options, std::string& out, std::string& err) {
    kestrel::AppContext ctx{*rt_, PluginFolder()};
    std::ostringstream o, e;
    int rc = kestrel::RunTrace(ctx, options, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST_F(TraceCommandTest, ExtrudesTheOutlineOfTheFirstDarkShape) {
  kestrel::TraceOptions options;
  options.picture = Picture("boxes.png", {{10, 10, 20, 30}, {100, 50, 200, 250}});
  kestrel::TraceOutcome outcome = kestrel::TraceThroughDialog(*rt_, options);
  ASSERT_TRUE(outcome.object) << (outcome.messages.empty() ? "" : outcome.messages[0]);
  // The path is the corners (20, 10), (20, 30), (10, 30), (10, 10): centred
  // on x 15 and y 20, five model units a pixel, x mirrored, height 40.
  EXPECT_EQ(outcome.tracedPoints, 4);
  const std::vector<float> bottom{-25, -100, -50, -25, -100, 50, 25, -100, 50, 25, -100, -50};
  std::vector<float> expected = bottom;
  for (size_t i = 0; i < bottom.size(); i += 3)
    expected.insert(expected.end(), {bottom[i], 100, bottom[i + 2]});
  auto vertices = outcome.object->Vertices();
  EXPECT_EQ(std::vector<float>(vertices.begin(), vertices.end()), expected);
  // Caps fanned from the last point, then the four sides as quads.
  const std::vector<int32_t> triangles{3, 2, 0, 2, 1, 0, 4, 6, 7, 4, 5, 6, 4, 0, 1, 1, 5, 4,
                                       5, 1, 2, 2, 6, 5, 6, 2, 3, 3, 7, 6, 7, 3, 0, 0, 4, 7};
  auto got = outcome.object->Triangles();
  EXPECT_EQ(std::vector<int32_t>(got.begin(), got.end()), triangles);
  EXPECT_EQ(outcome.object->Name(), "ObjPath");
}

TEST_F(TraceCommandTest, HeightSummaryAndExport) {
  kestrel::TraceOptions options;
  options.picture = Picture("box.png", {{10, 10, 20, 30}});
  options.height = 11;  // half of it, -5.5, rounds to even: bottom 5 × -6, top 5 × (11 - 6)
  options.exportFile = dir_ / "box.obj";
  std::string out, err;
  ASSERT_EQ(Run(options, out, err), kestrel::kExitOk) << err;
  EXPECT_NE(out.find("traced 4 points from " + options.picture.string()), std::string::npos) << out;
  EXPECT_NE(out.find("8 vertices, 12 triangles"), std::string::npos) << out;
  EXPECT_TRUE(fs::exists(options.exportFile));

  kestrel::TraceOutcome outcome = kestrel::TraceThroughDialog(*rt_, options);
  ASSERT_TRUE(outcome.object);
  EXPECT_EQ(outcome.object->Vertices()[1], -30.0f);  // round(-5.5) = -6
  EXPECT_EQ(outcome.object->Vertices()[13], 25.0f);
}

// A triangle with sloped sides: its traced outline runs in nearly straight
// zig-zags, where the whole-degree cone test leaves three-corner slivers that
// look reflex. They are triangles, so the object is built.
TEST_F(TraceCommandTest, APictureWithSlopedEdgesExtrudes) {
  std::vector<std::array<int, 4>> rows;
  for (int y = 30; y <= 300; ++y)
    rows.push_back({133 - (y - 30) * 103 / 270, y, 133 + (y - 30) * 107 / 270, y});
  kestrel::TraceOptions options;
  options.picture = Picture("triangle.png", rows);
  std::string out, err;
  EXPECT_EQ(Run(options, out, err), kestrel::kExitOk) << err;
  EXPECT_NE(out.find("ObjPath"), std::string::npos) << out;
}

TEST_F(TraceCommandTest, PicturesWithoutAnOutlineFailAndABridgedOneBuilds) {
  kestrel::TraceOptions options;
  options.picture = Picture("blank.png", {});
  std::string out, err;
  EXPECT_EQ(Run(options, out, err), kestrel::kExitFailed);
  EXPECT_NE(err.find("no outline found in " + options.picture.string()), std::string::npos);
  EXPECT_EQ(out, "");

  // Two boxes joined by a thin diagonal bridge: the outline runs along the
  // bridge and back over itself without crossing, so the cap is two boxes
  // joined by slivers and the object is built.
  options.picture = Picture(
      "bridge.png", {{10, 10, 20, 20}, {21, 21, 21, 21}, {22, 22, 22, 22}, {23, 23, 33, 33}});
  EXPECT_EQ(Run(options, out, err), kestrel::kExitOk) << err;

  std::ofstream(dir_ / "broken.png") << "not a picture";
  options.picture = dir_ / "broken.png";
  EXPECT_EQ(Run(options, out, err), kestrel::kExitFailed);
  EXPECT_NE(err.find(options.picture.string()), std::string::npos) << err;
}

}  // namespace
