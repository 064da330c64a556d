#include "app/render/pick.h"

#include <cmath>
#include <limits>

namespace kestrel::render {
namespace {

// Distance along the ray (origin o, direction d) to triangle a, b, c, or
// infinity when it misses (both faces count: meshes do not agree on winding).
float HitDistance(const QVector3D& o, const QVector3D& d, const QVector3D& a, const QVector3D& b,
                  const QVector3D& c) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const QVector3D e1 = b - a, e2 = c - a;
  const QVector3D p = QVector3D::crossProduct(d, e2);
  const float det = QVector3D::dotProduct(e1, p);
  if (std::fabs(det) < 1e-12f) return kInf;
  const float inv = 1 / det;
  const QVector3D s = o - a;
  const float u = QVector3D::dotProduct(s, p) * inv;
  if (u < 0 || u > 1) return kInf;
  const QVector3D q = QVector3D::crossProduct(s, e1);
  const float v = QVector3D::dotProduct(d, q) * inv;
  if (v < 0 || u + v > 1) return kInf;
  const float t = QVector3D::dotProduct(e2, q) * inv;
  return t > 0 ? t : kInf;
}

}  // namespace

std::string PickObject(ks::CKsScene& scene, const Camera& camera, int width, int height, float x,
                       float y) {
  if (width <= 0 || height <= 0) return {};
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  const QMatrix4x4 inverse = (camera.ProjectionMatrix(aspect) * camera.ViewMatrix()).inverted();
  const float nx = 2 * x / static_cast<float>(width) - 1;
  const float ny = 1 - 2 * y / static_cast<float>(height);
  const QVector3D nearPoint = inverse.map(QVector3D(nx, ny, -1));
  const QVector3D farPoint = inverse.map(QVector3D(nx, ny, 1));
  const QVector3D direction = (farPoint - nearPoint).normalized();

  std::string best;
  float bestT = std::numeric_limits<float>::infinity();
  for (const ks::KsObjectRef& object : scene.ObjectList()->Objects()) {
    if (!object->Visible()) continue;
    const auto p = object->Position();
    // The ray in the object's own coordinates.
    const QVector3D origin = nearPoint - QVector3D(p[0], p[1], p[2]);
    const auto v = object->Vertices();
    const auto t = object->Triangles();
    auto at = [&](int32_t i) {
      const size_t k = static_cast<size_t>(i) * 3;
      return QVector3D(v[k], v[k + 1], v[k + 2]);
    };
    for (size_t i = 0; i + 2 < t.size(); i += 3) {
      const float hit = HitDistance(origin, direction, at(t[i]), at(t[i + 1]), at(t[i + 2]));
      if (hit < bestT) {
        bestT = hit;
        best = object->Key();
      }
    }
  }
  return best;
}

}  // namespace kestrel::render
