#include "readers/dxf_entity_records.h"

#include <bit>
#include <limits>
#include <new>

namespace ks::readers {
namespace {

// A record's words: its kind, bytes from its name line to the entity's end,
// lines and extra terminator bytes behind the name line up to there, then
// the values: a face's twelve corner values as float bits; a vertex's x, y,
// z as float bits, whether it is a face record, its four vertex numbers and
// their lines counted from the name line. Its head is where its name line
// begins, counted from the chunk's start.
constexpr size_t kKind = 0, kBytes = 1, kLines = 2, kExtra = 3, kValues = 4;
constexpr size_t kWordsPerRecord = kValues + 12;
constexpr uint32_t kFace = 0, kVertex = 1;
constexpr auto kMaxWord = std::numeric_limits<uint32_t>::max();

// A vertex number in a form other than plain digits: the reader reads it.
struct NotPlain {};

uint32_t Bits(float value) {
  return std::bit_cast<uint32_t>(value);
}
float Value(uint32_t bits) {
  return std::bit_cast<float>(bits);
}

}  // namespace

DxfEntityRecords::DxfEntityRecords(const char* from, const char* end, unsigned threads,
                                   size_t chunkBytes)
    : end_(end), chunks_(from, end, threads, chunkBytes, [this](Chunk& chunk) { Read(chunk); }) {}

void DxfEntityRecords::Read(Chunk& chunk) const {
  LineCursor in(chunk.begin, end_);
  while (in.Position() < chunk.end) {
    const char* const name = in.Position();
    const std::string_view word = dxf::ReadFirstWord(in);
    const bool face = word == "3DFACE";
    if (!face && word != "VERTEX") continue;
    const int64_t lines = in.LineNumber();
    const int64_t extra = in.ExtraEndBytes();
    uint32_t values[kWordsPerRecord - kValues] = {};
    try {
      if (face) {
        float corners[4][3] = {};
        // A face the file ends inside adds nothing: the reader reads it.
        if (!dxf::ReadFace3DPairs(in, corners)) return;
        for (size_t i = 0; i < 12; ++i) values[i] = Bits((&corners[0][0])[i]);
      } else {
        dxf::VertexPairs vertex;
        dxf::ReadVertexPairs(in, vertex,
                             [](std::string_view, int32_t) -> int32_t { throw NotPlain(); });
        for (size_t i = 0; i < 3; ++i) values[i] = Bits(vertex.xyz[i]);
        values[3] = vertex.face;
        for (size_t k = 0; k < 4; ++k) {
          values[4 + k] = static_cast<uint32_t>(vertex.corners[k]);
          // Behind the name line, so never 0; within the entity's lines.
          values[8 + k] = static_cast<uint32_t>(vertex.lines[k] == 0 ? 0 : vertex.lines[k] - lines);
        }
      }
    } catch (const std::bad_alloc&) {
      throw;
    } catch (...) {
      // A value out of range or a vertex number in another form: the reader
      // reads the entity itself and tells any error.
      continue;
    }
    const auto offset = static_cast<size_t>(name - chunk.begin);
    const auto bytes = static_cast<size_t>(in.Position() - name);
    const int64_t lineCount = in.LineNumber() - lines;
    if (offset > kMaxWord || bytes > kMaxWord || lineCount > int64_t{kMaxWord}) continue;
    chunk.heads.push_back(static_cast<uint32_t>(offset));
    chunk.words.insert(
        chunk.words.end(),
        {face ? kFace : kVertex, static_cast<uint32_t>(bytes), static_cast<uint32_t>(lineCount),
         static_cast<uint32_t>(static_cast<int32_t>(in.ExtraEndBytes() - extra))});
    chunk.words.insert(chunk.words.end(), std::begin(values), std::end(values));
  }
}

const uint32_t* DxfEntityRecords::RecordAt(const char* name, uint32_t kind, Extent& extent) {
  for (;;) {
    if (chunk_ == nullptr) {
      chunks_.SkipTo(name);
      chunk_ = chunks_.Current();
      if (chunk_ == nullptr) return nullptr;
      record_ = 0;
    }
    const Chunk& chunk = *chunk_;
    const size_t count = chunk.ok ? chunk.heads.size() : 0;
    while (record_ < count && chunk.begin + chunk.heads[record_] < name) ++record_;
    if (record_ == count && name >= chunk.end) {
      chunks_.LeaveChunk();
      chunk_ = nullptr;
      continue;
    }
    if (record_ == count || chunk.begin + chunk.heads[record_] != name) return nullptr;
    const uint32_t* const words = chunk.words.data() + record_ * kWordsPerRecord;
    ++record_;
    if (words[kKind] != kind) return nullptr;
    extent.next = name + words[kBytes];
    extent.lines = words[kLines];
    extent.extraEndBytes = static_cast<int32_t>(words[kExtra]);
    return words + kValues;
  }
}

void DxfEntityRecords::Pass(const char* p) {
  if (chunk_ != nullptr && p >= chunk_->end) {
    chunks_.LeaveChunk();
    chunk_ = nullptr;
  }
  if (chunk_ == nullptr) chunks_.SkipTo(p);
}

bool DxfEntityRecords::FaceAt(const char* name, Face& face) {
  const uint32_t* const values = RecordAt(name, kFace, face);
  if (values == nullptr) return false;
  for (size_t i = 0; i < 12; ++i) (&face.corners[0][0])[i] = Value(values[i]);
  return true;
}

bool DxfEntityRecords::VertexAt(const char* name, Vertex& vertex) {
  const uint32_t* const values = RecordAt(name, kVertex, vertex);
  if (values == nullptr) return false;
  dxf::VertexPairs& pairs = vertex.pairs;
  for (size_t i = 0; i < 3; ++i) pairs.xyz[i] = Value(values[i]);
  pairs.face = values[3] != 0;
  for (size_t k = 0; k < 4; ++k) {
    pairs.corners[k] = static_cast<int32_t>(values[4 + k]);
    pairs.lines[k] = values[8 + k];
  }
  return true;
}

}  // namespace ks::readers
