#include "app/scene_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "app/json_writer.h"

namespace {

std::shared_ptr<ks::CKsScene> TwoObjectScene() {
  auto scene = std::make_shared<ks::CKsScene>();
  auto a = std::make_shared<ks::CKsObject>();
  a->SetName("Box \"A\"\\1");
  a->AddVertices(std::vector<float>{0, 0, 0, 2, 0, 0, 2, 3, 0.5f, 0.1f, 3, 0});
  a->AddPolygons(std::vector<int32_t>{4, 0, 1, 2, 3});
  a->SetPolygonNormals(std::vector<float>{1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
  a->SetPosition({1, -2, 0.25f});
  auto b = std::make_shared<ks::CKsObject>();
  b->SetName("Grüße\n");
  b->SetDefaultColor(255);
  b->SetVisible(false);
  b->SetMaterialKey("Red");
  scene->ObjectList()->AddObject(a);
  scene->ObjectList()->AddObject(b, {}, "Object1");
  auto m = std::make_shared<ks::CKsMaterial>();
  m->SetName("Red");
  m->SetColor(255);
  m->SetOpacity(0.5f);
  m->SetSpecCoeff(ks::Variant(0.1));
  scene->MaterialList()->AddMaterial(m);
  return scene;
}

TEST(SceneReport, SummaryHasOneLinePerObject) {
  auto scene = TwoObjectScene();
  std::ostringstream out;
  kestrel::WriteSceneSummary(out, {*scene, "box.obj"});
  EXPECT_EQ(out.str(),
            "Object1 \"Box \\\"A\\\"\\\\1\": 4 vertices, 2 triangles, colour RGB(0, 128, 192)\n"
            "Object2 \"Grüße\\n\": 0 vertices, 0 triangles, colour RGB(255, 0, 0)\n");
}

TEST(SceneReport, JsonDocumentWithAndWithoutGeometry) {
  auto scene = TwoObjectScene();
  std::ostringstream out;
  kestrel::WriteSceneJson(out, {*scene, "C:\\in\\box.obj", 1});
  const std::string objectA =
      R"({"key":"Object1","name":"Box \"A\"\\1","vertices":4,"triangles":2,"normalTriangles":1,)"
      R"("color":12615680,"materialKey":"","groupKey":"","visible":true,"position":[1,-2,0.25],)"
      R"("size":[2,3,0.5])";
  const std::string objectB =
      R"({"key":"Object2","name":"Grüße\n","vertices":0,"triangles":0,"normalTriangles":0,)"
      R"("color":255,"materialKey":"Red","groupKey":"Object1","visible":false,)"
      R"("position":[0,0,0],"size":[0,0,0])";
  const std::string materials =
      R"("materials":[{"name":"Red","color":255,"ambientColor":0,"specularColor":0,)"
      R"("smoothness":0,"opacity":0.5,"specCoeff":0.1,"materialType":0}])";
  EXPECT_EQ(out.str(), R"({"file":"C:\\in\\box.obj","objects":[)" + objectA + "}," + objectB +
                           "}]," + materials + R"(,"selectedObject":1})" + "\n");

  std::ostringstream geo;
  kestrel::WriteSceneJson(geo, {*scene, "box.obj", 1, true});
  EXPECT_NE(geo.str().find(R"("vertexData":[0,0,0,2,0,0,2,3,0.5,0.1,3,0],)"
                           R"("triangleData":[0,1,2,2,3,0]})"),
            std::string::npos);
  EXPECT_NE(geo.str().find(R"("vertexData":[],"triangleData":[]})"), std::string::npos);
}

TEST(JsonWriter, NumbersRoundTripAndNonFiniteIsNull) {
  std::ostringstream out;
  {
    kestrel::JsonWriter json(out);
    json.BeginArray()
        .Float(0.1f)
        .Float(1e-7f)
        .Float(16777216.0f)
        .Float(std::numeric_limits<float>::quiet_NaN())
        .Float(-std::numeric_limits<float>::infinity())
        .Double(0.1)
        .Int(-2147483648LL)
        .EndArray();
  }
  EXPECT_EQ(out.str(), "[0.1,1e-07,16777216,null,null,0.1,-2147483648]");
}

TEST(JsonWriter, StringsAreEscapedAndAlwaysValidUtf8) {
  // Control characters escaped, valid UTF-8 kept, a stray Latin-1 byte (0xE9,
  // "é" in ANSI text) becomes its UTF-8 form, a truncated sequence too.
  EXPECT_EQ(kestrel::JsonQuoted(std::string("a\x01\t\"\\") + "\xC3\xA9" + "\xE9" + "x\xE2\x82"),
            "\"a\\u0001\\t\\\"\\\\\xC3\xA9\xC3\xA9x\xC3\xA2\xC2\x82\"");
}

TEST(JsonWriter, LargeGeometryStreamsInBlocks) {
  auto scene = std::make_shared<ks::CKsScene>();
  auto o = std::make_shared<ks::CKsObject>();
  std::vector<float> v(300000);
  for (size_t i = 0; i < v.size(); ++i) v[i] = float(i) / 8;
  o->AddVertices(v);
  scene->ObjectList()->AddObject(o);
  std::ostringstream out;
  kestrel::WriteSceneJson(out, {*scene, "big", -1, true});
  const std::string s = out.str();
  EXPECT_NE(s.find(",37499.875],\"triangleData\":[]}"), std::string::npos);
  EXPECT_TRUE(s.ends_with("],\"materials\":[],\"selectedObject\":-1}\n"));
}

}  // namespace
