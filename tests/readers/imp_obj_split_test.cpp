// WaveFront objects split at "o" lines, and faces that name missing vertices.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/ks_object.h"
#include "reader_test_support.h"
#include "readers/imp_obj.h"

namespace ks::readers {
namespace {

using Strings = std::vector<std::string>;

class ObjSplitTest : public testing::ReaderTest {
 protected:
  CollectionRef Import(const std::string& text, bool split = true) {
    state_.options.splitObjects = split;
    auto list = std::make_shared<Collection>();
    CImp_OBJ reader(state_);
    reader.Load(WriteFile("my part.obj", text), list);
    return list;
  }
  std::string Error(const std::string& text, bool split = true) {
    try {
      Import(text, split);
    } catch (const ComError& e) {
      EXPECT_EQ(e.number(), err::kSubscriptOutOfRange);
      return e.description();
    }
    return "no error";
  }
  static std::shared_ptr<CKsObject> Mesh(const CollectionRef& list, int32_t i) {
    return std::dynamic_pointer_cast<CKsObject>(list->Item(i).ToObject());
  }
  // Each object as "name: vertex x values | triangles | colour".
  static Strings Summary(const CollectionRef& list) {
    Strings out;
    for (int32_t i = 1; i <= list->Count(); ++i) {
      auto o = Mesh(list, i);
      std::string line = o->Name() + ":";
      for (size_t k = 0; k < o->Vertices().size(); k += 3)
        line += " " + std::to_string(int(o->Vertices()[k]));
      line += " |";
      for (int32_t v : o->Triangles()) line += " " + std::to_string(v);
      out.push_back(line + " | " + std::to_string(o->DefaultColor()));
    }
    return out;
  }
};

const std::string kTwoParts =
    "# exported\nmtllib a.mtl\n"
    "o Cube\nv 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\nusemtl m\nf 1 2 3 4\n"
    "o Cone part\nv 5 0 0\nv 6 0 0\nv 7 0 0\nf 5 6 7\nf 1 -3 -2\n";

TEST_F(ObjSplitTest, EachObjectLineStartsAnObjectHoldingTheVerticesItsFacesUse) {
  // Vertices in the order first used; vertex 1 is copied into the second object.
  EXPECT_EQ(Summary(Import(kTwoParts)), (Strings{"Cube: 10 20 30 40 | 0 1 2 2 3 0 | 12615680",
                                                 "Cone_part: 50 60 70 10 | 0 1 2 3 0 1 | 255"}));
  // Off (the default): one object named after the file, as before.
  EXPECT_EQ(Summary(Import(kTwoParts, false)).size(), 1u);
  EXPECT_EQ(Mesh(Import(kTwoParts, false), 1)->Name(), "my_part");
  // Faces before the first "o" line stay with an object named after the file;
  // an "o" line without a name names its object after the file too.
  EXPECT_EQ(Summary(Import("v 1 0 0\nv 2 0 0\nv 3 0 0\nf 3 2 1\no\nf 1 2 3\no Empty\n")),
            (Strings{"my_part: 30 20 10 | 0 1 2 | 12615680", "my_part: 10 20 30 | 0 1 2 | 255",
                     "Empty: | | 4227327"}));
}

TEST_F(ObjSplitTest, NormalsAndTriangleNumbersFollowEachObject) {
  const CollectionRef list = Import(
      "o A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nf 1//1 2//1 3//1\n"
      "o B\nf 3//2 2//2 1//2\n");
  ASSERT_EQ(list->Count(), 2);
  for (int32_t i = 1; i <= 2; ++i) {
    auto o = Mesh(list, i);
    ASSERT_EQ(o->TriangleCount(), 1);
    EXPECT_TRUE(o->HasExplicitNormal(0, 0));
    EXPECT_EQ(o->CornerNormals()[2], i == 1 ? 10.0f : 0.0f);
  }
}

// Random files against a plain reference: every triangle of every section,
// as coordinates, must be what the objects hold.
TEST_F(ObjSplitTest, RandomSectionsKeepEveryTriangleWhereItWasWritten) {
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    std::string text;
    std::vector<Strings> expected(1);
    int defined = 0;
    for (int line = 0; line < 200; ++line) {
      const unsigned kind = rng() % 6;
      if (kind < 2 || defined < 3) {
        text += "v " + std::to_string(++defined) + " 0 0\n";
      } else if (kind == 2 && !expected.back().empty()) {
        text += "o S" + std::to_string(expected.size()) + "\n";
        expected.emplace_back();
      } else {
        std::string face = "f", corners;
        for (int c = 0; c < 3; ++c) {
          const int v = 1 + int(rng() % unsigned(defined));
          face += rng() % 2 ? " " + std::to_string(v) : " " + std::to_string(v - defined - 1);
          corners += " " + std::to_string(v * 10);
        }
        text += face + "\n";
        expected.back().push_back(corners);
      }
    }
    const CollectionRef list = Import(text);
    ASSERT_EQ(list->Count(), int32_t(expected.size()));
    for (int32_t i = 1; i <= list->Count(); ++i) {
      auto o = Mesh(list, i);
      Strings got;
      for (size_t t = 0; t < o->Triangles().size(); t += 3) {
        std::string corners;
        for (size_t c = 0; c < 3; ++c)
          corners += " " + std::to_string(int(o->Vertices()[size_t(o->Triangles()[t + c]) * 3]));
        got.push_back(corners);
      }
      EXPECT_EQ(got, expected[size_t(i - 1)]);
    }
  }
}

TEST_F(ObjSplitTest, FacesNamingMissingVerticesFailWithTheLineAndCorner) {
  const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (bool split : {false, true}) {
    EXPECT_EQ(Error(three + "f 1 2 4\n", split),
              "line 4: corner 3 names vertex 4, but only 3 vertices are defined so far");
    EXPECT_EQ(Error(three + "f 1 2 0 3\n", split),
              "line 4: corner 3 names vertex 0; vertex numbers start at 1");
    EXPECT_EQ(Error(three + "f -4 -2 -1\n", split),
              "line 4: corner 1 names vertex -4, but only 3 vertices are defined so far");
    EXPECT_EQ(Error("v 0 0 0\nf 1 1 2\n", split),
              "line 2: corner 3 names vertex 2, but only 1 vertex is defined so far");
    EXPECT_EQ(Error(three + "v 1 1 0\nf 1 2 3 4 9\n", split),
              "line 5: corner 5 names vertex 9, but only 4 vertices are defined so far");
  }
  EXPECT_EQ(Error("o A\n" + three + "f 1 2 3\no B\nf 1 2 5\n"),
            "line 7: corner 3 names vertex 5, but only 3 vertices are defined so far");
}

}  // namespace
}  // namespace ks::readers
