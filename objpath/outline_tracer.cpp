#include "objpath/outline_tracer.h"

#include "host/person.h"
#include "host/picture_surface.h"
#include "objpath/cap_triangulation.h"
#include "objpath/path_editor.h"

namespace ks::objpath {

namespace {

// Whether the closed path gets a cap, as the extrusion builds it.
bool OutlineCaps(const PathState& path) {
  const std::optional<bool> flip = FindOrientation(path.PathPoints, path.LeftmostPoint);
  if (!flip) return true;
  IndexList list(path.PathPoints.size());
  for (size_t i = 0; i < list.size(); ++i) list[i] = static_cast<int32_t>(i);
  std::vector<int32_t> polygons;
  std::vector<CapTriangle> triangles;
  CapOutput out{polygons, triangles};
  return TriangulateCap(path.PathPoints, list, *flip, out);
}

}  // namespace

void FillTraceSteps(TraceSteps& steps) {
  steps = {{{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}};
}

OutlineTracer::OutlineTracer(const PictureSurface& area, const TraceSteps& steps,
                             PathEditor& editor, Person& person)
    : area_(area), steps_(steps), editor_(editor), person_(person) {}

bool OutlineTracer::IsInk(int32_t x, int32_t y) const {
  return area_.Pixel(x, y) > 0;
}

bool OutlineTracer::Yield() {
  person_.DoEvents();
  return stopRequested && stopRequested();
}

int64_t OutlineTracer::StepLimit() const {
  return 4 * (int64_t{area_.Width()} * area_.Height()) + 8;
}

bool OutlineTracer::FirstVisit(int32_t x, int32_t y, int32_t dir) {
  if (!area_.Contains(x, y)) return true;  // ink lies inside the area only
  if (visited_.empty()) visited_.assign(static_cast<size_t>(area_.Width()) * area_.Height(), 0);
  uint8_t& cell = visited_[static_cast<size_t>(y) * area_.Width() + x];
  const auto bit = static_cast<uint8_t>(1u << dir);
  if (cell & bit) return false;
  cell |= bit;
  return true;
}

bool OutlineTracer::FindFirstInk(int32_t& X, int32_t& Y) {
  // The columns and rows run to the area's width and height inclusive; the
  // last ones lie outside and read as background.
  for (int32_t x = 0; x <= area_.Width(); ++x) {
    for (int32_t y = 0; y <= area_.Height(); ++y) {
      if (IsInk(x, y)) {
        X = x;
        Y = y;
        return true;
      }
    }
    if (Yield()) return false;
  }
  return false;
}

bool OutlineTracer::NextOutlinePixel(int32_t X, int32_t Y, int32_t& NX, int32_t& NY, int32_t Dir,
                                     int32_t& NewDir) const {
  // Start three steps counter-clockwise from the arrival direction, just past
  // the pixel we came from, and turn clockwise.
  const int32_t first = (((Dir + 5) % 8) + 8) % 8;
  bool backgroundSeen = false;
  auto answer = [&](int32_t i) {
    NewDir = i;
    NX = X + steps_[static_cast<size_t>(i)].dx;
    NY = Y + steps_[static_cast<size_t>(i)].dy;
    return true;
  };
  for (int32_t k = 0; k < 8; ++k) {
    const int32_t i = (first + k) % 8;
    const TraceStep& s = steps_[static_cast<size_t>(i)];
    if (!IsInk(X + s.dx, Y + s.dy))
      backgroundSeen = true;
    else if (backgroundSeen)
      return answer(i);
  }
  const TraceStep& s = steps_[static_cast<size_t>(first)];
  if (backgroundSeen && IsInk(X + s.dx, Y + s.dy)) return answer(first);
  return false;
}

TraceEnd OutlineTracer::TraceOutline() {
  person_.SetScreenPointer(kPointerHourglass);
  auto finish = [this](TraceEnd end) {
    person_.SetScreenPointer(kPointerDefault);
    return end;
  };

  int32_t x0 = 0, y0 = 0;
  if (!FindFirstInk(x0, y0))
    return finish(stopRequested && stopRequested() ? TraceEnd::Interrupted : TraceEnd::NoInk);
  int32_t sx = 0, sy = 0, dir = 0;
  if (!NextOutlinePixel(x0, y0, sx, sy, 0, dir)) return finish(TraceEnd::NoOutline);
  TraceEnd end = Walk(sx, sy, dir, true);
  // Passing over the pixel after each corner cuts that pixel's corner off;
  // where a shape is thin (a diagonal bridge) the cut edges can cross each
  // other although the outline in the picture does not. Such an outline is
  // walked again with a point at every turn, which follows the picture's
  // outline exactly and so never crosses.
  if (end == TraceEnd::Closed && !OutlineCaps(editor_.path)) {
    editor_.ClearPath();
    end = Walk(sx, sy, dir, false);
  }
  return finish(end);
}

TraceEnd OutlineTracer::Walk(int32_t sx, int32_t sy, int32_t dir, bool skipAfterCorner) {
  int32_t cx = sx, cy = sy;
  int32_t firstDir = dir;  // the direction the walk leaves its start in
  TraceSkip = false;
  visited_.clear();

  for (int64_t step = 0;; ++step) {
    // The walk is determined by its pixel and direction: meeting one of those
    // states again means it circles without its start, so it ends here with
    // the points found so far. The step limit guards against a picture that
    // changes while the interface has its turn.
    if (!FirstVisit(cx, cy, dir) || step > StepLimit()) return TraceEnd::Runaway;
    int32_t nx = 0, ny = 0, newDir = 0;
    if (!NextOutlinePixel(cx, cy, nx, ny, dir, newDir)) return TraceEnd::Lost;
    if (TraceSkip) {
      TraceSkip = false;
    } else if ((cx != sx || cy != sy) && newDir != dir) {
      AddCorner(cx, cy);
      TraceSkip = skipAfterCorner;
    }
    if (step == 0) firstDir = newDir;
    if (nx == sx && ny == sy) {
      // Walking every turn, the start pixel is a point too where the walk
      // turns at it, so that the closing segment follows the outline.
      if (!skipAfterCorner && newDir != firstDir) AddCorner(sx, sy);
      CloseTracedPath();
      return TraceEnd::Closed;
    }
    cx = nx;
    cy = ny;
    dir = newDir;
    if (Yield()) return TraceEnd::Interrupted;
  }
}

// A corner: the open segment ends here and a point starts the next one.
void OutlineTracer::AddCorner(int32_t x, int32_t y) {
  const int32_t last = editor_.path.LastPoint;
  if (last >= 0 && static_cast<size_t>(last) < editor_.Line1.size()) {
    editor_.Line1[static_cast<size_t>(last)].X2 = static_cast<float>(x);
    editor_.Line1[static_cast<size_t>(last)].Y2 = static_cast<float>(y);
  }
  editor_.AddPathPoint(static_cast<float>(x), static_cast<float>(y));
}

void OutlineTracer::CloseTracedPath() {
  // The path may have been changed by a click while the trace gave the
  // interface its turn; there is nothing to close without its segments.
  const int32_t last = editor_.path.LastPoint;
  if (last < 0 || static_cast<size_t>(last) >= editor_.Line1.size()) return;
  std::vector<LineSegment>& lines = editor_.Line1;
  LineSegment& closing = lines[static_cast<size_t>(last)];
  closing.X1 = lines[0].X1;
  closing.Y1 = lines[0].Y1;
  if (last > 0) {
    closing.X2 = lines[static_cast<size_t>(last) - 1].X2;
    closing.Y2 = lines[static_cast<size_t>(last) - 1].Y2;
  }
}

}  // namespace ks::objpath
