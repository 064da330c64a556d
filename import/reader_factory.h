#pragma once
// The reader of each import format, indexed like the format table
// (import/import_formats.h).
#include <memory>

#include "import/import_formats.h"
#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::importer {

// The reader for the format at list index `index`, sharing `state` with the run.
// Raises error 5 for an index outside the list.
std::unique_ptr<readers::MeshReader> CreateReader(int index, readers::ImportState& state);

}  // namespace ks::importer
