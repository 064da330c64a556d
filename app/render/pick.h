#pragma once
// Click picking: the object whose triangle is nearest to the viewer under a
// point of the view, as the camera draws the scene.
#include <string>

#include "app/render/camera.h"
#include "host/ks_scene.h"

namespace kestrel::render {

// x, y: the point in pixels of a view of width × height (origin top left).
// Returns the key of the visible object hit first, or "" when the ray from
// the eye through that point meets no visible triangle.
std::string PickObject(ks::CKsScene& scene, const Camera& camera, int width, int height, float x,
                       float y);

}  // namespace kestrel::render
