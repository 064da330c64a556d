#pragma once
// The reader contract: Load(file name, object list [, material list]) creates
// host mesh objects, fills them and adds them to the list; failure is a
// ComError whose description is the text the user sees.
#include <string>

#include "host/collection.h"

namespace ks::readers {

class MeshReader {
 public:
  virtual ~MeshReader() = default;
  // Text readers: objects only.
  virtual void Load(const std::string& fileName, CollectionRef& colObject3D) = 0;
  // 3DS: objects and materials (the others ignore the material list).
  virtual void Load(const std::string& fileName, CollectionRef& colObject3D,
                    CollectionRef& colMaterial3D) {
    (void)colMaterial3D;
    Load(fileName, colObject3D);
  }
  // The first object's position (3DS); 0, 0, 0 elsewhere.
  virtual void Get_Position(float& x, float& y, float& z) { x = y = z = 0; }
  // The reader's own steps once the run has put its objects into the scene
  // and centred the first one (firstObject, as the scene holds it); errors
  // are ignored as in the run's other steps. Nothing by default.
  virtual void AfterImport(const ObjectRef& firstObject) { (void)firstObject; }
};

}  // namespace ks::readers
