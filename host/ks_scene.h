#pragma once
// "Kestrel.CKsScene": the scene handed to the import plug-in. It owns the
// object list (ListObjects) and the material list (ListMaterials).
//
//   Prepare_Import()             an import is about to add objects: the scene
//                                notes where that import's objects begin
//   ListObjects                  the object list; ListObjects(key) or
//                                ListObjects(n) (1-based) one object
//   ListMaterials                the material list; with a name or position,
//                                one material
//   Assign_MaterialToObject(x)   x is an object's key (String) or its 1-based
//                                position (Integer or Long); binds the object
//                                to the scene material whose Name equals the
//                                object's MaterialKey. When there is no such
//                                material the object is left unbound: no error
//                                (an imported object may name a material its
//                                file never defined). Returns True when bound.
//
// When a call log is attached to the scene, the lists it hands out log into
// the same log.
#include <memory>

#include "dispatch.h"
#include "object_list.h"

namespace ks {

class CKsScene : public DispatchObject<CKsScene> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.CKsScene";
  static void BuildMembers(MemberTable<CKsScene>& t);

  CKsScene();

  const KsListRef& ObjectList() const { return objects_; }
  const KsListRef& MaterialList() const { return materials_; }
  void PrepareImport();
  // Number of Prepare_Import calls so far, and the object count at the last one.
  int32_t ImportCount() const { return importCount_; }
  int32_t ImportStart() const { return importStart_; }
  // x: key or 1-based position. Returns whether a material was bound.
  bool AssignMaterialToObject(const Variant& x);

 private:
  const KsListRef& Logged(const KsListRef& list) const;

  KsListRef objects_;
  KsListRef materials_;
  int32_t importCount_ = 0;
  int32_t importStart_ = 0;
};

using KsSceneRef = std::shared_ptr<CKsScene>;

}  // namespace ks
