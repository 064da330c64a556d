#include "readers/imp_dxf.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>

#include "host/dispatch.h"
#include "host/ks_color.h"
#include "host/runtime.h"
#include "readers/decimal_number.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

constexpr std::string_view kSource = "KsImport.CImp_DXF";
constexpr WarningKind kDxfPolygonMesh{"polygon mesh", "polygon meshes",
                                      "only 3DFACE entities and polyface meshes are imported"};
constexpr WarningKind kDxfOther{"LWPOLYLINE or MESH entity", "LWPOLYLINE and MESH entities",
                                "only 3DFACE entities and polyface meshes are imported"};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A group code line: a whole number, possibly padded with spaces.
int32_t GroupCode(std::string_view line) {
  // The common form first: up to three digits after spaces, nothing behind.
  const std::string_view digits = line.substr(std::min(line.find_first_not_of(' '), line.size()));
  if (!digits.empty() && digits.size() <= 3 &&
      std::all_of(digits.begin(), digits.end(), detail::IsDigit)) {
    int32_t code = 0;
    for (char c : digits) code = code * 10 + (c - '0');
    return code;
  }
  line = Trim(line);
  int32_t code = -1;
  auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), code);
  if (ec != std::errc() || end != line.data() + line.size() || code < 0) return -1;
  return code;
}

// The numeric value of a value line (0 unless it is a number): plain
// decimals are read in place, every other form by ToNumber.
float NumberOf(std::string_view text) {
  float value = 0;
  std::string_view rest = text;
  if (ReadPlainDecimal(rest, value) && Trim(rest).empty()) return value;
  return ToNumber(text);
}

}  // namespace

CImp_DXF::CImp_DXF(ImportState& state) : state_(state) {
  state_.LineMode = 0;
}

void CImp_DXF::Load(const std::string& FileName, CollectionRef& p_colObject3D) {
  try {
    ObjectRef object = state_.runtime.CreateObject("Kestrel.CKsObject");
    std::string path = FileName;
    std::string name = SplitFileName(path);
    ReplaceAll(1, " ", "_", name);
    size_t slash = FileName.find_last_of("\\/");
    fileLabel_ = slash == std::string::npos ? FileName : FileName.substr(slash + 1);

    ReadFile(FileName);

    if (!VertexData.empty()) {
      // The arrays are handed over, not copied: the object takes them over.
      std::array<Variant, 1> vertices{Variant(std::move(VertexData))};
      VertexData = {};
      Call(object, "Add_Vertices", std::span<Variant>(vertices));
      // An empty polygon list is handed in as a single 0, which ends the records.
      if (PolygonData.empty()) PolygonData.push_back(0);
      std::array<Variant, 1> polygons{Variant(std::move(PolygonData))};
      PolygonData = {};
      Call(object, "Add_Poligons", std::span<Variant>(polygons));
    }
    Put(object, "Name", Variant(name));
    Put(object, "DefaultColor", Variant(kDefaultObjectColor));
    Call(p_colObject3D, "Add", Variant(object));
  } catch (...) {
    state_.CloseFiles();
    throw;
  }
}

void CImp_DXF::ReadFile(const std::string& FileName) {
  VertexData.clear();
  PolygonData.clear();
  FaceBase = -1;
  MeshBase = 0;

  if (!state_.file) state_.file = std::make_unique<TextInput>(&state_.source);
  state_.file->Open(FileName);
  while (!state_.file->AtEnd() && state_.StopImport == 0) {
    std::string_view line = ReadLine(state_);
    std::string_view word = NextToken(line);
    if (word == "3DFACE") {
      ReadFace3D();
    } else if (word == "VERTEX") {
      ReadVertex();
    } else if (word == "POLYLINE") {
      // Face records of a polyface mesh number the vertices of their own mesh.
      MeshBase = StoredVertices();
      ReadPolylineFlags();
    } else if (word == "LWPOLYLINE" || word == "MESH") {
      state_.warnings.Count(kDxfOther, word);
    }
    state_.ReportProgress(static_cast<double>(state_.CharsRead));
    state_.YieldToUi();
  }
  state_.file->Close();
}

// The POLYLINE entity's own pairs: a polygon mesh (flag 16) has no face
// records, so its faces are not built; the person is told.
void CImp_DXF::ReadPolylineFlags() {
  Pair pair;
  bool endOfEntity = false;
  while (ReadPair(pair, endOfEntity)) {
    if (pair.code != 70) continue;
    // Flags are a 16-bit whole number; any other value (a damaged file) sets
    // no flag rather than being cast out of range.
    const double flags = ToNumber(pair.value);
    if (flags >= 0 && flags <= 65535 && (static_cast<int32_t>(flags) & 16) != 0)
      state_.warnings.Count(kDxfPolygonMesh, "POLYLINE with flag 16");
  }
}

bool CImp_DXF::ReadPair(Pair& pair, bool& endOfEntity) {
  endOfEntity = false;
  if (state_.file->AtEnd()) return false;
  pair.code = GroupCode(ReadLine(state_));
  if (pair.code == 0) {
    endOfEntity = true;
    return false;
  }
  if (state_.file->AtEnd()) return false;
  pair.value = ReadLine(state_);
  return true;
}

void CImp_DXF::ReadFace3D() {
  // Corners 1 to 4 carry the group codes 10-13 (x), 20-23 (y) and 30-33 (z),
  // in whatever order the file writes them.
  float corners[4][3] = {};
  Pair pair;
  bool endOfEntity = false;
  while (ReadPair(pair, endOfEntity)) {
    int32_t axis = pair.code / 10 - 1;
    int32_t corner = pair.code % 10;
    if (pair.code >= 10 && pair.code <= 33 && corner <= 3)
      corners[corner][axis] = NumberOf(pair.value);
  }
  if (!endOfEntity) return;  // cut off by the end of the file: nothing is added

  FaceBase = StoredVertices() - 1;
  for (const auto& c : corners) AppendVertex(c[0], c[1], c[2]);
  PolygonData.insert(PolygonData.end(),
                     {4, FaceBase + 1, FaceBase + 2, FaceBase + 3, FaceBase + 4});
  FaceBase = StoredVertices() - 1;
}

void CImp_DXF::ReadVertex() {
  float xyz[3] = {0, 0, 0};
  int32_t corners[4] = {0, 0, 0, 0};  // groups 71-74 as written (sign marks a hidden edge)
  int64_t lines[4] = {0, 0, 0, 0};
  bool face = false;
  Pair pair;
  bool endOfEntity = false;
  while (ReadPair(pair, endOfEntity)) {
    if (pair.code == 10 || pair.code == 20 || pair.code == 30) {
      xyz[pair.code / 10 - 1] = NumberOf(pair.value);
    } else if (pair.code >= 71 && pair.code <= 74) {
      face = true;
      size_t k = static_cast<size_t>(pair.code - 71);
      lines[k] = CurrentLine();
      try {
        corners[k] = Variant(std::string(pair.value)).ToLong();
      } catch (const ComError& e) {
        FailAt(e.number(), lines[k],
               "the polyface vertex number (group " + std::to_string(pair.code) + ") \"" +
                   std::string(Trim(pair.value)) + "\" is not a whole number");
      }
    }
  }
  if (face) {
    AddPolyfaceFace(corners, lines, corners[3] != 0 ? 4 : 3);
  } else {
    AppendVertex(xyz[0], xyz[1], xyz[2]);
  }
}

void CImp_DXF::AppendVertex(float x, float y, float z) {
  // Vertex numbers travel as Longs.
  if (StoredVertices() == std::numeric_limits<int32_t>::max())
    FailAt(err::kOverflow, CurrentLine(), "the file holds more vertices than a mesh can take");
  VertexData.insert(VertexData.end(), {x, y, z});
}

void CImp_DXF::AddPolyfaceFace(const int32_t (&corners)[4], const int64_t (&lines)[4],
                               int cornerCount) {
  int32_t numbers[4] = {0, 0, 0, 0};
  int32_t meshVertices = StoredVertices() - MeshBase;
  for (int k = 0; k < cornerCount; ++k) {
    // A negative number marks an invisible edge; the vertex is its absolute value.
    int64_t number = std::llabs(static_cast<int64_t>(corners[k]));
    std::string group = "group " + std::to_string(71 + k);
    if (number == 0)
      FailAt(err::kBadData, lines[k] ? lines[k] : CurrentLine(),
             "a polyface face record has vertex number 0 for its corner " + std::to_string(k + 1) +
                 " (" + group + "); vertex numbers start at 1");
    if (number > meshVertices)
      FailAt(err::kBadData, lines[k],
             "a polyface face record refers to vertex " + std::to_string(number) + " (" + group +
                 "), but its mesh has only " + std::to_string(meshVertices) + " vertices");
    numbers[k] = MeshBase + static_cast<int32_t>(number) - 1;
  }
  PolygonData.push_back(cornerCount);
  PolygonData.insert(PolygonData.end(), numbers, numbers + cornerCount);
}

int32_t CImp_DXF::StoredVertices() const {
  return static_cast<int32_t>(VertexData.size() / 3);
}

int64_t CImp_DXF::CurrentLine() const {
  return state_.file->LineNumber();
}

void CImp_DXF::FailAt(int32_t number, int64_t line, const std::string& what) const {
  throw ComError(number, what + " (line " + std::to_string(line) + " of " + fileLabel_ + ")",
                 std::string(kSource));
}

}  // namespace ks::readers
