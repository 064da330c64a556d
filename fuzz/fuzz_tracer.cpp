// libFuzzer target: the outline tracer on a random two-colour picture in the
// drawing area, and the extrusion the dialog then builds from the traced path:
// refused only where the traced outline meets itself.
//
// Input: a width and a height (1 to 64), a left and a top (anywhere in the
// area, so shapes touch its borders), then one bit per pixel, row by row.
// Most pictures sit within 16 pixels of the left border: the tracer scans
// column by column for the first ink, so a picture far right costs a scan of
// most of the area; one in eight lies anywhere, right border included.
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "host/form.h"
#include "host/person.h"
#include "host/picture_surface.h"
#include "objpath/exact_outline.h"
#include "objpath/mesh_builders.h"
#include "objpath/outline_tracer.h"
#include "objpath/path_editor.h"

namespace {

using namespace ks::objpath;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

constexpr int kWidth = static_cast<int>(PathEditor::kAreaWidth);
constexpr int kHeight = static_cast<int>(PathEditor::kAreaHeight);

void CheckPath(const PathState& path) {
  if (path.Count() != static_cast<int32_t>(path.PathPoints.size()))
    Fail("the point count disagrees with the points");
  for (const PathPoint& p : path.PathPoints)
    if (p.X < 0 || p.Y < 0 || p.X >= kWidth || p.Y >= kHeight) Fail("a point outside the area");
  if (path.Count() > 0 && (path.LeftmostPoint < 0 || path.LeftmostPoint >= path.Count()))
    Fail("the leftmost point is not one of the points");
}

void CheckMesh(const MeshArrays& mesh) {
  if (mesh.Vertices.size() % 3 != 0) Fail("vertex array is not whole triples");
  const auto vertices = static_cast<int32_t>(mesh.Vertices.size() / 3);
  if (mesh.LastVertex != vertices - 1) Fail("the last vertex disagrees with the array");
  for (size_t i = 0; i < mesh.Polygons.size();) {
    const int32_t corners = mesh.Polygons[i];
    if (corners != 3 && corners != 4) Fail("a polygon record with a bad corner count");
    if (i + 1 + static_cast<size_t>(corners) > mesh.Polygons.size()) Fail("a cut polygon record");
    for (int32_t k = 1; k <= corners; ++k) {
      const int32_t v = mesh.Polygons[i + static_cast<size_t>(k)];
      if (v < 0 || v >= vertices) Fail("a polygon corner out of range");
    }
    i += 1 + static_cast<size_t>(corners);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int w = 1 + data[0] % 64, h = 1 + data[1] % 64;
  const int left = data[2] < 224 ? data[2] % 16 : (data[2] - 224) * kWidth / 32;
  const int top = data[3] * kHeight / 256;
  // One area for all runs, cleared where the last picture was drawn: a fresh
  // one per run would cost more than the trace.
  static ks::PictureSurface area(kWidth, kHeight, 0);
  static int lastLeft = 0, lastTop = 0, lastW = 0, lastH = 0;
  for (int y = 0; y < lastH; ++y)
    for (int x = 0; x < lastW; ++x) area.SetPixel(lastLeft + x, lastTop + y, 0);
  lastLeft = left, lastTop = top, lastW = w, lastH = h;
  size_t bit = 0;
  const size_t bits = (size - 4) * 8;
  for (int y = 0; y < h && bit < bits; ++y)
    for (int x = 0; x < w && bit < bits; ++x, ++bit)
      if (data[4 + bit / 8] >> (bit % 8) & 1) area.SetPixel(left + x, top + y, 0xFFFFFF);

  ks::Control picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath;
  PathEditor editor({picture1, picture3, line3, check1, rotation, extrude, moveBar, buildPath}, {});
  editor.Load();
  extrude.value = ks::Variant(true);
  rotation.value = ks::Variant(false);
  ks::HeadlessPerson person;
  TraceSteps steps;
  FillTraceSteps(steps);
  editor.ClearPath();
  OutlineTracer tracer(area, steps, editor, person);
  const TraceEnd end = tracer.TraceOutline();
  CheckPath(editor.path);
  if (end == TraceEnd::NoInk && editor.path.Count() != 0) Fail("no ink, yet a path");

  MeshArrays mesh;
  const BuildOutcome outcome = BuildExtrusion(editor.path, BuildSettings{}, mesh);
  if (outcome == BuildOutcome::Built) CheckMesh(mesh);
  if (outcome == BuildOutcome::CapError) {
    std::vector<int32_t> list(editor.path.PathPoints.size());
    std::iota(list.begin(), list.end(), 0);
    if (!ExactOutline(editor.path.PathPoints, list).EdgesCross())
      Fail("refused a traced outline that nowhere meets itself");
  }
  return 0;
}
