#include "objpath/c_plug_in.h"

#include <memory>

#include "ks_version.h"
#include "objpath/frm_obj_path.h"
#ifdef KS_PLUGIN_VIEWS
#include "objpath/view/obj_path_view.h"
#endif

namespace ks::objpath {
namespace {

// A person at the desktop works the loaded dialog in its Qt view; any other
// person works the form through ShowModal.
void ShowDialog(Runtime& rt, frmObjPath& dialog) {
#ifdef KS_PLUGIN_VIEWS
  if (rt.GetPerson().IsDesktop()) return ShowObjPathView(dialog);
#endif
  rt.GetPerson().ShowModal(dialog);
}

}  // namespace

void CPlugIn::BuildMembers(MemberTable<CPlugIn>& t) {
  t.Property("Name", [](CPlugIn& p, std::span<Variant>) { return Variant(p.Name()); });
  t.Property("PlugInType", [](CPlugIn& p, std::span<Variant>) { return Variant(p.PlugInType()); });
  t.Method("ExecutePlugIn", [](CPlugIn& p, std::span<Variant> a) {
    p.ExecutePlugIn(Arg(a, 0));
    return Variant();
  });
}

CPlugIn::CPlugIn(Runtime& rt)
    : rt_(rt),
      name_("Object by Path Generator v" + std::to_string(KS_VERSION_MAJOR) + "." +
            std::to_string(KS_VERSION_MINOR)),
      plugInType_(0) {}

void CPlugIn::ExecutePlugIn(Variant& NewObject3D) {
  ObjectRef object3D = NewObject3D.ToObject();
  // Without an object there is nothing to build into.
  RequireObject(object3D, "ExecutePlugIn: the new object");
  auto dialog = std::make_unique<frmObjPath>(rt_);
  dialog->Object3D = object3D;
  dialog->Fire("Form_Load");
  ShowDialog(rt_, *dialog);
  // The call returns only after the dialog has closed.
  if (!dialog->Closed()) dialog->RequestClose();
  NewObject3D = Variant(dialog->Object3D);
  dialog.reset();
}

}  // namespace ks::objpath
