#include "fuzz/reader_fuzzing.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/host_classes.h"
#include "host/ks_material.h"
#include "host/ks_object.h"
#include "host/runtime.h"
#include "import/reader_factory.h"
#include "readers/import_state.h"

namespace ks::fuzzing {
namespace {

// Small inputs reach the OBJ reader's array-size prediction too, and are cut
// into chunks that threads read ahead (OBJ and DXF alike).
constexpr int64_t kObjPredictionStart = 64;
constexpr size_t kReadAheadChunk = 64;

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  std::abort();
}

// One runtime for the whole run: host classes registered once, so that each
// input costs only its own reading.
Runtime& FuzzRuntime() {
  static Runtime runtime(std::filesystem::temp_directory_path() /
                         ("ks-fuzz-registry-" + std::to_string(::getpid()) + ".ini"));
  static const bool registered = (RegisterHostClasses(runtime), true);
  (void)registered;
  return runtime;
}

void CheckObject(const Variant& item) {
  auto object = std::dynamic_pointer_cast<CKsObject>(item.ToObject());
  if (!object) Fail("the object list holds something that is not a mesh object");
  const std::span<const float> vertices = object->Vertices();
  const std::span<const int32_t> triangles = object->Triangles();
  if (vertices.size() % 3 != 0) Fail("vertex array is not whole x, y, z triples");
  if (triangles.size() % 3 != 0) Fail("triangle array is not whole triples");
  if (object->VertexCount() != static_cast<int32_t>(vertices.size() / 3))
    Fail("vertex count disagrees with the array");
  if (object->TriangleCount() != static_cast<int32_t>(triangles.size() / 3))
    Fail("triangle count disagrees with the array");
  for (int32_t index : triangles)
    if (index < 0 || index >= object->VertexCount())
      Fail("triangle corner out of range",
           std::to_string(index) + " of " + std::to_string(object->VertexCount()));
  if (object->NormalTriangleCount() < 0 || object->NormalTriangleCount() > object->TriangleCount())
    Fail("more triangles with normals than triangles");
  const std::span<const float> normals = object->CornerNormals();
  if (normals.size() != 0 && normals.size() != triangles.size() * 3)
    Fail("corner normals do not cover the triangles");
}

void CheckList(const CollectionRef& list, bool materials) {
  if (!list) return;
  for (int32_t i = 1; i <= list->Count(); ++i) {
    if (materials) {
      if (!std::dynamic_pointer_cast<CKsMaterial>(list->Item(i).ToObject()))
        Fail("the material list holds something that is not a material");
    } else {
      CheckObject(list->Item(i));
    }
  }
}

}  // namespace

void ReadFromMemory(ReaderFormat format, const uint8_t* data, size_t size) {
  Runtime& runtime = FuzzRuntime();
  readers::ImportState state(runtime);
  state.StopImport = 0;  // a run is going on
  state.ObjPredictionStart = kObjPredictionStart;
  state.ObjReadAheadChunk = kReadAheadChunk;
  state.DxfReadAheadChunk = kReadAheadChunk;
  state.options.threads = 2;
  state.source.UseMemory(std::span<const uint8_t>(data, size));
  const auto index = static_cast<int>(format);
  const std::string name = "fuzz." + std::string(importer::kImportFormats[index].extension);
  auto objects = std::make_shared<Collection>();
  auto materials = std::make_shared<Collection>();
  try {
    std::unique_ptr<readers::MeshReader> reader = importer::CreateReader(index, state);
    if (format == ReaderFormat::ThreeDs)
      reader->Load(name, objects, materials);
    else
      reader->Load(name, objects);
  } catch (const ComError& e) {
    if (e.description().empty())
      Fail("an error without a description, number", std::to_string(e.number()));
  } catch (const std::exception& e) {
    Fail("an error that is not the runtime's error:", e.what());
  }
  state.CloseFiles();
  CheckList(objects, false);
  CheckList(materials, true);
}

}  // namespace ks::fuzzing
