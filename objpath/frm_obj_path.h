#pragma once
// frmObjPath, the path generator's dialog: the drawing area (PathEditor), the
// mode ("Rotation" or "Extrude") with its settings in three property grids,
// and the buttons that build the object, clean the path or cancel.
//
// Views and scripted people work it through ks::Form: they set a control's
// value where a click changes it (Check1) and fire events by name:
//   Form_Load, Option1_Click(Integer index), Option2_Click(Integer index),
//   Check1_Click, cmdGetObj_Click, cmdClean_Click, cmdCancel_Click,
//   Command3_Click, Picture1_MouseDown / Picture1_MouseMove /
//   Picture3_MouseMove (Button, Shift, X, Y), KsPropertiesN_LostFocus,
//   KsPropertiesN_Change (ignored, row, value), Form_QueryUnload, Form_Unload;
// and the corrections of a drawn path: cmdUndo_Click, cmdRedo_Click,
//   chkSnap_Click, Picture1_MovePoint (Index, Shift, X, Y, DragStart: the
//   first move of a drag starts an undo step of its own, later ones join it),
//   Picture1_DeletePoint (Index). A left click with Ctrl (Shift mask 2) on a
//   segment inserts a point there. With "Snap to Grid" ticked, clicked and
//   moved points go to the nearest grid crossing unless Shift (mask 1) is held.
// An error raised inside a handler ends as a message box naming the reason;
// an event name the form does not have raises ComError to the caller.
// The grids are reached through the value of the controls "KsProperties1"
// (rotation), "KsProperties2" (background picture) and "KsProperties3"
// (extrusion), which hold the grid objects. Events of disabled controls are
// ignored, as a disabled control cannot be clicked.
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/form.h"
#include "host/picture_surface.h"
#include "host/runtime.h"
#include "objpath/edit_history.h"
#include "objpath/mesh_builders.h"
#include "objpath/mod_obj_path.h"
#include "objpath/path_editor.h"
#include "objpath/remembered_settings.h"

namespace ks::objpath {

// One of the eight neighbour steps of the outline tracer.
struct NeighbourStep {
  int dx = 0;
  int dy = 0;
};

class frmObjPath : public Form {
 public:
  static constexpr const char* kRegistryKey = "SOFTWARE\\Ardeno\\KsObjPath";
  static constexpr const char* kMsgEmptyPath = "Draw a Path to elaborate";
  static constexpr const char* kMsgIntersect = "Remember that the lines must not intersect.";
  static constexpr const char* kMsgErrorTitle = "Error";
  // Within this many pixels of a marker or segment the mouse is on it.
  static constexpr float kReach = 5;
  static constexpr int kGridStep = 20;  // the background grid: lines at 1, 21, 41, ...

  // Creates the controls and the three property grids by class name; raises
  // ComError when a grid cannot be created.
  explicit frmObjPath(Runtime& rt);
  ~frmObjPath() override;
  frmObjPath(const frmObjPath&) = delete;
  frmObjPath& operator=(const frmObjPath&) = delete;

  std::string_view FormName() const override { return "frmObjPath"; }
  void Fire(std::string_view event, std::vector<Variant> args = {}) override;
  void RequestClose() override;

  // ---- Event handlers ----
  void Form_Load();
  void Option1_Click(int index);
  void Check1_Click();
  void cmdGetObj_Click();
  void cmdClean_Click();
  void cmdCancel_Click();
  void Command3_Click();
  void Form_Unload();
  void cmdUndo_Click();
  void cmdRedo_Click();

  // The host object being built; Nothing after an unload without a build.
  ObjectRef Object3D;
  bool ObjectBuilt = false;
  BuildSettings settings;  // ExtrudeHeight, Sections, YRotation, translations, ...
  MeshArrays mesh;         // Vertices, Polygons, PathFlip, CapTriangles
  TrigTables trig;         // SinTable, CosTable

  // What "Get Object" would give now, for a preview: the object built by the
  // same builders (in an object of its own), or why there is none yet. A
  // function, so that views reach it without linking the form's code.
  struct Preview {
    ObjectRef object;
    std::string why;
  };
  std::function<Preview()> BuildPreview;
  // Called whenever what the dialog shows may have changed: after each event,
  // at a grid's change and at every turn a trace gives the interface. A view
  // sets it to show the form again.
  std::function<void()> Changed;
  // True while "Get from a Picture" traces (views may hold back costly work).
  bool Tracing = false;

  PathEditor& Editor() { return editor_; }
  const PathEditor& Editor() const { return editor_; }
  const PathState& Path() const { return editor_.path; }
  // Grid 1 (rotation), 2 (background picture) or 3 (extrusion); Nothing for
  // any other number. Inline, as the view module calls it without linking
  // the form's code.
  const ObjectRef& Grid(int number) const {
    static const ObjectRef none;
    return number >= 1 && number <= 3 ? grids_[static_cast<size_t>(number - 1)] : none;
  }

  // ---- Controls ----
  Control Option1_0, Option1_1;  // "Rotation", "Extrude"
  Control Frame1, Check1, KsProperties1;
  Control Frame2, KsProperties3, Command3;
  Control Frame3, KsProperties2;
  Control Option2_1, Option2_0;  // "Build Path", "Move Bar"
  Control cmdGetObj, cmdClean, cmdCancel;
  Control Picture1, Picture2, Picture3, Line2, Line3;
  Control cmdUndo, cmdRedo;  // enabled while there is something to undo / redo
  Control chkSnap;           // "Snap to Grid"
  Control lblStatus;         // its caption tells what the last edit could not do

  // ---- Background picture and tracing (frm_obj_path_picture.cpp) ----
  void FillNeighbourSteps();
  void ClearBackground();
  void DrawGrid();
  void SetBackgroundPicture(const std::string& fileName);
  bool LoadTracePicture();
  void TraceOutline();
  std::array<NeighbourStep, 8> NeighbourSteps{};
  bool TraceSkip = false;
  // Picture1's persistent image (grid, background or traced picture), which
  // views show under the path; its handle is its device context and image.
  const PictureSurface& Picture1Image() const { return picture1Image_.Surface(); }

  // ---- What the drawing area shows, for views (inline below, as the view
  // module calls it without linking the form's code) ----
  // Everything is in drawing-area pixels; views draw, in this order, the
  // persistent image (redrawn when its Revision() changes), the segments, the
  // markers, the axis line and the bar.
  struct AreaContents {
    std::vector<LineSegment> segments;  // shown segments: path, rubber band, closing
    std::vector<Marker> markers;        // shown point markers
    std::vector<LineSegment> crossing;  // segments found crossing at the last build
    std::optional<LineSegment> axis;    // the rotation axis in "Build Path" mode
    std::optional<float> barLeft;       // Left of the bar when it shows ("Move Bar")
    int pointer = 0;                    // the area's mouse pointer
    bool operator==(const AreaContents&) const = default;
  };
  AreaContents DrawingArea() const;

 private:
  static bool HasEvent(std::string_view event);
  void TellChanged() const;
  // Runs an event that may edit the path or its settings as one undo step.
  void DispatchEdit(std::string_view event, const std::vector<Variant>& args);
  void DispatchMouseDown(const std::vector<Variant>& args);
  DialogEdit CaptureEdit() const;
  void RestoreEdit(const DialogEdit& edit);
  void ShowSettingsInGrids(const BuildSettings& wanted);
  void ApplyRemembered(const RememberedSettings& remembered);
  RememberedSettings Remembered() const;
  void AfterEdit();
  float Snapped(float v, int shift) const;
  void Dispatch(std::string_view event, const std::vector<Variant>& args);
  void RegisterControls();
  void CreateGrids();
  void FillGrids();
  void SetGridEnabled(int number, bool enabled);
  void OnGridChange(int number, int32_t row, const Variant& value);
  void ApplyGridChange(int number, int32_t row, const Variant& value);
  void OnGridLostFocus(int number);
  void ShowBackgroundPicture(const std::string& fileName);
  void RunBuild();
  BuildOutcome Build(BuildSettings& used, MeshArrays& out) const;
  Preview MakePreview() const;
  void ClosePathHandling();
  bool ClosePathChecked() const;
  void Unload();

  Runtime& rt_;
  std::array<ObjectRef, 3> grids_;
  PathEditor editor_;
  EditHistory history_;
  bool restoring_ = false;                             // grid changes of an undo are no edits
  std::vector<std::pair<int32_t, int32_t>> crossing_;  // path points of crossing segments
  RegisteredSurface picture1Image_{rt_, static_cast<int>(PathEditor::kAreaWidth),
                                   static_cast<int>(PathEditor::kAreaHeight)};
};

inline frmObjPath::AreaContents frmObjPath::DrawingArea() const {
  AreaContents area;
  for (const LineSegment& segment : editor_.Line1)
    if (segment.loaded && segment.visible) area.segments.push_back(segment);
  for (const Marker& marker : editor_.Shape1)
    if (marker.loaded && marker.visible) area.markers.push_back(marker);
  if (Line3.visible) area.axis = editor_.Line3;
  if (Picture3.visible) area.barLeft = editor_.BarLeft;
  area.pointer = Picture1.mousePointer;
  for (auto [from, to] : crossing_) {
    const auto& points = editor_.path.PathPoints;
    if (from < 0 || to < 0 || static_cast<size_t>(std::max(from, to)) >= points.size()) continue;
    const PathPoint &a = points[static_cast<size_t>(from)], &b = points[static_cast<size_t>(to)];
    area.crossing.push_back(LineSegment{a.X, a.Y, b.X, b.Y, true, true});
  }
  return area;
}

}  // namespace ks::objpath
