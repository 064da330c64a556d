#pragma once
// The import formats in the order of the format list: the list item, the file
// extension, the option frame that belongs to it, and the steps the run takes
// after its reader. The import dialog and its readers (import/reader_factory.h),
// `kestrel import` and the main window's File > Open all follow this table.
// Header only: the host program uses it without linking the plug-in.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace ks::importer {

// What the run does with the objects a reader returns.
enum class RunSteps {
  General,  // into the scene, bound to the materials the reader returned
  Studio,   // the same, then the 3D Studio steps: first object selected,
            // auto-smoothing, the file's position
};

struct ImportFormat {
  std::string_view item;       // text in the format list
  std::string_view extension;  // lower case, without the dot
  std::string_view frame;      // name of the option frame brought to the front
  RunSteps steps;
};

inline constexpr std::array<ImportFormat, 4> kImportFormats{{
    {"WaveFront (obj)", "obj", "fraWaveFront", RunSteps::General},
    {"AutoCad (dxf)", "dxf", "fraNoOptions", RunSteps::General},
    {"3DStudio (3ds)", "3ds", "fra3DStudio", RunSteps::Studio},
    {"PovRay (inc)", "inc", "fraNoOptions", RunSteps::General},
}};

// The list index of the format with this extension (any case, no dot), or -1.
inline int FormatIndex(std::string_view extension) {
  for (size_t i = 0; i < kImportFormats.size(); ++i) {
    const std::string_view known = kImportFormats[i].extension;
    if (known.size() == extension.size() &&
        std::equal(known.begin(), known.end(), extension.begin(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
      return static_cast<int>(i);
  }
  return -1;
}

// The run's steps for a format's extension; General for one not in the list.
inline RunSteps StepsOf(std::string_view extension) {
  const int index = FormatIndex(extension);
  return index < 0 ? RunSteps::General : kImportFormats[size_t(index)].steps;
}

// The extensions joined by separator: "obj|dxf|3ds|inc".
inline std::string ExtensionList(std::string_view separator) {
  std::string out;
  for (const ImportFormat& f : kImportFormats) {
    if (!out.empty()) out += separator;
    out += f.extension;
  }
  return out;
}

}  // namespace ks::importer
