#include "runtime.h"

#include <dlfcn.h>

namespace ks {
namespace {

using RegisterFn = int32_t (*)(Runtime*, const char*);
using GetClassObjectFn = bool (*)(const char*, ClassFactory*);
using CanUnloadNowFn = int32_t (*)();

constexpr std::string_view kServerKey = "InprocServer32";

std::string ServerSubkey(std::string_view progId) {
  return std::string(progId) + "\\" + std::string(kServerKey);
}

// what names the library for the person: "the plug-in library", or for a
// module the host ships, the module and the class it was loaded for.
[[noreturn]] void LoadFailure(const std::filesystem::path& lib, const std::string& why,
                              std::string_view what = "the plug-in library") {
  throw ComError(err::kCannotCreateObject,
                 "Cannot load " + std::string(what) + " " + lib.string() + ": " + why,
                 "Kestrel.Runtime");
}

// The name a library is known by: its canonical path where the file system
// can tell it, the path as given otherwise (never a filesystem exception).
std::filesystem::path LibraryKey(const std::filesystem::path& library) {
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(library, ec);
  return ec ? library : key;
}

}  // namespace

struct Runtime::Library {
  void* handle = nullptr;
  RegisterFn registerServer = nullptr;
  RegisterFn unregisterServer = nullptr;
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
  ~Library() {
    if (handle) dlclose(handle);
  }
};

Runtime::Runtime(std::filesystem::path registryFile) : registry_(std::move(registryFile)) {}

Runtime::~Runtime() {
  // Objects from plug-ins may still be referenced by the caller at this point;
  // keeping the libraries mapped until process exit is the safe choice.
  for (auto& [path, lib] : libraries_) lib->handle = nullptr;
}

void Runtime::RegisterClass(std::string progId, ClassFactory factory) {
  inProcess_[std::move(progId)] = std::move(factory);
}

void Runtime::RegisterModuleClass(std::string progId, std::filesystem::path library) {
  moduleClasses_[std::move(progId)] = std::move(library);
}

Runtime::Library& Runtime::Load(const std::filesystem::path& library, std::string_view what) {
  const std::filesystem::path key = LibraryKey(library);
  if (auto it = libraries_.find(key); it != libraries_.end()) return *it->second;
  if (!std::filesystem::exists(key)) LoadFailure(library, "the file does not exist", what);
  auto lib = std::make_unique<Library>();
  lib->handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib->handle) LoadFailure(library, dlerror(), what);
  lib->registerServer = reinterpret_cast<RegisterFn>(dlsym(lib->handle, "KsDllRegisterServer"));
  lib->unregisterServer = reinterpret_cast<RegisterFn>(dlsym(lib->handle, "KsDllUnregisterServer"));
  lib->getClassObject =
      reinterpret_cast<GetClassObjectFn>(dlsym(lib->handle, "KsDllGetClassObject"));
  lib->canUnloadNow = reinterpret_cast<CanUnloadNowFn>(dlsym(lib->handle, "KsDllCanUnloadNow"));
  if (!lib->registerServer || !lib->unregisterServer || !lib->getClassObject || !lib->canUnloadNow)
    LoadFailure(library, "it is not an in-process server (entry points missing)", what);
  return *libraries_.emplace(key, std::move(lib)).first->second;
}

ObjectRef Runtime::CreateObject(std::string_view progId) {
  ObjectRef obj = CreateUnlogged(progId);
  if (obj && callLog_) obj->AttachCallLog(callLog_);
  return obj;
}

ObjectRef Runtime::CreateUnlogged(std::string_view progId) {
  if (auto it = inProcess_.find(progId); it != inProcess_.end()) return it->second(*this);
  if (auto it = moduleClasses_.find(progId); it != moduleClasses_.end()) {
    Load(it->second, "the module of \"" + std::string(progId) + "\"");
    return CreateFromLibrary(progId, it->second);
  }
  auto path = registry_.Read(kHkeyClassesRoot, ServerSubkey(progId), "");
  if (!path)
    throw ComError(
        err::kCannotCreateObject,
        "Cannot create object: the class \"" + std::string(progId) + "\" is not registered",
        "Kestrel.Runtime");
  return CreateFromLibrary(progId, path->ToString());
}

ObjectRef Runtime::CreateFromLibrary(std::string_view progId,
                                     const std::filesystem::path& library) {
  Library& lib = Load(library);
  ClassFactory factory;
  if (!lib.getClassObject(std::string(progId).c_str(), &factory) || !factory)
    throw ComError(err::kCannotCreateObject,
                   "Cannot create object: " + library.string() + " does not provide \"" +
                       std::string(progId) + "\"",
                   "Kestrel.Runtime");
  return factory(*this);
}

std::vector<std::string> Runtime::RegisterServer(const std::filesystem::path& library) {
  Library& lib = Load(library);
  const std::filesystem::path key = LibraryKey(library);
  if (int32_t rc = lib.registerServer(this, key.c_str()); rc != 0)
    LoadFailure(library, "its registration failed with code " + std::to_string(rc));
  std::vector<std::string> added;
  for (const auto& c : RegisteredClasses())
    if (c.library == key) added.push_back(c.progId);
  return added;
}

void Runtime::UnregisterServer(const std::filesystem::path& library) {
  Library& lib = Load(library);
  const std::filesystem::path key = LibraryKey(library);
  if (int32_t rc = lib.unregisterServer(this, key.c_str()); rc != 0)
    LoadFailure(library, "its unregistration failed with code " + std::to_string(rc));
}

std::vector<RegisteredClass> Runtime::RegisteredClasses() const {
  std::vector<RegisteredClass> out;
  for (const std::string& progId : registry_.SubKeys(kHkeyClassesRoot, "")) {
    auto path = registry_.Read(kHkeyClassesRoot, ServerSubkey(progId), "");
    if (!path) continue;
    auto description = registry_.Read(kHkeyClassesRoot, progId, "");
    out.push_back({progId, description ? description->ToString() : "", path->ToString()});
  }
  return out;
}

int Runtime::FreeUnusedLibraries() {
  int freed = 0;
  for (auto it = libraries_.begin(); it != libraries_.end();) {
    if (it->second->canUnloadNow() == 0) {
      it = libraries_.erase(it);
      ++freed;
    } else {
      ++it;
    }
  }
  return freed;
}

bool Runtime::IsLoaded(const std::filesystem::path& library) const {
  return libraries_.count(LibraryKey(library)) > 0;
}

int32_t Runtime::RegisterSurface(PictureSurface* surface) {
  int32_t handle = ++lastSurfaceHandle_;
  surfaces_[handle] = surface;
  return handle;
}

PictureSurface* Runtime::FindSurface(int32_t handle) const {
  auto it = surfaces_.find(handle);
  return it == surfaces_.end() ? nullptr : it->second;
}

void Runtime::UnregisterSurface(int32_t handle) {
  surfaces_.erase(handle);
}

void RegisterInprocClass(Runtime& rt, std::string_view progId, std::string_view description,
                         const std::filesystem::path& library) {
  rt.Registry().Write(kHkeyClassesRoot, progId, "", Variant(description));
  rt.Registry().Write(kHkeyClassesRoot, ServerSubkey(progId), "", Variant(library.string()));
}

void UnregisterInprocClass(Runtime& rt, std::string_view progId) {
  rt.Registry().DeleteKey(kHkeyClassesRoot, progId);
}

}  // namespace ks
