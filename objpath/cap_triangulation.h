#pragma once
// Cap triangulation of a closed path: which way round the path runs
// (FindOrientation) and the cutting of the polygon into triangles
// (TriangulateCap). The polygon is split along diagonals drawn from reflex
// corners until every piece is convex; each convex piece is fanned from its
// last entries back to its first. All geometry is in picture units.
//
// The triangles and their order are part of the generated mesh, so the
// optimised TriangulateCap must give exactly what the plain step-by-step
// algorithm gives; the helpers below are that algorithm's building blocks.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "objpath/path_state.h"

namespace ks::objpath {

// A cap triangle as three path-point indices.
struct CapTriangle {
  int32_t A = 0;
  int32_t B = 0;
  int32_t C = 0;
  friend bool operator==(const CapTriangle&, const CapTriangle&) = default;
};

// An index list: positions into it are what the procedures pass around; the
// point at position k is points[list[k]].
using IndexList = std::vector<int32_t>;

// The winding choice (PathFlip) from the corner at the leftmost point.
// nullopt when the path is empty or leftmost is not one of its points.
std::optional<bool> FindOrientation(std::span<const PathPoint> points, int32_t leftmost);

// The direction from corner V to point K in degrees: PointAngle(X_V - X_K, Y_K - Y_V).
float Direction(const PathPoint& v, const PathPoint& k);

// True when the corner at `corner` between `prev` and `next` is reflex for the
// winding pathFlip (the angle test of FindReflexCorner).
bool IsReflexCorner(const PathPoint& prev, const PathPoint& corner, const PathPoint& next,
                    bool pathFlip);

// The first reflex position (visiting 1 … u, then 0), or -1 when the piece is
// convex. Lists of fewer than three entries have no corners: -1.
int32_t FindReflexCorner(std::span<const PathPoint> points, std::span<const int32_t> list,
                         bool pathFlip);

// True when candidate K lies in the cone of corner V between its neighbours N
// (next) and P (previous), in whole degrees.
bool InsideCorner(const PathPoint& k, const PathPoint& v, const PathPoint& n, const PathPoint& p,
                  bool pathFlip);

// Whether the closed segments P1–P2 and P3–P4 cross or touch; parallel and
// collinear segments never count.
bool SegmentsIntersect(const PathPoint& p1, const PathPoint& p2, const PathPoint& p3,
                       const PathPoint& p4);

// The first admissible diagonal end for the reflex position c, or -1.
int32_t FindDiagonal(std::span<const PathPoint> points, std::span<const int32_t> list, int32_t c,
                     bool pathFlip);

// Entries at positions 0 … min(c, i) followed by max(c, i) … u.
IndexList SplitOuter(std::span<const int32_t> list, int32_t c, int32_t i);
// Entries at positions min(c, i) … max(c, i).
IndexList SplitInner(std::span<const int32_t> list, int32_t c, int32_t i);

// Where the cap goes: triangle records (3, then three vertex indices) are
// appended to polygons, and each triangle (A, B, C) to triangles.
struct CapOutput {
  std::vector<int32_t>& polygons;
  std::vector<CapTriangle>& triangles;
};

// Appends the triangle as the cap writes it: (L, M, F) when pathFlip, else (F, M, L).
void AppendCapTriangle(CapOutput& out, int32_t l, int32_t m, int32_t f, bool pathFlip);

// Fans a convex list from its last entries back to its first: (L, M, F) with
// L = list(u), M = list(u - 1), F = list(0), then the list without its last
// entry, down to three entries. Lists of fewer than three entries give nothing.
void FanTriangulate(std::span<const int32_t> list, bool pathFlip, CapOutput& out);

// The diagonal-splitting algorithm: splits the polygon given by list along
// diagonals from reflex corners until every piece is convex, and fans each
// piece. Returns false when a reflex corner has no admissible diagonal; the
// triangles written before that stay in out. A list of fewer than three
// entries has no cap: nothing is written and the result is true.
bool TriangulateByDiagonals(std::span<const PathPoint> points, std::span<const int32_t> list,
                            bool pathFlip, CapOutput& out);

// The cap of the closed path given by list. An outline two of whose edges
// cross (tested exactly, see exact_outline.h) is refused: false, nothing
// written. Otherwise the diagonal-splitting algorithm's triangles are kept
// wherever it builds a cap without folds; where its whole-degree cone test
// refuses (or folds), the outline is cut into simple loops where it touches
// itself (outline_loops.h) and each loop by exact ear clipping, so that every
// outline whose loops tile its area gets a cap without folds. A list of
// fewer than three entries, or of fewer than three distinct corners where
// the diagonal splitting refuses, has no cap: nothing is written and the
// result is true.
bool TriangulateCap(std::span<const PathPoint> points, std::span<const int32_t> list, bool pathFlip,
                    CapOutput& out);

}  // namespace ks::objpath
