#include "host/ks_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <span>

namespace {

using ks::Variant;
using Floats = std::vector<float>;
using Longs = std::vector<int32_t>;

// A unit square in the z = 0 plane, vertices 0..3 counter-clockwise.
std::shared_ptr<ks::CKsObject> Square() {
  auto o = std::make_shared<ks::CKsObject>();
  ks::Call(o, "Add_Vertices", Floats{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
  return o;
}

// Runs the call and returns the error it raised (fails when none).
template <class F>
ks::ComError ErrorOf(F&& f) {
  try {
    f();
  } catch (const ks::ComError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return ks::ComError(0, "");
}

Longs Tris(const ks::CKsObject& o) {
  return {o.Triangles().begin(), o.Triangles().end()};
}

TEST(CKsObject, QuadSplitsIntoTriangles123And341) {
  auto o = Square();
  ks::Call(o, "Add_Poligons", Longs{4, 0, 1, 2, 3, 3, 3, 2, 1});
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2, 2, 3, 0, 3, 2, 1}));
  EXPECT_EQ(o->TriangleCount(), 3);
  // All-triangles form: no counts, second argument 3; appends.
  ks::Call(o, "Add_Poligons", Longs{1, 2, 3}, int16_t{3});
  ks::Call(o, "Add_Poligon", int32_t{0}, int32_t{2}, int32_t{1});
  EXPECT_EQ(o->TriangleCount(), 5);
  EXPECT_EQ(Tris(*o).back(), 1);
}

TEST(CKsObject, ZeroCornerCountEndsThePolygonArray) {
  auto o = Square();
  ks::Call(o, "Add_Poligons", Longs{0});
  EXPECT_EQ(o->TriangleCount(), 0);
  // Nothing after the terminator is read, not even garbage.
  ks::Call(o, "Add_Poligons", Longs{3, 0, 1, 2, 0, 7, 99, -5});
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2}));
}

TEST(CKsObject, BadPolygonArraysAreErrorsThatChangeNothing) {
  auto o = Square();
  ks::Call(o, "Add_Poligons", Longs{3, 0, 1, 2});
  auto e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{3, 0, 1, 2, 4, 0, 1, 2, 9}); });
  EXPECT_EQ(e.number(), ks::err::kBadData);
  EXPECT_EQ(e.description(),
            "Add_Poligons: polygon 1 (array index 8) names vertex 9, but the object has 4 "
            "vertices");
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{3, 0, 1, 2, 5, 0, 1, 2, 3, 0}); });
  EXPECT_NE(e.description().find("polygon 1 (array index 4) has 5 corners"), std::string::npos);
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{4, 0, 1}); });
  EXPECT_NE(e.description().find("array ends after 2"), std::string::npos);
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{0, -1, 2}, int16_t{3}); });
  EXPECT_NE(e.description().find("names vertex -1"), std::string::npos);
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{0, 1, 2, 3}, int16_t{3}); });
  EXPECT_NE(e.description().find("1 number left over"), std::string::npos);
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Longs{0, 1, 2}, int16_t{4}); });
  EXPECT_EQ(e.number(), ks::err::kInvalidCall);
  e = ErrorOf([&] { ks::Call(o, "Add_Poligon", int32_t{0}, int32_t{1}, int32_t{4}); });
  EXPECT_EQ(e.number(), ks::err::kBadData);
  // Wrong element type is a type mismatch naming what was expected.
  e = ErrorOf([&] { ks::Call(o, "Add_Poligons", Floats{3, 0, 1, 2}); });
  EXPECT_EQ(e.number(), ks::err::kTypeMismatch);
  EXPECT_NE(e.description().find("array of Long"), std::string::npos);
  e = ErrorOf([&] { ks::Call(o, "Add_Vertices", Longs{1, 2, 3}); });
  EXPECT_EQ(e.number(), ks::err::kTypeMismatch);
  e = ErrorOf([&] { ks::Call(o, "Add_Vertices", Floats{1, 2, 3, 4}); });
  EXPECT_EQ(e.number(), ks::err::kBadData);
  EXPECT_EQ(o->VertexCount(), 4);
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2}));  // none of the failed calls added anything
}

// Records handed in whole set the same normals as the same records set one
// triangle at a time: triangles without a record keep their face normals,
// zero normals are computed, a later record for a triangle replaces an
// earlier one, and triangles added afterwards get face normals.
TEST(CKsObject, NormalRecordsInBulkMatchOneByOne) {
  std::mt19937 random(3);
  const auto value = [&random] { return float(int(random() % 21) - 10) / 4; };
  for (int round = 0; round < 50; ++round) {
    Floats positions;
    for (int i = 0; i < 3 * 12; ++i) positions.push_back(value());
    Longs triangles;
    for (int i = 0; i < 3 * 20; ++i) triangles.push_back(int32_t(random() % 12));
    // Records for random triangles, one per triangle in order (which an
    // object without normals takes over in place), or one per triangle in a
    // shuffled order.
    const int kind = round % 3;
    const bool inOrder = kind == 1;
    const bool workedOut = round / 3 % 2 == 1;
    const int triangleCount = workedOut ? 22 : 20;
    std::vector<int> order(size_t(triangleCount), 0);
    std::iota(order.begin(), order.end(), 0);
    if (kind == 2) std::shuffle(order.begin(), order.end(), random);
    Floats records;
    const int recordCount = kind == 0 ? int(random() % 30) : triangleCount;
    for (int r = 0; r < recordCount; ++r) {
      records.push_back(float(kind == 0 ? int(random() % 20) : order[size_t(r)]));
      for (int i = 0; i < 9; ++i) records.push_back(random() % 4 == 0 ? 0.0f : value());
    }
    auto bulk = std::make_shared<ks::CKsObject>();
    auto single = std::make_shared<ks::CKsObject>();
    for (auto& o : {bulk, single}) {
      o->AddVertices(positions);
      o->AddTriangles(triangles);
    }
    // Half the rounds have normals worked out for some triangles already.
    if (workedOut) {
      for (auto& o : {bulk, single}) {
        (void)o->CornerNormals();
        o->AddTriangles(Longs{0, 1, 2, 3, 4, 5});
      }
    }
    Floats handed = records;
    bulk->SetPolygonNormals(std::move(handed));
    EXPECT_EQ(handed.empty(), inOrder && !workedOut) << "round " << round;  // taken over
    for (size_t r = 0; r < records.size(); r += 10)
      single->SetPolygonNormal(int32_t(records[r]),
                               std::span<const float>(records).subspan(r + 1).first<9>());
    const auto a = bulk->CornerNormals();
    const auto b = single->CornerNormals();
    ASSERT_EQ(Floats(a.begin(), a.end()), Floats(b.begin(), b.end())) << "round " << round;
    EXPECT_EQ(bulk->NormalTriangleCount(), single->NormalTriangleCount());
    for (int32_t t = 0; t < single->TriangleCount(); ++t)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(bulk->HasExplicitNormal(t, c), single->HasExplicitNormal(t, c))
            << "round " << round << ", triangle " << t << ", corner " << c;
  }
}

// Beyond 2^24 triangles a Single cannot name each triangle exactly: records
// one per triangle in order still give each triangle its own normals, not
// its neighbour's.
TEST(CKsObject, NormalRecordsInOrderReachTrianglesBeyondExactSingles) {
  constexpr int32_t kTriangles = (1 << 24) + 3;
  auto o = std::make_shared<ks::CKsObject>();
  o->AddVertices(Floats{0, 0, 0, 1, 0, 0, 0, 1, 0});
  Longs triangles(size_t(kTriangles) * 3);
  for (size_t i = 0; i < triangles.size(); ++i) triangles[i] = int32_t(i % 3);  // face normal +z
  o->AddTriangles(std::move(triangles));
  Floats records(size_t(kTriangles) * 10, 0.0f);
  for (int32_t t = 0; t < kTriangles; ++t) {
    float* r = &records[size_t(t) * 10];
    r[0] = float(t);
    for (int c = 0; c < 3; ++c) r[1 + c * 3 + (t % 2)] = 1;  // odd +y, even +x
  }
  o->SetPolygonNormals(std::move(records));
  const auto n = o->CornerNormals();
  for (int32_t t = kTriangles - 4; t < kTriangles; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(n[size_t(t) * 9 + size_t(t % 2)], 1.0f);
    EXPECT_TRUE(o->HasExplicitNormal(t, 2));
  }
  EXPECT_EQ(o->NormalTriangleCount(), kTriangles);
}

TEST(CKsObject, NormalRecordsSetCornersAndZeroMeansComputed) {
  auto o = Square();
  ks::Call(o, "Add_Poligons", Longs{4, 0, 1, 2, 3});
  // Triangle 1 gets explicit normals at corners 1 and 3; corner 2 is (0,0,0).
  ks::Call(o, "Set_PoligonNormals", Floats{1, 0, 0, 10, 0, 0, 0, 1, 0, 0});
  EXPECT_EQ(o->NormalTriangleCount(), 1);
  EXPECT_TRUE(o->HasExplicitNormal(1, 0));
  EXPECT_FALSE(o->HasExplicitNormal(1, 1));
  EXPECT_FALSE(o->HasExplicitNormal(0, 0));
  auto n = o->CornerNormals();
  ASSERT_EQ(n.size(), 18u);
  EXPECT_EQ(n[9 + 2], 10.0f);       // kept as handed in
  EXPECT_EQ(n[9 + 6], 1.0f);        // corner 3 = (1, 0, 0)
  EXPECT_FLOAT_EQ(n[9 + 5], 1.0f);  // computed: face normal +z
  EXPECT_FLOAT_EQ(n[2], 1.0f);      // triangle 0 untouched: face
  // Set_PoligonNormal (one triangle, by reference) replaces a record.
  std::vector<Variant> args{Variant(int32_t{1})};
  for (int i = 0; i < 9; ++i) args.emplace_back(0.0f);
  ks::Call(o, "Set_PoligonNormal", args);
  EXPECT_EQ(o->NormalTriangleCount(), 0);

  auto e = ErrorOf([&] {
    ks::Call(o, "Set_PoligonNormals", Floats{2, 0, 0, 1, 0, 0, 1, 0, 0, 1});
  });
  EXPECT_EQ(e.description(),
            "Set_PoligonNormals: record 0 (array index 0) is for triangle 2, but the object has "
            "2 triangles");
  e = ErrorOf([&] { ks::Call(o, "Set_PoligonNormals", Floats{0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1}); });
  EXPECT_NE(e.description().find("record 1 is cut off"), std::string::npos);
  // A failing record later in the array leaves earlier records unapplied.
  e = ErrorOf([&] {
    ks::Call(o, "Set_PoligonNormals",
             Floats{0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.5f, 0, 0, 1, 0, 0, 1, 0, 0, 1});
  });
  EXPECT_NE(e.description().find("not a whole number"), std::string::npos);
  EXPECT_EQ(o->NormalTriangleCount(), 0);
}

TEST(CKsObject, GetSurfaceArgumentFormsSmoothTheirRunOnly) {
  // Two triangles folded along the edge 1-2 (a roof), plus a separate one.
  auto o = std::make_shared<ks::CKsObject>();
  ks::Call(o, "Add_Vertices", Floats{0, 0, 0, 1, 0, 1, 1, 1, 1, 2, 0, 0, 2, 1, 0, 5, 5, 5});
  ks::Call(o, "Add_Poligons", Longs{0, 1, 2, 1, 3, 2, 3, 4, 2}, int16_t{3});
  auto normal = [&](int t, int c) {
    auto n = o->CornerNormals();
    return std::array<float, 3>{n[t * 9 + c * 3], n[t * 9 + c * 3 + 1], n[t * 9 + c * 3 + 2]};
  };
  const auto flat0 = normal(0, 1);
  std::vector<Variant> run{Variant(int32_t{0}), Variant(int32_t{0})};
  ks::Call(o, "Get_Surface", run);  // triangle 0 alone: nothing to average with
  EXPECT_EQ(normal(0, 1), flat0);
  EXPECT_EQ(run[1].ToLong(), 0);           // by-reference last is left as it was
  ks::Call(o, "Get_Surface", int32_t{1});  // triangles 1..2
  EXPECT_EQ(normal(0, 1), flat0);          // outside the run
  ks::Call(o, "Get_Surface", int16_t{0});  // everything
  const auto shared = normal(0, 1);
  EXPECT_NE(shared, flat0);
  EXPECT_EQ(normal(1, 0), shared);  // vertex 1 is corner 0 of triangle 1
  EXPECT_NEAR(std::hypot(shared[0], shared[1], shared[2]), 1.0, 1e-6);
  // Empty runs (as readers hand over for a run without triangles) are fine.
  std::vector<Variant> empty{Variant(int32_t{0}), Variant(int32_t{-1})};
  EXPECT_NO_THROW(ks::Call(o, "Get_Surface", empty));
  EXPECT_NO_THROW(ks::Call(o, "Get_Surface", int32_t{3}));
  EXPECT_EQ(ErrorOf([&] { ks::Call(o, "Get_Surface", int32_t{4}); }).number(),
            ks::err::kSubscriptOutOfRange);
  std::vector<Variant> past{Variant(int32_t{1}), Variant(int32_t{3})};
  EXPECT_EQ(ErrorOf([&] { ks::Call(o, "Get_Surface", past); }).number(),
            ks::err::kSubscriptOutOfRange);
}

TEST(CKsObject, AdaptiveSmoothingKeepsSharpEdges) {
  // A cube corner: three faces meeting at 90 degrees, each made of two triangles.
  auto o = std::make_shared<ks::CKsObject>();
  ks::Call(o, "Add_Vertices",
           Floats{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1});
  // bottom z=0 (0,3,2,1), front y=0 (0,1,5,4), left x=0 (0,4,6,3)
  ks::Call(o, "Add_Poligons", Longs{4, 0, 3, 2, 1, 4, 0, 1, 5, 4, 4, 0, 4, 6, 3});
  ks::Call(o, "SmoothNormalsAdaptive", int16_t{60});
  auto n = o->CornerNormals();
  // Each corner keeps its own face's normal: no edge is flatter than 60 degrees.
  EXPECT_FLOAT_EQ(n[2], -1.0f);       // bottom faces down
  EXPECT_FLOAT_EQ(n[18 + 1], -1.0f);  // front faces -y
  ks::Call(o, "SmoothNormalsAdaptive", int16_t{100});
  n = o->CornerNormals();
  // Now vertex 0 of the bottom face averages all three faces.
  EXPECT_NEAR(n[0], n[2], 1e-6);
  EXPECT_LT(n[0], -0.3f);
}

TEST(CKsObject, CenterMovesTheBoundingBoxCentreToTheOrigin) {
  auto o = std::make_shared<ks::CKsObject>();
  ks::Call(o, "Add_Vertices", Floats{10, 20, 30, 14, 22, 31});
  std::vector<Variant> v{Variant(12.0f), Variant(int16_t{26}), Variant(32.5)};
  ks::Call(o, "Add_Vertex", v);
  ks::Put(o, "PosX", Variant(5.0f));
  ks::Call(o, "Center");
  auto box = o->Bounds();
  EXPECT_EQ(box.min, (std::array<float, 3>{-2, -3, -1.25f}));
  EXPECT_EQ(box.Size(), (std::array<float, 3>{4, 6, 2.5f}));
  EXPECT_EQ(o->Position()[0], 5.0f);  // the position is not touched
  ks::Call(o, "Clear");
  EXPECT_EQ(o->VertexCount(), 0);
  EXPECT_TRUE(o->Bounds().empty);
  EXPECT_NO_THROW(ks::Call(o, "Center"));
}

// Every vertex moves by the offset, for counts that fill the blocks moved at
// once and leave tails of every length behind them.
TEST(CKsObject, MovingVerticesMovesEveryOneByTheOffset) {
  for (size_t count : {size_t(0), size_t(1), size_t(3), size_t(4), size_t(5), size_t(7), size_t(8),
                       size_t(9), size_t(1001)}) {
    Floats xyz(3 * count);
    for (size_t i = 0; i < xyz.size(); ++i) xyz[i] = float(i % 97) * 0.5f - 7.0f;
    auto o = std::make_shared<ks::CKsObject>();
    if (count > 0) ks::Call(o, "Add_Vertices", xyz);
    const std::array<float, 3> offset{1.25f, -3.0f, 0.5f};
    o->MoveVertices(offset);
    ASSERT_EQ(o->Vertices().size(), xyz.size());
    for (size_t i = 0; i < xyz.size(); ++i)
      ASSERT_EQ(o->Vertices()[i], xyz[i] + offset[i % 3]) << count << " vertices, value " << i;
  }
}

TEST(CKsObject, PropertiesReadBackWhatWasWritten) {
  auto o = std::make_shared<ks::CKsObject>();
  EXPECT_EQ(ks::Get(o, "DefaultColor").ToLong(), 0 + 128 * 256 + 192 * 65536);
  ks::Put(o, "Name", Variant("Tea pot"));
  ks::Put(o, "MaterialKey", Variant("Steel"));
  ks::Put(o, "DefaultColor", Variant(int32_t{255}));
  ks::Put(o, "Visible", Variant(false));
  ks::Put(o, "PosZ", Variant(-1.5f));
  EXPECT_EQ(ks::Get(o, "Name").ToString(), "Tea pot");
  EXPECT_EQ(ks::Get(o, "materialkey").ToString(), "Steel");
  EXPECT_EQ(ks::Get(o, "DefaultColor"), Variant(int32_t{255}));
  EXPECT_EQ(ks::Get(o, "Visible"), Variant(false));
  EXPECT_EQ(ks::Get(o, "PosZ"), Variant(-1.5f));
  EXPECT_EQ(ks::Get(o, "Key").ToString(), "");
  EXPECT_THROW(ks::Put(o, "Key", Variant("x")), ks::ComError);
}

}  // namespace
