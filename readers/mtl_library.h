#pragma once
// A WaveFront material library (.mtl): the materials its "newmtl" sections
// define, with the values the host's materials keep.
//
// Read: "newmtl NAME", "Kd", "Ka", "Ks" (r g b from 0 to 1, or one value for
// grey), "Ns" (0 to 1000), "d" (opacity) and "Tr" (transparency). Texture
// maps are passed over with a warning, a line whose values cannot be read with
// a warning naming the library and the line; everything else is skipped.
// Spaces and tabs part the words; "#" starts a comment.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/ks_color.h"
#include "readers/import_warnings.h"

namespace ks::readers {

class TextInput;

struct MtlMaterial {
  std::string name;
  int32_t diffuse = Rgb(204, 204, 204);  // Kd; 0.8 grey when the file gives none
  int32_t ambient = 0;                   // Ka
  int32_t specular = 0;                  // Ks
  float smoothness = 0;                  // Ns / 1000
  float opacity = 1;                     // d, or 1 - Tr
};

// Reads the library open in input; shownName names it in warnings.
std::vector<MtlMaterial> ReadMaterialLibrary(TextInput& input, std::string_view shownName,
                                             ImportWarnings& warnings);

// A colour value from 0 to 1 as a byte, rounded half to even; values outside
// are taken as the nearest end.
int ColorByte(float value);

}  // namespace ks::readers
