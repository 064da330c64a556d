// The path plug-in as `kestrel path` drives it: the host's own classes (mesh
// object, property grids), the plug-in loaded from its library and the
// scripted person working the dialog.
#include <gtest/gtest.h>

#include "app/scripted_path_person.h"
#include "host/host_classes.h"
#include "host/ks_object.h"
#include "host/runtime.h"
#include "tests/objpath/objpath_fakes.h"

namespace {

using kestrel::PathScript;
using kestrel::ScriptedPathPerson;

class KestrelPathTest : public ::testing::Test {
 protected:
  KestrelPathTest() {
    ks::RegisterHostClasses(rt);
    rt.RegisterServer(KS_OBJPATH_PLUGIN);
  }
  ks::KsObjectRef Run(const PathScript& script) {
    person = std::make_shared<ScriptedPathPerson>(script);
    rt.SetPerson(person);
    ks::ObjectRef plugIn = rt.CreateObject("KsObjPath.CPlugIn");
    std::vector<ks::Variant> args{ks::Variant(rt.CreateObject("Kestrel.CKsObject"))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    return std::dynamic_pointer_cast<ks::CKsObject>(args[0].ToObject());
  }

  objpath_test::TempRegistry registry;
  ks::Runtime rt{registry.file};
  std::shared_ptr<ScriptedPathPerson> person;
};

TEST_F(KestrelPathTest, ExtrudedSquareReachesTheHostObjectTriangleForTriangle) {
  PathScript script;
  script.points = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  script.height = 41;
  const ks::KsObjectRef object = Run(script);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->Name(), "ObjPath");
  EXPECT_EQ(object->DefaultColor(), 0 + 256 * 128 + 65536 * 192);
  EXPECT_EQ(object->VertexCount(), 8);
  EXPECT_EQ(object->Vertices()[1], -100.0f);
  EXPECT_EQ(object->Vertices()[13], 105.0f);
  // Caps as cut, then each side quad as triangles 1-2-3 and 3-4-1.
  const std::vector<int32_t> triangles(object->Triangles().begin(), object->Triangles().end());
  EXPECT_EQ(triangles, (std::vector<int32_t>{3, 2, 0, 2, 1, 0, 4, 6, 7, 4, 5, 6,  //
                                             4, 0, 1, 1, 5, 4, 5, 1, 2, 2, 6, 5,  //
                                             6, 2, 3, 3, 7, 6, 7, 3, 0, 0, 4, 7}));
}

TEST_F(KestrelPathTest, RotationTakesTheGridSettingsTheBarAndCloseGap) {
  PathScript script;
  script.mode = PathScript::Mode::Rotate;
  script.axis = 15;
  script.points = {{20, 10}, {40, 30}, {10, 40}, {20, 50}};  // the third is across the axis
  script.sections = 8;
  script.angle = 180;
  script.openSeam = true;
  script.closePath = true;
  script.translation = {std::nullopt, 10.0, std::nullopt};
  const ks::KsObjectRef object = Run(script);
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(person->ignored.size(), 1u);
  EXPECT_EQ(person->ignored[0].index, 2u);
  EXPECT_EQ(person->ignored[0].axis, 15.0f);
  EXPECT_EQ(person->pathPoints, 3);
  EXPECT_EQ(object->VertexCount(), 3 * 9);        // 0, 22, …, 176 degrees
  EXPECT_EQ(object->TriangleCount(), 3 * 8 * 2);  // three segments, open seam
  EXPECT_NEAR(object->Vertices()[8 * 3 + 1], 100 + 10.0 / 9 * 176, 1e-3);  // swept upwards
}

TEST_F(KestrelPathTest, CrossingPathsAndSinglePointsBuildNothing) {
  PathScript crossing;
  crossing.points = {{10, 10}, {50, 50}, {50, 10}, {10, 50}};
  EXPECT_EQ(Run(crossing), nullptr);
  EXPECT_EQ(person->messages,
            std::vector<std::string>{"Remember that the lines must not intersect."});
  PathScript single;
  single.points = {{10, 10}};
  EXPECT_EQ(Run(single), nullptr);
  EXPECT_EQ(person->messages, std::vector<std::string>{"Draw a Path to elaborate"});
}

}  // namespace
