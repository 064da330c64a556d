#include "import/c_plug_in.h"

#include <memory>

#include "import/frm_import.h"
#include "ks_version.h"

namespace ks::importer {
namespace {

constexpr std::string_view kViewModuleFile = "libKsImportView.so";

// A person at the desktop works the dialog in its Qt view, from the view
// module unless one was given; any other person works the form through
// ShowModal. A view module that cannot be loaded has been explained to the
// person: the dialog is then not shown, as if cancelled.
void ShowDialog(Runtime& rt, frmImport& dialog, FormView view) {
  Person& person = rt.GetPerson();
  if (!person.IsDesktop()) return dialog.ShowModal();
  if (!view)
    view = LoadFormView(
        person, FormViewModulePath(reinterpret_cast<const void*>(&ShowDialog), kViewModuleFile),
        kMessageTitle);
  if (!view) return;
  dialog.Load();
  view(dialog);
}

}  // namespace

void CPlugIn::BuildMembers(MemberTable<CPlugIn>& t) {
  t.Property("Name", [](CPlugIn& p, std::span<Variant>) { return Variant(p.Name()); });
  t.Property("PlugInType", [](CPlugIn& p, std::span<Variant>) { return Variant(p.PlugInType()); });
  t.Method("ExecutePlugIn", [](CPlugIn& p, std::span<Variant> a) {
    p.ExecutePlugIn(Arg(a, 0));
    return Variant();
  });
  t.Property("SelectedObject",
             [](CPlugIn& p, std::span<Variant>) { return Variant(p.SelectedObject()); });
}

CPlugIn::CPlugIn(Runtime& rt)
    : rt_(rt),
      name_("Import Object v" + std::to_string(KS_VERSION_MAJOR) + "." +
            std::to_string(KS_VERSION_MINOR)),
      plugInType_(3) {}

void CPlugIn::ExecutePlugIn(Variant& v_objScene) {
  ObjectRef scene = v_objScene.ToObject();
  // Without a scene every imported object would be dropped unseen.
  RequireObject(scene, "ExecutePlugIn: the scene");
  auto dialog = std::make_unique<frmImport>(rt_);
  dialog->objScene = scene;
  ShowDialog(rt_, *dialog, desktopView_);
  selectedObject_ = dialog->SelectedObject;
  v_objScene = Variant(dialog->objScene);
  dialog.reset();
}

}  // namespace ks::importer
