#include "host/ks_scene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "host/host_classes.h"
#include "host/runtime.h"

namespace {

using ks::Variant;

class SceneTest : public ::testing::Test {
 protected:
  // One file per test and process: ctest runs tests in parallel.
  std::filesystem::path file_ =
      std::filesystem::temp_directory_path() /
      ("ks-scene-" + std::to_string(::getpid()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
  void SetUp() override {
    std::filesystem::remove(file_);
    rt_ = std::make_unique<ks::Runtime>(file_);
    ks::RegisterHostClasses(*rt_);
  }
  void TearDown() override { std::filesystem::remove(file_); }

  ks::ObjectRef NewObject(const std::string& name, const std::string& materialKey = {}) {
    ks::ObjectRef o = rt_->CreateObject("Kestrel.CKsObject");
    ks::Put(o, "Name", Variant(name));
    if (!materialKey.empty()) ks::Put(o, "MaterialKey", Variant(materialKey));
    return o;
  }
  ks::ObjectRef NewMaterial(const std::string& name, int32_t color) {
    ks::ObjectRef m = rt_->CreateObject("Kestrel.CKsMaterial");
    ks::Put(m, "Name", Variant(name));
    ks::Put(m, "Color", Variant(color));
    return m;
  }

  std::unique_ptr<ks::Runtime> rt_;
};

TEST_F(SceneTest, ObjectListGivesKeysAndFindsByKeyAndPosition) {
  ks::ObjectRef scene = rt_->CreateObject("Kestrel.CKsScene");
  ks::Call(scene, "Prepare_Import");
  ks::ObjectRef list = ks::Get(scene, "ListObjects").ToObject();
  ks::ObjectRef a = NewObject("a"), b = NewObject("b"), c = NewObject("c");
  std::vector<Variant> addFirst{Variant(a)};
  ks::Call(list, "Add", addFirst);
  const std::string firstKey = ks::Get(a, "Key").ToString();
  EXPECT_EQ(firstKey, "Object1");
  ks::Call(list, "Add", b, Variant::Omitted(), firstKey);
  ks::Call(list, "Add", c, Variant::Omitted(), firstKey);
  EXPECT_EQ(ks::Get(list, "Count"), Variant(int32_t{3}));
  EXPECT_EQ(ks::Get(c, "Key").ToString(), "Object3");

  auto objects = static_cast<ks::CKsScene&>(*scene).ObjectList()->Objects();
  EXPECT_EQ(objects[2]->GroupKey(), "Object1");
  EXPECT_EQ(objects[0]->GroupKey(), "");
  EXPECT_EQ(ks::Get(scene, "ListObjects", "Object2").ToObject(), b);
  EXPECT_EQ(ks::Get(scene, "ListObjects", int16_t{1}).ToObject(), a);
  EXPECT_EQ(ks::Call(list, "Item", int32_t{3}).ToObject(), c);

  // Bad keys and positions are errors; a failed Add adds nothing.
  EXPECT_THROW(ks::Get(scene, "ListObjects", "Object9"), ks::ComError);
  EXPECT_THROW(ks::Call(list, "Item", int32_t{4}), ks::ComError);
  EXPECT_THROW(ks::Call(list, "Add", NewObject("d"), Variant::Omitted(), "Nope"), ks::ComError);
  EXPECT_THROW(ks::Call(list, "Add", a), ks::ComError);  // already in the list
  EXPECT_THROW(ks::Call(list, "Add", NewMaterial("m", 0)), ks::ComError);
  EXPECT_EQ(ks::Get(list, "Count").ToLong(), 3);

  // Keys are never reused after a removal.
  ks::Call(list, "Remove", "Object2");
  ks::ObjectRef e = NewObject("e");
  ks::Call(list, "Add", e);
  EXPECT_EQ(ks::Get(e, "Key").ToString(), "Object4");
}

TEST_F(SceneTest, AssignMaterialByKeyAndByPosition) {
  auto scene = std::make_shared<ks::CKsScene>();
  ks::ObjectRef materials = ks::Get(scene, "ListMaterials").ToObject();
  ks::Call(materials, "Add", NewMaterial("Red", 255));
  ks::Call(materials, "Add", NewMaterial("Blue", 255 << 16));
  ks::ObjectRef objects = ks::Get(scene, "ListObjects").ToObject();
  ks::Call(objects, "Add", NewObject("one", "Blue"));
  ks::Call(objects, "Add", NewObject("two", "Red"));
  ks::Call(objects, "Add", NewObject("three", "Missing"));

  EXPECT_EQ(ks::Call(scene, "Assign_MaterialToObject", "Object1"), Variant(true));
  EXPECT_EQ(ks::Call(scene, "Assign_MaterialToObject", int16_t{2}), Variant(true));
  // No material of that name: left unbound, no error.
  EXPECT_EQ(ks::Call(scene, "Assign_MaterialToObject", int32_t{3}), Variant(false));
  auto list = scene->ObjectList()->Objects();
  EXPECT_EQ(list[0]->Material()->Color(), 255 << 16);
  EXPECT_EQ(list[1]->Material()->Name(), "Red");
  EXPECT_EQ(list[2]->Material(), nullptr);
  EXPECT_EQ(ks::Get(scene, "ListMaterials", "Blue").ToObject(),
            scene->MaterialList()->Item(Variant(int32_t{2})));
  EXPECT_THROW(ks::Call(scene, "Assign_MaterialToObject", int32_t{4}), ks::ComError);
  EXPECT_THROW(ks::Call(scene, "Assign_MaterialToObject", "Object7"), ks::ComError);
}

TEST_F(SceneTest, MaterialsAreFoundByNameWithoutScanningAndFollowRenames) {
  // Many materials and as many objects bound one by one, as a 3DS import
  // does: each look-up compares one key, not the whole list.
  constexpr int kCount = 20000;
  auto scene = std::make_shared<ks::CKsScene>();
  const auto& materials = scene->MaterialList();
  const auto& objects = scene->ObjectList();
  for (int i = 0; i < kCount; ++i) {
    auto m = std::make_shared<ks::CKsMaterial>();
    m->SetName("M" + std::to_string(i));
    materials->AddMaterial(m);
    auto o = std::make_shared<ks::CKsObject>();
    o->SetMaterialKey("M" + std::to_string(kCount - 1 - i));
    objects->AddObject(o);
  }
  for (int i = 1; i <= kCount; ++i) ASSERT_TRUE(scene->AssignMaterialToObject(Variant(i)));
  EXPECT_LE(materials->KeyComparisons(), size_t(kCount));
  EXPECT_EQ(objects->Objects().front()->Material()->Name(), "M19999");

  // The first material of a name wins; a rename or a removal is seen by the
  // next look-up.
  auto twin = std::make_shared<ks::CKsMaterial>();
  twin->SetName("M5");
  materials->AddMaterial(twin);
  EXPECT_NE(materials->Find("M5"), twin);
  auto first = std::static_pointer_cast<ks::CKsMaterial>(materials->Find("M5"));
  ks::Put(first, "Name", Variant(std::string("Renamed")));
  EXPECT_EQ(materials->Find("M5"), twin);
  EXPECT_EQ(materials->Find("Renamed"), first);
  materials->Remove(Variant(std::string("M5")));
  EXPECT_EQ(materials->Find("M5"), nullptr);
  EXPECT_NE(materials->Find("M7"), nullptr);
}

TEST_F(SceneTest, MaterialPropertiesReadBackWithTheirTypes) {
  ks::ObjectRef m = rt_->CreateObject("Kestrel.CKsMaterial");
  ks::Put(m, "MaterialType", Variant(int16_t{2}));
  ks::Put(m, "AmbientColor", Variant(int32_t{1}));
  ks::Put(m, "SpecularColor", Variant(int32_t{3}));
  ks::Put(m, "Smoothness", Variant(0.25f));
  ks::Put(m, "OpacityValue", Variant(0.5f));
  ks::Put(m, "SpecCoeff", Variant(0.75));
  EXPECT_EQ(ks::Get(m, "MaterialType"), Variant(int16_t{2}));
  EXPECT_EQ(ks::Get(m, "AmbientColor"), Variant(int32_t{1}));
  EXPECT_EQ(ks::Get(m, "SpecularColor"), Variant(int32_t{3}));
  EXPECT_EQ(ks::Get(m, "Smoothness"), Variant(0.25f));
  EXPECT_EQ(ks::Get(m, "OpacityValue"), Variant(0.5f));
  EXPECT_EQ(ks::Get(m, "SpecCoeff"), Variant(0.75));
  ks::Put(m, "SpecCoeff", Variant(0.5f));
  EXPECT_EQ(ks::Get(m, "SpecCoeff"), Variant(0.5f));
}

TEST_F(SceneTest, CallLogShowsSceneListAndObjectCallsWithIntegerVsLong) {
  auto log = std::make_shared<ks::CallLog>();
  rt_->SetCallLog(log);
  ks::ObjectRef scene = rt_->CreateObject("Kestrel.CKsScene");
  ks::ObjectRef o = NewObject("box");
  ks::Call(o, "Add_Vertices", std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});
  ks::Call(o, "Add_Poligons", std::vector<int32_t>{3, 0, 1, 2});
  ks::Call(o, "Get_Surface", int16_t{0});
  ks::Call(o, "Get_Surface", int32_t{0});
  ks::Call(scene, "Prepare_Import");
  ks::ObjectRef list = ks::Get(scene, "ListObjects").ToObject();
  ks::Call(list, "Add", o);
  ks::Call(scene, "Assign_MaterialToObject", int16_t{1});
  EXPECT_EQ(log->MemberLines(),
            (std::vector<std::string>{"Name=String(\"box\")",
                                      "Add_Vertices(Single(9)[0,0,0,1,0,0,0,1,0])",
                                      "Add_Poligons(Long(4)[3,0,1,2])", "Get_Surface(Integer(0))",
                                      "Get_Surface(Long(0))", "Prepare_Import()", "ListObjects",
                                      "Add(Object)", "Assign_MaterialToObject(Integer(1))"}));
  auto calls = log->Calls();
  EXPECT_EQ(calls[7].object.rfind("Kestrel.CKsList#", 0), 0u);  // the list logs too
  log->Clear();  // the log holds the objects that hold the log
}

}  // namespace
