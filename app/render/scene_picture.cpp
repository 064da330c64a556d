#include "app/render/scene_picture.h"

#include "app/commands.h"
#include "app/render/headless_renderer.h"

namespace kestrel::render {

int WriteScenePicture(ks::CKsScene& scene, const PictureJob& job, std::ostream& err) {
  PictureRequest request;
  request.width = job.width;
  request.height = job.height;
  ParseViewPreset(job.view, request.view);
  request.wireframe = job.wireframe;
  request.transparent = job.transparent;
  try {
    HeadlessRenderer renderer;
    QImage picture = renderer.Render(scene, request);
    std::error_code ec;
    if (job.output.has_parent_path())
      std::filesystem::create_directories(job.output.parent_path(), ec);
    const bool named = job.output.has_extension();
    if (!picture.save(QString::fromStdString(job.output.string()), named ? nullptr : "PNG")) {
      err << "kestrel: cannot write the picture " << job.output.string()
          << (named ? " (is the folder writable and the extension png, jpg or bmp?)" : "") << "\n";
      return kExitFailed;
    }
  } catch (const std::exception& e) {
    err << "kestrel: " << e.what() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kestrel::render
