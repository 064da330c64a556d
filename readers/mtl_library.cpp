#include "readers/mtl_library.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "host/variant.h"
#include "readers/decimal_number.h"
#include "readers/text_input.h"

namespace ks::readers {

namespace {

constexpr WarningKind kTextureMaps{"texture map", "texture maps", "textures are not imported"};
constexpr WarningKind kBadLines{"unreadable material line", "unreadable material lines",
                                "the material keeps its other values"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The next word of text (spaces and tabs part words); text keeps the rest.
std::string_view NextWord(std::string_view& text) {
  text = Trim(text);
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

bool ReadNumber(std::string_view& rest, float& out) {
  return ParseDecimal(NextWord(rest), out) == NumberRead::Ok;
}

bool IsTextureKey(std::string_view key) {
  return key.starts_with("map_") || key == "bump" || key == "disp" || key == "decal" ||
         key == "refl" || key == "norm";
}

// "r g b", or "r" alone for grey.
bool ReadColor(std::string_view rest, int32_t& out) {
  std::array<float, 3> rgb{};
  if (!ReadNumber(rest, rgb[0])) return false;
  if (Trim(rest).empty()) {
    rgb[1] = rgb[2] = rgb[0];
  } else if (!ReadNumber(rest, rgb[1]) || !ReadNumber(rest, rgb[2])) {
    return false;
  }
  out = Rgb(ColorByte(rgb[0]), ColorByte(rgb[1]), ColorByte(rgb[2]));
  return Trim(rest).empty();
}

// One line of the library; false when its values cannot be read.
bool ReadStatement(std::string_view key, std::string_view rest, std::vector<MtlMaterial>& out) {
  if (key == "newmtl") {
    const std::string_view name = Trim(rest);
    if (name.empty()) return false;
    out.push_back(MtlMaterial{std::string(name)});
    return true;
  }
  const bool known =
      key == "Kd" || key == "Ka" || key == "Ks" || key == "Ns" || key == "d" || key == "Tr";
  if (!known) return true;
  if (out.empty()) return false;  // a value before any newmtl belongs to no material
  MtlMaterial& m = out.back();
  if (key == "Kd") return ReadColor(rest, m.diffuse);
  if (key == "Ka") return ReadColor(rest, m.ambient);
  if (key == "Ks") return ReadColor(rest, m.specular);
  if (key == "d" && Trim(rest).starts_with("-halo")) NextWord(rest);
  float value = 0;
  if (!ReadNumber(rest, value) || !Trim(rest).empty()) return false;
  if (key == "Ns") m.smoothness = std::clamp(value / 1000.0f, 0.0f, 1.0f);
  if (key == "d") m.opacity = std::clamp(value, 0.0f, 1.0f);
  if (key == "Tr") m.opacity = 1.0f - std::clamp(value, 0.0f, 1.0f);
  return true;
}

}  // namespace

int ColorByte(float value) {
  if (!(value > 0)) return 0;  // NaN too
  return static_cast<int>(RoundHalfEven(std::min(value, 1.0f) * 255.0));
}

std::vector<MtlMaterial> ReadMaterialLibrary(TextInput& input, std::string_view shownName,
                                             ImportWarnings& warnings) {
  std::vector<MtlMaterial> out;
  int64_t chars = 0;  // the library's characters are not the import's progress
  while (!input.AtEnd()) {
    std::string_view line = input.ReadLine(1, chars);
    line = line.substr(0, line.find('#'));
    const std::string_view key = NextWord(line);
    if (key.empty()) continue;
    if (IsTextureKey(key)) {
      warnings.Count(kTextureMaps, key);
    } else if (!ReadStatement(key, line, out)) {
      warnings.Count(kBadLines,
                     std::string(shownName) + " line " + std::to_string(input.LineNumber()));
    }
  }
  return out;
}

}  // namespace ks::readers
