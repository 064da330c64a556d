// Memory an OBJ import leaves in the host: in proportion to the geometry,
// however many object sections the file has.
#include <gtest/gtest.h>

#include <string>

#include "host/collection.h"
#include "host/ks_object.h"
#include "readers/imp_obj.h"
#include "tests/readers/reader_test_support.h"

namespace ks::readers {
namespace {

class ObjMemoryTest : public testing::ReaderTest {};

TEST_F(ObjMemoryTest, ManySmallSectionsHoldWhatTheyContain) {
  // 5,000 sections of one triangle, then one large section.
  std::string text;
  int v = 0;
  for (int i = 0; i < 5000; ++i, v += 3)
    text += "# Object s" + std::to_string(i) + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf " +
            std::to_string(v + 1) + " " + std::to_string(v + 2) + " " + std::to_string(v + 3) +
            "\n";
  text += "# Object big\n";
  for (int i = 0; i < 30000; ++i) text += "v " + std::to_string(i) + " 0 1\n";
  for (int i = 0; i + 2 < 30000; ++i)
    text += "f " + std::to_string(v + i + 1) + " " + std::to_string(v + i + 2) + " " +
            std::to_string(v + i + 3) + "\n";
  state_.source.UseMemory(std::string_view(text));
  CollectionRef objects = std::make_shared<Collection>();
  CImp_OBJ(state_).Load("many.obj", objects);
  ASSERT_EQ(objects->Count(), 5001);

  size_t small = 0;
  for (int32_t i = 1; i <= 5000; ++i)
    small += std::dynamic_pointer_cast<CKsObject>(objects->Item(i).ToObject())->HeldBytes();
  // 9 floats and 3 vertex numbers each, with a little room at most.
  EXPECT_LE(small, size_t(5000) * 4 * (9 + 3 + 2 * 16));
  const auto big = std::dynamic_pointer_cast<CKsObject>(objects->Item(5001).ToObject());
  EXPECT_EQ(big->TriangleCount(), 29998);
  const size_t held = size_t(big->VertexCount()) * 12 + size_t(big->TriangleCount()) * 12;
  EXPECT_LE(big->HeldBytes(), held + held / 2);
}

}  // namespace
}  // namespace ks::readers
