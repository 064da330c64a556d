#pragma once
// What `kestrel` prints about a scene: a one-line-per-object summary, or one
// JSON document.
//
// Summary line per object, in list order:
//   <key> "<name>": <n> vertices, <n> triangles, colour RGB(r, g, b)
//
// JSON (keys are a public interface: keep them, add freely):
//   {"file": str,
//    "objects": [{"key": str, "name": str, "vertices": int, "triangles": int,
//                 "normalTriangles": int, "color": int, "materialKey": str,
//                 "groupKey": str, "visible": bool,
//                 "position": [x, y, z], "size": [dx, dy, dz]
//                 [, "vertexData": [x0, y0, z0, x1, ...],
//                    "triangleData": [a0, b0, c0, a1, ...]]}],
//    "materials": [{"name": str, "color": int, "ambientColor": int,
//                   "specularColor": int, "smoothness": num, "opacity": num,
//                   "specCoeff": num, "materialType": int}],
//    "selectedObject": int
//    [, "warnings": [str, ...]]}
// "size" is the bounding box's extent (max - min per axis; 0 for an object
// without vertices); "normalTriangles" counts the triangles that carry at
// least one explicit corner normal. With geometry, "vertexData" holds x, y, z
// of every vertex as the host stores them and "triangleData" the three vertex
// numbers (0-based) of every triangle in the host's order, both flat.
// "warnings" (from `kestrel import`) lists what the import passed over, one
// entry per kind. Numbers are written in shortest round-trip form; NaN and infinities as null.
#include <ostream>
#include <string>
#include <vector>

#include "host/ks_scene.h"

namespace kestrel {

struct SceneReport {
  const ks::CKsScene& scene;
  std::string file;             // the file the scene came from ("" when none)
  int32_t selectedObject = -1;  // 1-based position in the object list, -1 for none
  bool withGeometry = false;    // add vertexData and triangleData
  // An import's warnings; when set, the JSON document carries a "warnings" array.
  const std::vector<std::string>* warnings = nullptr;
};

void WriteSceneSummary(std::ostream& out, const SceneReport& report);
void WriteSceneJson(std::ostream& out, const SceneReport& report);

// A scene holding just this object (for commands that build a single object).
ks::KsSceneRef SceneWithObject(const ks::KsObjectRef& object);

// "RGB(0, 128, 192)" for a Long colour (red in the low byte).
std::string ColorText(int32_t color);

}  // namespace kestrel
