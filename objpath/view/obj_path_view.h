#pragma once
// The desktop view of frmObjPath, free of Qt in its interface so that the
// plug-in class can call it.
namespace ks::objpath {

class frmObjPath;

// Shows the loaded form in its Qt dialog, modally, parented to the active
// window; returns when the form has closed. Needs a running QApplication.
void ShowObjPathView(frmObjPath& form);

}  // namespace ks::objpath
