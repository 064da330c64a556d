// Plain "v", "vn", "vt" and "f" lines are read in place, in runs; every other
// line, and every line that starts with a space, is read line by line. The two
// ways must give the same objects and the same errors: files are read as
// written and with a space put before each line, and the outcomes compared.
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
#include "readers/text_input.h"

namespace ks::readers {
namespace {

class ObjPlainLinesTest : public testing::ReaderTest {
 protected:
  // Everything an import leaves: the error that ended it, if one did, the
  // characters the reader counted (less the spaces put before the lines it
  // read), and each object's name, colour, vertices (as bits), triangles and
  // corner normals.
  std::string Outcome(const std::string& text) {
    auto list = std::make_shared<Collection>();
    std::string out;
    try {
      CImp_OBJ reader(state_);
      reader.Load(WriteFile("plain.obj", text), list);
    } catch (const ComError& e) {
      out += "error " + std::to_string(e.number()) + ": " + e.description() + "\n";
    }
    int64_t spaces = 0;
    size_t at = 0;
    // A finished read has closed the file; one that failed stopped at its line.
    const int64_t lines = out.empty() ? INT64_MAX : state_.file->LineNumber();
    // Lines end as the reader takes them: CR LF is one line end when the first
    // line ends in CR.
    const bool crLfOne =
        text.find_first_of("\r\n") != std::string::npos && text[text.find_first_of("\r\n")] == '\r';
    for (int64_t line = 0; line < lines && at < text.size(); ++line) {
      spaces += text[at] == ' ';
      at = text.find_first_of("\r\n", at);
      if (at == std::string::npos) break;
      at += crLfOne && text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
    }
    state_.CloseFiles();
    out += "read " + std::to_string(state_.CharsRead - spaces) + "\n";
    state_.CharsRead = 0;
    out += testing::DescribeObjects(*list);
    return out;
  }
};

// A decimal of the forms a file may hold: plain ones with 0 to 10 digits on
// either side of the point (at least one in all), signs, and now and then an
// exponent or a comma.
std::string RandomDecimal(std::mt19937& rng) {
  std::string out = rng() % 3 == 0 ? "-" : rng() % 12 == 0 ? "+" : "";
  const auto digits = [&rng](unsigned count) {
    std::string d;
    for (unsigned i = 0; i < count; ++i) d += static_cast<char>('0' + rng() % 10);
    return d;
  };
  out += digits(1 + rng() % 10);
  if (rng() % 5 != 0) out += (rng() % 30 == 0 ? "," : ".") + digits(rng() % 11);
  if (rng() % 40 == 0) out += "e" + std::to_string(static_cast<int>(rng() % 9) - 4);
  return out;
}

// A space, or now and then two, or a tab.
std::string Gap(std::mt19937& rng) {
  const unsigned r = rng() % 40;
  return r == 0 ? "  " : r == 1 ? "\t" : " ";
}

// A line that reads without error in a file of that many positions so far.
std::string RandomLine(std::mt19937& rng, int positions, int normals) {
  const unsigned kind = rng() % 100;
  if (kind < 40) {
    std::string line = kind < 30 ? "v" : kind < 35 ? "vn" : "vt";
    for (int i = 0; i < 3; ++i) line += Gap(rng) + RandomDecimal(rng);
    if (rng() % 30 == 0) line += " 1.0";  // a weight, passed over
    if (rng() % 30 == 0) line += " ";
    return line;
  }
  if (kind < 85) {
    std::string line = rng() % 50 == 0 ? "fo" : "f";
    const int corners = 3 + static_cast<int>(rng() % 8 == 0 ? rng() % 4 : rng() % 2);
    for (int i = 0; i < corners; ++i) {
      const unsigned r = rng() % 12;
      std::string corner = std::to_string(1 + rng() % static_cast<unsigned>(positions));
      if (r == 0) corner = "-" + std::to_string(1 + rng() % static_cast<unsigned>(positions));
      // Normal numbers count from the first normal, or back from the last.
      const int n = static_cast<int>(rng() % static_cast<unsigned>(normals + 1));
      const std::string normal = std::to_string(n > 0 && rng() % 3 == 0 ? -n : n);
      if (r == 1 || r == 3) corner += "//" + normal;
      if (r == 4 || r == 5) corner += "/" + std::to_string(rng() % 99) + "/" + normal;
      if (r == 6) corner += "/" + std::to_string(rng() % 99);
      if (r == 2 && rng() % 4 == 0) corner = "00000000" + corner;
      line += Gap(rng) + corner;
    }
    if (rng() % 30 == 0) line += " ";
    return line;
  }
  static const char* const kOthers[] = {"",      "",           "# Object part", "# a remark",
                                        "o lid", "o",          "vn 0 0 1",      "g side",
                                        "s 1",   "s off",      "vt 0.5 0.5",    "l 1 2",
                                        "",      "# Object x", "usemtl red",    "mtllib a.mtl"};
  return kOthers[rng() % std::size(kOthers)];
}

// A line that ends the read with an error.
std::string FaultyLine(std::mt19937& rng, int positions, int normals) {
  const std::string faults[] = {"v 1 2",
                                "v 1 x 3",
                                "v 1 2 .",
                                "v 1 2 3e99",
                                "f 1 2",
                                "f 1 2 " + std::to_string(positions + 1),
                                "f 1 0 2",
                                "f 1 2 1234567890",
                                "f 1 2 -" + std::to_string(positions + 1),
                                "f 1 2 3//" + std::to_string(normals + 1 + rng() % 3),
                                "f 1/1/" + std::to_string(normals + 1) + " 2 3",
                                "f 1/x/1 2 3",
                                "f 1//-" + std::to_string(normals + 1) + " 2 3",
                                "f -" + std::to_string(positions + 1) + " 1 2",
                                "vn 1 2"};
  return faults[rng() % std::size(faults)];
}

TEST_F(ObjPlainLinesTest, RandomFilesReadAsLineByLine) {
  std::mt19937 rng(11);
  for (int round = 0; round < 400; ++round) {
    state_.options.splitObjects = round % 4 == 1;
    state_.options.importNormals = round % 4 == 2;
    // Line ends: all LF, all CR LF, or mixed. A first line ended by CR LF sets
    // the reading where CR LF is one line end; otherwise CR is one of its own.
    const int ends = round % 5;
    const auto eol = [&rng, ends](bool first) {
      const bool crLf = ends == 1 || (ends == 2 && !first && rng() % 2 == 0) ||
                        (ends == 3 && (first || rng() % 2 == 0));
      return std::string(crLf ? "\r\n" : "\n");
    };
    std::string asWritten = "# random" + eol(true);
    std::string spaced = asWritten;
    const int lines = 5 + static_cast<int>(rng() % 60);
    int positions = 3;
    int normals = 0;
    asWritten += "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    spaced += " v 0 0 0\n v 1 0 0\n v 0 1 0\n";
    // A third of the files end in an error somewhere.
    const int faultAt = round % 3 == 0 ? static_cast<int>(rng() % lines) : -1;
    for (int i = 0; i < lines; ++i) {
      // Two blank lines: from here on face numbers count from the next run of positions.
      if (rng() % 20 == 0) {
        const std::string blank = eol(false) + eol(false);
        asWritten += blank;
        spaced += blank;
      }
      const std::string line =
          i == faultAt ? FaultyLine(rng, positions, normals) : RandomLine(rng, positions, normals);
      // A tab behind the keyword makes a word of another keyword: not counted.
      positions += line.rfind("v ", 0) == 0;
      normals += line.rfind("vn ", 0) == 0;
      const std::string end = eol(false);
      asWritten += line + end;
      // A blank line stays blank: two of them change how faces count.
      spaced += (line.empty() ? "" : " ") + line + end;
    }
    // Some files end without a line end.
    if (round % 3 == 2) {
      while (!asWritten.empty() && (asWritten.back() == '\n' || asWritten.back() == '\r')) {
        asWritten.pop_back();
        spaced.pop_back();
      }
    }
    ASSERT_EQ(Outcome(asWritten), Outcome(spaced)) << "round " << round << "\n" << asWritten;
  }
}

// Forms at the edges of what is read in place, each read as written and with
// a space before every line; the first two import, the rest as noted. (The
// head's face gives the arrays room: a line that would grow one is read line
// by line.)
TEST_F(ObjPlainLinesTest, EdgeFormsReadAsLineByLine) {
  const std::string head =
      "vn 0 0 1\nvn 0 1 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1//1 2//1 3//1\n";
  const char* const faces[] = {
      "f -1 -2 -3\nf 1/-1/-1 2/-2/-2 3//-2\nf 1//0 2//0 3//0 4//0\n",  // counting back
      "f 1/1 2/ 3//\nf 1 2 3 4 5\nf 1\t2 3\nf 1 2 3\r\n\n",            // other forms
      "f 1//-3 2//1 3//1\n",                                           // no such normal
      "f -5 1 2\n",                                                    // no such vertex
      "f 1//3 2 3\n",                                                  // no such normal
      "f 1 2 3 4 0\n",                                                 // vertex 0
      "f 1 2 1234567890\n",                                            // too long
      "f 1 2 3\rv 1 2 3\r\n",                                          // a lone CR
  };
  for (const char* text : faces) {
    std::string spaced;
    const std::string asWritten = head + text;
    for (size_t at = 0; at < asWritten.size();) {
      const size_t next = asWritten.find('\n', at);
      const std::string line = asWritten.substr(at, next - at + 1);
      spaced += (line == "\n" ? "" : " ") + line;
      at = next + 1;
    }
    EXPECT_EQ(Outcome(asWritten), Outcome(spaced)) << text;
  }
}

// Plain lines long enough that runs cross many progress turns, numbers at the
// lengths where the reading changes form (8 and 9 digit vertex numbers), and
// the same faces again with corner normals: triangles and quads.
class ObjPlainLongFileTest : public ObjPlainLinesTest,
                             public ::testing::WithParamInterface<bool> {};

TEST_P(ObjPlainLongFileTest, ReadsAsLineByLine) {
  const bool withNormals = GetParam();
  std::string asWritten = "# grid\n";
  std::string spaced = asWritten;
  if (withNormals) {
    for (int i = 0; i < 50; ++i) {
      const std::string line =
          "vn " + std::to_string(i % 7 * 0.125) + " -" + std::to_string(i % 5 * 0.25) + " 1";
      asWritten += line + "\n";
      spaced += " " + line + "\n";
    }
  }
  const char* const kCoordinates[] = {
      "1234567.1234567", "-12345678.5", "0.12345678", "7", "-.5", "3.", "+0.0000001", "99999999"};
  for (int i = 0; i < 6000; ++i) {
    const std::string line = std::string("v ") + kCoordinates[i % 8] + " " +
                             kCoordinates[(i + 3) % 8] + " " + std::to_string(i * 0.001);
    asWritten += line + "\n";
    spaced += " " + line + "\n";
  }
  for (int i = 1; i + 2 <= 6000; ++i) {
    // Corners A, A/T/N, A//N, A/T by turns when normals are there.
    const auto corner = [withNormals](int vertex, int k) {
      const std::string normal = std::to_string(1 + (vertex + k) % 50);
      const std::string forms[] = {"", "/" + std::to_string(k) + "/" + normal, "//" + normal, "/7"};
      return std::to_string(vertex) + (withNormals ? forms[(vertex + k) % 4] : "");
    };
    std::string line = "f " + corner(i, 0) + " 00000001 " + corner(i + 1, 2);
    if (i % 3 == 0) line += " 000000002";
    if (i % 3 == 1) line += " " + corner(i + 2, 3);
    asWritten += line + "\n";
    spaced += " " + line + "\n";
  }
  const std::string outcome = Outcome(asWritten);
  EXPECT_EQ(outcome.find("error"), std::string::npos) << outcome.substr(0, 200);
  EXPECT_EQ(outcome, Outcome(spaced));
}

INSTANTIATE_TEST_SUITE_P(Normals, ObjPlainLongFileTest, ::testing::Bool());

}  // namespace
}  // namespace ks::readers
