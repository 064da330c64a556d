// What the drawing area of frmObjPath shows, gathered for views.
#include "objpath/frm_obj_path.h"

namespace ks::objpath {

frmObjPath::AreaContents frmObjPath::DrawingArea() const {
  AreaContents area;
  for (const LineSegment& segment : editor_.Line1)
    if (segment.loaded && segment.visible) area.segments.push_back(segment);
  for (const Marker& marker : editor_.Shape1)
    if (marker.loaded && marker.visible) area.markers.push_back(marker);
  if (Line3.visible) area.axis = editor_.Line3;
  if (Picture3.visible) area.barLeft = editor_.BarLeft;
  area.pointer = Picture1.mousePointer;
  return area;
}

}  // namespace ks::objpath
