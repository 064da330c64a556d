// Inputs of hostile size, scaled down (fuzz/hostile_sizes.sh runs them at full
// size): each is read with work and memory in proportion to what it holds, or
// stops at once with a message that says what is too large and where.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/ks_object.h"
#include "readers/imp_3ds.h"
#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"
#include "testing/chunk_writer_3ds.h"
#include "tests/readers/reader_test_support.h"

namespace ks::readers {
namespace {

class HostileSizeTest : public testing::ReaderTest {
 protected:
  template <class Reader>
  CollectionRef Read(const std::string& name, std::string_view bytes) {
    state_.source.UseMemory(bytes);
    CollectionRef objects = std::make_shared<Collection>();
    CollectionRef materials = std::make_shared<Collection>();
    Reader(state_).Load(name, objects, materials);
    return objects;
  }
  static KsObjectRef At(const CollectionRef& list, int32_t i) {
    return std::dynamic_pointer_cast<CKsObject>(list->Item(i).ToObject());
  }
  // The calls the reader made on host objects.
  size_t HostCalls() const { return log_->Calls().size(); }
};

TEST_F(HostileSizeTest, ObjLongLinesAndManyObjectsCostInProportionToWhatTheyHold) {
  // A vertex line of 2 MB whose coordinates never end: one vertex.
  std::string line = "v ";
  for (int i = 0; i < 1'000'000; ++i) line += "1 ";
  CollectionRef list = Read<CImp_OBJ>("long.obj", line + "\n");
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(At(list, 1)->VertexCount(), 1);

  // Object lines alone: each a named empty object, the host called a fixed
  // number of times per object whatever their number.
  size_t callsPerObject = 0;
  for (int count : {1'000, 20'000}) {
    log_->Clear();
    std::string objects;
    for (int i = 0; i < count; ++i) objects += "# Object\n";
    list = Read<CImp_OBJ>("objects.obj", objects);
    ASSERT_EQ(list->Count(), count);
    EXPECT_EQ(At(list, count)->VertexCount(), 0);
    if (callsPerObject == 0) callsPerObject = HostCalls() / count;
    EXPECT_LE(HostCalls(), callsPerObject * count + 16) << count << " objects";
  }

  // One face of 100,000 corners: fanned into corners - 2 triangles.
  std::string face;
  for (int i = 0; i < 100'000; ++i)
    face += "v " + std::to_string(i % 317) + " " + std::to_string(i) + " 0\n";
  face += "f";
  for (int i = 1; i <= 100'000; ++i) face += " " + std::to_string(i);
  list = Read<CImp_OBJ>("corners.obj", face + "\n");
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(At(list, 1)->VertexCount(), 100'000);
  EXPECT_EQ(At(list, 1)->TriangleCount(), 99'998);
  // A line this long sizes its triangles from its length: the fan is whole.
  const std::span<const int32_t> fan = At(list, 1)->Triangles();
  EXPECT_EQ(std::vector<int32_t>(fan.begin(), fan.begin() + 9),
            (std::vector<int32_t>{0, 1, 2, 2, 3, 0, 0, 3, 4}));
  EXPECT_EQ(std::vector<int32_t>(fan.end() - 3, fan.end()),
            (std::vector<int32_t>{0, 99'998, 99'999}));
}

TEST_F(HostileSizeTest, ThreeDsCountsAndLengthsBeyondTheFileStopAtOnceNamingTheChunk) {
  using namespace ks::test3ds;
  // A point list claiming 65,535 points, with bytes for two; and a chunk
  // claiming 2^31 - 1 bytes in a file of about 100.
  Chunk points(0x4110);
  points.U16(0xFFFF).F32(1).F32(2).F32(3).F32(4).F32(5).F32(6);
  Chunk mesh(0x4100);
  mesh.Add(points);
  Chunk object = NamedObject("big");
  object.Add(mesh);
  Bytes counted = EditorFile({object});
  Chunk huge(0x4110);
  huge.U16(2).ForceLength(0x7FFFFFFF);
  Chunk hugeMesh(0x4100);
  hugeMesh.Add(huge);
  Chunk hugeObject = NamedObject("big");
  hugeObject.Add(hugeMesh);
  Bytes claimed = EditorFile({hugeObject});
  const std::pair<Bytes, std::string> cases[] = {{counted, "count 65535"},
                                                 {claimed, "2147483647 bytes"}};
  for (const auto& [bytes, tooLarge] : cases) {
    ASSERT_LT(bytes.size(), 120u);
    try {
      Read<CImp_3DS>("claims.3ds",
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      FAIL() << "read a file whose counts are not backed by bytes";
    } catch (const ComError& e) {
      EXPECT_NE(e.description().find(tooLarge), std::string::npos) << e.description();
      EXPECT_NE(e.description().find("offset"), std::string::npos) << e.description();
    }
  }
}

TEST_F(HostileSizeTest, ThreeDsTenThousandNestedChunksEndWithoutObjects) {
  using namespace ks::test3ds;
  Chunk inner(0x3D3D);
  for (int i = 0; i < 10'000; ++i) {
    Chunk outer(0x3D3D);
    outer.Add(inner);
    inner = outer;
  }
  Chunk main(0x4D4D);
  main.Add(inner);
  const Bytes bytes = main.Build();
  CollectionRef list;
  try {
    list = Read<CImp_3DS>(
        "nested.3ds", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const ComError& e) {
    EXPECT_FALSE(e.description().empty());
    return;
  }
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(HostileSizeTest, DxfPolylineWithoutItsEndKeepsEveryVertex) {
  std::string dxf =
      "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\n0\n66\n1\n70\n64\n71\n100000\n72\n1\n";
  for (int i = 0; i < 100'000; ++i)
    dxf += "0\nVERTEX\n8\n0\n10\n" + std::to_string(i) + "\n20\n1\n30\n0\n70\n192\n";
  CollectionRef list = Read<CImp_DXF>("vertices.dxf", dxf);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(At(list, 1)->VertexCount(), 100'000);
  EXPECT_EQ(At(list, 1)->TriangleCount(), 0);
}

TEST_F(HostileSizeTest, PovHundredThousandNestedBracesAroundOneTriangle) {
  std::string inc = "mesh {\n" + std::string(100'000, '{') + "\n" +
                    "triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n" + std::string(100'000, '}') +
                    "\n}\n";
  CollectionRef list = Read<CImp_POV>("braces.inc", inc);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(At(list, 1)->TriangleCount(), 1);
}

}  // namespace
}  // namespace ks::readers
