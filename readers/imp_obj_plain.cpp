// The WaveFront reader's fast lane: runs of the commonest lines (see
// obj_plain_line.h), read in place, or taken from the records that threads
// reading ahead made of them (obj_line_records.h).
//
// Each such line changes the reader's state exactly as the general path does
// (ReadLineOf). Anything else, including a line the general path would reject,
// a full array or a line ending in a lone CR, ends the run before that line,
// and the general path takes it. Runs stop at the next progress turn, so the
// bar and Cancel are served as often as line by line.

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "imp_obj.h"
#include "obj_line_records.h"
#include "obj_plain_line.h"
#include "text_input.h"

namespace ks::readers {

bool CImp_OBJ::ApplyPlainPosition(const float* xyz, std::vector<float>& positions) {
  if (positions.capacity() - positions.size() < 3) return false;
  if (!InVertexRun) {
    RunStart = LastVertex + 1;
    InVertexRun = true;
  }
  positions.push_back(xyz[0] * 10.0f);
  positions.push_back(xyz[1] * 10.0f);
  positions.push_back(xyz[2] * 10.0f);
  ++LastVertex;
  return true;
}

void CImp_OBJ::ApplyPlainNormal(const float* xyz) {
  Normals.insert(Normals.end(), {xyz[0] * 10.0f, xyz[1] * 10.0f, xyz[2] * 10.0f});
  HaveNormals = true;
}

bool CImp_OBJ::ApplyPlainFace(unsigned count, const int32_t* vertex, const int32_t* normal) {
  int64_t v[4];
  int32_t n[4] = {0, 0, 0, 0};
  // Positive face numbers count from the file's first position, or from the
  // run of "v" lines after two blank lines, negative ones back from the last
  // position read; objects after a break count anew.
  const int64_t rebase = Rebase ? int64_t{PrevLastVertex} + 1 : 0;
  const int64_t forward = (BlockLocal ? int64_t{RunStart} : 0) - rebase - 1;
  const int64_t back = int64_t{LastVertex} + 1 - rebase;
  const auto limit = uint64_t(VerticesSoFar());
  // Every corner placed, then one test (a number below 0 wraps above the
  // limit); the fourth corner only on quads.
  const auto place = [&](unsigned i) {
    v[i] = vertex[i] + (vertex[i] < 0 ? back : forward);
    return uint64_t(v[i]) < limit;
  };
  const bool placed = place(0) & place(1) & place(2) & (count != 4 || place(3));
  if (!placed) return false;  // the general path says why
  const size_t values = count == 4 ? 6 : 3;
  if (Polygons.capacity() - Polygons.size() < values) return false;
  // With normals in the file, each triangle also gets its corners' normals,
  // by slot: negative numbers count back from the last normal read.
  if (HaveNormals) {
    if (normal != nullptr) {
      const int32_t normals = NormalCount();
      for (unsigned i = 0; i < count; ++i) {
        const bool back = normal[i] < 0;
        const int32_t slot = back ? normal[i] + normals + 1 : normal[i];
        if (slot < (back ? 1 : 0) || slot > normals) return false;  // the general path says why
        n[i] = slot;
      }
    }
    if (PolygonNormals.capacity() - PolygonNormals.size() < values / 3 * 10) return false;
  }
  InVertexRun = false;
  // Split at "o" lines, the object numbers its vertices as its faces use them.
  if (splitObjects_)
    for (unsigned i = 0; i < count; ++i) v[i] = ObjectVertex(int32_t(v[i]));
  Polygons.push_back(int32_t(v[0]));
  Polygons.push_back(int32_t(v[1]));
  Polygons.push_back(int32_t(v[2]));
  if (count == 4) {
    // A quad is triangles 1-2-3 and 3-4-1.
    Polygons.push_back(int32_t(v[2]));
    Polygons.push_back(int32_t(v[3]));
    Polygons.push_back(int32_t(v[0]));
  }
  LastTriangle += static_cast<int32_t>(count) - 2;
  if (HaveNormals) {
    if (count == 4) {
      // The quad's triangles are corners 1-2-3 and 3-4-1.
      AppendPlainNormals(LastTriangle - 1, n[0], n[1], n[2]);
      AppendPlainNormals(LastTriangle, n[2], n[3], n[0]);
    } else {
      AppendPlainNormals(LastTriangle, n[0], n[1], n[2]);
    }
  }
  return true;
}

bool CImp_OBJ::ApplyPlainLine(const PlainLine& line, std::vector<float>& positions) {
  switch (line.kind) {
    case PlainLine::Position:
      return ApplyPlainPosition(line.xyz, positions);
    case PlainLine::Normal:
      ApplyPlainNormal(line.xyz);
      return true;
    case PlainLine::PassedOver:
      return true;
    case PlainLine::Face:
      return ApplyPlainFace(line.corners, line.vertex, line.cornerNormals ? line.normal : nullptr);
  }
  return false;
}

bool CImp_OBJ::ApplyRecord(uint32_t head, const uint32_t* words, std::vector<float>& positions) {
  using R = ObjLineRecords;
  const R::Code code = R::CodeOf(head);
  switch (code) {
    case R::kOther:
      return false;
    case R::kPosition:
    case R::kNormal: {
      float xyz[3];
      std::memcpy(xyz, words, sizeof xyz);
      if (code == R::kNormal) {
        ApplyPlainNormal(xyz);
        return true;
      }
      return ApplyPlainPosition(xyz, positions);
    }
    case R::kPassedOver:
      return true;
    default: {
      // Numbers are kept as the bits of unsigned words; int32_t may read them.
      const auto* numbers = reinterpret_cast<const int32_t*>(words);
      const unsigned corners = (code & R::kQuad) ? 4 : 3;
      return ApplyPlainFace(corners, numbers,
                            (code & R::kWithNormals) ? numbers + corners : nullptr);
    }
  }
}

void CImp_OBJ::AppendPlainNormals(int32_t triangle, int32_t n1, int32_t n2, int32_t n3) {
  PolygonNormals.push_back(static_cast<float>(triangle));
  for (const int32_t slot : {n1, n2, n3}) {
    // One value at a time: the room is there, and a range insert costs a call.
    const float* normal = Normals.data() + size_t(slot) * 3;
    PolygonNormals.push_back(normal[0]);
    PolygonNormals.push_back(normal[1]);
    PolygonNormals.push_back(normal[2]);
  }
}

namespace {

// Asks for the pages of values' block from its end up to a window beyond,
// when less than half a window is asked for already; asked is how far the
// block was asked for before.
template <class T>
void AskForPages(ObjLineRecords& records, size_t slot, std::vector<T>& values, char*& asked) {
  constexpr size_t kWindow = size_t(2) << 20;
  constexpr size_t kMinBlock = size_t(4) << 20;  // below this the pages are few
  if (values.capacity() * sizeof(T) < kMinBlock) return;
  char* const begin = reinterpret_cast<char*>(values.data());
  char* const written = begin + values.size() * sizeof(T);
  char* const stop = std::min(begin + values.capacity() * sizeof(T), written + kWindow);
  if (asked < written || asked > stop) asked = written;  // a new block
  if (stop - asked < ptrdiff_t(kWindow / 2)) return;
  records.PrefaultAhead(slot, asked, size_t(stop - asked));
  asked = stop;
}

}  // namespace

void CImp_OBJ::PrefaultArraysAhead(std::vector<float>& positions) {
  AskForPages(*records_, 0, positions, prefaulted_[0]);
  AskForPages(*records_, 1, Polygons, prefaulted_[1]);
  AskForPages(*records_, 2, PolygonNormals, prefaulted_[2]);
  AskForPages(*records_, 3, Normals, prefaulted_[3]);
}

bool CImp_OBJ::ReadPlainLines(int64_t turnStep) {
  TextInput& file = *st_.file;
  if ((st_.LineMode != 0 && st_.LineMode != 1) || file.Encoding() == TextEncoding::Utf16LE ||
      file.Encoding() == TextEncoding::Utf16BE)
    return false;
  // In line mode 0 CR LF ends a line and line ends are not counted; in line
  // mode 1 CR is a line of its own, which the general path reads.
  plainCrLf_ = st_.LineMode == 0;
  const std::string_view unread = file.Unread();
  const char* const start = unread.data();
  const char* const end = start + unread.size();
  const int64_t beforeTurn = st_.CharsBeforeTurn(turnStep);
  const char* const stop = end - start > beforeTurn ? start + beforeTurn : end;
  std::vector<float>& positions = splitObjects_ ? fileVertices_ : Vertices;
  const char* p = start;
  int64_t lines = 0;
  int64_t crLfEnds = 0;
  PlainLine line;
  if (records_) PrefaultArraysAhead(positions);
  // The first line is read whatever the turn: the general path, too, reads a
  // line before it looks at the turn. Lines come from the records read ahead
  // where there are any, else from the text.
  bool more = true;
  while (more && (p < stop || lines == 0)) {
    const ObjLineRecords::Run run = records_ ? records_->RecordsAt(p) : ObjLineRecords::Run{};
    if (run.count == 0) {
      const char* const next = ReadPlainLine(p, end, plainCrLf_, line);
      if (next == nullptr || !ApplyPlainLine(line, positions)) break;
      crLfEnds += next[-2] == '\r';  // a CR in a line read here is its line end
      p = next;
      ++lines;
      continue;
    }
    size_t taken = 0;
    const uint32_t* words = run.words;
    for (; taken < run.count && (p < stop || lines == 0); ++taken) {
      const uint32_t head = run.heads[taken];
      if (!ApplyRecord(head, words, positions)) {
        more = false;
        break;
      }
      words += ObjLineRecords::WordsOf(ObjLineRecords::CodeOf(head));
      p += ObjLineRecords::LengthOf(head);
      crLfEnds += ObjLineRecords::EndsInCrLf(head);
      ++lines;
    }
    records_->Took(taken, size_t(words - run.words), p);
  }
  if (lines == 0) return false;
  const int64_t bytes = p - start;
  file.Advance(static_cast<size_t>(bytes), lines, plainCrLf_ ? bytes - lines - crLfEnds : bytes,
               st_.CharsRead);
  if (!BlockLocal && LastTriangle >= 0) BlankCount = 0;
  return true;
}

}  // namespace ks::readers
