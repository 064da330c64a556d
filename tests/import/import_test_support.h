#pragma once
// Shared pieces of the import plug-in tests: a person whose answers are
// scripted, stand-in readers, and a fixture with a runtime on a temporary
// registry file and a fresh host scene.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/form.h"
#include "host/host_classes.h"
#include "host/ks_object.h"
#include "host/ks_scene.h"
#include "host/person.h"
#include "host/runtime.h"
#include "import/frm_import.h"
#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::importer::test {

struct ShownMessage {
  std::string text;
  MsgButtons buttons;
  MsgIcon icon;
  std::string title;
};

// Records what the dialog shows and answers from a script.
class FakePerson : public Person {
 public:
  std::function<void(Form&)> onShow;  // what the person does in the modal dialog
  std::function<void()> onDoEvents;   // a click arriving while a reader works
  std::deque<MsgResult> answers;      // Yes/No answers in order (No when empty)
  std::optional<std::string> file;    // the file dialog's answer (nullopt: Cancel)
  bool desktop = false;               // IsDesktop(): plug-ins show their Qt view

  std::vector<ShownMessage> messages;
  std::vector<OpenFileRequest> fileRequests;
  std::vector<int> pointers;
  int shows = 0;
  int doEvents = 0;

  void ShowModal(Form& form) override {
    ++shows;
    if (onShow) onShow(form);
  }
  MsgResult MessageBox(std::string_view text, MsgButtons buttons, MsgIcon icon,
                       std::string_view title) override {
    messages.push_back({std::string(text), buttons, icon, std::string(title)});
    if (buttons == MsgButtons::OK) return MsgResult::OK;
    if (answers.empty()) return MsgResult::No;
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
  }
  std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) override {
    fileRequests.push_back(request);
    return file;
  }
  void SetScreenPointer(int pointer) override { pointers.push_back(pointer); }
  void DoEvents() override {
    ++doEvents;
    if (onDoEvents) onDoEvents();
  }
  bool IsDesktop() const override { return desktop; }
};

// A reader whose Load is a test's lambda; it sees the shared import state.
class StandInReader : public readers::MeshReader {
 public:
  using LoadFn = std::function<void(readers::ImportState&, const std::string& file,
                                    CollectionRef& objects, CollectionRef* materials)>;
  StandInReader(readers::ImportState& state, LoadFn load, std::array<float, 3> position = {})
      : state_(state), load_(std::move(load)), position_(position) {}

  using MeshReader::Load;
  void Load(const std::string& file, CollectionRef& objects) override {
    load_(state_, file, objects, nullptr);
  }
  void Load(const std::string& file, CollectionRef& objects, CollectionRef& materials) override {
    load_(state_, file, objects, &materials);
  }
  void Get_Position(float& x, float& y, float& z) override {
    x = position_[0];
    y = position_[1];
    z = position_[2];
  }

 private:
  readers::ImportState& state_;
  LoadFn load_;
  std::array<float, 3> position_;
};

// A host mesh object with one triangle whose corners are offset by `at`.
inline ObjectRef MakeTriangle(Runtime& rt, const std::string& name, float at = 0) {
  ObjectRef obj = rt.CreateObject("Kestrel.CKsObject");
  auto& mesh = static_cast<CKsObject&>(*obj);
  mesh.SetName(name);
  const float xyz[] = {at, at, at, at + 2, at, at, at, at + 4, at};
  const int32_t corners[] = {0, 1, 2};
  mesh.AddVertices(xyz);
  mesh.AddTriangles(corners);
  return obj;
}

// Adds an item to a reader's list through the late-bound Add, as the readers do.
inline void AddItem(const CollectionRef& list, ObjectRef item) {
  Call(ObjectRef(list), "Add", std::move(item));
}

class ImportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ks-import-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    rt_ = std::make_unique<Runtime>(dir_ / "registry.ini");
    RegisterHostClasses(*rt_);
    person_ = std::make_shared<FakePerson>();
    rt_->SetPerson(person_);
    scene_ = rt_->CreateObject("Kestrel.CKsScene");
  }
  void TearDown() override {
    scene_.reset();
    rt_.reset();
    std::filesystem::remove_all(dir_);
  }

  // Writes a file in the test's folder and returns its full name.
  std::string WriteFile(const std::string& name, const std::string& content = "data\n") {
    std::filesystem::path p = dir_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }

  // A dialog on the scene, loaded as the plug-in loads it, whose readers are
  // stand-ins running `load`.
  std::unique_ptr<frmImport> MakeDialog(StandInReader::LoadFn load,
                                        std::array<float, 3> position = {}) {
    auto form = std::make_unique<frmImport>(*rt_);
    form->objScene = scene_;
    form->SetReaderFactory([load, position](int, readers::ImportState& st) {
      return std::make_unique<StandInReader>(st, load, position);
    });
    form->SetEventPumpThrottle(1, std::chrono::nanoseconds(0));
    form->Form_Load();
    return form;
  }

  CKsScene& Scene() { return static_cast<CKsScene&>(*scene_); }
  int32_t SceneObjects() { return Scene().ObjectList()->Count(); }

  std::filesystem::path dir_;
  std::unique_ptr<Runtime> rt_;
  std::shared_ptr<FakePerson> person_;
  ObjectRef scene_;
};

}  // namespace ks::importer::test
