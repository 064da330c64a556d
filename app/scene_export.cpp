#include "app/scene_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "app/render/indexed_mesh.h"
#include "host/ks_color.h"

namespace kestrel {
namespace {

constexpr std::string_view kSource = "kestrel export";

[[noreturn]] void Fail(const std::string& what) {
  throw ks::ComError(ks::err::kInvalidCall, what, std::string(kSource));
}

aiColor3D ColorOf(int32_t color) {
  const auto c = static_cast<uint32_t>(color);
  return aiColor3D(float(ks::RedOf(c)) / 255.0f, float(ks::GreenOf(c)) / 255.0f,
                   float(ks::BlueOf(c)) / 255.0f);
}

std::string ColorName(int32_t color) {
  const auto c = static_cast<uint32_t>(color);
  char text[16];
  std::snprintf(text, sizeof text, "Color_%02X%02X%02X", ks::RedOf(c), ks::GreenOf(c),
                ks::BlueOf(c));
  return text;
}

aiMaterial* MakeMaterial(const std::string& name, int32_t diffuse, const ks::CKsMaterial* m) {
  auto* mat = new aiMaterial();
  aiString aiName(name);
  mat->AddProperty(&aiName, AI_MATKEY_NAME);
  const aiColor3D d = ColorOf(diffuse);
  mat->AddProperty(&d, 1, AI_MATKEY_COLOR_DIFFUSE);
  const aiColor4D base(d.r, d.g, d.b, m ? m->Opacity() : 1.0f);
  mat->AddProperty(&base, 1, AI_MATKEY_BASE_COLOR);
  if (m) {
    const aiColor3D ambient = ColorOf(m->AmbientColor()), specular = ColorOf(m->SpecularColor());
    mat->AddProperty(&ambient, 1, AI_MATKEY_COLOR_AMBIENT);
    mat->AddProperty(&specular, 1, AI_MATKEY_COLOR_SPECULAR);
    const float opacity = m->Opacity();
    mat->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
  }
  return mat;
}

// A unit normal for the file: glTF readers and validators want unit length,
// so a zero normal (a triangle without area) or a broken one points up.
aiVector3D UnitNormal(const float* n) {
  aiVector3D v(n[0], n[1], n[2]);
  const float length = v.Length();
  if (!std::isfinite(length) || length < 1e-20f) return aiVector3D(0, 0, 1);
  return v / length;
}

// The host's corner normals go with the mesh: one file vertex per distinct
// position and normal, as the viewport draws it, so the smoothing a person
// sees is what other programs show.
aiMesh* MakeMesh(ks::CKsObject& o, const std::string& name, unsigned material, bool vertexColors) {
  auto mesh = std::make_unique<aiMesh>();
  mesh->mName = aiString(name);
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = material;
  const render::IndexedMesh built =
      render::BuildIndexedMesh(o.Vertices(), o.Triangles(), o.CornerNormals(), {0, 0, 0});
  mesh->mNumVertices = unsigned(built.vertices.size() / 6);
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
    const float* v = &built.vertices[size_t(i) * 6];
    mesh->mVertices[i] = aiVector3D(v[0], v[1], v[2]);
    mesh->mNormals[i] = UnitNormal(v + 3);
  }
  if (vertexColors) {
    const aiColor3D c = ColorOf(o.Material() ? o.Material()->Color() : o.DefaultColor());
    mesh->mColors[0] = new aiColor4D[mesh->mNumVertices];
    std::fill_n(mesh->mColors[0], mesh->mNumVertices, aiColor4D(c.r, c.g, c.b, 1.0f));
  }
  mesh->mNumFaces = unsigned(built.indices.size() / 3);
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    aiFace& face = mesh->mFaces[f];
    face.mNumIndices = 3;
    const uint32_t* t = &built.indices[size_t(f) * 3];
    face.mIndices = new unsigned[3]{t[0], t[1], t[2]};
  }
  return mesh.release();
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

const std::vector<ExportFormat>& ExportFormats() {
  static const std::vector<ExportFormat> formats = {
      {"obj", "obj", "WaveFront OBJ (with an MTL file)"},
      // Text PLY: assimp 5.2's binary PLY writer garbles vertex colours.
      {"ply", "ply", "Stanford PLY (text)"},
      {"stl", "stlb", "Stereolithography (binary)"},
      {"glb", "glb2", "glTF 2 (binary)"},
      {"gltf", "gltf2", "glTF 2 (text with a .bin file)"},
      {"dae", "collada", "COLLADA"},
  };
  return formats;
}

void ExportScene(const ks::CKsScene& scene, const std::filesystem::path& out) {
  ExportObjects(scene.ObjectList()->Objects(), out);
}

void ExportObjects(const std::vector<ks::KsObjectRef>& objects, const std::filesystem::path& out) {
  std::string ext = Lower(out.extension().string());
  if (!ext.empty()) ext.erase(0, 1);
  const auto& formats = ExportFormats();
  const auto format = std::find_if(formats.begin(), formats.end(),
                                   [&](const ExportFormat& f) { return f.extension == ext; });
  if (format == formats.end()) {
    std::string list;
    for (const auto& f : formats) list += (list.empty() ? "" : ", ") + f.extension;
    Fail("Cannot export to " + out.string() + ": the extension \"" + out.extension().string() +
         "\" is not supported (supported: " + list + ")");
  }
  const bool vertexColors = format->extension == "ply";

  aiScene ai;
  ai.mRootNode = new aiNode("Scene");
  std::vector<aiMesh*> meshes;
  std::vector<aiMaterial*> materials;
  std::vector<aiNode*> nodes;
  std::map<const ks::CKsMaterial*, unsigned> boundMaterials;
  std::map<int32_t, unsigned> colorMaterials;
  std::set<std::string> usedNames;
  try {
    for (const auto& o : objects) {
      std::string name = o->Name().empty() ? o->Key() : o->Name();
      if (!usedNames.insert(name).second) {
        int n = 2;
        while (!usedNames.insert(name + "_" + std::to_string(n)).second) ++n;
        name += "_" + std::to_string(n);
      }
      auto* node = new aiNode(name);
      nodes.push_back(node);
      const auto p = o->Position();
      node->mTransformation.a4 = p[0];
      node->mTransformation.b4 = p[1];
      node->mTransformation.c4 = p[2];
      if (o->TriangleCount() == 0) continue;

      unsigned material;
      if (const ks::CKsMaterial* m = o->Material().get()) {
        auto [it, added] = boundMaterials.emplace(m, unsigned(materials.size()));
        if (added)
          materials.push_back(
              MakeMaterial(m->Name().empty() ? ColorName(m->Color()) : m->Name(), m->Color(), m));
        material = it->second;
      } else {
        auto [it, added] = colorMaterials.emplace(o->DefaultColor(), unsigned(materials.size()));
        if (added)
          materials.push_back(
              MakeMaterial(ColorName(o->DefaultColor()), o->DefaultColor(), nullptr));
        material = it->second;
      }
      meshes.push_back(MakeMesh(*o, name, material, vertexColors));
      node->mNumMeshes = 1;
      node->mMeshes = new unsigned[1]{unsigned(meshes.size() - 1)};
    }
  } catch (...) {
    for (auto* m : meshes) delete m;
    for (auto* m : materials) delete m;
    for (auto* n : nodes) delete n;
    throw;
  }
  // Hand everything to the scene, which frees it.
  ai.mRootNode->addChildren(unsigned(nodes.size()), nodes.data());
  ai.mNumMeshes = unsigned(meshes.size());
  ai.mMeshes = new aiMesh*[meshes.size()];
  std::copy(meshes.begin(), meshes.end(), ai.mMeshes);
  ai.mNumMaterials = unsigned(materials.size());
  ai.mMaterials = new aiMaterial*[materials.size()];
  std::copy(materials.begin(), materials.end(), ai.mMaterials);

  if (meshes.empty())
    Fail("Cannot export to " + out.string() + ": no object to export has any triangles");

  Assimp::Exporter exporter;
  if (exporter.Export(&ai, format->assimpId, out.string()) != aiReturn_SUCCESS)
    Fail("Cannot export to " + out.string() + ": " + exporter.GetErrorString());
}

}  // namespace kestrel
