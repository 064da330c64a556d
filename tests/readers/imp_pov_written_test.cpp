// POV-Ray as people and exporters write it: triangles on the line of their
// block's opening brace, strings, directive bodies, declared vectors.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "readers/imp_pov.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

using Strings = std::vector<std::string>;

class PovWrittenTest : public TextReaderTest {
 protected:
  // Each object as "name: vertices/triangles", then the warnings; or the error.
  Strings Outcome(const std::string& text) {
    state_->warnings.Clear();
    CollectionRef list;
    try {
      CImp_POV(*state_).Load(Write("scene.inc", text), list);
    } catch (const ComError& e) {
      return {"error: " + e.description()};
    }
    Strings out;
    for (int32_t i = 1; i <= list->Count(); ++i) {
      const KsObjectRef o = ObjectAt(list, i);
      out.push_back(o->Name() + ": " + std::to_string(o->VertexCount()) + "/" +
                    std::to_string(o->TriangleCount()));
    }
    for (const std::string& w : state_->warnings.Messages()) out.push_back(w);
    return out;
  }
};

constexpr const char* kTri = "triangle {<0,0,0>,<1,0,0>,<0,1,0>}";

TEST_F(PovWrittenTest, TrianglesOnTheLineOfTheirBlocksBrace) {
  const std::string t = kTri;
  const std::map<std::string, Strings> cases = {
      {"#declare M1 = mesh {" + t + "\n" + t + "\n}\n", {"M1: 6/2"}},
      {"#declare M1 = mesh {" + t + "}\n", {"M1: 3/1"}},
      {"#declare M1 = mesh{" + t + "\n" + t + "}\n", {"M1: 6/2"}},
      {"mesh {" + t + "\n" + t + "}\n", {"Object: 6/2"}},
      // A statement glued to its brace, spaces between its vectors.
      {"#declare M1 = mesh {\ntriangle{<0,0,0>, <1,0,0>, <0,1,0>}\n}\n", {"M1: 3/1"}},
      {"#declare U = union {" + t + "\n" + t + "\n}\n",
       {"scene: 6/2", "passed over 1 POV-Ray CSG block (union): only meshes are imported"}},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Outcome(text), outcome) << text;
}

TEST_F(PovWrittenTest, StringsAndDirectiveBodiesArePassedOver) {
  const std::string t = kTri;
  const std::map<std::string, Strings> cases = {
      // Words in strings are no code.
      {"#declare M = mesh {\n" + t + "\n}\n#debug \"the mesh2 is here { \\\" triangle\"\n",
       {"M: 3/1"}},
      // Bodies that cannot be evaluated, nested ones too, with what follows
      // their #end read.
      {"#macro Leaf(N)\n mesh { " + t +
           " }\n #if (N > 1) Leaf(N-1) #end\n#end\n"
           "#declare M = mesh { " +
           t + " }\n",
       {"M: 3/1",
        "passed over 1 directive body that cannot be evaluated (#macro at line 1): what they hold "
        "is not imported"}},
      {"#declare M = mesh { " + t + "\n#while (I < 3) " + t + " #end " + t + "\n}\n",
       {"M: 6/2",
        "passed over 1 directive body that cannot be evaluated (#while at line 2): what they "
        "hold is not imported"}},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Outcome(text), outcome) << text;
}

TEST_F(PovWrittenTest, DeclaredVectorsAndSimpleArithmeticGiveTheCorners) {
  // Each line's corners, then the vertices the object got.
  const std::map<std::string, std::vector<float>> cases = {
      {"#declare P1 = <0,0,0>;\n#declare P2=<1,0,0>;\n#declare P3 =<0,1,0>;\n"
       "#declare M = mesh { triangle { P1, P2, P3 } }\n",
       {0, 0, 0, 1, 0, 0, 0, 1, 0}},
      {"#declare N = 3;\n#declare P1 = <1,2,3>*2;\n"
       "#declare M = mesh { triangle { P1, x, -1.5*y } }\n",
       {2, 4, 6, 1, 0, 0, 0, -1.5, 0}},
      {"#declare P1 = <1,1,1>;\n#local N = 3;\n#declare M = mesh {\n"
       " triangle { P1 + <0,1,0>, <N, 0, 0>,\n  (P1 - z) / 2 texture { T } }\n}\n",
       {1, 2, 1, 3, 0, 0, 0.5, 0.5, 0}},
      {"#declare N = 3;\n"
       "#declare M = mesh { smooth_triangle { <N,0,0>, y, <0,N,0>, y, <0,0,N>, y } }\n",
       {3, 0, 0, 0, 3, 0, 0, 0, 3}},
  };
  for (const auto& [text, corners] : cases) {
    CollectionRef list;
    state_->warnings.Clear();
    CImp_POV(*state_).Load(Write("scene.inc", text), list);
    ASSERT_EQ(list->Count(), 1) << text;
    const KsObjectRef o = ObjectAt(list, 1);
    EXPECT_EQ(std::vector<float>(o->Vertices().begin(), o->Vertices().end()), corners) << text;
    EXPECT_EQ(state_->warnings.Messages(), Strings{}) << text;
  }
  // What cannot be evaluated is a warning naming the line, never an empty
  // object without a word.
  // Counts of a mesh2 list may be declared numbers.
  EXPECT_EQ(Outcome("#declare N = 2;\n#declare M = mesh2 { vertex_vectors { N*N-1, <0,0,0>, "
                    "<1,0,0>, <0,1,0> }\n face_indices { N/2, <0,1,2> } }\n"),
            Strings{"M: 3/1"});
  EXPECT_EQ(Outcome("#declare M = mesh2 { vertex_vectors { K, <0,0,0> } }\n"),
            Strings{"error: vertex_vectors must begin with its count, not \"K\" (line 1 of "
                    "scene.inc)"});
  // Signs and brackets deeper than any file needs are no danger.
  EXPECT_EQ(Outcome("mesh { triangle { " + std::string(1000000, '-') + "x, " +
                    std::string(100000, '(') + "y, z } }\n"),
            (Strings{"Object: 0/0",
                     "passed over 1 triangle whose corners cannot be evaluated (line 1): only "
                     "numbers, vectors, declared names and + - * / are evaluated"}));
  // A name declared anew as something else is no longer a vector.
  EXPECT_EQ(Outcome("#declare M = mesh {\n triangle { P1, P2, P3 }\n"
                    " triangle { vrotate(x, 45), y, z }\n}\n"
                    "#declare N = 3;\n#declare N = mesh { triangle { <N,0,0>, y, z } }\n"),
            (Strings{"M: 0/0", "N: 0/0",
                     "passed over 3 triangles whose corners cannot be evaluated (line 2, line 3, "
                     "line 6): only numbers, vectors, declared names and + - * / are evaluated"}));
}

}  // namespace
}  // namespace ks::readers::testing
