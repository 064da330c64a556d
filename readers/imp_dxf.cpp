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
#include "readers/growing_array.h"
#include "readers/hand_array.h"
#include "readers/line_cursor.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

constexpr std::string_view kSource = "KsImport.CImp_DXF";

// Where the value of each 3DFACE group code goes: corners 1 to 4 carry the
// codes 10-13 (x), 20-23 (y) and 30-33 (z); -1 for the codes passed over.
constexpr auto kFaceSlots = [] {
  std::array<int8_t, 34> slots{};
  for (int code = 0; code < 34; ++code)
    slots[code] = code >= 10 && code % 10 <= 3 ? int8_t(code % 10 * 3 + code / 10 - 1) : int8_t(-1);
  return slots;
}();
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

[[gnu::noinline]] float AnyCoordinate(std::string_view text) {
  return NumberOf(text);
}

// The lines below are read in place: the common forms are parsed straight
// from the input up to the line's end, any other line is taken whole and read
// as above, so both give the same values.

// The next line as a group code, in any form (GroupCode).
[[gnu::noinline]] int32_t ReadAnyGroupCode(LineCursor& in) {
  const char* p = in.Position();
  const char* const end = in.End();
  while (p != end && *p == ' ') ++p;
  const char* const digits = p;
  int32_t code = 0;
  while (p != end && p - digits < 3 && detail::IsDigit(*p)) code = code * 10 + (*p++ - '0');
  if (p != digits && in.IsLineEnd(p)) {
    in.TakeLineTo(p);
    return code;
  }
  return GroupCode(in.ReadLine());
}

// Group codes right-aligned in three columns ("  0", " 10", "100"), the form
// CAD programs write, are read by table: each column's character adds its
// part of the value, or a flag past the 12 value bits. A blank in the middle
// column behind a digit ("1 0") adds two flags that carry into bit 13, as any
// character other than a digit or a blank does.
struct CodeColumns {
  static constexpr int32_t kDigitFirst = 1 << 12;   // column 1 holds a digit
  static constexpr int32_t kBlankMiddle = 1 << 12;  // column 2 holds a blank
  static constexpr int32_t kOther = 1 << 14;
  static constexpr int kValueBits = 12;
  static constexpr int kFlagsFrom = 13;

  int32_t first[256], middle[256], last[256];

  constexpr CodeColumns() : first(), middle(), last() {
    for (int c = 0; c < 256; ++c) first[c] = middle[c] = last[c] = kOther;
    first[' '] = 0;
    middle[' '] = kBlankMiddle;
    for (int d = 0; d < 10; ++d) {
      first['0' + d] = 100 * d + kDigitFirst;
      middle['0' + d] = 10 * d;
      last['0' + d] = d;
    }
  }
};
constexpr CodeColumns kCodeColumns;

// The next line as a group code (GroupCode).
inline int32_t ReadGroupCode(LineCursor& in) {
  const char* const p = in.Position();
  if (in.End() - p >= 4 && (p[3] == '\n' || p[3] == '\r')) {
    const auto column = [p](int k) { return static_cast<unsigned char>(p[k]); };
    const int32_t sum = kCodeColumns.first[column(0)] + kCodeColumns.middle[column(1)] +
                        kCodeColumns.last[column(2)];
    if ((sum >> CodeColumns::kFlagsFrom) == 0) {
      in.TakeLineTo(p + 3);
      return sum & ((1 << CodeColumns::kValueBits) - 1);
    }
  }
  return ReadAnyGroupCode(in);
}

// The next line as a coordinate (NumberOf).
inline float ReadCoordinate(LineCursor& in) {
  const char* p = in.Position();
  const char* const end = in.End();
  while (p != end && *p == ' ') ++p;
  float value;
  if (const char* q = ReadPlainDecimalAt(p, end, value)) {
    while (q != end && *q == ' ') ++q;
    if (in.IsLineEnd(q)) {
      in.TakeLineTo(q);
      return value;
    }
  }
  return AnyCoordinate(in.ReadLine());
}

// The next line as a short whole number with nothing but spaces around it;
// false, nothing taken, for any other form.
inline bool ReadPlainWhole(LineCursor& in, int32_t& value) {
  const char* p = in.Position();
  const char* const end = in.End();
  while (p != end && *p == ' ') ++p;
  if (!ReadShortWhole(p, end, value)) return false;
  while (p != end && *p == ' ') ++p;
  if (!in.IsLineEnd(p)) return false;
  in.TakeLineTo(p);
  return true;
}

// The six characters of a name as one number, as LoadWord reads them.
constexpr uint64_t NameWord(std::string_view name) {
  uint64_t word = 0;
  for (size_t i = 0; i < 6; ++i) word |= uint64_t(static_cast<unsigned char>(name[i])) << (8 * i);
  return word;
}

// Takes the next line and returns its first word (NextToken). The names of
// the entities read, alone on their line, are known without a search for the
// line's end.
inline std::string_view ReadFirstWord(LineCursor& in) {
  const char* const p = in.Position();
  if (in.End() - p >= 8 && (p[6] == '\n' || p[6] == '\r')) {
    const uint64_t word = detail::LoadWord(p) & 0xFFFFFFFFFFFFull;
    static constexpr uint64_t kVertex = NameWord("VERTEX"), kFace = NameWord("3DFACE");
    if (word == kVertex || word == kFace) return in.TakeLineTo(p + 6);
  }
  std::string_view line = in.ReadLine();
  return NextToken(line);
}

// Reads the next group code of the entity being read; false when the file
// ends before a whole pair is read, or when the code is 0 (the start of the
// next entity: endOfEntity is set). The caller then takes the value line.
inline bool NextCode(LineCursor& in, int32_t& code, bool& endOfEntity) {
  endOfEntity = false;
  if (in.AtEnd()) return false;
  code = ReadGroupCode(in);
  if (code == 0) {
    endOfEntity = true;
    return false;
  }
  return !in.AtEnd();
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
      HandArray(object, "Add_Vertices", VertexData);
      if (Triangles.empty()) {
        // Points only: an empty polygon list, a single 0 that ends the records.
        std::vector<int32_t> none{0};
        HandArray(object, "Add_Poligons", none);
      } else {
        HandTriangles(object, Triangles);
      }
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
  Triangles.clear();
  MeshBase = 0;

  if (!state_.file) state_.file = std::make_unique<TextInput>(&state_.source);
  state_.file->Open(FileName);
  {
    LineCursor in(*state_.file, state_.CharsRead);
    // The bar moves and the person's events are heard once per step of the file.
    const int64_t turnBytes = ImportState::TurnStep(state_.file->Length());
    while (!in.AtEnd() && state_.StopImport == 0) {
      const std::string_view word = ReadFirstWord(in);
      if (word == "3DFACE") {
        ReadFace3D(in);
      } else if (word == "VERTEX") {
        ReadVertex(in);
      } else if (word == "POLYLINE") {
        // Face records of a polyface mesh number the vertices of their own mesh.
        MeshBase = StoredVertices();
        ReadPolylineFlags(in);
      } else if (word == "LWPOLYLINE" || word == "MESH") {
        state_.warnings.Count(kDxfOther, word);
      }
      if (in.Uncommitted() >= turnBytes || in.AtEnd()) TakeTurn(in);
    }
  }
  state_.file->Close();
}

void CImp_DXF::TakeTurn(LineCursor& in) {
  in.Commit();
  state_.ReportProgress(static_cast<double>(state_.CharsRead));
  state_.YieldToUi();
}

// The POLYLINE entity's own pairs: a polygon mesh (flag 16) has no face
// records, so its faces are not built; the person is told.
void CImp_DXF::ReadPolylineFlags(LineCursor& in) {
  int32_t code = 0;
  bool endOfEntity = false;
  while (NextCode(in, code, endOfEntity)) {
    if (code != 70) {
      in.SkipLine();
      continue;
    }
    // Flags are a 16-bit whole number; any other value (a damaged file) sets
    // no flag rather than being cast out of range.
    const double flags = ToNumber(in.ReadLine());
    if (flags >= 0 && flags <= 65535 && (static_cast<int32_t>(flags) & 16) != 0)
      state_.warnings.Count(kDxfPolygonMesh, "POLYLINE with flag 16");
  }
}

void CImp_DXF::ReadFace3D(LineCursor& in) {
  // Corners 1 to 4 carry the group codes 10-13 (x), 20-23 (y) and 30-33 (z),
  // in whatever order the file writes them.
  float corners[4][3] = {};
  int32_t code = 0;
  bool endOfEntity = false;
  float* const slots = &corners[0][0];
  while (NextCode(in, code, endOfEntity)) {
    // Codes that are no whole number come as -1.
    const auto index = static_cast<size_t>(code);
    const int8_t slot = index < kFaceSlots.size() ? kFaceSlots[index] : int8_t(-1);
    if (slot >= 0)
      slots[slot] = ReadCoordinate(in);
    else
      in.SkipLine();
  }
  if (!endOfEntity) return;  // cut off by the end of the file: nothing is added

  const int32_t first = StoredVertices();
  for (const auto& c : corners) AppendVertex(c[0], c[1], c[2], in);
  AppendQuad(first, first + 1, first + 2, first + 3, in);
}

void CImp_DXF::ReadVertex(LineCursor& in) {
  float xyz[3] = {0, 0, 0};
  int32_t corners[4] = {0, 0, 0, 0};  // groups 71-74 as written (sign marks a hidden edge)
  int64_t lines[4] = {0, 0, 0, 0};
  bool face = false;
  int32_t code = 0;
  bool endOfEntity = false;
  while (NextCode(in, code, endOfEntity)) {
    switch (code) {
      case 10:
      case 20:
      case 30:
        xyz[code / 10 - 1] = ReadCoordinate(in);
        break;
      case 71:
      case 72:
      case 73:
      case 74: {
        face = true;
        const size_t k = static_cast<size_t>(code - 71);
        if (!ReadPlainWhole(in, corners[k])) corners[k] = CornerNumber(in.ReadLine(), code, in);
        lines[k] = in.LineNumber();
        break;
      }
      default:
        in.SkipLine();
    }
  }
  if (face) {
    AddPolyfaceFace(corners, lines, corners[3] != 0 ? 4 : 3, in);
  } else {
    AppendVertex(xyz[0], xyz[1], xyz[2], in);
  }
}

int32_t CImp_DXF::CornerNumber(std::string_view text, int32_t code, const LineCursor& in) const {
  try {
    return Variant(std::string(text)).ToLong();
  } catch (const ComError& e) {
    FailAt(e.number(), in.LineNumber(),
           "the polyface vertex number (group " + std::to_string(code) + ") \"" +
               std::string(Trim(text)) + "\" is not a whole number");
  }
}

template <class T, class... Values>
[[gnu::always_inline]] inline void CImp_DXF::Append(std::vector<T>& array, int64_t& firstAt,
                                                    LineCursor& in, Values... values) {
  if (array.capacity() - array.size() < sizeof...(values)) [[unlikely]] {
    // The array is sized from the characters read so far: they are told first.
    in.Commit();
    GrowByDensity(array, sizeof...(values), firstAt, state_);
  }
  // Straight from the registers: values gathered in a small array first would
  // be stored and loaded back one by one.
  (array.push_back(values), ...);
}

void CImp_DXF::AppendVertex(float x, float y, float z, LineCursor& in) {
  // Vertex numbers travel as Longs.
  if (StoredVertices() == std::numeric_limits<int32_t>::max())
    FailAt(err::kOverflow, in.LineNumber(), "the file holds more vertices than a mesh can take");
  Append(VertexData, verticesFrom_, in, x, y, z);
}

void CImp_DXF::AppendQuad(int32_t a, int32_t b, int32_t c, int32_t d, LineCursor& in) {
  // Triangles 1-2-3 and 3-4-1, as the host splits a four-corner polygon.
  Append(Triangles, trianglesFrom_, in, a, b, c, c, d, a);
}

void CImp_DXF::AddPolyfaceFace(const int32_t (&corners)[4], const int64_t (&lines)[4],
                               int cornerCount, LineCursor& in) {
  const auto meshVertices = static_cast<uint32_t>(StoredVertices() - MeshBase);
  // Each corner in a value of its own: gathered in a small array, the values
  // would be stored one by one and loaded back two at once, which stalls.
  const auto vertex = [&](int k) {
    // A negative number marks an invisible edge; the vertex is its absolute
    // value. Numbers from 1 to meshVertices are good: 0 wraps to the largest.
    const auto value = static_cast<uint32_t>(corners[k]);
    const uint32_t number = corners[k] < 0 ? 0u - value : value;
    if (number - 1 >= meshVertices) [[unlikely]]
      FailOnCorner(k, number, static_cast<int32_t>(meshVertices),
                   lines[k] ? lines[k] : in.LineNumber());
    return MeshBase + static_cast<int32_t>(number - 1);
  };
  const int32_t a = vertex(0), b = vertex(1), c = vertex(2);
  if (cornerCount == 4)
    AppendQuad(a, b, c, vertex(3), in);
  else
    Append(Triangles, trianglesFrom_, in, a, b, c);
}

void CImp_DXF::FailOnCorner(int k, int64_t number, int32_t meshVertices, int64_t line) const {
  const std::string group = "group " + std::to_string(71 + k);
  if (number == 0)
    FailAt(err::kBadData, line,
           "a polyface face record has vertex number 0 for its corner " + std::to_string(k + 1) +
               " (" + group + "); vertex numbers start at 1");
  FailAt(err::kBadData, line,
         "a polyface face record refers to vertex " + std::to_string(number) + " (" + group +
             "), but its mesh has only " + std::to_string(meshVertices) + " vertices");
}

void CImp_DXF::FailAt(int32_t number, int64_t line, const std::string& what) const {
  throw ComError(number, what + " (line " + std::to_string(line) + " of " + fileLabel_ + ")",
                 std::string(kSource));
}

}  // namespace ks::readers
