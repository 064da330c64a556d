#include "objpath/edit_history.h"

namespace ks::objpath {

void EditHistory::Record(const DialogEdit& before, const DialogEdit& after,
                         const std::string& group) {
  if (before == after) return;
  redo_.clear();
  const bool joins = !group.empty() && group == group_ && !undo_.empty();
  group_ = group;
  if (joins) return;
  if (undo_.size() == kMaxSteps) undo_.erase(undo_.begin());
  undo_.push_back(before);
}

DialogEdit EditHistory::Undo(const DialogEdit& now) {
  return Step(undo_, redo_, now);
}

DialogEdit EditHistory::Redo(const DialogEdit& now) {
  return Step(redo_, undo_, now);
}

// Takes the last state off `from`, keeping `now` on `to` to come back to.
DialogEdit EditHistory::Step(std::vector<DialogEdit>& from, std::vector<DialogEdit>& to,
                             const DialogEdit& now) {
  group_.clear();
  if (from.empty()) return now;
  DialogEdit state = std::move(from.back());
  from.pop_back();
  to.push_back(now);
  return state;
}

}  // namespace ks::objpath
