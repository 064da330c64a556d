#pragma once
// The drawing area of the path dialog: the person clicks the points of a 2D
// polyline into it; in "Rotation" mode a vertical axis (the bar) stands in the
// area, can be dragged, and every new point must stay on the same side of it
// as the previous one. The editor holds the path the generators read and the
// display objects a view draws: segments (Line1), point markers (Shape1), the
// bar (Picture3) and the axis line (Line3).
//
// Coordinates are pixels of the area (266 × 343), origin top-left, y growing
// downwards; mouse positions are stored exactly as they arrive.
#include <cmath>
#include <functional>
#include <vector>

#include "host/form.h"
#include "objpath/path_state.h"

namespace ks::objpath {

// A line control: loaded elements of a control array exist, visible ones show.
struct LineSegment {
  float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  bool loaded = false;
  bool visible = false;
  bool operator==(const LineSegment&) const = default;
};

// A square point marker, its top-left corner at the point.
struct Marker {
  static constexpr float kSize = 4;
  float Left = 0, Top = 0;
  bool loaded = false;
  bool visible = false;
  bool operator==(const Marker&) const = default;
};

// Mouse buttons as event handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;

class PathEditor {
 public:
  static constexpr float kAreaWidth = 266;   // Width of Picture1
  static constexpr float kAreaHeight = 343;  // Height of Picture1
  static constexpr float kBarWidth = 3;
  static constexpr float kBarStartLeft = 6;
  static constexpr float kAxisLength = 352;

  // The dialog controls the editor reads and writes. Picture1's value holds
  // the number of points (Long); Picture3's value holds the bar's Left (Single).
  struct Controls {
    Control& Picture1;
    Control& Picture3;
    Control& Line3;
    Control& Check1;     // "Close Path"
    Control& Rotation;   // Option1(0)
    Control& Extrude;    // Option1(1)
    Control& MoveBar;    // Option2(0)
    Control& BuildPath;  // Option2(1)
  };

  // closePathClick runs the dialog's "Close Path" handling when finishing a
  // path with "Close Path" checked.
  PathEditor(Controls controls, std::function<void()> closePathClick);

  // ---- Event handlers ----
  void Picture1_MouseDown(int button, int shift, float x, float y);
  void Picture1_MouseMove(int button, int shift, float x, float y);  // rubber band
  void Picture3_MouseMove(int button, int shift, float x,
                          float y);  // bar drag; x from the bar's left
  void Option2_Click(int index);

  // ---- Operations ----
  void PathClick(int button, float x, float y);
  // Appends one point with its marker and segment; Drawing is left alone.
  // Points that no mouse can report (not finite, or far outside any picture)
  // are ignored.
  void AddPathPoint(float x, float y);
  void ClearPath();

  // The closing segment Line1(LastPoint) from point 0 to the last point.
  // Both need at least two points.
  void ShowClosingSegment();
  void HideClosingSegment();
  bool ClosingSegmentLoaded() const;

  // ---- Corrections of a drawn path ----
  // Each keeps the path's state (being drawn, finished, traced) and its
  // display: segments between the points, the rubber band, the closing
  // segment and "Close Path" as they were. They return false, changing
  // nothing, for a point that does not exist or, in "Rotation" mode, a
  // place across the axis from a neighbouring point (refused).
  bool MovePoint(int32_t index, float x, float y);
  // Removing one of the last two points of a finished path (or the only
  // point of one being drawn) leaves the path empty.
  bool DeletePoint(int32_t index);
  // Inserts a point on segment `segment` (from point segment to the next, or
  // the closing segment back to point 0).
  bool InsertPoint(int32_t segment, float x, float y);
  // The point whose marker lies within `reach` pixels of (x, y), the nearest
  // first; -1 for none.
  int32_t PointNear(float x, float y, float reach) const;
  // The shown path segment (see InsertPoint) within `reach` of (x, y); -1 for none.
  int32_t SegmentNear(float x, float y, float reach) const;
  // Whether a point at x would lie across the axis from point `neighbour`.
  bool AcrossAxis(float x, int32_t neighbour) const;
  // Puts the bar (and the axis line) at the given Left.
  void SetBarLeft(float left);
  // Tells the point count to the drawing area's control (after a restore).
  void PublishPointCount();

  // Called with the place of a left click refused for lying across the axis.
  std::function<void(float x, float y)> onRefused;

  // Resets the editor to its state at load: empty path, "Build Path", the bar
  // hidden at its place and the axis line shown at it.
  void Load();

  bool RotationSelected() const;
  bool ExtrudeSelected() const;
  float AxisX() const { return BarLeft + 1.0f; }

  // ---- State ----
  PathState path;
  bool Drawing = false;
  bool BuildPathMode = true;
  float BarLeft = kBarStartLeft;  // Left of Picture3
  std::vector<LineSegment> Line1;
  std::vector<Marker> Shape1;
  LineSegment Line3;  // geometry of the axis line; its visibility is the control's

 private:
  LineSegment& LineElement(int32_t index);  // loads missing elements
  Marker& ShapeElement(int32_t index);
  // Rebuilds the path from the given points, keeping its state and display.
  void ReplacePoints(const std::vector<PathPoint>& points);
  void PlaceAxisLine();

  Controls c_;
  std::function<void()> closePathClick_;
};

// Inline, as the view module calls them without linking the editor's code.
inline bool PathEditor::ExtrudeSelected() const {
  return c_.Extrude.value.type() == VarType::Boolean && c_.Extrude.value.ToBool();
}

inline int32_t PathEditor::PointNear(float x, float y, float reach) const {
  int32_t best = -1;
  float bestDistance = reach;
  for (int32_t i = 0; i <= path.LastPoint; ++i) {
    // The marker's square hangs below and right of its point.
    const PathPoint& p = path.PathPoints[static_cast<size_t>(i)];
    const float d = std::hypot(x - (p.X + Marker::kSize / 2), y - (p.Y + Marker::kSize / 2));
    if (d <= bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

}  // namespace ks::objpath
