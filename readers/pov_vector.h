#pragma once
// The inside of a POV-Ray vector, the text between "<" and ">": components
// separated by commas, spaces around them allowed. "." is the decimal point.
#include <array>
#include <cstdint>
#include <string_view>

namespace ks::readers {

enum class VectorRead { Ok, NotThree, NotANumber, TooLarge };

// The common form of a vector written by programs, "<x, y, z>" with plain
// decimals, read from p on (spaces before "<" allowed): p is left behind the
// ">". False, p unchanged, for any other form; the general reading then gives
// the same values for every text this accepts.
bool ReadPlainVectorAt(const char*& p, const char* end, std::array<float, 3>& out);

// Reads three coordinates. On NotANumber or TooLarge, `bad` is the component.
VectorRead ParseVector(std::string_view inside, std::array<float, 3>& out, std::string_view& bad);

// Reads three whole numbers from 0 up (indices); false for anything else.
bool ParseIndexVector(std::string_view inside, std::array<int32_t, 3>& out);

// A whole number from 0 up, spaces around it allowed; false for anything else.
bool ParseCount(std::string_view text, int64_t& out);

std::string_view TrimSpaces(std::string_view text);

// True when word, in any case, is the upper-case name (POV-Ray's words are
// read without regard to case).
bool IsWord(std::string_view word, std::string_view upper);

}  // namespace ks::readers
