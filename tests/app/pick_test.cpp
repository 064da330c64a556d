// Click picking against scenes whose answer is known: two squares one behind
// the other, seen from the front, then moved, hidden and missed.
#include "app/render/pick.h"

#include <gtest/gtest.h>

namespace kestrel::render {
namespace {

// A square of side 2 around (cx, cy) at depth z, facing the front view.
ks::KsObjectRef Square(float cx, float cy, float z) {
  auto o = std::make_shared<ks::CKsObject>();
  o->AddVertices(std::vector<float>{cx - 1, cy - 1, z, cx + 1, cy - 1, z, cx + 1, cy + 1, z, cx - 1,
                                    cy + 1, z});
  o->AddPolygons(std::vector<int32_t>{4, 0, 1, 2, 3});
  return o;
}

TEST(PickObject, NearestVisibleTriangleUnderThePointWins) {
  ks::CKsScene scene;
  auto back = Square(0, 0, -2), front = Square(0, 0, 2), aside = Square(3, 0, 0);
  scene.ObjectList()->AddObject(back);   // Object1
  scene.ObjectList()->AddObject(front);  // Object2
  scene.ObjectList()->AddObject(aside);  // Object3
  Camera camera;
  camera.SetView(ViewPreset::Front);
  camera.Frame({QVector3D(1.5f, 0, 0), 5}, 1.0f);
  const int size = 400;
  auto pickAt = [&](QVector3D world) {
    const QVector3D ndc = (camera.ProjectionMatrix(1) * camera.ViewMatrix()).map(world);
    return PickObject(scene, camera, size, size, (ndc.x() + 1) / 2 * size,
                      (1 - ndc.y()) / 2 * size);
  };
  // The camera looks along -z from the front: the square at z = 2 is nearer.
  EXPECT_EQ(pickAt({0, 0, 0}), "Object2");
  EXPECT_EQ(pickAt({3, 0.5f, 0}), "Object3");
  EXPECT_EQ(pickAt({0, 5, 0}), "");  // empty space
  front->SetVisible(false);
  EXPECT_EQ(pickAt({0, 0, 0}), "Object1");
  // The position places the object: moved aside, the point misses it.
  back->SetPosition({0, 10, 0});
  EXPECT_EQ(pickAt({0, 0, 0}), "");
  EXPECT_EQ(pickAt({0, 10, -2}), "Object1");  // a point of its own plane
  EXPECT_EQ(PickObject(scene, camera, 0, 0, 0, 0), "");
}

}  // namespace
}  // namespace kestrel::render
