#include "objpath/outline_tracer.h"

#include "host/person.h"
#include "host/picture_surface.h"
#include "objpath/path_editor.h"

namespace ks::objpath {

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
  int32_t cx = sx, cy = sy;
  TraceSkip = false;
  visited_.clear();

  for (int64_t step = 0;; ++step) {
    // The walk is determined by its pixel and direction: meeting one of those
    // states again means it circles without its start, so it ends here with
    // the points found so far. The step limit guards against a picture that
    // changes while the interface has its turn.
    if (!FirstVisit(cx, cy, dir) || step > StepLimit()) return finish(TraceEnd::Runaway);
    int32_t nx = 0, ny = 0, newDir = 0;
    if (!NextOutlinePixel(cx, cy, nx, ny, dir, newDir)) return finish(TraceEnd::Lost);
    if (TraceSkip) {
      TraceSkip = false;
    } else if ((cx != sx || cy != sy) && newDir != dir) {
      // A corner: the open segment ends here and a point starts the next one.
      const int32_t last = editor_.path.LastPoint;
      if (last >= 0 && static_cast<size_t>(last) < editor_.Line1.size()) {
        editor_.Line1[static_cast<size_t>(last)].X2 = static_cast<float>(cx);
        editor_.Line1[static_cast<size_t>(last)].Y2 = static_cast<float>(cy);
      }
      editor_.AddPathPoint(static_cast<float>(cx), static_cast<float>(cy));
      TraceSkip = true;
    }
    if (nx == sx && ny == sy) {
      CloseTracedPath();
      return finish(TraceEnd::Closed);
    }
    cx = nx;
    cy = ny;
    dir = newDir;
    if (Yield()) return finish(TraceEnd::Interrupted);
  }
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
