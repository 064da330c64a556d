// The entry point of the import dialog's view module (host/form_view.h).
#include "host/form_view.h"
#include "import/frm_import.h"
#include "import/view/import_view.h"

extern "C" void KsShowFormView(ks::Form& form) {
  ks::importer::ShowImportView(static_cast<ks::importer::frmImport&>(form));
}
