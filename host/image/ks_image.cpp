#include "host/image/ks_image.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <string>

#include "host/picture_surface.h"
#include "host/runtime.h"
#include "host/variant.h"

namespace ks {
namespace {

constexpr std::string_view kImageSource = kImageFxClassName;

// round(a * b / c) for positive values, halves up.
int ScaleRounded(int64_t a, int64_t b, int64_t c) {
  return static_cast<int>((2 * a * b + c) / (2 * c));
}

QImage Decode(const std::string& file) {
  QString name = QString::fromStdString(file);
  if (!QFileInfo(name).isFile())
    throw ComError(err::kFileNotFound, "Cannot open the picture " + file + ": file not found",
                   std::string(kImageSource));
  QImageReader reader(name);
  // A picture whose pixels would take more memory than the image reader may
  // allocate is refused by its size, read from the header, before decoding.
  const QSize size = reader.size();
  const int64_t maxPixels = int64_t{QImageReader::allocationLimit()} * 1024 * 1024 / 4;
  if (maxPixels > 0 && size.isValid() && int64_t{size.width()} * size.height() > maxPixels)
    throw ComError(err::kInvalidPicture,
                   "Cannot read the picture " + file + ": it is " + std::to_string(size.width()) +
                       " x " + std::to_string(size.height()) + " pixels, more than the " +
                       std::to_string(maxPixels) + " pixels a picture may have",
                   std::string(kImageSource));
  QImage image = reader.read();
  if (image.isNull()) {
    std::string why = reader.errorString().toStdString();
    throw ComError(err::kInvalidPicture,
                   "Cannot read the picture " + file + ": " + (why.empty() ? "unknown error" : why),
                   std::string(kImageSource));
  }
  return image;
}

// The picture laid over white, so transparent parts count as light.
QImage OverWhite(const QImage& image) {
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QImage out(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      int a = qAlpha(src[x]);
      auto blend = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
      dst[x] = qRgb(blend(qRed(src[x])), blend(qGreen(src[x])), blend(qBlue(src[x])));
    }
  }
  return out;
}

int32_t ToneOf(QRgb c, const PictureDrawOptions& opt) {
  int r = qRed(c), g = qGreen(c), b = qBlue(c);
  if (opt.twoTone) return Luminance(r, g, b) < opt.threshold ? Rgb(255, 255, 255) : 0;
  if (opt.light) {
    auto fade = [](int v) { return (v + 256) / 2; };
    return Rgb(fade(r), fade(g), fade(b));
  }
  return Rgb(r, g, b);
}

}  // namespace

PictureRect FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
  int w = areaWidth, h = areaHeight;
  // Compare the aspect ratios exactly: the tighter side fills the area.
  if (int64_t{pictureWidth} * areaHeight <= int64_t{pictureHeight} * areaWidth)
    w = std::clamp(ScaleRounded(pictureWidth, areaHeight, pictureHeight), 1, areaWidth);
  else
    h = std::clamp(ScaleRounded(pictureHeight, areaWidth, pictureWidth), 1, areaHeight);
  return {(areaWidth - w) / 2, (areaHeight - h) / 2, w, h};
}

int Luminance(int red, int green, int blue) {
  return (299 * red + 587 * green + 114 * blue + 500) / 1000;
}

void DrawPicture(const std::string& file, PictureSurface& target, const PictureDrawOptions& opt) {
  QImage picture = OverWhite(Decode(file));
  PictureRect rect = FitPicture(picture.width(), picture.height(), opt.width, opt.height);
  if (rect.width > 0 && (rect.width != picture.width() || rect.height != picture.height()))
    picture =
        picture.scaled(rect.width, rect.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  for (int y = 0; y < rect.height && y < picture.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < rect.width && x < picture.width(); ++x)
      target.SetPixel(rect.x + x, rect.y + y, ToneOf(row[x], opt));
  }
  target.Refresh();
}

void SavePicture(const std::string& file, int width, int height, std::span<const uint32_t> argb) {
  if (width <= 0 || height <= 0 || argb.size() != static_cast<size_t>(width) * height)
    throw ComError(err::kInvalidCall,
                   "SavePicture: " + std::to_string(argb.size()) + " pixels do not make a " +
                       std::to_string(width) + " × " + std::to_string(height) + " picture",
                   std::string(kImageSource));
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    std::copy_n(argb.begin() + static_cast<size_t>(y) * width, width,
                reinterpret_cast<QRgb*>(image.scanLine(y)));
  if (!image.save(QString::fromStdString(file)))
    throw ComError(err::kPathFileAccess, "Cannot write the picture " + file,
                   std::string(kImageSource));
}

// ---- CKsImage ----

void CKsImage::BuildMembers(MemberTable<CKsImage>& t) {
  t.Property(
      "REGKEY", [](CKsImage& self, std::span<Variant>) { return Variant(self.regKey); },
      [](CKsImage& self, std::span<Variant> args) { self.regKey = args.back().ToString(); });
  t.Method("Load", [](CKsImage& self, std::span<Variant>) { return Variant(self.Load()); });
}

std::string CKsImage::Load() {
  RegistryStore& registry = runtime_.Registry();
  OpenFileRequest request{std::string(kPictureFilter), {}, "Open Picture"};
  if (!regKey.empty())
    if (auto folder = registry.Read(kHkeyLocalMachine, regKey, kPictureFolderValue))
      request.initialDir = folder->ToString();
  std::optional<std::string> chosen = runtime_.GetPerson().ChooseOpenFile(request);
  if (!chosen || chosen->empty()) return "";
  if (!regKey.empty()) {
    std::string folder = std::filesystem::path(*chosen).parent_path().string();
    registry.Write(kHkeyLocalMachine, regKey, kPictureFolderValue, Variant(folder));
  }
  return *chosen;
}

// ---- ImageFX ----

void ImageFX::BuildMembers(MemberTable<ImageFX>& t) {
  t.Method("ColorToBN", [](ImageFX& self, std::span<Variant> args) {
    if (args.size() != 8)
      ThrowWrongArgCount(kClassName, "ColorToBN",
                         "file, device context, image handle, Boolean, threshold, Boolean, "
                         "width, height");
    self.ColorToBN(args[0].ToString(), args[1].ToLong(), args[2].ToLong(), args[3].ToBool(),
                   args[4].ToInteger(), args[5].ToBool(), args[6].ToSingle(), args[7].ToSingle());
    return Variant();
  });
}

void ImageFX::ColorToBN(const std::string& file, int32_t deviceContext, int32_t imageHandle,
                        bool twoTone, int threshold, bool light, float width, float height) {
  PictureSurface* target = runtime_.FindSurface(imageHandle);
  if (!target) target = runtime_.FindSurface(deviceContext);
  if (!target)
    throw ComError(err::kInvalidCall,
                   "ColorToBN: no picture box has the handle " + std::to_string(imageHandle),
                   std::string(kClassName));
  // The area never reaches past the surface; a NaN or negative size draws nothing.
  auto extent = [](float v, int limit) {
    if (!(v > 0)) return 0;
    return static_cast<int>(std::min<double>(RoundHalfEven(v), limit));
  };
  PictureDrawOptions opt{twoTone, threshold, light, extent(width, target->Width()),
                         extent(height, target->Height())};
  DrawPicture(file, *target, opt);
}

void RegisterImageClasses(Runtime& rt) {
  rt.RegisterClass(std::string(CKsImage::kClassName),
                   [](Runtime& r) -> ObjectRef { return std::make_shared<CKsImage>(r); });
  rt.RegisterClass(std::string(ImageFX::kClassName),
                   [](Runtime& r) -> ObjectRef { return std::make_shared<ImageFX>(r); });
}

}  // namespace ks
