// What the readers pass over is counted per kind and told once.
#include "readers/import_warnings.h"

#include <gtest/gtest.h>

#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(ImportWarningsTest, OneLinePerKindWithCountAndTheFirstNames) {
  constexpr WarningKind a{"thing", "things", "only meshes are imported"};
  constexpr WarningKind b{"other", "others", "why"};
  ImportWarnings w;
  EXPECT_TRUE(w.Empty());
  for (const char* name : {"box", "sphere", "box", "cone", "disc", "plane", "torus"})
    w.Count(a, name);
  w.Count(b, "x");
  EXPECT_EQ(
      w.Messages(),
      (Strings{"passed over 7 things (box, sphere, cone, disc, ...): only meshes are imported",
               "passed over 1 other (x): why"}));
  w.Clear();
  EXPECT_TRUE(w.Messages().empty());
}

class ReaderWarningsTest : public TextReaderTest {
 protected:
  template <class Reader>
  Strings Warnings(const std::string& name, const std::string& text) {
    state_->warnings.Clear();
    CollectionRef list = std::make_shared<Collection>();
    Reader(*state_).Load(Write(name, text), list);
    EXPECT_GE(list->Count(), 1);
    return state_->warnings.Messages();
  }
};

TEST_F(ReaderWarningsTest, EachReaderCountsWhatItPassesOver) {
  EXPECT_EQ(Warnings<CImp_POV>("a.inc",
                               "#declare M = mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n"
                               "sphere { <0,0,0>, 1 } union { box { <0,0,0>, <1,1,1> }\n"
                               "  cylinder{<0,0,0>,<0,1,0>,1} object { M } }\nplane { y, 0 }\n"),
            (Strings{"passed over 4 POV-Ray primitives (sphere, box, cylinder, plane): only meshes "
                     "are imported",
                     "passed over 1 POV-Ray CSG block (union): only meshes are imported"}));
  EXPECT_EQ(Warnings<CImp_OBJ>("a.obj",
                               "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nl 1 2 3\np 1\ncstype bspline\n"
                               "curv 0 1 1 2\nsurf 0 1 0 1 1 2\nparm u 0 1\nlod 1\n"),
            (Strings{"passed over 2 line and point statements (l, p): only faces are imported",
                     "passed over 2 curves and surfaces (curv, surf): only faces are imported"}));
  const std::string mesh =
      "0\nPOLYLINE\n8\n0\n66\n1\n70\n17\n71\n3\n72\n3\n0\nVERTEX\n10\n1\n"
      "20\n2\n30\n3\n70\n64\n0\nSEQEND\n";
  EXPECT_EQ(Warnings<CImp_DXF>("a.dxf", mesh + "0\nLWPOLYLINE\n90\n2\n0\nMESH\n0\nEOF\n"),
            (Strings{"passed over 1 polygon mesh (POLYLINE with flag 16): only 3DFACE entities "
                     "and polyface meshes are imported",
                     "passed over 2 LWPOLYLINE and MESH entities (LWPOLYLINE, MESH): only 3DFACE "
                     "entities and polyface meshes are imported"}));
  // Meshes alone pass over nothing.
  EXPECT_TRUE(
      Warnings<CImp_POV>("b.inc", "mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n").empty());
}

// Found by fuzzing: a flags value no 16-bit number holds was cast out of range.
TEST_F(ReaderWarningsTest, PolylineFlagsOutOfRangeSetNoFlag) {
  for (const char* flags : {"8888888888888888888888", "-8888888888888888888888", "x"}) {
    const std::string text = std::string("0\nPOLYLINE\n8\n0\n66\n1\n70\n") + flags +
                             "\n0\nVERTEX\n10\n1\n20\n2\n30\n3\n0\nSEQEND\n0\nEOF\n";
    // No flag: a plain polyline, whose vertices are passed over.
    EXPECT_EQ(Warnings<CImp_DXF>("a.dxf", text),
              Strings{"passed over 1 polyline (POLYLINE with flag 0): lines are not imported, "
                      "only 3DFACE entities and polyface meshes"})
        << flags;
  }
}

// Found by fuzzing: a second "#declare" on a line whose text the first one
// rewrote was read from the freed line.
TEST_F(ReaderWarningsTest, DeclaresFollowingEachOtherOnOneLineAreReadSafely) {
  EXPECT_TRUE(Warnings<CImp_POV>("a.inc",
                                 "#declare A=b #declare B=c #declare C=mesh {\n"
                                 "triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n")
                  .empty());
}

}  // namespace
}  // namespace ks::readers::testing
