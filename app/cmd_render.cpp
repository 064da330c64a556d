// kestrel render FILE [--format obj|dxf|3ds|inc] [import options] -o OUT.png
//                     [--size WxH] [--view iso|front|top|side] [--wireframe]
//
// Imports FILE through the KsImport plug-in, as `kestrel import` does, and
// writes a picture of the scene as the viewport shows it, without needing a
// display server.
#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"
#include "app/plugin_import.h"
#include "app/render_options.h"

namespace kestrel {
namespace {

struct RenderCommandOptions {
  ImportOptions import;
  RenderOptions picture;
};

int RunRender(AppContext& ctx, const RenderCommandOptions& opt) {
  if (!ctx.modules.Preload(true, false, std::cerr)) return kExitFailed;
  ImportOutcome outcome = ImportThroughPlugin(ctx, opt.import);
  if (!outcome.finished) return outcome.exitCode;
  int rc = WriteScenePicture(ctx.modules, *outcome.scene, opt.picture, std::cerr);
  if (rc != kExitOk) return rc;
  std::cout << "rendered " << opt.import.file << " to " << opt.picture.output.string() << "\n";
  return outcome.exitCode;
}

}  // namespace

void AddRenderCommand(CLI::App& app, CommandRunner& runner) {
  auto opt = std::make_shared<RenderCommandOptions>();
  auto* cmd = app.add_subcommand(
      "render", "Import a mesh file through the KsImport plug-in and render a picture of it");
  AddImportOptions(*cmd, opt->import);
  AddRenderOptions(*cmd, opt->picture, "-o,--output")->required();
  cmd->callback(
      [&runner, opt] { runner = [opt](AppContext& ctx) { return RunRender(ctx, *opt); }; });
}

}  // namespace kestrel
