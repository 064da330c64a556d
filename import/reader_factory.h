#pragma once
// The import formats in the order of the format list: the list item, the file
// extension, the option frame that belongs to it, and the reader that reads it.
#include <array>
#include <memory>
#include <string_view>

#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::importer {

struct ImportFormat {
  std::string_view item;       // text in the format list
  std::string_view extension;  // lower case, without the dot
  std::string_view frame;      // name of the option frame brought to the front
};

inline constexpr std::array<ImportFormat, 4> kImportFormats{{
    {"WaveFront (obj)", "obj", "fraWaveFront"},
    {"AutoCad (dxf)", "dxf", "fraNoOptions"},
    {"3DStudio (3ds)", "3ds", "fra3DStudio"},
    {"PovRay (inc)", "inc", "fraNoOptions"},
}};

// The reader for the format at list index `index`, sharing `state` with the run.
// Raises error 5 for an index outside the list.
std::unique_ptr<readers::MeshReader> CreateReader(int index, readers::ImportState& state);

}  // namespace ks::importer
