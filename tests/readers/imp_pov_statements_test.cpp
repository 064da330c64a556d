// Statements over several lines, mesh2 blocks and what the reader hands the
// host for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/imp_pov.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

class PovStatementTest : public TextReaderTest {
 protected:
  CollectionRef Load(const std::string& text, const std::string& name = "scene.inc") {
    log_->Clear();
    CImp_POV reader(*state_);
    CollectionRef list;
    reader.Load(Write(name, text), list);
    return list;
  }
  std::string Error(const std::string& text) {
    try {
      Load(text);
    } catch (const ComError& e) {
      EXPECT_FALSE(state_->file->IsOpen());
      return e.description();
    }
    return "no error";
  }
  // Each object as "name: vertices/triangles".
  static std::vector<std::string> Summary(const CollectionRef& list) {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= list->Count(); ++i) {
      KsObjectRef o = ObjectAt(list, i);
      out.push_back(o->Name() + ": " + std::to_string(o->VertexCount()) + "/" +
                    std::to_string(o->TriangleCount()));
    }
    return out;
  }
};

// The same scene written one statement per line, one word per line (a
// declaration keeps its name on its line), and with
// closing braces run together: the host receives exactly the same calls.
TEST_F(PovStatementTest, StatementsSpreadOverLinesReadAsOneLineStatements) {
  const std::vector<std::string> statements = {
      "#declare Rook = mesh {",
      "triangle { <0, 0, 0>, <1, 0, 0>, <0, 1, 0> }",
      "smooth_triangle { <0, 0, 1>, <0, 0, 1>, <1, 0, 1>, <0, 1, 0>, <0, 1, 1>, <1, 0, 0> }",
      "triangle { <2, 0, 0>, <3, 0, 0>, <2.5, 1, -1> texture { Tex } }",
      "}",
      "object {",
      "mesh {",
      "triangle { <5, 5, 5>, <6, 5, 5>, <5, 6, 5> }",
      "}",
      "translate <1, 2, 3>",
      "}",
  };
  std::string perLine, perWord;
  for (const std::string& s : statements) {
    perLine += s + "\n";
    for (char c : s) perWord += c == ' ' && s[0] != '#' ? '\n' : c;
    perWord += "\r\n";
  }
  const CollectionRef list = Load(perLine);
  EXPECT_EQ(Summary(list), (std::vector<std::string>{"Rook: 9/3", "Object: 3/1"}));
  const auto expected = log_->MemberLines();
  Load(perWord);
  EXPECT_EQ(log_->MemberLines(), expected);
  // "}}" closes the statement and its mesh; vectors over line ends.
  Load(
      "#declare Rook = mesh {\ntriangle{<0,0,0>,<1,0,0>,<0,1,0>}\nsmooth_triangle {\n"
      "  <0,0,1>, <0,0,1>,\n  <1,0,1>, <0,1,0>,\n  <0,1,1>, <1,0,0>\n}\ntriangle {\n<2,0,0>,<3,\n0,"
      "0>, <2.5,1,-1> texture { Tex }}}\nobject { mesh { triangle { <5,5,5>,<6,5,5>,<5,6,5>}}"
      " translate <1, 2, 3> }");
  EXPECT_EQ(log_->MemberLines(), expected);
}

TEST_F(PovStatementTest, SpreadTriangleIsNotLostWithTheOnesAfterIt) {
  // The first triangle over three lines, then a one-line one, then a bare list.
  const CollectionRef list = Load(
      "#declare Thing = mesh {\n  triangle {\n    <0,0,0>, <1,0,0>,\n    <0,1,0> }\n"
      "  triangle { <0,0,1>, <1,0,1>, <0,1,1> }\n}\n");
  EXPECT_EQ(Summary(list), std::vector<std::string>{"Thing: 6/2"});
  // A statement left open is read as it stands when the next one begins.
  EXPECT_EQ(Summary(Load("mesh {\ntriangle { <0,0,0>, <1,0,0>, <0,1,0>\n"
                         "triangle { <0,0,1>, <1,0,1>, <0,1,1> }\n}\n")),
            std::vector<std::string>{"Object: 6/2"});
  // A bare include list, named after the file (spaces as "_").
  EXPECT_EQ(Summary(Load("// written by a tool\ntriangle {\n <0,0,0>, <1,0,0>, <0,1,0>\n}\n"
                         "triangle { <0,0,1>, <1,0,1>, <0,1,1> }",
                         "my part.inc")),
            std::vector<std::string>{"my_part: 6/2"});
  // Whatever the number of triangles, one call per array.
  std::string many = "mesh {\n";
  for (int i = 0; i < 2000; ++i) many += "triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n";
  EXPECT_EQ(Summary(Load(many + "}")), std::vector<std::string>{"Object: 6000/2000"});
  EXPECT_EQ(log_->MemberLines().size(), 4u);
}

const std::string kCube2 =
    "#declare Cube = mesh2 {\n"
    "  vertex_vectors {\n    4,\n    <0,0,0>, <1,0,0>,\n    <1,1,0>, <0,1,\n0>\n  }\n"
    "  normal_vectors { 2, <0,0,1>, <0,0,-1> }\n"
    "  uv_vectors { 4, <0,0>, <1,0>, <1,1>, <0,1> }\n"
    "  texture_list { 2, texture { pigment { rgb 1 } } texture { T2 } }\n"
    "  face_indices { 2, <0,1,2>, 0, <0,2,3>, 0, 1, 1, }\n"
    "  normal_indices { 2, <0,0,0>, <1,1,1> }\n"
    "  uv_indices { 2, <0,1,2>, <0,2,3> }\n"
    "  inside_vector <0, 0, 1>\n"
    "  pigment { rgb <1, 0, 0> }\n"
    "}\n";

TEST_F(PovStatementTest, Mesh2GivesItsVerticesFacesAndCornerNormals) {
  const CollectionRef list = Load(kCube2 +
                                  "object { mesh2 { vertex_vectors { 3, <0,0,0>, "
                                  "<1,0,0>, <0,1,0> } face_indices { 1, <2,1,0> } } }");
  EXPECT_EQ(Summary(list), (std::vector<std::string>{"Cube: 4/2", "Object: 3/1"}));
  EXPECT_EQ(log_->MemberLines()[2], "Add_Vertices(Single(12)[0,0,0,1,0,0,1,1,0,0,1,0])");
  EXPECT_EQ(log_->MemberLines()[3], "Add_Poligons(Long(8)[3,0,1,2,3,0,2,3])");
  EXPECT_EQ(log_->MemberLines()[4],
            "Set_PoligonNormals(Single(20)[0,0,0,1,0,0,1,0,0,1,1,0,0,-1,0,0,-1,0,0,-1])");
  EXPECT_EQ(log_->MemberLines().back(), "Add_Poligons(Long(4)[3,2,1,0])");
  // After triangles of a mesh, an anonymous mesh2 in the same object numbers
  // its vertices and triangles on from them.
  Load(
      "object {\nmesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n"
      "mesh2 { vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> } normal_vectors { 1, <0,1,0> }"
      " face_indices { 1, <0,1,2> } normal_indices { 1, <0,0,0> } }\n}\n");
  EXPECT_EQ(log_->MemberLines()[3], "Add_Poligons(Long(8)[3,0,1,2,3,3,4,5])");
  EXPECT_EQ(log_->MemberLines()[4], "Set_PoligonNormals(Single(10)[1,0,1,0,0,1,0,0,1,0])");
}

TEST_F(PovStatementTest, Mesh2CountsAndIndicesAreCheckedWithTheLine) {
  const auto mesh2 = [](const std::string& body) { return "mesh2 {\n" + body + "\n}\n"; };
  const std::string three = "vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> }\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {mesh2("vertex_vectors { 4, <0,0,0>, <1,0,0>,\n<0,1,0> }"),
       "vertex_vectors declares 4 entries but gives 3 (line 3 of scene.inc)"},
      {mesh2("vertex_vectors { 1, <0,0,0>, <1,0,0> }"),
       "vertex_vectors gives more than the 1 entries its count declares (line 2 of scene.inc)"},
      {mesh2(three + "face_indices { 1, <0,1,3> }"),
       "face_indices: entry 1 names entry 3 of vertex_vectors, which has 3 (line 3 of scene.inc)"},
      {mesh2("face_indices { 1, <0,1,3> }\n" + three),
       "face_indices: entry 1 names entry 3 of a list of 3 (line 5 of scene.inc)"},
      {mesh2("vertex_vectors { 2 <0,0,0>, <1,0,0> }"),
       "vertex_vectors lacks a comma before entry 1 (line 2 of scene.inc)"},
      {mesh2("vertex_vectors { 2, <0,0,0>,, <1,0,0> }"),
       "vertex_vectors has two commas in a row (line 2 of scene.inc)"},
      {mesh2("vertex_vectors { two, <0,0,0> }"),
       "vertex_vectors must begin with its count, not \"two\" (line 2 of scene.inc)"},
      {mesh2("vertex_vectors { 1, <0,x,0> }"),
       "vertex_vectors: \"x\" is not a number (line 2 of scene.inc)"},
      {mesh2("vertex_vectors { 1, <0,0> }"),
       "vertex_vectors: <0,0> does not have 3 components (line 2 of scene.inc)"},
      {mesh2(three + "face_indices { 1, <0,1,2> } normal_indices { 1, <0,0,0> }"),
       "normal_indices without normal_vectors (line 4 of scene.inc)"},
      {mesh2(three + three), "vertex_vectors is given twice in one mesh2 (line 3 of scene.inc)"},
      {"mesh2 {\nvertex_vectors { 3, <0,0,0>,",
       "vertex_vectors is cut off by the end of the file (line 2 of scene.inc)"},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(Error(text), error) << text;
}

TEST_F(PovStatementTest, TruncatedMesh2FilesNeverCrash) {
  for (size_t size = 0; size < kCube2.size(); size += 3) {
    CollectionRef list;
    try {
      list = Load(kCube2.substr(0, size));
    } catch (const ComError& e) {
      EXPECT_NE(e.description().find("(line "), std::string::npos) << e.description();
    }
    EXPECT_FALSE(state_->file->IsOpen());
  }
  const std::string words =
      RandomWords(7, 5000,
                  {"mesh2", "{", "}", "vertex_vectors", "face_indices", "normal_vectors",
                   "normal_indices", "3,", "<0,1,2>", "<1,2,3>,", ",", "1", "uv_vectors", "<"});
  try {
    Load(words);
  } catch (const ComError&) {
  }
  EXPECT_FALSE(state_->file->IsOpen());
}

}  // namespace
}  // namespace ks::readers::testing
