// kestrel trace PICTURE [--height H] [--export OUT] [--json [--geometry]]
//
// A scripted person works the path plug-in's dialog: chooses "Extrude", sets
// the height, presses "Get from a Picture", answers the picture question with
// PICTURE and presses "Get Object". The built object is summarised (or written
// as JSON) and exported like the other commands' scenes.
#include "app/cmd_trace.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "app/modules/module_api.h"
#include "app/scene_report.h"
#include "host/form.h"
#include "host/ks_object.h"
#include "host/ks_properties.h"
#include "host/runtime.h"

namespace kestrel {
namespace {

constexpr const char* kPlugInClass = "KsObjPath.CPlugIn";

// Works the path dialog for one trace and remembers what the dialog said.
class TracingPerson : public ks::Person {
 public:
  TracingPerson(std::string picture, std::optional<int> height)
      : picture_(std::move(picture)), height_(height) {}

  int32_t tracedPoints = 0;
  std::vector<std::string> messages;  // message boxes, in order

  void ShowModal(ks::Form& form) override {
    form.Fire("Option1_Click", {ks::Variant(int16_t{1})});  // "Extrude"
    if (height_) SetHeight(form, *height_);
    form.Fire("Command3_Click");  // "Get from a Picture"
    // The drawing area publishes the number of points the path holds.
    const ks::Control* area = form.FindControl("Picture1");
    tracedPoints = area && area->value.IsNumeric() ? area->value.ToLong() : 0;
    if (tracedPoints > 0) form.Fire("cmdGetObj_Click");
    // A refused build leaves the dialog open: give up as a person would.
    if (!form.Closed()) form.Fire("cmdCancel_Click");
    if (!form.Closed()) form.RequestClose();
  }
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon,
                           std::string_view) override {
    messages.emplace_back(text);
    return buttons == ks::MsgButtons::YesNo ? ks::MsgResult::No : ks::MsgResult::OK;
  }
  // The picture question is answered once; any further question is cancelled.
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest&) override {
    if (answered_) return std::nullopt;
    answered_ = true;
    return picture_;
  }
  void SetScreenPointer(int) override {}
  void DoEvents() override {}

 private:
  // As the person would type it into the extrusion grid's "Height" row.
  static void SetHeight(ks::Form& form, int height) {
    const ks::Control* grid = form.FindControl("KsProperties3");
    if (!grid || !grid->value.IsObject())
      throw ks::ComError(ks::err::kObjectRequired, "the path dialog has no extrusion grid");
    std::vector<ks::Variant> args{ks::Variant(int32_t{0}), ks::Variant(int32_t{height})};
    ks::CallId(grid->value.ToObject(), ks::grid::kSetRowValue, args);
  }

  std::string picture_;
  std::optional<int> height_;
  bool answered_ = false;
};

}  // namespace

TraceOutcome TraceThroughDialog(ks::Runtime& rt, const TraceOptions& options) {
  const std::string picture = std::filesystem::absolute(options.picture).string();
  auto person = std::make_shared<TracingPerson>(picture, options.height);
  rt.SetPerson(person);
  ks::ObjectRef plugIn = rt.CreateObject(kPlugInClass);
  std::vector<ks::Variant> args{ks::Variant(rt.CreateObject("Kestrel.CKsObject"))};
  ks::Call(plugIn, "ExecutePlugIn", args);
  TraceOutcome outcome;
  outcome.object = std::dynamic_pointer_cast<ks::CKsObject>(args[0].ToObject());
  outcome.tracedPoints = person->tracedPoints;
  outcome.messages = person->messages;
  return outcome;
}

int RunTrace(AppContext& ctx, const TraceOptions& options, std::ostream& out, std::ostream& err) {
  if (!ctx.modules.Preload(!options.render.output.empty(), !options.exportFile.empty(), err))
    return kExitFailed;
  TraceOutcome outcome;
  try {
    outcome = TraceThroughDialog(ctx.runtime, options);
  } catch (const ks::ComError& e) {
    err << "kestrel: " << e.description() << "\n";
    return kExitFailed;
  }
  const ks::KsObjectRef& object = outcome.object;
  if (!object) {
    if (outcome.tracedPoints == 0 && outcome.messages.empty())
      err << "kestrel: no outline found in " << options.picture.string() << "\n";
    for (const std::string& message : outcome.messages) err << "kestrel: " << message << "\n";
    if (outcome.tracedPoints > 0 && outcome.messages.empty())
      err << "kestrel: the path dialog built no object\n";
    return kExitFailed;
  }

  ks::KsSceneRef scene = SceneWithObject(object);
  SceneReport report{*scene, options.picture.string(), 1, options.geometry};
  if (options.json) {
    WriteSceneJson(out, report);
  } else {
    out << "traced " << outcome.tracedPoints << " points from " << options.picture.string() << "\n";
    WriteSceneSummary(out, report);
  }
  if (!options.exportFile.empty()) {
    try {
      ctx.modules.Export().exportScene(*scene, options.exportFile);
    } catch (const ks::ComError& e) {
      err << "kestrel: " << e.description() << "\n";
      return kExitFailed;
    }
    if (!options.json) out << "exported to " << options.exportFile.string() << "\n";
  }
  if (!options.render.output.empty()) {
    if (int rc = WriteScenePicture(ctx.modules, *scene, options.render, err); rc != kExitOk)
      return rc;
    if (!options.json) out << "rendered to " << options.render.output.string() << "\n";
  }
  return kExitOk;
}

void AddTraceCommand(CLI::App& app, CommandRunner& runner) {
  auto* cmd = app.add_subcommand(
      "trace", "Trace the outline of the first dark shape in a picture and extrude it");
  auto options = std::make_shared<TraceOptions>();
  cmd->add_option("PICTURE", options->picture, "picture file (PNG, JPEG, BMP, GIF)")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("--height", options->height, "extrusion height (1 to 100; default 40)")
      ->check(CLI::Range(1, 100));
  cmd->add_option("--export", options->exportFile,
                  "also write the object to this file (format from its extension)");
  AddRenderOptions(*cmd, options->render, "--render");
  auto* json = cmd->add_flag("--json", options->json, "print the result as one JSON document");
  cmd->add_flag("--geometry", options->geometry, "with --json: include vertices and triangles")
      ->needs(json);
  cmd->callback([&runner, options] {
    runner = [options](AppContext& ctx) { return RunTrace(ctx, *options, std::cout, std::cerr); };
  });
}

}  // namespace kestrel
