#pragma once
// The lines of a text DXF read in place as its readers take them: group
// codes, coordinates, short whole numbers and entity names, and the pairs of
// 3DFACE and VERTEX entities. Shared by the reader (imp_dxf.cpp) and the threads that
// read entities ahead of it (dxf_entity_records.h), so that both make the
// same values of the same bytes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "readers/decimal_number.h"
#include "readers/line_cursor.h"
#include "readers/text_helpers.h"

namespace ks::readers::dxf {

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A group code line: a whole number, possibly padded with spaces; -1 for
// any other line.
int32_t GroupCode(std::string_view line);
// The numeric value of a value line (0 unless it is a number).
float NumberOf(std::string_view text);
// The same, kept out of line for the rare forms.
float AnyCoordinate(std::string_view text);
// The lines below are read in place: the common forms are parsed straight
// from the input up to the line's end, any other line is taken whole and read
// as above, so both give the same values.

// The next line as a group code, in any form (GroupCode).
int32_t ReadAnyGroupCode(LineCursor& in);

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

// Where the value of each 3DFACE group code goes: corners 1 to 4 carry the
// codes 10-13 (x), 20-23 (y) and 30-33 (z); -1 for the codes passed over.
constexpr auto kFaceSlots = [] {
  std::array<int8_t, 34> slots{};
  for (int code = 0; code < 34; ++code)
    slots[code] = code >= 10 && code % 10 <= 3 ? int8_t(code % 10 * 3 + code / 10 - 1) : int8_t(-1);
  return slots;
}();
// Reads the pairs of a 3DFACE entity, from the line behind its name on, into
// corners (x, y, z of corners 1 to 4; those not written stay as they were).
// Returns true when the entity ended at the next group code 0 (taken), false
// when the file ended first.
inline bool ReadFace3DPairs(LineCursor& in, float (&corners)[4][3]) {
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
  return endOfEntity;
}

// The pairs of a VERTEX entity: a point of a polyline, or a face record of a
// polyface mesh (groups 71-74).
struct VertexPairs {
  float xyz[3] = {0, 0, 0};
  int32_t corners[4] = {0, 0, 0, 0};  // groups 71-74 as written (sign marks a hidden edge)
  int64_t lines[4] = {0, 0, 0, 0};    // the line of each, 0 where not written
  bool face = false;
};

// Reads the pairs of a VERTEX entity, from the line behind its name on, up to
// the next group code 0 or the end of the file. A vertex number in a form
// other than plain digits is read by otherCorner(text, code) from its line.
template <class OtherCorner>
inline void ReadVertexPairs(LineCursor& in, VertexPairs& vertex, OtherCorner&& otherCorner) {
  int32_t code = 0;
  bool endOfEntity = false;
  while (NextCode(in, code, endOfEntity)) {
    switch (code) {
      case 10:
      case 20:
      case 30:
        vertex.xyz[code / 10 - 1] = ReadCoordinate(in);
        break;
      case 71:
      case 72:
      case 73:
      case 74: {
        vertex.face = true;
        const size_t k = static_cast<size_t>(code - 71);
        if (!ReadPlainWhole(in, vertex.corners[k]))
          vertex.corners[k] = otherCorner(in.ReadLine(), code);
        vertex.lines[k] = in.LineNumber();
        break;
      }
      default:
        in.SkipLine();
    }
  }
}

}  // namespace ks::readers::dxf
