// The WaveFront reader's materials, with "Import materials (.mtl)" ticked.
//
// "mtllib" names material libraries, looked for beside the file: each is read
// once, and each material it defines becomes a host material. "usemtl NAME"
// binds the faces that follow to NAME, also across object breaks. An object
// whose faces use one material is bound to it; one whose faces use several is
// handed over as one object per material, in the order first used, named
// OBJECT_MATERIAL (faces before any "usemtl" keep the name OBJECT). Each part
// holds the vertices its faces use, numbered in the order first used, its
// faces' normals, and the smoothing runs that cross it.
#include <algorithm>
#include <filesystem>

#include "host/com_error.h"
#include "host/runtime.h"
#include "imp_obj.h"
#include "readers/hand_array.h"
#include "readers/host_material.h"
#include "readers/mtl_library.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {

namespace {

constexpr WarningKind kMissingLibraries{"material library that could not be read",
                                        "material libraries that could not be read",
                                        "their materials are not imported"};
constexpr WarningKind kUndefinedMaterials{"material not defined in the material libraries",
                                          "materials not defined in the material libraries",
                                          "their faces keep the object's colour"};

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

ObjectRef MakeHostMaterial(Runtime& runtime, const MtlMaterial& m) {
  ObjectRef material = runtime.CreateObject("Kestrel.CKsMaterial");
  Put(material, "Name", Variant(m.name));
  Put(material, "MaterialType", Variant(kImportedMaterialType));
  Put(material, "Color", Variant(m.diffuse));
  Put(material, "AmbientColor", Variant(m.ambient));
  Put(material, "SpecularColor", Variant(m.specular));
  Put(material, "Smoothness", Variant(m.smoothness));
  Put(material, "OpacityValue", Variant(m.opacity));
  Put(material, "SpecCoeff", Variant(kDefaultSpecCoeff));
  return material;
}

}  // namespace

void CImp_OBJ::ReadMaterialLibraries(std::string_view rest) {
  const std::string whole(TrimSpaces(rest));
  if (whole.empty()) return;
  // One name with spaces in it, or several names parted by spaces.
  std::error_code ec;
  if (whole.find(' ') == std::string::npos || st_.source.ReadsMemory() ||
      std::filesystem::is_regular_file(std::filesystem::path(folder_) / whole, ec)) {
    ReadMaterialLibrary(whole);
    return;
  }
  for (std::string_view token; !(token = NextToken(rest)).empty();)
    ReadMaterialLibrary(std::string(token));
}

void CImp_OBJ::ReadMaterialLibrary(const std::string& name) {
  // Names count from the file's folder; a library written with another
  // machine's folder is looked for beside the file too.
  std::string written = name;
  std::replace(written.begin(), written.end(), '\\', '/');
  std::filesystem::path path = std::filesystem::path(folder_) / written;
  std::error_code ec;
  if (!st_.source.ReadsMemory() && !std::filesystem::is_regular_file(path, ec))
    path = std::filesystem::path(folder_) / std::filesystem::path(written).filename();
  const std::string key = path.lexically_normal().string();
  if (std::find(libraries_.begin(), libraries_.end(), key) != libraries_.end()) return;
  libraries_.push_back(key);

  std::vector<MtlMaterial> read;
  try {
    TextInput library(&st_.source);
    library.Open(key);
    read = ks::readers::ReadMaterialLibrary(library, name, st_.warnings);
  } catch (const ComError&) {
    st_.warnings.Count(kMissingLibraries, name);
    return;
  }
  for (const MtlMaterial& m : read) {
    // The first definition of a name holds.
    if (std::find(definedMaterials_.begin(), definedMaterials_.end(), m.name) !=
        definedMaterials_.end())
      continue;
    definedMaterials_.push_back(m.name);
    materials_->Add(Variant(MakeHostMaterial(st_.runtime, m)));
  }
}

void CImp_OBJ::ReadUseMaterial(std::string_view rest) {
  // "usemtl" without a name ends the material in use.
  const std::string name(TrimSpaces(rest));
  auto it = std::find(materialNames_.begin(), materialNames_.end(), name);
  if (it == materialNames_.end() && !name.empty()) {
    it = materialNames_.insert(materialNames_.end(), name);
    materialWarned_.push_back(false);
  }
  currentMaterial_ = name.empty() ? -1 : static_cast<int32_t>(it - materialNames_.begin());
  const int32_t first = LastTriangle + 1;
  // A run that holds no face yet takes the new material instead.
  if (!materialRuns_.empty() && materialRuns_.back().first == first)
    materialRuns_.back().material = currentMaterial_;
  else
    materialRuns_.push_back({first, currentMaterial_});
}

void CImp_OBJ::StartMaterialRuns() {
  materialRuns_.assign(1, {0, currentMaterial_});
}

int32_t CImp_OBJ::SoleMaterial() const {
  int32_t sole = -1;
  bool any = false;
  const int32_t triangles = static_cast<int32_t>(Polygons.size() / 3);
  for (size_t k = 0; k < materialRuns_.size(); ++k) {
    const int32_t end = k + 1 < materialRuns_.size() ? materialRuns_[k + 1].first : triangles;
    if (materialRuns_[k].first >= end) continue;  // no face
    if (any && materialRuns_[k].material != sole) return -2;
    sole = materialRuns_[k].material;
    any = true;
  }
  return sole;
}

void CImp_OBJ::BindMaterial(const ObjectRef& target, int32_t material) {
  if (material < 0) return;
  const std::string& name = materialNames_[size_t(material)];
  if (std::find(definedMaterials_.begin(), definedMaterials_.end(), name) !=
      definedMaterials_.end()) {
    Put(target, "MaterialKey", Variant(name));
  } else if (!materialWarned_[size_t(material)]) {
    materialWarned_[size_t(material)] = true;
    st_.warnings.Count(kUndefinedMaterials, name);
  }
}

void CImp_OBJ::HandOverByMaterial(CollectionRef& colObject3D) {
  const int32_t triangles = static_cast<int32_t>(Polygons.size() / 3);
  // Parts in the order their material is first used; each triangle's part
  // and its number there.
  std::vector<int32_t> partMaterial;
  std::vector<std::vector<int32_t>> partTriangles;
  std::vector<int32_t> partOf(static_cast<size_t>(triangles));
  std::vector<int32_t> numberInPart(static_cast<size_t>(triangles));
  for (size_t k = 0; k < materialRuns_.size(); ++k) {
    const int32_t end = k + 1 < materialRuns_.size() ? materialRuns_[k + 1].first : triangles;
    const int32_t material = materialRuns_[k].material;
    auto it = std::find(partMaterial.begin(), partMaterial.end(), material);
    if (materialRuns_[k].first < end && it == partMaterial.end()) {
      it = partMaterial.insert(partMaterial.end(), material);
      partTriangles.emplace_back();
    }
    for (int32_t t = materialRuns_[k].first; t < end; ++t) {
      const size_t part = size_t(it - partMaterial.begin());
      partOf[size_t(t)] = static_cast<int32_t>(part);
      numberInPart[size_t(t)] = static_cast<int32_t>(partTriangles[part].size());
      partTriangles[part].push_back(t);
    }
  }
  // Normal records go to their triangle's part, renumbered.
  std::vector<std::vector<float>> partNormals(partMaterial.size());
  for (size_t r = 0; r + 10 <= PolygonNormals.size(); r += 10) {
    const int32_t t = static_cast<int32_t>(PolygonNormals[r]);
    std::vector<float>& normals = partNormals[size_t(partOf[size_t(t)])];
    normals.push_back(static_cast<float>(numberInPart[size_t(t)]));
    normals.insert(normals.end(), PolygonNormals.begin() + std::ptrdiff_t(r) + 1,
                   PolygonNormals.begin() + std::ptrdiff_t(r) + 10);
  }
  // Each part's vertices, numbered in the order its faces first use them.
  std::vector<int32_t> vertexPart(Vertices.size() / 3, -1);
  std::vector<int32_t> vertexNumber(Vertices.size() / 3);
  for (size_t part = 0; part < partMaterial.size(); ++part) {
    std::vector<float> vertices;
    std::vector<int32_t> corners;
    corners.reserve(partTriangles[part].size() * 3);
    for (const int32_t t : partTriangles[part]) {
      for (size_t c = 0; c < 3; ++c) {
        const size_t v = size_t(Polygons[size_t(t) * 3 + c]);
        if (vertexPart[v] != int32_t(part)) {
          vertexPart[v] = int32_t(part);
          vertexNumber[v] = static_cast<int32_t>(vertices.size() / 3);
          vertices.insert(vertices.end(), Vertices.begin() + std::ptrdiff_t(v * 3),
                          Vertices.begin() + std::ptrdiff_t(v * 3 + 3));
        }
        corners.push_back(vertexNumber[v]);
      }
    }
    const ObjectRef target = part == 0 ? object_ : st_.runtime.CreateObject("Kestrel.CKsObject");
    HandArray(target, "Add_Vertices", vertices);
    HandTriangles(target, corners);
    if (!partNormals[part].empty()) HandArray(target, "Set_PoligonNormals", partNormals[part]);
    ApplySmoothing(target, &partTriangles[part]);
    const int32_t material = partMaterial[part];
    BindMaterial(target, material);
    std::string name = objectName_;
    if (material >= 0) {
      std::string suffix = materialNames_[size_t(material)];
      ReplaceAll(1, " ", "_", suffix);
      name += "_" + suffix;
    }
    AddToList(target, name, colObject3D);
  }
  Vertices = {};
  Polygons = {};
  PolygonNormals = {};
}

}  // namespace ks::readers
