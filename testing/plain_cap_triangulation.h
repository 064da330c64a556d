#pragma once
// The diagonal-splitting cap triangulation written step by step, without any
// shortcut: the reference that the optimised TriangulateByDiagonals must
// match triangle for triangle, and whose triangles TriangulateCap keeps
// wherever it builds. Used by the tests, the benchmark and the fuzz target.
#include "objpath/cap_triangulation.h"

namespace ks::objpath::plain {

inline void TriangulateCapStep(std::span<const PathPoint> points, const IndexList& list,
                               bool pathFlip, CapOutput& out, bool& capError) {
  if (capError) return;
  const int32_t c = FindReflexCorner(points, list, pathFlip);
  if (c < 0) {
    FanTriangulate(list, pathFlip, out);
    return;
  }
  const int32_t i = FindDiagonal(points, list, c, pathFlip);
  if (i < 0) {
    capError = true;
    return;
  }
  IndexList outer = SplitOuter(list, c, i);
  IndexList inner = SplitInner(list, c, i);
  TriangulateCapStep(points, outer, pathFlip, out, capError);
  TriangulateCapStep(points, inner, pathFlip, out, capError);
}

// Same contract as ks::objpath::TriangulateByDiagonals.
inline bool TriangulateCap(std::span<const PathPoint> points, std::span<const int32_t> list,
                           bool pathFlip, CapOutput& out) {
  if (list.size() < 3) return true;
  bool capError = false;
  TriangulateCapStep(points, IndexList(list.begin(), list.end()), pathFlip, out, capError);
  return !capError;
}

}  // namespace ks::objpath::plain
