#pragma once
// Undo and redo of the path dialog's edits: the points (added, moved,
// removed, inserted, cleaned, traced), "Close Path", the bar and the settings
// that shape the object. Each step keeps the whole state it restores, so any
// edit, however it came about, is undone the same way.
#include <cstddef>
#include <string>
#include <vector>

#include "host/variant.h"
#include "objpath/mesh_builders.h"
#include "objpath/path_editor.h"

namespace ks::objpath {

// What one undo step puts back.
struct DialogEdit {
  PathState path;
  bool drawing = false;
  float barLeft = PathEditor::kBarStartLeft;
  std::vector<LineSegment> line1;
  std::vector<Marker> shape1;
  Variant closePath;  // value of "Close Path"
  bool closePathEnabled = false;
  BuildSettings settings;
  bool operator==(const DialogEdit&) const = default;
};

class EditHistory {
 public:
  static constexpr size_t kMaxSteps = 200;

  // Records an edit that went from `before` to `after` (nothing when they are
  // equal). An edit of the same non-empty group as the one before (a drag
  // going on) joins that step. Any new edit drops what could be redone.
  void Record(const DialogEdit& before, const DialogEdit& after, const std::string& group = {});
  // The next edit starts a step of its own.
  void EndGroup() { group_.clear(); }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The state to go back to, `now` being kept for Redo; `now` when there is
  // nothing to undo.
  DialogEdit Undo(const DialogEdit& now);
  DialogEdit Redo(const DialogEdit& now);

 private:
  DialogEdit Step(std::vector<DialogEdit>& from, std::vector<DialogEdit>& to,
                  const DialogEdit& now);

  std::vector<DialogEdit> undo_;
  std::vector<DialogEdit> redo_;
  std::string group_;
};

}  // namespace ks::objpath
