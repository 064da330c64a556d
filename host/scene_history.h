#pragma once
// Undo and redo over a scene's changes: objects and materials added (an
// import, an object from the path generator), objects removed, renamed,
// shown or hidden. After each change the owner records the scene as it now
// is; a record keeps the lists' members (shared references, not copies of
// geometry) with each object's key, group key, name and visibility, so
// undoing or redoing puts those back exactly.
//
// A record that can no longer be reached (the changes undone when a new one
// is made, the oldest ones past the limit) is dropped with the references it
// held: the memory of an undone import is given back then.
#include <cstddef>
#include <string>
#include <vector>

#include "host/ks_scene.h"

namespace ks {

class SceneHistory {
 public:
  // limit: changes kept for undoing.
  explicit SceneHistory(CKsScene& scene, size_t limit = 100);

  // The scene has changed (`what`, e.g. "Delete teapot"): records it as it is now.
  void Record(std::string what);
  // Forgets every change; the scene as it is now is where undoing stops.
  void Reset();

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  // What the next Undo / Redo takes back or does again; empty when nothing.
  std::string UndoText() const;
  std::string RedoText() const;
  void Undo();
  void Redo();

 private:
  struct ObjectState {
    KsObjectRef object;
    std::string key, groupKey, name;
    bool visible = true;
  };
  struct State {
    std::string what;  // the change that led here
    std::vector<ObjectState> objects;
    std::vector<KsMaterialRef> materials;
  };
  State Capture(std::string what) const;
  void Apply(const State& state);

  CKsScene& scene_;
  size_t limit_;
  std::vector<State> states_;  // states_[0]: before the oldest change kept
  size_t current_ = 0;
};

}  // namespace ks
