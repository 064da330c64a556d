#pragma once
// The path dialog's settings that come back at the next opening on the
// desktop: the mode, the rotation's sections and angle, the extrusion's
// height and the two close options, kept in the registry under the plug-in's
// key beside the picture grid's folder. Values out of their grid's range are
// read as the defaults.
#include <cstdint>

#include "objpath/mesh_builders.h"

namespace ks {
class Runtime;
}

namespace ks::objpath {

struct RememberedSettings {
  bool extrude = false;  // "Extrude" rather than "Rotation"
  int32_t sections = 8;
  int32_t yRotation = 360;
  int32_t extrudeHeight = 40;
  bool closeLastPolygons = true;
  bool closePath = false;  // "Close Path"
  bool operator==(const RememberedSettings&) const = default;
};

RememberedSettings ReadRememberedSettings(Runtime& rt);
void WriteRememberedSettings(Runtime& rt, const RememberedSettings& settings);

}  // namespace ks::objpath
