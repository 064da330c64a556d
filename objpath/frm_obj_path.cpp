#include "objpath/frm_obj_path.h"

#include <cmath>
#include <cstdio>
#include <numeric>

#include "host/collection.h"
#include "host/ks_properties_ids.h"
#include "host/person.h"
#include "objpath/exact_outline.h"
#include "objpath/remembered_settings.h"

namespace ks::objpath {

namespace {

constexpr const char* kGridClass = "KsControls.KsProperties";

int IntArg(const std::vector<Variant>& args, size_t i) {
  return i < args.size() && args[i].IsNumeric() ? args[i].ToInteger() : 0;
}
float SingleArg(const std::vector<Variant>& args, size_t i) {
  return i < args.size() && args[i].IsNumeric() ? args[i].ToSingle() : 0.0f;
}

// A coordinate as the status line shows it: whole pixels without decimals.
std::string FormatNumber(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(std::round(v * 100) / 100));
  return text;
}

Variant CallGrid(const ObjectRef& grid, DispId id, std::vector<Variant> args = {}) {
  return CallId(grid, id, std::span<Variant>(args));
}

// The list row reports the number of the picked item: 0 is "True", 1 is
// "False". A grid that reports the item's text is understood as well.
bool IsTrueItem(const Variant& value) {
  if (value.type() == VarType::String) return EqualsNoCase(value.ToString(), "True");
  if (value.type() == VarType::Boolean) return value.ToBool();
  return value.ToLong() == grid::kItemTrue;
}

}  // namespace

frmObjPath::frmObjPath(Runtime& rt)
    : rt_(rt),
      editor_(PathEditor::Controls{Picture1, Picture3, Line3, Check1, Option1_0, Option1_1,
                                   Option2_0, Option2_1},
              [this] { ClosePathHandling(); }) {
  caption = "Object by Path Generator";
  RegisterControls();
  BuildPreview = [this] { return MakePreview(); };
  editor_.onRefused = [this](float x, float y) {
    lblStatus.caption = "The point (" + FormatNumber(x) + ", " + FormatNumber(y) +
                        ") lies across the axis (x = " + FormatNumber(editor_.AxisX()) +
                        ") from the point next to it: it was not placed.";
  };
  CreateGrids();
  // The picture grid remembers its last folder under the plug-in's key.
  std::vector<Variant> key{Variant(kRegistryKey)};
  CallId(grids_[1], grid::kRegistryKey, key, CallKind::PropertyPut);
}

frmObjPath::~frmObjPath() {
  for (const ObjectRef& g : grids_)
    if (g) g->Unadvise();
}

void frmObjPath::RegisterControls() {
  Register(Option1_0, "Option1(0)", "Rotation").value = Variant(true);
  Register(Option1_1, "Option1(1)", "Extrude").value = Variant(false);
  Register(Frame1, "Frame1", "By Rotation");
  Register(Check1, "Check1", "Close Path").value = Variant(int16_t{0});
  Register(KsProperties1, "KsProperties1");
  Register(Frame2, "Frame2", "Extrude");
  Register(KsProperties3, "KsProperties3");
  Register(Command3, "Command3", "Get from a Picture").enabled = false;
  Register(Frame3, "Frame3", "BackGround");
  Register(KsProperties2, "KsProperties2");
  Register(Option2_1, "Option2(1)", "Build Path").value = Variant(true);
  Register(Option2_0, "Option2(0)", "Move Bar").value = Variant(false);
  Register(cmdGetObj, "cmdGetObj", "Get Object");
  Register(cmdClean, "cmdClean", "Clean");
  Register(cmdCancel, "cmdCancel", "Cancel");
  Register(Picture1, "Picture1").mousePointer = kPointerCross;
  Register(Picture2, "Picture2");
  Register(Picture3, "Picture3").visible = false;
  Register(Line2, "Line2");
  Register(Line3, "Line3");
  Register(cmdUndo, "cmdUndo", "Undo").enabled = false;
  Register(cmdRedo, "cmdRedo", "Redo").enabled = false;
  Register(chkSnap, "chkSnap", "Snap to Grid").value = Variant(int16_t{0});
  Register(lblStatus, "lblStatus", "");
}

void frmObjPath::CreateGrids() {
  Control* controls[3] = {&KsProperties1, &KsProperties2, &KsProperties3};
  for (int i = 0; i < 3; ++i) {
    grids_[i] = rt_.CreateObject(kGridClass);
    RequireObject(grids_[i], kGridClass);
    controls[i]->value = Variant(grids_[i]);
    const int number = i + 1;
    grids_[i]->Advise([this, number](std::string_view event, std::span<Variant> args) {
      if (EqualsNoCase(event, "Change") && args.size() >= 3)
        OnGridChange(number, args[1].IsNumeric() ? args[1].ToLong() : -1, args[2]);
    });
  }
}

// Whatever a handler raises ends as a message naming the reason, and the
// dialog stays as the handler left it: no failure of one click takes the
// dialog, or the program around it, down. An event name the form does not
// have is the caller's fault and goes back to it.
void frmObjPath::Fire(std::string_view event, std::vector<Variant> args) {
  if (!HasEvent(event))
    throw ComError(err::kMemberNotFound, "frmObjPath has no event " + std::string(event),
                   "frmObjPath");
  std::string why;
  try {
    Dispatch(event, args);
  } catch (const ComError& e) {
    why = e.description();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (!why.empty())
    rt_.GetPerson().MessageBox(why, MsgButtons::OK, MsgIcon::Exclamation, kMsgErrorTitle);
  TellChanged();
}

void frmObjPath::TellChanged() const {
  if (Changed && !Closed()) Changed();
}

bool frmObjPath::HasEvent(std::string_view event) {
  static constexpr std::string_view kEvents[] = {
      "Form_Load",          "Option1_Click",       "Option2_Click",      "Check1_Click",
      "cmdGetObj_Click",    "cmdClean_Click",      "cmdCancel_Click",    "Command3_Click",
      "Picture1_MouseDown", "Picture1_MouseMove",  "Picture3_MouseMove", "Form_QueryUnload",
      "Form_Unload",        "cmdUndo_Click",       "cmdRedo_Click",      "chkSnap_Click",
      "Picture1_MovePoint", "Picture1_DeletePoint"};
  for (std::string_view known : kEvents)
    if (event == known) return true;
  if (event.size() < 13 || !event.starts_with("KsProperties")) return false;
  const std::string_view what = event.substr(13);
  return event[12] >= '1' && event[12] <= '3' && (what == "_LostFocus" || what == "_Change");
}

void frmObjPath::Dispatch(std::string_view event, const std::vector<Variant>& args) {
  if (event == "Form_Load") return Form_Load();
  if (Closed()) return;  // an unloaded form runs no handlers
  // A drag of a point or of the bar goes on only as long as its moves come.
  if (event != "Picture3_MouseMove" && event != "Picture1_MovePoint") history_.EndGroup();
  if (event == "Option1_Click") {
    const int index = IntArg(args, 0);
    if ((index == 0 ? Option1_0 : Option1_1).enabled) Option1_Click(index);
  } else if (event == "Option2_Click") {
    const int index = IntArg(args, 0);
    if ((index == 0 ? Option2_0 : Option2_1).enabled) editor_.Option2_Click(index);
  } else if (event == "cmdGetObj_Click") {
    cmdGetObj_Click();
  } else if (event == "cmdCancel_Click") {
    cmdCancel_Click();
  } else if (event == "cmdUndo_Click") {
    cmdUndo_Click();
  } else if (event == "cmdRedo_Click") {
    cmdRedo_Click();
  } else if (event == "chkSnap_Click") {
    // The box's value is what a click left in it; nothing else changes.
  } else if (event == "Picture1_MouseMove") {
    // The rubber band ends where the next click would put its point.
    const int shift = IntArg(args, 1);
    editor_.Picture1_MouseMove(IntArg(args, 0), shift, Snapped(SingleArg(args, 2), shift),
                               Snapped(SingleArg(args, 3), shift));
  } else if (event.starts_with("KsProperties")) {
    const int number = event[12] - '0';
    const std::string_view what = event.substr(13);
    if (what == "_LostFocus") OnGridLostFocus(number);
    if (what == "_Change" && args.size() >= 3)
      OnGridChange(number, args[1].IsNumeric() ? args[1].ToLong() : -1, args[2]);
  } else if (event == "Form_QueryUnload") {
    // Nothing to ask: the dialog never refuses to close.
  } else if (event == "Form_Unload") {
    Unload();
  } else {
    DispatchEdit(event, args);
  }
}

void frmObjPath::DispatchEdit(std::string_view event, const std::vector<Variant>& args) {
  DialogEdit before = CaptureEdit();
  std::string group;
  lblStatus.caption.clear();
  if (event == "Check1_Click") {
    if (!Check1.enabled) return;
    // The click has already changed the box's value: before it, it was the other.
    before.closePath = Variant(int16_t{ClosePathChecked() ? int16_t{0} : int16_t{1}});
    Check1_Click();
  } else if (event == "cmdClean_Click") {
    cmdClean_Click();
  } else if (event == "Command3_Click") {
    if (Command3.enabled) Command3_Click();
  } else if (event == "Picture1_MouseDown") {
    DispatchMouseDown(args);
  } else if (event == "Picture3_MouseMove") {
    group = "bar";
    if (Picture3.visible)
      editor_.Picture3_MouseMove(IntArg(args, 0), IntArg(args, 1), SingleArg(args, 2),
                                 SingleArg(args, 3));
  } else if (event == "Picture1_MovePoint") {
    const int32_t index = IntArg(args, 0);
    const int shift = IntArg(args, 1);
    const bool dragStart = args.size() < 5 || args[4].ToBool();
    if (dragStart) history_.EndGroup();
    group = "point " + std::to_string(index);
    editor_.MovePoint(index, Snapped(SingleArg(args, 2), shift),
                      Snapped(SingleArg(args, 3), shift));
  } else if (event == "Picture1_DeletePoint") {
    editor_.DeletePoint(IntArg(args, 0));
  }
  history_.Record(before, CaptureEdit(), group);
  AfterEdit();
}

void frmObjPath::DispatchMouseDown(const std::vector<Variant>& args) {
  const int button = IntArg(args, 0), shift = IntArg(args, 1);
  const float x = SingleArg(args, 2), y = SingleArg(args, 3);
  const bool ctrl = (shift & 2) != 0;
  if (button == kLeftButton && ctrl && (editor_.BuildPathMode || editor_.ExtrudeSelected())) {
    // Ctrl and a click on a segment: a point on it, between its two ends.
    const int32_t segment = editor_.SegmentNear(x, y, kReach);
    if (segment >= 0) {
      editor_.InsertPoint(segment, Snapped(x, shift), Snapped(y, shift));
      return;
    }
  }
  editor_.Picture1_MouseDown(button, shift, Snapped(x, shift), Snapped(y, shift));
}

// The nearest grid line when "Snap to Grid" is ticked and Shift is not held.
float frmObjPath::Snapped(float v, int shift) const {
  const bool snap = chkSnap.value.IsNumeric() && chkSnap.value.ToLong() == 1;
  if (!snap || (shift & 1) != 0 || !std::isfinite(v)) return v;
  return 1.0f + kGridStep * std::round((v - 1.0f) / kGridStep);
}

DialogEdit frmObjPath::CaptureEdit() const {
  return DialogEdit{editor_.path,   editor_.Drawing, editor_.BarLeft, editor_.Line1,
                    editor_.Shape1, Check1.value,    Check1.enabled,  settings};
}

void frmObjPath::RestoreEdit(const DialogEdit& edit) {
  editor_.path = edit.path;
  editor_.Drawing = edit.drawing;
  editor_.SetBarLeft(edit.barLeft);
  editor_.Line1 = edit.line1;
  editor_.Shape1 = edit.shape1;
  editor_.PublishPointCount();
  Check1.value = edit.closePath;
  Check1.enabled = edit.closePathEnabled;
  if (edit.settings != settings) ShowSettingsInGrids(edit.settings);
}

// The grids show the settings given (no undo step); a grid that is off for
// the mode is let take them for the while.
void frmObjPath::ShowSettingsInGrids(const BuildSettings& s) {
  restoring_ = true;
  const bool rotationOn = KsProperties1.enabled, extrusionOn = KsProperties3.enabled;
  SetGridEnabled(1, true);
  SetGridEnabled(3, true);
  const auto set = [this](int grid, int32_t row, Variant value) {
    CallGrid(grids_[static_cast<size_t>(grid - 1)], grid::kSetRowValue, {Variant(row), value});
  };
  set(1, 0, Variant(s.Sections));
  set(1, 1, Variant(s.YRotation));
  set(1, 2, Variant(static_cast<int16_t>(s.CloseLastPolygons ? grid::kItemTrue : 1)));
  set(1, 3, Variant(s.TranslationX));
  set(1, 4, Variant(s.TranslationY));
  set(1, 5, Variant(s.TranslationZ));
  set(3, 0, Variant(s.ExtrudeHeight));
  SetGridEnabled(1, rotationOn);
  SetGridEnabled(3, extrusionOn);
  restoring_ = false;
  settings = s;
}

// An edit makes the crossing found at the last build old news.
void frmObjPath::AfterEdit() {
  crossing_.clear();
  cmdUndo.enabled = history_.CanUndo();
  cmdRedo.enabled = history_.CanRedo();
}

void frmObjPath::cmdUndo_Click() {
  RestoreEdit(history_.Undo(CaptureEdit()));
  lblStatus.caption.clear();
  AfterEdit();
}

void frmObjPath::cmdRedo_Click() {
  RestoreEdit(history_.Redo(CaptureEdit()));
  lblStatus.caption.clear();
  AfterEdit();
}

// Nothing asks before closing: the close box unloads at once.
void frmObjPath::RequestClose() {
  if (!Closed()) Unload();
}

void frmObjPath::Form_Load() {
  MarkOpen();
  ObjectBuilt = false;
  editor_.Drawing = false;
  editor_.path.LastPoint = -1;
  editor_.path.LeftmostPoint = -1;
  BuildTrigTables(trig);
  settings.ExtrudeHeight = 40;
  Check1.enabled = false;
  settings.CloseLastPolygons = true;
  mesh.Vertices.assign(1, 0.0f);
  mesh.Polygons.assign(1, 0);
  editor_.Load();
  FillNeighbourSteps();
  settings.Sections = 8;
  settings.YRotation = 360;
  settings.TranslationX = settings.TranslationY = settings.TranslationZ = 0;
  FillGrids();
  SetGridEnabled(3, false);
  ClearBackground();
  // At the desktop the dialog opens as the person left it last time; scripted
  // runs start from the defaults, so the same clicks give the same object.
  if (rt_.GetPerson().IsDesktop()) ApplyRemembered(ReadRememberedSettings(rt_));
}

void frmObjPath::ApplyRemembered(const RememberedSettings& r) {
  BuildSettings wanted = settings;
  wanted.Sections = r.sections;
  wanted.YRotation = r.yRotation;
  wanted.ExtrudeHeight = r.extrudeHeight;
  wanted.CloseLastPolygons = r.closeLastPolygons;
  ShowSettingsInGrids(wanted);
  Check1.value = Variant(int16_t{r.closePath ? int16_t{1} : int16_t{0}});
  if (r.extrude) Option1_Click(1);
}

RememberedSettings frmObjPath::Remembered() const {
  return RememberedSettings{editor_.ExtrudeSelected(),  settings.Sections,
                            settings.YRotation,         settings.ExtrudeHeight,
                            settings.CloseLastPolygons, ClosePathChecked()};
}

void frmObjPath::FillGrids() {
  using grid::kRedraw;
  const ObjectRef& rotation = grids_[0];
  const ObjectRef& picture = grids_[1];
  const ObjectRef& extrusion = grids_[2];

  CallGrid(picture, grid::kAddPictureRow, {Variant("Picture")});
  CallGrid(picture, kRedraw);

  CallGrid(rotation, grid::kAddWholeNumberRow,
           {Variant("Section"), Variant(int16_t{8}), Variant(int16_t{1}), Variant(int16_t{200}),
            Variant(int16_t{1})});
  CallGrid(rotation, grid::kAddWholeNumberRow,
           {Variant("Y Rotation"), Variant(int16_t{360}), Variant(int16_t{1}),
            Variant(int16_t{3660}), Variant(int16_t{10})});
  auto items = std::make_shared<Collection>();
  items->Add(Variant("True"));
  items->Add(Variant("False"));
  CallGrid(rotation, grid::kAddListRow,
           {Variant("Close Last polygons"), Variant(items), Variant(grid::kItemTrue)});
  CallGrid(rotation, grid::kBeginGroup, {Variant("Translation")});
  for (const char* axis : {"X", "Y", "Z"})
    CallGrid(rotation, grid::kAddRealRow,
             {Variant(axis), Variant(int16_t{0}), Variant(int32_t{2}), Variant(int16_t{0})});
  CallGrid(rotation, grid::kEndGroup);
  CallGrid(rotation, kRedraw);
  CallGrid(rotation, grid::kFinishSetup);

  CallGrid(extrusion, grid::kAddWholeNumberRow,
           {Variant("Height"), Variant(int16_t{40}), Variant(int16_t{1}), Variant(int16_t{100}),
            Variant(int16_t{1})});
  CallGrid(extrusion, kRedraw);
}

void frmObjPath::SetGridEnabled(int number, bool enabled) {
  Control* controls[3] = {&KsProperties1, &KsProperties2, &KsProperties3};
  controls[number - 1]->enabled = enabled;
  std::vector<Variant> value{Variant(enabled)};
  CallId(grids_[static_cast<size_t>(number - 1)], grid::kEnabled, value, CallKind::PropertyPut);
}

void frmObjPath::OnGridChange(int number, int32_t row, const Variant& value) {
  const DialogEdit before = CaptureEdit();
  ApplyGridChange(number, row, value);
  if (restoring_) return;
  history_.Record(before, CaptureEdit(),
                  "grid " + std::to_string(number) + " " + std::to_string(row));
  AfterEdit();
  TellChanged();
}

void frmObjPath::ApplyGridChange(int number, int32_t row, const Variant& value) {
  // A value that does not convert changes nothing.
  try {
    if (number == 1) {
      switch (row) {
        case 0:
          settings.Sections = value.ToLong();
          break;
        case 1:
          settings.YRotation = value.ToLong();
          break;
        case 2:
          settings.CloseLastPolygons = IsTrueItem(value);
          break;
        // Rows 3, 4, 5 are "X", "Y", "Z" of the "Translation" group.
        case 3:
          settings.TranslationX = value.ToSingle();
          break;
        case 4:
          settings.TranslationY = value.ToSingle();
          break;
        case 5:
          settings.TranslationZ = value.ToSingle();
          break;
        default:
          break;
      }
    } else if (number == 3) {
      if (row == 0) settings.ExtrudeHeight = value.ToLong();
    } else if (number == 2 && row == 0) {
      const std::string text = value.ToString();
      if (text == grid::kNoPicture)
        ClearBackground();
      else
        ShowBackgroundPicture(text);
    }
  } catch (const ComError&) {
  }
}

// A picture that cannot be shown is reported, naming the file and why; the
// area gets its grid back and the row says "(None)" again, so that what the
// row shows is what the area shows.
void frmObjPath::ShowBackgroundPicture(const std::string& fileName) {
  std::string why;
  try {
    SetBackgroundPicture(fileName);
    return;
  } catch (const ComError& e) {
    why = e.description();
  }
  rt_.GetPerson().MessageBox(why, MsgButtons::OK, MsgIcon::Exclamation, kMsgErrorTitle);
  ClearBackground();
  CallGrid(grids_[1], grid::kSetRowValue, {Variant(int32_t{0}), Variant(grid::kNoPicture)});
}

void frmObjPath::OnGridLostFocus(int number) {
  CallGrid(grids_[static_cast<size_t>(number - 1)], grid::kEndEdit);
}

bool frmObjPath::ClosePathChecked() const {
  return Check1.value.IsNumeric() && Check1.value.ToLong() == 1;
}

void frmObjPath::Option1_Click(int index) {
  Option1_0.value = Variant(index == 0);
  Option1_1.value = Variant(index != 0);
  const bool pathHasPoints = editor_.path.LastPoint >= 0;
  if (index == 1) {  // "Extrude"
    Frame1.enabled = false;
    Picture1.mousePointer = kPointerCross;
    Picture3.visible = false;
    Line3.visible = false;
    Option2_0.enabled = Option2_1.enabled = false;
    Command3.enabled = true;
    SetGridEnabled(1, false);
    SetGridEnabled(3, true);
    // An extrusion is always closed. A path still being drawn keeps its
    // rubber band; it is closed when it is finished.
    if (!ClosePathChecked() && pathHasPoints && !editor_.Drawing) editor_.ShowClosingSegment();
  } else {  // "Rotation"
    Frame1.enabled = true;
    if (editor_.BuildPathMode) {
      Picture1.mousePointer = kPointerCross;
      Line3.visible = true;
    } else {
      Picture1.mousePointer = kPointerDefault;
      Picture3.visible = true;
    }
    Option2_0.enabled = Option2_1.enabled = true;
    Command3.enabled = false;
    SetGridEnabled(1, true);
    SetGridEnabled(3, false);
    if (!ClosePathChecked() && pathHasPoints && !editor_.Drawing && editor_.ClosingSegmentLoaded())
      editor_.HideClosingSegment();
  }
}

void frmObjPath::Check1_Click() {
  ClosePathHandling();
}

void frmObjPath::ClosePathHandling() {
  if (!editor_.RotationSelected() || editor_.path.LastPoint < 0) return;
  if (ClosePathChecked())
    editor_.ShowClosingSegment();
  else if (editor_.ClosingSegmentLoaded())
    editor_.HideClosingSegment();
}

void frmObjPath::cmdGetObj_Click() {
  if (editor_.path.LastPoint == -1) {
    rt_.GetPerson().MessageBox(kMsgEmptyPath, MsgButtons::OK, MsgIcon::None, "");
    return;
  }
  Person& person = rt_.GetPerson();
  person.SetScreenPointer(kPointerHourglass);
  struct PointerBack {
    Person& person;
    ~PointerBack() { person.SetScreenPointer(kPointerDefault); }
  } pointerBack{person};
  RunBuild();
}

BuildOutcome frmObjPath::Build(BuildSettings& used, MeshArrays& out) const {
  used.ClosePath = ClosePathChecked();
  used.BarLeft = editor_.BarLeft;
  return editor_.RotationSelected() ? BuildRotation(editor_.path, used, trig, out)
                                    : BuildExtrusion(editor_.path, used, out);
}

// What "Get Object" would hand back now, built the same way into an object
// of the dialog's own; or why nothing can be built yet.
frmObjPath::Preview frmObjPath::MakePreview() const {
  Preview preview;
  if (editor_.path.LastPoint < 0) {
    preview.why = "Draw a path to see the object.";
    return preview;
  }
  BuildSettings used = settings;
  MeshArrays arrays;
  switch (Build(used, arrays)) {
    case BuildOutcome::NothingToBuild:
      preview.why = "A single point makes no object.";
      return preview;
    case BuildOutcome::CapError:
      preview.why = kMsgIntersect;
      return preview;
    case BuildOutcome::Built:
      break;
  }
  ObjectRef object = rt_.CreateObject("Kestrel.CKsObject");
  HandOver(object, arrays);
  preview.object = std::move(object);
  return preview;
}

void frmObjPath::RunBuild() {
  Person& person = rt_.GetPerson();
  const BuildOutcome outcome = Build(settings, mesh);
  auto clearObject = [this] {
    try {
      Call(Object3D, "Clear");
    } catch (const ComError&) {
    }
  };
  switch (outcome) {
    case BuildOutcome::NothingToBuild:
      // A single point encloses and sweeps nothing.
      person.MessageBox(kMsgEmptyPath, MsgButtons::OK, MsgIcon::None, "");
      return;
    case BuildOutcome::CapError: {
      // The crossing segments are marked in the drawing area meanwhile.
      std::vector<int32_t> list(editor_.path.PathPoints.size());
      std::iota(list.begin(), list.end(), 0);
      crossing_ = ExactOutline(editor_.path.PathPoints, list).CrossingEdges();
      if (!crossing_.empty()) lblStatus.caption = "The segments marked in red cross.";
      person.MessageBox(kMsgIntersect, MsgButtons::OK, MsgIcon::Exclamation, kMsgErrorTitle);
      clearObject();
      return;
    }
    case BuildOutcome::Built:
      break;
  }
  try {
    HandOver(Object3D, mesh);
  } catch (const ComError& e) {
    // The object could not take the geometry: say so and keep the dialog open.
    person.MessageBox(e.description(), MsgButtons::OK, MsgIcon::Exclamation, kMsgErrorTitle);
    clearObject();
    return;
  }
  ObjectBuilt = true;
  Unload();
}

void frmObjPath::cmdClean_Click() {
  editor_.ClearPath();
}

void frmObjPath::cmdCancel_Click() {
  Unload();
}

void frmObjPath::Command3_Click() {
  if (LoadTracePicture()) {
    editor_.ClearPath();
    TraceOutline();
  }
}

void frmObjPath::Form_Unload() {
  Unload();
}

void frmObjPath::Unload() {
  if (Closed()) return;
  if (rt_.GetPerson().IsDesktop()) {
    try {
      WriteRememberedSettings(rt_, Remembered());
    } catch (const ComError&) {
      // Settings that cannot be kept are no reason to keep the dialog open.
    }
  }
  if (!ObjectBuilt) Object3D = nullptr;
  editor_.path.PathPoints.clear();
  editor_.path.LastPoint = -1;
  mesh.CapTriangles.clear();
  mesh.Vertices.clear();
  mesh.Polygons.clear();
  MarkClosed();
}

}  // namespace ks::objpath
