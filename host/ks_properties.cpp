#include "ks_properties.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "runtime.h"

namespace ks {
namespace {

[[noreturn]] void Fail(int32_t number, const std::string& what) {
  throw ComError(number, what, std::string(KsProperties::kClassName));
}

std::string RowName(const GridRow& row, int32_t index) {
  return "row " + std::to_string(index) + " \"" + row.caption + "\"";
}

// A value as the user would have typed it, for messages.
std::string Typed(const Variant& v) {
  if (v.type() == VarType::String) return "'" + v.ToString() + "'";
  return v.Describe();
}

}  // namespace

const GridRow& KsProperties::Row(int32_t row) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size())
    Fail(err::kSubscriptOutOfRange, "There is no row " + std::to_string(row) + " (the grid has " +
                                        std::to_string(rows_.size()) + " rows, numbered from 0)");
  return rows_[static_cast<size_t>(row)];
}

// ---------------------------------------------------------------- set-up

void KsProperties::BeginGroup(std::string caption) {
  group_ = std::move(caption);
  groups_.emplace_back(group_, static_cast<int32_t>(rows_.size()));
}

void KsProperties::AddWholeNumberRow(std::string caption, const Variant& initial, int32_t lowest,
                                     int32_t highest, int32_t step) {
  if (lowest > highest)
    Fail(err::kInvalidCall, "Row \"" + caption + "\": the lowest value " + std::to_string(lowest) +
                                " is above the highest " + std::to_string(highest));
  if (step < 1)
    Fail(err::kInvalidCall,
         "Row \"" + caption + "\": the step must be at least 1, not " + std::to_string(step));
  GridRow row{
      GridRow::Kind::WholeNumber, std::move(caption), group_, {}, lowest, highest, step, {}, 0};
  row.value = Converted(row, static_cast<int32_t>(rows_.size()), initial);
  rows_.push_back(std::move(row));
}

void KsProperties::AddListRow(std::string caption, std::vector<std::string> items,
                              int32_t initialItem) {
  if (items.empty()) Fail(err::kInvalidCall, "Row \"" + caption + "\": the list has no items");
  GridRow row{GridRow::Kind::List, std::move(caption), group_, {}, 0, 0, 1, std::move(items), 0};
  row.value = Converted(row, static_cast<int32_t>(rows_.size()), Variant(initialItem));
  rows_.push_back(std::move(row));
}

void KsProperties::AddRealRow(std::string caption, const Variant& initial, int32_t decimals) {
  if (decimals < 0 || decimals > 15)
    Fail(err::kInvalidCall, "Row \"" + caption + "\": " + std::to_string(decimals) +
                                " decimals cannot be shown (0 to 15)");
  GridRow row{GridRow::Kind::RealNumber, std::move(caption), group_, {}, 0, 0, 1, {}, decimals};
  row.value = Converted(row, static_cast<int32_t>(rows_.size()), initial);
  rows_.push_back(std::move(row));
}

void KsProperties::AddPictureRow(std::string caption) {
  rows_.push_back({GridRow::Kind::Picture,
                   std::move(caption),
                   group_,
                   Variant(grid::kNoPicture),
                   0,
                   0,
                   1,
                   {},
                   0});
}

void KsProperties::Redraw() {
  if (viewListener_) viewListener_();
}

// ---------------------------------------------------------------- editing

// Converts an edit to the row's stored form: whole numbers are rounded (halves
// to even) and kept within the row's range; real numbers are rounded to the
// decimals shown; a list takes an item number or an item's text; a picture row
// takes a file name ("" or "(None)" for none).
Variant KsProperties::Converted(const GridRow& row, int32_t index, const Variant& value) const {
  if (value.IsObject() || value.IsArray() || value.IsOmitted())
    Fail(err::kTypeMismatch, RowName(row, index) + ": " + value.Describe() + " is not a value");
  double number = 0;
  auto numeric = [&](std::string_view what) {
    if (value.type() == VarType::String) {
      // A decimal comma is as good as a point (people type what their locale shows).
      std::string text = value.ToString();
      if (text.find('.') == std::string::npos) std::replace(text.begin(), text.end(), ',', '.');
      if (!ParseNumber(text, number))
        Fail(err::kTypeMismatch,
             RowName(row, index) + ": " + Typed(value) + " is not " + std::string(what));
    } else {
      number = value.ToDouble();
    }
    if (!std::isfinite(number))
      Fail(err::kTypeMismatch,
           RowName(row, index) + ": " + Typed(value) + " is not " + std::string(what));
  };
  switch (row.kind) {
    case GridRow::Kind::WholeNumber: {
      numeric("a whole number");
      number = std::clamp(RoundHalfEven(number), double(row.lowest), double(row.highest));
      return Variant(static_cast<int32_t>(number));
    }
    case GridRow::Kind::RealNumber: {
      numeric("a number");
      const double scale = std::pow(10.0, row.decimals);
      const double rounded = RoundHalfEven(number * scale) / scale;
      return Variant(std::isfinite(rounded) ? rounded : number);
    }
    case GridRow::Kind::List: {
      if (value.type() == VarType::String) {
        const std::string text = value.ToString();
        for (size_t i = 0; i < row.items.size(); ++i)
          if (EqualsNoCase(row.items[i], text)) return Variant(static_cast<int16_t>(i));
      }
      numeric("an item of the list");
      const double item = RoundHalfEven(number);
      if (item < 0 || item >= double(row.items.size()))
        Fail(err::kInvalidCall, RowName(row, index) + ": there is no item " + Typed(value) +
                                    " (items are numbered 0 to " +
                                    std::to_string(row.items.size() - 1) + ")");
      return Variant(static_cast<int16_t>(item));
    }
    case GridRow::Kind::Picture: {
      std::string file = value.ToString();
      return Variant(file.empty() ? std::string(grid::kNoPicture) : std::move(file));
    }
  }
  return value;
}

void KsProperties::Store(int32_t row, Variant value) {
  rows_[static_cast<size_t>(row)].value = value;
  if (viewListener_) viewListener_();
  std::array<Variant, 3> args{Variant(), Variant(row), std::move(value)};
  RaiseEvent("Change", args);
}

bool KsProperties::SetRowValue(int32_t row, const Variant& value) {
  const GridRow& r = Row(row);
  if (!enabled_) return false;
  Store(row, Converted(r, row, value));
  return true;
}

bool KsProperties::StepRow(int32_t row, int32_t count) {
  const GridRow& r = Row(row);
  if (r.kind != GridRow::Kind::WholeNumber)
    Fail(err::kInvalidCall, RowName(r, row) + " is not a whole-number row");
  return SetRowValue(row, Variant(double(r.value.ToLong()) + double(count) * r.step));
}

void KsProperties::EditRow(int32_t row, Variant value) {
  Row(row);
  pending_.emplace(row, std::move(value));
}

// The pending edit is taken off before it is applied, so a value that fails
// to convert is dropped rather than retried at every loss of focus.
void KsProperties::EndEdit() {
  if (!pending_) return;
  auto [row, value] = std::move(*pending_);
  pending_.reset();
  SetRowValue(row, value);
}

bool KsProperties::ChoosePicture(int32_t row) {
  const GridRow& r = Row(row);
  if (r.kind != GridRow::Kind::Picture)
    Fail(err::kInvalidCall, RowName(r, row) + " is not a picture row");
  if (!enabled_) return false;
  OpenFileRequest request;
  request.filter =
      "Pictures (*.bmp;*.jpg;*.jpeg;*.gif;*.png)|*.bmp;*.jpg;*.jpeg;*.gif;*.png|All files "
      "(*.*)|*.*";
  request.title = r.caption;
  if (!registryKey_.empty())
    if (auto folder =
            rt_.Registry().Read(kHkeyLocalMachine, registryKey_, grid::kPictureFolderValue))
      request.initialDir = folder->ToString();
  const auto chosen = rt_.GetPerson().ChooseOpenFile(request);
  if (!chosen) return false;
  if (!registryKey_.empty()) {
    std::string folder = std::filesystem::path(*chosen).parent_path().string();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    rt_.Registry().Write(kHkeyLocalMachine, registryKey_, grid::kPictureFolderValue,
                         Variant(folder));
  }
  return SetRowValue(row, Variant(*chosen));
}

std::string KsProperties::DisplayText(int32_t row) const {
  const GridRow& r = Row(row);
  switch (r.kind) {
    case GridRow::Kind::List:
      return r.items[static_cast<size_t>(r.value.ToInteger())];
    case GridRow::Kind::RealNumber: {
      char text[64];
      auto res = std::to_chars(text, text + sizeof text, r.value.ToDouble(),
                               std::chars_format::fixed, r.decimals);
      return res.ec == std::errc() ? std::string(text, res.ptr) : r.value.ToString();
    }
    default:
      return r.value.ToString();
  }
}

// ---------------------------------------------------------------- late-bound members

namespace {

// The items of a list object (anything with Count and Item from 1) as strings.
std::vector<std::string> ListItems(const Variant& list) {
  ObjectRef obj = list.ToObject();
  RequireObject(obj, "Count");
  std::vector<std::string> items;
  const int32_t count = Get(obj, "Count").ToLong();
  for (int32_t i = 1; i <= count; ++i) items.push_back(Call(obj, "Item", i).ToString());
  return items;
}

}  // namespace

void KsProperties::BuildMembers(MemberTable<KsProperties>& t) {
  using Args = std::span<Variant>;
  using namespace grid;
  auto done = [](auto fn) {
    return [fn](KsProperties& g, Args a) {
      fn(g, a);
      return Variant();
    };
  };
  t.Method("AddWholeNumberRow", done([](KsProperties& g, Args a) {
             g.AddWholeNumberRow(Arg(a, 0).ToString(), Arg(a, 1), Arg(a, 2).ToLong(),
                                 Arg(a, 3).ToLong(), HasArg(a, 4) ? a[4].ToLong() : 1);
           }),
           kAddWholeNumberRow);
  t.Method("AddListRow", done([](KsProperties& g, Args a) {
             g.AddListRow(Arg(a, 0).ToString(), ListItems(Arg(a, 1)),
                          HasArg(a, 2) ? a[2].ToLong() : 0);
           }),
           kAddListRow);
  t.Method("BeginGroup", done([](KsProperties& g, Args a) { g.BeginGroup(Arg(a, 0).ToString()); }),
           kBeginGroup);
  t.Method("AddRealRow", done([](KsProperties& g, Args a) {
             g.AddRealRow(Arg(a, 0).ToString(), HasArg(a, 1) ? a[1] : Variant(0.0),
                          HasArg(a, 2) ? a[2].ToLong() : 2);
           }),
           kAddRealRow);
  t.Method("EndGroup", done([](KsProperties& g, Args) { g.EndGroup(); }), kEndGroup);
  t.Method("AddPictureRow",
           done([](KsProperties& g, Args a) { g.AddPictureRow(Arg(a, 0).ToString()); }),
           kAddPictureRow);
  t.Method("Redraw", done([](KsProperties& g, Args) { g.Redraw(); }), kRedraw);
  t.Method("EndEdit", done([](KsProperties& g, Args) { g.EndEdit(); }), kEndEdit);
  t.Method("FinishSetup", done([](KsProperties& g, Args) { g.FinishSetup(); }), kFinishSetup);
  t.Property(
      "Enabled", [](KsProperties& g, Args) { return Variant(g.Enabled()); },
      [](KsProperties& g, Args a) { g.SetEnabled(a.back().ToBool()); }, kEnabled);
  t.Property(
      "RegistryKey", [](KsProperties& g, Args) { return Variant(g.RegistryKey()); },
      [](KsProperties& g, Args a) { g.SetRegistryKey(a.back().ToString()); }, kRegistryKey);
  t.Method(
      "SetRowValue",
      [](KsProperties& g, Args a) { return Variant(g.SetRowValue(Arg(a, 0).ToLong(), Arg(a, 1))); },
      kSetRowValue);
  t.Property(
      "RowCount", [](KsProperties& g, Args) { return Variant(int32_t(g.rows_.size())); }, {},
      kRowCount);
  t.Property(
      "RowValue", [](KsProperties& g, Args a) { return g.Row(Arg(a, 0).ToLong()).value; }, {},
      kRowValue);
  t.Property(
      "RowCaption",
      [](KsProperties& g, Args a) { return Variant(g.Row(Arg(a, 0).ToLong()).caption); }, {},
      kRowCaption);
  t.Method(
      "ChoosePicture",
      [](KsProperties& g, Args a) { return Variant(g.ChoosePicture(Arg(a, 0).ToLong())); },
      kChoosePicture);
  t.Method(
      "StepRow",
      [](KsProperties& g, Args a) {
        return Variant(g.StepRow(Arg(a, 0).ToLong(), HasArg(a, 1) ? a[1].ToLong() : 1));
      },
      kStepRow);
  t.Method("EditRow",
           done([](KsProperties& g, Args a) { g.EditRow(Arg(a, 0).ToLong(), Arg(a, 1)); }),
           kEditRow);
}

}  // namespace ks
