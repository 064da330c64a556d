#include "readers/imp_obj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/ks_object.h"
#include "reader_test_support.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

using Lines = std::vector<std::string>;

class ObjReaderTest : public testing::ReaderTest {
 protected:
  // Imports the text as "my box.obj", from a file or straight from memory;
  // returns the object list.
  CollectionRef Import(std::string_view text, bool fromMemory = false) {
    log_->Clear();
    auto list = std::make_shared<Collection>();
    list->AttachCallLog(log_);  // the list's calls show in the log too
    CImp_OBJ reader(state_);
    if (fromMemory) {
      state_.source.UseMemory(text);
      reader.Load("/nowhere/my box.obj", list);
      state_.source.UseFiles();
    } else {
      reader.Load(WriteFile("my box.obj", text), list);
    }
    return list;
  }
  // The error an import raises (number and description).
  ComError ImportError(std::string_view text) {
    try {
      Import(text);
    } catch (const ComError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return ComError(0, "");
  }
  static std::shared_ptr<CKsObject> Mesh(const CollectionRef& list, int32_t index) {
    return std::dynamic_pointer_cast<CKsObject>(list->Item(index).ToObject());
  }
  // The calls logged since the last import, objects named in the order they
  // appear ("obj1", "obj2", ...; the list is "list").
  Lines Logged() const {
    Lines out;
    std::vector<std::string> objects;
    for (const LoggedCall& call : log_->Calls()) {
      std::string name = "list";
      if (call.object.rfind("Kestrel.Collection", 0) != 0) {
        auto it = std::find(objects.begin(), objects.end(), call.object);
        if (it == objects.end()) it = objects.insert(objects.end(), call.object);
        name = "obj" + std::to_string(it - objects.begin() + 1);
      }
      out.push_back(name + call.ToString().substr(call.object.size()));
    }
    return out;
  }
  // Member calls of the n-th object (from 1), without its name.
  Lines Calls(int n) const {
    const std::string prefix = "obj" + std::to_string(n) + ".";
    Lines out;
    for (const std::string& line : Logged())
      if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    return out;
  }
  // Read from memory, the text gives the same calls as from a file.
  void ExpectSameFromMemory(std::string_view text) {
    Import(text);
    const Lines expected = Logged();
    Import(text, true);
    EXPECT_EQ(Logged(), expected);
  }
};

constexpr std::string_view kDefault = "DefaultColor=Long(12615680)";  // RGB(0, 128, 192)

TEST_F(ObjReaderTest, SingleObjectHandsOverWholeArraysNamedAfterTheFile) {
  const std::string text =
      "# a comment\n"
      "v 1.5 2 3\n"
      "v 1,5 0 0\n"
      "v 0 1 0 1\n"
      "v -1 -1 0\n"
      "vt 0 0\n"
      "f 1 2 3\n"
      "fo 1/1 2/2 3/3 4/4\n"
      "usemtl x\n";
  const CollectionRef list = Import(text);
  EXPECT_EQ(Calls(1), (Lines{"Add_Vertices(Single(12)[15,20,30,15,0,0,0,10,0,-10,-10,0])",
                             "Add_Poligons(Long(9)[0,1,2,0,1,2,2,3,0],Integer(3))",
                             "Name=String(\"my_box\")", std::string(kDefault)}));
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(Mesh(list, 1)->TriangleCount(), 3);  // the quad is two triangles
  EXPECT_EQ(state_.LineMode, 1);
  EXPECT_FALSE(state_.file->IsOpen());
  ExpectSameFromMemory(text);
}

TEST_F(ObjReaderTest, CrLfAndCrFilesReadTheSame) {
  Import("v 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n");
  const Lines lf = Logged();
  Import("v 1 0 0\r\nv 0 1 0\r\nv 0 0 1\r\nf 1 2 3\r\n");
  EXPECT_EQ(state_.LineMode, 0);
  EXPECT_EQ(Logged(), lf);
  ExpectSameFromMemory("v 1 0 0\r\nv 0 1 0\r\nv 0 0 1\r\nf 1 2 3\r\n");
  Import("v 1 0 0\rv 0 1 0\rv 0 0 1\rf 1 2 3");
  EXPECT_EQ(Logged(), lf);
}

TEST_F(ObjReaderTest, EmptyFileAndPointsOnly) {
  const CollectionRef empty = Import("");
  EXPECT_EQ(Calls(1), (Lines{"Name=String(\"my_box\")", std::string(kDefault)}));
  EXPECT_EQ(empty->Count(), 1);
  Import("v 1 2 3\n");
  EXPECT_EQ(Calls(1), (Lines{"Add_Vertices(Single(3)[10,20,30])", "Name=String(\"my_box\")",
                             std::string(kDefault)}));
}

TEST_F(ObjReaderTest, RelativeIndicesCountBackFromTheLastPositionAndNormal) {
  Import("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 1 1 0\nf -4 -3 -2 -1\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(9)[0,1,2,0,1,2,2,3,0],Integer(3))");

  // "vn" lines and relative faces without normal indices: corners take slot 0.
  Import("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nf -3 -2 -1\nf -3//-1 -2//-2 -1//-1\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(6)[0,1,2,0,1,2],Integer(3))");
  EXPECT_EQ(Calls(1)[2],
            "Set_PoligonNormals(Single(20)[0,0,0,0,0,0,0,0,0,0,1,0,10,0,0,0,10,0,10,0])");

  // Each index by its own sign: a relative corner in a face of absolute ones.
  Import("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -1\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(3)[0,1,2],Integer(3))");
}

TEST_F(ObjReaderTest, NormalRecordsCarryTriangleNumbers) {
  const std::string text =
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
      "vn 0 0 1\nvn 0 0.5 0\nvn 0.5 0 0\nvn 1 1 1\n"
      "f 1//1 2//2 3//3\n"
      "f 1/7/1 2//2 3//3 4//4\n"
      "f 1 2 3\n";
  Import(text);
  const Lines calls = Calls(1);
  ASSERT_EQ(calls.size(), 5u);  // no Get_Surface: the file has normals
  EXPECT_EQ(calls[2],
            "Set_PoligonNormals(Single(40)[0,0,0,10,0,5,0,5,0,0,"
            "1,0,0,10,0,5,0,5,0,0,"     // quad: corners 1-2-3
            "2,5,0,0,10,10,10,0,0,10,"  // quad: corners 3-4-1
            "3,0,0,0,0,0,0,0,0,0])");   // no normal indices: slot 0
  ExpectSameFromMemory(text);
}

TEST_F(ObjReaderTest, FacesOfMoreCornersFanFromTheFirstCorner) {
  const std::string text =
      "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 2 0\nv -1 1 0\n"
      "vn 0 0 1\nvn 0 0 2\nvn 0 0 3\nvn 0 0 4\nvn 0 0 5\nvn 0 0 6\n"
      "f 1//1 2//2 3//3 4//4 5//5 6//6\n";
  const CollectionRef list = Import(text);
  const Lines calls = Calls(1);
  // The first four corners go as the quad's two triangles, 1-2-3 and 3-4-1.
  EXPECT_EQ(calls[1], "Add_Poligons(Long(12)[0,1,2,2,3,0,0,3,4,0,4,5],Integer(3))");
  EXPECT_EQ(calls[2],
            "Set_PoligonNormals(Single(40)[0,0,0,10,0,0,20,0,0,30,"
            "1,0,0,30,0,0,40,0,0,10,"
            "2,0,0,10,0,0,40,0,0,50,"
            "3,0,0,10,0,0,50,0,0,60])");
  EXPECT_EQ(Mesh(list, 1)->TriangleCount(), 4);
}

TEST_F(ObjReaderTest, TwoBlankLinesMakeAbsoluteIndicesCountFromTheirRun) {
  const std::string positions = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  Import(positions + "f 1 2 3\n\n\n" + positions + "f 1 2 3\nf -3 -2 -1\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(9)[0,1,2,3,4,5,3,4,5],Integer(3))");
  // One blank line, or blank lines before any face, change nothing.
  Import("\n\n" + positions + "f 1 2 3\n\n" + positions + "f 1 2 3\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(6)[0,1,2,0,1,2],Integer(3))");
  // A line of spaces is not blank.
  Import(positions + "f 1 2 3\n \n\n" + positions + "f 1 2 3\n");
  EXPECT_EQ(Calls(1)[1], "Add_Poligons(Long(6)[0,1,2,0,1,2],Integer(3))");
}

TEST_F(ObjReaderTest, ObjectBreaksSplitObjectsAndColourThem) {
  const std::string text =
      "# Object A\n"
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
      "# Object B part\n"
      "v 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\nf 4 5 6 7\nf -4 -3 -2\n"
      "#  Object\n";
  const CollectionRef list = Import(text);
  EXPECT_EQ(Logged(),
            (Lines{"obj1.Add_Vertices(Single(9)[0,0,0,10,0,0,0,10,0])",
                   "obj1.Add_Poligons(Long(3)[0,1,2],Integer(3))", "obj1.Name=String(\"my_box\")",
                   "list.Count", "obj1.DefaultColor=Long(12615680)", "list.Add(Object)",
                   "obj2.Add_Vertices(Single(12)[0,0,10,10,0,10,0,10,10,10,10,10])",
                   "obj2.Add_Poligons(Long(9)[0,1,2,2,3,0,0,1,2],Integer(3))",
                   "obj2.Name=String(\"B\")", "list.Count", "obj2.DefaultColor=Long(255)",
                   "list.Add(Object)", "obj3.Name=String(\"\")", "list.Count",
                   "obj3.DefaultColor=Long(4227327)", "list.Add(Object)"}));
  EXPECT_EQ(list->Count(), 3);
  ExpectSameFromMemory(text);
}

TEST_F(ObjReaderTest, MultiObjectColoursFollowTheListCount) {
  auto list = std::make_shared<Collection>();
  for (int i = 0; i < 9; ++i) list->Add(Variant(int32_t{i}));  // items already in the list
  CImp_OBJ reader(state_);
  reader.Load(WriteFile("a.obj", "# Object\n# Object x\n"), list);
  ASSERT_EQ(list->Count(), 11);
  EXPECT_EQ(Mesh(list, 10)->DefaultColor(), CImp_OBJ::ObjectColors[10]);
  EXPECT_EQ(Mesh(list, 11)->DefaultColor(), CImp_OBJ::ObjectColors[1]);
}

class ObjSmoothingTest : public ObjReaderTest {
 protected:
  Lines SurfaceCalls(std::string_view text, bool importNormals, bool smoothAll) {
    state_.options.importNormals = importNormals;
    state_.options.smoothAll = smoothAll;
    Import(text);
    Lines out;
    for (const std::string& call : log_->MemberLines())
      if (call.rfind("Get_Surface", 0) == 0) out.push_back(call);
    return out;
  }
  const std::string quad_ = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
};

TEST_F(ObjSmoothingTest, RunsOfASingleObject) {
  const std::string text = quad_ +
                           "g one\ns off\n"  // "s off" right after "g": run 1 not smoothed
                           "f 1 2 3\nf 1 3 4\n"
                           "g two\nf 1 2 4\n"
                           "s 1\n"  // right after "g": no run of its own
                           "s 0\n"  // "0" is not "off": a smoothed run
                           "f 2 3 4\n";
  EXPECT_EQ(SurfaceCalls(text, true, false),
            (Lines{"Get_Surface(Long(2),Long(2))", "Get_Surface(Long(3))"}));
  EXPECT_EQ(SurfaceCalls(text, true, true),
            (Lines{"Get_Surface(Long(0),Long(1))", "Get_Surface(Long(2),Long(2))",
                   "Get_Surface(Long(3))"}));
  // Without "Import Normals" the runs are not read.
  EXPECT_EQ(SurfaceCalls(text, false, false), Lines{});
  EXPECT_EQ(SurfaceCalls(text, false, true), Lines{"Get_Surface(Integer(0))"});
}

TEST_F(ObjSmoothingTest, OneRunSmoothsBothSidesOfItsStart) {
  EXPECT_EQ(SurfaceCalls(quad_ + "f 1 2 3\ns off\nf 1 3 4\n", true, false),
            (Lines{"Get_Surface(Long(0),Long(0))", "Get_Surface(Long(1))"}));
  EXPECT_EQ(SurfaceCalls(quad_ + "g all\nf 1 2 3\n", true, false),
            (Lines{"Get_Surface(Long(0),Long(-1))", "Get_Surface(Long(0))"}));
}

TEST_F(ObjSmoothingTest, FileNormalsOrObjectBreaks) {
  // File normals: the host keeps them, no smoothing.
  EXPECT_EQ(SurfaceCalls(quad_ + "vn 0 0 1\ng a\nf 1 2 3\ng b\nf 1 3 4\n", true, true), Lines{});
  // A multi-object file smooths each object as a whole, runs or not.
  EXPECT_EQ(SurfaceCalls("# Object\n" + quad_ + "g a\nf 1 2 3\ng b\nf 1 3 4\n", true, true),
            Lines{"Get_Surface(Integer(0))"});
  EXPECT_EQ(SurfaceCalls("# Object\n" + quad_ + "f 1 2 3\n", true, false), Lines{});
}

TEST_F(ObjReaderTest, CoordinateErrorsNameLineAndToken) {
  ComError e = ImportError("v 1 2 3\nv 1.2.3 0 0\n");
  EXPECT_EQ(e.number(), err::kTypeMismatch);
  EXPECT_EQ(e.description(), "line 2: '1.2.3' is not a number");
  EXPECT_TRUE(state_.file->IsOpen());  // left for the run to close

  EXPECT_EQ(ImportError("v 1\t2 3\n").description(), "line 1: '1\t2' is not a number");
  EXPECT_EQ(ImportError("\r\nvn 1 2\r\n").description(), "line 2: coordinate 3 is missing");
  EXPECT_EQ(ImportError("v inf 0 0\n").number(), err::kTypeMismatch);
  EXPECT_EQ(ImportError("v 1e39 0 0\n").number(), err::kOverflow);
  EXPECT_EQ(ImportError("v 1e38 0 0\n").number(), err::kOverflow);  // times 10

  Import("v 1e-50 +2 -.5e1\n");  // too small for a Single reads as 0
  EXPECT_EQ(Calls(1)[0], "Add_Vertices(Single(3)[0,20,-50])");
}

TEST_F(ObjReaderTest, BadIndicesAreErrors) {
  // A normal index beyond the normals read.
  ComError e = ImportError("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//7\n");
  EXPECT_EQ(e.number(), err::kSubscriptOutOfRange);
  EXPECT_EQ(e.description(), "line 5: normal index 7 refers to no normal (1 read so far)");
  EXPECT_EQ(ImportError("v 0 0 0\nvn 0 0 1\nf 1//-2 1//1 1//1\n").number(),
            err::kSubscriptOutOfRange);
  EXPECT_EQ(ImportError("v 0 0 0\nf 1 1 99999999999\n").number(), err::kOverflow);

  // A vertex the object does not have: refused where the face is read, the
  // line and corner named; the objects handed over before stay in the list.
  auto list = std::make_shared<Collection>();
  CImp_OBJ reader(state_);
  const std::string text =
      "# Object\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n# Object B\nv 0 0 1\nf 1 2 4\n";
  try {
    reader.Load(WriteFile("bad.obj", text), list);
    ADD_FAILURE() << "no error";
  } catch (const ComError& error) {
    EXPECT_EQ(error.description(),
              "line 8: corner 1 names vertex 1, which belongs to an earlier object");
  }
  EXPECT_EQ(list->Count(), 1);
}

class StopAfterLines : public ImportUi {
 public:
  StopAfterLines(ImportState& state, int lines) : state_(state), lines_(lines) {}
  double ProgressMax() const override { return 20; }
  void SetProgress(double value) override { progress.push_back(value); }
  void DoEvents() override {
    if (--lines_ == 0) state_.StopImport = -1;
  }
  std::vector<double> progress;

 private:
  ImportState& state_;
  int lines_;
};

TEST_F(ObjReaderTest, ProgressAfterEachLineAndAStopHandsOverThePartlyReadObject) {
  StopAfterLines ui(state_, 3);
  state_.ui = &ui;
  const CollectionRef list = Import("v 1 2 3\r\nv 4 5 6\r\nv 7 8 9\r\nf 1 2 3\r\n");
  state_.ui = nullptr;
  EXPECT_EQ(ui.progress, (std::vector<double>{7, 14, 20}));  // characters read, within the bar
  EXPECT_EQ(Calls(1), (Lines{"Add_Vertices(Single(9)[10,20,30,40,50,60,70,80,90])",
                             "Name=String(\"my_box\")", std::string(kDefault)}));
  EXPECT_EQ(list->Count(), 1);
}

// A large file moves the bar in steps of about a thousandth of it, up to the
// end; a stop after a few steps keeps the faces read before it.
TEST_F(ObjReaderTest, LargeFilesTurnInStepsAndAStopKeepsWhatWasRead) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "v " + std::to_string(i) + " 0 0\n";
  for (int i = 1; i + 2 <= 3000; ++i)
    text +=
        "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  StopAfterLines whole(state_, -1);
  state_.ui = &whole;
  Mesh(Import(text), 1);
  EXPECT_GT(whole.progress.size(), 256u);
  EXPECT_LE(whole.progress.size(), 1025u);
  EXPECT_TRUE(std::is_sorted(whole.progress.begin(), whole.progress.end()));

  StopAfterLines stopped(state_, 10);
  state_.ui = &stopped;
  state_.StopImport = 0;
  const auto part = Mesh(Import(text), 1);
  state_.ui = nullptr;
  EXPECT_EQ(stopped.progress.size(), 10u);
  EXPECT_GT(part->VertexCount(), 0);
  EXPECT_LT(part->VertexCount(), 3000);
}

TEST_F(ObjReaderTest, ReaderCanBeUsedAgain) {
  auto list = std::make_shared<Collection>();
  CImp_OBJ reader(state_);
  state_.options.importNormals = true;
  reader.Load(WriteFile("a.obj", "# Object\nv 0 0 0\nvn 0 0 1\ng x\nf 1 1 1\n\n\n# Object b\n"),
              list);
  log_->Clear();
  reader.Load(WriteFile("b.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), list);
  EXPECT_EQ(Calls(1), (Lines{"Add_Vertices(Single(9)[0,0,0,10,0,0,0,10,0])",
                             "Add_Poligons(Long(3)[0,1,2],Integer(3))", "Name=String(\"b\")",
                             std::string(kDefault)}));
}

}  // namespace
}  // namespace ks::readers
