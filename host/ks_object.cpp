#include "ks_object.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "large_memory.h"
#include "mesh_normals.h"

namespace ks {
namespace {

// Corner numbers (triangle * 3 + corner) must stay within a Long.
constexpr size_t kMaxTriangles = std::numeric_limits<int32_t>::max() / 3;
constexpr size_t kMaxVertices = std::numeric_limits<int32_t>::max();

[[noreturn]] void Fail(int32_t number, std::string_view member, const std::string& what) {
  throw ComError(number, std::string(member) + ": " + what, std::string(CKsObject::kClassName));
}
[[noreturn]] void BadData(std::string_view member, const std::string& what) {
  Fail(err::kBadData, member, what);
}

std::string Num(size_t n) {
  return std::to_string(n);
}

std::string Plural(size_t n, std::string_view word) {
  return Num(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

const std::vector<float>& SingleArrayArg(std::span<Variant> args, size_t i,
                                         std::string_view member) {
  const Variant& v = Arg(args, i);
  if (v.type() != VarType::SingleArray)
    Fail(err::kTypeMismatch, member,
         "expected an array of Single, got " + std::string(TypeName(v.type())));
  return v.Singles();
}

const std::vector<int32_t>& LongArrayArg(std::span<Variant> args, size_t i,
                                         std::string_view member) {
  const Variant& v = Arg(args, i);
  if (v.type() != VarType::LongArray)
    Fail(err::kTypeMismatch, member,
         "expected an array of Long, got " + std::string(TypeName(v.type())));
  return v.Longs();
}

std::string VertexCountText(size_t n) {
  return Num(n) + (n == 1 ? " vertex" : " vertices");
}

// True when some value lies outside 0..count-1 (count below 2^31). A value v
// lies inside when neither v nor count - 1 - v is negative: the sign bits of
// both, or-ed over all values, tell at once. Subtraction and or only, in eight
// lanes, which every x86-64 does four at a time (an unsigned maximum would
// need later instructions).
bool AnyOutside(std::span<const int32_t> values, uint32_t count) {
  const uint32_t last = count - 1;  // count 0: every value lies outside
  std::array<uint32_t, 8> lanes{};
  size_t i = 0;
  for (; i + lanes.size() <= values.size(); i += lanes.size())
    for (size_t k = 0; k < lanes.size(); ++k) {
      const uint32_t v = uint32_t(values[i + k]);
      lanes[k] |= v | (last - v);
    }
  uint32_t signs = 0;
  for (; i < values.size(); ++i) signs |= uint32_t(values[i]) | (last - uint32_t(values[i]));
  for (const uint32_t lane : lanes) signs |= lane;
  return (signs >> 31) != 0;
}

[[noreturn]] void BadVertex(std::string_view member, size_t polygon, size_t index, int32_t vertex,
                            size_t vertexCount) {
  BadData(member, "polygon " + Num(polygon) + " (array index " + Num(index) + ") names vertex " +
                      std::to_string(vertex) + ", but the object has " +
                      VertexCountText(vertexCount));
}

}  // namespace

// ---------------------------------------------------------------- geometry

void CKsObject::CheckVertexLimit(size_t added) const {
  if (added > kMaxVertices - size_t(VertexCount()))
    BadData("Add_Vertices", "too many vertices for one object (at most " + Num(kMaxVertices) + ")");
}

void CKsObject::CheckTriangleLimit(size_t added) const {
  if (added > kMaxTriangles - size_t(TriangleCount()))
    BadData("Add_Poligons",
            "too many triangles for one object (at most " + Num(kMaxTriangles) + ")");
}

namespace {
void CheckWholeTriples(size_t count) {
  if (count % 3 != 0)
    BadData("Add_Vertices", "the array holds " + Plural(count, "number") +
                                ", not whole x, y, z triples (" + Plural(count % 3, "number") +
                                " left over)");
}
}  // namespace

void CKsObject::AddVertices(std::span<const float> xyz) {
  CheckWholeTriples(xyz.size());
  CheckVertexLimit(xyz.size() / 3);
  GrowLarge(vertices_, vertices_.size() + xyz.size());
  vertices_.insert(vertices_.end(), xyz.begin(), xyz.end());
}

void CKsObject::AddVertices(std::vector<float>&& xyz) {
  if (!vertices_.empty()) return AddVertices(std::span<const float>(xyz));
  CheckWholeTriples(xyz.size());
  CheckVertexLimit(xyz.size() / 3);
  vertices_ = std::move(xyz);
  xyz = {};
  TrimSpare(vertices_);
}

CKsObject::PolygonScan CKsObject::ScanPolygons(std::span<const int32_t> records) const {
  constexpr std::string_view kMember = "Add_Poligons";
  const size_t n = records.size();
  const uint32_t vertexCount = uint32_t(VertexCount());
  PolygonScan scan;
  size_t& end = scan.end;
  size_t polygons = 0;
  while (end < n) {
    const int32_t corners = records[end];
    if (corners == 0) break;  // a zero count ends the array
    if (corners != 3 && corners != 4)
      BadData(kMember, "polygon " + Num(polygons) + " (array index " + Num(end) + ") has " +
                           std::to_string(corners) + " corners; only 3 or 4 are allowed");
    if (n - end - 1 < size_t(corners))
      BadData(kMember, "polygon " + Num(polygons) + " (array index " + Num(end) + ") needs " +
                           std::to_string(corners) + " vertex numbers, but the array ends after " +
                           Num(n - end - 1));
    for (size_t i = end + 1; i <= end + size_t(corners); ++i)
      if (uint32_t(records[i]) >= vertexCount)
        BadVertex(kMember, polygons, i, records[i], vertexCount);
    scan.triangles += size_t(corners) - 2;
    scan.allTriangles &= corners == 3;
    end += size_t(corners) + 1;
    ++polygons;
  }
  CheckTriangleLimit(scan.triangles);
  return scan;
}

void CKsObject::AddPolygons(std::span<const int32_t> records) {
  AppendPolygons(records, ScanPolygons(records));
}

void CKsObject::AppendPolygons(std::span<const int32_t> records, const PolygonScan& scan) {
  // Append (a quad is triangles 1-2-3 and 3-4-1).
  GrowLarge(triangles_, triangles_.size() + scan.triangles * 3);
  // One value at a time: the room is there, and a range insert costs a call.
  for (size_t i = 0; i < scan.end;) {
    const int32_t* p = &records[i + 1];
    for (int k : {0, 1, 2}) triangles_.push_back(p[k]);
    if (records[i] == 4)
      for (int k : {2, 3, 0}) triangles_.push_back(p[k]);
    i += size_t(records[i]) + 1;
  }
}

void CKsObject::AddPolygons(std::vector<int32_t>&& records) {
  const PolygonScan scan = ScanPolygons(records);
  if (!triangles_.empty() || !scan.allTriangles) return AppendPolygons(records, scan);
  // Records of 4 (count, a, b, c) shrink to triples: each write lands at or
  // before the record being read.
  int32_t* out = records.data();
  for (size_t i = 0; i < scan.end; i += 4, out += 3) {
    const int32_t a = records[i + 1], b = records[i + 2], c = records[i + 3];
    out[0] = a;
    out[1] = b;
    out[2] = c;
  }
  records.resize(scan.triangles * 3);
  triangles_ = std::move(records);
  records = {};
  TrimSpare(triangles_);
}

void CKsObject::CheckTriples(std::span<const int32_t> triples) const {
  constexpr std::string_view kMember = "Add_Poligons";
  if (triples.size() % 3 != 0)
    BadData(kMember, "3 corners per polygon, but the array holds " +
                         Plural(triples.size(), "number") + " (" +
                         Plural(triples.size() % 3, "number") + " left over)");
  const uint32_t vertexCount = uint32_t(VertexCount());
  // The bad number is looked for only when there is one.
  if (AnyOutside(triples, vertexCount))
    for (size_t i = 0; i < triples.size(); ++i)
      if (uint32_t(triples[i]) >= vertexCount)
        BadVertex(kMember, i / 3, i, triples[i], vertexCount);
  CheckTriangleLimit(triples.size() / 3);
}

void CKsObject::AddTriangles(std::span<const int32_t> triples) {
  CheckTriples(triples);
  GrowLarge(triangles_, triangles_.size() + triples.size());
  triangles_.insert(triangles_.end(), triples.begin(), triples.end());
}

void CKsObject::AddTriangles(std::vector<int32_t>&& triples) {
  if (!triangles_.empty()) return AddTriangles(std::span<const int32_t>(triples));
  CheckTriples(triples);
  triangles_ = std::move(triples);
  triples = {};
  TrimSpare(triangles_);
}

// Normals exist only once someone needs them: then every triangle that has
// none yet (all of them, or those appended since) gets its face normal.
void CKsObject::EnsureNormals() {
  const size_t count = size_t(TriangleCount());
  if (!explicitMask_.empty()) explicitMask_.resize(count, 0);
  const size_t have = normals_.size() / 9;
  if (have == count) return;
  AppendFaceNormals(count - have, {});
}

void CKsObject::AppendFaceNormals(size_t count, std::span<const uint8_t> skip) {
  const size_t first = normals_.size() / 9;
  AppendRecords<9>(normals_, count, [&](size_t t, float* out) {
    const std::array<float, 3> n =
        t < skip.size() && skip[t] ? std::array<float, 3>{0, 0, 0}
                                   : mesh::FaceNormal(vertices_, triangles_, int32_t(first + t));
    for (int c = 0; c < 9; c += 3) {
      out[c] = n[0];
      out[c + 1] = n[1];
      out[c + 2] = n[2];
    }
  });
}

void CKsObject::SetPolygonNormals(std::span<const float> records) {
  constexpr std::string_view kMember = "Set_PoligonNormals";
  if (records.size() % 10 != 0)
    BadData(kMember, "the array holds " + Plural(records.size(), "number") +
                         ", not whole records of 10 (record " + Num(records.size() / 10) +
                         " is cut off)");
  const double triangleCount = TriangleCount();
  for (size_t r = 0; r < records.size(); r += 10) {
    const double t = records[r];
    if (!(t >= 0 && t < triangleCount) || t != std::floor(t)) {
      std::string what = "record " + Num(r / 10) + " (array index " + Num(r) + ") ";
      if (t != std::floor(t) || !std::isfinite(t))
        BadData(kMember, what + "has triangle number " + Variant(records[r]).ToString() +
                             ", not a whole number");
      BadData(kMember, what + "is for triangle " + Variant(records[r]).ToString() +
                           ", but the object has " + Plural(size_t(triangleCount), "triangle"));
    }
  }
  // Normals not worked out yet are face normals, except where a record sets
  // the triangle's three corners anyway: there the face normal is not needed.
  const size_t count = size_t(TriangleCount());
  const size_t have = normals_.size() / 9;
  if (have < count) {
    std::vector<uint8_t> recorded(count - have, 0);
    for (size_t r = 0; r < records.size(); r += 10)
      if (size_t(records[r]) >= have) recorded[size_t(records[r]) - have] = 1;
    AppendFaceNormals(count - have, recorded);
  }
  for (size_t r = 0; r < records.size(); r += 10)
    SetPolygonNormal(int32_t(records[r]), records.subspan(r + 1).first<9>());
}

void CKsObject::SetPolygonNormals(std::vector<float>&& records) {
  const size_t count = size_t(TriangleCount());
  // A Single holds every whole number only up to 2^24. Beyond that a number
  // cannot tell a triangle from its neighbours, so a record whose number is
  // its position's, rounded the same way, is taken for the triangle at its
  // position.
  const bool oneEachInOrder = [&] {
    if (count == 0 || records.size() != count * 10) return false;
    for (size_t t = 0; t < count; ++t)
      if (records[t * 10] != float(t)) return false;
    return true;
  }();
  if (!normals_.empty() || !oneEachInOrder)
    return SetPolygonNormals(std::span<const float>(records));
  // Record t's nine values move forward over the t + 1 triangle numbers before
  // them: the array becomes the corner normals, nine per triangle.
  std::vector<uint8_t> mask(count);
  int32_t withNormals = 0;
  float* const data = records.data();
  for (size_t t = 0; t < count; ++t) {
    mask[t] = WriteCornerNormals(int32_t(t), std::span<const float, 9>(data + t * 10 + 1, 9),
                                 data + t * 9);
    withNormals += mask[t] != 0;
  }
  records.resize(count * 9);
  normals_ = std::move(records);
  records = {};
  // The spare tenth at the end: its whole pages are given back.
  (void)ReleaseUnusedPages(normals_.data() + normals_.size(),
                           (normals_.capacity() - normals_.size()) * sizeof(float));
  explicitMask_ = std::move(mask);
  normalTriangles_ = withNormals;
}

uint8_t CKsObject::WriteCornerNormals(int32_t triangle, std::span<const float, 9> n,
                                      float* out) const {
  float given[9];
  std::copy(n.begin(), n.end(), given);  // out may overlap n
  uint8_t bits = 0;
  for (int c = 0; c < 3; ++c) {
    const float x = given[c * 3], y = given[c * 3 + 1], z = given[c * 3 + 2];
    const double len2 = double(x) * x + double(y) * y + double(z) * z;
    // A zero-length (or non-finite) normal means "no normal": use the face's.
    const bool isGiven = len2 > 0 && std::isfinite(len2);
    if (isGiven) bits |= uint8_t(1u << c);
    const auto v =
        isGiven ? std::array<float, 3>{x, y, z} : mesh::FaceNormal(vertices_, triangles_, triangle);
    out[c * 3] = v[0];
    out[c * 3 + 1] = v[1];
    out[c * 3 + 2] = v[2];
  }
  return bits;
}

void CKsObject::SetPolygonNormal(int32_t triangle, std::span<const float, 9> n) {
  if (triangle < 0 || triangle >= TriangleCount())
    BadData("Set_PoligonNormal", "triangle " + std::to_string(triangle) +
                                     " does not exist; the object has " +
                                     Plural(size_t(TriangleCount()), "triangle"));
  EnsureNormals();
  if (explicitMask_.empty()) explicitMask_.assign(size_t(TriangleCount()), 0);
  uint8_t& mask = explicitMask_[size_t(triangle)];
  const bool had = mask != 0;
  mask = WriteCornerNormals(triangle, n, &normals_[size_t(triangle) * 9]);
  normalTriangles_ += int32_t(mask != 0) - int32_t(had);
}

// Host choice: smoothing averages, per vertex, the face normals (weighted by
// area) of the triangles of the run that share it; explicit normals handed in
// with Set_PoligonNormals are the file's word and are kept as they are.
void CKsObject::GetSurface(int32_t first, int32_t last) {
  const int32_t count = TriangleCount();
  if (first < 0 || first > count)
    Fail(err::kSubscriptOutOfRange, "Get_Surface",
         "first triangle " + std::to_string(first) + " is outside the object's " +
             Plural(size_t(count), "triangle"));
  if (last >= count)
    Fail(err::kSubscriptOutOfRange, "Get_Surface",
         "last triangle " + std::to_string(last) + " is outside the object's " +
             Plural(size_t(count), "triangle"));
  if (last < first) return;  // an empty run
  EnsureNormals();
  mesh::SmoothRun(vertices_, triangles_, normals_, explicitMask_, first, last);
}

// Host choice: corners are smoothed across every edge whose two faces meet at
// less than the angle; sharper edges stay creases. Explicit normals are kept.
void CKsObject::SmoothNormalsAdaptive(double angleDegrees) {
  if (triangles_.empty()) return;
  EnsureNormals();
  mesh::SmoothByAngle(vertices_, triangles_, normals_, explicitMask_, angleDegrees);
}

BoundingBox CKsObject::Bounds() const {
  BoundingBox box;
  for (size_t i = 0; i + 2 < vertices_.size(); i += 3) {
    const float* p = &vertices_[i];
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
    if (box.empty) {
      box.min = box.max = {p[0], p[1], p[2]};
      box.empty = false;
      continue;
    }
    for (int a = 0; a < 3; ++a) {
      box.min[a] = std::min(box.min[a], p[a]);
      box.max[a] = std::max(box.max[a], p[a]);
    }
  }
  return box;
}

// Host choice: centring moves the vertices themselves, so that the bounding
// box's centre is at the origin; the position (PosX, PosY, PosZ) is untouched.
std::array<float, 3> CKsObject::Center() {
  const BoundingBox box = Bounds();
  if (box.empty) return {0, 0, 0};
  std::array<float, 3> offset;
  for (size_t a = 0; a < 3; ++a) offset[a] = -float((double(box.min[a]) + box.max[a]) / 2);
  MoveVertices(offset);
  return offset;
}

void CKsObject::MoveVertices(std::array<float, 3> offset) {
  // Four vertices at a time against the offset written out four times: a
  // fixed pattern of twelve values the compiler adds in vector registers.
  constexpr size_t kBlock = 12;
  float pattern[kBlock];
  for (size_t i = 0; i < kBlock; ++i) pattern[i] = offset[i % 3];
  const size_t whole = vertices_.size() - vertices_.size() % 3;
  float* const v = vertices_.data();
  size_t i = 0;
  for (; i + kBlock <= whole; i += kBlock)
    for (size_t k = 0; k < kBlock; ++k) v[i + k] += pattern[k];
  for (; i < whole; ++i) v[i] += pattern[i % 3];
}

void CKsObject::Clear() {
  vertices_.clear();
  triangles_.clear();
  normals_.clear();
  explicitMask_.clear();
  normalTriangles_ = 0;
}

std::span<const float> CKsObject::CornerNormals() {
  EnsureNormals();
  return normals_;
}

size_t CKsObject::HeldBytes() const {
  return vertices_.capacity() * sizeof(float) + triangles_.capacity() * sizeof(int32_t) +
         normals_.capacity() * sizeof(float) + explicitMask_.capacity();
}

bool CKsObject::HasExplicitNormal(int32_t triangle, int corner) const {
  if (triangle < 0 || size_t(triangle) >= explicitMask_.size() || corner < 0 || corner > 2)
    return false;
  return explicitMask_[size_t(triangle)] >> corner & 1u;
}

// ---------------------------------------------------------------- late-bound members

void CKsObject::BuildMembers(MemberTable<CKsObject>& t) {
  using Args = std::span<Variant>;
  // Add_Vertices, Add_Poligons and Set_PoligonNormals take their array by
  // reference: an object still without vertices (triangles, normals) takes
  // the caller's array over instead of copying it, leaving the caller an
  // empty array.
  t.Method("Add_Vertices", [](CKsObject& o, Args a) {
    SingleArrayArg(a, 0, "Add_Vertices");
    o.AddVertices(std::move(a[0].Singles()));
    return Variant();
  });
  // Add_Poligons(records) or Add_Poligons(triples, 3): counts omitted, all triangles.
  t.Method("Add_Poligons", [](CKsObject& o, Args a) {
    LongArrayArg(a, 0, "Add_Poligons");
    if (!HasArg(a, 1)) {
      o.AddPolygons(std::move(a[0].Longs()));
      return Variant();
    }
    const int32_t corners = a[1].ToLong();
    if (corners != 3)
      Fail(err::kInvalidCall, "Add_Poligons",
           "the second argument gives the corners of every polygon and must be 3, not " +
               std::to_string(corners));
    o.AddTriangles(std::move(a[0].Longs()));
    return Variant();
  });
  t.Method("Set_PoligonNormals", [](CKsObject& o, Args a) {
    SingleArrayArg(a, 0, "Set_PoligonNormals");
    o.SetPolygonNormals(std::move(a[0].Singles()));
    return Variant();
  });
  // Get_Surface(0) or no argument: all triangles; Get_Surface(first): to the
  // end; Get_Surface(first, last): that run (last is passed by reference and
  // left as it is).
  t.Method("Get_Surface", [](CKsObject& o, Args a) {
    const int32_t first = HasArg(a, 0) ? a[0].ToLong() : 0;
    const int32_t last = HasArg(a, 1) ? a[1].ToLong() : o.TriangleCount() - 1;
    o.GetSurface(first, last);
    return Variant();
  });
  t.Method("Add_Vertex", [](CKsObject& o, Args a) {
    const float p[3] = {Arg(a, 0).ToSingle(), Arg(a, 1).ToSingle(), Arg(a, 2).ToSingle()};
    o.AddVertices(p);
    return Variant();
  });
  t.Method("Add_Poligon", [](CKsObject& o, Args a) {
    const int32_t v[3] = {Arg(a, 0).ToLong(), Arg(a, 1).ToLong(), Arg(a, 2).ToLong()};
    o.AddTriangles(v);
    return Variant();
  });
  t.Method("Set_PoligonNormal", [](CKsObject& o, Args a) {
    const int32_t triangle = Arg(a, 0).ToLong();
    std::array<float, 9> n;
    for (size_t i = 0; i < 9; ++i) n[i] = Arg(a, i + 1).ToSingle();
    o.SetPolygonNormal(triangle, n);
    return Variant();
  });
  t.Method("SmoothNormalsAdaptive", [](CKsObject& o, Args a) {
    o.SmoothNormalsAdaptive(Arg(a, 0).ToDouble());
    return Variant();
  });
  // Center returns the offset it added to every vertex (Single array x, y,
  // z), which Move_Vertices(x, y, z) applies to other objects.
  t.Method("Center", [](CKsObject& o, Args) {
    const std::array<float, 3> offset = o.Center();
    return Variant(std::vector<float>(offset.begin(), offset.end()));
  });
  t.Method("Move_Vertices", [](CKsObject& o, Args a) {
    o.MoveVertices({Arg(a, 0).ToSingle(), Arg(a, 1).ToSingle(), Arg(a, 2).ToSingle()});
    return Variant();
  });
  t.Method("Clear", [](CKsObject& o, Args) {
    o.Clear();
    return Variant();
  });
  t.Property(
      "Name", [](CKsObject& o, Args) { return Variant(o.Name()); },
      [](CKsObject& o, Args a) { o.SetName(a.back().ToString()); });
  t.Property(
      "MaterialKey", [](CKsObject& o, Args) { return Variant(o.MaterialKey()); },
      [](CKsObject& o, Args a) { o.SetMaterialKey(a.back().ToString()); });
  t.Property(
      "DefaultColor", [](CKsObject& o, Args) { return Variant(o.DefaultColor()); },
      [](CKsObject& o, Args a) { o.SetDefaultColor(a.back().ToLong()); });
  t.Property(
      "Visible", [](CKsObject& o, Args) { return Variant(o.Visible()); },
      [](CKsObject& o, Args a) { o.SetVisible(a.back().ToBool()); });
  for (int axis = 0; axis < 3; ++axis)
    t.Property(
        std::string("Pos") + char('X' + axis),
        [axis](CKsObject& o, Args) { return Variant(o.position_[size_t(axis)]); },
        [axis](CKsObject& o, Args a) { o.position_[size_t(axis)] = a.back().ToSingle(); });
  t.Property("Key", [](CKsObject& o, Args) { return Variant(o.Key()); });
  // Read-only counts, for scripts and checks.
  t.Property("VertexCount", [](CKsObject& o, Args) { return Variant(o.VertexCount()); });
  t.Property("TriangleCount", [](CKsObject& o, Args) { return Variant(o.TriangleCount()); });
}

}  // namespace ks
