#pragma once
// Text on file in the Windows ANSI code page (Windows-1252) turned into UTF-8,
// the encoding of every string inside the system.
#include <string>
#include <string_view>

namespace ks::readers {

// Unicode code point of one Windows-1252 byte. 0x00-0x7F and 0xA0-0xFF are
// the same as Latin-1; 0x80-0x9F carry the typographic characters of the code
// page. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control of the same value, as the platform's own
// conversion does, so no byte is lost and no byte maps to two characters.
char32_t Windows1252ToCodePoint(unsigned char byte);

// Converts Windows-1252 bytes to UTF-8; every byte gives one character.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace ks::readers
