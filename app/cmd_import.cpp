// kestrel import FILE [--format obj|dxf|3ds|inc] [--normals] [--smooth-all] [--split-objects]
//                     [--materials] [--auto-smooth] [--export OUT] [--json [--geometry]]
//
// Imports FILE into a fresh scene through the KsImport plug-in, prints the
// scene (summary, or JSON) and can export it.
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"
#include "app/modules/module_api.h"
#include "app/plugin_import.h"
#include "app/scene_report.h"

namespace kestrel {
namespace {

struct ImportCommandOptions {
  ImportOptions import;
  std::string exportFile;
  bool json = false;
  bool geometry = false;
};

int RunImport(AppContext& ctx, const ImportCommandOptions& opt) {
  if (!ctx.modules.Preload(false, !opt.exportFile.empty(), std::cerr)) return kExitFailed;
  ImportOutcome outcome = ImportThroughPlugin(ctx, opt.import);
  if (!outcome.finished) return outcome.exitCode;
  SceneReport report{*outcome.scene, opt.import.file, outcome.selectedObject, opt.geometry,
                     &outcome.warnings};
  if (opt.json)
    WriteSceneJson(std::cout, report);
  else
    WriteSceneSummary(std::cout, report);
  std::cout.flush();
  if (!opt.exportFile.empty()) {
    try {
      std::filesystem::path out(opt.exportFile);
      std::error_code ec;
      if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
      ctx.modules.Export().exportScene(*outcome.scene, out);
    } catch (const ks::ComError& e) {
      std::cerr << "kestrel: " << e.description() << "\n";
      return kExitFailed;
    }
  }
  return outcome.exitCode;
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandRunner& runner) {
  auto opt = std::make_shared<ImportCommandOptions>();
  auto* cmd = app.add_subcommand("import", "Import a mesh file through the KsImport plug-in");
  AddImportOptions(*cmd, opt->import);
  cmd->add_option("--export", opt->exportFile,
                  "write the scene to OUT; format by extension (obj, ply, stl, glb, gltf, ...)");
  auto* json = cmd->add_flag("--json", opt->json, "print the scene as one JSON document");
  cmd->add_flag("--geometry", opt->geometry,
                "with --json: add each object's vertices and triangles")
      ->needs(json);
  cmd->callback(
      [&runner, opt] { runner = [opt](AppContext& ctx) { return RunImport(ctx, *opt); }; });
}

}  // namespace kestrel
