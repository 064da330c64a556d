#include "host_classes.h"

#include "image_module.h"
#include "ks_material.h"
#include "ks_object.h"
#include "ks_properties.h"
#include "ks_scene.h"
#include "reg_fun.h"
#include "runtime.h"

namespace ks {

void RegisterHostClasses(Runtime& rt) {
  rt.RegisterClass(std::string(CKsObject::kClassName),
                   [](Runtime&) -> ObjectRef { return std::make_shared<CKsObject>(); });
  rt.RegisterClass(std::string(CKsMaterial::kClassName),
                   [](Runtime&) -> ObjectRef { return std::make_shared<CKsMaterial>(); });
  rt.RegisterClass(std::string(CKsScene::kClassName),
                   [](Runtime&) -> ObjectRef { return std::make_shared<CKsScene>(); });
  rt.RegisterClass(std::string(RegFun::kClassName),
                   [](Runtime& r) -> ObjectRef { return std::make_shared<RegFun>(r.Registry()); });
  rt.RegisterClass(std::string(KsProperties::kClassName),
                   [](Runtime& r) -> ObjectRef { return std::make_shared<KsProperties>(r); });
  RegisterImageModule(rt);
}

}  // namespace ks
