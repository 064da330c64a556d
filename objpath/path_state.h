#pragma once
// The path that the editor writes and the generators read: points in
// drawing-area pixels (origin top-left, y growing downwards) with their
// extents.
#include <cstdint>
#include <vector>

namespace ks::objpath {

struct PathPoint {
  float X = 0;
  float Y = 0;
  float Z = 0;  // never written by the editor
  bool operator==(const PathPoint&) const = default;
};

struct PathState {
  std::vector<PathPoint> PathPoints;  // elements 0 … LastPoint
  int32_t LastPoint = -1;             // -1: empty
  // Extents, each a coordinate rounded to the nearest whole number (ties to even).
  int32_t MinX = 1000;
  int32_t MaxX = -1000;
  int32_t MinY = 1000;
  int32_t MaxY = -1000;
  int32_t LeftmostPoint = -1;  // the first point that set MinX; -1 when empty

  // Number of points (LastPoint + 1, never negative).
  int32_t Count() const { return LastPoint + 1; }
  bool operator==(const PathState&) const = default;
};

}  // namespace ks::objpath
