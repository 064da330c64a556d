#pragma once
// "KsObjPath.CPlugIn": the path generator's plug-in class. ExecutePlugIn hands
// a new, empty host mesh object to the dialog, shows it modally and hands back
// the filled object, or Nothing when the person cancelled.
#include <cstdint>
#include <string>

#include "host/dispatch.h"
#include "host/form_view.h"
#include "host/runtime.h"

namespace ks::objpath {

struct ModuleTag {};  // counts this library's live objects

class CPlugIn : public DispatchObject<CPlugIn>, ModuleObject<ModuleTag> {
 public:
  static constexpr std::string_view kClassName = "KsObjPath.CPlugIn";
  static constexpr std::string_view kLibraryDescription = "Ks Object by Path Generator";
  static void BuildMembers(MemberTable<CPlugIn>& t);

  explicit CPlugIn(Runtime& rt);

  const std::string& Name() const { return name_; }
  int32_t PlugInType() const { return plugInType_; }
  // NewObject3D (by reference) holds the object to fill; afterwards it holds
  // that object filled, or Nothing.
  void ExecutePlugIn(Variant& NewObject3D);
  // At the desktop the dialog shows in this view instead of the one in the
  // view module (for programs that link the view themselves).
  void SetDesktopView(FormView view) { desktopView_ = std::move(view); }

 private:
  Runtime& rt_;
  std::string name_;
  int32_t plugInType_;
  FormView desktopView_;
};

}  // namespace ks::objpath
