// The WaveFront reader's fast lane: runs of the commonest lines, read in place
// without cutting them into lines and tokens first.
//
//   v X Y Z      three plain decimals (ReadPlainDecimalAt), one or more spaces
//   vn X Y Z     before each, the line ending right behind Z (in LF, or in
//                CR LF where that is one line end)
//   vt ...       passed over, as the general path does
//   f A B C [D]  three or four corners parted by spaces, with spaces behind
//                them allowed: each a plain vertex number (1 to 9 digits, not
//                0, a minus counting back), alone or as A/T, A//N or A/T/N
//
// Each such line changes the reader's state exactly as the general path does
// (ReadLineOf). Anything else, including a line the general path would reject,
// a full array or a line ending in a lone CR, ends the run before that line,
// and the general path takes it. Runs stop at the next progress turn, so the
// bar and Cancel are served as often as line by line.

#include <bit>

#include "decimal_number.h"
#include "imp_obj.h"
#include "line_cursor.h"
#include "text_input.h"

namespace ks::readers {

namespace {

// True when p (before end) is at a line end the fast lane takes: LF, or CR LF
// where that is one line end (crLf).
inline bool AtLineEnd(const char* p, const char* end, bool crLf) {
  return *p == '\n' || (crLf && *p == '\r' && end - p > 1 && p[1] == '\n');
}

// The start of the next line, behind the line end at p (AtLineEnd).
inline const char* PastLineEnd(const char* p) {
  return p + (*p == '\n' ? 1 : 2);
}

// Spaces at p, then a plain decimal ended by a space, or by a line end when
// last: returns where it ends, or null.
inline const char* PlainCoordinate(const char* p, const char* end, bool last, bool crLf,
                                   float& out) {
  if (p == end || *p != ' ') return nullptr;
  do ++p;
  while (p != end && *p == ' ');
  p = ReadPlainDecimalAt(p, end, out);
  if (p == nullptr || p == end || !(last ? AtLineEnd(p, end, crLf) : *p == ' ')) return nullptr;
  return p;
}

// The three coordinates of a "v" or "vn" line at p (at the space behind the
// keyword): returns the line end behind the third, or null.
inline const char* PlainTriple(const char* p, const char* end, bool crLf, float* xyz) {
  if ((p = PlainCoordinate(p, end, false, crLf, xyz[0])) == nullptr ||
      (p = PlainCoordinate(p, end, false, crLf, xyz[1])) == nullptr)
    return nullptr;
  return PlainCoordinate(p, end, true, crLf, xyz[2]);
}

// Up to 9 digits at p, none at all allowed: returns where they end, or null
// when a tenth follows.
inline const char* ShortDigits(const char* p, const char* end, int32_t& out) {
  const char* const stop = end - p > 9 ? p + 9 : end;
  int32_t value = 0;
  for (; p != stop && detail::IsDigit(*p); ++p) value = value * 10 + (*p - '0');
  if (p != end && detail::IsDigit(*p)) return nullptr;
  out = value;
  return p;
}

// A vertex number of 1 to 9 digits at p: returns where it ends, or null.
// Eight characters are looked at at once where the input has them.
inline const char* PlainVertexNumber(const char* p, const char* end, int32_t& out) {
  if (end - p >= 8) {
    const uint64_t word = detail::LoadWord(p);
    const unsigned digits = detail::LeadingDigits(word);
    if (digits == 0) return nullptr;
    if (digits < 8) {
      out = static_cast<int32_t>(detail::DigitsValue(word, digits));
      return p + digits;
    }
  }
  const char* const behind = ShortDigits(p, end, out);
  return behind == p ? nullptr : behind;
}

// An optional minus, then ShortDigits.
inline const char* ShortWholeOrNone(const char* p, const char* end, int32_t& out) {
  const bool negative = p != end && *p == '-';
  p = ShortDigits(negative ? p + 1 : p, end, out);
  if (negative) out = -out;
  return p;
}

// A face corner at p: a vertex number, then "/T", "//N" or "/T/N" (the
// texture number is dropped, a missing normal is 0); numbers plain, a minus
// allowed (counting back), 0 not as a vertex. Returns where it ends, which
// must be a space or a line end, or null.
inline const char* PlainCorner(const char* p, const char* end, bool crLf, int32_t& vertex,
                               int32_t& normal) {
  normal = 0;
  if (*p != '-') {
    p = PlainVertexNumber(p, end, vertex);
    if (p == nullptr || vertex == 0 || p == end) return nullptr;
    if (*p == ' ') return p;  // the commonest corner: a vertex number alone
  } else {
    p = PlainVertexNumber(p + 1, end, vertex);
    if (p == nullptr || vertex == 0 || p == end) return nullptr;
    vertex = -vertex;
  }
  if (*p == '/') {
    int32_t texture = 0;
    p = ShortWholeOrNone(p + 1, end, texture);
    if (p != nullptr && p != end && *p == '/') {
      const char* const number = p + 1;
      p = ShortWholeOrNone(number, end, normal);
      if (p == number || (p != nullptr && p[-1] == '-')) return nullptr;
    }
    if (p == nullptr || p == end) return nullptr;
  }
  return *p == ' ' || AtLineEnd(p, end, crLf) ? p : nullptr;
}

// A line passed over whole: the start of the next one, or null when it does
// not end in a line end the lane takes.
inline const char* PassOverLine(const char* p, const char* end, bool crLf) {
  p = FindLineEnd(p, end);
  return p != end && AtLineEnd(p, end, crLf) ? PastLineEnd(p) : nullptr;
}

}  // namespace

const char* CImp_OBJ::ReadPlainPositionAt(const char* p, const char* end,
                                          std::vector<float>& positions) {
  float xyz[3];
  if ((p = PlainTriple(p, end, plainCrLf_, xyz)) == nullptr) return nullptr;
  if (positions.capacity() - positions.size() < 3) return nullptr;
  if (!InVertexRun) {
    RunStart = LastVertex + 1;
    InVertexRun = true;
  }
  positions.push_back(xyz[0] * 10.0f);
  positions.push_back(xyz[1] * 10.0f);
  positions.push_back(xyz[2] * 10.0f);
  ++LastVertex;
  return PastLineEnd(p);
}

const char* CImp_OBJ::ReadPlainNormalAt(const char* p, const char* end) {
  float xyz[3];
  if ((p = PlainTriple(p, end, plainCrLf_, xyz)) == nullptr) return nullptr;
  Normals.insert(Normals.end(), {xyz[0] * 10.0f, xyz[1] * 10.0f, xyz[2] * 10.0f});
  HaveNormals = true;
  return PastLineEnd(p);
}

const char* CImp_OBJ::ReadPlainFaceAt(const char* p, const char* end) {
  int64_t v[4] = {};
  int32_t n[4] = {};
  unsigned count = 0;
  for (;;) {
    while (p != end && *p == ' ') ++p;
    if (p == end) return nullptr;
    if (AtLineEnd(p, end, plainCrLf_)) break;
    if (count == 4) return nullptr;
    int32_t vertex = 0;
    p = PlainCorner(p, end, plainCrLf_, vertex, n[count]);
    if (p == nullptr) return nullptr;
    v[count++] = vertex;
  }
  if (count < 3) return nullptr;
  // Positive face numbers count from the file's first position, or from the
  // run of "v" lines after two blank lines, negative ones back from the last
  // position read; objects after a break count anew.
  const int64_t rebase = Rebase ? int64_t{PrevLastVertex} + 1 : 0;
  const int64_t forward = (BlockLocal ? int64_t{RunStart} : 0) - rebase - 1;
  const int64_t back = int64_t{LastVertex} + 1 - rebase;
  const int64_t limit = VerticesSoFar();
  for (unsigned i = 0; i < count; ++i) {
    v[i] += v[i] < 0 ? back : forward;
    if (v[i] < 0 || v[i] >= limit) return nullptr;  // the general path says why
  }
  const size_t values = count == 4 ? 6 : 3;
  if (Polygons.capacity() - Polygons.size() < values) return nullptr;
  // With normals in the file, each triangle also gets its corners' normals,
  // by slot: negative numbers count back from the last normal read.
  if (HaveNormals) {
    const int32_t normals = NormalCount();
    for (unsigned i = 0; i < count; ++i) {
      const bool back = n[i] < 0;
      const int32_t slot = back ? n[i] + normals + 1 : n[i];
      if (slot < (back ? 1 : 0) || slot > normals) return nullptr;  // the general path says why
      n[i] = slot;
    }
    if (PolygonNormals.capacity() - PolygonNormals.size() < values / 3 * 10) return nullptr;
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
  return PastLineEnd(p);
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
  // The first line is read whatever the turn: the general path, too, reads a
  // line before it looks at the turn.
  while ((p < stop || lines == 0) && end - p > 3) {
    const char* next = nullptr;
    if (p[0] == 'v' && p[1] == ' ') {
      next = ReadPlainPositionAt(p + 1, end, positions);
    } else if (p[0] == 'v' && p[1] == 'n' && p[2] == ' ') {
      next = ReadPlainNormalAt(p + 2, end);
    } else if (p[0] == 'v' && p[1] == 't' && p[2] == ' ') {
      next = PassOverLine(p, end, plainCrLf_);
    } else if (p[0] == 'f' && p[1] == ' ') {
      next = ReadPlainFaceAt(p + 2, end);
    }
    if (next == nullptr) break;
    crLfEnds += next[-2] == '\r';  // a CR in a line read here is its line end
    p = next;
    ++lines;
  }
  if (lines == 0) return false;
  const int64_t bytes = p - start;
  file.Advance(static_cast<size_t>(bytes), lines, plainCrLf_ ? bytes - lines - crLfEnds : bytes,
               st_.CharsRead);
  if (!BlockLocal && LastTriangle >= 0) BlankCount = 0;
  return true;
}

}  // namespace ks::readers
