// kestrel path --points "x,y x,y ..." (--extrude [--height H] |
//   --rotate [--sections N] [--angle DEG] [--close-path] [--open-seam]
//            [--translate Y,Z | X,Y,Z] [--axis X])
//   [--export OUT] [--json [--geometry]]
//
// Builds an object from a clicked path through the KsObjPath plug-in, created
// by class name as any host would: a scripted person works the plug-in's
// dialog. Prints the object (summary, or JSON) and can export it.
#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/commands.h"
#include "app/modules/module_api.h"
#include "app/render_options.h"
#include "app/scene_report.h"
#include "app/scripted_path_person.h"
#include "host/ks_object.h"
#include "host/runtime.h"

namespace kestrel {
namespace {

constexpr const char* kPlugInClass = "KsObjPath.CPlugIn";
constexpr float kAreaWidth = 266, kAreaHeight = 343;  // the drawing area, pixels

struct PathOptions {
  std::string points;
  bool extrude = false;
  bool rotate = false;
  std::optional<int32_t> height, sections, angle;
  bool closePath = false, openSeam = false;
  std::string translate;
  std::optional<float> axis;
  std::string exportFile;
  RenderOptions picture;
  bool json = false;
  bool geometry = false;
};

// Splits "a,b[,c]" into numbers; false when a part is not a number.
bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  std::stringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ',')) {
    double value = 0;
    if (!ks::ParseNumber(part, value) || !std::isfinite(value)) return false;
    out.push_back(value);
  }
  return !text.empty() && text.back() != ',';
}

// The script from the options; a message (and false) for a usage error.
bool MakeScript(const PathOptions& opt, PathScript& script, std::string& problem) {
  script.mode = opt.rotate ? PathScript::Mode::Rotate : PathScript::Mode::Extrude;
  std::stringstream tokens(opt.points);
  std::string token;
  std::vector<double> xy;
  while (tokens >> token) {
    if (!ParseNumbers(token, xy) || xy.size() != 2) {
      problem = "--points: \"" + token + "\" is not a point x,y";
      return false;
    }
    const auto x = static_cast<float>(xy[0]), y = static_cast<float>(xy[1]);
    if (!(x >= 0 && x < kAreaWidth && y >= 0 && y < kAreaHeight)) {
      std::ostringstream text;
      text << "--points: point " << script.points.size() + 1 << " (" << x << ", " << y
           << ") lies outside the drawing area (266 x 343 pixels: x from 0 to under 266, "
              "y from 0 to under 343)";
      problem = text.str();
      return false;
    }
    script.points.push_back({x, y});
  }
  if (script.points.empty()) {
    problem = "--points: no point given";
    return false;
  }
  script.height = opt.height;
  script.sections = opt.sections;
  script.angle = opt.angle;
  script.closePath = opt.closePath;
  script.openSeam = opt.openSeam;
  script.axis = opt.axis;
  if (!opt.translate.empty()) {
    std::vector<double> t;
    if (!ParseNumbers(opt.translate, t) || (t.size() != 2 && t.size() != 3)) {
      problem = "--translate: \"" + opt.translate + "\" is not Y,Z or X,Y,Z";
      return false;
    }
    // Y,Z leaves the "X" row alone.
    const size_t first = 3 - t.size();
    for (size_t i = 0; i < t.size(); ++i) script.translation[first + i] = t[i];
  }
  return true;
}

int RunPath(AppContext& ctx, const PathOptions& opt, std::ostream& out, std::ostream& err) {
  PathScript script;
  std::string problem;
  if (!MakeScript(opt, script, problem)) {
    err << "kestrel path: " << problem << "\n";
    return kExitUsage;
  }
  if (!ctx.modules.Preload(!opt.picture.output.empty(), !opt.exportFile.empty(), err))
    return kExitFailed;
  auto person = std::make_shared<ScriptedPathPerson>(script);
  ks::KsObjectRef object;
  try {
    ctx.runtime.SetPerson(person);
    ks::ObjectRef plugIn = ctx.runtime.CreateObject(kPlugInClass);
    std::vector<ks::Variant> args{ks::Variant(ctx.runtime.CreateObject("Kestrel.CKsObject"))};
    ks::Call(plugIn, "ExecutePlugIn", args);
    object = std::dynamic_pointer_cast<ks::CKsObject>(args[0].ToObject());
  } catch (const ks::ComError& e) {
    err << "kestrel: " << e.description() << "\n";
    return kExitFailed;
  }
  for (const IgnoredClick& click : person->ignored)
    err << "kestrel path: point " << click.index + 1 << " (" << click.x << ", " << click.y
        << ") ignored: it lies across the rotation axis (x = " << click.axis
        << ") from the point before it\n";
  if (!object) {
    for (const std::string& message : person->messages) err << "kestrel: " << message << "\n";
    if (person->messages.empty()) err << "kestrel: the path dialog built no object\n";
    return kExitFailed;
  }

  ks::KsSceneRef scene = SceneWithObject(object);
  SceneReport report{*scene, "", 1, opt.geometry};
  if (opt.json) {
    WriteSceneJson(out, report);
  } else {
    out << (opt.rotate ? "rotated " : "extruded ") << "a path of " << person->pathPoints
        << " points\n";
    WriteSceneSummary(out, report);
  }
  if (!opt.exportFile.empty()) {
    try {
      ctx.modules.Export().exportScene(*scene, opt.exportFile);
    } catch (const ks::ComError& e) {
      err << "kestrel: " << e.description() << "\n";
      return kExitFailed;
    }
    if (!opt.json) out << "exported to " << opt.exportFile << "\n";
  }
  if (!opt.picture.output.empty()) {
    if (int rc = WriteScenePicture(ctx.modules, *scene, opt.picture, err); rc != kExitOk) return rc;
    if (!opt.json) out << "rendered to " << opt.picture.output.string() << "\n";
  }
  return kExitOk;
}

}  // namespace

void AddPathCommand(CLI::App& app, CommandRunner& runner) {
  auto* cmd = app.add_subcommand(
      "path", "Build an object from a path clicked into the path generator's drawing area");
  auto opt = std::make_shared<PathOptions>();
  cmd->add_option("--points", opt->points,
                  "the points clicked, \"x,y x,y ...\", in drawing-area pixels (266 x 343, "
                  "origin top-left, y downwards)")
      ->required();
  auto* extrude = cmd->add_flag("--extrude", opt->extrude, "extrude the closed path");
  auto* rotate = cmd->add_flag("--rotate", opt->rotate, "rotate the path about a vertical axis");
  extrude->excludes(rotate);
  cmd->add_option("--height", opt->height, "extrusion height (1 to 100; default 40)")
      ->check(CLI::Range(1, 100))
      ->needs(extrude);
  cmd->add_option("--sections", opt->sections, "rotation sections (1 to 200; default 8)")
      ->check(CLI::Range(1, 200))
      ->needs(rotate);
  cmd->add_option("--angle", opt->angle, "rotation in whole degrees (1 to 3660; default 360)")
      ->check(CLI::Range(1, 3660))
      ->needs(rotate);
  cmd->add_flag("--close-path", opt->closePath,
                "tick \"Close Path\": join the last point to the first")
      ->needs(rotate);
  cmd->add_flag("--open-seam", opt->openSeam,
                "\"Close Last polygons\" False: leave the last position unjoined to the first")
      ->needs(rotate);
  cmd->add_option("--translate", opt->translate,
                  "sweep along a translation while rotating: Y,Z or X,Y,Z (model units)")
      ->needs(rotate);
  cmd->add_option("--axis", opt->axis,
                  "x of the rotation axis in drawing-area pixels (1 to 261; default 7)")
      ->check(CLI::Range(1.0, 261.0))
      ->needs(rotate);
  cmd->add_option("--export", opt->exportFile,
                  "also write the object to this file (format from its extension)");
  AddRenderOptions(*cmd, opt->picture, "--render");
  auto* json = cmd->add_flag("--json", opt->json, "print the result as one JSON document");
  cmd->add_flag("--geometry", opt->geometry, "with --json: include vertices and triangles")
      ->needs(json);
  cmd->callback([&runner, opt] {
    if (!opt->extrude && !opt->rotate) throw CLI::RequiredError("--extrude or --rotate");
    runner = [opt](AppContext& ctx) { return RunPath(ctx, *opt, std::cout, std::cerr); };
  });
}

}  // namespace kestrel
