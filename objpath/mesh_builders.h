#pragma once
// The two generators that turn the path into one mesh: BuildExtrusion (a prism
// of the closed path with triangulated caps) and BuildRotation (a surface of
// revolution about a vertical axis, optionally swept along a translation), and
// the hand-over of the finished arrays to the host object.
//
// Scale: one picture unit is 5 model units. Model x is mirrored against the
// picture, model y points up, model z grows with the picture's y. Coordinates
// are computed in double precision from the Single inputs and stored as
// Single; every conversion to a whole number rounds halves to even.
#include <cstdint>
#include <vector>

#include "host/dispatch.h"
#include "objpath/cap_triangulation.h"
#include "objpath/mod_obj_path.h"
#include "objpath/path_state.h"

namespace ks::objpath {

// The settings of the dialog that the builders read.
struct BuildSettings {
  int32_t ExtrudeHeight = 40;
  int32_t Sections = 8;
  int32_t YRotation = 360;  // whole degrees
  float TranslationX = 0;
  float TranslationY = 0;
  float TranslationZ = 0;
  bool CloseLastPolygons = true;
  bool ClosePath = false;  // "Close Path" checked
  float BarLeft = 6;       // Left of the axis bar; the axis is at BarLeft + 1
  bool operator==(const BuildSettings&) const = default;
};

// What a build writes: the flat arrays handed to the host and the cap state.
struct MeshArrays {
  std::vector<float> Vertices;    // x, y, z per vertex
  std::vector<int32_t> Polygons;  // records: corner count (3 or 4), then vertex numbers
  int32_t LastVertex = -1;        // index of the last vertex written
  bool PathFlip = false;          // the winding; kept when the orientation cannot be found
  bool CapError = false;
  std::vector<CapTriangle> CapTriangles;  // upper bound is LastCapTriangle

  int32_t VertexPos() const { return static_cast<int32_t>(Vertices.size()); }
  int32_t PolygonPos() const { return static_cast<int32_t>(Polygons.size()); }
  int32_t LastCapTriangle() const { return static_cast<int32_t>(CapTriangles.size()) - 1; }
  // Empties the arrays, so each build hands over exactly what it wrote.
  void Reset();
  void AppendVertex(double x, double y, double z);
  void AppendTriangle(int32_t a, int32_t b, int32_t c);
  void AppendQuad(int32_t a, int32_t b, int32_t c, int32_t d);
};

enum class BuildOutcome {
  Built,           // the arrays hold the mesh
  CapError,        // no admissible cap diagonal: the path's edges cross
  NothingToBuild,  // a single point (or no angular position): no surface at all
};

// The number of angular positions and the step in whole degrees of a rotation;
// a step that would round to 0 degrees (or cannot be computed) is 1 degree.
struct RotationSteps {
  int32_t step = 1;
  int32_t count = 0;
};
RotationSteps ComputeRotationSteps(int32_t yRotation, int32_t sections);

BuildOutcome BuildExtrusion(const PathState& path, const BuildSettings& settings, MeshArrays& mesh);
BuildOutcome BuildRotation(const PathState& path, const BuildSettings& settings,
                           const TrigTables& trig, MeshArrays& mesh);

// Hands the arrays to the host object: Add_Vertices and Add_Poligons (each
// only when its array holds something), Name "ObjPath", DefaultColor and
// SmoothNormalsAdaptive 50. A failure of either geometry call raises its
// ComError, so the caller can tell the person that nothing was built; the
// naming, colouring and smoothing calls that fail are skipped.
void HandOver(const ObjectRef& object3D, MeshArrays& mesh);

}  // namespace ks::objpath
