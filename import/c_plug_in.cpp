#include "import/c_plug_in.h"

#include <memory>

#include "import/frm_import.h"
#include "ks_version.h"
#ifdef KS_PLUGIN_VIEWS
#include "import/view/import_view.h"
#endif

namespace ks::importer {
namespace {

// A person at the desktop works the dialog in its Qt view; any other person
// works the form through ShowModal.
void ShowDialog(Runtime& rt, frmImport& dialog) {
#ifdef KS_PLUGIN_VIEWS
  if (rt.GetPerson().IsDesktop()) {
    dialog.Load();
    ShowImportView(dialog);
    return;
  }
#endif
  (void)rt;
  dialog.ShowModal();
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
  ShowDialog(rt_, *dialog);
  selectedObject_ = dialog->SelectedObject;
  v_objScene = Variant(dialog->objScene);
  dialog.reset();
}

}  // namespace ks::importer
