// The drawing form of an object: the reordered mesh still draws exactly the
// object's triangles with their normals, and the coarse form of a big mesh is
// much smaller and only names vertices that exist.
#include "app/render/mesh_detail.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>

namespace kestrel::render {
namespace {

// An n x n grid of positions on a wavy surface, two triangles per cell.
ks::KsObjectRef Grid(int n) {
  auto o = std::make_shared<ks::CKsObject>();
  std::vector<float> xyz;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      xyz.insert(xyz.end(),
                 {float(i), float(j), std::sin(float(i) * 0.3f) * std::cos(float(j) * 0.2f)});
  std::vector<int32_t> triangles;
  for (int i = 0; i + 1 < n; ++i)
    for (int j = 0; j + 1 < n; ++j) {
      const int a = i * n + j, b = a + 1, c = a + n, d = c + 1;
      triangles.insert(triangles.end(), {a, b, c, b, d, c});
    }
  o->AddVertices(std::move(xyz));
  o->AddTriangles(std::move(triangles));
  o->GetSurface(0, o->TriangleCount() - 1);
  o->SetPosition({100, 0, 0});
  return o;
}

// Each triangle as its three corners (position and normal), rounded.
using Triangle = std::array<long, 18>;
std::set<Triangle> Triangles(const std::vector<float>& vertices,
                             const std::vector<uint32_t>& indices) {
  std::set<Triangle> out;
  for (size_t t = 0; t + 2 < indices.size(); t += 3) {
    Triangle tri{};
    for (size_t c = 0; c < 3; ++c)
      for (size_t k = 0; k < 6; ++k)
        tri[c * 6 + k] = std::lround(vertices[indices[t + c] * 6 + k] * 1000);
    out.insert(tri);
  }
  return out;
}

TEST(PrepareMesh, ReorderedMeshDrawsTheSameTrianglesAndTheCoarseFormIsSmall) {
  auto grid = Grid(120);  // 28,322 triangles
  const IndexedMesh plain = BuildIndexedMesh(grid->Vertices(), grid->Triangles(),
                                             grid->CornerNormals(), grid->Position());
  const PreparedMesh prepared = PrepareMesh(*grid, 2000);
  EXPECT_EQ(Triangles(prepared.mesh.vertices, prepared.mesh.indices),
            Triangles(plain.vertices, plain.indices));
  EXPECT_EQ(prepared.mesh.min, plain.min);
  EXPECT_EQ(prepared.mesh.max, plain.max);

  const size_t vertexCount = prepared.mesh.vertices.size() / 6;
  ASSERT_FALSE(prepared.coarseIndices.empty());
  EXPECT_EQ(prepared.coarseIndices.size() % 3, 0u);
  EXPECT_LE(prepared.coarseIndices.size() / 3, 4000u);
  for (uint32_t i : prepared.coarseIndices) ASSERT_LT(i, vertexCount);

  // A small mesh is drawn whole while moving; an empty one has nothing at all.
  EXPECT_TRUE(PrepareMesh(*Grid(10), 2000).coarseIndices.empty());
  ks::CKsObject empty;
  const PreparedMesh none = PrepareMesh(empty);
  EXPECT_TRUE(none.mesh.indices.empty());
  EXPECT_TRUE(none.coarseIndices.empty());
}

}  // namespace
}  // namespace kestrel::render
