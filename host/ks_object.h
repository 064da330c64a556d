#pragma once
// "Kestrel.CKsObject": the host's mesh object.
//
// Storage is compact: x, y, z floats per vertex, three vertex numbers per
// triangle, and (only once normals are set or computed) nine floats of corner
// normals per triangle plus one byte per triangle saying which corners carry a
// normal that was handed in (explicit normals). Corners without an explicit
// normal get the face normal, or a smoothed one after Get_Surface or
// SmoothNormalsAdaptive.
//
// Numbering: vertices, triangles and polygons count from 0, as do array
// indices in error descriptions. A 4-corner polygon becomes triangles 1-2-3 and
// 3-4-1.
//
// Every call that hands in geometry is validated in full before anything
// changes, so a failed call leaves the object as it was. Errors are ComErrors
// with number err::kBadData (malformed geometry), err::kTypeMismatch (array of
// the wrong element type), err::kInvalidCall (bad argument value) or
// err::kSubscriptOutOfRange (triangle run outside the object).
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dispatch.h"
#include "ks_color.h"

namespace ks {

class CKsMaterial;

struct BoundingBox {
  std::array<float, 3> min{0, 0, 0};
  std::array<float, 3> max{0, 0, 0};
  bool empty = true;  // no vertex with finite coordinates
  std::array<float, 3> Size() const { return {max[0] - min[0], max[1] - min[1], max[2] - min[2]}; }
};

class CKsObject : public DispatchObject<CKsObject> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.CKsObject";
  static void BuildMembers(MemberTable<CKsObject>& t);

  // ---- Geometry (typed; the late-bound members call these) ----
  // Appends x, y, z triples; the size must be a multiple of 3.
  void AddVertices(std::span<const float> xyz);
  // As AddVertices, but an object without vertices takes the array over
  // instead of copying it; xyz is then left empty (otherwise unchanged).
  void AddVertices(std::vector<float>&& xyz);
  // Polygon records: corner count (3 or 4) then its vertex numbers; a count of
  // 0 ends the array.
  void AddPolygons(std::span<const int32_t> records);
  // As AddPolygons, but an object without triangles whose records are all
  // triangles turns the array into its triangle list in place and takes it
  // over; records is then left empty (otherwise unchanged).
  void AddPolygons(std::vector<int32_t>&& records);
  // Vertex triples, one per triangle, no counts.
  void AddTriangles(std::span<const int32_t> triples);
  // As AddTriangles, but an object without triangles takes the array over;
  // triples is then left empty (otherwise unchanged).
  void AddTriangles(std::vector<int32_t>&& triples);
  // Records of 10: triangle number, then x, y, z of its three corner normals.
  // A corner normal of zero length means "no normal": that corner is computed.
  void SetPolygonNormals(std::span<const float> records);
  // As SetPolygonNormals, but an object without normals yet whose records are
  // one per triangle in triangle order moves them together in place and keeps
  // the array as its corner normals; records is then left empty (otherwise
  // unchanged).
  void SetPolygonNormals(std::vector<float>&& records);
  void SetPolygonNormal(int32_t triangle, std::span<const float, 9> normals);
  // Smooths computed corner normals over triangles first..last (inclusive).
  void GetSurface(int32_t first, int32_t last);
  void SmoothNormalsAdaptive(double angleDegrees);
  // Moves the vertices so that the bounding-box centre is at the origin;
  // returns the offset added to every vertex (zero for an empty object).
  std::array<float, 3> Center();
  // Adds offset to every vertex (the other objects of an import follow the
  // offset that centred its first object, so their layout is kept).
  void MoveVertices(std::array<float, 3> offset);
  // Removes all geometry and normals; name, colour, material, position stay.
  void Clear();

  // ---- Typed accessors ----
  int32_t VertexCount() const { return static_cast<int32_t>(vertices_.size() / 3); }
  int32_t TriangleCount() const { return static_cast<int32_t>(triangles_.size() / 3); }
  std::span<const float> Vertices() const { return vertices_; }      // x, y, z per vertex
  std::span<const int32_t> Triangles() const { return triangles_; }  // 3 per triangle
  // Nine floats per triangle (x, y, z at corners 1, 2, 3): explicit normals as
  // handed in, face or smoothed normals elsewhere. Computed on first use.
  std::span<const float> CornerNormals();
  // The corner normals held so far, without computing any: may cover fewer
  // triangles than exist (those after them have their face normals) or none.
  // Reading them leaves the object unchanged, so another thread may.
  std::span<const float> HeldCornerNormals() const { return normals_; }
  bool HasExplicitNormal(int32_t triangle, int corner) const;
  // Triangles with at least one explicit corner normal.
  int32_t NormalTriangleCount() const { return normalTriangles_; }
  BoundingBox Bounds() const;
  // Bytes of geometry storage the object holds, spare capacity included.
  size_t HeldBytes() const;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& MaterialKey() const { return materialKey_; }
  void SetMaterialKey(std::string key) { materialKey_ = std::move(key); }
  int32_t DefaultColor() const { return color_; }
  void SetDefaultColor(int32_t color) { color_ = color; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  std::array<float, 3> Position() const { return position_; }
  void SetPosition(std::array<float, 3> p) { position_ = p; }

  // Set by the scene's object list.
  const std::string& Key() const { return key_; }
  void SetKey(std::string key) { key_ = std::move(key); }
  // Key of the first object of the import run this object came with (empty
  // when it was added on its own): the scene keeps such objects as one group.
  const std::string& GroupKey() const { return groupKey_; }
  void SetGroupKey(std::string key) { groupKey_ = std::move(key); }
  // The scene material bound by Assign_MaterialToObject (may be null).
  const std::shared_ptr<CKsMaterial>& Material() const { return material_; }
  void SetMaterial(std::shared_ptr<CKsMaterial> m) { material_ = std::move(m); }

 private:
  void EnsureNormals();
  // Appends the corner normals of the next count triangles: face normals,
  // zeros for a triangle t (counted from the first appended) with skip[t] set,
  // whose normals are set next.
  void AppendFaceNormals(size_t count, std::span<const uint8_t> skip);
  // Writes a triangle's corner normals n to out (which may overlap n), the
  // face normal where a corner's is of zero length; returns the bits of the
  // corners given.
  uint8_t WriteCornerNormals(int32_t triangle, std::span<const float, 9> n, float* out) const;
  void CheckVertexLimit(size_t addedVertices) const;
  void CheckTriangleLimit(size_t addedTriangles) const;
  struct PolygonScan {
    size_t end = 0;  // index behind the last record (at the ending 0, if any)
    size_t triangles = 0;
    bool allTriangles = true;
  };
  // Validates polygon records in full; throws on the first fault.
  PolygonScan ScanPolygons(std::span<const int32_t> records) const;
  // Validates vertex triples in full; throws on the first fault.
  void CheckTriples(std::span<const int32_t> triples) const;
  void AppendPolygons(std::span<const int32_t> records, const PolygonScan& scan);

  std::vector<float> vertices_;
  std::vector<int32_t> triangles_;
  // Filled lazily: may cover fewer triangles than exist (the rest have face
  // normals, filled in by EnsureNormals).
  std::vector<float> normals_;         // 9 per triangle
  std::vector<uint8_t> explicitMask_;  // bit c: corner c explicit; empty = none at all
  int32_t normalTriangles_ = 0;

  std::string name_;
  std::string materialKey_;
  std::string key_;
  std::string groupKey_;
  int32_t color_ = kDefaultObjectColor;
  bool visible_ = true;
  std::array<float, 3> position_{0, 0, 0};
  std::shared_ptr<CKsMaterial> material_;
};

using KsObjectRef = std::shared_ptr<CKsObject>;

}  // namespace ks
