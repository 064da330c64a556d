// Arrays handed to Add_Vertices / Add_Poligons by reference: an empty object
// takes them over (the caller is left an empty array); every other case
// copies and leaves the caller's array as it was.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "host/ks_object.h"
#include "host/large_memory.h"

namespace {

using ks::Variant;
using Floats = std::vector<float>;
using Longs = std::vector<int32_t>;

struct ByRef {
  std::array<Variant, 1> args;
  explicit ByRef(Variant v) : args{std::move(v)} {}
  std::span<Variant> span() { return args; }
  const Variant& arg() const { return args[0]; }
};

// Gives the object n vertices along the x axis.
void AddPoints(ks::CKsObject& o, int n) {
  Floats xyz;
  for (int i = 0; i < n; ++i) xyz.insert(xyz.end(), {float(i), 0, 0});
  o.AddVertices(std::span<const float>(xyz));
}

Longs Tris(const ks::CKsObject& o) {
  return {o.Triangles().begin(), o.Triangles().end()};
}

TEST(CKsObjectTakeOver, FirstVertexArrayIsTakenLaterOnesAreCopied) {
  auto o = std::make_shared<ks::CKsObject>();
  ByRef first(Variant(Floats{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  ks::Call(o, "Add_Vertices", first.span());
  EXPECT_TRUE(first.arg().Singles().empty());
  EXPECT_EQ(o->VertexCount(), 3);

  ByRef second(Variant(Floats{5, 6, 7}));
  ks::Call(o, "Add_Vertices", second.span());
  EXPECT_EQ(second.arg().Singles(), (Floats{5, 6, 7}));
  EXPECT_EQ(Floats(o->Vertices().begin(), o->Vertices().end()),
            (Floats{0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 6, 7}));

  // A refused array stays with the caller, whole.
  auto empty = std::make_shared<ks::CKsObject>();
  ByRef bad(Variant(Floats{1, 2, 3, 4}));
  EXPECT_THROW(ks::Call(empty, "Add_Vertices", bad.span()), ks::ComError);
  EXPECT_EQ(bad.arg().Singles().size(), 4u);
  EXPECT_EQ(empty->VertexCount(), 0);
}

TEST(CKsObjectTakeOver, TriangleRecordsAreCompactedInPlace) {
  auto o = std::make_shared<ks::CKsObject>();
  AddPoints(*o, 6);
  // Records, the ending 0 and garbage behind it, which must not survive.
  ByRef records(Variant(Longs{3, 0, 1, 2, 3, 3, 4, 5, 3, 5, 4, 1, 0, 9, 9, 9}));
  ks::Call(o, "Add_Poligons", records.span());
  EXPECT_TRUE(records.arg().Longs().empty());
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2, 3, 4, 5, 5, 4, 1}));

  // The object has triangles now: the next array is copied and appended.
  ByRef more(Variant(Longs{3, 2, 1, 0}));
  ks::Call(o, "Add_Poligons", more.span());
  EXPECT_EQ(more.arg().Longs(), (Longs{3, 2, 1, 0}));
  EXPECT_EQ(Tris(*o).size(), 12u);
}

TEST(CKsObjectTakeOver, TripleListsWithoutCountsAreTakenOverByAnEmptyObject) {
  auto o = std::make_shared<ks::CKsObject>();
  AddPoints(*o, 4);
  std::array<Variant, 2> first{Variant(Longs{0, 1, 2}), Variant(int16_t{3})};
  ks::Call(o, "Add_Poligons", std::span<Variant>(first));
  EXPECT_TRUE(first[0].Longs().empty());
  std::array<Variant, 2> second{Variant(Longs{2, 3, 0}), Variant(int16_t{3})};
  ks::Call(o, "Add_Poligons", std::span<Variant>(second));
  EXPECT_EQ(second[0].Longs(), (Longs{2, 3, 0}));
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2, 2, 3, 0}));
  // A bad vertex number: the array stays with the caller, nothing is added.
  auto fresh = std::make_shared<ks::CKsObject>();
  AddPoints(*fresh, 3);
  std::array<Variant, 2> bad{Variant(Longs{0, 1, 3}), Variant(int16_t{3})};
  EXPECT_THROW(ks::Call(fresh, "Add_Poligons", std::span<Variant>(bad)), ks::ComError);
  EXPECT_EQ(bad[0].Longs().size(), 3u);
  EXPECT_EQ(fresh->TriangleCount(), 0);
}

TEST(CKsObjectTakeOver, QuadsOrBadRecordsLeaveTheCallersArrayAlone) {
  auto o = std::make_shared<ks::CKsObject>();
  AddPoints(*o, 4);
  const Longs withQuad{3, 0, 1, 2, 4, 0, 1, 2, 3};
  ByRef quads{Variant(withQuad)};
  ks::Call(o, "Add_Poligons", quads.span());
  EXPECT_EQ(quads.arg().Longs(), withQuad);
  EXPECT_EQ(Tris(*o), (Longs{0, 1, 2, 0, 1, 2, 2, 3, 0}));

  auto fresh = std::make_shared<ks::CKsObject>();
  AddPoints(*fresh, 3);
  const Longs badVertex{3, 0, 1, 2, 3, 0, 1, 7};
  ByRef bad{Variant(badVertex)};
  EXPECT_THROW(ks::Call(fresh, "Add_Poligons", bad.span()), ks::ComError);
  EXPECT_EQ(bad.arg().Longs(), badVertex);
  EXPECT_EQ(fresh->TriangleCount(), 0);
}

TEST(LargeMemory, ArraysOfRecordsHoldEachRecordMadeOnceInOrder) {
  // Counts around the block the records are made in, and a large array.
  for (size_t count :
       {size_t(0), size_t(1), size_t(340), size_t(341), size_t(70001), (size_t(1) << 20) + 5}) {
    size_t calls = 0;
    bool inOrder = true;
    auto values = ks::ArrayOfRecords<3, int32_t>(count, [&](size_t r, int32_t* out) {
      inOrder = inOrder && r == calls++;
      out[0] = int32_t(r);
      out[1] = int32_t(r * 7 % 1000);
      out[2] = -1;
    });
    ASSERT_EQ(values.size(), 3 * count);
    EXPECT_EQ(values.capacity(), 3 * count);
    EXPECT_EQ(calls, count);
    EXPECT_TRUE(inOrder);
    bool same = true;
    for (size_t r = 0; r < count; ++r)
      same = same && values[3 * r] == int32_t(r) && values[3 * r + 1] == int32_t(r * 7 % 1000) &&
             values[3 * r + 2] == -1;
    EXPECT_TRUE(same) << count;

    // Appending keeps what is there.
    ks::AppendRecords<1>(values, count + 2, [](size_t r, int32_t* out) { *out = -int32_t(r); });
    ASSERT_EQ(values.size(), 4 * count + 2);
    EXPECT_EQ(values.back(), -int32_t(count + 1));
    if (count > 0) {
      EXPECT_EQ(values[3 * count - 2], int32_t((count - 1) * 7 % 1000));
    }
  }
  ks::PrefaultForWriting(nullptr, size_t(1) << 20);  // nothing to map
}

TEST(LargeMemory, AdviceKeepsContentsForAnyBlock) {
  ks::AdviseHugePages(nullptr, size_t(64) << 20);  // nothing to advise
  std::vector<int32_t> small;
  ks::ReserveLarge(small, 10);
  EXPECT_GE(small.capacity(), 10u);
  // A large block at an address that is not 2 MiB aligned, partly filled first.
  std::vector<int32_t> large(1000, 7);
  ks::ReserveLarge(large, (size_t(6) << 20) + 3);
  EXPECT_GE(large.capacity(), (size_t(6) << 20) + 3);
  EXPECT_EQ(std::accumulate(large.begin(), large.end(), 0), 7000);
  large.resize(large.capacity(), 1);
  EXPECT_EQ(large.back(), 1);
  EXPECT_EQ(large[999], 7);
}

}  // namespace

// Every position of a triple list, in lists long and short enough for every
// lane of the fast check and its tail: a number past the last vertex or below
// 0 is reported at its own index, and the object is left as it was.
TEST(CKsObjectTakeOver, ABadNumberIsFoundAtEveryPositionOfATripleList) {
  for (size_t length : {3u, 9u, 24u, 27u, 51u}) {
    for (size_t bad = 0; bad < length; ++bad) {
      for (int32_t value : {7, -1, INT32_MIN, INT32_MAX}) {
        auto o = std::make_shared<ks::CKsObject>();
        AddPoints(*o, 7);
        Longs triples(length, 6);
        triples[bad] = value;
        std::array<Variant, 2> args{Variant(triples), Variant(int16_t{3})};
        try {
          ks::Call(o, "Add_Poligons", std::span<Variant>(args));
          ADD_FAILURE() << "accepted " << value << " at " << bad << " of " << length;
        } catch (const ks::ComError& e) {
          EXPECT_NE(e.description().find("(array index " + std::to_string(bad) + ")"),
                    std::string::npos)
              << e.description();
        }
        EXPECT_EQ(o->TriangleCount(), 0);
      }
    }
    auto good = std::make_shared<ks::CKsObject>();
    AddPoints(*good, 7);
    std::array<Variant, 2> args{Variant(Longs(length, 6)), Variant(int16_t{3})};
    ks::Call(good, "Add_Poligons", std::span<Variant>(args));
    EXPECT_EQ(good->TriangleCount(), int32_t(length / 3));
  }
}
