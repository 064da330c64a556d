#pragma once
// Writes a scene to a file through assimp's exporter, the format chosen by the
// file's extension (see ExportFormats()).
//
// Each object becomes one node with one mesh, both carrying the object's name
// (its key when the name is empty; a repeated name gets "_2", "_3", ...); the
// node's translation is the object's position. Objects without triangles
// become nodes without a mesh. Each mesh gets a material: the scene material
// bound to the object (its colours and opacity), or else one made from the
// object's DefaultColor ("Color_RRGGBB"). PLY, which has no materials, gets
// the colour as vertex colours. Triangles are written as the host stores them,
// with the host's corner normals (as smoothed by Get_Surface and
// SmoothNormalsAdaptive): a vertex whose corners carry different normals is
// written once per normal.
//
// Errors are ks::ComErrors: an unknown extension (the description lists the
// supported ones), a scene without any triangles, or assimp's own error text.
#include <filesystem>
#include <string>
#include <vector>

#include "host/ks_scene.h"

namespace kestrel {

struct ExportFormat {
  std::string extension;  // lower case, without the dot
  std::string assimpId;   // assimp's export format id
  std::string description;
};

const std::vector<ExportFormat>& ExportFormats();

void ExportScene(const ks::CKsScene& scene, const std::filesystem::path& out);
// As ExportScene, for some of a scene's objects (the selected or the visible
// ones); their materials go with them.
void ExportObjects(const std::vector<ks::KsObjectRef>& objects, const std::filesystem::path& out);

}  // namespace kestrel
