#include "readers/imp_3ds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <random>

#include "host/ks_material.h"
#include "readers/ansi_text.h"
#include "readers/binary_cursor.h"
#include "testing/chunk_writer_3ds.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers {
namespace {

using namespace ks::test3ds;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kVersionText =
    "Sorry can only read 3ds files of version 3.0 and higher. The version of the file you want "
    "to read is : ";

class Imp3dsTest : public testing::TextReaderTest {
 protected:
  // Loads the bytes as a file; the error, if Load raised one.
  std::optional<ComError> Load(const Bytes& bytes) {
    const std::string path = Write("model.3ds", std::string(bytes.begin(), bytes.end()));
    return LoadPath(path);
  }
  std::optional<ComError> LoadPath(const std::string& path) {
    reader_ = std::make_unique<CImp_3DS>(*state_);
    try {
      reader_->Load(path, objects_, materials_);
    } catch (const ComError& e) {
      return e;
    }
    return std::nullopt;
  }
  // Loads bytes that must fail with error -100; the failure text.
  std::string Failure(const Bytes& bytes) {
    auto error = Load(bytes);
    if (!error) {
      ADD_FAILURE() << "the file was read without an error";
      return {};
    }
    EXPECT_EQ(error->number(), CImp_3DS::kErrorNumber) << error->description();
    EXPECT_EQ(objects_, nullptr);  // the caller's object list is dropped
    return error->description();
  }
  KsMaterialRef MaterialAt(int32_t index) const {
    return std::dynamic_pointer_cast<CKsMaterial>(materials_->Item(index).ToObject());
  }
  // Property writes and method calls on the material, as "member=value" lines.
  std::vector<std::string> MaterialCalls() const {
    std::vector<std::string> out;
    for (const auto& call : log_->Calls())
      if (call.object.starts_with("Kestrel.CKsMaterial"))
        out.push_back(call.ToString().substr(call.object.size() + 1));
    return out;
  }

  std::unique_ptr<CImp_3DS> reader_;
  CollectionRef objects_;
  CollectionRef materials_;
};

// A triangle object with one vertex per corner.
Chunk TriangleObject(std::string_view name, std::initializer_list<Chunk> meshExtra = {}) {
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})).Add(Faces({{0, 1, 2}}));
  for (const auto& c : meshExtra) mesh.Add(c);
  return NamedObject(name).Add(mesh);
}

// ---- Header and version ----

TEST_F(Imp3dsTest, FileTypeAndVersionChecks) {
  Bytes notMain = EditorFile({TriangleObject("A")});
  notMain[0] = 0x4C;
  EXPECT_EQ(Failure(notMain), "File type wrong!");
  EXPECT_TRUE(log_->Calls().empty());  // nothing was created

  EXPECT_EQ(Failure(File({}, 2)), std::string(kVersionText) + "2");
  EXPECT_EQ(Failure(File({}, -7)), std::string(kVersionText) + "-7");

  for (int32_t version : {3, 4}) {
    Chunk editor(0x3D3D);
    editor.Add(TriangleObject("A"));
    ASSERT_FALSE(Load(File({editor}, version)));
    EXPECT_EQ(objects_->Count(), 1);
  }

  // No version chunk directly after the main header: version 3, and the
  // chunk found there is read by the walker.
  Bytes noVersion = Chunk(0x4D4D).Add(Chunk(0x3D3D).Add(TriangleObject("B"))).Build();
  ASSERT_FALSE(Load(noVersion));
  ASSERT_EQ(objects_->Count(), 1);
  EXPECT_EQ(ObjectAt(objects_, 1)->Name(), "B");
}

// ---- Materials ----

TEST_F(Imp3dsTest, MaterialColoursPercentagesAndExactCalls) {
  Chunk material(0xAFFF);
  material.Add(MaterialName("Red"))
      .Add(Chunk(0xA010).Add(Color24(10, 20, 30)))
      .Add(Chunk(0xA020).Add(ColorFloat(1.0f, 0.5f, 0.0f)))  // 127.5 rounds to the even 128
      .Add(Chunk(0xA030).Add(Color24(1, 2, 3)).Add(LinColor24(4, 5, 6)))  // the second wins
      .Add(Chunk(0xA040).Add(IntPercent(50)))
      .Add(Chunk(0xA041).Add(FloatPercent(0.25f)))
      .Add(Chunk(0xA050).Add(IntPercent(50)));
  ASSERT_FALSE(Load(EditorFile({material})));

  EXPECT_EQ(MaterialCalls(), (std::vector<std::string>{
                                 "Name=String(\"Red\")",
                                 "MaterialType=Integer(4)",
                                 "SpecCoeff=Double(0.2)",
                                 "AmbientColor=Long(1971210)",  // 10 + 20*256 + 30*65536
                                 "Color=Long(33023)",           // 255, 128, 0
                                 "SpecularColor=Long(394500)",  // 4, 5, 6
                                 "Smoothness=Single(0.5)",
                                 "SpecCoeff=Single(0.25)",
                                 "OpacityValue=Single(0.5)",
                             }));
  ASSERT_EQ(materials_->Count(), 1);
  EXPECT_EQ(MaterialAt(1)->Color(), 33023);
}

TEST_F(Imp3dsTest, FloatColourRoundingAndOverflow) {
  auto diffuse = [](float r, float g, float b) {
    return Chunk(0xAFFF).Add(MaterialName("M")).Add(Chunk(0xA020).Add(ColorFloat(r, g, b)));
  };
  // 1/510 x 255 = 0.5 rounds to 0; 3/510 x 255 = 1.5 rounds to 2.
  ASSERT_FALSE(Load(EditorFile({diffuse(1.0f / 510, 3.0f / 510, 0.999f)})));
  EXPECT_EQ(MaterialAt(1)->Color(), 0 + 2 * 256 + 255 * 65536);

  const std::string over = Failure(EditorFile({diffuse(0.0f, 1.01f, 0.0f)}));
  EXPECT_THAT(over, StartsWith("(MAT DIFFUSE) (SINGLE COLOR CHUNK) Overflow"));
  EXPECT_THAT(Failure(EditorFile({diffuse(-0.01f, 0.0f, 0.0f)})), HasSubstr("Overflow"));
  EXPECT_THAT(Failure(EditorFile({diffuse(std::nanf(""), 0.0f, 0.0f)})), HasSubstr("Overflow"));
  // The material made before the failure is kept in the material list.
  ASSERT_NE(materials_, nullptr);
  EXPECT_EQ(materials_->Count(), 1);
}

TEST_F(Imp3dsTest, WrongSubChunksNameTheProperty) {
  auto material = [](Chunk property) { return Chunk(0xAFFF).Add(MaterialName("M")).Add(property); };
  EXPECT_THAT(Failure(EditorFile({material(Chunk(0xA020).Add(IntPercent(5)))})),
              StartsWith("(MAT DIFFUSE) (BYTE COLOR CHUNK) "));
  EXPECT_THAT(Failure(EditorFile({material(Chunk(0xA010).Add(Chunk(0x0011).U8(1)))})),
              StartsWith("(MAT AMBIENT) (BYTE COLOR CHUNK) Input past end of chunk"));
  EXPECT_THAT(Failure(EditorFile({material(Chunk(0xA050).Add(Color24(1, 2, 3)))})),
              StartsWith("(MAT TRANSPARENCY) (PERCENTAGE CHUNK) "));
  EXPECT_THAT(Failure(EditorFile({material(Chunk(0xA040).Add(Chunk(0x0030)))})),
              StartsWith("(MAT SHINESS) (INT PERCENTAGE CHUNK) Input past end of chunk"));
  // A property before any material name has no material to go to.
  EXPECT_THAT(Failure(EditorFile({Chunk(0xAFFF).Add(Chunk(0xA020).Add(Color24(1, 2, 3)))})),
              StartsWith("(MAT DIFFUSE) Object required"));
}

TEST_F(Imp3dsTest, UnnamedObjectsAndMaterialsGetDefaultNames) {
  Chunk material = Chunk(0xAFFF).Add(MaterialName(""));
  ASSERT_FALSE(Load(EditorFile({material, TriangleObject("")})));
  EXPECT_EQ(MaterialAt(1)->Name(), "Material");
  KsObjectRef object = ObjectAt(objects_, 1);
  EXPECT_EQ(object->Name(), "Object");
  EXPECT_EQ(object->DefaultColor(), 12615680);
}

TEST_F(Imp3dsTest, NamesAreConvertedFromWindows1252) {
  ASSERT_FALSE(Load(EditorFile({TriangleObject("Caf\xE9 \x80 \x81")})));
  EXPECT_EQ(ObjectAt(objects_, 1)->Name(), "Caf\u00E9 \u20AC \u0081");
  EXPECT_EQ(Windows1252ToCodePoint(0x9F), U'\u0178');
  EXPECT_EQ(Windows1252ToCodePoint(0xA0), U'\u00A0');
  EXPECT_EQ(AnsiToUtf8("\x8D\xFF"), "\u008D\u00FF");
}

// ---- Geometry ----

TEST_F(Imp3dsTest, AxisSwapCornerOrderAndPosition) {
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}))
      .Add(Faces({{0, 1, 2}}))
      .Add(Chunk(0x4165).U8(5))
      .Add(Matrix(10, 20, 30));
  Chunk second(0x4100);
  second.Add(Matrix(-1, -2, -3));  // only the file's first object places the import
  ASSERT_FALSE(Load(EditorFile({NamedObject("Box").Add(mesh), NamedObject("Two").Add(second)})));

  EXPECT_EQ(CallsOf("Add_Vertices"),
            std::vector<std::string>{"Add_Vertices(Single(9)[1,3,2,4,6,5,7,9,8])"});
  EXPECT_EQ(CallsOf("Add_Poligons"),
            std::vector<std::string>{"Add_Poligons(Long(3)[2,1,0],Integer(3))"});
  float x, y, z;
  reader_->Get_Position(x, y, z);
  EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{10, 30, 20}));
  ASSERT_EQ(objects_->Count(), 2);
  EXPECT_EQ(ObjectAt(objects_, 1)->TriangleCount(), 1);
}

TEST_F(Imp3dsTest, FaceListsAndFaceMaterials) {
  // No faces: no Add_Poligons, and the face chunk's children are still read.
  Chunk empty(0x4100);
  empty.Add(Vertices({})).Add(Faces({}).Add(FaceMaterial("Only", {})));
  // Two face materials with a smoothing chunk (one mask per face) between:
  // the object takes the last one.
  Chunk smooth(0x4150);
  smooth.I32(1).I32(2);
  Chunk two(0x4100);
  two.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}))
      .Add(Faces({{0, 1, 2}, {1, 3, 2}})
               .Add(FaceMaterial("First", {0}))
               .Add(smooth)
               .Add(Chunk(0x7777).U8(1))
               .Add(FaceMaterial("Second", {1})));
  ASSERT_FALSE(Load(EditorFile({NamedObject("E").Add(empty), NamedObject("T").Add(two)})));

  EXPECT_EQ(CallsOf("Add_Poligons"),
            std::vector<std::string>{"Add_Poligons(Long(6)[2,1,0,2,3,1],Integer(3))"});
  EXPECT_TRUE(CallsOf("Add_Vertices").size() == 1);  // an empty vertex list is not handed in
  EXPECT_EQ(ObjectAt(objects_, 1)->MaterialKey(), "Only");
  EXPECT_EQ(ObjectAt(objects_, 2)->MaterialKey(), "Second");
}

TEST_F(Imp3dsTest, UnknownChunksAreSteppedOver) {
  Chunk light = NamedObject("Lamp").Add(Chunk(0x4600).F32(1).F32(2).F32(3).Add(Chunk(0x4610)));
  Chunk object = NamedObject("Box")
                     .Add(Chunk(0x4100)
                              .Add(Chunk(0x4111).I16(2).U16(0).U16(0))  // point flags, not used
                              .Add(Chunk(0x4199).U8(0x4D).U8(0x4D))
                              .Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}))
                              .Add(Faces({{0, 1, 2}}).Add(Chunk(0x4140).U16(0))))
                     .Add(Chunk(0x4700).U8(0));  // a camera beside the mesh
  Chunk material = Chunk(0xAFFF).Add(MaterialName("M")).Add(Chunk(0xA200).Raw({1, 2, 3}));
  Chunk editor(0x3D3D);
  editor.Add(Chunk(0x0100).F32(1)).Add(light).Add(material).Add(object);
  Chunk keyframer = Chunk(0xB000).Add(Chunk(0xB002).Add(Chunk(0xB010).Str("Box")));
  ASSERT_FALSE(Load(File({Chunk(0x1234).U8(9), keyframer, editor, keyframer})));

  ASSERT_EQ(objects_->Count(), 1);  // the light block makes no object
  EXPECT_EQ(ObjectAt(objects_, 1)->Name(), "Box");
  EXPECT_EQ(ObjectAt(objects_, 1)->TriangleCount(), 1);
  EXPECT_EQ(materials_->Count(), 1);
}

// ---- Hidden flag ----

TEST_F(Imp3dsTest, HiddenFlagInTheMeshAndBesideIt) {
  auto visibleOf = [&](Chunk object) {
    EXPECT_FALSE(Load(EditorFile({object, TriangleObject("Other")})));
    EXPECT_TRUE(ObjectAt(objects_, 2)->Visible());  // the next object is not touched
    return ObjectAt(objects_, 1)->Visible();
  };
  // Inside the mesh with a flag byte: Visible = (byte != 0).
  EXPECT_FALSE(visibleOf(TriangleObject("A", {Chunk(0x4010).U8(0)})));
  EXPECT_TRUE(visibleOf(TriangleObject("A", {Chunk(0x4010).U8(1)})));
  // Without the byte the chunk itself means hidden, and reading resumes at
  // its end: the vertices after it still arrive.
  Chunk mesh(0x4100);
  mesh.Add(Chunk(0x4010)).Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})).Add(Faces({{0, 1, 2}}));
  EXPECT_FALSE(visibleOf(NamedObject("A").Add(mesh)));
  EXPECT_EQ(ObjectAt(objects_, 1)->TriangleCount(), 1);
  // In the object block, before or after the trimesh.
  Chunk before = NamedObject("A").Add(Chunk(0x4010));
  before.Add(Chunk(0x4100).Add(Vertices({{0, 0, 0}})));
  EXPECT_FALSE(visibleOf(before));
  EXPECT_FALSE(visibleOf(TriangleObject("A").Add(Chunk(0x4010))));
  // A hidden light makes no object and hides nothing.
  ASSERT_FALSE(Load(EditorFile({TriangleObject("A"), NamedObject("L").Add(Chunk(0x4010))})));
  ASSERT_EQ(objects_->Count(), 1);
  EXPECT_TRUE(ObjectAt(objects_, 1)->Visible());
}

// ---- Malformed files ----

TEST_F(Imp3dsTest, ChunkLengthsOutsideTheirParentFail) {
  // A length below the header would make the walker stand still.
  for (int32_t length : {0, 5, -1, INT32_MIN}) {
    Chunk mesh(0x4100);
    mesh.Add(Vertices({{0, 0, 0}}).ForceLength(length));
    const std::string text = Failure(EditorFile({NamedObject("A").Add(mesh)}));
    EXPECT_THAT(text, StartsWith("(OBJECT VERTICES) The chunk 0x4110 at offset ")) << length;
    EXPECT_THAT(text, HasSubstr("less than its own 6-byte header"));
  }
  // Reaching past the parent chunk (the mesh) though still inside the file.
  Chunk mesh(0x4100);
  mesh.Add(Chunk(0x4165).U8(1).ForceLength(7 + 12));
  Chunk object = NamedObject("A").Add(mesh).Add(Chunk(0x4700).Raw(Bytes(20, 0)));
  EXPECT_THAT(Failure(EditorFile({object})),
              AllOf(StartsWith("(OBJECT COLOR) The chunk 0x4165"),
                    HasSubstr("reaches past the end of its parent chunk")));
  // Reaching past the end of the file, at the top level and inside.
  EXPECT_THAT(Failure(File({Chunk(0xB000).ForceLength(1000)})),
              AllOf(StartsWith("(KEYFRAMER) The chunk 0xB000"),
                    HasSubstr("reaches past the end of the file")));
  Bytes cut = EditorFile({TriangleObject("A")});
  cut.resize(cut.size() - 3);
  EXPECT_THAT(Failure(cut), StartsWith("(EDITOR) The chunk 0x3D3D"));
  // Some bytes too few for a header at the end of a chunk.
  Chunk editor(0x3D3D);
  editor.Add(TriangleObject("A")).Raw({1, 2, 3});
  EXPECT_THAT(Failure(File({editor})),
              StartsWith("(EDITOR) Input past end of chunk: a chunk header"));
}

TEST_F(Imp3dsTest, PaddingAfterTheMainChunkIsIgnored) {
  for (const Bytes& padding : {Bytes(3, 0), Bytes(64, 0), Bytes{0x10, 0x00, 0x09, 0, 0, 0}}) {
    Bytes bytes = EditorFile({TriangleObject("A")});
    bytes.insert(bytes.end(), padding.begin(), padding.end());
    ASSERT_FALSE(Load(bytes)) << padding.size();
    EXPECT_EQ(objects_->Count(), 1);
  }
  // A whole chunk after the main chunk is still read.
  Bytes bytes = EditorFile({});
  const Bytes more = Chunk(0x3D3D).Add(TriangleObject("B")).Build();
  bytes.insert(bytes.end(), more.begin(), more.end());
  ASSERT_FALSE(Load(bytes));
  EXPECT_EQ(objects_->Count(), 1);
  // Inside the main chunk such bytes are an error.
  Chunk main(0x4D4D);
  main.Add(Chunk(0x0002).I32(3)).Add(Chunk(0x3D3D).Add(TriangleObject("A"))).Raw(Bytes(8, 0));
  EXPECT_THAT(Failure(main.Build()), StartsWith("(UNKNOWN CHUNK) The chunk 0x0000"));
}

TEST_F(Imp3dsTest, CountsLargerThanTheirChunkFail) {
  Chunk vertices(0x4110);
  vertices.U16(3).F32(0).F32(0).F32(0);  // one vertex's worth of data
  EXPECT_THAT(Failure(EditorFile({NamedObject("A").Add(Chunk(0x4100).Add(vertices))})),
              StartsWith("(VERTICES) The vertex count 3 needs 36 bytes"));
  Chunk faces(0x4120);
  faces.U16(0xFFFF).U16(0).U16(1).U16(2).U16(0);
  EXPECT_THAT(Failure(EditorFile({NamedObject("A").Add(Chunk(0x4100).Add(faces))})),
              StartsWith("(FACE LIST) The face count 65535 needs 524280 bytes"));
  Chunk group(0x4130);
  group.Str("M").U16(100).U16(0);
  Chunk faceList = Faces({}).Add(group);
  EXPECT_THAT(Failure(EditorFile({NamedObject("A").Add(Chunk(0x4100).Add(faceList))})),
              StartsWith("(FACE MATERIAL) The face count 100"));
  // A name without its zero byte before the chunk ends.
  EXPECT_THAT(Failure(EditorFile({Chunk(0x4000).Raw({'A', 'B'})})),
              StartsWith("(OBJECT NAME) Input past end of chunk"));
  EXPECT_THAT(Failure(EditorFile({Chunk(0xAFFF).Add(Chunk(0xA000).Raw({'A'}))})),
              StartsWith("(MATERIAL NAME) Input past end of chunk"));
  EXPECT_THAT(Failure(EditorFile({NamedObject("A").Add(
                  Chunk(0x4100).Add(Faces({}).Add(Chunk(0x4130).Raw({'A'}))))})),
              StartsWith("(FACE MATERIAL) Input past end of chunk"));
}

TEST_F(Imp3dsTest, FaceNamingAMissingVertexIsReportedByTheHost) {
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})).Add(Faces({{0, 1, 7}}));
  const std::string text = Failure(EditorFile({NamedObject("A").Add(mesh)}));
  EXPECT_THAT(text, StartsWith("(FACE LIST) "));
  EXPECT_THAT(text, HasSubstr("7"));
}

TEST_F(Imp3dsTest, RunTimeErrorsCarryTheirNumberAndContext) {
  const auto cwd = std::filesystem::current_path();
  auto missing = LoadPath((dir_ / "missing.3ds").string());
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->number(), err::kFileNotFound);
  EXPECT_THAT(missing->description(), StartsWith("(LOAD3DS...) File not found: "));
  EXPECT_EQ(objects_, nullptr);

  auto empty = Load({});
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->number(), err::kInputPastEnd);
  EXPECT_THAT(empty->description(),
              StartsWith("(LOAD3DS...) Input past end of file: a chunk header (6 bytes) at "
                         "offset 0, but the file ends at offset 0"));

  auto headerOnly = Load(Chunk(0x4D4D).Build());
  ASSERT_TRUE(headerOnly);
  EXPECT_THAT(headerOnly->description(), StartsWith("(MAIN3DS) Input past end of file"));

  auto folder = LoadPath(dir_.string());
  ASSERT_TRUE(folder);
  EXPECT_THAT(folder->description(), HasSubstr("is a folder"));
  EXPECT_EQ(std::filesystem::current_path(), cwd);  // the working folder is left alone
}

TEST_F(Imp3dsTest, StopFlagEndsTheReadWithWhatWasBuilt) {
  testing::RecordingUi ui(*state_);
  state_->ui = &ui;
  const Bytes bytes = EditorFile({TriangleObject("A"), TriangleObject("B"), TriangleObject("C")});
  ui.max = 40;
  ui.stopAfterTurns = 9;  // main, version, editor, mesh version, A's name block, trimesh...
  ASSERT_FALSE(Load(bytes));
  ASSERT_NE(objects_, nullptr);
  EXPECT_EQ(objects_->Count(), 1);
  EXPECT_EQ(ui.turns, 9);
  for (double v : ui.values) EXPECT_LE(v, 40);  // never past the bar's maximum
  ASSERT_FALSE(ui.values.empty());
  EXPECT_EQ(ui.values.front(), 7);  // 1-based position after the main header
}

// ---- Sweeps: no crash, no hang, a clear error ----

// Loads bytes with an event pump that stops a run which reads far more chunk
// headers than the file could hold; true when the run was cut off that way.
bool RunsAway(ImportState& state, const std::function<void()>& load, size_t fileSize) {
  testing::RecordingUi ui(state);
  state.ui = &ui;
  ui.stopAfterTurns = static_cast<int>(2 * fileSize + 16);
  load();
  state.ui = nullptr;
  return ui.turns >= ui.stopAfterTurns;
}

Bytes SampleFile() {
  Chunk material(0xAFFF);
  material.Add(MaterialName("Red"))
      .Add(Chunk(0xA020).Add(Color24(200, 0, 0)).Add(LinColor24(190, 0, 0)))
      .Add(Chunk(0xA040).Add(IntPercent(30)));
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}))
      .Add(Faces({{0, 1, 2}, {1, 3, 2}})
               .Add(FaceMaterial("Red", {0, 1}))
               .Add(Chunk(0x4150).I32(1).I32(1)))
      .Add(Matrix(1, 2, 3));
  return File({Chunk(0x3D3D).Add(material).Add(NamedObject("Quad").Add(mesh).Add(Chunk(0x4010))),
               Chunk(0xB000).Add(Chunk(0xB00A).U16(5))});
}

TEST_F(Imp3dsTest, TruncationSweepAlwaysEndsInAnError) {
  const Bytes full = SampleFile();
  ASSERT_FALSE(Load(full));
  const size_t editorEnd = full.size() - 14;  // the key-frame chunk is the last 14 bytes
  for (size_t size = 0; size < full.size(); ++size) {
    const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    std::optional<ComError> error;
    state_->StopImport = 0;
    EXPECT_FALSE(RunsAway(
        *state_, [&] { error = Load(prefix); }, size))
        << size;
    // Cuts after the version chunk or after the editor chunk end on a chunk
    // boundary and read what is there; every other cut is an error.
    if (size != 16 && size != editorEnd) {
      ASSERT_TRUE(error) << "prefix of " << size << " bytes";
      EXPECT_FALSE(error->description().empty());
    }
  }
}

TEST_F(Imp3dsTest, CorruptionSweepNeverCrashesOrHangs) {
  const Bytes full = SampleFile();
  std::mt19937 rng(20240611);
  int failures = 0;
  for (int round = 0; round < 1000; ++round) {
    Bytes bytes = full;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i)
      bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    std::optional<ComError> error;
    state_->StopImport = 0;
    EXPECT_FALSE(RunsAway(
        *state_, [&] { error = Load(bytes); }, bytes.size()))
        << round;
    if (error) {
      ++failures;
      EXPECT_FALSE(error->description().empty());
      EXPECT_EQ(objects_, nullptr);
    }
  }
  EXPECT_GT(failures, 0);
  // Random bytes, half of them with the right first id.
  for (uint32_t seed = 0; seed < 200; ++seed) {
    std::string random = RandomBytes(seed, 1 + seed * 7 % 400);
    if (seed % 2 && random.size() >= 2) random[0] = random[1] = 0x4D;
    const Bytes bytes(random.begin(), random.end());
    state_->StopImport = 0;
    EXPECT_FALSE(RunsAway(
        *state_, [&] { Load(bytes); }, bytes.size()))
        << seed;
  }
}

// ---- The cursor on its own ----

TEST(BinaryCursorTest, LittleEndianValuesWithinNestedLimits) {
  const std::vector<uint8_t> data = {0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
                                     0x80, 0x3F, 'h',  'i',  0,    'x',  'y'};
  BinaryCursor c(data);
  EXPECT_EQ(c.ReadUInt16(), 0x1234);
  EXPECT_EQ(c.ReadInt32(), -2);
  EXPECT_EQ(c.ReadFloat32(), 1.0f);
  {
    BinaryCursor::LimitScope scope(c, 13);
    EXPECT_EQ(c.ReadCString(), "hi");
    EXPECT_THROW(c.ReadByte(), ComError);                     // at the limit
    EXPECT_THROW(BinaryCursor::LimitScope(c, 14), ComError);  // wider than its parent
  }
  EXPECT_EQ(c.Offset(), 13u);
  try {
    c.ReadCString();  // "xy" has no zero byte before the end of the file
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), err::kInputPastEnd);
    EXPECT_THAT(e.description(), HasSubstr("offset 13"));
  }
  EXPECT_EQ(c.Offset(), 13u);  // a failed read consumes nothing
}

}  // namespace
}  // namespace ks::readers
