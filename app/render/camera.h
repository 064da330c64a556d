#pragma once
// The viewing camera shared by the viewport and headless rendering: it orbits
// a target point at a distance, looking along yaw (about model y, which points
// up) and pitch (above the ground plane). Mouse moves in the viewport and the
// named views of `kestrel render` both work on it.
#include <QMatrix4x4>
#include <QVector3D>
#include <string_view>

namespace kestrel::render {

enum class ViewPreset { Iso, Front, Top, Side };

// "iso", "front", "top", "side"; false for any other name.
bool ParseViewPreset(std::string_view name, ViewPreset& view);

// A sphere around what is to be seen.
struct ViewSphere {
  QVector3D center;
  float radius = 1;
};

class Camera {
 public:
  static constexpr float kFieldOfViewDegrees = 35;

  void SetView(ViewPreset view);
  // Places the target at the sphere's centre and backs off until the sphere
  // fills the view of the given aspect (width / height) with a small margin.
  void Frame(const ViewSphere& sphere, float aspect);

  // Turns about the target by degrees of yaw and pitch; pitch stays within
  // straight down and straight up.
  void Orbit(float yawDegrees, float pitchDegrees);
  // Moves the target across the view by a fraction of the view's height.
  void Pan(float rightFraction, float upFraction);
  // Positive steps move closer, negative away; each step is 10 %.
  void Zoom(float steps);

  QMatrix4x4 ViewMatrix() const;
  // Only the turn of the view, for the axis gizmo.
  QMatrix4x4 RotationMatrix() const;
  QMatrix4x4 ProjectionMatrix(float aspect) const;

  float Yaw() const { return yaw_; }
  float Pitch() const { return pitch_; }
  float Distance() const { return distance_; }
  QVector3D Target() const { return target_; }

 private:
  QVector3D target_{0, 0, 0};
  float distance_ = 10;
  float yaw_ = 45;
  float pitch_ = 35.264f;  // the isometric elevation
  float sceneRadius_ = 1;
};

}  // namespace kestrel::render
