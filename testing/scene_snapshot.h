#pragma once
// A copy of everything a scene holds that a person could see or an import
// could change: its objects (identity, key, group, name, colour, material,
// position, visibility, vertices, triangles, corner normals) and materials
// (identity, name, colours, finish), and the count of imports it prepared.
// SceneDifference tells the first thing that changed between two copies, so
// that tests and fuzz targets can check that a run left a scene as it was, or
// only added to it.
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/ks_material.h"
#include "host/ks_object.h"
#include "host/ks_scene.h"

namespace ks::snapshot {

struct ObjectCopy {
  const void* identity = nullptr;
  std::string key, groupKey, name, materialKey;
  int32_t color = 0;
  bool visible = true;
  const void* material = nullptr;
  std::vector<uint32_t> position, vertices, normals;  // float bits: NaN equals NaN
  std::vector<int32_t> triangles;
  std::vector<bool> explicitCorners;
};

struct MaterialCopy {
  const void* identity = nullptr;
  std::string name;
  int16_t type = 0;
  int32_t ambient = 0, color = 0, specular = 0;
  std::vector<uint32_t> finish;  // smoothness, opacity, specular coefficient (float bits)
};

struct SceneCopy {
  std::vector<ObjectCopy> objects;
  std::vector<MaterialCopy> materials;
  int32_t imports = 0;  // Prepare_Import calls
};

inline std::vector<uint32_t> Bits(std::span<const float> values) {
  std::vector<uint32_t> out;
  out.reserve(values.size());
  for (float v : values) out.push_back(std::bit_cast<uint32_t>(v));
  return out;
}

// Corner normals are computed on first use; taking them fills that cache and
// changes nothing a person sees.
inline SceneCopy TakeSnapshot(const CKsScene& scene) {
  SceneCopy copy;
  copy.imports = scene.ImportCount();
  for (const KsObjectRef& o : scene.ObjectList()->Objects()) {
    ObjectCopy c;
    c.identity = o.get();
    c.key = o->Key();
    c.groupKey = o->GroupKey();
    c.name = o->Name();
    c.materialKey = o->MaterialKey();
    c.color = o->DefaultColor();
    c.visible = o->Visible();
    c.material = o->Material().get();
    const std::array<float, 3> position = o->Position();
    c.position = Bits(position);
    c.vertices = Bits(o->Vertices());
    c.triangles.assign(o->Triangles().begin(), o->Triangles().end());
    c.normals = Bits(o->CornerNormals());
    for (int32_t t = 0; t < o->TriangleCount(); ++t)
      for (int corner = 0; corner < 3; ++corner)
        c.explicitCorners.push_back(o->HasExplicitNormal(t, corner));
    copy.objects.push_back(std::move(c));
  }
  for (const KsMaterialRef& m : scene.MaterialList()->Materials()) {
    MaterialCopy c;
    c.identity = m.get();
    c.name = m->Name();
    c.type = m->MaterialType();
    c.ambient = m->AmbientColor();
    c.color = m->Color();
    c.specular = m->SpecularColor();
    const std::array<float, 3> finish{m->Smoothness(), m->Opacity(),
                                      static_cast<float>(m->SpecCoeff())};
    c.finish = Bits(finish);
    copy.materials.push_back(std::move(c));
  }
  return copy;
}

inline std::string FirstChange(const ObjectCopy& a, const ObjectCopy& b) {
  if (a.identity != b.identity) return "another object in its place";
  if (a.key != b.key) return "key " + a.key + " -> " + b.key;
  if (a.groupKey != b.groupKey) return "group " + a.groupKey + " -> " + b.groupKey;
  if (a.name != b.name) return "name " + a.name + " -> " + b.name;
  if (a.materialKey != b.materialKey) return "material key";
  if (a.color != b.color) return "colour";
  if (a.visible != b.visible) return "visibility";
  if (a.material != b.material) return "bound material";
  if (a.position != b.position) return "position";
  if (a.vertices != b.vertices) return "vertices";
  if (a.triangles != b.triangles) return "triangles";
  if (a.normals != b.normals || a.explicitCorners != b.explicitCorners) return "normals";
  return {};
}

inline std::string FirstChange(const MaterialCopy& a, const MaterialCopy& b) {
  if (a.identity != b.identity) return "another material in its place";
  if (a.name != b.name) return "name " + a.name + " -> " + b.name;
  if (a.type != b.type || a.ambient != b.ambient || a.color != b.color ||
      a.specular != b.specular || a.finish != b.finish)
    return "colours or finish";
  return {};
}

enum class Compare {
  Exactly,    // nothing changed, nothing added
  OnlyAdded,  // what was there is unchanged; objects and materials may follow it
};

// Empty when `after` is `before` (or, with OnlyAdded, begins with it);
// otherwise what changed first, in words.
inline std::string SceneDifference(const SceneCopy& before, const SceneCopy& after,
                                   Compare compare = Compare::Exactly) {
  const bool exactly = compare == Compare::Exactly;
  if (after.objects.size() < before.objects.size() ||
      (exactly && after.objects.size() != before.objects.size()))
    return std::to_string(before.objects.size()) + " objects became " +
           std::to_string(after.objects.size());
  if (after.materials.size() < before.materials.size() ||
      (exactly && after.materials.size() != before.materials.size()))
    return std::to_string(before.materials.size()) + " materials became " +
           std::to_string(after.materials.size());
  for (size_t i = 0; i < before.objects.size(); ++i)
    if (std::string change = FirstChange(before.objects[i], after.objects[i]); !change.empty())
      return "object " + std::to_string(i + 1) + " (" + before.objects[i].name + "): " + change;
  for (size_t i = 0; i < before.materials.size(); ++i)
    if (std::string change = FirstChange(before.materials[i], after.materials[i]); !change.empty())
      return "material " + std::to_string(i + 1) + " (" + before.materials[i].name + "): " + change;
  if (exactly && after.imports != before.imports) return "an import was prepared";
  return {};
}

}  // namespace ks::snapshot
