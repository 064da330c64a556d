#pragma once
// "KsImport.CPlugIn": the import plug-in class the host creates by class name.
// ExecutePlugIn(scene) shows the import dialog modally and hands the scene
// back; SelectedObject then holds the number of the object to select.
#include <cstdint>
#include <string>

#include "host/dispatch.h"
#include "host/form_view.h"
#include "host/runtime.h"

namespace ks::importer {

struct ModuleTag {};  // counts this library's live objects

class CPlugIn : public DispatchObject<CPlugIn>, ModuleObject<ModuleTag> {
 public:
  static constexpr std::string_view kClassName = "KsImport.CPlugIn";
  static void BuildMembers(MemberTable<CPlugIn>& t);

  explicit CPlugIn(Runtime& rt);

  const std::string& Name() const { return name_; }
  int32_t PlugInType() const { return plugInType_; }
  int32_t SelectedObject() const { return selectedObject_; }
  // v_objScene holds the host scene; it holds it again when the call returns.
  void ExecutePlugIn(Variant& v_objScene);
  // At the desktop the dialog shows in this view instead of the one in the
  // view module (for programs that link the view themselves).
  void SetDesktopView(FormView view) { desktopView_ = std::move(view); }

 private:
  Runtime& rt_;
  std::string name_;
  int32_t plugInType_;
  int32_t selectedObject_ = 0;
  FormView desktopView_;
};

}  // namespace ks::importer
