#pragma once
// Stand-ins for the host pieces the path dialog talks to: a property grid
// reached by dispatch number, a mesh object that keeps what it is handed, and
// a person that records messages and works the dialog from a script.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/form.h"
#include "host/ks_properties_ids.h"
#include "host/runtime.h"

namespace objpath_test {

using ks::Variant;

// A registry file of the test's own, removed afterwards.
struct TempRegistry {
  std::filesystem::path file;
  TempRegistry()
      : file(std::filesystem::temp_directory_path() /
             ("ks-objpath-" + std::to_string(::getpid()) + ".ini")) {
    std::filesystem::remove(file);
  }
  ~TempRegistry() { std::filesystem::remove(file); }
};

// The grid's rows and the calls of its set-up, by dispatch number.
class FakeGrid : public ks::DispatchObject<FakeGrid> {
 public:
  static constexpr std::string_view kClassName = "KsControls.KsProperties";
  struct Row {
    std::string caption;
    Variant value;
  };
  std::vector<Row> rows;
  std::vector<std::string> setUp;  // "row Section", "group Translation", "redraw", ...
  bool enabled = true;
  std::string registryKey;
  int endEditing = 0;

  static void BuildMembers(ks::MemberTable<FakeGrid>& t) {
    using namespace ks::grid;
    auto addRow = [](const char* kind) {
      return [kind](FakeGrid& g, std::span<Variant> a) {
        Variant initial = kind == std::string("picture") ? Variant("(None)") : ks::Arg(a, 1);
        if (kind == std::string("list")) initial = ks::Arg(a, 2);
        g.rows.push_back({ks::Arg(a, 0).ToString(), initial});
        g.setUp.push_back(std::string(kind) + " " + g.rows.back().caption);
        return Variant();
      };
    };
    t.Method("AddWholeNumberRow", addRow("whole"), kAddWholeNumberRow);
    t.Method("AddListRow", addRow("list"), kAddListRow);
    t.Method(
        "BeginGroup",
        [](FakeGrid& g, std::span<Variant> a) {
          g.setUp.push_back("group " + ks::Arg(a, 0).ToString());
          return Variant();
        },
        kBeginGroup);
    t.Method("AddRealRow", addRow("real"), kAddRealRow);
    t.Method("EndGroup", Note("end group"), kEndGroup);
    t.Method("AddPictureRow", addRow("picture"), kAddPictureRow);
    t.Method("Redraw", Note("redraw"), kRedraw);
    t.Method(
        "EndEditing",
        [](FakeGrid& g, std::span<Variant>) {
          ++g.endEditing;
          return Variant();
        },
        kEndEdit);
    t.Method("FinishSetUp", Note("finish"), kFinishSetup);
    t.Property(
        "Enabled", {}, [](FakeGrid& g, std::span<Variant> a) { g.enabled = a.back().ToBool(); },
        kEnabled);
    t.Property(
        "RegistryKey", {},
        [](FakeGrid& g, std::span<Variant> a) { g.registryKey = a.back().ToString(); },
        kRegistryKey);
    t.Method(
        "SetRowValue",
        [](FakeGrid& g, std::span<Variant> a) {
          const int32_t row = ks::Arg(a, 0).ToLong();
          g.rows.at(static_cast<size_t>(row)).value = ks::Arg(a, 1);
          std::vector<Variant> args{Variant(int32_t{0}), Variant(row), ks::Arg(a, 1)};
          g.RaiseEvent("Change", args);
          return Variant();
        },
        kSetRowValue);
    t.Method(
        "RowCount",
        [](FakeGrid& g, std::span<Variant>) {
          return Variant(static_cast<int32_t>(g.rows.size()));
        },
        kRowCount);
  }

 private:
  static ks::MemberTable<FakeGrid>::Handler Note(const char* what) {
    return [what](FakeGrid& g, std::span<Variant>) {
      g.setUp.push_back(what);
      return Variant();
    };
  }
};

// A mesh object that keeps what it is handed and can be told to refuse geometry.
class RecordingMesh : public ks::DispatchObject<RecordingMesh> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.CKsObject";
  std::vector<float> vertices;
  std::vector<int32_t> polygons;
  std::vector<std::string> calls;  // member names in call order
  std::string name;
  int32_t color = 0;
  int smoothAngle = 0;
  bool refuseVertices = false;

  static void BuildMembers(ks::MemberTable<RecordingMesh>& t) {
    t.Method("Add_Vertices", [](RecordingMesh& m, std::span<Variant> a) {
      m.calls.push_back("Add_Vertices");
      if (m.refuseVertices) throw ks::ComError(ks::err::kBadData, "too many vertices");
      const auto& v = ks::Arg(a, 0).Singles();
      m.vertices.insert(m.vertices.end(), v.begin(), v.end());
      return Variant();
    });
    t.Method("Add_Poligons", [](RecordingMesh& m, std::span<Variant> a) {
      m.calls.push_back("Add_Poligons");
      const auto& p = ks::Arg(a, 0).Longs();
      m.polygons.insert(m.polygons.end(), p.begin(), p.end());
      return Variant();
    });
    t.Property("Name", {}, [](RecordingMesh& m, std::span<Variant> a) {
      m.calls.push_back("Name");
      m.name = a.back().ToString();
    });
    t.Property("DefaultColor", {}, [](RecordingMesh& m, std::span<Variant> a) {
      m.calls.push_back("DefaultColor");
      m.color = a.back().ToLong();
    });
    t.Method("SmoothNormalsAdaptive", [](RecordingMesh& m, std::span<Variant> a) {
      m.calls.push_back("SmoothNormalsAdaptive");
      EXPECT_EQ(ks::Arg(a, 0).type(), ks::VarType::Integer);
      m.smoothAngle = ks::Arg(a, 0).ToInteger();
      return Variant();
    });
    t.Method("Clear", [](RecordingMesh& m, std::span<Variant>) {
      m.calls.push_back("Clear");
      m.vertices.clear();
      m.polygons.clear();
      return Variant();
    });
  }
};

struct Message {
  std::string text;
  ks::MsgButtons buttons;
  ks::MsgIcon icon;
  std::string title;
};

// Records what the dialog shows; ShowModal runs the script on the form.
class TestPerson : public ks::Person {
 public:
  std::function<void(ks::Form&)> script;
  std::vector<Message> messages;
  std::vector<int> pointers;
  bool desktop = false;  // IsDesktop(): plug-ins show their Qt view

  void ShowModal(ks::Form& form) override {
    if (script) script(form);
  }
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon icon,
                           std::string_view title) override {
    messages.push_back({std::string(text), buttons, icon, std::string(title)});
    return ks::MsgResult::OK;
  }
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest&) override {
    return std::nullopt;
  }
  void SetScreenPointer(int pointer) override { pointers.push_back(pointer); }
  void DoEvents() override {}
  bool IsDesktop() const override { return desktop; }
};

}  // namespace objpath_test
