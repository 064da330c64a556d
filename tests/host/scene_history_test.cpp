// Undo and redo over scene changes: each step's scene contents (keys, names,
// visibility, group keys, materials) against what the scene held then, and
// undone imports released once no step can reach them.
#include "host/scene_history.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

KsObjectRef Triangle(const std::string& name) {
  auto o = std::make_shared<CKsObject>();
  o->SetName(name);
  o->AddVertices(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});
  o->AddTriangles(std::vector<int32_t>{0, 1, 2});
  return o;
}

// "key:name" per object, "(hidden)" after hidden ones, "<group" after
// grouped ones; then the materials' names.
std::string Contents(const CKsScene& scene) {
  std::string out;
  for (const auto& o : scene.ObjectList()->Objects()) {
    out += o->Key() + ":" + o->Name();
    if (!o->Visible()) out += "(hidden)";
    if (!o->GroupKey().empty()) out += "<" + o->GroupKey();
    out += " ";
  }
  for (const auto& m : scene.MaterialList()->Materials()) out += "[" + m->Name() + "]";
  return out;
}

TEST(SceneHistory, UndoAndRedoWalkThroughEveryKindOfChange) {
  CKsScene scene;
  SceneHistory history(scene);
  std::vector<std::string> seen{Contents(scene)};

  // An import of two grouped objects and a material.
  auto material = std::make_shared<CKsMaterial>();
  material->SetName("steel");
  scene.MaterialList()->AddMaterial(material);
  scene.ObjectList()->AddObject(Triangle("A"));
  scene.ObjectList()->AddObject(Triangle("B"), {}, "Object1");
  history.Record("Import two.obj");
  seen.push_back(Contents(scene));
  // An object from the path generator.
  scene.ObjectList()->AddObject(Triangle("vase"));
  history.Record("Add vase");
  seen.push_back(Contents(scene));
  // Rename, hide, delete.
  scene.ObjectList()->Objects()[0]->SetName("A2");
  history.Record("Rename");
  seen.push_back(Contents(scene));
  scene.ObjectList()->Objects()[2]->SetVisible(false);
  history.Record("Hide vase");
  seen.push_back(Contents(scene));
  scene.ObjectList()->Remove(Variant("Object1"));
  history.Record("Delete A2");
  seen.push_back(Contents(scene));
  EXPECT_EQ(seen.back(), "Object2:B<Object1 Object3:vase(hidden) [steel]");

  EXPECT_EQ(history.UndoText(), "Delete A2");
  for (size_t i = seen.size() - 1; i > 0; --i) {
    ASSERT_TRUE(history.CanUndo());
    history.Undo();
    EXPECT_EQ(Contents(scene), seen[i - 1]) << "undo to step " << i - 1;
  }
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.RedoText(), "Import two.obj");
  for (size_t i = 1; i < seen.size(); ++i) {
    ASSERT_TRUE(history.CanRedo());
    history.Redo();
    EXPECT_EQ(Contents(scene), seen[i]) << "redo to step " << i;
  }
  EXPECT_FALSE(history.CanRedo());
  // Keys stay unique after all that: a new object gets a key never used.
  scene.ObjectList()->AddObject(Triangle("new"));
  EXPECT_EQ(scene.ObjectList()->Objects().back()->Key(), "Object4");
}

TEST(SceneHistory, UndoneImportsAreReleasedWhenNoStepCanReachThem) {
  CKsScene scene;
  SceneHistory history(scene, 2);
  std::weak_ptr<CKsObject> undone, old;
  {
    auto big = Triangle("big");
    undone = big;
    scene.ObjectList()->AddObject(big);
  }
  history.Record("Import big.obj");
  history.Undo();
  EXPECT_FALSE(undone.expired());  // redo can still bring it back
  scene.ObjectList()->AddObject(Triangle("other"));
  history.Record("Import other.obj");
  EXPECT_TRUE(undone.expired());
  EXPECT_FALSE(history.CanRedo());

  // Past the limit the oldest change goes, and with it what only it held.
  old = scene.ObjectList()->Objects()[0];
  scene.ObjectList()->Remove(Variant(1));
  history.Record("Delete other");
  EXPECT_FALSE(old.expired());  // undo reaches it
  for (int i = 0; i < 2; ++i) {
    scene.ObjectList()->AddObject(Triangle("x"));
    history.Record("Add x");
  }
  EXPECT_TRUE(old.expired());
  history.Undo();
  history.Undo();
  EXPECT_FALSE(history.CanUndo());
}

}  // namespace
}  // namespace ks
