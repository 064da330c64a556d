#pragma once
// The desktop view of frmImport, free of Qt in its interface so that the
// plug-in class can call it.
namespace ks::importer {

class frmImport;

// Shows the loaded form in its Qt dialog, modally, parented to the active
// window; returns when the form has closed. Needs a running QApplication.
void ShowImportView(frmImport& form);

}  // namespace ks::importer
