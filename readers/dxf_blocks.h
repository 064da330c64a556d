#pragma once
// DXF block definitions and the INSERT entities that place them: the faces a
// BLOCK ... ENDBLK section defines, and where each insert puts a copy of them.
//
// An insert places its block's faces, taken relative to the block's base
// point, scaled by (41, 42, 43), moved by its column and row in a MINSERT
// array (70 columns 44 apart, 71 rows 45 apart), turned by its rotation (50,
// degrees about its z axis) and moved to its insertion point (10, 20, 30);
// all of that in the object coordinate system of its extrusion direction
// (210, 220, 230), which the arbitrary axis rule turns into world coordinates.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ks::readers {

// A 3 × 4 matrix: rotation, scale and shear, then a translation.
struct DxfPlacement {
  std::array<std::array<double, 4>, 3> m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};

  // This placement after `inner`: applies inner first.
  DxfPlacement operator*(const DxfPlacement& inner) const;
  std::array<double, 3> Apply(double x, double y, double z) const;
};

struct DxfInsert {
  std::string block;
  std::array<double, 3> point{0, 0, 0};
  std::array<double, 3> scale{1, 1, 1};
  double rotation = 0;  // degrees
  std::array<double, 3> extrusion{0, 0, 1};
  int32_t columns = 1;
  int32_t rows = 1;
  double columnSpacing = 0;
  double rowSpacing = 0;
  int64_t line = 0;  // where the insert was read

  // The placement of its copy at (column, row) of a block whose base point
  // is base.
  DxfPlacement Placement(const std::array<double, 3>& base, int32_t column, int32_t row) const;
};

struct DxfBlock {
  std::string name;
  std::array<double, 3> base{0, 0, 0};
  std::vector<float> vertices;     // x, y, z per vertex, as the block defines them
  std::vector<int32_t> triangles;  // three of the block's vertex numbers per triangle
  std::vector<DxfInsert> inserts;  // blocks placed inside this one
};

// World axes of the object coordinate system whose z axis is the extrusion
// direction (the arbitrary axis rule); a zero direction counts as (0, 0, 1).
DxfPlacement ObjectToWorld(const std::array<double, 3>& extrusion);

}  // namespace ks::readers
