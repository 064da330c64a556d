#pragma once
// "Kestrel.CKsMaterial": a scene material. Colours are Long RGB values (red in
// the low byte); SpecCoeff keeps the width it was written with (Single or Double).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dispatch.h"

namespace ks {

class CKsMaterial : public DispatchObject<CKsMaterial> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.CKsMaterial";
  static void BuildMembers(MemberTable<CKsMaterial>& t);

  const std::string& Name() const { return name_; }
  // Lists that find materials by name watch for renames (see WatchName).
  void SetName(std::string name);
  // stale is set to true whenever the name changes, while it lives.
  void WatchName(const std::shared_ptr<bool>& stale);
  int16_t MaterialType() const { return materialType_; }
  void SetMaterialType(int16_t type) { materialType_ = type; }
  int32_t AmbientColor() const { return ambientColor_; }
  void SetAmbientColor(int32_t c) { ambientColor_ = c; }
  int32_t Color() const { return color_; }
  void SetColor(int32_t c) { color_ = c; }
  int32_t SpecularColor() const { return specularColor_; }
  void SetSpecularColor(int32_t c) { specularColor_ = c; }
  float Smoothness() const { return smoothness_; }
  void SetSmoothness(float s) { smoothness_ = s; }
  float Opacity() const { return opacity_; }
  void SetOpacity(float o) { opacity_ = o; }
  double SpecCoeff() const { return specCoeff_.ToDouble(); }
  // As written: Single or Double (Empty until written).
  const Variant& SpecCoeffValue() const { return specCoeff_; }
  void SetSpecCoeff(Variant v);

 private:
  std::string name_;
  std::vector<std::weak_ptr<bool>> nameWatchers_;
  int16_t materialType_ = 0;
  int32_t ambientColor_ = 0;
  int32_t color_ = 0;
  int32_t specularColor_ = 0;
  float smoothness_ = 0;
  float opacity_ = 1;  // fully opaque until told otherwise
  Variant specCoeff_ = Variant(0.0f);
};

using KsMaterialRef = std::shared_ptr<CKsMaterial>;

}  // namespace ks
