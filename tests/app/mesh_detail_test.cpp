// The drawing form of an object: the reordered mesh still draws exactly the
// object's triangles with their normals, and the coarse form of a big mesh is
// much smaller and only names vertices that exist.
#include "app/render/mesh_detail.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

namespace kestrel::render {
namespace {

// An n x n grid of positions on a wavy surface, two triangles per cell. The
// vertices are numbered out of spatial order (a fixed shuffle), so that a
// vertex number taken for another's shows.
ks::KsObjectRef Grid(int n) {
  auto o = std::make_shared<ks::CKsObject>();
  const int count = n * n;
  auto number = [count](int i) { return static_cast<int>((int64_t{i} * 7919) % count); };
  std::vector<float> xyz(size_t(count) * 3);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const auto at = size_t(number(i * n + j)) * 3;
      xyz[at] = float(i), xyz[at + 1] = float(j);
      xyz[at + 2] = std::sin(float(i) * 0.3f) * std::cos(float(j) * 0.2f);
    }
  // A vertex no triangle uses, off the surface in the middle: no form may
  // draw it.
  xyz.insert(xyz.end(), {float(n) / 2, float(n) / 2, 5});
  std::vector<int32_t> triangles;
  for (int i = 0; i + 1 < n; ++i)
    for (int j = 0; j + 1 < n; ++j) {
      const int a = i * n + j, b = a + 1, c = a + n, d = c + 1;
      triangles.insert(triangles.end(),
                       {number(a), number(b), number(c), number(b), number(d), number(c)});
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
  // The coarse form keeps some of the grid's own corners (its vertex numbers
  // follow the full form's reordering): every corner it names lies on the
  // wavy surface, at the object's position.
  for (uint32_t i : prepared.coarseIndices) {
    const float* v = &prepared.mesh.vertices[i * 6];
    ASSERT_NEAR(v[2], std::sin((v[0] - 100) * 0.3f) * std::cos(v[1] * 0.2f), 1e-4f) << i;
  }
  // Its triangles span a few cells of the grid, not the grid: corners that
  // belong together stay together.
  for (size_t t = 0; t + 2 < prepared.coarseIndices.size(); t += 3)
    for (size_t c = 0; c < 3; ++c) {
      const float* p = &prepared.mesh.vertices[prepared.coarseIndices[t + c] * 6];
      const float* q = &prepared.mesh.vertices[prepared.coarseIndices[t + (c + 1) % 3] * 6];
      ASSERT_LT(std::hypot(p[0] - q[0], p[1] - q[1]), 20.f) << "triangle " << t / 3;
    }

  // Stopped half way, nothing is made.
  int reports = 0;
  const PreparedMesh stopped = PrepareMesh(*grid, 2000, [&reports](double share) {
    EXPECT_GE(share, 0.0);
    EXPECT_LE(share, 1.0);
    return ++reports < 2;
  });
  EXPECT_TRUE(stopped.mesh.indices.empty());
  EXPECT_TRUE(stopped.coarseIndices.empty());

  // A small mesh is drawn whole while moving; an empty one has nothing at all.
  EXPECT_TRUE(PrepareMesh(*Grid(10), 2000).coarseIndices.empty());
  ks::CKsObject empty;
  const PreparedMesh none = PrepareMesh(empty);
  EXPECT_TRUE(none.mesh.indices.empty());
  EXPECT_TRUE(none.coarseIndices.empty());
}

// The form is made without changing the object (another thread reads it
// meanwhile): triangles whose normals the object has not worked out yet are
// drawn flat (zero normals), the others keep theirs.
TEST(PrepareMesh, LeavesTheObjectAsItIsAndDrawsTrianglesWithoutNormalsFlat) {
  auto grid = Grid(30);  // 1,682 triangles, smoothed normals held
  const size_t smoothed = size_t(grid->TriangleCount());
  ASSERT_EQ(grid->CornerNormals().size(), smoothed * 9);
  // Six more triangles (the first six again, upside down), no normals yet.
  const std::vector<int32_t> first(grid->Triangles().begin(), grid->Triangles().begin() + 18);
  std::vector<int32_t> extra;
  for (size_t t = 0; t < 18; t += 3)
    extra.insert(extra.end(), {first[t], first[t + 2], first[t + 1]});
  grid->AddTriangles(std::span<const int32_t>(extra));

  const PreparedMesh prepared = PrepareMesh(*grid);
  EXPECT_EQ(grid->HeldCornerNormals().size(), smoothed * 9);
  size_t flat = 0, shaded = 0;
  for (const Triangle& t : Triangles(prepared.mesh.vertices, prepared.mesh.indices)) {
    bool zero = true;
    for (size_t c = 0; c < 3; ++c)
      for (size_t k = 3; k < 6; ++k) zero = zero && t[c * 6 + k] == 0;
    ++(zero ? flat : shaded);
  }
  EXPECT_EQ(flat, 6u);
  EXPECT_EQ(shaded, smoothed);
}

}  // namespace
}  // namespace kestrel::render
