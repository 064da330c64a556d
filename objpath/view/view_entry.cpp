// The entry point of the path dialog's view module (host/form_view.h).
#include "host/form_view.h"
#include "objpath/frm_obj_path.h"
#include "objpath/view/obj_path_view.h"

extern "C" void KsShowFormView(ks::Form& form) {
  ks::objpath::ShowObjPathView(static_cast<ks::objpath::frmObjPath&>(form));
}
