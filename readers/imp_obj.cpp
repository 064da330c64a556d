#include "imp_obj.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "decimal_number.h"
#include "growing_array.h"
#include "hand_array.h"
#include "host/com_error.h"
#include "host/ks_color.h"
#include "host/large_memory.h"
#include "host/runtime.h"
#include "text_helpers.h"
#include "text_input.h"

namespace ks::readers {

namespace {

constexpr const char* kSource = "KsImport";

int32_t ClampToLong(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Reads the commonest face, "a b c" or "a b c d" with plain positive vertex
// numbers of up to 9 digits, into v (a missing fourth corner is 0). Returns
// false, v untouched, for any other form: the general corner parser takes it.
bool ReadPlainFace(std::string_view text, std::array<int32_t, 4>& v) {
  std::array<int32_t, 4> read{};
  size_t count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (;;) {
    while (p != end && *p == ' ') ++p;
    if (p == end) break;
    if (count == 4) return false;
    const char* const stop = end - p > 9 ? p + 9 : end;
    int32_t value = 0;
    for (; p != stop && detail::IsDigit(*p); ++p) value = value * 10 + (*p - '0');
    // A tenth digit, or anything but a space behind the number, is another form.
    if (value == 0 || (p != end && *p != ' ')) return false;
    read[count++] = value;
  }
  if (count < 3) return false;
  v = read;
  return true;
}

}  // namespace

void CImp_OBJ::Fail(int32_t number, const std::string& what) const {
  throw ComError(number, "line " + std::to_string(st_.file->LineNumber()) + ": " + what, kSource);
}

void CImp_OBJ::StartRun() {
  Vertices = {};
  Polygons = {};
  PolygonNormals = {};
  Normals.assign(3, 0.0f);
  SmoothRuns.clear();
  LastVertex = -1;
  LastTriangle = -1;
  HaveNormals = MultiObject = Rebase = BlockLocal = InVertexRun = AfterGroup = false;
  RunKind = 0;
  RunStart = 0;
  PrevLastVertex = 0;
  BlankCount = 0;
}

void CImp_OBJ::NewObject(std::string name) {
  object_ = st_.runtime.CreateObject("Kestrel.CKsObject");
  objectName_ = std::move(name);
  ++objectStamp_;
  StartMaterialRuns();
}

// A file whose first line ends at CR is read in line mode 0, any other in mode 1.
void CImp_OBJ::DetectLineMode(const std::string& fileName) {
  st_.file->Open(fileName);
  st_.LineMode = st_.file->SkipToLineEnd() == '\r' ? 0 : 1;
  st_.CloseFiles();
  st_.CharsRead = 0;
  st_.file->Open(fileName);
}

void CImp_OBJ::Load(const std::string& fileName, CollectionRef& colObject3D) {
  CollectionRef materials;
  Load(fileName, colObject3D, materials);
}

void CImp_OBJ::Load(const std::string& fileName, CollectionRef& colObject3D,
                    CollectionRef& colMaterial3D) {
  colMaterial3D = std::make_shared<Collection>();
  materials_ = colMaterial3D;
  importMaterials_ = st_.options.importMaterials;
  folder_ = std::filesystem::path(fileName).parent_path().string();
  libraries_.clear();
  definedMaterials_.clear();
  materialNames_.clear();
  materialWarned_.clear();
  currentMaterial_ = -1;
  std::string folder = fileName;
  std::string name = SplitFileName(folder);
  ReplaceAll(1, " ", "_", name);
  NewObject(std::move(name));
  ImportRuns = st_.options.importNormals;
  splitObjects_ = st_.options.splitObjects;
  fileObjectName_ = objectName_;
  SmoothAll = st_.options.smoothAll;
  StartRun();
  DetectLineMode(fileName);

  TextInput& file = *st_.file;
  const int64_t turnStep = ImportState::TurnStep(file.Length());
  StartReadingAhead();
  try {
    while (!file.AtEnd() && st_.StopImport == 0) {
      if (!ReadPlainLines(turnStep)) ReadLineOf(ReadLine(st_), colObject3D);
      st_.TurnIfDue(turnStep, file.AtEnd());
    }
  } catch (...) {
    records_.reset();  // the threads reading ahead stop with the read
    throw;
  }
  records_.reset();
  st_.CloseFiles();
  HandOver(colObject3D);
  object_ = nullptr;
  LastTriangle = -1;
  Normals = {};
  fileVertices_ = {};
  vertexStamp_ = {};
  objectVertex_ = {};
  materials_ = nullptr;
  materialRuns_ = {};
}

void CImp_OBJ::StartReadingAhead() {
  const TextInput& file = *st_.file;
  const unsigned threads =
      st_.options.threads > 0 ? unsigned(st_.options.threads) : ObjLineRecords::EveryCore();
  const std::string_view text = file.Unread();
  // Only where the fast lane reads at all, and where there is enough to share.
  if (threads < 2 || (st_.LineMode != 0 && st_.LineMode != 1) ||
      file.Encoding() == TextEncoding::Utf16LE || file.Encoding() == TextEncoding::Utf16BE ||
      text.size() < 4 * st_.ObjReadAheadChunk)
    return;
  records_ = std::make_unique<ObjLineRecords>(text.data(), text.data() + text.size(),
                                              st_.LineMode == 0, threads, st_.ObjReadAheadChunk);
}

void CImp_OBJ::ReadLineOf(std::string_view line, CollectionRef& colObject3D) {
  // Two blank lines after faces: from then on face indices count from the
  // first position of their run of "v" lines.
  if (!BlockLocal && LastTriangle >= 0) {
    BlankCount = line.empty() ? BlankCount + 1 : 0;
    if (BlankCount == 2) BlockLocal = true;
  }
  std::string_view rest = line;
  const std::string_view key = NextToken(rest);
  if (key.empty()) return;
  switch (key[0]) {
    case 'v':
      if (key.size() == 1) {
        ReadPosition(rest);
      } else if (key == "vn") {
        ReadNormal(rest);
      }
      break;
    case 'f':
      if (key == "f" || key == "fo") ReadFace(rest);
      break;
    case 's':
      if (key.size() == 1 && ImportRuns) ReadSmoothing(rest);
      if (key == "surf") NotePassedOver(key);
      break;
    case 'l':
    case 'p':
    case 'c':
      NotePassedOver(key);
      break;
    case 'm':
      if (key == "mtllib" && importMaterials_) ReadMaterialLibraries(rest);
      break;
    case 'u':
      if (key == "usemtl" && importMaterials_) ReadUseMaterial(rest);
      break;
    case 'g':
      if (key.size() == 1 && ImportRuns) ReadGroup();
      break;
    case '#':
      if (key.size() == 1) ReadComment(rest, colObject3D);
      break;
    case 'o':
      if (key.size() == 1 && splitObjects_) ReadObjectLine(rest, colObject3D);
      break;
    default:
      break;
  }
}

float CImp_OBJ::ReadCoordinate(std::string_view& rest, int which) {
  float value = 0;
  if (ReadPlainDecimal(rest, value)) return value * 10.0f;
  const std::string_view token = NextToken(rest);
  switch (ParseDecimal(token, value)) {
    case NumberRead::Ok:
      break;
    case NumberRead::NotANumber:
      if (token.empty())
        Fail(err::kTypeMismatch, "coordinate " + std::to_string(which) + " is missing");
      Fail(err::kTypeMismatch, "'" + std::string(token) + "' is not a number");
    case NumberRead::OutOfRange:
      Fail(err::kOverflow, "'" + std::string(token) + "' is beyond the range of a Single");
  }
  const float scaled = value * 10.0f;
  if (!std::isfinite(scaled))
    Fail(err::kOverflow, "'" + std::string(token) + "' times 10 is beyond the range of a Single");
  return scaled;
}

void CImp_OBJ::ReadPosition(std::string_view rest) {
  if (!InVertexRun) {
    RunStart = LastVertex + 1;
    InVertexRun = true;
  }
  const float x = ReadCoordinate(rest, 1);
  const float y = ReadCoordinate(rest, 2);
  const float z = ReadCoordinate(rest, 3);
  // Split at "o" lines, positions wait in the file's list until a face uses them.
  AppendRecord(splitObjects_ ? fileVertices_ : Vertices, verticesFrom_, st_,
               std::array<float, 3>{x, y, z});
  ++LastVertex;
}

void CImp_OBJ::ReadNormal(std::string_view rest) {
  const float x = ReadCoordinate(rest, 1);
  const float y = ReadCoordinate(rest, 2);
  const float z = ReadCoordinate(rest, 3);
  Normals.insert(Normals.end(), {x, y, z});
  HaveNormals = true;
}

// The object's 0-based vertex number for a face index of the file: negative
// indices count back from the last position read, positive ones from the first
// position of the file, or of the current run of "v" lines after two blank
// lines. 0 is no vertex and gives -1, which the host refuses.
inline int32_t CImp_OBJ::VertexOf(int32_t index) const {
  if (index == 0) return -1;
  int64_t v = index < 0 ? int64_t{index} + LastVertex + 1
                        : int64_t{index} - 1 + (BlockLocal ? RunStart : 0);
  if (Rebase) v -= int64_t{PrevLastVertex} + 1;
  return ClampToLong(v);
}

// The normal of a face corner: its x, y, z in Normals. 0 is no normal and
// gives slot 0, (0, 0, 0); negative indices count back from the last normal read.
const float* CImp_OBJ::NormalOf(int32_t index) const {
  const int32_t count = NormalCount();
  const int64_t slot = index < 0 ? int64_t{index} + count + 1 : index;
  if (slot < 0 || slot > count || (index < 0 && slot == 0))
    Fail(err::kSubscriptOutOfRange, "normal index " + std::to_string(index) +
                                        " refers to no normal (" + std::to_string(count) +
                                        " read so far)");
  return Normals.data() + slot * 3;
}

void CImp_OBJ::AppendNormalRecord(int32_t triangle, int32_t n1, int32_t n2, int32_t n3) {
  const float* a = NormalOf(n1);
  const float* b = NormalOf(n2);
  const float* c = NormalOf(n3);
  AppendRecord(PolygonNormals, polygonNormalsFrom_, st_,
               std::array<float, 10>{static_cast<float>(triangle), a[0], a[1], a[2], b[0], b[1],
                                     b[2], c[0], c[1], c[2]});
}

namespace {

// True when the face text holds fewer than three corners.
bool FewerThanThreeCorners(std::string_view rest) {
  for (int corners = 0; corners < 3; ++corners)
    if (NextToken(rest).empty()) return true;
  return false;
}

}  // namespace

void CImp_OBJ::ReadFace(std::string_view rest) {
  std::array<int32_t, 4> v{};
  std::array<int32_t, 4> n{};
  // The fifth corner, when there is one (0 if not).
  int32_t next = 0;
  int32_t nextNormal = 0;
  const std::string_view face = rest;
  const bool general = !ReadPlainFace(rest, v);
  if (general && FewerThanThreeCorners(rest)) {
    // An edge or a point written as a face ("f 594 595"): not a face.
    NotePassedOver("f");
    return;
  }
  InVertexRun = false;
  if (general) {
    ReadCorners(rest, std::span(v), std::span(n));
    ReadCorners(rest, std::span(&next, 1), std::span(&nextNormal, 1));
    if (next != 0 && rest.size() > kLongFaceLine) ReserveForCorners(rest.size());
  }

  const bool quad = v[3] != 0;
  int32_t v1 = VertexOf(v[0]), v2 = VertexOf(v[1]), v3 = VertexOf(v[2]);
  int32_t v4 = quad ? VertexOf(v[3]) : 0;
  // One comparison for the whole face; the message is worked out only on failure.
  const uint32_t highest = std::max({uint32_t(v1), uint32_t(v2), uint32_t(v3), uint32_t(v4)});
  if (highest >= VerticesSoFar()) [[unlikely]]
    FailCorner(face, v, {v1, v2, v3, v4});
  if (splitObjects_) {
    v1 = ObjectVertex(v1);
    v2 = ObjectVertex(v2);
    v3 = ObjectVertex(v3);
    if (quad) v4 = ObjectVertex(v4);
  }
  if (quad) {
    // A quad is triangles 1-2-3 and 3-4-1.
    AppendRecord(Polygons, polygonsFrom_, st_, std::array<int32_t, 6>{v1, v2, v3, v3, v4, v1});
    LastTriangle += 2;
  } else {
    AppendRecord(Polygons, polygonsFrom_, st_, std::array<int32_t, 3>{v1, v2, v3});
    LastTriangle += 1;
  }
  if (HaveNormals) {
    if (quad) {
      // The quad's triangles are corners 1-2-3 and 3-4-1.
      AppendNormalRecord(LastTriangle - 1, n[0], n[1], n[2]);
      AppendNormalRecord(LastTriangle, n[2], n[3], n[0]);
    } else {
      AppendNormalRecord(LastTriangle, n[0], n[1], n[2]);
    }
  }
  // Corners after the fourth, up to the first token that names no vertex, go
  // on as a fan from the first corner: (1, 4, 5), (1, 5, 6), ... Each is
  // added as it is read, so a face of millions of corners is never held twice.
  int32_t prevVertex = v4;
  int32_t prevNormal = n[3];
  for (size_t corner = 5; next != 0; ++corner) {
    int32_t vertex = VertexOf(next);
    if (uint32_t(vertex) >= VerticesSoFar()) [[unlikely]]
      FailExtraCorner(corner, next);
    if (splitObjects_) vertex = ObjectVertex(vertex);
    AppendRecord(Polygons, polygonsFrom_, st_, std::array<int32_t, 3>{v1, prevVertex, vertex});
    ++LastTriangle;
    if (HaveNormals) AppendNormalRecord(LastTriangle, n[0], prevNormal, nextNormal);
    prevVertex = vertex;
    prevNormal = nextNormal;
    next = 0;
    nextNormal = 0;
    ReadCorners(rest, std::span(&next, 1), std::span(&nextNormal, 1));
  }
}

void CImp_OBJ::ReserveForCorners(size_t restLength) {
  // A corner takes at least two characters (" 1"): room for that many
  // triangles and the face's first ones. Made once
  // per long line and at least doubling the room, so a run of long lines
  // still copies the array a bounded number of times; room never written
  // costs no memory and is given back when the host takes the array.
  if (Polygons.empty()) polygonsFrom_ = st_.CharsRead;
  const size_t want = Polygons.size() + 3 * (restLength / 2 + 4);
  if (want > Polygons.capacity()) ReserveLarge(Polygons, std::max(want, Polygons.capacity() * 2));
}

void CImp_OBJ::ReadCorners(std::string_view& rest, std::span<int32_t> vertices,
                           std::span<int32_t> normals) {
  try {
    for (size_t i = 0; i < vertices.size(); ++i) ParseFaceCorner(rest, vertices[i], normals[i]);
  } catch (const ComError& e) {
    Fail(e.number(), e.description());
  }
}

void CImp_OBJ::ReadSmoothing(std::string_view rest) {
  const std::string_view word = NextToken(rest);
  if (AfterGroup) {
    // "s off" right after "g" switches that group's smoothing off.
    if (word == "off" && !SmoothRuns.empty()) SmoothRuns.back().smooth = false;
    AfterGroup = false;
    return;
  }
  SmoothRuns.push_back({LastTriangle, word != "off"});
  RunKind = 1;
}

void CImp_OBJ::ReadGroup() {
  SmoothRuns.push_back({LastTriangle, true});
  RunKind = 3;
  AfterGroup = true;
}

void CImp_OBJ::ReadComment(std::string_view rest, CollectionRef& colObject3D) {
  if (NextToken(rest) != "Object") return;
  // The first break only marks the file as multi-object: the first object
  // keeps the file's name.
  if (MultiObject) {
    HandOver(colObject3D);
    PrevLastVertex = LastVertex;
    LastTriangle = -1;
    NewObject(std::string(NextToken(rest)));
    // Split objects number their own vertices as faces use them.
    Rebase = !splitObjects_;
  }
  MultiObject = true;
}

void CImp_OBJ::ApplySmoothing(const ObjectRef& target, const std::vector<int32_t>* part) {
  if (MultiObject) {
    if (!HaveNormals && SmoothAll) Call(target, "Get_Surface", int16_t{0});
    return;
  }
  if (HaveNormals) return;
  if (RunKind != 0 && SmoothRuns.size() > 1) {
    for (size_t k = 0; k < SmoothRuns.size(); ++k) {
      const SmoothRun& run = SmoothRuns[k];
      if (!run.smooth && !SmoothAll) continue;
      if (k + 1 < SmoothRuns.size())
        SmoothRange(target, part, run.start + 1, SmoothRuns[k + 1].start);
      else
        SmoothFrom(target, part, run.start + 1);
    }
  } else if (SmoothRuns.size() == 1) {
    const int32_t start = SmoothRuns.front().start;
    SmoothRange(target, part, 0, start);
    SmoothFrom(target, part, start + 1);
  } else if (SmoothAll) {
    Call(target, "Get_Surface", int16_t{0});
  }
}

// A part's triangles are the object's in order, so the object's triangles
// first..last are a run of the part's too: from the first of them at or after
// first to the last at or before last.
void CImp_OBJ::SmoothRange(const ObjectRef& target, const std::vector<int32_t>* part, int32_t first,
                           int32_t last) {
  if (part) {
    const auto from = std::lower_bound(part->begin(), part->end(), first);
    const auto to = std::upper_bound(from, part->end(), last);
    if (from == to) return;
    first = static_cast<int32_t>(from - part->begin());
    last = static_cast<int32_t>(to - part->begin()) - 1;
  }
  std::array<Variant, 2> args{Variant(first), Variant(last)};
  Call(target, "Get_Surface", std::span<Variant>(args));
}

void CImp_OBJ::SmoothFrom(const ObjectRef& target, const std::vector<int32_t>* part,
                          int32_t first) {
  if (part) {
    const auto from = std::lower_bound(part->begin(), part->end(), first);
    if (from == part->end()) return;
    first = static_cast<int32_t>(from - part->begin());
  }
  Call(target, "Get_Surface", first);
}

void CImp_OBJ::HandOver(CollectionRef& colObject3D) {
  const int32_t material = SoleMaterial();
  if (material == -2) return HandOverByMaterial(colObject3D);
  if (!Vertices.empty()) HandArray(object_, "Add_Vertices", Vertices);
  if (!Polygons.empty()) HandTriangles(object_, Polygons);
  if (!PolygonNormals.empty()) HandArray(object_, "Set_PoligonNormals", PolygonNormals);
  ApplySmoothing(object_, nullptr);
  BindMaterial(object_, material);
  AddToList(object_, objectName_, colObject3D);
}

void CImp_OBJ::AddToList(const ObjectRef& target, const std::string& name,
                         CollectionRef& colObject3D) {
  Put(target, "Name", Variant(name));
  int32_t color = kDefaultObjectColor;
  if (MultiObject) color = ObjectColors[Get(colObject3D, "Count").ToLong() % 10 + 1];
  Put(target, "DefaultColor", Variant(color));
  std::array<Variant, 1> item{Variant(target)};
  Call(colObject3D, "Add", std::span<Variant>(item));
}

}  // namespace ks::readers
