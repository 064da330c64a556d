#include "app/scene_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <cmath>
#include <set>
#include <tuple>

namespace {

class SceneExportTest : public ::testing::Test {
 protected:
  std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() / ("ks-export-test-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A cube (8 vertices, 12 triangles) named "Cube" in red, and a single
  // triangle "Tri" bound to a blue scene material, moved by its position.
  std::shared_ptr<ks::CKsScene> Scene() {
    auto scene = std::make_shared<ks::CKsScene>();
    auto cube = std::make_shared<ks::CKsObject>();
    cube->SetName("Cube");
    cube->SetDefaultColor(255);
    cube->AddVertices(
        std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1});
    cube->AddPolygons(std::vector<int32_t>{4, 0, 3, 2, 1, 4, 4, 5, 6, 7, 4, 0, 1, 5, 4,
                                           4, 1, 2, 6, 5, 4, 2, 3, 7, 6, 4, 3, 0, 4, 7});
    auto tri = std::make_shared<ks::CKsObject>();
    tri->SetName("Tri");
    tri->SetMaterialKey("Blue");
    tri->AddVertices(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});
    tri->AddTriangles(std::vector<int32_t>{0, 1, 2});
    tri->SetPosition({5, 0, 0});
    auto blue = std::make_shared<ks::CKsMaterial>();
    blue->SetName("Blue");
    blue->SetColor(255 << 16);
    scene->MaterialList()->AddMaterial(blue);
    scene->ObjectList()->AddObject(cube);
    scene->ObjectList()->AddObject(tri);
    scene->AssignMaterialToObject(ks::Variant("Object2"));
    return scene;
  }
};

// The mesh of the node with this name (formats may rename meshes, not nodes).
const aiMesh* MeshOfNode(const aiScene* s, const std::string& name) {
  const aiNode* node = s->mRootNode->FindNode(name.c_str());
  if (!node || node->mNumMeshes != 1) return nullptr;
  return s->mMeshes[node->mMeshes[0]];
}

aiColor3D Diffuse(const aiScene* s, const aiMesh* mesh) {
  aiColor3D c;
  s->mMaterials[mesh->mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, c);
  return c;
}

TEST_F(SceneExportTest, RoundTripKeepsNamesGeometryAndColours) {
  auto scene = Scene();
  for (std::string ext : {"obj", "glb", "gltf", "ply", "stl", "dae"}) {
    SCOPED_TRACE(ext);
    const auto file = dir_ / ("scene." + ext);
    kestrel::ExportScene(*scene, file);
    Assimp::Importer importer;
    const aiScene* s = importer.ReadFile(file.string(), 0);
    ASSERT_NE(s, nullptr) << importer.GetErrorString();
    unsigned faces = 0;
    for (unsigned i = 0; i < s->mNumMeshes; ++i) faces += s->mMeshes[i]->mNumFaces;
    EXPECT_EQ(faces, 13u);
    if (ext == "stl" || ext == "ply") continue;  // one nameless solid / mesh
    const aiMesh* cube = MeshOfNode(s, "Cube");
    const aiMesh* tri = MeshOfNode(s, "Tri");
    ASSERT_TRUE(cube && tri);
    EXPECT_EQ(cube->mNumFaces, 12u);
    EXPECT_EQ(Diffuse(s, cube).r, 1.0f);
    EXPECT_EQ(Diffuse(s, cube).b, 0.0f);
    EXPECT_EQ(Diffuse(s, tri).r, 0.0f);
    EXPECT_EQ(Diffuse(s, tri).b, 1.0f);
  }
}

TEST_F(SceneExportTest, PlyCarriesTheColourPerVertex) {
  kestrel::ExportScene(*Scene(), dir_ / "scene.ply");
  Assimp::Importer importer;
  const aiScene* s = importer.ReadFile((dir_ / "scene.ply").string(), 0);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->mMeshes[0]->HasVertexColors(0));
  std::set<std::pair<float, float>> colours;
  for (unsigned i = 0; i < s->mMeshes[0]->mNumVertices; ++i)
    colours.insert({s->mMeshes[0]->mColors[0][i].r, s->mMeshes[0]->mColors[0][i].b});
  EXPECT_EQ(colours, (std::set<std::pair<float, float>>{{1, 0}, {0, 1}}));
}

// Position and unit normal, rounded, as a file vertex carries them.
using Corner = std::tuple<long, long, long, long, long, long>;

Corner MakeCorner(const float* p, const float* n) {
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  auto r = [](float v) { return std::lround(v * 1000); };
  return {r(p[0]), r(p[1]), r(p[2]), r(n[0] / length), r(n[1] / length), r(n[2] / length)};
}

// Every corner of every triangle of the host objects, placed at the object's
// position, with its corner normal.
std::set<Corner> HostCorners(ks::CKsScene& scene) {
  std::set<Corner> out;
  for (const auto& o : scene.ObjectList()->Objects()) {
    const auto v = o->Vertices();
    const auto t = o->Triangles();
    const auto n = o->CornerNormals();
    const auto p = o->Position();
    for (size_t c = 0; c < t.size(); ++c) {
      const float* x = &v[size_t(t[c]) * 3];
      const float placed[3] = {x[0] + p[0], x[1] + p[1], x[2] + p[2]};
      out.insert(MakeCorner(placed, &n[c * 3]));
    }
  }
  return out;
}

// Every corner of the meshes read back, placed by their nodes (formats
// without nodes carry the placement in the positions).
void ReadCorners(const aiScene* s, const aiNode* node, aiMatrix4x4 placement,
                 std::set<Corner>& out) {
  placement = placement * node->mTransformation;
  for (unsigned i = 0; i < node->mNumMeshes; ++i) {
    const aiMesh* mesh = s->mMeshes[node->mMeshes[i]];
    ASSERT_TRUE(mesh->HasNormals());
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      for (unsigned c = 0; c < mesh->mFaces[f].mNumIndices; ++c) {
        const unsigned k = mesh->mFaces[f].mIndices[c];
        const aiVector3D p = placement * mesh->mVertices[k];
        out.insert(MakeCorner(&p.x, &mesh->mNormals[k].x));
      }
  }
  for (unsigned i = 0; i < node->mNumChildren; ++i)
    ReadCorners(s, node->mChildren[i], placement, out);
}

TEST_F(SceneExportTest, EveryFormatCarriesTheHostsCornerNormals) {
  auto scene = Scene();
  // The cube smoothed over all its faces: its corners point away from the
  // centre, which no reader would make up from the faces alone.
  auto cube = scene->ObjectList()->Objects()[0];
  cube->GetSurface(0, cube->TriangleCount() - 1);
  const std::set<Corner> expected = HostCorners(*scene);
  for (std::string ext : {"glb", "gltf", "ply", "dae", "obj"}) {
    SCOPED_TRACE(ext);
    const auto file = dir_ / ("normals." + ext);
    kestrel::ExportScene(*scene, file);
    Assimp::Importer importer;
    const aiScene* s = importer.ReadFile(file.string(), 0);  // no normals made up on reading
    ASSERT_NE(s, nullptr) << importer.GetErrorString();
    std::set<Corner> read;
    ReadCorners(s, s->mRootNode, aiMatrix4x4(), read);
    EXPECT_EQ(read, expected);
  }
}

TEST_F(SceneExportTest, ErrorsSayWhatWentWrong) {
  auto scene = Scene();
  try {
    kestrel::ExportScene(*scene, dir_ / "scene.xyz");
    FAIL();
  } catch (const ks::ComError& e) {
    EXPECT_NE(
        e.description().find("\".xyz\" is not supported (supported: obj, ply, stl, glb, gltf"),
        std::string::npos)
        << e.description();
  }
  EXPECT_THROW(kestrel::ExportScene(*scene, dir_ / "no" / "such" / "dir" / "scene.obj"),
               ks::ComError);
  ks::CKsScene empty;
  EXPECT_THROW(kestrel::ExportScene(empty, dir_ / "empty.obj"), ks::ComError);
}

}  // namespace
