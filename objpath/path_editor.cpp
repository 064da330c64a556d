#include "objpath/path_editor.h"

#include <cmath>

#include "host/person.h"
#include "objpath/mod_obj_path.h"

namespace ks::objpath {

namespace {

// Mouse positions beyond this are not from a picture box; rounding them could
// overflow the extents.
constexpr float kFarOutside = 1.0e6f;

bool IsSelected(const Control& option) {
  return option.value.type() == VarType::Boolean && option.value.ToBool();
}

}  // namespace

PathEditor::PathEditor(Controls controls, std::function<void()> closePathClick)
    : c_(controls), closePathClick_(std::move(closePathClick)) {
  Line1.resize(1);
  Line1[0].loaded = true;
  Shape1.resize(1);
  Shape1[0].loaded = true;
  c_.Picture3.mousePointer = kPointerSizeWE;
  c_.Picture3.value = Variant(BarLeft);
  PublishPointCount();
  PlaceAxisLine();
}

void PathEditor::Load() {
  path = PathState{};
  Drawing = false;
  BuildPathMode = true;
  c_.Picture1.mousePointer = kPointerCross;
  c_.Picture3.visible = false;
  PlaceAxisLine();
  c_.Line3.visible = true;
  PublishPointCount();
}

bool PathEditor::RotationSelected() const {
  return IsSelected(c_.Rotation);
}

void PathEditor::Picture1_MouseDown(int button, int /*shift*/, float x, float y) {
  if (BuildPathMode || ExtrudeSelected()) PathClick(button, x, y);
}

void PathEditor::Picture1_MouseMove(int /*button*/, int /*shift*/, float x, float y) {
  if (!Drawing || path.LastPoint < 0) return;
  LineSegment& band = LineElement(path.LastPoint);
  band.X2 = x;
  band.Y2 = y;
}

void PathEditor::Picture3_MouseMove(int button, int /*shift*/, float x, float /*y*/) {
  if (BuildPathMode || button != kLeftButton) return;
  const float wanted = BarLeft + x;
  const float rightmost = kAreaWidth - 6.0f;
  if (wanted < 0.0f)
    BarLeft = 0.0f;
  else if (wanted > rightmost)
    BarLeft = rightmost;
  else
    BarLeft = wanted;
  c_.Picture3.value = Variant(BarLeft);
}

void PathEditor::Option2_Click(int index) {
  // A click selects the clicked button; the state of "Move Bar" decides.
  c_.MoveBar.value = Variant(index == 0);
  c_.BuildPath.value = Variant(index != 0);
  if (IsSelected(c_.MoveBar)) {
    BuildPathMode = false;
    c_.Picture1.mousePointer = kPointerDefault;
    c_.Picture3.visible = true;
    c_.Line3.visible = false;
  } else {
    BuildPathMode = true;
    c_.Picture1.mousePointer = kPointerCross;
    c_.Picture3.visible = false;
    PlaceAxisLine();
    c_.Line3.visible = true;
  }
}

void PathEditor::PathClick(int button, float x, float y) {
  if (button == kLeftButton) {
    if (Drawing && RotationSelected() && path.LastPoint >= 0) {
      // Every point stays on the side of the axis of the point before it; a
      // point on the axis goes with either side.
      const float axis = AxisX();
      const float last = path.PathPoints[static_cast<size_t>(path.LastPoint)].X;
      if ((x < axis && last > axis) || (x > axis && last < axis)) {
        if (onRefused) onRefused(x, y);
        return;
      }
    }
    if (!Drawing) ClearPath();
    AddPathPoint(x, y);
    Drawing = true;
    return;
  }
  if (!Drawing) return;
  if (path.LastPoint < 1) {
    ClearPath();  // a single point is no path
  } else {
    if (RotationSelected()) {
      LineSegment& band = LineElement(path.LastPoint);  // the path stays open
      band.loaded = false;
      band.visible = false;
    } else {
      ShowClosingSegment();  // an extrusion is always closed
    }
    c_.Check1.enabled = true;
    if (c_.Check1.value.IsNumeric() && c_.Check1.value.ToLong() == 1 && closePathClick_)
      closePathClick_();
  }
  Drawing = false;
}

void PathEditor::AddPathPoint(float x, float y) {
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kFarOutside ||
      std::fabs(y) > kFarOutside)
    return;
  ++path.LastPoint;
  path.PathPoints.resize(static_cast<size_t>(path.LastPoint) + 1);
  path.PathPoints.back() = PathPoint{x, y, 0};

  // Extents: equal values change nothing, so the earliest leftmost point stays.
  // The leftmost point is found on the exact coordinates: against the rounded
  // MinX a later point only a fraction further right could take its place.
  if (path.MinY > y) path.MinY = RoundToLong(y);
  if (path.MaxY < y) path.MaxY = RoundToLong(y);
  const bool leftmost = path.LeftmostPoint < 0 || path.LeftmostPoint >= path.LastPoint
                            ? path.MinX > x
                            : x < path.PathPoints[static_cast<size_t>(path.LeftmostPoint)].X;
  if (leftmost) {
    path.MinX = RoundToLong(x);
    path.LeftmostPoint = path.LastPoint;
  }
  if (path.MaxX < x) path.MaxX = RoundToLong(x);

  Marker& marker = ShapeElement(path.LastPoint);
  marker.Left = x;
  marker.Top = y;
  marker.visible = true;

  LineSegment& segment = LineElement(path.LastPoint);
  if (path.LastPoint == 0) {
    segment.X1 = x;
    segment.Y1 = y;
  } else {
    // The new segment starts where the previous rubber band ended.
    const LineSegment& before = Line1[static_cast<size_t>(path.LastPoint) - 1];
    segment.X1 = before.X2;
    segment.Y1 = before.Y2;
  }
  segment.X2 = x;
  segment.Y2 = y;
  segment.visible = true;
  PublishPointCount();
}

void PathEditor::ClearPath() {
  c_.Check1.enabled = false;
  path.LastPoint = -1;
  path.PathPoints.clear();
  Line1.resize(1);
  Shape1.resize(1);
  Line1[0].visible = false;
  Shape1[0].visible = false;
  path.MinY = 1000;
  path.MaxY = -1000;
  path.MinX = 1000;
  path.MaxX = -1000;
  path.LeftmostPoint = -1;
  Drawing = false;
  PublishPointCount();
}

void PathEditor::ShowClosingSegment() {
  if (path.LastPoint < 1 || Line1.size() < static_cast<size_t>(path.LastPoint)) return;
  const LineSegment first = Line1[0];
  const LineSegment before = Line1[static_cast<size_t>(path.LastPoint) - 1];
  LineSegment& closing = LineElement(path.LastPoint);
  closing.X1 = first.X1;
  closing.Y1 = first.Y1;
  closing.X2 = before.X2;
  closing.Y2 = before.Y2;
  closing.visible = true;
}

void PathEditor::HideClosingSegment() {
  if (!ClosingSegmentLoaded()) return;
  LineSegment& closing = Line1[static_cast<size_t>(path.LastPoint)];
  closing.loaded = false;
  closing.visible = false;
}

bool PathEditor::ClosingSegmentLoaded() const {
  return path.LastPoint >= 1 && static_cast<size_t>(path.LastPoint) < Line1.size() &&
         Line1[static_cast<size_t>(path.LastPoint)].loaded;
}

LineSegment& PathEditor::LineElement(int32_t index) {
  const auto slot = static_cast<size_t>(index);
  if (slot >= Line1.size()) Line1.resize(slot + 1);
  Line1[slot].loaded = true;
  return Line1[slot];
}

Marker& PathEditor::ShapeElement(int32_t index) {
  const auto slot = static_cast<size_t>(index);
  if (slot >= Shape1.size()) Shape1.resize(slot + 1);
  Shape1[slot].loaded = true;
  return Shape1[slot];
}

bool PathEditor::AcrossAxis(float x, int32_t neighbour) const {
  if (!RotationSelected() || neighbour < 0 || neighbour > path.LastPoint) return false;
  const float axis = AxisX();
  const float other = path.PathPoints[static_cast<size_t>(neighbour)].X;
  return (x < axis && other > axis) || (x > axis && other < axis);
}

bool PathEditor::MovePoint(int32_t index, float x, float y) {
  if (index < 0 || index > path.LastPoint || !std::isfinite(x) || !std::isfinite(y)) return false;
  if (AcrossAxis(x, index - 1) || AcrossAxis(x, index + 1)) {
    if (onRefused) onRefused(x, y);
    return false;
  }
  std::vector<PathPoint> points = path.PathPoints;
  points[static_cast<size_t>(index)] = PathPoint{x, y, 0};
  ReplacePoints(points);
  return true;
}

bool PathEditor::DeletePoint(int32_t index) {
  if (index < 0 || index > path.LastPoint) return false;
  if (path.Count() <= (Drawing ? 1 : 2)) {
    ClearPath();
    return true;
  }
  std::vector<PathPoint> points = path.PathPoints;
  points.erase(points.begin() + index);
  ReplacePoints(points);
  return true;
}

bool PathEditor::InsertPoint(int32_t segment, float x, float y) {
  if (segment < 0 || segment > path.LastPoint || !std::isfinite(x) || !std::isfinite(y))
    return false;
  // The closing segment runs from the last point back to point 0.
  const int32_t next = segment == path.LastPoint ? 0 : segment + 1;
  if (AcrossAxis(x, segment) || AcrossAxis(x, next)) {
    if (onRefused) onRefused(x, y);
    return false;
  }
  std::vector<PathPoint> points = path.PathPoints;
  points.insert(points.begin() + segment + 1, PathPoint{x, y, 0});
  ReplacePoints(points);
  return true;
}

int32_t PathEditor::SegmentNear(float x, float y, float reach) const {
  const auto distance = [x, y](const PathPoint& a, const PathPoint& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((x - a.X) * dx + (y - a.Y) * dy) / length2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(a.X + t * dx - x, a.Y + t * dy - y);
  };
  const int32_t last = path.LastPoint;
  const bool closing = !Drawing && ClosingSegmentLoaded();
  int32_t best = -1;
  double bestDistance = reach;
  for (int32_t i = 0; i <= last; ++i) {
    if (i == last && !closing) break;
    const PathPoint& a = path.PathPoints[static_cast<size_t>(i)];
    const PathPoint& b = path.PathPoints[static_cast<size_t>(i == last ? 0 : i + 1)];
    const double d = distance(a, b);
    if (d <= bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

void PathEditor::ReplacePoints(const std::vector<PathPoint>& points) {
  const bool drawing = Drawing;
  const bool closing = !drawing && ClosingSegmentLoaded();
  const bool closeEnabled = c_.Check1.enabled;
  LineSegment band;
  if (drawing && path.LastPoint >= 0) band = Line1[static_cast<size_t>(path.LastPoint)];
  ClearPath();
  for (const PathPoint& p : points) AddPathPoint(p.X, p.Y);
  const auto n = static_cast<size_t>(path.Count());
  for (size_t i = 0; i + 1 < n; ++i)
    Line1[i] = LineSegment{points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, true, true};
  if (n > 0) {
    LineSegment& last = Line1[n - 1];
    if (drawing) {
      // The rubber band still runs from the last point to the mouse.
      last = LineSegment{points[n - 1].X, points[n - 1].Y, band.X2, band.Y2, true, true};
    } else {
      last.visible = false;
      last.loaded = n == 1;  // element 0 always exists
      if (closing) ShowClosingSegment();
    }
  }
  Drawing = drawing;
  c_.Check1.enabled = closeEnabled;
}

void PathEditor::SetBarLeft(float left) {
  BarLeft = left;
  c_.Picture3.value = Variant(BarLeft);
  PlaceAxisLine();
}

void PathEditor::PublishPointCount() {
  c_.Picture1.value = Variant(path.LastPoint + 1);
}

void PathEditor::PlaceAxisLine() {
  Line3.X1 = Line3.X2 = AxisX();
  Line3.Y1 = 0;
  Line3.Y2 = kAxisLength;
  Line3.loaded = true;
}

}  // namespace ks::objpath
