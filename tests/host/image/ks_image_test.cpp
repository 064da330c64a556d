#include "host/image/ks_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "host/form.h"
#include "host/picture_surface.h"
#include "host/runtime.h"

namespace {

namespace fs = std::filesystem;
using ks::Rgb;
using ks::Variant;

constexpr int kAreaW = 266, kAreaH = 343;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

// Inclusive pixel rectangle.
struct Box {
  int left, top, right, bottom;
};

// Answers the open-file dialog with a prepared choice and records the request.
class ChoosingPerson : public ks::HeadlessPerson {
 public:
  std::optional<std::string> answer;
  std::vector<ks::OpenFileRequest> requests;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& r) override {
    requests.push_back(r);
    return answer;
  }
};

// Every test runs twice: with the classes linked in (false) and created from
// the image module the host loads (true); both must behave alike.
class ImageLibraryTest : public ::testing::TestWithParam<bool> {
 protected:
  fs::path dir_ = fs::temp_directory_path() / ("ks-image-test-" + TestFolderName());
  std::optional<ks::Runtime> rt_;
  // "Test/Module" as one folder name.
  static std::string TestFolderName() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
  }
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    rt_.emplace(dir_ / "registry.ini");
    if (GetParam())
      ks::RegisterImageModule(*rt_, KS_IMAGE_MODULE);
    else
      ks::RegisterImageClasses(*rt_);
  }
  void TearDown() override {
    rt_.reset();
    fs::remove_all(dir_);
  }

  // A white picture with rectangles of ink (0xAARRGGBB), saved as name.
  std::string Picture(const std::string& name, int w, int h, std::initializer_list<Box> dark = {},
                      uint32_t ink = kBlack) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, kOpaqueWhite);
    for (const Box& b : dark)
      for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x) px[static_cast<size_t>(y) * w + x] = ink;
    std::string file = (dir_ / name).string();
    ks::SavePicture(file, w, h, px);
    return file;
  }

  // Runs ColorToBN through late binding, as the dialog does.
  void ColorToBN(const std::string& file, const ks::RegisteredSurface& target, bool twoTone,
                 int16_t threshold, bool light) {
    ks::ObjectRef fx = rt_->CreateObject("KsCommon.ImageFX");
    std::vector<Variant> args{
        Variant(file),          Variant(target.Handle()), Variant(target.Handle()),
        Variant(twoTone),       Variant(threshold),       Variant(light),
        Variant(float(kAreaW)), Variant(float(kAreaH))};
    ks::Call(fx, "ColorToBN", args);
  }
  void Trace(const std::string& file, ks::RegisteredSurface& target) {
    target.Surface().SetBackColor(0);
    target.Surface().Clear();
    ColorToBN(file, target, true, 128, false);
  }
};

int CountInk(const ks::PictureSurface& s) {
  int n = 0;
  for (int32_t c : s.Pixels()) n += c > 0;
  return n;
}

INSTANTIATE_TEST_SUITE_P(LinkedAndModule, ImageLibraryTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Module" : "Linked"; });

TEST(FitPicture, KeepsTheAspectRatioAndCentres) {
  using ks::FitPicture;
  using R = ks::PictureRect;
  EXPECT_EQ(FitPicture(kAreaW, kAreaH, kAreaW, kAreaH), (R{0, 0, kAreaW, kAreaH}));
  EXPECT_EQ(FitPicture(2 * kAreaW, 2 * kAreaH, kAreaW, kAreaH), (R{0, 0, kAreaW, kAreaH}));
  EXPECT_EQ(FitPicture(532, 100, kAreaW, kAreaH), (R{0, 146, 266, 50}));  // wide
  EXPECT_EQ(FitPicture(100, 686, kAreaW, kAreaH), (R{108, 0, 50, 343}));  // tall
  EXPECT_EQ(FitPicture(133, 100, kAreaW, kAreaH), (R{0, 71, 266, 200}));  // small: enlarged
  EXPECT_EQ(FitPicture(10000, 1, kAreaW, kAreaH), (R{0, 171, 266, 1}));   // never 0 high
  EXPECT_EQ(FitPicture(0, 5, kAreaW, kAreaH), R{});
}

TEST_P(ImageLibraryTest, TraceDrawsDarkPixelsWhiteOneToOneAtTheAreaSize) {
  std::string file = Picture("rect.png", kAreaW, kAreaH, {{10, 10, 20, 30}});
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH);
  Trace(file, area);
  const auto& s = area.Surface();
  EXPECT_EQ(CountInk(s), 11 * 21);
  EXPECT_EQ(s.Pixel(10, 10), kWhite);
  EXPECT_EQ(s.Pixel(20, 30), kWhite);
  EXPECT_EQ(s.Pixel(9, 10), 0);
  EXPECT_EQ(s.Pixel(21, 30), 0);
  EXPECT_EQ(s.Pixel(20, 31), 0);
}

TEST_P(ImageLibraryTest, ThresholdSplitsAtLuminance128AndTransparencyIsLight) {
  const std::vector<uint32_t> px{
      0xFF7F7F7F,  // grey 127: just darker than the threshold
      0xFF808080,  // grey 128: at the threshold, light
      0x00000000,  // transparent black: light
      0xFF0000FF,  // pure blue is dark (luminance 29)
  };
  std::string file = (dir_ / "tones.png").string();
  ks::SavePicture(file, 4, 1, px);
  // Drawn into a 4 × 1 area so no scaling is involved.
  ks::RegisteredSurface area(*rt_, 4, 1);
  ks::ObjectRef fx = rt_->CreateObject("KsCommon.ImageFX");
  std::vector<Variant> args{Variant(file), Variant(area.Handle()), Variant(area.Handle()),
                            Variant(true), Variant(int16_t{128}),  Variant(false),
                            Variant(4.0f), Variant(1.0f)};
  ks::Call(fx, "ColorToBN", args);
  EXPECT_EQ(area.Surface().Pixel(0, 0), kWhite);
  EXPECT_EQ(area.Surface().Pixel(1, 0), 0);
  EXPECT_EQ(area.Surface().Pixel(2, 0), 0);
  EXPECT_EQ(area.Surface().Pixel(3, 0), kWhite);
}

TEST_P(ImageLibraryTest, LargerPicturesAreScaledToFitAndCentred) {
  // Twice the area's size: a 40 × 80 block at (20, 20) becomes 20 × 40 at (10, 10).
  std::string big = Picture("big.png", 2 * kAreaW, 2 * kAreaH, {{20, 20, 59, 99}});
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH);
  Trace(big, area);
  const auto& s = area.Surface();
  EXPECT_EQ(CountInk(s), 20 * 40);
  EXPECT_EQ(s.Pixel(10, 10), kWhite);
  EXPECT_EQ(s.Pixel(29, 49), kWhite);
  EXPECT_EQ(s.Pixel(30, 49), 0);

  // A wide picture: scaled to the area's width, centred vertically; the bands
  // above and below keep the cleared colour.
  std::string wide = Picture("wide.bmp", 532, 100, {{0, 0, 531, 99}});
  Trace(wide, area);
  EXPECT_EQ(s.Pixel(0, 145), 0);
  EXPECT_EQ(s.Pixel(0, 146), kWhite);
  EXPECT_EQ(s.Pixel(265, 195), kWhite);
  EXPECT_EQ(s.Pixel(0, 196), 0);
  EXPECT_EQ(CountInk(s), 266 * 50);
}

TEST_P(ImageLibraryTest, BackgroundCallDrawsTheFadedPictureOverTheArea) {
  std::string file = Picture("logo.png", 100, kAreaH, {{0, 0, 49, kAreaH - 1}}, 0xFF0040C8);
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH, Rgb(192, 192, 192));
  area.Surface().Clear();
  ColorToBN(file, area, false, 0, true);
  const auto& s = area.Surface();
  EXPECT_EQ(s.Pixel(82, 5), Rgb(192, 192, 192));  // left of the centred picture
  EXPECT_EQ(s.Pixel(83, 5), Rgb(128, 160, 228));  // the colour, halfway to white
  EXPECT_EQ(s.Pixel(83 + 60, 5), kWhite);         // white stays white
  EXPECT_EQ(s.Pixel(183, 5), Rgb(192, 192, 192));
}

TEST_P(ImageLibraryTest, ReadsJpegGifAndBmp) {
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH);
  for (const char* name : {"p.jpg", "p.bmp"}) {
    Trace(Picture(name, kAreaW, kAreaH, {{40, 40, 139, 139}}), area);
    EXPECT_EQ(area.Surface().Pixel(90, 90), kWhite) << name;
    EXPECT_EQ(area.Surface().Pixel(10, 10), 0) << name;
  }
  // A 2 × 1 GIF (black, white), written byte by byte.
  const unsigned char gif[] = {'G', 'I', 'F',  '8',  '9', 'a', 2,   0,   1, 0, 0x80,
                               0,   0,   0,    0,    0,   255, 255, 255,  // palette: black, white
                               ',', 0,   0,    0,    0,   2,   0,   1,   0, 0,  // image descriptor
                               2,   2,   0x44, 0x0A, 0,  // LZW: clear, 0, 1, end
                               ';'};
  std::string gifFile = (dir_ / "p.gif").string();
  std::ofstream(gifFile, std::ios::binary).write(reinterpret_cast<const char*>(gif), sizeof gif);
  ks::RegisteredSurface pair(*rt_, 2, 1);
  ks::ImageFX(*rt_).ColorToBN(gifFile, 0, pair.Handle(), true, 128, false, 2, 1);
  EXPECT_EQ(pair.Surface().Pixel(0, 0), kWhite);
  EXPECT_EQ(pair.Surface().Pixel(1, 0), 0);
}

TEST_P(ImageLibraryTest, UnreadableFilesAreErrorsNamingTheFile) {
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH);
  std::string text = (dir_ / "notes.png").string();
  std::ofstream(text) << "this is not a picture";
  try {
    ColorToBN(text, area, true, 128, false);
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kInvalidPicture);
    EXPECT_NE(e.description().find(text), std::string::npos) << e.description();
    EXPECT_GT(e.description().size(), text.size() + 25) << "no reason given: " << e.description();
  }
  std::string missing = (dir_ / "missing.png").string();
  try {
    ColorToBN(missing, area, true, 128, false);
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_EQ(e.number(), ks::err::kFileNotFound);
    EXPECT_NE(e.description().find(missing), std::string::npos);
  }
  EXPECT_EQ(CountInk(area.Surface()), 0);  // nothing drawn
  // A handle no picture box has.
  EXPECT_THROW(ks::ImageFX(*rt_).ColorToBN(text, 0, 12345, true, 128, false, 10, 10), ks::ComError);
}

TEST_P(ImageLibraryTest, LoadAsksForAPictureAndRemembersItsFolder) {
  auto person = std::make_shared<ChoosingPerson>();
  rt_->SetPerson(person);
  ks::ObjectRef image = rt_->CreateObject("KsCommon.CKsImage");
  ks::Put(image, "REGKEY", Variant("SOFTWARE\\Ardeno\\KsObjPath"));

  // Cancelled: "" and nothing stored.
  EXPECT_EQ(ks::Call(image, "Load").ToString(), "");
  ASSERT_EQ(person->requests.size(), 1u);
  EXPECT_NE(person->requests[0].filter.find("*.png"), std::string::npos);
  EXPECT_FALSE(rt_->Registry().Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsObjPath",
                                    ks::kPictureFolderValue));

  std::string chosen = (dir_ / "pics" / "logo.png").string();
  person->answer = chosen;
  EXPECT_EQ(ks::Call(image, "Load").ToString(), chosen);
  // The next choice starts in that folder, also for a new component.
  ks::ObjectRef again = rt_->CreateObject("KsCommon.CKsImage");
  ks::Put(again, "REGKEY", Variant("SOFTWARE\\Ardeno\\KsObjPath"));
  ks::Call(again, "Load");
  EXPECT_EQ(person->requests.back().initialDir, (dir_ / "pics").string());
}

}  // namespace

// A PNG of the given size with an empty image data chunk: enough for its size
// to be read, no pixels behind it.
std::string PngHeaderOnly(uint32_t width, uint32_t height) {
  auto crc32 = [](std::string_view bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
  };
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
  };
  std::string ihdr = "IHDR" + be32(width) + be32(height) + std::string("\x08\x00\x00\x00\x00", 5);
  auto chunk = [&](const std::string& kindAndData) {
    return be32(static_cast<uint32_t>(kindAndData.size() - 4)) + kindAndData +
           be32(crc32(kindAndData));
  };
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk(ihdr) + chunk("IDAT") + chunk("IEND");
}

TEST_P(ImageLibraryTest, PictureTooLargeToHoldIsRefusedByItsSizeBeforeDecoding) {
  ks::RegisteredSurface area(*rt_, kAreaW, kAreaH);
  const std::string file = (dir_ / "huge.png").string();
  std::ofstream(file, std::ios::binary) << PngHeaderOnly(20000, 20000);
  for (bool twoTone : {true, false}) {  // traced, or shown as the background
    try {
      ColorToBN(file, area, twoTone, 128, !twoTone);
      FAIL();
    } catch (const ks::ComError& e) {
      EXPECT_EQ(e.number(), ks::err::kInvalidPicture);
      EXPECT_NE(e.description().find(file + ": it is 20000 x 20000 pixels, more than the"),
                std::string::npos)
          << e.description();
    }
  }
  EXPECT_EQ(CountInk(area.Surface()), 0);
}
