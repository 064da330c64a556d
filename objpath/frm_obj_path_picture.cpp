// The drawing area's background (grid or picture) and the tracing of a path
// from a picture's outline.
#include "objpath/frm_obj_path.h"

namespace ks::objpath {

// The eight neighbour steps in clockwise order on screen, starting west.
void frmObjPath::FillNeighbourSteps() {
  NeighbourSteps = {{{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}};
}

void frmObjPath::ClearBackground() {}

void frmObjPath::SetBackgroundPicture(const std::string& /*fileName*/) {}

bool frmObjPath::LoadTracePicture() {
  return false;
}

void frmObjPath::TraceOutline() {}

}  // namespace ks::objpath
