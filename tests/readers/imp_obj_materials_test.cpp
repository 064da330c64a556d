// WaveFront materials: libraries read into host materials, faces bound to
// them, objects split per material; and face lines of one or two corners.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/ks_color.h"
#include "host/ks_material.h"
#include "host/ks_object.h"
#include "reader_test_support.h"
#include "readers/imp_obj.h"

namespace ks::readers {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kLibrary =
    "# two materials\n"
    "newmtl red\nKd 1 0 0\n"
    "newmtl blue\r\n\tKd 0 0 1\r\n";

// Positions 1 to 6 at x = 1 … 6 (10 … 60 as the host keeps them).
const std::string kSix = "v 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\nv 5 0 0\nv 6 0 0\n";

class ObjMaterialsTest : public testing::ReaderTest {
 protected:
  CollectionRef Import(const std::string& text, bool materials = true,
                       const std::string& library = kLibrary) {
    state_.options.importMaterials = materials;
    state_.warnings.Clear();
    if (!library.empty()) WriteFile("m.mtl", library);
    objects_ = std::make_shared<Collection>();
    CImp_OBJ reader(state_);
    reader.Load(WriteFile("shapes.obj", text), objects_, materials_);
    return objects_;
  }
  static std::shared_ptr<CKsObject> Mesh(const CollectionRef& list, int32_t i) {
    return std::dynamic_pointer_cast<CKsObject>(list->Item(i).ToObject());
  }
  std::shared_ptr<CKsMaterial> Material(int32_t i) const {
    return std::dynamic_pointer_cast<CKsMaterial>(materials_->Item(i).ToObject());
  }
  // Each object as "name [material]: triangles by the x of their corners".
  static Strings Summary(const CollectionRef& list) {
    Strings out;
    for (int32_t i = 1; i <= list->Count(); ++i) {
      auto o = Mesh(list, i);
      std::string line = o->Name() + " [" + o->MaterialKey() + "]:";
      for (size_t t = 0; t < o->Triangles().size(); t += 3) {
        line += " ";
        for (size_t c = 0; c < 3; ++c)
          line += std::to_string(int(o->Vertices()[size_t(o->Triangles()[t + c]) * 3] / 10));
      }
      out.push_back(line);
    }
    return out;
  }
  Strings Warnings() const { return state_.warnings.Messages(); }

  CollectionRef objects_;
  CollectionRef materials_;
};

TEST_F(ObjMaterialsTest, FacesAreBoundToTheirMaterialAndObjectsSplitPerMaterial) {
  const std::string head = "mtllib m.mtl\n" + kSix;
  struct Case {
    std::string body;
    Strings objects;
  };
  const std::vector<Case> cases = {
      // One material: bound, the name unchanged.
      {"usemtl red\nf 1 2 3\nf 2 3 4\n", {"shapes [red]: 123 234"}},
      // Alternating materials: one object each, in the order first used.
      {"usemtl blue\nf 1 2 3\nusemtl red\nf 2 3 4\nusemtl blue\nf 4 5 6\n",
       {"shapes_blue [blue]: 123 456", "shapes_red [red]: 234"}},
      // Faces before the first usemtl keep the object's own name; a quad
      // stays whole in its part.
      {"f 1 2 3\nusemtl red\nf 3 4 5 6\n", {"shapes []: 123", "shapes_red [red]: 345 563"}},
      // A material named twice without a face between: the last one holds.
      {"usemtl red\nusemtl blue\nf 1 2 3\n", {"shapes [blue]: 123"}},
      // "usemtl" alone ends the material in use.
      {"usemtl red\nf 1 2 3\nusemtl\nf 4 5 6\n", {"shapes_red [red]: 123", "shapes []: 456"}},
      // The material in use carries over into the next object section.
      {"# Object A\nusemtl red\nf 1 2 3\n# Object B\nv 7 0 0\nv 8 0 0\nv 9 0 0\nf 7 8 9\n"
       "usemtl blue\nf 9 8 7\n",
       {"shapes [red]: 123", "B_red [red]: 789", "B_blue [blue]: 987"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Summary(Import(head + c.body)), c.objects) << c.body;
    EXPECT_EQ(materials_->Count(), 2);
    EXPECT_EQ(Warnings(), Strings{}) << c.body;
  }
  // Each part holds only the vertices its faces use.
  Import(head + "usemtl red\nf 1 2 3\nusemtl blue\nf 4 5 6\n");
  EXPECT_EQ(Mesh(objects_, 1)->VertexCount(), 3);
  EXPECT_EQ(Mesh(objects_, 2)->VertexCount(), 3);

  // Without the option the file reads as it always has.
  EXPECT_EQ(Summary(Import(head + cases[1].body, false)), Strings{"shapes []: 123 234 456"});
  EXPECT_EQ(materials_->Count(), 0);
}

TEST_F(ObjMaterialsTest, ObjectsSplitAtObjectLinesSplitFurtherPerMaterial) {
  state_.options.splitObjects = true;
  Import("mtllib m.mtl\n" + kSix +
         "o Cube\nusemtl red\nf 1 2 3\nusemtl blue\nf 2 3 4\no Lid\nf 4 5 6\n");
  EXPECT_EQ(Summary(objects_),
            (Strings{"Cube_red [red]: 123", "Cube_blue [blue]: 234", "Lid [blue]: 456"}));
  // Split objects are coloured one by one as object sections are.
  EXPECT_EQ(Mesh(objects_, 1)->DefaultColor(), CImp_OBJ::ObjectColors[1]);
  EXPECT_EQ(Mesh(objects_, 2)->DefaultColor(), CImp_OBJ::ObjectColors[2]);
}

TEST_F(ObjMaterialsTest, LibraryValuesBecomeHostMaterials) {
  Import("mtllib m.mtl\n", true,
         "newmtl gold\nKd 1 0.5 0\nKa 0.2\nKs 2 -1 0.5\nNs 500\nd 0.25\nillum 2\n"
         "map_Kd gold.png\nbump gold-bump.png\n"
         "newmtl glass\nTr 0.25\nKd red\nmap_Kd glass.png\n"
         "newmtl gold\nKd 0 0 0\n");  // a second definition of a name is passed over
  ASSERT_EQ(materials_->Count(), 2);
  const auto gold = Material(1);
  EXPECT_EQ(gold->Name(), "gold");
  EXPECT_EQ(gold->Color(), Rgb(255, 128, 0));  // 127.5 rounds to even
  EXPECT_EQ(gold->AmbientColor(), Rgb(51, 51, 51));
  EXPECT_EQ(gold->SpecularColor(), Rgb(255, 0, 128));  // values beyond 0..1 are clamped
  EXPECT_FLOAT_EQ(gold->Smoothness(), 0.5f);
  EXPECT_FLOAT_EQ(gold->Opacity(), 0.25f);
  EXPECT_EQ(gold->MaterialType(), 4);
  const auto glass = Material(2);
  EXPECT_FLOAT_EQ(glass->Opacity(), 0.75f);
  EXPECT_EQ(glass->Color(), Rgb(204, 204, 204));  // its Kd could not be read
  EXPECT_EQ(Warnings(),
            (Strings{"passed over 3 texture maps (map_Kd, bump): textures are not imported",
                     "passed over 1 unreadable material line (m.mtl line 12): the material "
                     "keeps its other values"}));
}

TEST_F(ObjMaterialsTest, MissingLibrariesAndUndefinedMaterialsAreWarnings) {
  const std::string body = kSix + "usemtl red\nf 1 2 3\nusemtl green\nf 4 5 6\nusemtl green\n";
  // A library named with another machine's folder is found beside the file.
  EXPECT_EQ(Summary(Import("mtllib C:\\models\\m.mtl\n" + body)),
            (Strings{"shapes_red [red]: 123", "shapes_green []: 456"}));
  EXPECT_EQ(Warnings(), Strings{"passed over 1 material not defined in the material libraries "
                                "(green): their faces keep the object's colour"});

  EXPECT_EQ(Summary(Import("mtllib none.mtl m.mtl\n" + body)).size(), 2u);
  EXPECT_EQ(materials_->Count(), 2);
  EXPECT_EQ(Warnings().front(),
            "passed over 1 material library that could not be read (none.mtl): their materials "
            "are not imported");

  // No library at all: the geometry still comes in.
  EXPECT_EQ(Summary(Import("mtllib gone.mtl\n" + body, true, "")).size(), 2u);
  EXPECT_EQ(materials_->Count(), 0);
  EXPECT_EQ(Warnings().size(), 2u);
}

TEST_F(ObjMaterialsTest, PartsKeepTheirFacesNormals) {
  Import("mtllib m.mtl\n" + kSix +
         "vn 1 0 0\nvn 0 1 0\nusemtl red\nf 1//1 2//1 3//1\nusemtl blue\nf 4//2 5//2 6//2\n"
         "usemtl red\nf 3//2 2//2 1//2\n");
  ASSERT_EQ(objects_->Count(), 2);
  auto red = Mesh(objects_, 1);
  auto blue = Mesh(objects_, 2);
  EXPECT_EQ(red->NormalTriangleCount(), 2);
  EXPECT_EQ(blue->NormalTriangleCount(), 1);
  // Normals are scaled by 10 like positions.
  EXPECT_FLOAT_EQ(red->CornerNormals()[0], 10.0f);   // triangle 0: (1, 0, 0)
  EXPECT_FLOAT_EQ(red->CornerNormals()[10], 10.0f);  // triangle 1: (0, 1, 0)
  EXPECT_FLOAT_EQ(blue->CornerNormals()[1], 10.0f);
}

// Random files of faces, material switches, smoothing runs and object
// lines: every face lands in exactly one part, in file order, and each part
// is well formed.
TEST_F(ObjMaterialsTest, RandomFilesPutEachFaceInItsMaterialsPart) {
  std::mt19937 random(21);
  const Strings names = {"red", "blue"};
  for (int round = 0; round < 60; ++round) {
    state_.options.importNormals = round % 2 == 1;
    state_.options.splitObjects = true;
    std::string text = "mtllib m.mtl\n" + kSix;
    // Expected: per object section, per material (in order first used), faces.
    std::vector<std::vector<std::pair<std::string, std::string>>> sections(1);
    std::string material;
    for (int line = 0; line < 30; ++line) {
      const int what = int(random() % 10);
      if (what < 6) {
        std::string face;
        std::string corners;
        for (int c = 0; c < 3; ++c) {
          const int v = int(random() % 6) + 1;
          face += " " + std::to_string(v);
          corners += std::to_string(v);
        }
        text += "f" + face + "\n";
        auto& parts = sections.back();
        auto it = std::find_if(parts.begin(), parts.end(),
                               [&](const auto& p) { return p.first == material; });
        if (it == parts.end()) it = parts.insert(parts.end(), {material, ""});
        it->second += " " + corners;
      } else if (what < 8) {
        material = names[random() % names.size()];
        text += "usemtl " + material + "\n";
      } else if (what == 8) {
        text += random() % 2 ? "s 1\n" : "g part\n";
      } else {
        // An object line starts an object once the one before has a face.
        text += "o S" + std::to_string(line) + "\n";
        if (!sections.back().empty()) sections.emplace_back();
      }
    }
    Import(text);
    Strings got;
    for (int32_t i = 1; i <= objects_->Count(); ++i) {
      auto o = Mesh(objects_, i);
      for (const int32_t v : o->Triangles()) ASSERT_LT(v, o->VertexCount()) << text;
      std::string line;
      for (size_t t = 0; t < o->Triangles().size(); t += 3) {
        line += " ";
        for (size_t c = 0; c < 3; ++c)
          line += std::to_string(int(o->Vertices()[size_t(o->Triangles()[t + c]) * 3] / 10));
      }
      got.push_back(o->MaterialKey() + ":" + line);
    }
    Strings expected;
    for (size_t s = 0; s < sections.size(); ++s) {
      if (sections[s].empty()) expected.push_back(":");  // an object section without faces
      for (const auto& [m, faces] : sections[s]) expected.push_back(m + ":" + faces);
    }
    EXPECT_EQ(got, expected) << text;
  }
}

class ObjShortFacesTest : public testing::ReaderTest {
 protected:
  // The error an import of the text raises, or "" and the warnings.
  std::string Outcome(const std::string& text) {
    state_.warnings.Clear();
    auto list = std::make_shared<Collection>();
    try {
      CImp_OBJ(state_).Load(WriteFile("edges.obj", text), list);
    } catch (const ComError& e) {
      return e.description();
    }
    const auto o = std::dynamic_pointer_cast<CKsObject>(list->Item(1).ToObject());
    std::string out = std::to_string(o->TriangleCount()) + " triangles";
    for (const std::string& w : state_.warnings.Messages()) out += "; " + w;
    return out;
  }
};

TEST_F(ObjShortFacesTest, FacesOfOneOrTwoCornersArePassedOverAndErrorsSayWhatTheLineHolds) {
  const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  const std::map<std::string, std::string> cases = {
      {three + "f 1 2 3\nf 2 3\nf 1\nf 1/1 2/2\nf\n",
       "1 triangles; passed over 4 faces of fewer than three corners (f): edges and points are "
       "not imported"},
      {three + "f 1 2 3 \nf  3  1 \nl 1 2\n",
       "1 triangles; passed over 1 face of fewer than three corners (f): edges and points are "
       "not imported; passed over 1 line or point statement (l): only faces are imported"},
      {three + "f 1 2 x\n", "line 4: corner 3 is 'x', which names no vertex"},
      {three + "f 1 /2 3\n", "line 4: corner 2 is '/2', which names no vertex"},
      {three + "f 1 2 0\n", "line 4: corner 3 names vertex 0; vertex numbers start at 1"},
      {three + "f 1 2 4\n",
       "line 4: corner 3 names vertex 4, but only 3 vertices are defined so far"},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Outcome(text), outcome) << text;
}

}  // namespace
}  // namespace ks::readers
