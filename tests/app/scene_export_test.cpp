#include "app/scene_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <set>

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
