#pragma once
// Outlines for the triangulation tests and benchmark: jagged star-shaped
// polygons and the staircase outlines that tracing a picture gives.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "objpath/path_state.h"

namespace objpath_test {

using ks::objpath::PathPoint;

// A polygon star-shaped about the centre of the drawing area: corners at
// random angles and radii, so about half of them are reflex.
inline std::vector<PathPoint> StarOutline(int corners, unsigned seed, bool wholePixels) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> angle(0.0, 2 * M_PI);
  std::uniform_real_distribution<double> radius(15.0, 130.0);
  std::vector<double> angles(static_cast<size_t>(corners));
  for (double& a : angles) a = angle(rng);
  std::sort(angles.begin(), angles.end());
  angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
  std::vector<PathPoint> points;
  for (double a : angles) {
    const double r = radius(rng);
    double x = 133 + r * std::cos(a), y = 171 + r * std::sin(a);
    if (wholePixels) x = std::round(x), y = std::round(y);
    points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  }
  return points;
}

// A band whose top edge is a saw of `teeth` teeth on whole pixels (two
// corners per tooth, every valley a reflex corner), closed by a straight
// bottom: a simple polygon that the cap triangulation cuts completely.
// Tooth heights vary a little with the seed.
inline std::vector<PathPoint> SawBandOutline(int teeth, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> tip(0, 2);
  std::vector<PathPoint> points;
  points.push_back({0, 200, 0});
  for (int t = 0; t < teeth; ++t) {
    points.push_back({static_cast<float>(2 * t), 20, 0});
    points.push_back({static_cast<float>(2 * t + 1), static_cast<float>(tip(rng)), 0});
  }
  points.push_back({static_cast<float>(2 * teeth), 200, 0});
  return points;
}

// A band whose top wall holds a long, gently arched stretch of `arch` points
// followed by a saw of `teeth` teeth. The path starts on the arch, so from
// every valley of the saw the earliest candidates of the diagonal search lie
// on the arch, inside the valley's corner but hidden behind the next tooth.
inline std::vector<PathPoint> ArchAndSawOutline(int arch, int teeth) {
  std::vector<PathPoint> points;
  const double width = 200;
  for (int k = 0; k < arch; ++k) {
    const double s = static_cast<double>(k) / arch;
    points.push_back({static_cast<float>(2 * teeth + width * (1 - s)),
                      static_cast<float>(20 - 10 * std::sin(M_PI * s)), 0});
  }
  for (int t = teeth - 1; t >= 0; --t) {
    points.push_back({static_cast<float>(2 * t + 2), 20, 0});
    points.push_back({static_cast<float>(2 * t + 1), 0, 0});
  }
  points.push_back({0, 20, 0});
  points.push_back({0, 200, 0});
  points.push_back({static_cast<float>(2 * teeth + width), 200, 0});
  return points;
}

// Any points at all: most such paths cross themselves.
inline std::vector<PathPoint> RandomPoints(int count, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> x(0, 40), y(0, 40);
  std::vector<PathPoint> points;
  for (int i = 0; i < count; ++i)
    points.push_back({static_cast<float>(x(rng)), static_cast<float>(y(rng)), 0});
  return points;
}

inline std::vector<PathPoint> TracedOutline(const std::vector<uint8_t>& ink, int width, int height,
                                            bool skipAfterPoint);

// A jagged shape in a width × height picture, traced the way the
// path generator traces a picture: walking the outline pixel by pixel
// clockwise and putting a point where the walking direction changes
// (skipping the pixel after each point when skipAfterPoint).
//
// The shape is star-shaped about the picture's centre: its radius runs
// linearly between `spikes` random radii, so more spikes give a more jagged
// outline with more corners.
inline std::vector<PathPoint> TracedBlobOutline(int spikes, unsigned seed, bool skipAfterPoint,
                                                int width = 266, int height = 343) {
  std::mt19937 rng(seed);
  const double cx = width / 2.0, cy = height / 2.0;
  const double maxRadius = std::min(width, height) / 2.0 - 3;
  std::uniform_real_distribution<double> radius(maxRadius * 0.35, maxRadius);
  std::vector<double> radii(static_cast<size_t>(spikes));
  for (double& r : radii) r = radius(rng);
  std::vector<uint8_t> ink(static_cast<size_t>(width * height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double dx = x - cx, dy = y - cy;
      double t = (std::atan2(dy, dx) + M_PI) / (2 * M_PI) * spikes;
      const int k = static_cast<int>(t) % spikes;
      t -= std::floor(t);
      const double r = radii[static_cast<size_t>(k)] * (1 - t) +
                       radii[static_cast<size_t>((k + 1) % spikes)] * t;
      if (dx * dx + dy * dy <= r * r) ink[static_cast<size_t>(y * width + x)] = 1;
    }
  return TracedOutline(ink, width, height, skipAfterPoint);
}

// The outline of the first shape in a width × height picture (ink non-zero),
// traced the way the path generator traces a picture: walking the outline
// pixel by pixel clockwise and putting a point where the walking direction
// changes (skipping the pixel after each point when skipAfterPoint).
inline std::vector<PathPoint> TracedOutline(const std::vector<uint8_t>& ink, int width, int height,
                                            bool skipAfterPoint) {
  auto inkAt = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < width && y < height && ink[static_cast<size_t>(y * width + x)];
  };
  static constexpr std::array<std::array<int, 2>, 8> steps{
      {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}};
  int fx = -1, fy = -1;
  for (int x = 0; x < width && fx < 0; ++x)
    for (int y = 0; y < height; ++y)
      if (inkAt(x, y)) {
        fx = x, fy = y;
        break;
      }
  std::vector<PathPoint> points;
  if (fx < 0) return points;
  auto next = [&](int x, int y, int dir, int& nx, int& ny, int& nd) {
    bool background = false;
    for (int n = 0; n < 9; ++n) {
      const int i = (dir + 5 + n) % 8;
      const int tx = x + steps[i][0], ty = y + steps[i][1];
      if (!inkAt(tx, ty)) {
        background = true;
      } else if (background) {
        nx = tx, ny = ty, nd = i;
        return true;
      }
    }
    return false;
  };
  int sx, sy, dir;
  if (!next(fx, fy, 0, sx, sy, dir)) return points;
  int x = sx, y = sy;
  bool skip = false;
  for (int guard = 0; guard < width * height * 4; ++guard) {
    int nx, ny, nd;
    if (!next(x, y, dir, nx, ny, nd)) break;
    if (skip) {
      skip = false;
    } else if ((x != sx || y != sy) && nd != dir) {
      points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
      skip = skipAfterPoint;
    }
    if (nx == sx && ny == sy) break;
    x = nx, y = ny, dir = nd;
  }
  return points;
}

// A picture of a few boxes and discs, each joined to the one before it by a
// line one pixel wide (straight or diagonal) or resting on it at a single
// corner pixel: an outline traced from it runs along each line and back over
// itself, and passes the corners where shapes meet twice.
inline std::vector<uint8_t> BridgedShapesPicture(unsigned seed, int width, int height) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> ink(static_cast<size_t>(width * height), 0);
  auto put = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < width && y < height) ink[static_cast<size_t>(y * width + x)] = 1;
  };
  std::uniform_int_distribution<int> count(2, 4), size(3, 14), kind(0, 2), gap(0, 9);
  const int shapes = count(rng);
  int x = 4, y = 4 + size(rng) * 2;
  for (int s = 0; s < shapes; ++s) {
    const int w = size(rng), h = size(rng);
    if (kind(rng) == 0) {
      const int r = std::min(w, h) / 2;
      for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
          if (dx * dx + dy * dy <= r * r) put(x + r + dx, y + r + dy);
    } else {
      for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx) put(x + dx, y + dy);
    }
    // The next shape starts beyond this one's right side, reached by a line
    // (right, or diagonally down or up) or touching it at one corner pixel.
    const int right = x + w, length = gap(rng);
    const int line = kind(rng);
    const int step = line == 0 ? 0 : (line == 1 ? 1 : -1);
    const int ly = y + std::uniform_int_distribution<int>(0, std::min(w, h) / 2)(rng);
    for (int k = 0; k < length; ++k) put(right + k, ly + step * k);
    // A line ends one diagonal or straight step before the next shape's top
    // left pixel; with no line, that pixel is diagonal to this box's bottom
    // right one.
    x = right + length;
    y = std::clamp(length == 0 ? y + h : ly + step * length, 2, height - 20);
  }
  return ink;
}

}  // namespace objpath_test
