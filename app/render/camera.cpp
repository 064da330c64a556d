#include "app/render/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrel::render {
namespace {

constexpr float kFrameMargin = 1.08f;

float Radians(float degrees) {
  return degrees * std::numbers::pi_v<float> / 180;
}

}  // namespace

bool ParseViewPreset(std::string_view name, ViewPreset& view) {
  if (name == "iso")
    view = ViewPreset::Iso;
  else if (name == "front")
    view = ViewPreset::Front;
  else if (name == "top")
    view = ViewPreset::Top;
  else if (name == "side")
    view = ViewPreset::Side;
  else
    return false;
  return true;
}

void Camera::SetView(ViewPreset view) {
  switch (view) {
    case ViewPreset::Iso:
      yaw_ = 45, pitch_ = 35.264f;
      break;
    case ViewPreset::Front:
      yaw_ = 0, pitch_ = 0;
      break;
    case ViewPreset::Top:
      yaw_ = 0, pitch_ = 90;
      break;
    case ViewPreset::Side:
      yaw_ = 90, pitch_ = 0;
      break;
  }
}

void Camera::Frame(const ViewSphere& sphere, float aspect) {
  target_ = sphere.center;
  sceneRadius_ = std::max(sphere.radius, 1e-3f);
  // The narrower of the two view angles decides.
  float halfY = Radians(kFieldOfViewDegrees) / 2;
  float halfX = std::atan(std::tan(halfY) * std::max(aspect, 1e-3f));
  float half = std::min(halfX, halfY);
  distance_ = sceneRadius_ * kFrameMargin / std::sin(half);
}

void Camera::Orbit(float yawDegrees, float pitchDegrees) {
  yaw_ = std::fmod(yaw_ + yawDegrees, 360.f);
  pitch_ = std::clamp(pitch_ + pitchDegrees, -90.f, 90.f);
}

void Camera::Pan(float rightFraction, float upFraction) {
  // One view height at the target's distance.
  float height = 2 * distance_ * std::tan(Radians(kFieldOfViewDegrees) / 2);
  QMatrix4x4 inverse = RotationMatrix().transposed();
  QVector3D right = inverse.map(QVector3D(1, 0, 0));
  QVector3D up = inverse.map(QVector3D(0, 1, 0));
  target_ -= (right * rightFraction + up * upFraction) * height;
}

void Camera::Zoom(float steps) {
  distance_ =
      std::clamp(distance_ * std::pow(0.9f, steps), sceneRadius_ * 1e-3f, sceneRadius_ * 1e3f);
}

QMatrix4x4 Camera::RotationMatrix() const {
  QMatrix4x4 m;
  m.rotate(pitch_, 1, 0, 0);
  m.rotate(-yaw_, 0, 1, 0);
  return m;
}

QMatrix4x4 Camera::ViewMatrix() const {
  QMatrix4x4 m;
  m.translate(0, 0, -distance_);
  m *= RotationMatrix();
  m.translate(-target_);
  return m;
}

QMatrix4x4 Camera::ProjectionMatrix(float aspect) const {
  // Near and far planes hug the scene so that depth keeps its precision.
  float farPlane = distance_ + sceneRadius_ * 4;
  float nearPlane = std::max(distance_ - sceneRadius_ * 4, farPlane * 1e-4f);
  QMatrix4x4 m;
  m.perspective(kFieldOfViewDegrees, std::max(aspect, 1e-3f), nearPlane, farPlane);
  return m;
}

}  // namespace kestrel::render
