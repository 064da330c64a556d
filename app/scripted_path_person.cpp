#include "app/scripted_path_person.h"

#include "host/com_error.h"
#include "host/dispatch.h"
#include "host/ks_properties.h"

namespace kestrel {
namespace {

using ks::Variant;

constexpr int16_t kLeft = 1;
constexpr int16_t kRight = 2;

ks::Control& ControlOf(ks::Form& form, const char* name) {
  ks::Control* control = form.FindControl(name);
  if (!control)
    throw ks::ComError(ks::err::kObjectRequired,
                       std::string("the path dialog has no control ") + name);
  return *control;
}

// Types a value into a grid row, as the person would.
void SetRow(ks::Form& form, const char* gridName, int32_t row, Variant value) {
  const ks::Control& grid = ControlOf(form, gridName);
  std::vector<Variant> args{Variant(row), std::move(value)};
  const Variant accepted = ks::CallId(grid.value.ToObject(), ks::grid::kSetRowValue, args);
  if (accepted.type() == ks::VarType::Boolean && !accepted.ToBool())
    throw ks::ComError(ks::err::kInvalidCall,
                       std::string("the path dialog's grid ") + gridName + " takes no input");
}

int32_t PointCount(ks::Form& form) {
  const Variant& count = ControlOf(form, "Picture1").value;
  return count.IsNumeric() ? count.ToLong() : 0;
}

void Mouse(ks::Form& form, const char* event, int16_t button, float x, float y) {
  form.Fire(event, {Variant(button), Variant(int16_t{0}), Variant(x), Variant(y)});
}

}  // namespace

void ScriptedPathPerson::ShowModal(ks::Form& form) {
  try {
    Work(form);
  } catch (...) {
    if (!form.Closed()) form.Fire("cmdCancel_Click");
    throw;
  }
  // A refused build leaves the dialog open: give up as a person would.
  if (!form.Closed()) form.Fire("cmdCancel_Click");
  if (!form.Closed()) form.RequestClose();
}

void ScriptedPathPerson::Work(ks::Form& form) {
  const bool rotate = script_.mode == PathScript::Mode::Rotate;
  form.Fire("Option1_Click", {Variant(static_cast<int16_t>(rotate ? 0 : 1))});
  if (rotate && script_.axis) MoveBar(form, *script_.axis);
  FillGrids(form);
  ClickPoints(form);
  if (rotate && script_.closePath && ControlOf(form, "Check1").enabled) {
    ControlOf(form, "Check1").value = Variant(int16_t{1});
    form.Fire("Check1_Click");
  }
  pathPoints = PointCount(form);
  form.Fire("cmdGetObj_Click");
}

void ScriptedPathPerson::MoveBar(ks::Form& form, float axis) {
  form.Fire("Option2_Click", {Variant(int16_t{0})});  // "Move Bar"
  const Variant& left = ControlOf(form, "Picture3").value;
  const float now = left.IsNumeric() ? left.ToSingle() : 0.0f;
  // Press on the bar and drag it so that its centre line (Left + 1) is the axis.
  Mouse(form, "Picture3_MouseMove", kLeft, (axis - 1.0f) - now, 0);
  form.Fire("Option2_Click", {Variant(int16_t{1})});  // "Build Path"
}

void ScriptedPathPerson::FillGrids(ks::Form& form) {
  if (script_.mode == PathScript::Mode::Extrude) {
    if (script_.height) SetRow(form, "KsProperties3", 0, Variant(*script_.height));
    return;
  }
  if (script_.sections) SetRow(form, "KsProperties1", 0, Variant(*script_.sections));
  if (script_.angle) SetRow(form, "KsProperties1", 1, Variant(*script_.angle));
  if (script_.openSeam) SetRow(form, "KsProperties1", 2, Variant(ks::grid::kItemFalse));
  for (int32_t axis = 0; axis < 3; ++axis)
    if (script_.translation[static_cast<size_t>(axis)])
      SetRow(form, "KsProperties1", 3 + axis,
             Variant(*script_.translation[static_cast<size_t>(axis)]));
}

void ScriptedPathPerson::ClickPoints(ks::Form& form) {
  for (size_t i = 0; i < script_.points.size(); ++i) {
    const auto [x, y] = script_.points[i];
    const int32_t before = PointCount(form);
    Mouse(form, "Picture1_MouseMove", 0, x, y);
    Mouse(form, "Picture1_MouseDown", kLeft, x, y);
    if (PointCount(form) == before) {
      const Variant& left = ControlOf(form, "Picture3").value;
      ignored.push_back({i, x, y, (left.IsNumeric() ? left.ToSingle() : 0.0f) + 1.0f});
    }
  }
  if (!script_.points.empty()) {
    const auto [x, y] = script_.points.back();
    Mouse(form, "Picture1_MouseDown", kRight, x, y);
  }
}

ks::MsgResult ScriptedPathPerson::MessageBox(std::string_view text, ks::MsgButtons buttons,
                                             ks::MsgIcon, std::string_view) {
  messages.emplace_back(text);
  return buttons == ks::MsgButtons::YesNo ? ks::MsgResult::No : ks::MsgResult::OK;
}

}  // namespace kestrel
