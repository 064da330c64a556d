#pragma once
// Line and token helpers shared by the text readers (OBJ, DXF, POV-Ray) and the
// import run. White space is the space character alone: a tab is an ordinary
// character. Comparisons are case-sensitive.
#include <cstdint>
#include <string>
#include <string_view>

#include "text_input.h"  // ReadLine

namespace ks::readers {

// Trims spaces from both ends of text and cuts off its first word: returns the
// characters before the first space and leaves text holding everything after
// that space (untrimmed; the next call trims it). Without a space inside the
// trimmed text, returns all of it and leaves text empty. "" for empty or
// all-space text.
inline std::string_view NextToken(std::string_view& text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  const char* const start = p;
  while (p != end && *p != ' ') ++p;
  const std::string_view token(start, static_cast<size_t>(p - start));
  // The rest starts behind the space, unless only spaces follow.
  const char* rest = p;
  while (rest != end && *rest == ' ') ++rest;
  text =
      rest == end ? std::string_view() : std::string_view(p + 1, static_cast<size_t>(end - p - 1));
  return token;
}

// Cuts the next token off text (as NextToken) and reads a face corner of the
// forms v, v/t, v//n, v/t/n: vertex and normal index (0 when absent or not a
// number). Values round to the nearest whole number, halves to even; a value
// outside the 32-bit range raises error 6 (overflow).
void ParseFaceCorner(std::string_view& text, int32_t& vertex, int32_t& normal);
// The same for one token already cut off.
void ParseCornerToken(std::string_view token, int32_t& vertex, int32_t& normal);

// The value of text when it is a complete number (optional sign, "." as the
// decimal point, exponent; surrounding spaces allowed), else 0. A number beyond
// the range of a Single raises error 6 (overflow).
float ToNumber(std::string_view text);
// True when text is a complete number as ToNumber reads it.
bool IsNumeric(std::string_view text);

// Replaces, from the 1-based position start on, every occurrence of search in
// text by replacement, left to right; inserted text is never searched again.
// An empty search text or a start below 1 raises error 5.
void ReplaceAll(int32_t start, std::string_view search, std::string_view replacement,
                std::string& text);

// Drops the last 4 characters of path (a dot and a three-letter extension) and
// splits the rest after its last "\" or "/": returns the base name and leaves
// the folder, separator included, in path. Without a separator it returns the
// shortened path and leaves it in path. A path of fewer than 4 characters
// raises error 5.
std::string SplitFileName(std::string& path);

}  // namespace ks::readers
