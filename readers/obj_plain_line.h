#pragma once
// The commonest WaveFront lines, read where the bytes lie, without cutting
// them into lines and tokens first:
//
//   v X Y Z      three plain decimals (ReadPlainDecimalAt), one or more spaces
//   vn X Y Z     before each, the line ending right behind Z (in LF, or in
//                CR LF where that is one line end)
//   vt ...       passed over, as the general path does
//   f A B C [D]  three or four corners parted by spaces, with spaces behind
//                them allowed: each a plain vertex number (1 to 9 digits, not
//                0, a minus counting back), alone or as A/T, A//N or A/T/N
//
// What such a line says depends on its bytes alone, not on the reader's state:
// the reader's fast lane (imp_obj_plain.cpp) and the threads that read ahead
// of it (obj_line_records.h) read a line the same way here, and the reader
// applies what was read in file order.
#include <cstdint>

#include "readers/decimal_number.h"
#include "readers/line_cursor.h"

namespace ks::readers {

struct PlainLine {
  enum Kind : uint8_t { Position, Normal, PassedOver, Face };
  Kind kind = PassedOver;
  uint8_t corners = 0;         // of a face: 3 or 4
  bool cornerNormals = false;  // of a face: some corner names a normal
  float xyz[3] = {};           // of a position or normal, as written (not scaled)
  int32_t vertex[4] = {};      // of a face, as written: 1-based, or negative counting back
  int32_t normal[4] = {};      // of a face: 0 for none, else as written
};

namespace plain_line {

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

// The corners of an "f" line at p (behind "f "): returns the line end behind
// the last, or null.
inline const char* PlainFace(const char* p, const char* end, bool crLf, PlainLine& line) {
  unsigned count = 0;
  int32_t anyNormal = 0;
  for (;;) {
    while (p != end && *p == ' ') ++p;
    if (p == end) return nullptr;
    if (AtLineEnd(p, end, crLf)) break;
    if (count == 4) return nullptr;
    p = PlainCorner(p, end, crLf, line.vertex[count], line.normal[count]);
    if (p == nullptr) return nullptr;
    anyNormal |= line.normal[count++];
  }
  if (count < 3) return nullptr;
  if (count == 3) line.vertex[3] = line.normal[3] = 0;
  line.corners = static_cast<uint8_t>(count);
  line.cornerNormals = anyNormal != 0;
  return p;
}

}  // namespace plain_line

// Reads the line at p (before end, the end of the input) if it is one of the
// forms above: returns the start of the line behind it, or null for any other
// line. crLf: CR LF is one line end (line mode 0); else a CR ends the lane.
inline const char* ReadPlainLine(const char* p, const char* end, bool crLf, PlainLine& line) {
  using namespace plain_line;
  if (end - p <= 3) return nullptr;
  const char* lineEnd = nullptr;
  if (p[0] == 'v' && p[1] == ' ') {
    line.kind = PlainLine::Position;
    lineEnd = PlainTriple(p + 1, end, crLf, line.xyz);
  } else if (p[0] == 'v' && p[1] == 'n' && p[2] == ' ') {
    line.kind = PlainLine::Normal;
    lineEnd = PlainTriple(p + 2, end, crLf, line.xyz);
  } else if (p[0] == 'v' && p[1] == 't' && p[2] == ' ') {
    line.kind = PlainLine::PassedOver;
    lineEnd = FindLineEnd(p, end);
    if (lineEnd == end || !AtLineEnd(lineEnd, end, crLf)) return nullptr;
  } else if (p[0] == 'f' && p[1] == ' ') {
    line.kind = PlainLine::Face;
    lineEnd = PlainFace(p + 2, end, crLf, line);
  }
  return lineEnd == nullptr ? nullptr : PastLineEnd(lineEnd);
}

}  // namespace ks::readers
