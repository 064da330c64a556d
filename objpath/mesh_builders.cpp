#include "objpath/mesh_builders.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "host/com_error.h"
#include "host/ks_color.h"

namespace ks::objpath {

namespace {

constexpr double kScale = 5.0;  // model units per picture unit

// Runs the orientation rule; when it cannot run the winding stays as it was.
void UpdatePathFlip(const PathState& path, MeshArrays& mesh) {
  try {
    if (auto flip = FindOrientation(path.PathPoints, path.LeftmostPoint)) mesh.PathFlip = *flip;
  } catch (const ComError&) {
  }
}

// The path's points 0 … LastPoint, never more than the array holds.
std::span<const PathPoint> Points(const PathState& path) {
  const auto count = static_cast<size_t>(std::max(path.LastPoint + 1, 0));
  return std::span<const PathPoint>(path.PathPoints).first(std::min(count, path.PathPoints.size()));
}

}  // namespace

void MeshArrays::Reset() {
  Vertices.clear();
  Polygons.clear();
  LastVertex = -1;
}

void MeshArrays::AppendVertex(double x, double y, double z) {
  Vertices.insert(Vertices.end(),
                  {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
  ++LastVertex;
}

void MeshArrays::AppendTriangle(int32_t a, int32_t b, int32_t c) {
  Polygons.insert(Polygons.end(), {3, a, b, c});
}

void MeshArrays::AppendQuad(int32_t a, int32_t b, int32_t c, int32_t d) {
  Polygons.insert(Polygons.end(), {4, a, b, c, d});
}

RotationSteps ComputeRotationSteps(int32_t yRotation, int32_t sections) {
  RotationSteps steps;
  if (sections != 0) steps.step = RoundToLong(static_cast<double>(yRotation) / sections);
  // A step of 0 degrees would never reach the end of the sweep.
  if (steps.step < 1) steps.step = 1;
  if (yRotation >= 1) steps.count = (yRotation - 1) / steps.step + 1;
  return steps;
}

BuildOutcome BuildExtrusion(const PathState& path, const BuildSettings& settings,
                            MeshArrays& mesh) {
  mesh.Reset();
  const std::span<const PathPoint> points = Points(path);
  // A single point has neither a side nor a cap.
  if (points.size() < 2) return BuildOutcome::NothingToBuild;
  const auto n = static_cast<int32_t>(points.size()) - 1;
  const double h = settings.ExtrudeHeight;

  const int32_t ox = RoundToLong(-((path.MaxX - double(path.MinX)) / 2 + path.MinX));
  const int32_t oy = RoundToLong(-(h / 2));
  const int32_t oz = RoundToLong(-((path.MaxY - double(path.MinY)) / 2 + path.MinY));

  // Bottom ring: vertex i is point i.
  for (const PathPoint& p : points)
    mesh.AppendVertex(-(p.X + double(ox)) * kScale, oy * kScale, (p.Y + double(oz)) * kScale);

  // Bottom cap (none for a path of two points: it encloses nothing).
  IndexList list(points.size());
  std::iota(list.begin(), list.end(), 0);
  mesh.CapTriangles.clear();
  UpdatePathFlip(path, mesh);
  mesh.CapError = false;
  CapOutput cap{mesh.Polygons, mesh.CapTriangles};
  if (!TriangulateCap(points, list, mesh.PathFlip, cap)) mesh.CapError = true;
  if (mesh.CapError) return BuildOutcome::CapError;

  // Top ring: vertex N + i is point i on top.
  const int32_t top = mesh.LastVertex + 1;
  for (const PathPoint& p : points)
    mesh.AppendVertex(-(p.X + double(ox)) * kScale, (h + oy) * kScale, (p.Y + double(oz)) * kScale);

  // Top cap: each bottom triangle again, wound the other way.
  for (const CapTriangle& t : mesh.CapTriangles) {
    if (mesh.PathFlip)
      mesh.AppendTriangle(top + t.C, top + t.B, top + t.A);
    else
      mesh.AppendTriangle(top + t.A, top + t.B, top + t.C);
  }

  // Sides, then the closing side between point n and point 0.
  for (int32_t i = 0; i < n; ++i) {
    if (mesh.PathFlip)
      mesh.AppendQuad(top + i, i, i + 1, top + i + 1);
    else
      mesh.AppendQuad(top + i, top + i + 1, i + 1, i);
  }
  if (mesh.PathFlip)
    mesh.AppendQuad(2 * n + 1, n, 0, n + 1);
  else
    mesh.AppendQuad(2 * n + 1, n + 1, 0, n);
  return BuildOutcome::Built;
}

BuildOutcome BuildRotation(const PathState& path, const BuildSettings& settings,
                           const TrigTables& trig, MeshArrays& mesh) {
  mesh.Reset();
  const std::span<const PathPoint> points = Points(path);
  // A single point sweeps no surface.
  if (points.size() < 2) return BuildOutcome::NothingToBuild;
  const auto n = static_cast<int32_t>(points.size()) - 1;

  const int32_t axisX = RoundToLong(settings.BarLeft + 1.0f);
  const RotationSteps steps = ComputeRotationSteps(settings.YRotation, settings.Sections);
  const int32_t s = steps.step;
  const int32_t m = steps.count;
  if (m < 1) return BuildOutcome::NothingToBuild;
  const auto cy = static_cast<float>((path.MaxY - double(path.MinY)) / 2 + path.MinY);

  // The translation grows with the angle in degrees.
  const auto dX = static_cast<float>(settings.TranslationX / double(m));
  const auto dY = static_cast<float>(settings.TranslationY / double(m));
  const auto dZ = static_cast<float>(settings.TranslationZ / double(m));

  UpdatePathFlip(path, mesh);

  // Vertices, point-major: vertex i × m + k is point i at position k.
  for (const PathPoint& p : points) {
    const auto r = static_cast<float>(p.X - double(axisX));
    for (int32_t k = 0; k < m; ++k) {
      const int32_t j = k * s;
      const int32_t q = (j % 360) * 10;
      mesh.AppendVertex(-kScale * r * trig.SinTable[q] + double(dX) * j,
                        (double(cy) - p.Y) * kScale + double(dY) * j,
                        kScale * r * trig.CosTable[q] + double(dZ) * j);
    }
  }

  // Profile segments (previous point p, current point c), the closing one
  // only when "Close Path" is checked.
  std::vector<std::array<int32_t, 2>> segments;
  for (int32_t l = 1; l <= n; ++l) segments.push_back({l - 1, l});
  if (settings.ClosePath) segments.push_back({n, 0});
  for (const auto& [p, c] : segments) {
    for (int32_t k = 1; k < m; ++k) {
      if (mesh.PathFlip)
        mesh.AppendQuad(m * p + k, m * c + k, m * c + k - 1, m * p + k - 1);
      else
        mesh.AppendQuad(m * p + k, m * p + k - 1, m * c + k - 1, m * c + k);
    }
    if (settings.CloseLastPolygons) {
      if (mesh.PathFlip)
        mesh.AppendQuad(m * c + m - 1, m * p + m - 1, m * p, m * c);
      else
        mesh.AppendQuad(m * c + m - 1, m * c, m * p, m * p + m - 1);
    }
  }
  return BuildOutcome::Built;
}

void HandOver(const ObjectRef& object3D, MeshArrays& mesh) {
  // The arrays travel by reference; the host may write into its copies.
  if (mesh.Vertices.size() >= 2) {
    std::vector<Variant> args{Variant(mesh.Vertices)};
    Call(object3D, "Add_Vertices", args);
  }
  if (mesh.Polygons.size() >= 2) {
    std::vector<Variant> args{Variant(mesh.Polygons)};
    Call(object3D, "Add_Poligons", args);
  }
  // Naming, colouring and smoothing are finishing touches: a failure of one
  // leaves the geometry in place and the others still run.
  try {
    Put(object3D, "Name", Variant("ObjPath"));
  } catch (const ComError&) {
  }
  try {
    Put(object3D, "DefaultColor", Variant(kDefaultObjectColor));
  } catch (const ComError&) {
  }
  try {
    Call(object3D, "SmoothNormalsAdaptive", Variant(int16_t{50}));
  } catch (const ComError&) {
  }
}

}  // namespace ks::objpath
