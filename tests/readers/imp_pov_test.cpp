#include "readers/imp_pov.h"

#include <gtest/gtest.h>

#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

const std::string kTriangle = "  triangle { <0, 0, 0>, <1, 0, 0>, <0, 1, 0> }";
const std::string kSmooth =
    "  smooth_triangle { <0, 0, 1>, <0, 0, 1>, <1, 0, 1>, <0, 1, 0>, <0, 1, 1>, <1, 0, 0> }";
// Its three corner normals as a Set_PoligonNormals record holds them.
const std::string kSmoothNormals = "0,0,1,0,1,0,1,0,0";

class PovReaderTest : public TextReaderTest, public ::testing::WithParamInterface<std::string> {
 protected:
  // Reads the lines, joined with the test's line end, as "scene.inc".
  CollectionRef Load(const std::vector<std::string>& lines) {
    CImp_POV reader(*state_);
    CollectionRef list;
    reader.Load(Write("scene.inc", Lines(lines, GetParam())), list);
    return list;
  }
  ComError LoadError(const std::string& content, CollectionRef& list) {
    CImp_POV reader(*state_);
    try {
      reader.Load(Write("scene.inc", content), list);
    } catch (const ComError& e) {
      return e;
    }
    return ComError(0, "");
  }
  static std::vector<std::string> Names(const CollectionRef& list) {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= list->Count(); ++i) out.push_back(ObjectAt(list, i)->Name());
    return out;
  }
};

INSTANTIATE_TEST_SUITE_P(LineEnds, PovReaderTest, ::testing::ValuesIn(kLineEnds),
                         [](const auto& info) { return info.param == "\n" ? "LF" : "CRLF"; });

TEST_P(PovReaderTest, DeclaredMeshHandsItsTrianglesOverInWholeArrays) {
  CollectionRef list = Load({"#declare Pyramid =", "mesh {", kTriangle,
                             "\ttriangle\t{ <0, 0, 0>, <0, 1, 0>, <0,0,1.5> }", "}"});
  ASSERT_EQ(Names(list), std::vector<std::string>{"Pyramid"});
  EXPECT_EQ(
      log_->MemberLines(),
      (std::vector<std::string>{"Name=String(\"Pyramid\")", "DefaultColor=Long(12615680)",
                                "Add_Vertices(Single(18)[0,0,0,1,0,0,0,1,0,0,0,0,0,1,0,0,0,1.5])",
                                "Add_Poligons(Long(8)[3,0,1,2,3,3,4,5])"}));
}

TEST_P(PovReaderTest, BlocksAndDeclaresNameTheObjects) {
  CollectionRef list = Load({
      "object {", "  mesh {", kTriangle, "  }", "}",  // "Object"; the inner mesh adds to it
      "#declare Twin = mesh {", kTriangle, "}",       // two meshes after one #declare
      "mesh {", kTriangle, "}",                       // share its name
      "#declare Joined=mesh{", kTriangle, "}",        // name ends at the equals sign
  });
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Object", "Twin", "Twin", "Joined"}));
  for (int32_t i = 1; i <= list->Count(); ++i) {
    EXPECT_EQ(ObjectAt(list, i)->TriangleCount(), 1);
    EXPECT_EQ(ObjectAt(list, i)->VertexCount(), 3);
  }
}

TEST_P(PovReaderTest, AnonymousTopLevelMeshesStartTheirOwnObjects) {
  CollectionRef list = Load({"mesh {", kTriangle, "}", "mesh{", kTriangle, kTriangle, "}",
                             "object { mesh {", kTriangle, "} }"});
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Object", "Object", "Object"}));
  EXPECT_EQ(ObjectAt(list, 2)->TriangleCount(), 2);
  EXPECT_EQ(ObjectAt(list, 3)->TriangleCount(), 1);
}

TEST_P(PovReaderTest, LeadingLinesOfUnknownWordsAreDroppedWhole) {
  CollectionRef list = Load({
      "Exported mesh { triangle { <1,1,1>, <2,2,2>, <3,3,3> } }",  // dropped whole
      "#declare Part = mesh {",
      "  inside_vector <0, 0, 1> triangle { <0,0,0>, <1,0,0>, <0,1,0> }",  // now passed over
      "}",
  });
  EXPECT_EQ(Names(list), std::vector<std::string>{"Part"});
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 1);
}

TEST_P(PovReaderTest, VectorsNeedThreeComponents) {
  CollectionRef list = Load({"mesh {", "  triangle { <1.5, 2, 3>, <1, 2>, <-1e1,+.5,0.> }", "}"});
  EXPECT_EQ(CallsOf("Add_Vertices"),
            std::vector<std::string>{"Add_Vertices(Single(9)[1.5,2,3,0,0,0,-10,0.5,0])"});
}

TEST_P(PovReaderTest, PrimitivesAndTransformsAddNothing) {
  CollectionRef list = Load({
      "sphere { <0, 0, 0>, 1 }",
      "box { <0, 0, 0>, <1, 1, 1> }",
      "cylinder { <0,0,0>, <0,1,0>, 0.5 } disc { <0,0,0>, y, 1 } plane { y, 0 }",
      "#declare Thing = mesh {",
      kTriangle,
      "  translate < 1, 2, 3 >",
      "  rotate <0, 90, 0> scale 2",
      "}",
  });
  EXPECT_EQ(Names(list), std::vector<std::string>{"Thing"});
  EXPECT_EQ(ObjectAt(list, 1)->VertexCount(), 3);
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 1);
}

TEST_P(PovReaderTest, SmoothTriangleNormalsLandOnTheirOwnTriangles) {
  // Plain and smooth triangles mixed: each normal goes to the host triangle it belongs to.
  CollectionRef list = Load({"#declare Mix = mesh {", kTriangle, kSmooth, kTriangle, kSmooth, "}",
                             "#declare Next = mesh {", kSmooth, "}"});
  EXPECT_EQ(CallsOf("Set_PoligonNormals"),
            (std::vector<std::string>{
                "Set_PoligonNormals(Single(20)[1," + kSmoothNormals + ",3," + kSmoothNormals + "])",
                "Set_PoligonNormals(Single(10)[0," + kSmoothNormals + "])"}));
  KsObjectRef mix = ObjectAt(list, 1);
  ASSERT_EQ(mix->TriangleCount(), 4);
  for (int corner = 0; corner < 3; ++corner) {
    EXPECT_FALSE(mix->HasExplicitNormal(0, corner));
    EXPECT_TRUE(mix->HasExplicitNormal(1, corner));
    EXPECT_FALSE(mix->HasExplicitNormal(2, corner));
    EXPECT_TRUE(mix->HasExplicitNormal(3, corner));
  }
  EXPECT_EQ(CallsOf("Add_Poligons")[0],
            "Add_Poligons(Long(16)[3,0,1,2,3,3,4,5,3,6,7,8,3,9,10,11])");
}

TEST_P(PovReaderTest, CommentsAreNotWords) {
  CollectionRef list = Load({
      "/* Object 'ROOK' */",
      "// mesh { triangle { <1,1,1>, <2,2,2>, <3,3,3> } }",
      "#declare Rook = mesh { /* a comment that",
      "   runs on: mesh { triangle { <9,9,9>, <9,9,9>, <9,9,9> } } object {",
      "*/ triangle { <0,0,0>, /* inside */ <1,0,0>, <0,1,0> } // the base",
      "} // Rook",
  });
  EXPECT_EQ(Names(list), std::vector<std::string>{"Rook"});
  EXPECT_EQ(CallsOf("Add_Poligons"), std::vector<std::string>{"Add_Poligons(Long(4)[3,0,1,2])"});
  EXPECT_EQ(CallsOf("Add_Vertices"),
            std::vector<std::string>{"Add_Vertices(Single(9)[0,0,0,1,0,0,0,1,0])"});
}

TEST_P(PovReaderTest, TrianglesOutsideAnyObjectGoIntoOneNamedAfterTheFile) {
  // A bare list meant to be included inside a mesh, then one in a block
  // without an object: both land in the object named after the file.
  CollectionRef list = Load({"#declare Size = 5", kTriangle, kTriangle, "union {", kTriangle, "}",
                             "#declare Part = mesh {", kTriangle, "}", kTriangle});
  EXPECT_EQ(Names(list), (std::vector<std::string>{"scene", "Part", "scene"}));
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 3);
  EXPECT_EQ(ObjectAt(list, 2)->TriangleCount(), 1);
  EXPECT_EQ(ObjectAt(list, 3)->TriangleCount(), 1);
  EXPECT_EQ(ObjectAt(list, 1)->DefaultColor(), 12615680);
}

TEST_P(PovReaderTest, BadNumberIsAnErrorAndObjectsReadSoFarStay) {
  CollectionRef list;
  ComError e = LoadError(
      Lines({"mesh {", kTriangle, "}", "mesh {", "  triangle { <0,0,0>, <1,0,0>, <0,one,0> }"},
            GetParam()),
      list);
  EXPECT_EQ(e.number(), err::kTypeMismatch);
  EXPECT_EQ(e.description(),
            "\"one\" in the vector <0,one,0> is not a number (line 5 of scene.inc)");
  EXPECT_FALSE(state_->file->IsOpen());
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 1);
  EXPECT_EQ(ObjectAt(list, 2)->VertexCount(), 0);  // nothing of the broken triangle
}

TEST_P(PovReaderTest, ObjectThatCannotBeCreatedIsAnErrorNotATriangleInTheWrongObject) {
  int created = 0;
  runtime_->RegisterClass("Kestrel.CKsObject", [&created](Runtime&) -> ObjectRef {
    if (++created == 2) throw ComError(err::kCannotCreateObject, "no more objects", "Kestrel");
    return std::make_shared<CKsObject>();
  });
  CollectionRef list;
  ComError e = LoadError(
      Lines({"#declare A = mesh {", kTriangle, "}", "#declare B = mesh {", kTriangle, "}"},
            GetParam()),
      list);
  EXPECT_EQ(e.number(), err::kCannotCreateObject);
  EXPECT_EQ(e.source(), "Kestrel");
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 1);  // B's triangle did not land in A
}

TEST_P(PovReaderTest, StopEndsTheLoopAndProgressFollowsTheCharacters) {
  RecordingUi ui(*state_);
  state_->ui = &ui;
  ui.stopAfterTurns = 3;
  CollectionRef list = Load({"mesh {", kTriangle, kTriangle, kTriangle, "}"});
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 2);
  ASSERT_EQ(ui.values.size(), 3u);
  EXPECT_EQ(ui.values[2], static_cast<double>(6 + 2 * kTriangle.size()));
}

// A large mesh moves the bar in steps of about a thousandth of the file, up
// to its end; a stop after a few steps keeps the triangles read before it.
TEST_P(PovReaderTest, LargeFilesTurnInStepsAndAStopKeepsWhatWasRead) {
  std::vector<std::string> lines{"mesh {"};
  lines.insert(lines.end(), 3000, std::string(kTriangle));
  lines.push_back("}");
  RecordingUi ui(*state_);
  state_->ui = &ui;
  ObjectAt(Load(lines), 1);
  EXPECT_GT(ui.turns, 256);
  EXPECT_LE(ui.turns, 1025);
  EXPECT_TRUE(std::is_sorted(ui.values.begin(), ui.values.end()));
  EXPECT_EQ(ui.values.back(), static_cast<double>(state_->CharsRead));

  ui.turns = 0;
  ui.stopAfterTurns = 10;
  state_->StopImport = 0;
  const int32_t kept = ObjectAt(Load(lines), 1)->TriangleCount();
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 3000);
}

TEST_P(PovReaderTest, TruncatedAndRandomFilesNeverCrash) {
  std::string whole = Lines({"// scene", "#declare A = mesh {", kTriangle, kSmooth, "/* note",
                             "*/ }", "object { mesh {", kSmooth, "} translate <1,2,3> }"},
                            GetParam());
  std::vector<std::string> inputs;
  for (size_t size = 0; size < whole.size(); ++size) inputs.push_back(whole.substr(0, size));
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    inputs.push_back(RandomBytes(seed, 20000));
    inputs.push_back(
        RandomWords(seed, 4000,
                    {"mesh", "object", "{", "}", "mesh{", "#declare", "triangle", "smooth_triangle",
                     "<", ">", "<1,2,3>", "<1,,3>", "/*", "*/", "//", "=", "x", "1e39"}));
  }
  for (const std::string& input : inputs) {
    CollectionRef list;
    ComError e = LoadError(input, list);
    EXPECT_TRUE(list != nullptr);
    EXPECT_FALSE(state_->file->IsOpen());
  }
}

}  // namespace
}  // namespace ks::readers::testing
