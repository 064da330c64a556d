// Storage growth of the mesh object: one-at-a-time appends stay linear (the
// arrays are reallocated a logarithmic number of times), and an object holds
// memory in proportion to its contents, whatever capacity a caller handed in.
#include <gtest/gtest.h>

#include <array>

#include "host/ks_object.h"

namespace {

using ks::Variant;

// Counts how often the block behind a span moves while fn runs n times.
template <class Data, class Fn>
int CountMoves(int n, Data&& data, Fn&& fn) {
  int moves = 0;
  const void* last = nullptr;
  for (int i = 0; i < n; ++i) {
    fn(i);
    const void* now = data();
    if (now != last) ++moves;
    last = now;
  }
  return moves;
}

TEST(CKsObjectGrowth, SingleVertexAndTriangleCallsReallocateRarely) {
  constexpr int kTriangles = 100000;
  auto o = std::make_shared<ks::CKsObject>();
  const int vertexMoves = CountMoves(
      3 * kTriangles, [&] { return o->Vertices().data(); },
      [&](int i) {
        std::array<Variant, 3> xyz{Variant(float(i)), Variant(1.0f), Variant(2.0f)};
        ks::Call(o, "Add_Vertex", std::span<Variant>(xyz));
      });
  const int triangleMoves = CountMoves(
      kTriangles, [&] { return o->Triangles().data(); },
      [&](int t) {
        std::array<Variant, 3> v{Variant(3 * t), Variant(3 * t + 1), Variant(3 * t + 2)};
        ks::Call(o, "Add_Poligon", std::span<Variant>(v));
      });
  // Growth by half again: about 31 moves for 300,000 vertices; growth by
  // what is added would move the block on every call.
  EXPECT_LE(vertexMoves, 40);
  EXPECT_LE(triangleMoves, 40);
  EXPECT_EQ(o->VertexCount(), 3 * kTriangles);
  EXPECT_EQ(o->TriangleCount(), kTriangles);
  EXPECT_EQ(o->Vertices()[3 * 12345], 12345.0f);
  EXPECT_EQ(o->Triangles().back(), 3 * kTriangles - 1);

  // Corner normals set per triangle as it is added, as a smooth-triangle
  // reader does, grow the same way.
  auto smooth = std::make_shared<ks::CKsObject>();
  const std::array<float, 9> up{0, 0, 1, 0, 0, 1, 0, 0, 1};
  const int normalMoves = CountMoves(
      20000, [&] { return smooth->CornerNormals().data(); },
      [&](int t) {
        const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        smooth->AddVertices(xyz);
        const int32_t v[3] = {3 * t, 3 * t + 1, 3 * t + 2};
        smooth->AddTriangles(v);
        smooth->SetPolygonNormal(t, up);
      });
  EXPECT_LE(normalMoves, 40);
  EXPECT_TRUE(smooth->HasExplicitNormal(19999, 2));
}

TEST(CKsObjectGrowth, HeldMemoryFollowsContents) {
  // Appends of every size: spare room stays within half the contents.
  auto o = std::make_shared<ks::CKsObject>();
  std::vector<float> chunk;
  size_t values = 0;
  for (int size = 1; size < 3000; size += 7) {
    chunk.assign(3 * size_t(size), 1.0f);
    o->AddVertices(std::span<const float>(chunk));
    values += chunk.size();
    EXPECT_LE(o->HeldBytes(), values * sizeof(float) * 3 / 2 + 64) << "after " << size;
  }

  // An array handed over with room for a thousand times its contents: the
  // object keeps about what it holds, not the caller's reserve.
  auto small = std::make_shared<ks::CKsObject>();
  std::vector<float> xyz{0, 0, 0, 1, 0, 0, 0, 1, 0};
  xyz.reserve(9000);
  std::vector<int32_t> records{3, 0, 1, 2};
  records.reserve(4000);
  std::array<Variant, 1> vertices{Variant(std::move(xyz))};
  ks::Call(small, "Add_Vertices", std::span<Variant>(vertices));
  std::array<Variant, 1> polygons{Variant(std::move(records))};
  ks::Call(small, "Add_Poligons", std::span<Variant>(polygons));
  EXPECT_EQ(small->TriangleCount(), 1);
  EXPECT_LE(small->HeldBytes(), 4 * (9 + 3 + 2 * 16));

  // Little spare room: taken over as it is, without a copy.
  std::vector<float> snug(300, 2.0f);
  snug.reserve(320);
  const float* block = snug.data();
  auto taker = std::make_shared<ks::CKsObject>();
  taker->AddVertices(std::move(snug));
  EXPECT_EQ(taker->Vertices().data(), block);
}

}  // namespace
