#pragma once
// Traces the outline of the first shape in the drawing area's persistent image
// into a closed path of the path editor.
//
// Ink is any pixel whose colour is above 0 (anything but black); black and
// points outside the area (colour -1) are background. The first ink pixel is
// the topmost of the leftmost column holding ink. From there the walk goes
// round the shape clockwise on screen, one outline pixel at a time, and places
// a point wherever its direction changes, except at the start pixel and at the
// pixel right after a new point. It ends when it comes back to its start, and
// the last segment then closes the path. An outline whose passed-over pixels
// would make the path cross itself is walked again with a point at every
// turn, so a path traced from a picture crosses itself only where the
// picture's outline does.
//
// The search and the walk give the user interface a turn after every column
// and every step, with the hourglass showing meanwhile.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace ks {
class PictureSurface;
class Person;
}  // namespace ks

namespace ks::objpath {

class PathEditor;

// The eight neighbour steps of the walk, index 0 to 7 clockwise on screen:
// west, north-west, north, north-east, east, south-east, south, south-west.
// The dialog keeps its own copy of the table (NeighbourSteps) and hands it in.
struct TraceStep {
  int32_t dx = 0;
  int32_t dy = 0;
};
using TraceSteps = std::array<TraceStep, 8>;
void FillTraceSteps(TraceSteps& steps);

// How a trace ended.
enum class TraceEnd {
  NoInk,       // nothing to trace: the path was not touched
  NoOutline,   // a lone ink pixel: no neighbour to walk to
  Closed,      // back at the start: the path is closed
  Lost,        // no next outline pixel (the picture changed under the walk)
  Runaway,     // the walk went round without reaching its start again
  Interrupted  // the dialog went away while the trace gave the interface a turn
};

class OutlineTracer {
 public:
  OutlineTracer(const PictureSurface& area, const TraceSteps& steps, PathEditor& editor,
                Person& person);

  // Asked after every turn given to the user interface; true ends the trace
  // (the dialog has been unloaded meanwhile).
  std::function<bool()> stopRequested;

  bool FindFirstInk(int32_t& X, int32_t& Y);
  // The next outline pixel clockwise from (X, Y) when arriving in direction Dir.
  bool NextOutlinePixel(int32_t X, int32_t Y, int32_t& NX, int32_t& NY, int32_t Dir,
                        int32_t& NewDir) const;
  // Adds the outline's corners to the editor's path (which the caller clears).
  TraceEnd TraceOutline();
  // Makes the last segment the closing one, from point 0 to the last point.
  void CloseTracedPath();

  // True right after an outline pixel has become a path point.
  bool TraceSkip = false;

  // A walk visits each outline pixel at most four times (once per side it
  // shows to the background), so no outline is longer than this many steps.
  int64_t StepLimit() const;

 private:
  // One round of the outline from the start pixel; skipAfterCorner passes
  // over the pixel right after each new point.
  TraceEnd Walk(int32_t sx, int32_t sy, int32_t dir, bool skipAfterCorner);
  void AddCorner(int32_t x, int32_t y);
  bool IsInk(int32_t x, int32_t y) const;
  bool Yield();  // true when the trace must stop
  // Marks the walk's state; false when it was reached before, which means the
  // walk goes round without ever coming back to its start.
  bool FirstVisit(int32_t x, int32_t y, int32_t dir);

  const PictureSurface& area_;
  const TraceSteps& steps_;
  PathEditor& editor_;
  Person& person_;
  std::vector<uint8_t> visited_;  // one bit per direction for each pixel
};

}  // namespace ks::objpath
