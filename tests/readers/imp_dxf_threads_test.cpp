// A DXF file read with threads reading entities ahead must give exactly what
// one thread gives: the same objects, error, warnings, progress turns and
// Cancel. Random drawings hold every kind of entity the reader knows, blocks
// and inserts, layers named like entities, values in odd forms and bad values
// at random places; they are cut into tiny chunks, so that chunk ends fall
// everywhere, and read with one thread and with several.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "reader_test_support.h"
#include "readers/imp_dxf.h"

namespace ks::readers {
namespace {

class DxfThreadsTest : public testing::ReaderTest {
 protected:
  std::string Outcome(const std::string& text, int64_t cancelAt, int threads, size_t chunk) {
    return testing::ImportOutcome<CImp_DXF>(runtime_, "drawing.dxf", text, cancelAt,
                                            [&](ImportState& state) {
                                              state.options.threads = threads;
                                              state.DxfReadAheadChunk = chunk;
                                            });
  }
};

// A random drawing: a BLOCKS section of a few blocks, then entities, with
// inserts of blocks defined or not, polyface meshes and things passed over.
class RandomDxf {
 public:
  explicit RandomDxf(uint32_t seed) : rng_(seed) {}

  std::string Make() {
    end_ = Chance(4) ? "\r\n" : "\n";
    const int entities = 40 + int(rng_() % 200);
    badAt_ = Chance(2) ? int(rng_() % entities) : -1;
    Pair(0, "SECTION");
    Pair(2, "BLOCKS");
    for (int b = 0; b < 3; ++b) {
      Pair(0, "BLOCK");
      Pair(8, Layer());
      Pair(2, "B" + std::to_string(b));
      for (int axis = 1; axis <= 3; ++axis) Pair(axis * 10, Decimal());
      for (int i = int(rng_() % 4); i > 0; --i) Face();
      if (b > 0 && Chance(2)) Insert("B" + std::to_string(rng_() % b));
      Pair(0, "ENDBLK");
    }
    Pair(0, "ENDSEC");
    Pair(0, "SECTION");
    Pair(2, "ENTITIES");
    for (int i = 0; i < entities; ++i) Entity(i == badAt_);
    Pair(0, "ENDSEC");
    Pair(0, "EOF");
    // Cut off inside an entity now and then.
    if (Chance(6)) out_.resize(rng_() % out_.size());
    return out_;
  }

 private:
  bool Chance(unsigned oneIn) { return rng_() % oneIn == 0; }

  void Pair(int code, const std::string& value) {
    // Group codes mostly right-aligned in three columns, else in other forms.
    std::string text = std::to_string(code);
    if (!Chance(8))
      text = std::string(text.size() < 3 ? 3 - text.size() : 0, ' ') + text;
    else if (Chance(2))
      text += " ";
    out_ += text + end_ + value + end_;
  }

  std::string Decimal() {
    std::string d = Chance(3) ? "-" : "";
    d += std::to_string(rng_() % 1000);
    if (!Chance(4)) d += "." + std::to_string(rng_() % 100000);
    if (Chance(30)) d += "E" + std::to_string(int(rng_() % 7) - 3);
    if (Chance(30)) d = " " + d + " ";
    return d;
  }

  // Now and then a layer named like an entity: the main loop, passing over
  // an entity it does not read, takes such a value line for a name.
  std::string Layer() {
    if (Chance(12)) return Chance(2) ? "3DFACE" : "VERTEX";
    return "L" + std::to_string(rng_() % 4);
  }

  void Face() {
    Pair(0, "3DFACE");
    Pair(5, "2F");
    Pair(8, Layer());
    const int corners = Chance(5) ? 3 : 4;
    for (int k = 0; k < corners; ++k)
      for (int axis = 1; axis <= 3; ++axis) Pair(axis * 10 + k, Decimal());
    if (Chance(10)) Pair(62, "7");
  }

  void Insert(const std::string& block) {
    Pair(0, "INSERT");
    Pair(8, Layer());
    Pair(2, block);
    for (int axis = 1; axis <= 3; ++axis) Pair(axis * 10, Decimal());
    if (Chance(3)) Pair(41, "2");
    if (Chance(4)) Pair(50, "90");
    if (Chance(5)) {
      Pair(70, std::to_string(1 + rng_() % 3));
      Pair(44, "5");
    }
  }

  void Polyface() {
    Pair(0, "POLYLINE");
    Pair(8, Layer());
    Pair(70, Chance(6) ? "16" : Chance(6) ? "0" : "64");
    const int vertices = 3 + int(rng_() % 5);
    for (int v = 0; v < vertices; ++v) {
      Pair(0, "VERTEX");
      Pair(8, Layer());
      for (int axis = 1; axis <= 3; ++axis) Pair(axis * 10, Decimal());
      Pair(70, "192");
    }
    for (int f = int(rng_() % 4); f > 0; --f) {
      Pair(0, "VERTEX");
      Pair(8, Layer());
      Pair(70, "128");
      for (int k = 0; k < 3 + int(rng_() % 2); ++k) {
        const std::string number =
            std::to_string((Chance(4) ? -1 : 1) * int(1 + rng_() % vertices));
        // Now and then in a form other than plain digits.
        Pair(71 + k, Chance(10) ? number + ".0" : Chance(10) ? " " + number + " " : number);
      }
    }
    Pair(0, "SEQEND");
  }

  void Entity(bool bad) {
    if (bad) {
      switch (rng_() % 4) {
        case 0:  // a coordinate beyond the range of a Single
          Pair(0, "3DFACE");
          Pair(10, "1E99");
          Pair(20, "0");
          return;
        case 1:  // a face record naming a vertex its mesh does not have
          Pair(0, "POLYLINE");
          Pair(70, "64");
          Pair(0, "VERTEX");
          Pair(71, "9");
          Pair(72, "1");
          Pair(73, "2");
          return;
        case 2:  // a vertex number that is no number
          Pair(0, "POLYLINE");
          Pair(70, "64");
          Pair(0, "VERTEX");
          Pair(71, "one");
          return;
        default:  // a face with values that are no numbers
          Pair(0, "3DFACE");
          Pair(10, "x");
          Pair(21, "1,5");
          Pair(1000, "y");
          return;
      }
    }
    const unsigned kind = rng_() % 100;
    if (kind < 55) return Face();
    if (kind < 65) return Polyface();
    if (kind < 75) return Insert("B" + std::to_string(rng_() % 4));
    if (kind < 85) {
      Pair(0, "LINE");
      Pair(8, Layer());
      for (int axis = 1; axis <= 3; ++axis) Pair(axis * 10, Decimal());
      return;
    }
    if (kind < 90) {
      Pair(0, Chance(2) ? "LWPOLYLINE" : "MESH");
      Pair(8, Layer());
      return;
    }
    if (kind < 95) {
      Pair(0, "TEXT");
      Pair(1, Chance(2) ? "3DFACE" : std::string(rng_() % 300, 'x'));  // longer than chunks
      return;
    }
    Pair(999, "a comment");
  }

  std::mt19937 rng_;
  std::string end_;
  std::string out_;
  int badAt_ = -1;
};

TEST_F(DxfThreadsTest, ThreadsReadRandomDrawingsAsOneThreadDoes) {
  int errors = 0, cancelled = 0, faces = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    std::mt19937 pick(seed * 7919);
    const std::string text = RandomDxf(seed).Make();
    const std::string one = Outcome(text, 0, 1, 64);
    errors += one.starts_with("error");
    faces += one.find(" t ") != std::string::npos;
    int64_t cancelAt = 0;
    // Cancel at a random turn of the run, in a third of the files.
    if (seed % 3 == 0) {
      const int64_t turns = std::stoll(one.substr(one.find(" turns ") + 7));
      cancelAt = 1 + int64_t(pick() % uint64_t(std::max<int64_t>(turns, 1)));
      ++cancelled;
    }
    const std::string expected = cancelAt ? Outcome(text, cancelAt, 1, 64) : one;
    for (const auto& [threads, chunk] :
         {std::pair{2, size_t(64)}, {3, size_t(1)}, {2, size_t(333)}, {4, size_t(4096)}}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(threads) +
                   " threads, chunks of " + std::to_string(chunk));
      ASSERT_EQ(Outcome(text, cancelAt, threads, chunk), expected);
    }
  }
  // The drawings reach both ends: some fail at a bad value, some are cancelled.
  EXPECT_GT(errors, 5);
  EXPECT_GT(cancelled, 5);
  EXPECT_GT(faces, 30);
}

// Many faces at the default chunk size: the threads keep ahead of the reader
// and the reader takes their records.
TEST_F(DxfThreadsTest, LargeDrawingReadsAsOneThreadDoes) {
  std::string text = "  0\nSECTION\n  2\nENTITIES\n";
  for (int i = 0; i < 30000; ++i) {
    text += "  0\n3DFACE\n  8\n0\n";
    for (int k = 0; k < 4; ++k)
      for (int axis = 1; axis <= 3; ++axis)
        text += " " + std::to_string(axis * 10 + k) + "\n" + std::to_string(i * 0.5 + k) + "\n";
  }
  text += "  0\nENDSEC\n  0\nEOF\n";
  const size_t chunk = text.size() / 9;
  const std::string one = Outcome(text, 0, 1, chunk);
  EXPECT_EQ(one.find("error"), std::string::npos);
  EXPECT_EQ(Outcome(text, 0, 2, chunk), one);
  EXPECT_EQ(Outcome(text, 0, 8, chunk), one);
}

// Long stretches of entities the threads make no records for, between runs
// of faces: the reader passes whole chunks without asking for records, and
// where faces come again the records are still there and still right.
TEST_F(DxfThreadsTest, LongStretchesWithoutFacesReadAsOneThreadDoes) {
  std::string text = "  0\nSECTION\n  2\nENTITIES\n";
  for (int stretch = 0; stretch < 4; ++stretch) {
    for (int i = 0; i < 1500; ++i)
      text += "  0\nLINE\n  8\n0\n 10\n" + std::to_string(i) + "\n 11\n2.5\n";
    for (int i = 0; i < 150; ++i) {
      text += "  0\n3DFACE\n  8\n0\n";
      for (int k = 0; k < 4; ++k)
        text += " 1" + std::to_string(k) + "\n" + std::to_string(stretch * 1000 + i + k) + "\n";
    }
  }
  text += "  0\nENDSEC\n  0\nEOF\n";
  const std::string one = Outcome(text, 0, 1, 512);
  ASSERT_NE(one.find(" t 0 1 2 2 3 0"), std::string::npos) << one.substr(0, 200);
  for (const auto& [threads, chunk] : {std::pair{2, size_t(512)}, {3, size_t(2048)}})
    EXPECT_EQ(Outcome(text, 0, threads, chunk), one) << threads << " threads";
  // Cancel halfway: the same objects, whatever was read ahead.
  EXPECT_EQ(Outcome(text, 40, 2, 512), Outcome(text, 40, 1, 512));
}

}  // namespace
}  // namespace ks::readers
