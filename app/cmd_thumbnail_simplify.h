#pragma once
// Thumbnails of large scenes: a mesh of millions of triangles shows no more
// at a few hundred pixels than one of a few hundred thousand, and draws in a
// fraction of the time. Vertices are merged per cell of a grid laid over the
// scene's bounds (cells about a pixel of the thumbnail wide), and
// triangles that collapse or repeat are dropped.
#include <cstdint>

#include "host/ks_scene.h"

namespace kestrel {

// When the scene holds more than `budget` triangles, every object is reduced
// to the cells of a grid `cellsAcross` cells along the scene's longest side.
// Returns the scene's triangle count afterwards.
int64_t SimplifyForThumbnail(ks::CKsScene& scene, int64_t budget, int cellsAcross);

}  // namespace kestrel
