#include "readers/imp_dxf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

#include "readers/text_helpers.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

using Pairs = std::vector<std::pair<int, std::string>>;
using Corner = std::array<std::string, 3>;

// One entity as CAD programs write it: group 0 and the name, then the pairs,
// group codes right-aligned in three columns.
std::vector<std::string> Entity(const std::string& name, const Pairs& pairs) {
  std::vector<std::string> lines = {"  0", name};
  for (const auto& [code, value] : pairs) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d", code);
    lines.push_back(text);
    lines.push_back(value);
  }
  return lines;
}

// Layer "0" and a handle come before the geometry, as usual.
Pairs Head(const std::string& handle) {
  return {{5, handle}, {100, "AcDbEntity"}, {8, "0"}};
}

std::vector<std::string> Face3D(const std::array<Corner, 4>& corners, bool lastCornerFirst = false,
                                const std::string& handle = "2F") {
  Pairs pairs = Head(handle);
  pairs.push_back({100, "AcDbFace"});
  for (int i = 0; i < 4; ++i) {
    int k = lastCornerFirst ? 3 - i : i;
    for (int axis = 0; axis < 3; ++axis) pairs.push_back({10 * (axis + 1) + k, corners[k][axis]});
  }
  return Entity("3DFACE", pairs);
}

std::vector<std::string> PolyfaceStart(int vertices, int faces) {
  Pairs pairs = Head("30");
  pairs.insert(pairs.end(), {{100, "AcDbPolyFaceMesh"},
                             {66, "1"},
                             {10, "0.0"},
                             {20, "0.0"},
                             {30, "0.0"},
                             {70, "64"},
                             {71, std::to_string(vertices)},
                             {72, std::to_string(faces)}});
  return Entity("POLYLINE", pairs);
}

// A mesh vertex; the handle "71" must not be taken for a face group.
std::vector<std::string> MeshVertex(const Corner& xyz) {
  Pairs pairs = Head("71");
  pairs.insert(pairs.end(), {{100, "AcDbVertex"},
                             {100, "AcDbPolyFaceMeshVertex"},
                             {10, xyz[0]},
                             {20, xyz[1]},
                             {30, xyz[2]},
                             {70, "192"}});
  return Entity("VERTEX", pairs);
}

std::vector<std::string> FaceRecord(const std::vector<std::string>& numbers) {
  Pairs pairs = Head("3A");
  pairs.insert(pairs.end(), {{100, "AcDbVertex"},
                             {100, "AcDbFaceRecord"},
                             {10, "0.0"},
                             {20, "0.0"},
                             {30, "0.0"},
                             {70, "128"}});
  for (size_t k = 0; k < numbers.size(); ++k)
    pairs.push_back({71 + static_cast<int>(k), numbers[k]});
  return Entity("VERTEX", pairs);
}

std::vector<std::string> SeqEnd() {
  return Entity("SEQEND", Head("3B"));
}

// A whole file: a header section that must be passed over, then the entities.
std::string DxfFile(const std::vector<std::vector<std::string>>& entities, const std::string& eol) {
  std::vector<std::string> lines = {"  0",      "SECTION", "  2",    "HEADER",  "  9",
                                    "$ACADVER", "  1",     "AC1015", "  0",     "ENDSEC",
                                    "  0",      "SECTION", "  2",    "ENTITIES"};
  for (const auto& e : entities) lines.insert(lines.end(), e.begin(), e.end());
  lines.insert(lines.end(), {"  0", "ENDSEC", "  0", "EOF"});
  return Lines(lines, eol);
}

const std::array<Corner, 4> kSquare = {
    {{"0", "0", "0"}, {"1", "0", "0"}, {"1", "1", "0"}, {"1", "1", "0"}}};
const std::array<Corner, 4> kRaised = {
    {{"0", "0", "2"}, {"1.5", "0", "2"}, {"1.5", "1", "2"}, {"0", "1", "2"}}};

class DxfReaderTest : public TextReaderTest, public ::testing::WithParamInterface<std::string> {
 protected:
  // Reads content as "my part.dxf"; returns the object list.
  CollectionRef Load(const std::string& content) {
    CImp_DXF reader(*state_);
    auto list = std::make_shared<Collection>();
    reader.Load(Write("my part.dxf", content), list);
    return list;
  }
  // The first error the file raises (number 0 when it loads).
  ComError LoadError(const std::string& content, CollectionRef& list) {
    CImp_DXF reader(*state_);
    list = std::make_shared<Collection>();
    try {
      reader.Load(Write("my part.dxf", content), list);
    } catch (const ComError& e) {
      return e;
    }
    return ComError(0, "");
  }
  std::string Eol() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(LineEnds, DxfReaderTest, ::testing::ValuesIn(kLineEnds),
                         [](const auto& info) { return info.param == "\n" ? "LF" : "CRLF"; });

TEST_P(DxfReaderTest, FacesAreQuadsNumberedFromTheVerticesStored) {
  CollectionRef list = Load(DxfFile({Face3D(kSquare), Face3D(kRaised)}, Eol()));
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(log_->MemberLines(),
            (std::vector<std::string>{
                "Add_Vertices(Single(24)[0,0,0,1,0,0,1,1,0,1,1,0,0,0,2,1.5,0,2,1.5,1,2,0,1,2])",
                "Add_Poligons(Long(12)[0,1,2,2,3,0,4,5,6,6,7,4],Integer(3))",
                "Name=String(\"my_part\")", "DefaultColor=Long(12615680)"}));
  KsObjectRef object = ObjectAt(list, 1);
  EXPECT_EQ(object->VertexCount(), 8);
  EXPECT_EQ(object->TriangleCount(), 4);  // every 3DFACE is a quad, also a repeated corner
}

TEST_P(DxfReaderTest, FaceCornersAreTakenByTheirGroupCodesInAnyOrder) {
  // Written 13 ... 10: each corner still lands in its place.
  Load(DxfFile({Face3D(kRaised, true), Face3D(kSquare)}, Eol()));
  EXPECT_EQ(CallsOf("Add_Vertices"),
            (std::vector<std::string>{
                "Add_Vertices(Single(24)[0,0,2,1.5,0,2,1.5,1,2,0,1,2,0,0,0,1,0,0,1,1,0,1,1,0])"}));
  EXPECT_EQ(
      CallsOf("Add_Poligons"),
      (std::vector<std::string>{"Add_Poligons(Long(12)[0,1,2,2,3,0,4,5,6,6,7,4],Integer(3))"}));
}

TEST_P(DxfReaderTest, PolyfaceMeshKeepsItsVerticesAndFaces) {
  // Layer "0" and handle "71" in every vertex; a quad record with hidden edges.
  CollectionRef list =
      Load(DxfFile({PolyfaceStart(4, 2), MeshVertex({"0", "0", "0"}), MeshVertex({"2", "0", "0"}),
                    MeshVertex({"2", "2", "0"}), MeshVertex({"0", "2", "1"}),
                    FaceRecord({"1", "2", "3"}), FaceRecord({"1", "-2", "3", "-4"}), SeqEnd()},
                   Eol()));
  EXPECT_EQ(CallsOf("Add_Vertices"),
            (std::vector<std::string>{"Add_Vertices(Single(12)[0,0,0,2,0,0,2,2,0,0,2,1])"}));
  EXPECT_EQ(CallsOf("Add_Poligons"),
            (std::vector<std::string>{"Add_Poligons(Long(9)[0,1,2,0,1,2,2,3,0],Integer(3))"}));
  EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), 3);
}

TEST_P(DxfReaderTest, EachMeshNumbersFromItsOwnFirstVertex) {
  // A face, a mesh, a face and a second mesh: every polygon keeps its own corners.
  Load(DxfFile({Face3D(kSquare), PolyfaceStart(3, 1), MeshVertex({"5", "0", "0"}),
                MeshVertex({"6", "0", "0"}), MeshVertex({"6", "1", "0"}),
                FaceRecord({"1", "2", "3"}), SeqEnd(), Face3D(kRaised), PolyfaceStart(3, 1),
                MeshVertex({"7", "0", "0"}), MeshVertex({"8", "0", "0"}),
                MeshVertex({"8", "1", "0"}), FaceRecord({"3", "2", "1"}), SeqEnd()},
               Eol()));
  EXPECT_EQ(CallsOf("Add_Poligons"),
            (std::vector<std::string>{
                "Add_Poligons(Long(18)[0,1,2,2,3,0,4,5,6,7,8,9,9,10,7,13,12,11],Integer(3))"}));
}

TEST_P(DxfReaderTest, BadPolyfaceNumbersAreErrorsThatSayWhere) {
  struct Case {
    std::vector<std::string> numbers;
    int32_t error;
    std::string text;
  } cases[] = {
      {{"1", "2", "0"}, err::kBadData, "vertex number 0 for its corner 3"},
      {{"1", "2"}, err::kBadData, "vertex number 0 for its corner 3"},
      {{"1", "4", "2"}, err::kBadData, "refers to vertex 4 (group 72), but its mesh has only 3"},
      {{"1", "2", "3", "9"}, err::kBadData, "refers to vertex 9"},
      {{"1", "-4", "2"}, err::kBadData, "refers to vertex 4 (group 72)"},
      {{"-2147483648", "1", "2"}, err::kBadData, "refers to vertex 2147483648 (group 71)"},
      {{"1", "x7", "3"}, err::kTypeMismatch, "\"x7\" is not a whole number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    log_->Clear();
    CollectionRef list;
    ComError e = LoadError(
        DxfFile({PolyfaceStart(3, 1), MeshVertex({"0", "0", "0"}), MeshVertex({"1", "0", "0"}),
                 MeshVertex({"1", "1", "0"}), FaceRecord(c.numbers), SeqEnd()},
                Eol()),
        list);
    EXPECT_EQ(e.number(), c.error);
    EXPECT_NE(e.description().find(c.text), std::string::npos) << e.description();
    EXPECT_NE(e.description().find(" of my part.dxf)"), std::string::npos) << e.description();
    EXPECT_EQ(e.source(), "KsImport.CImp_DXF");
    EXPECT_EQ(list->Count(), 0);  // no object on failure
    EXPECT_FALSE(state_->file->IsOpen());
    EXPECT_TRUE(CallsOf("Add_Vertices").empty());
  }
}

TEST_P(DxfReaderTest, ErrorLinesPointAtTheOffendingValue) {
  std::string content = DxfFile(
      {PolyfaceStart(1, 1), MeshVertex({"0", "0", "0"}), FaceRecord({"1", "5", "1"}), SeqEnd()},
      Eol());
  CollectionRef list;
  ComError e = LoadError(content, list);
  // Find the line of the value "5" after group 72 in the file as written.
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t pos; (pos = content.find(Eol(), start)) != std::string::npos;
       start = pos + Eol().size())
    lines.push_back(content.substr(start, pos - start));
  size_t line = 0;
  for (size_t i = 1; i < lines.size(); ++i)
    if (lines[i - 1] == " 72" && lines[i] == "5") line = i + 1;
  EXPECT_NE(e.description().find("(line " + std::to_string(line) + " of"), std::string::npos)
      << e.description();
}

TEST_P(DxfReaderTest, OnlyExactEntityNamesAreRead) {
  Load(DxfFile({Entity("3dface", {{10, "1"}, {20, "2"}, {30, "3"}}),
                Entity("vertex", {{10, "1"}, {20, "2"}, {30, "3"}})},
               Eol()));
  EXPECT_TRUE(CallsOf("Add_Vertices").empty());
  EXPECT_TRUE(CallsOf("Add_Poligons").empty());
}

TEST_P(DxfReaderTest, PointsOnlyHandAnEmptyPolygonList) {
  Load(DxfFile({MeshVertex({"1", "2", "3"}), MeshVertex({"-4", "5.5", "1e2"})}, Eol()));
  EXPECT_EQ(log_->MemberLines(),
            (std::vector<std::string>{"Add_Vertices(Single(6)[1,2,3,-4,5.5,100])",
                                      "Add_Poligons(Long(1)[0])", "Name=String(\"my_part\")",
                                      "DefaultColor=Long(12615680)"}));
}

// Value lines read in place give what the general number reading gives, in
// every form, padded or not; group codes padded either way are codes.
TEST_P(DxfReaderTest, CoordinatesReadAsTheGeneralNumberReadingReadsThem) {
  const std::vector<std::string> texts = {"1.5",      " -2.25 ",
                                          "+3",       "7.",
                                          ".5",       "-.5",
                                          "1e2",      "abc",
                                          "1,5",      "",
                                          "  ",       "12.3x",
                                          "0.1",      "123456789.123456789",
                                          "-0",       "1.2.3",
                                          "- 1",      "3.4e38",
                                          "16777217", "0.30000000000000004"};
  std::vector<std::vector<std::string>> entities;
  for (size_t i = 0; i < texts.size(); i += 3) {
    Corner c{texts[i], i + 1 < texts.size() ? texts[i + 1] : "0",
             i + 2 < texts.size() ? texts[i + 2] : "0"};
    entities.push_back(MeshVertex(c));
  }
  std::string content = DxfFile(entities, Eol());
  // A code written flush left is read as well as one right-aligned.
  const std::string padded = Eol() + " 10" + Eol();
  content.replace(content.find(padded), padded.size(), Eol() + "10" + Eol());
  CollectionRef list = Load(content);
  const auto vertices = ObjectAt(list, 1)->Vertices();
  ASSERT_EQ(vertices.size(), entities.size() * 3);
  for (size_t i = 0; i < texts.size(); ++i) {
    const float expected = ToNumber(texts[i]);
    EXPECT_EQ(std::memcmp(&vertices[i], &expected, sizeof expected), 0)
        << "'" << texts[i] << "' read as " << vertices[i] << ", not " << expected;
  }
}

// What the reader must make of a file of 3DFACE entities, read the plain way:
// the lines split at CR, CR LF or LF, each code line read as a whole number
// and each coordinate by the general number reading. Returns the vertices and
// adds the characters of all lines to chars.
std::vector<float> PlainFaceVertices(const std::string& content, int64_t& chars) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < content.size();) {
    const size_t stop = std::min(content.find_first_of("\r\n", start), content.size());
    lines.push_back(std::string_view(content).substr(start, stop - start));
    chars += static_cast<int64_t>(stop - start);
    start = stop + (content.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
  }
  auto code = [](std::string_view line) {
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    int32_t value = -1;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    return ec == std::errc() && end == line.data() + line.size() && value >= 0 ? value : -1;
  };
  std::vector<float> vertices;
  for (size_t i = 0; i < lines.size();) {
    std::string_view line = lines[i++];
    if (NextToken(line) != "3DFACE") continue;
    float corners[4][3] = {};
    for (;;) {
      if (i == lines.size()) return vertices;  // a face cut off adds nothing
      const int32_t c = code(lines[i++]);
      if (c == 0) break;
      if (i == lines.size()) return vertices;
      const std::string_view value = lines[i++];
      if (c >= 10 && c <= 33 && c % 10 <= 3) corners[c % 10][c / 10 - 1] = ToNumber(value);
    }
    for (const auto& corner : corners) vertices.insert(vertices.end(), corner, corner + 3);
  }
  return vertices;
}

// Random faces with group codes and values in every form, padded or not,
// every line end mixed in one file, cut at random places: the reader reads
// what the plain reading reads, and counts every character it read.
TEST_P(DxfReaderTest, InPlaceReadingMatchesThePlainReadingOnRandomFiles) {
  const std::vector<std::string> codes = {"10",  " 10", "  10", "10 ", "010", "+10", "\t10", "1 0",
                                          "11",  " 21", "  32", "13",  "23",  "33",  "14",   "9999",
                                          "-10", "",    "8",    "  8", "100", "1000"};
  const std::vector<std::string> values = {"1.5", " -2.25 ", "7.",    ".5",    "-.5",        "1e2",
                                           "abc", "",        "  ",    "12.3x", "0.30000001", "-0",
                                           "1,5", "+3",      "1.2.3", "4\t",   "123456.789", "0"};
  const std::vector<std::string> ends = {"\n", "\r\n", "\r"};
  std::mt19937 random(GetParam() == "\n" ? 1 : 2);
  for (int round = 0; round < 60; ++round) {
    std::string content;
    // Odd rounds mix the line ends within the file.
    auto line = [&](const std::string& text) {
      content += text + (round % 2 ? ends[random() % ends.size()] : Eol());
    };
    for (int face = 0; face < 30; ++face) {
      line(random() % 8 ? "  0" : "0 ");
      line(random() % 10 ? "3DFACE" : " 3DFACE  ");
      for (int pair = static_cast<int>(random() % 14); pair > 0; --pair) {
        line(codes[random() % codes.size()]);
        line(values[random() % values.size()]);
      }
    }
    line("  0");
    line("EOF");
    if (round % 3 == 1) content.resize(random() % content.size());
    if (round % 3 == 2) content.pop_back();  // no line end behind the last line

    int64_t chars = 0;
    const std::vector<float> expected = PlainFaceVertices(content, chars);
    state_->CharsRead = 0;
    log_->Clear();
    CollectionRef list = Load(content);
    const auto vertices = ObjectAt(list, 1)->Vertices();
    ASSERT_EQ(vertices.size(), expected.size()) << "round " << round;
    EXPECT_TRUE(std::equal(vertices.begin(), vertices.end(), expected.begin(),
                           [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }))
        << "round " << round;
    EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), static_cast<int32_t>(expected.size() / 6));
    EXPECT_EQ(state_->CharsRead, chars) << "round " << round;
  }
}

// Face-record vertex numbers: plain digits are read in place, every other
// form as a whole number the general way, with the same result.
TEST_P(DxfReaderTest, FaceRecordNumbersInEveryForm) {
  Load(DxfFile({PolyfaceStart(3, 1), MeshVertex({"0", "0", "0"}), MeshVertex({"1", "0", "0"}),
                MeshVertex({"1", "1", "0"}), FaceRecord({" 1 ", "+2", "3.0"}),
                FaceRecord({"003", "2.5", "1e0"}), FaceRecord({"-1", "  -2", "3  "}), SeqEnd()},
               Eol()));
  EXPECT_EQ(CallsOf("Add_Poligons"),
            (std::vector<std::string>{"Add_Poligons(Long(9)[0,1,2,2,1,0,0,1,2],Integer(3))"}));
}

TEST_P(DxfReaderTest, FileWithoutGeometryGivesAnEmptyObjectNamedAfterIt) {
  for (const std::string& content : {std::string(), DxfFile({SeqEnd()}, Eol())}) {
    log_->Clear();
    CollectionRef list = Load(content);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(log_->MemberLines(), (std::vector<std::string>{"Name=String(\"my_part\")",
                                                             "DefaultColor=Long(12615680)"}));
    EXPECT_EQ(ObjectAt(list, 1)->VertexCount(), 0);
  }
}

TEST_P(DxfReaderTest, FaceCutOffByTheEndOfTheFileAddsNothing) {
  std::vector<std::string> lines = Face3D(kRaised);
  lines.resize(lines.size() - 2);  // the last corner's z is missing, and the next group 0
  std::vector<std::string> whole = Face3D(kSquare);
  lines.insert(lines.begin(), whole.begin(), whole.end());
  Load(Lines(lines, Eol()));
  EXPECT_EQ(CallsOf("Add_Poligons"),
            (std::vector<std::string>{"Add_Poligons(Long(6)[0,1,2,2,3,0],Integer(3))"}));
}

TEST_P(DxfReaderTest, ProgressFollowsTheCharactersReadAndStopKeepsWhatWasRead) {
  RecordingUi ui(*state_);
  state_->ui = &ui;
  std::string content = DxfFile({Face3D(kSquare), Face3D(kRaised)}, Eol());
  Load(content);
  ASSERT_FALSE(ui.values.empty());
  EXPECT_EQ(ui.turns, static_cast<int>(ui.values.size()));
  EXPECT_TRUE(std::is_sorted(ui.values.begin(), ui.values.end()));
  EXPECT_GT(ui.values.back(), content.size() / 2.0);

  // Stopped after the header's first lines and the first face: only that face is kept.
  log_->Clear();
  state_->StopImport = 0;
  ui.turns = 0;
  ui.stopAfterTurns = 16;  // the 14 header lines, the group 0 and the first face
  CollectionRef list = Load(content);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(CallsOf("Add_Poligons"),
            (std::vector<std::string>{"Add_Poligons(Long(6)[0,1,2,2,3,0],Integer(3))"}));
}

// A large file moves the bar in steps of about a thousandth of it rather
// than line by line; a stop keeps the faces read before it.
TEST_P(DxfReaderTest, LargeFilesTurnInStepsAndStopWithinOne) {
  RecordingUi ui(*state_);
  state_->ui = &ui;
  const std::string content = DxfFile(std::vector(3000, Face3D(kRaised)), Eol());
  Load(content);
  EXPECT_GT(ui.turns, 256);
  EXPECT_LE(ui.turns, 1025);
  EXPECT_EQ(ui.turns, static_cast<int>(ui.values.size()));
  EXPECT_TRUE(std::is_sorted(ui.values.begin(), ui.values.end()));
  EXPECT_EQ(ui.values.back(), static_cast<double>(state_->CharsRead));

  log_->Clear();
  state_->StopImport = 0;
  ui.turns = 0;
  ui.stopAfterTurns = 10;
  CollectionRef list = Load(content);
  const int32_t faces = ObjectAt(list, 1)->VertexCount() / 4;
  EXPECT_GT(faces, 10);
  EXPECT_LT(faces, 100);
}

TEST_P(DxfReaderTest, MissingFileOrBadNameAddsNoObject) {
  CImp_DXF reader(*state_);
  auto list = std::make_shared<Collection>();
  try {
    reader.Load((dir_ / "absent.dxf").string(), list);
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), err::kFileNotFound);
  }
  EXPECT_THROW(reader.Load("a", list), ComError);  // too short for a name with an extension
  EXPECT_EQ(list->Count(), 0);
}

// Every cut of a real-looking file and random input either load or raise an
// error; none crashes or hangs.
TEST_P(DxfReaderTest, TruncatedAndRandomFilesNeverCrash) {
  std::string whole = DxfFile({Face3D(kSquare), PolyfaceStart(3, 1), MeshVertex({"0", "0", "0"}),
                               MeshVertex({"1", "0", "0"}), MeshVertex({"1", "1", "0"}),
                               FaceRecord({"1", "-2", "3"}), SeqEnd(), Face3D(kRaised, true)},
                              Eol());
  std::vector<std::string> inputs;
  for (size_t size = 0; size < whole.size(); size += 5) inputs.push_back(whole.substr(0, size));
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    inputs.push_back(RandomBytes(seed, 20000));
    inputs.push_back(RandomWords(seed, 5000,
                                 {"  0", "3DFACE", "VERTEX", "POLYLINE", " 10", " 13", " 33", " 71",
                                  " 72", " 74", "-3", "2", "1e40", "abc", "", "0", "99999999999"}));
  }
  for (const std::string& input : inputs) {
    CollectionRef list;
    ComError e = LoadError(input, list);
    EXPECT_EQ(list->Count(), e.number() == 0 ? 1 : 0);
    EXPECT_FALSE(state_->file->IsOpen());
  }
}

}  // namespace
}  // namespace ks::readers::testing
