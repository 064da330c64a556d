// Nothing a person already has is lost to an import: stopped at any reader
// turn (Cancel, the close box or Ctrl-C), or failing on any truncated or
// corrupted copy of a file, a run leaves the scene exactly as it was; a run
// that goes through only adds to it. Every reader, through the real dialog
// run, into a scene that already holds an object bound to a material.
#include <array>
#include <csignal>
#include <random>
#include <sstream>

#include "app/scripted_import_person.h"
#include "import_test_support.h"
#include "testing/chunk_writer_3ds.h"
#include "testing/scene_snapshot.h"

namespace ks::importer::test {
namespace {

using snapshot::Compare;
using snapshot::SceneCopy;
using snapshot::SceneDifference;
using snapshot::TakeSnapshot;

struct Sample {
  std::string label;
  int format;  // position in the format list
  std::string extension;
  std::string bytes;
  size_t objects;                    // what a whole run adds
  std::vector<std::string> failing;  // copies the reader must refuse
};

void PrintTo(const Sample& sample, std::ostream* out) {
  *out << sample.label;
}

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) (out += line) += "\r\n";
  return out;
}

// The text with its first `from` replaced by `to`.
std::string Edited(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

std::string ThreeDsFile(int32_t version = 3, int32_t vertexChunkLength = 0) {
  using namespace test3ds;
  Chunk material(0xAFFF);
  material.Add(MaterialName("red")).Add(Chunk(0xA020).Add(Color24(200, 0, 0)));
  Chunk faces = Faces({{0, 1, 2}, {0, 2, 3}});
  faces.Add(FaceMaterial("red", {0, 1}));
  Chunk vertices = Vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  if (vertexChunkLength) vertices.ForceLength(vertexChunkLength);
  Chunk squareMesh(0x4100);
  squareMesh.Add(vertices).Add(faces).Add(Matrix(1, 2, 3));
  Chunk square = NamedObject("square");
  square.Add(squareMesh);
  Chunk triangleMesh(0x4100);
  triangleMesh.Add(Vertices({{0, 0, 0}, {0, 0, 1}, {0, 1, 1}})).Add(Faces({{0, 1, 2}}));
  Chunk triangle = NamedObject("triangle");
  triangle.Add(triangleMesh);
  Chunk editor(0x3D3D);
  editor.Add(Chunk(0x3D3E).I32(3)).Add(material).Add(square).Add(triangle);
  const Bytes bytes = File({editor}, version);
  return {bytes.begin(), bytes.end()};
}

Sample ObjSample() {
  const std::string obj = Lines({"# Object first", "v 0 0 0", "v 1 0 0", "v 1 1 0", "v 0 1 0",
                                 "vn 0 0 1", "s 1", "f 1//1 2//1 3//1 4//1", "# Object second",
                                 "v 2 2 2", "v 3 2.5 2", "v 3 3 2", "f 5 6 7", "f -1 -2 -3"});
  return {"OBJ",
          0,
          "obj",
          obj,
          2,
          {Edited(obj, "4//1", "4//9"),           // a normal the file does not hold
           Edited(obj, "2.5", "2.5e99"),          // beyond a Single
           Edited(obj, "f 5 6 7", "f 5 6 70")}};  // a vertex the file does not hold
}

Sample DxfSample() {
  std::string dxf = Lines({"  0", "SECTION", "  2", "ENTITIES", "  0", "3DFACE", "  8", "0"});
  const std::array<std::string_view, 4> corners{"0 0 0", "1 0 0", "1 1 0", "0 1 2"};
  for (size_t k = 0; k < corners.size(); ++k)
    for (size_t axis = 0; axis < 3; ++axis)  // group codes 10, 20, 30, 11, 21 ...
      dxf += Lines({" " + std::to_string(10 * (axis + 1) + k), corners[k].substr(2 * axis, 1)});
  dxf += Lines({"  0", "POLYLINE", " 66", "1", " 70", "64", " 71", "3", " 72", "1"});
  for (std::string_view xyz : {"0 0 0", "1 0 0", "0 1 0"})
    dxf += Lines({"  0", "VERTEX", " 10", xyz.substr(0, 1), " 20", xyz.substr(2, 1), " 30",
                  xyz.substr(4, 1), " 70", "192"});
  dxf += Lines({"  0", "VERTEX", " 70", "128", " 71", "1", " 72", "2", " 73", "-3", "  0", "SEQEND",
                "  0", "ENDSEC", "  0", "EOF"});
  return {"DXF",
          1,
          "dxf",
          dxf,
          1,
          {Edited(dxf, " 72\r\n2", " 72\r\nx"),     // a face index that is no number
           Edited(dxf, " 73\r\n-3", " 73\r\n9")}};  // a vertex the file does not hold
}

Sample ThreeDsSample() {
  return {"3DS",
          2,
          "3ds",
          ThreeDsFile(),
          2,
          {ThreeDsFile(2),       // an older version
           ThreeDsFile(3, 4)}};  // a chunk shorter than its header
}

Sample PovSample() {
  const std::string pov = Lines(
      {"#declare Pyramid = mesh {", "  triangle { <0, 0, 0>, <1, 0, 0>, <0, 1, 0> }",
       "  smooth_triangle { <0, 0, 1>, <0, 0, 1>, <1, 0, 1>, <0, 1, 0>, <0, 1, 1>, "
       "<1, 0, 0> }",
       "}", "object {", "  mesh {", "    triangle { <2, 0, 0>, <3, 0, 0>, <2, 1.5, 0> }", "  }",
       "}", "#declare Twin = mesh {", "  triangle { <0, 0, 5>, <1, 0, 5>, <0, 1, 5> }", "}",
       "#declare Square = mesh2 {", "  vertex_vectors { 4, <0,0,0>, <1,0,0>,",
       "    <1,1,0>, <0,1,0> }", "  normal_vectors { 1, <0,0,1> }",
       "  face_indices { 2, <0,1,2>, <0,2,3> }", "  normal_indices { 2, <0,0,0>, <0,0,0> }", "}"});
  return {"POV",
          3,
          "inc",
          pov,
          4,
          {pov + Lines({"mesh2 { vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> }",
                        "face_indices { 1, <0, 1, 7> } }"}),  // a vertex the mesh lacks
           Edited(pov, "<0, 1, 0>", "<0, 1e99, 0>")}};        // beyond a Single
}

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {ObjSample(), DxfSample(), ThreeDsSample(),
                                              PovSample()};
  return samples;
}

enum class StopBy { Nothing, CancelButton, CloseBox, Interrupt };
constexpr std::array<const char*, 4> kStopNames{"no stop", "Cancel", "the close box", "Ctrl-C"};

// `kestrel import`'s person, whose Ctrl-C arrives at the given reader turn.
class InterruptedPerson : public kestrel::ScriptedImportPerson {
 public:
  InterruptedPerson(kestrel::ImportAnswers answers, std::ostream& err, int interruptAt)
      : ScriptedImportPerson(std::move(answers), err, &interrupt_, false), at_(interruptAt) {}
  void DoEvents() override {
    if (++turns == at_) interrupt_ = 1;
    ScriptedImportPerson::DoEvents();
  }
  int turns = 0;

 private:
  volatile std::sig_atomic_t interrupt_ = 0;
  int at_;
};

struct RunResult {
  bool finished = false;    // the run closed the dialog
  bool errorShown = false;  // a warning said what went wrong
  std::string shown;        // every message, for failure reports
  int turns = 0;            // reader turns that reached the person
  int32_t selected = 0;     // the dialog's SelectedObject
  SceneCopy before, after;  // the scene around the run
  SceneCopy again;          // after Import was pressed again in the stopped dialog
};

// Empty when two runs into equal scenes left equal scenes: what they added
// are other objects with the same contents.
std::string SameOutcome(const SceneCopy& expected, SceneCopy actual) {
  if (actual.objects.size() != expected.objects.size() ||
      actual.materials.size() != expected.materials.size())
    return SceneDifference(expected, actual);
  for (size_t i = 0; i < actual.objects.size(); ++i) {
    actual.objects[i].identity = expected.objects[i].identity;
    actual.objects[i].material = expected.objects[i].material;
  }
  for (size_t i = 0; i < actual.materials.size(); ++i)
    actual.materials[i].identity = expected.materials[i].identity;
  return SceneDifference(expected, actual);
}

class SceneUntouchedSweep : public ImportFixture, public ::testing::WithParamInterface<Sample> {
 protected:
  // A scene holding an object of its own, placed, coloured and bound to a
  // material named as the 3DS file's own.
  void FillScene() {
    scene_ = rt_->CreateObject("Kestrel.CKsScene");
    ObjectRef material = rt_->CreateObject("Kestrel.CKsMaterial");
    Put(material, "Name", "red");
    Call(Get(scene_, "ListMaterials").ToObject(), "Add", material);
    ObjectRef mine = MakeTriangle(*rt_, "mine", 7);
    Put(mine, "MaterialKey", "red");
    Put(mine, "DefaultColor", int32_t{255});
    Put(mine, "PosX", 4.f);
    Call(Get(scene_, "ListObjects").ToObject(), "Add", mine);
    Call(scene_, "Assign_MaterialToObject", int16_t{1});
  }

  // Imports `bytes` as the sample's format with every option ticked,
  // stopping at reader turn `stopAt` in the given way.
  RunResult Import(std::string_view bytes, StopBy by = StopBy::Nothing, int stopAt = 0) {
    const Sample& sample = GetParam();
    FillScene();
    RunResult run;
    run.before = TakeSnapshot(Scene());
    const std::string file = WriteFile("sweep." + sample.extension, std::string(bytes));
    frmImport form(*rt_);
    form.objScene = scene_;
    form.SetEventPumpThrottle(1, std::chrono::nanoseconds(0));
    if (by == StopBy::Interrupt) {
      std::ostringstream err;
      auto person = std::make_shared<InterruptedPerson>(
          kestrel::ImportAnswers{sample.format, true, true, true, file}, err, stopAt);
      rt_->SetPerson(person);
      form.ShowModal();  // the person picks, ticks and presses Import
      run.finished = person->RunFinished();
      run.errorShown = person->ErrorShown();
      run.shown = err.str();
      run.turns = person->turns;
      run.selected = form.SelectedObject;
      run.after = TakeSnapshot(Scene());
    } else {
      person_ = std::make_shared<FakePerson>();
      person_->file = file;
      person_->answers = {MsgResult::Yes};
      person_->onDoEvents = [&] {
        if (person_->doEvents != stopAt) return;
        if (by == StopBy::CancelButton) form.Fire("cmdCancel_Click");
        if (by == StopBy::CloseBox) form.RequestClose();
      };
      rt_->SetPerson(person_);
      form.Load();
      form.SetFormatIndex(sample.format);
      for (Control* box : {&form.chkNorm, &form.chkSmooth, &form.chkAutoSmooth})
        box->value = Variant(int16_t{1});
      form.Fire("cmdImport_Click");
      run.finished = form.Closed();
      for (const ShownMessage& m : person_->messages) {
        run.errorShown |= m.icon == MsgIcon::Exclamation;
        run.shown += m.text + "\n";
      }
      run.turns = person_->doEvents;
      run.selected = form.SelectedObject;
      run.after = TakeSnapshot(Scene());
      if (stopAt > 0 && !run.finished) {
        // Nothing of the stopped run is left for the next one to pick up.
        stopAt = 0;
        form.Fire("cmdImport_Click");
        run.again = TakeSnapshot(Scene());
      }
    }
    return run;
  }

  // Runs of a reader that did not go through: the scene as it was, nothing
  // selected, and a message saying why unless the person stopped the run.
  static void ExpectSceneAsBefore(const RunResult& run, bool stopped) {
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(SceneDifference(run.before, run.after), "");
    EXPECT_EQ(run.selected, -1);
    if (stopped)
      EXPECT_FALSE(run.errorShown) << run.shown;
    else
      EXPECT_TRUE(run.errorShown) << "a failed run must say why";
  }
};

INSTANTIATE_TEST_SUITE_P(Readers, SceneUntouchedSweep, ::testing::ValuesIn(Samples()),
                         [](const auto& info) { return info.param.label; });

TEST_P(SceneUntouchedSweep, StoppedAtEveryReaderTurnTheSceneStaysAsItWas) {
  const RunResult whole = Import(GetParam().bytes);
  ASSERT_TRUE(whole.finished) << whole.shown;
  ASSERT_FALSE(whole.errorShown) << whole.shown;
  ASSERT_EQ(whole.after.objects.size(), whole.before.objects.size() + GetParam().objects);
  ASSERT_EQ(SceneDifference(whole.before, whole.after, Compare::OnlyAdded), "");
  ASSERT_GT(whole.turns, 5);

  for (StopBy by : {StopBy::CancelButton, StopBy::CloseBox, StopBy::Interrupt})
    for (int turn = 1; turn <= whole.turns; ++turn) {
      SCOPED_TRACE(std::string(kStopNames[static_cast<int>(by)]) + " at turn " +
                   std::to_string(turn) + " of " + std::to_string(whole.turns));
      const RunResult run = Import(GetParam().bytes, by, turn);
      ExpectSceneAsBefore(run, true);
      EXPECT_EQ(run.turns, turn);  // the reader reads nothing more
      if (by != StopBy::Interrupt) {
        EXPECT_EQ(SameOutcome(whole.after, run.again), "");
      }
      if (HasFailure()) return;
    }
}

// Failing runs leave the scene untouched; runs that go through (a shorter
// file can be whole, and a number that does not read is passed over with a
// message) only add. Both kinds must occur, or the sweep proves nothing.
// Each copy is also stopped at its last reader turn.
TEST_P(SceneUntouchedSweep, TruncatedAndCorruptedFilesFailWithoutTouchingTheScene) {
  const std::string& whole = GetParam().bytes;
  std::vector<std::string> copies;
  for (size_t size = 0; size < whole.size(); ++size) copies.push_back(whole.substr(0, size));
  std::mt19937 rng(1234);
  const std::string_view likely = "0123456789 -.,/<>{}#\r\nexf";
  for (int i = 0; i < 300; ++i) {
    std::string copy = whole;
    for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
      const auto value = rng();
      copy[rng() % copy.size()] =
          value % 2 ? static_cast<char>(value >> 8) : likely[(value >> 8) % likely.size()];
    }
    copies.push_back(std::move(copy));
  }

  const size_t refused = copies.size();
  copies.insert(copies.end(), GetParam().failing.begin(), GetParam().failing.end());

  int failed = 0, added = 0, passedOver = 0;
  for (size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(i < whole.size() ? "first " + std::to_string(i) + " bytes"
                 : i < refused    ? "corrupted copy " + std::to_string(i - whole.size())
                                  : "refused copy " + std::to_string(i - refused));
    const RunResult run = Import(copies[i]);
    if (i >= refused) {
      EXPECT_TRUE(run.errorShown) << "the reader must refuse this copy";
      EXPECT_EQ(SceneDifference(run.before, run.after), "");
    }
    if (!run.finished) {
      ++failed;
      ExpectSceneAsBefore(run, false);
    } else {
      ++added;
      passedOver += run.errorShown;
      EXPECT_EQ(SceneDifference(run.before, run.after, Compare::OnlyAdded), "");
      if (run.after.objects.size() > run.before.objects.size()) {
        EXPECT_GT(run.selected, static_cast<int32_t>(run.before.objects.size()));
        EXPECT_LE(run.selected, static_cast<int32_t>(run.after.objects.size()));
      }
    }
    // Stopped at its last turn, the reader ends quietly before the fault it
    // would have met next.
    if (run.turns > 0)
      ExpectSceneAsBefore(Import(copies[i], StopBy::CancelButton, run.turns), true);
    if (HasFailure()) return;
  }
  RecordProperty("failed", failed);
  RecordProperty("added", added);
  RecordProperty("passed_over", passedOver);  // finished with a message
  EXPECT_GT(failed, 0);
  EXPECT_GT(added, 0);
}

}  // namespace
}  // namespace ks::importer::test
