#pragma once
// A picture of a scene written to a file: rendered headless, saved in the
// format the file's extension names.
#include <ostream>

#include "app/modules/module_api.h"
#include "host/ks_scene.h"

namespace kestrel::render {

// PNG when the output has no extension. Returns kExitOk, or kExitFailed with
// the reason on err.
int WriteScenePicture(ks::CKsScene& scene, const PictureJob& job, std::ostream& err);

}  // namespace kestrel::render
