#include "host/picture_surface.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <utility>

#include "host/runtime.h"

namespace {

using ks::PictureSurface;
using ks::Rgb;

std::set<std::pair<int, int>> Painted(const PictureSurface& s, int32_t colour) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.Pixel(x, y) == colour) out.insert({x, y});
  return out;
}

TEST(PictureSurface, ReadsBackColoursAndMinusOneOutside) {
  PictureSurface s(4, 3, Rgb(1, 2, 3));
  EXPECT_EQ(s.Pixel(3, 2), Rgb(1, 2, 3));
  EXPECT_EQ(Rgb(1, 2, 3), 1 + 2 * 256 + 3 * 65536);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}}) EXPECT_EQ(s.Pixel(x, y), -1);
  s.SetPixel(4, 0, Rgb(9, 9, 9));  // outside: ignored, nothing wraps to the next row
  s.SetPixel(-1, 1, Rgb(9, 9, 9));
  EXPECT_EQ(Painted(s, Rgb(9, 9, 9)).size(), 0u);
  s.SetPixel(1, 1, Rgb(255, 255, 255));
  EXPECT_EQ(s.Pixel(1, 1), 0xFFFFFF);
  s.SetBackColor(0);
  uint64_t before = s.Revision();
  s.Clear();
  EXPECT_GT(s.Revision(), before);
  EXPECT_EQ(Painted(s, 0).size(), 12u);
}

TEST(PictureSurface, LinesIncludeBothEndsAndAreClipped) {
  PictureSurface s(10, 10);
  const int32_t c = Rgb(210, 210, 210);
  s.DrawLine(1, 0, 1, 9, c);
  EXPECT_EQ(Painted(s, c).size(), 10u);
  s.Clear();
  s.DrawLine(0, 0, 4, 2, c);  // x-major, rounding halves away from the start
  EXPECT_EQ(Painted(s, c), (std::set<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
  s.Clear();
  s.DrawLine(7, 7, 7, 7, c);  // a point
  EXPECT_EQ(Painted(s, c), (std::set<std::pair<int, int>>{{7, 7}}));
  s.Clear();
  // Ends far outside the surface: only the visible part, at once.
  s.DrawLine(-2000000000, 5, 2000000000, 5, c);
  EXPECT_EQ(Painted(s, c).size(), 10u);
  s.Clear();
  s.DrawLine(-5, -5, 20, 20, c);  // the diagonal
  EXPECT_EQ(Painted(s, c).size(), 10u);
  EXPECT_EQ(s.Pixel(9, 9), c);
  s.Clear();
  s.DrawLine(20, 3, 30, 3, c);  // wholly outside
  EXPECT_TRUE(Painted(s, c).empty());
}

TEST(PictureSurface, RuntimeFindsRegisteredSurfacesByHandle) {
  auto file = std::filesystem::temp_directory_path() / "ks-picture-surface-test.ini";
  ks::Runtime rt(file);
  int32_t first = 0;
  {
    ks::RegisteredSurface a(rt, 2, 2), b(rt, 3, 3);
    first = a.Handle();
    EXPECT_NE(a.Handle(), 0);
    EXPECT_NE(a.Handle(), b.Handle());
    EXPECT_EQ(rt.FindSurface(a.Handle()), &a.Surface());
    EXPECT_EQ(rt.FindSurface(b.Handle()), &b.Surface());
  }
  EXPECT_EQ(rt.FindSurface(first), nullptr);  // gone with its owner
  ks::RegisteredSurface c(rt, 1, 1);
  EXPECT_NE(c.Handle(), first);  // handles are not reused
  std::filesystem::remove(file);
}

}  // namespace
