#include "objpath/c_plug_in.h"

#include <memory>

#include "ks_version.h"
#include "objpath/frm_obj_path.h"

namespace ks::objpath {
namespace {

constexpr std::string_view kViewModuleFile = "libKsObjPathView.so";

// A person at the desktop works the loaded dialog in its Qt view, from the
// view module unless one was given; any other person works the form through
// ShowModal. A view module that cannot be loaded has been explained to the
// person: the dialog then closes unseen, as if cancelled.
void ShowDialog(Runtime& rt, frmObjPath& dialog, FormView view) {
  Person& person = rt.GetPerson();
  if (!person.IsDesktop()) return person.ShowModal(dialog);
  if (!view)
    view = LoadFormView(
        person, FormViewModulePath(reinterpret_cast<const void*>(&ShowDialog), kViewModuleFile),
        frmObjPath::kMsgErrorTitle);
  if (view) view(dialog);
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
  ShowDialog(rt_, *dialog, desktopView_);
  // The call returns only after the dialog has closed.
  if (!dialog->Closed()) dialog->RequestClose();
  NewObject3D = Variant(dialog->Object3D);
  dialog.reset();
}

}  // namespace ks::objpath
