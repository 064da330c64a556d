#pragma once
// "KsControls.KsProperties": the property grid. Plain C++ state (rows, values,
// groups) that views draw and edit; callers reach its members by dispatch
// number (ks_properties_ids.h); the path dialog codes against them:
//
//   1  AddWholeNumberRow(caption, initial, lowest, highest, step)
//        a row editing a whole number (Long) kept within lowest..highest;
//        step is the spin increment (StepRow), values between steps are fine
//   2  AddListRow(caption, items, initial item)
//        items: a list object (Count, Item from 1) holding strings; the value
//        is the Integer item number from 0
//   3  BeginGroup(caption)      following rows sit under this heading
//   4  AddRealRow(caption, initial, decimals, reserved)
//        a real number (Double) rounded to `decimals` places (the dialog
//        passes Integer 0, Long 2, Integer 0)
//   5  EndGroup()
//   6  AddPictureRow(caption)   a picture file name, "(None)" when empty
//   7  Redraw()                 the rows show
//   8  EndEdit()                commits a pending edit (see EditRow, 26)
//   9  FinishSetup()            set-up is complete
//  10  Enabled                  property, Boolean: the grid accepts edits
//  11  RegistryKey              property, String: subkey under
//                               HKEY_LOCAL_MACHINE where the value
//                               "PictureFolder" remembers the picture folder
//  For views and scripted people:
//  20  SetRowValue(row, value)  as if the person edited the row: converts,
//                               keeps it in range, stores, raises Change;
//                               returns False (and changes nothing) when the
//                               grid is disabled
//  21  RowCount                 Long
//  22  RowValue(row)            the row's value
//  23  RowCaption(row)          String
//  24  ChoosePicture(row)       asks the person for a picture file (starting
//                               in the remembered folder), remembers its
//                               folder, sets the row; a cancel changes nothing
//  25  StepRow(row, count)      whole-number rows: adds count * step
//  26  EditRow(row, value)      starts an edit that EndEdit commits
//
// Rows are numbered from 0 in the order they were added; group headings are
// not rows. Invalid rows and values raise ComErrors (9 for a row that does
// not exist, 13 for a value that does not convert, 5 for bad set-up calls).
//
// Event "Change"(Empty, row As Long, new value): raised after every accepted
// edit, with the value as stored (Long, Integer item number, Double, String).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dispatch.h"
#include "ks_properties_ids.h"

namespace ks {

class Runtime;

struct GridRow {
  enum class Kind { WholeNumber, List, RealNumber, Picture };
  Kind kind;
  std::string caption;
  std::string group;  // heading the row sits under ("" for none)
  Variant value;
  int32_t lowest = 0, highest = 0, step = 1;  // whole-number rows
  std::vector<std::string> items;             // list rows
  int32_t decimals = 0;                       // real-number rows
};

class KsProperties : public DispatchObject<KsProperties> {
 public:
  static constexpr std::string_view kClassName = "KsControls.KsProperties";
  static void BuildMembers(MemberTable<KsProperties>& t);

  explicit KsProperties(Runtime& rt) : rt_(rt) {}

  // Set-up (the numbered members call these).
  void AddWholeNumberRow(std::string caption, const Variant& initial, int32_t lowest,
                         int32_t highest, int32_t step);
  void AddListRow(std::string caption, std::vector<std::string> items, int32_t initialItem);
  void BeginGroup(std::string caption);
  void EndGroup() { group_.clear(); }
  void AddRealRow(std::string caption, const Variant& initial, int32_t decimals);
  void AddPictureRow(std::string caption);
  void Redraw();
  void FinishSetup() { setupFinished_ = true; }

  // Editing.
  bool SetRowValue(int32_t row, const Variant& value);
  bool StepRow(int32_t row, int32_t count);
  void EditRow(int32_t row, Variant value);
  void EndEdit();
  bool ChoosePicture(int32_t row);

  // State for views.
  const std::vector<GridRow>& Rows() const { return rows_; }
  const GridRow& Row(int32_t row) const;
  // The row's value as the grid shows it ("360", "True", "0.00", "(None)").
  std::string DisplayText(int32_t row) const;
  // Headings in order, each with the number of its first row.
  const std::vector<std::pair<std::string, int32_t>>& Groups() const { return groups_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  const std::string& RegistryKey() const { return registryKey_; }
  void SetRegistryKey(std::string key) { registryKey_ = std::move(key); }
  bool SetupFinished() const { return setupFinished_; }
  bool HasPendingEdit() const { return pending_.has_value(); }
  // A view's hook, called on Redraw and after every change.
  void SetViewListener(std::function<void()> listener) { viewListener_ = std::move(listener); }

 private:
  Variant Converted(const GridRow& row, int32_t index, const Variant& value) const;
  void Store(int32_t row, Variant value);

  Runtime& rt_;
  std::vector<GridRow> rows_;
  std::vector<std::pair<std::string, int32_t>> groups_;
  std::string group_;
  bool enabled_ = true;
  bool setupFinished_ = false;
  std::string registryKey_;
  std::optional<std::pair<int32_t, Variant>> pending_;
  std::function<void()> viewListener_;
};

}  // namespace ks
