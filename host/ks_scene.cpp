#include "ks_scene.h"

namespace ks {

CKsScene::CKsScene()
    : objects_(std::make_shared<CKsList>(CKsList::Kind::Objects)),
      materials_(std::make_shared<CKsList>(CKsList::Kind::Materials)) {}

void CKsScene::PrepareImport() {
  ++importCount_;
  importStart_ = objects_->Count();
}

bool CKsScene::AssignMaterialToObject(const Variant& x) {
  if (x.IsEmpty() || x.IsOmitted() || x.IsObject() || x.IsArray())
    throw ComError(
        err::kTypeMismatch,
        "Assign_MaterialToObject: expected an object's key or position, got " + x.Describe(),
        std::string(kClassName));
  auto object = std::static_pointer_cast<CKsObject>(objects_->Item(x));
  auto material = std::static_pointer_cast<CKsMaterial>(materials_->Find(object->MaterialKey()));
  object->SetMaterial(material);
  return material != nullptr;
}

const KsListRef& CKsScene::Logged(const KsListRef& list) const {
  if (SharedCallLog() && list->SharedCallLog() != SharedCallLog())
    list->AttachCallLog(SharedCallLog());
  return list;
}

void CKsScene::BuildMembers(MemberTable<CKsScene>& t) {
  using Args = std::span<Variant>;
  t.Method("Prepare_Import", [](CKsScene& s, Args) {
    s.PrepareImport();
    return Variant();
  });
  t.Property("ListObjects", [](CKsScene& s, Args a) {
    if (HasArg(a, 0)) return Variant(s.objects_->Item(a[0]));
    return Variant(s.Logged(s.objects_));
  });
  t.Property("ListMaterials", [](CKsScene& s, Args a) {
    if (HasArg(a, 0)) return Variant(s.materials_->Item(a[0]));
    return Variant(s.Logged(s.materials_));
  });
  t.Method("Assign_MaterialToObject",
           [](CKsScene& s, Args a) { return Variant(s.AssignMaterialToObject(Arg(a, 0))); });
}

}  // namespace ks
