#include "readers/dxf_blocks.h"

#include <cmath>
#include <numbers>

namespace ks::readers {

namespace {

using Vec = std::array<double, 3>;

Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec Unit(const Vec& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

}  // namespace

DxfPlacement DxfPlacement::operator*(const DxfPlacement& inner) const {
  DxfPlacement out;
  for (size_t r = 0; r < 3; ++r) {
    for (size_t c = 0; c < 4; ++c) {
      double sum = c == 3 ? m[r][3] : 0.0;
      for (size_t k = 0; k < 3; ++k) sum += m[r][k] * inner.m[k][c];
      out.m[r][c] = sum;
    }
  }
  return out;
}

std::array<double, 3> DxfPlacement::Apply(double x, double y, double z) const {
  std::array<double, 3> out{};
  for (size_t r = 0; r < 3; ++r) out[r] = m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3];
  return out;
}

DxfPlacement ObjectToWorld(const std::array<double, 3>& extrusion) {
  const double length = std::sqrt(extrusion[0] * extrusion[0] + extrusion[1] * extrusion[1] +
                                  extrusion[2] * extrusion[2]);
  if (!(length > 0) || !std::isfinite(length)) return {};
  const Vec n = Unit(extrusion);
  // Near the world z axis the x axis comes from the world y axis, elsewhere
  // from the world z axis.
  constexpr double kNearZ = 1.0 / 64;
  const Vec ax = Unit(std::abs(n[0]) < kNearZ && std::abs(n[1]) < kNearZ ? Cross({0, 1, 0}, n)
                                                                         : Cross({0, 0, 1}, n));
  const Vec ay = Unit(Cross(n, ax));
  DxfPlacement p;
  for (size_t r = 0; r < 3; ++r) p.m[r] = {ax[r], ay[r], n[r], 0};
  return p;
}

DxfPlacement DxfInsert::Placement(const std::array<double, 3>& base, int32_t column,
                                  int32_t row) const {
  const double turn = rotation * std::numbers::pi / 180.0;
  const double c = std::cos(turn), s = std::sin(turn);
  // Scale about the base point, step to the array cell, turn about z, move
  // to the insertion point.
  const double cellX = column * columnSpacing, cellY = row * rowSpacing;
  DxfPlacement local;
  local.m[0] = {c * scale[0], -s * scale[1], 0,
                c * (cellX - scale[0] * base[0]) - s * (cellY - scale[1] * base[1]) + point[0]};
  local.m[1] = {s * scale[0], c * scale[1], 0,
                s * (cellX - scale[0] * base[0]) + c * (cellY - scale[1] * base[1]) + point[1]};
  local.m[2] = {0, 0, scale[2], -scale[2] * base[2] + point[2]};
  return ObjectToWorld(extrusion) * local;
}

}  // namespace ks::readers
