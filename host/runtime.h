#pragma once
// The component runtime: creation by class name, the class registry and
// in-process servers (plug-in shared libraries) loaded on first use.
//
// A plug-in library exports four C entry points:
//   int32_t KsDllRegisterServer(ks::Runtime* rt, const char* libraryPath);
//   int32_t KsDllUnregisterServer(ks::Runtime* rt, const char* libraryPath);
//   bool    KsDllGetClassObject(const char* progId, ks::ClassFactory* out);
//   int32_t KsDllCanUnloadNow();   // 0 when none of its objects is alive
// Registering records each class name with the library path in the registry
// store (HKEY_CLASSES_ROOT\<ProgID>\InprocServer32); creating an object of an
// unloaded class loads the library named there.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dispatch.h"
#include "person.h"
#include "registry_store.h"

namespace ks {

class PictureSurface;
class Runtime;
using ClassFactory = std::function<ObjectRef(Runtime&)>;

struct RegisteredClass {
  std::string progId;
  std::string description;
  std::filesystem::path library;
};

class Runtime {
 public:
  explicit Runtime(std::filesystem::path registryFile = RegistryStore::DefaultLocation());
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  RegistryStore& Registry() { return registry_; }

  // The person working the user interface (HeadlessPerson until one is set).
  Person& GetPerson() { return person_ ? *person_ : headless_; }
  void SetPerson(std::shared_ptr<Person> person) { person_ = std::move(person); }

  // Tests switch call logging on: every object created from now on logs its calls.
  void SetCallLog(std::shared_ptr<CallLog> log) { callLog_ = std::move(log); }
  const std::shared_ptr<CallLog>& GetCallLog() const { return callLog_; }

  // Host classes living in this process.
  void RegisterClass(std::string progId, ClassFactory factory);
  // Host classes served by a library the host ships beside itself: loaded
  // the first time one of them is created, never recorded in the registry
  // store. A registered in-process class of the same name comes first.
  void RegisterModuleClass(std::string progId, std::filesystem::path library);
  // Creates an object by class name; error 429 when the class is unknown or its
  // library cannot be loaded.
  ObjectRef CreateObject(std::string_view progId);

  // In-process servers. Register/Unregister load the library and call its entry point.
  std::vector<std::string> RegisterServer(const std::filesystem::path& library);
  void UnregisterServer(const std::filesystem::path& library);
  // Classes recorded in the registry store with their libraries.
  std::vector<RegisteredClass> RegisteredClasses() const;
  // Unloads every loaded library that says it can unload now; returns how many.
  int FreeUnusedLibraries();
  bool IsLoaded(const std::filesystem::path& library) const;

  // Picture boxes' persistent images, found by a Long handle: the device
  // context and image handle that components such as the image library are
  // given. The owner unregisters a surface before it goes away. Handles are
  // never 0 and never reused.
  int32_t RegisterSurface(PictureSurface* surface);
  PictureSurface* FindSurface(int32_t handle) const;  // nullptr when unknown
  void UnregisterSurface(int32_t handle);

 private:
  struct Library;
  ObjectRef CreateUnlogged(std::string_view progId);
  ObjectRef CreateFromLibrary(std::string_view progId, const std::filesystem::path& library);
  // what names the library in a failure's message.
  Library& Load(const std::filesystem::path& library,
                std::string_view what = "the plug-in library");

  RegistryStore registry_;
  std::shared_ptr<Person> person_;
  std::shared_ptr<CallLog> callLog_;
  HeadlessPerson headless_;
  std::map<std::string, ClassFactory, std::less<>> inProcess_;
  std::map<std::string, std::filesystem::path, std::less<>> moduleClasses_;
  std::map<std::filesystem::path, std::unique_ptr<Library>> libraries_;
  std::map<int32_t, PictureSurface*> surfaces_;
  int32_t lastSurfaceHandle_ = 0;
};

// Helpers for plug-in entry points.
void RegisterInprocClass(Runtime& rt, std::string_view progId, std::string_view description,
                         const std::filesystem::path& library);
void UnregisterInprocClass(Runtime& rt, std::string_view progId);

// Counts a module's live objects so its KsDllCanUnloadNow can answer. Each
// plug-in uses its own Tag type, so each has its own counter.
template <class Tag>
class ModuleObject {
 public:
  ModuleObject() { ++count; }
  ModuleObject(const ModuleObject&) { ++count; }
  ~ModuleObject() { --count; }
  static inline std::atomic<int> count{0};
};

}  // namespace ks
