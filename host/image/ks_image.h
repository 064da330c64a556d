#pragma once
// The image library: "KsCommon.CKsImage" asks the person for a picture file and
// remembers the folder; "KsCommon.ImageFX" draws a picture file into a picture
// box's persistent image (a PictureSurface found by its handle).
//
// How a picture is drawn (DrawPicture):
// - It is scaled to fit the target area keeping its aspect ratio, and centred.
//   A picture of exactly the area's size is drawn 1:1, pixel for pixel.
// - Transparent parts are laid over white first, so they count as light.
// - Two-tone: pixels darker than the threshold (luminance below it, 0..255)
//   are the shape and become white; all others become black.
// - Otherwise the picture is drawn in its colours, and with "light" set it is
//   faded halfway towards white, as a reference to draw over.
// The surface keeps whatever lies outside the picture's rectangle.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "host/dispatch.h"
#include "host/image_module.h"

namespace ks {

class PictureSurface;
class Runtime;

// The registry value under REGKEY that holds the last picture folder; the
// property grid's picture row keeps its folder under the same name, so both
// start where the person last found a picture.
inline constexpr std::string_view kPictureFolderValue = "PictureFolder";
inline constexpr std::string_view kPictureFilter =
    "Pictures (*.png;*.jpg;*.jpeg;*.bmp;*.gif)|*.png;*.jpg;*.jpeg;*.bmp;*.gif|"
    "All files (*.*)|*.*";

struct PictureDrawOptions {
  bool twoTone = false;
  int threshold = 128;  // two-tone: luminance below this is the shape
  bool light = false;   // colour: fade halfway towards white
  int width = 0;        // the target area, from the surface's top-left corner
  int height = 0;
};

// Where a picture of pictureWidth × pictureHeight lands in the area.
struct PictureRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PictureRect&) const = default;
};
PictureRect FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

// Luminance 0..255 of an opaque colour (ITU-R BT.601 weights, rounded).
int Luminance(int red, int green, int blue);

// Decodes the file and draws it into the surface; refreshes the surface.
// Raises error 53 when the file does not exist and error 481, naming the file
// and the reason, when it cannot be decoded.
void DrawPicture(const std::string& file, PictureSurface& target, const PictureDrawOptions& opt);

// Writes width × height pixels (0xAARRGGBB, row by row from the top-left) to a
// picture file in the format its extension names (png, jpg, bmp...). Raises
// error 5 when the sizes disagree and error 75 when the file cannot be written.
void SavePicture(const std::string& file, int width, int height, std::span<const uint32_t> argb);

class CKsImage : public DispatchObject<CKsImage> {
 public:
  static constexpr std::string_view kClassName = kImageClassName;
  static void BuildMembers(MemberTable<CKsImage>& t);
  explicit CKsImage(Runtime& runtime) : runtime_(runtime) {}

  // The registry subkey (under HKEY_LOCAL_MACHINE) that keeps the picture folder.
  std::string regKey;
  // Asks the person for a picture file, starting in the remembered folder, and
  // remembers the chosen file's folder. "" when the person cancelled.
  std::string Load();

 private:
  Runtime& runtime_;
};

class ImageFX : public DispatchObject<ImageFX> {
 public:
  static constexpr std::string_view kClassName = kImageFxClassName;
  static void BuildMembers(MemberTable<ImageFX>& t);
  explicit ImageFX(Runtime& runtime) : runtime_(runtime) {}

  // Draws the file into the surface registered under imageHandle (or, when
  // that is unknown, under deviceContext). The Booleans select two-tone and
  // light drawing; width and height are the target area in pixels.
  void ColorToBN(const std::string& file, int32_t deviceContext, int32_t imageHandle, bool twoTone,
                 int threshold, bool light, float width, float height);

 private:
  Runtime& runtime_;
};

// Registers "KsCommon.CKsImage" and "KsCommon.ImageFX" in-process (programs
// that link the image library itself; the host loads its module instead).
void RegisterImageClasses(Runtime& rt);

}  // namespace ks
