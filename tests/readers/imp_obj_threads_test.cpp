// A WaveFront file read with threads reading ahead must give exactly what one
// thread gives: the same objects, error, warnings, progress turns and Cancel.
// Random files exercise every rule of the reader (object sections, "o" lines,
// relative and block-local numbering, smoothing runs, faces of many corners
// and of too few, materials, bad lines at random places); they are cut into tiny chunks, so that
// chunk ends fall everywhere, and read with one thread and with several.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/ks_object.h"
#include "reader_test_support.h"
#include "readers/imp_obj.h"
#include "readers/obj_line_records.h"
#include "readers/obj_plain_line.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

// Records progress and, at a chosen turn, asks to stop as Cancel does.
class RecordingUi : public ImportUi {
 public:
  RecordingUi(ImportState& state, int64_t cancelAt) : state_(state), cancelAt_(cancelAt) {}
  double ProgressMax() const override { return 1e18; }
  void SetProgress(double value) override { progress += " " + std::to_string(int64_t(value)); }
  void DoEvents() override {
    if (++turns == cancelAt_) state_.StopImport = -1;
  }
  std::string progress;
  int64_t turns = 0;

 private:
  ImportState& state_;
  int64_t cancelAt_;
};

struct ReadSettings {
  ImportOptions options;
  int64_t cancelAt = 0;  // the turn at which Cancel is pressed; 0 never
};

class ObjThreadsTest : public testing::ReaderTest {
 protected:
  // Everything an import leaves, as text: the error, the warnings, the
  // progress turns, and each object's name, colour, vertices (as bits),
  // triangles and corner normals.
  std::string Outcome(const std::string& text, ReadSettings settings, int threads, size_t chunk) {
    ImportState state(runtime_);
    RecordingUi ui(state, settings.cancelAt);
    state.ui = &ui;
    state.options = settings.options;
    state.options.threads = threads;
    state.ObjReadAheadChunk = chunk;
    state.source.UseMemory(text);
    state.StopImport = 0;
    auto list = std::make_shared<Collection>();
    std::string out;
    try {
      CImp_OBJ reader(state);
      reader.Load("model.obj", list);
    } catch (const ComError& e) {
      out += "error " + std::to_string(e.number()) + ": " + e.description() + "\n";
    }
    state.CloseFiles();
    out += "read " + std::to_string(state.CharsRead) + " turns " + std::to_string(ui.turns) +
           " progress" + ui.progress + "\n";
    for (const std::string& warning : state.warnings.Messages()) out += "warning " + warning + "\n";
    out += testing::DescribeObjects(*list);
    return out;
  }
};

// A random file of every kind of line the reader knows, mostly well formed:
// faces name vertices that the numbering in force at that point reaches.
class RandomObj {
 public:
  explicit RandomObj(uint32_t seed) : rng_(seed) {}

  std::string Make(bool splitObjects) {
    split_ = splitObjects;
    const std::string lineEnd = Chance(4) ? "\r\n" : "\n";
    const int lines = 200 + int(rng_() % 1200);
    const int badAt = Chance(2) ? int(rng_() % lines) : -1;
    std::string out;
    for (int i = 0; i < lines; ++i) out += (i == badAt ? BadLine() : Line()) + lineEnd;
    return out;
  }

 private:
  bool Chance(unsigned oneIn) { return rng_() % oneIn == 0; }

  std::string Decimal() {
    std::string d = Chance(3) ? "-" : "";
    d += std::to_string(rng_() % 1000);
    if (!Chance(4)) d += "." + std::to_string(rng_() % 100000);
    if (Chance(40)) d += "e" + std::to_string(int(rng_() % 7) - 3);
    return d;
  }

  // A face corner naming a vertex the reader can reach: back from the last
  // position, or forward from the first of the object (or of the run of "v"
  // lines, once two blank lines have made numbers block-local).
  std::string Corner(bool withNormal) {
    const int64_t reach = blockLocal_ ? run_ : positions_ - objectFirst_;
    if (reach <= 0) return "1";
    const int64_t k = 1 + int64_t(rng_() % uint64_t(reach));
    std::string c =
        Chance(3) ? "-" + std::to_string(k) : std::to_string(k + (blockLocal_ ? 0 : objectFirst_));
    if (withNormal && normals_ > 0) {
      const std::string n = std::to_string(1 + rng_() % normals_);
      c += Chance(2) ? "//" + n : "/" + std::to_string(rng_() % 9) + "/" + n;
    } else if (Chance(10)) {
      c += "/" + std::to_string(rng_() % 9);
    }
    return c;
  }

  std::string Line() {
    const unsigned kind = rng_() % 100;
    if (kind < 35) {
      if (!inRun_) run_ = 0;
      inRun_ = true;
      ++positions_;
      ++run_;
      std::string v = "v " + Decimal() + (Chance(10) ? "  " : " ") + Decimal() + " " + Decimal();
      if (Chance(30)) v = " " + v;                      // read line by line
      if (Chance(40)) v = "v 1,5 " + Decimal() + " 2";  // a decimal comma
      if (Chance(40)) v += " 1";                        // a w
      return v;
    }
    if (kind < 42) {
      ++normals_;
      return "vn " + Decimal() + " " + Decimal() + " " + Decimal();
    }
    if (kind < 45) return "vt " + Decimal() + " " + Decimal();
    if (kind < 75) {
      if (positions_ - objectFirst_ <= 0 && !split_) return "# no face yet";
      inRun_ = false;
      afterFace_ = true;
      const bool withNormal = Chance(2);
      const int corners = Chance(8) ? 5 + int(rng_() % 4) : Chance(3) ? 4 : Chance(30) ? 2 : 3;
      std::string f = Chance(20) ? "fo" : "f";
      for (int c = 0; c < corners; ++c) f += " " + Corner(withNormal);
      if (Chance(20)) f += " ";
      return f;
    }
    if (kind < 80) return Chance(2) ? "s off" : "s " + std::to_string(rng_() % 4);
    if (kind < 84) return "g part" + std::to_string(rng_() % 5);
    if (kind < 86) {
      // An object break: faces after it count from its first position.
      if (objectBreaks_++ > 0 && !split_) objectFirst_ = positions_;
      afterFace_ = false;
      return "# Object part " + std::to_string(objectBreaks_);
    }
    if (kind < 88) return "o piece " + std::to_string(rng_() % 9);
    if (kind < 90) return Chance(2) ? "l 1 2" : "p 1";
    if (kind < 93) {
      // Two blank lines after a face make numbers block-local for good.
      if (afterFace_ && Chance(3)) {
        blockLocal_ = true;
        return "\n";
      }
      return "";
    }
    if (kind < 95)
      return Chance(4) ? "mtllib scene.mtl" : "usemtl " + std::string(Chance(2) ? "red" : "v");
    if (kind < 97) return "# a comment " + std::string(rng_() % 600, 'x');  // longer than chunks
    if (kind < 98) return "curv 0 1 1 2";
    // Read from memory, a library is the file itself: these define materials.
    return Chance(2) ? "newmtl red" : "newmtl v";
  }

  std::string BadLine() {
    switch (rng_() % 5) {
      case 0:
        return "v 1 two 3";
      case 1:
        return "f 1 2 " + std::to_string(positions_ + 5);
      case 2:
        return "f 1//99999 2//1 3//1";
      case 3:
        return "vn 1 2";
      default:
        return "f -" + std::to_string(positions_ + 2) + " -1 -2";
    }
  }

  std::mt19937 rng_;
  bool split_ = false;
  int64_t positions_ = 0;
  int64_t objectFirst_ = 0;
  int64_t run_ = 0;
  int64_t normals_ = 0;
  int objectBreaks_ = 0;
  bool inRun_ = false;
  bool afterFace_ = false;
  bool blockLocal_ = false;
};

TEST_F(ObjThreadsTest, ThreadsReadRandomFilesAsOneThreadDoes) {
  int errors = 0, cancelled = 0;
  for (uint32_t seed = 1; seed <= 48; ++seed) {
    std::mt19937 pick(seed * 7919);
    ReadSettings settings;
    settings.options.importNormals = pick() % 2 == 0;
    settings.options.smoothAll = pick() % 3 == 0;
    settings.options.splitObjects = pick() % 3 == 0;
    settings.options.importMaterials = pick() % 3 == 0;
    const std::string text = RandomObj(seed).Make(settings.options.splitObjects);
    const std::string one = Outcome(text, settings, 1, 64);
    errors += one.starts_with("error");
    // Cancel at a random turn of the run, in a third of the files.
    if (seed % 3 == 0) {
      const int64_t turns = std::stoll(one.substr(one.find(" turns ") + 7));
      settings.cancelAt = 1 + int64_t(pick() % uint64_t(std::max<int64_t>(turns, 1)));
      ++cancelled;
    }
    const std::string expected = settings.cancelAt ? Outcome(text, settings, 1, 64) : one;
    for (const auto& [threads, chunk] :
         {std::pair{2, size_t(64)}, {3, size_t(1)}, {4, size_t(333)}, {2, size_t(4096)}}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(threads) +
                   " threads, chunks of " + std::to_string(chunk));
      const std::string got = Outcome(text, settings, threads, chunk);
      ASSERT_EQ(got, expected);
    }
  }
  // The files reach both ends: some fail at a bad line, some are cancelled.
  EXPECT_GT(errors, 5);
  EXPECT_GT(cancelled, 5);
}

// A large grid, read as exporters write it (v, vn, vt, f a/t/n), at the
// default chunk size: many chunks, and the threads keep ahead of the reader.
TEST_F(ObjThreadsTest, LargeGridReadsAsOneThreadDoes) {
  std::string text = "# grid\n";
  const int side = 160;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      text += "v " + std::to_string(x * 0.25) + " " + std::to_string(y * 0.5) + " 0.125\n";
  text += "vn 0 0 1\nvt 0.5 0.5\n";
  for (int y = 0; y + 1 < side; ++y)
    for (int x = 0; x + 1 < side; ++x) {
      const int a = y * side + x + 1;
      text += "f " + std::to_string(a) + "/1/1 " + std::to_string(a + 1) + "/1/1 " +
              std::to_string(a + side + 1) + "/1/1 " + std::to_string(a + side) + "/1/1\n";
    }
  ReadSettings settings;
  const size_t chunk = text.size() / 9;
  const std::string one = Outcome(text, settings, 1, chunk);
  EXPECT_EQ(one.find("error"), std::string::npos);
  EXPECT_EQ(Outcome(text, settings, 2, chunk), one);
  EXPECT_EQ(Outcome(text, settings, 8, chunk), one);
}

// Whatever position the reader asks at, the records read ahead say what the
// text says there, or nothing: at line starts, inside lines (where a lone CR
// ended a line for the reader), in CR LF text and across chunk ends.
TEST(ObjLineRecords, SayWhatTheTextSaysAtEveryPositionAsked) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::string text;
    const char* kLines[] = {"v 1.5 -2 3",        "vn 0 0 1", "vt 0.5 1",    "f 1 2 3",
                            "f -1/2/3 4//5 6 7", "f 1 2",    "v 1 x 2",     "# Object a",
                            "v 1 2 3\r4 5",      "",         "f 1 2 3 4 5", "  v 1 2 3"};
    for (int i = 0; i < 400; ++i)
      text += std::string(kLines[rng() % 12]) + (rng() % 3 ? "\n" : "\r\n");
    const bool crLf = seed % 2 == 0;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    ObjLineRecords records(begin, end, crLf, 1 + seed % 4, 1 + rng() % 200);
    int matched = 0;
    for (const char* p = begin; p < end; p += 1 + rng() % 12) {
      PlainLine fromText, fromRecords;
      const char* const expected = ReadPlainLine(p, end, crLf, fromText);
      const ObjLineRecords::Run run = records.RecordsAt(p);
      if (run.count == 0) continue;
      const uint32_t head = run.heads[0];
      if (ObjLineRecords::CodeOf(head) == ObjLineRecords::kOther) {
        ASSERT_EQ(expected, nullptr) << "seed " << seed << " at " << (p - begin);
        continue;
      }
      ++matched;
      ObjLineRecords::Unpack(head, run.words, fromRecords);
      ASSERT_EQ(p + ObjLineRecords::LengthOf(head), expected)
          << "seed " << seed << " at " << (p - begin);
      ASSERT_EQ(ObjLineRecords::EndsInCrLf(head), expected[-2] == '\r');
      ASSERT_EQ(fromRecords.kind, fromText.kind);
      if (fromText.kind == PlainLine::Face) {
        ASSERT_EQ(fromRecords.corners, fromText.corners);
        for (int i = 0; i < fromText.corners; ++i) {
          ASSERT_EQ(fromRecords.vertex[i], fromText.vertex[i]);
          ASSERT_EQ(fromRecords.normal[i], fromText.normal[i]);
        }
      } else {
        for (int i = 0; i < 3; ++i) ASSERT_EQ(fromRecords.xyz[i], fromText.xyz[i]);
      }
    }
    EXPECT_GT(matched, 10) << "seed " << seed;
  }
}

// Pages asked to be faulted in ahead of the reader keep what was written
// there, even when the block is asked for again while the threads work on it
// and when the reader gets there first; the records stay those of the text.
TEST(ObjLineRecords, FaultingInPagesAheadKeepsWhatTheyHold) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "v " + std::to_string(i) + " 0.5 -2\n";
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  std::vector<uint32_t> block(size_t(6) << 20);  // 24 MiB, several huge pages
  for (size_t i = 0; i < block.size(); ++i) block[i] = uint32_t(i * 2654435761u);
  ObjLineRecords records(begin, end, false, 3, 4096);
  size_t lines = 0;
  for (const char* p = begin; p < end;) {
    if (lines % 2000 == 0) {  // as the reader does: a window ahead of where it writes
      const size_t at = lines * 64 % block.size();
      records.PrefaultAhead(lines % ObjLineRecords::kPrefaultSlots, block.data() + at,
                            (block.size() - at) * sizeof(uint32_t));
      block[at] = uint32_t(at * 2654435761u);  // the reader writing there meanwhile
    }
    const ObjLineRecords::Run run = records.RecordsAt(p);
    ASSERT_GT(run.count, 0u) << "at " << (p - begin);
    PlainLine line;
    ObjLineRecords::Unpack(run.heads[0], run.words, line);
    ASSERT_EQ(line.kind, PlainLine::Position);
    ASSERT_EQ(line.xyz[0], float(lines));
    ASSERT_EQ(line.xyz[2], -2.0f);
    p += ObjLineRecords::LengthOf(run.heads[0]);
    records.Took(1, 3, p);
    ++lines;
  }
  EXPECT_EQ(lines, 20000u);
  for (size_t i = 0; i < block.size(); ++i)
    ASSERT_EQ(block[i], uint32_t(i * 2654435761u)) << "value " << i;
}

}  // namespace
}  // namespace ks::readers
