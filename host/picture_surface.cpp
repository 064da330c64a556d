#include "picture_surface.h"

#include <algorithm>
#include <cstdlib>

#include "runtime.h"

namespace ks {

PictureSurface::PictureSurface(int width, int height, int32_t backColor)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      backColor_(backColor & 0xFFFFFF),
      pixels_(static_cast<size_t>(width_) * height_, backColor_) {}

void PictureSurface::Clear() {
  std::fill(pixels_.begin(), pixels_.end(), backColor_);
  Refresh();
}

void PictureSurface::DrawLine(int x1, int y1, int x2, int y2, int32_t colour) {
  // Coordinates this far out only matter for their direction; the bound keeps
  // the products below in 64 bits.
  static constexpr int64_t kFar = int64_t{1} << 29;
  auto bound = [](int v) { return std::clamp<int64_t>(v, -kFar, kFar); };
  int64_t ax = bound(x1), ay = bound(y1), bx = bound(x2), by = bound(y2);
  // Walk along the longer axis; the other coordinate is the rounded point on
  // the ideal line (halves away from the start), so both ends are drawn exactly.
  bool steep = std::llabs(by - ay) > std::llabs(bx - ax);
  if (steep) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  int64_t n = std::llabs(bx - ax), dMinor = std::llabs(by - ay);
  int64_t sMajor = bx >= ax ? 1 : -1, sMinor = by >= ay ? 1 : -1;
  int64_t majorSize = steep ? height_ : width_;
  // Only the steps whose major coordinate lies on the surface are drawn.
  int64_t tFirst = 0, tLast = n;
  if (sMajor > 0) {
    tFirst = std::max<int64_t>(tFirst, -ax);
    tLast = std::min<int64_t>(tLast, majorSize - 1 - ax);
  } else {
    tFirst = std::max<int64_t>(tFirst, ax - (majorSize - 1));
    tLast = std::min<int64_t>(tLast, ax);
  }
  for (int64_t t = tFirst; t <= tLast; ++t) {
    int64_t minorOffset = n == 0 ? 0 : (2 * t * dMinor + n) / (2 * n);
    int64_t major = ax + sMajor * t, minor = ay + sMinor * minorOffset;
    int64_t x = steep ? minor : major, y = steep ? major : minor;
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[static_cast<size_t>(y) * width_ + static_cast<size_t>(x)] = colour & 0xFFFFFF;
  }
  Refresh();
}

RegisteredSurface::RegisteredSurface(Runtime& runtime, int width, int height, int32_t backColor)
    : runtime_(runtime),
      surface_(width, height, backColor),
      handle_(runtime.RegisterSurface(&surface_)) {}

RegisteredSurface::~RegisteredSurface() {
  runtime_.UnregisterSurface(handle_);
}

}  // namespace ks
