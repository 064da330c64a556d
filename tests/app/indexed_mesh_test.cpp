// The GPU form of host meshes: every triangle corner must still read back its
// own position (plus the placement) and its own corner normal, and corners are
// shared only where both agree. Checked on hand-made cases and on random
// meshes against the plain one-vertex-per-corner form.
#include "app/render/indexed_mesh.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace kestrel::render {
namespace {

// Expects that corner c of the indexed mesh is vertex triangles[c] moved by
// offset, with normal normals[c].
void ExpectCornersKept(const IndexedMesh& mesh, const std::vector<float>& xyz,
                       const std::vector<int32_t>& triangles, const std::vector<float>& normals,
                       std::array<float, 3> offset) {
  ASSERT_EQ(mesh.indices.size(), triangles.size());
  for (size_t c = 0; c < triangles.size(); ++c) {
    const size_t g = mesh.indices[c];
    ASSERT_LT(g * 6 + 5, mesh.vertices.size());
    const size_t v = static_cast<size_t>(triangles[c]);
    for (int a = 0; a < 3; ++a) {
      EXPECT_EQ(mesh.vertices[g * 6 + a], xyz[v * 3 + a] + offset[a]) << "corner " << c;
      EXPECT_EQ(mesh.vertices[g * 6 + 3 + a], normals[c * 3 + a]) << "corner " << c;
    }
  }
}

TEST(IndexedMesh, CornersShareAVertexOnlyWhenPositionAndNormalAgree) {
  // Two triangles over a shared edge (vertices 1 and 2).
  const std::vector<float> xyz{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
  const std::vector<int32_t> triangles{0, 1, 2, 1, 3, 2};
  const std::vector<float> up{0, 0, 1};
  std::vector<float> smooth, creased;
  for (int c = 0; c < 6; ++c) smooth.insert(smooth.end(), up.begin(), up.end());
  creased = smooth;
  creased[3 * 3 + 0] = 1;  // corner 3 (vertex 1 in the second triangle) turns

  IndexedMesh shared = BuildIndexedMesh(xyz, triangles, smooth, {0, 0, 0});
  EXPECT_EQ(shared.vertices.size(), 4u * 6);  // one per position
  ExpectCornersKept(shared, xyz, triangles, smooth, {0, 0, 0});

  IndexedMesh split = BuildIndexedMesh(xyz, triangles, creased, {0, 0, 0});
  EXPECT_EQ(split.vertices.size(), 5u * 6);  // vertex 1 twice
  ExpectCornersKept(split, xyz, triangles, creased, {0, 0, 0});

  // Placement moves positions and bounds; missing normals read as zero.
  IndexedMesh placed = BuildIndexedMesh(xyz, triangles, {}, {10, -2, 0.5f});
  ExpectCornersKept(placed, xyz, triangles, std::vector<float>(18, 0), {10, -2, 0.5f});
  EXPECT_EQ(placed.min, (std::array<float, 3>{10, -2, 0.5f}));
  EXPECT_EQ(placed.max, (std::array<float, 3>{11, -1, 0.5f}));
  EXPECT_FALSE(placed.empty);

  EXPECT_TRUE(BuildIndexedMesh({}, {}, {}, {0, 0, 0}).empty);
}

TEST(IndexedMesh, RandomMeshesKeepEveryCornerAndNeverShareMoreThanTheyMay) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const int positions = 1 + static_cast<int>(random() % 30);
    const int count = 1 + static_cast<int>(random() % 60);
    std::vector<float> xyz;
    for (int i = 0; i < positions * 3; ++i) xyz.push_back(static_cast<float>(random() % 9));
    std::vector<int32_t> triangles;
    for (int i = 0; i < count * 3; ++i)
      triangles.push_back(static_cast<int32_t>(random() % positions));
    // Few distinct normals, so that sharing and splitting both happen.
    std::vector<float> normals;
    for (int i = 0; i < count * 9; ++i) normals.push_back(static_cast<float>(random() % 2));
    const std::array<float, 3> offset{1.5f, 0, -3};

    IndexedMesh mesh = BuildIndexedMesh(xyz, triangles, normals, offset);
    SCOPED_TRACE(round);
    ExpectCornersKept(mesh, xyz, triangles, normals, offset);
    // No two GPU vertices are the same position and normal of the same vertex:
    // at most one per distinct (vertex, normal) pair of the corners.
    std::set<std::vector<float>> distinct;
    for (size_t c = 0; c < triangles.size(); ++c) {
      std::vector<float> key{static_cast<float>(triangles[c])};
      key.insert(key.end(), normals.begin() + c * 3, normals.begin() + c * 3 + 3);
      distinct.insert(key);
    }
    EXPECT_EQ(mesh.vertices.size(), distinct.size() * 6);
  }
}

}  // namespace
}  // namespace kestrel::render
