#include "ks_material.h"

namespace ks {

void CKsMaterial::SetName(std::string name) {
  name_ = std::move(name);
  for (const auto& watcher : nameWatchers_)
    if (const auto stale = watcher.lock()) *stale = true;
}

void CKsMaterial::WatchName(const std::shared_ptr<bool>& stale) {
  std::erase_if(nameWatchers_, [](const std::weak_ptr<bool>& w) { return w.expired(); });
  nameWatchers_.push_back(stale);
}

void CKsMaterial::SetSpecCoeff(Variant v) {
  // Single and Double are kept as they are; any other number becomes a Double.
  if (v.type() == VarType::Single || v.type() == VarType::Double)
    specCoeff_ = std::move(v);
  else
    specCoeff_ = Variant(v.ToDouble());
}

void CKsMaterial::BuildMembers(MemberTable<CKsMaterial>& t) {
  using Args = std::span<Variant>;
  t.Property(
      "Name", [](CKsMaterial& m, Args) { return Variant(m.Name()); },
      [](CKsMaterial& m, Args a) { m.SetName(a.back().ToString()); });
  t.Property(
      "MaterialType", [](CKsMaterial& m, Args) { return Variant(m.MaterialType()); },
      [](CKsMaterial& m, Args a) { m.SetMaterialType(a.back().ToInteger()); });
  t.Property(
      "AmbientColor", [](CKsMaterial& m, Args) { return Variant(m.AmbientColor()); },
      [](CKsMaterial& m, Args a) { m.SetAmbientColor(a.back().ToLong()); });
  t.Property(
      "Color", [](CKsMaterial& m, Args) { return Variant(m.Color()); },
      [](CKsMaterial& m, Args a) { m.SetColor(a.back().ToLong()); });
  t.Property(
      "SpecularColor", [](CKsMaterial& m, Args) { return Variant(m.SpecularColor()); },
      [](CKsMaterial& m, Args a) { m.SetSpecularColor(a.back().ToLong()); });
  t.Property(
      "Smoothness", [](CKsMaterial& m, Args) { return Variant(m.Smoothness()); },
      [](CKsMaterial& m, Args a) { m.SetSmoothness(a.back().ToSingle()); });
  t.Property(
      "OpacityValue", [](CKsMaterial& m, Args) { return Variant(m.Opacity()); },
      [](CKsMaterial& m, Args a) { m.SetOpacity(a.back().ToSingle()); });
  t.Property(
      "SpecCoeff", [](CKsMaterial& m, Args) { return m.SpecCoeffValue(); },
      [](CKsMaterial& m, Args a) { m.SetSpecCoeff(a.back()); });
}

}  // namespace ks
