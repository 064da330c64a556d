#include "host/scene_history.h"

#include <utility>

namespace ks {

SceneHistory::SceneHistory(CKsScene& scene, size_t limit) : scene_(scene), limit_(limit) {
  Reset();
}

void SceneHistory::Reset() {
  states_.clear();
  states_.push_back(Capture({}));
  current_ = 0;
}

SceneHistory::State SceneHistory::Capture(std::string what) const {
  State state{std::move(what), {}, scene_.MaterialList()->Materials()};
  for (const KsObjectRef& o : scene_.ObjectList()->Objects())
    state.objects.push_back({o, o->Key(), o->GroupKey(), o->Name(), o->Visible()});
  return state;
}

void SceneHistory::Record(std::string what) {
  states_.resize(current_ + 1);  // the changes undone are gone for good
  states_.push_back(Capture(std::move(what)));
  if (states_.size() > limit_ + 1) states_.erase(states_.begin());
  current_ = states_.size() - 1;
}

std::string SceneHistory::UndoText() const {
  return CanUndo() ? states_[current_].what : std::string();
}

std::string SceneHistory::RedoText() const {
  return CanRedo() ? states_[current_ + 1].what : std::string();
}

void SceneHistory::Undo() {
  if (!CanUndo()) return;
  Apply(states_[--current_]);
}

void SceneHistory::Redo() {
  if (!CanRedo()) return;
  Apply(states_[++current_]);
}

void SceneHistory::Apply(const State& state) {
  CKsList& objects = *scene_.ObjectList();
  CKsList& materials = *scene_.MaterialList();
  while (objects.Count() > 0) objects.Remove(Variant(objects.Count()));
  while (materials.Count() > 0) materials.Remove(Variant(materials.Count()));
  for (const KsMaterialRef& m : state.materials) materials.AddMaterial(m);
  // Each object comes back with the group key it had, even one whose group's
  // first object had been removed by then.
  for (const ObjectState& o : state.objects) {
    objects.AddObject(o.object, o.key);
    o.object->SetGroupKey(o.groupKey);
    o.object->SetName(o.name);
    o.object->SetVisible(o.visible);
  }
}

}  // namespace ks
