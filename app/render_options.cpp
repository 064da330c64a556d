#include "app/render_options.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "app/modules/module_api.h"

namespace kestrel {
namespace {

constexpr int kLargestSide = 8192;

bool ParseSide(std::string_view text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 1 &&
         value <= kLargestSide;
}

}  // namespace

bool ParsePictureSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseSide(std::string_view(text).substr(0, x), width) &&
         ParseSide(std::string_view(text).substr(x + 1), height);
}

CLI::Option* AddRenderOptions(CLI::App& cmd, RenderOptions& options,
                              const std::string& outputNames) {
  CLI::Option* output =
      cmd.add_option(outputNames, options.output,
                     "write a rendered picture of the result to this file (PNG; JPEG or BMP by "
                     "extension)");
  cmd.add_option("--size", options.size, "picture size WxH in pixels (default 1024x768)")
      ->check([](const std::string& text) {
        int w = 0, h = 0;
        return ParsePictureSize(text, w, h)
                   ? std::string()
                   : "\"" + text + "\" is not a size WxH with sides from 1 to 8192";
      })
      ->needs(output);
  cmd.add_option("--view", options.view, "camera: iso, front, top or side (default iso)")
      ->check(CLI::IsMember({"iso", "front", "top", "side"}))
      ->needs(output);
  cmd.add_flag("--wireframe", options.wireframe, "draw the triangle edges over the surfaces")
      ->needs(output);
  return output;
}

int WriteScenePicture(Modules& modules, ks::CKsScene& scene, const RenderOptions& options,
                      std::ostream& err) {
  PictureJob job;
  job.output = options.output;
  ParsePictureSize(options.size, job.width, job.height);
  job.view = options.view;
  job.wireframe = options.wireframe;
  return modules.Render().writeScenePicture(scene, job, err);
}

}  // namespace kestrel
