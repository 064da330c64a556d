#pragma once
// The persistent image of a picture box: width × height pixels whose colours
// are RGB Longs (red + 256 × green + 65536 × blue). What is drawn stays until
// the surface is cleared; views copy it to the screen, tracers read it back
// pixel by pixel.
#include <cstdint>
#include <span>
#include <vector>

#include "ks_color.h"

namespace ks {

class Runtime;

class PictureSurface {
 public:
  // A surface of the given size filled with the background colour.
  PictureSurface(int width, int height, int32_t backColor = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // The colour Clear fills with.
  int32_t BackColor() const { return backColor_; }
  void SetBackColor(int32_t colour) { backColor_ = colour & 0xFFFFFF; }
  // Fills every pixel with the background colour.
  void Clear();

  // The colour of a pixel; -1 for a point outside the surface.
  int32_t Pixel(int x, int y) const {
    return Contains(x, y) ? pixels_[static_cast<size_t>(y) * width_ + x] : -1;
  }
  // Points outside the surface are ignored.
  void SetPixel(int x, int y, int32_t colour) {
    if (Contains(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = colour & 0xFFFFFF;
  }
  // A straight line including both end points; the parts outside are clipped.
  void DrawLine(int x1, int y1, int x2, int y2, int32_t colour);

  // Row by row from the top-left pixel.
  std::span<const int32_t> Pixels() const { return pixels_; }
  // Counts the refreshes, so views know when to copy the image again. Clear and
  // DrawLine refresh by themselves; after SetPixel calls, call Refresh.
  uint64_t Revision() const { return revision_; }
  void Refresh() { ++revision_; }

 private:
  int width_;
  int height_;
  int32_t backColor_;
  uint64_t revision_ = 0;
  std::vector<int32_t> pixels_;
};

// A surface registered with a runtime under a handle for as long as this
// object lives, so components handed the handle can draw into it.
class RegisteredSurface {
 public:
  RegisteredSurface(Runtime& runtime, int width, int height, int32_t backColor = 0);
  ~RegisteredSurface();
  RegisteredSurface(const RegisteredSurface&) = delete;
  RegisteredSurface& operator=(const RegisteredSurface&) = delete;

  PictureSurface& Surface() { return surface_; }
  const PictureSurface& Surface() const { return surface_; }
  int32_t Handle() const { return handle_; }

 private:
  Runtime& runtime_;
  PictureSurface surface_;
  int32_t handle_;
};

}  // namespace ks
