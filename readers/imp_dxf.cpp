#include "readers/imp_dxf.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "host/dispatch.h"
#include "host/ks_color.h"
#include "host/runtime.h"
#include "readers/decimal_number.h"
#include "readers/dxf_binary.h"
#include "readers/dxf_entity_records.h"
#include "readers/dxf_pairs.h"
#include "readers/growing_array.h"
#include "readers/hand_array.h"
#include "readers/line_cursor.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

using namespace dxf;

constexpr std::string_view kSource = "KsImport.CImp_DXF";

constexpr WarningKind kDxfPolygonMesh{"polygon mesh", "polygon meshes",
                                      "only 3DFACE entities and polyface meshes are imported"};
constexpr WarningKind kDxfPlainPolyline{"polyline", "polylines",
                                        "lines are not imported, only 3DFACE entities and "
                                        "polyface meshes"};
constexpr WarningKind kDxfUndefinedBlock{"INSERT of a block the drawing does not define",
                                         "INSERTs of blocks the drawing does not define",
                                         "nothing to place"};
constexpr WarningKind kDxfDeepBlock{"INSERT nested too deeply", "INSERTs nested too deeply",
                                    "blocks inside blocks are placed down to 16 levels"};
// Blocks inside blocks are placed down to this depth; deeper ones (a block
// that inserts itself) are passed over.
constexpr int kMaxBlockNesting = 16;
// Inserts may place at most this many vertices in all: a few lines of a
// damaged or hostile file cannot ask for more memory than exists.
constexpr int64_t kMaxPlacedVertices = int64_t{1} << 25;
// Inserts may place at most this many block copies in all, empty ones too: a
// block that inserts itself many times, or an array of a block with nothing
// in it, cannot keep the reader busy for ever.
constexpr int64_t kMaxPlacedCopies = int64_t{1} << 20;
constexpr WarningKind kDxfCutOff{"binary DXF cut off before its end",
                                 "binary DXFs cut off before their end",
                                 "the entities before the cut are imported"};
constexpr WarningKind kDxfOther{"LWPOLYLINE or MESH entity", "LWPOLYLINE and MESH entities",
                                "only 3DFACE entities and polyface meshes are imported"};

}  // namespace

CImp_DXF::CImp_DXF(ImportState& state) : state_(state) {
  state_.LineMode = 0;
}

CImp_DXF::~CImp_DXF() = default;

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
  polyline_ = Polyline::None;
  blocks_.clear();
  blockIndex_.clear();
  openBlock_ = -1;
  pending_.clear();
  placedVertices_ = 0;
  placedCopies_ = 0;

  if (!state_.file) state_.file = std::make_unique<TextInput>(&state_.source);
  state_.file->Open(FileName);
  // A binary file is read as its text form: the same pairs, the same result.
  if (IsBinaryDxf(state_.file->Unread())) {
    std::string cutOff;
    std::string text = BinaryDxfToText(state_.file->Unread(), cutOff);
    if (!cutOff.empty()) state_.warnings.Count(kDxfCutOff, cutOff);
    state_.file->Open(FileName, InputBytes::Own(std::move(text)));
  }
  StartReadingAhead();
  try {
    LineCursor in(*state_.file, state_.CharsRead);
    // The bar moves and the person's events are heard once per step of the file.
    const int64_t turnBytes = ImportState::TurnStep(state_.file->Length());
    while (!in.AtEnd() && state_.StopImport == 0) {
      const char* const line = in.Position();
      const std::string_view word = ReadFirstWord(in);
      if (word == "3DFACE") {
        ReadFace3D(in, line);
      } else if (word == "VERTEX") {
        ReadVertex(in, line);
      } else if (word == "POLYLINE") {
        // Face records of a polyface mesh number the vertices of their own mesh.
        MeshBase = StoredVertices();
        ReadPolylineFlags(in);
      } else if (word == "SEQEND") {
        polyline_ = Polyline::None;
      } else if (word == "BLOCK") {
        OpenBlock(in);
      } else if (word == "ENDBLK") {
        CloseBlock();
      } else if (word == "INSERT") {
        ReadInsert(in);
      } else if (word == "LWPOLYLINE" || word == "MESH") {
        state_.warnings.Count(kDxfOther, word);
      }
      if (in.Uncommitted() >= turnBytes || in.AtEnd()) TakeTurn(in);
    }
    // Inserts of blocks defined after them are placed at the end.
    CloseBlock();
    if (state_.StopImport == 0)
      for (const DxfInsert& insert : pending_) PlaceInsert(insert, {}, 0, in);
  } catch (...) {
    records_.reset();  // the threads reading ahead stop with the read
    throw;
  }
  records_.reset();
  state_.file->Close();
}

void CImp_DXF::StartReadingAhead() {
  const unsigned threads =
      state_.options.threads > 0 ? unsigned(state_.options.threads) : ChunkedReadAhead::EveryCore();
  const std::string_view text = state_.file->Unread();
  // Only where there is enough to share out.
  if (threads < 2 || text.size() < 4 * state_.DxfReadAheadChunk) return;
  records_ = std::make_unique<DxfEntityRecords>(text.data(), text.data() + text.size(), threads,
                                                state_.DxfReadAheadChunk);
}

void CImp_DXF::TakeTurn(LineCursor& in) {
  in.Commit();
  if (records_) records_->Pass(in.Position());
  state_.ReportProgress(static_cast<double>(state_.CharsRead));
  state_.YieldToUi();
}

// The POLYLINE entity's own pairs: a polyface mesh (flag 64) is read; a
// polygon mesh (flag 16) has no face records, so its faces are not built; a
// plain polyline (a line) has no faces at all, so its vertices are passed
// over. The person is told of both.
void CImp_DXF::ReadPolylineFlags(LineCursor& in) {
  int32_t code = 0;
  bool endOfEntity = false;
  int32_t flags = 0;
  while (NextCode(in, code, endOfEntity)) {
    if (code != 70) {
      in.SkipLine();
      continue;
    }
    // Flags are a 16-bit whole number; any other value (a damaged file) sets
    // no flag rather than being cast out of range.
    const double value = ToNumber(in.ReadLine());
    flags = value >= 0 && value <= 65535 ? static_cast<int32_t>(value) : 0;
  }
  if ((flags & 64) != 0) {
    polyline_ = Polyline::Polyface;
  } else if ((flags & 16) != 0) {
    polyline_ = Polyline::PolygonMesh;
    state_.warnings.Count(kDxfPolygonMesh, "POLYLINE with flag 16");
  } else {
    polyline_ = Polyline::Plain;
    state_.warnings.Count(kDxfPlainPolyline, "POLYLINE with flag " + std::to_string(flags));
  }
}

void CImp_DXF::OpenBlock(LineCursor& in) {
  CloseBlock();  // a BLOCK whose ENDBLK is missing ends here
  DxfBlock block;
  int32_t code = 0;
  bool endOfEntity = false;
  while (NextCode(in, code, endOfEntity)) {
    if (code == 2)
      block.name = std::string(Trim(in.ReadLine()));
    else if (code == 10 || code == 20 || code == 30)
      block.base[size_t(code / 10 - 1)] = ReadCoordinate(in);
    else
      in.SkipLine();
  }
  blockFirstVertex_ = StoredVertices();
  blockFirstTriangle_ = Triangles.size();
  polyline_ = Polyline::None;
  openBlock_ = static_cast<int64_t>(blocks_.size());
  blocks_.push_back(std::move(block));
}

void CImp_DXF::CloseBlock() {
  if (openBlock_ < 0) return;
  DxfBlock& block = blocks_[size_t(openBlock_)];
  const size_t firstValue = size_t(blockFirstVertex_) * 3;
  block.vertices.assign(VertexData.begin() + std::ptrdiff_t(firstValue), VertexData.end());
  // Triangles keep their corners as the block numbers them; a polyface mesh
  // begun before the block and ended inside it has none there.
  for (size_t t = blockFirstTriangle_; t + 3 <= Triangles.size(); t += 3) {
    if (Triangles[t] < blockFirstVertex_ || Triangles[t + 1] < blockFirstVertex_ ||
        Triangles[t + 2] < blockFirstVertex_)
      continue;
    for (size_t c = 0; c < 3; ++c) block.triangles.push_back(Triangles[t + c] - blockFirstVertex_);
  }
  VertexData.resize(firstValue);
  Triangles.resize(blockFirstTriangle_);
  MeshBase = std::min(MeshBase, blockFirstVertex_);
  polyline_ = Polyline::None;
  // The first definition of a name holds.
  blockIndex_.emplace(block.name, size_t(openBlock_));
  openBlock_ = -1;
}

void CImp_DXF::ReadInsert(LineCursor& in) {
  DxfInsert insert;
  insert.line = in.LineNumber();
  int32_t code = 0;
  bool endOfEntity = false;
  // Counts of a MINSERT array: 1 to 32767 (a 16-bit whole number).
  const auto count = [&] {
    const float value = ReadCoordinate(in);
    return value >= 1 ? static_cast<int32_t>(std::min(value, 32767.0f)) : 1;
  };
  while (NextCode(in, code, endOfEntity)) {
    switch (code) {
      case 2:
        insert.block = std::string(Trim(in.ReadLine()));
        break;
      case 10:
      case 20:
      case 30:
        insert.point[size_t(code / 10 - 1)] = ReadCoordinate(in);
        break;
      case 41:
      case 42:
      case 43:
        insert.scale[size_t(code - 41)] = ReadCoordinate(in);
        break;
      case 50:
        insert.rotation = ReadCoordinate(in);
        break;
      case 210:
      case 220:
      case 230:
        insert.extrusion[size_t(code / 10 - 21)] = ReadCoordinate(in);
        break;
      case 70:
        insert.columns = count();
        break;
      case 71:
        insert.rows = count();
        break;
      case 44:
        insert.columnSpacing = ReadCoordinate(in);
        break;
      case 45:
        insert.rowSpacing = ReadCoordinate(in);
        break;
      default:
        in.SkipLine();
    }
  }
  if (!endOfEntity) return;  // cut off by the end of the file
  if (openBlock_ >= 0)
    blocks_[size_t(openBlock_)].inserts.push_back(std::move(insert));
  else if (blockIndex_.contains(insert.block))
    PlaceInsert(insert, {}, 0, in);
  else
    pending_.push_back(std::move(insert));
}

void CImp_DXF::PlaceInsert(const DxfInsert& insert, const DxfPlacement& outer, int depth,
                           LineCursor& in) {
  const auto found = blockIndex_.find(insert.block);
  if (found == blockIndex_.end()) {
    state_.warnings.Count(kDxfUndefinedBlock, insert.block);
    return;
  }
  if (depth >= kMaxBlockNesting) {
    state_.warnings.Count(kDxfDeepBlock, insert.block);
    return;
  }
  const DxfBlock& block = blocks_[found->second];
  const auto blockVertices = static_cast<int64_t>(block.vertices.size() / 3);
  const auto tooMany = [&] {
    FailAt(err::kOutOfMemory, insert.line,
           "the INSERT of block \"" + insert.block + "\" would place more than " +
               std::to_string(kMaxPlacedVertices) + " vertices in all");
  };
  const int64_t copies = int64_t{insert.rows} * insert.columns;
  if (placedVertices_ + copies * blockVertices > kMaxPlacedVertices) tooMany();
  // Each insert looked at and each copy placed counts, so that nested inserts
  // of empty blocks are bounded too.
  placedCopies_ += 1;
  if (placedCopies_ + copies > kMaxPlacedCopies)
    FailAt(err::kOutOfMemory, insert.line,
           "the INSERT of block \"" + insert.block + "\" would place more than " +
               std::to_string(kMaxPlacedCopies) + " block copies in all");
  placedCopies_ += copies;
  for (int32_t row = 0; row < insert.rows; ++row) {
    for (int32_t column = 0; column < insert.columns; ++column) {
      const DxfPlacement placement = outer * insert.Placement(block.base, column, row);
      // Blocks inside add to the count as they are placed.
      placedVertices_ += blockVertices;
      if (placedVertices_ > kMaxPlacedVertices) tooMany();
      const int32_t first = StoredVertices();
      for (size_t v = 0; v + 3 <= block.vertices.size(); v += 3) {
        const auto p =
            placement.Apply(block.vertices[v], block.vertices[v + 1], block.vertices[v + 2]);
        AppendVertex(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
                     in);
      }
      for (size_t t = 0; t + 3 <= block.triangles.size(); t += 3)
        Append(Triangles, trianglesFrom_, in, first + block.triangles[t],
               first + block.triangles[t + 1], first + block.triangles[t + 2]);
      for (const DxfInsert& inner : block.inserts) PlaceInsert(inner, placement, depth + 1, in);
    }
  }
}

void CImp_DXF::ReadFace3D(LineCursor& in, const char* name) {
  // Corners 1 to 4 carry the group codes 10-13 (x), 20-23 (y) and 30-33 (z),
  // in whatever order the file writes them.
  DxfEntityRecords::Face face;
  if (records_ && records_->FaceAt(name, face)) {
    in.TakeLinesTo(face.next, face.lines, face.extraEndBytes);
  } else {
    std::fill_n(&face.corners[0][0], 12, 0.0f);
    if (!ReadFace3DPairs(in, face.corners))
      return;  // cut off by the end of the file: nothing is added
  }
  const int32_t first = StoredVertices();
  for (const auto& c : face.corners) AppendVertex(c[0], c[1], c[2], in);
  AppendQuad(first, first + 1, first + 2, first + 3, in);
}

void CImp_DXF::ReadVertex(LineCursor& in, const char* name) {
  VertexPairs vertex;
  DxfEntityRecords::Vertex ahead;
  if (records_ && records_->VertexAt(name, ahead)) {
    vertex = ahead.pairs;
    // The record counts lines from the name line.
    for (int64_t& line : vertex.lines)
      if (line != 0) line += in.LineNumber();
    in.TakeLinesTo(ahead.next, ahead.lines, ahead.extraEndBytes);
  } else {
    ReadVertexPairs(in, vertex, [&](std::string_view text, int32_t code) {
      return CornerNumber(text, code, in);
    });
  }
  if (polyline_ == Polyline::Plain) return;  // a point of a line
  if (vertex.face) {
    AddPolyfaceFace(vertex.corners, vertex.lines, vertex.corners[3] != 0 ? 4 : 3, in);
  } else {
    AppendVertex(vertex.xyz[0], vertex.xyz[1], vertex.xyz[2], in);
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
