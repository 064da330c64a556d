#pragma once
// Binary DXF: the same group codes and values as a text DXF, written as bytes
// behind the sentinel "AutoCAD Binary DXF" CR LF SUB NUL. Group codes take one
// byte (255 and two more bytes for a larger code) in files of release 12 and
// before, two bytes from release 13 on; the value's type follows from its
// code: text ends at a NUL, reals take 8 bytes, whole numbers 2, 4 or 8,
// flags 1, binary chunks a length byte and that many bytes. Little-endian.
#include <string>
#include <string_view>

namespace ks::readers {

// True when bytes begin with the binary sentinel.
bool IsBinaryDxf(std::string_view bytes);

// The text form of a binary DXF: a group code line and a value line per
// pair, reals written so that they read back as the same number, up to the
// EOF group. A file that ends before it gives the pairs before the cut, and
// cutOff says where it ended ("inside group 10 at offset 1234"); cutOff is
// empty for a whole file.
std::string BinaryDxfToText(std::string_view bytes, std::string& cutOff);

}  // namespace ks::readers
