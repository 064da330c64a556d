#include "import/reader_factory.h"

#include <string>

#include "host/com_error.h"
// Adding a reader: its include here and its line in kReaderMakers.
#include "readers/imp_3ds.h"
#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"

namespace ks::importer {
namespace {

using ReaderMaker = std::unique_ptr<readers::MeshReader> (*)(readers::ImportState&);

template <class Reader>
std::unique_ptr<readers::MeshReader> Make(readers::ImportState& state) {
  return std::make_unique<Reader>(state);
}

// Indexed like kImportFormats.
constexpr std::array<ReaderMaker, kImportFormats.size()> kReaderMakers{
    &Make<readers::CImp_OBJ>,  // 0 obj
    &Make<readers::CImp_DXF>,  // 1 dxf
    &Make<readers::CImp_3DS>,  // 2 3ds
    &Make<readers::CImp_POV>,  // 3 inc
};

}  // namespace

std::unique_ptr<readers::MeshReader> CreateReader(int index, readers::ImportState& state) {
  if (index < 0 || index >= static_cast<int>(kImportFormats.size()))
    throw ComError(
        err::kInvalidCall,
        "Invalid procedure call: there is no import format number " + std::to_string(index),
        "KsImport");
  return kReaderMakers[static_cast<size_t>(index)](state);
}

}  // namespace ks::importer
