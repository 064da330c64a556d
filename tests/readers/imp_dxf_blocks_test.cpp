// DXF blocks placed by INSERT entities, binary DXF, and plain polylines.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "readers/imp_dxf.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

using Vec = std::array<double, 3>;
using Pairs = std::vector<std::pair<int, std::string>>;

std::string Real(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

// A drawing as its pairs, written as text or as binary.
struct Drawing {
  Pairs pairs;

  void Add(const std::string& entity, const Pairs& values) {
    pairs.push_back({0, entity});
    pairs.push_back({8, "0"});
    pairs.insert(pairs.end(), values.begin(), values.end());
  }
  void Face(const std::array<Vec, 4>& corners) {
    Pairs values;
    for (int k = 0; k < 4; ++k)
      for (int axis = 0; axis < 3; ++axis)
        values.push_back({10 * (axis + 1) + k, Real(corners[size_t(k)][size_t(axis)])});
    Add("3DFACE", values);
  }
  void Block(const std::string& name, const Vec& base) {
    Add("BLOCK", {{2, name},
                  {70, "0"},
                  {10, Real(base[0])},
                  {20, Real(base[1])},
                  {30, Real(base[2])},
                  {3, name}});
  }
  void EndBlock() { Add("ENDBLK", {}); }
  void Section(const std::string& name) { pairs.insert(pairs.end(), {{0, "SECTION"}, {2, name}}); }
  void EndSection() { pairs.push_back({0, "ENDSEC"}); }

  std::string Text() const {
    std::string out;
    for (const auto& [code, value] : pairs) {
      char line[16];
      std::snprintf(line, sizeof line, "%3d\n", code);
      out += line + value + "\n";
    }
    return out + "  0\nEOF\n";
  }
  // wide: two-byte group codes (release 13 on), else one byte.
  std::string Binary(bool wide) const {
    std::string out("AutoCAD Binary DXF\r\n\x1a\0", 22);
    auto put = [&out](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
    auto all = pairs;
    all.push_back({0, "EOF"});
    for (const auto& [code, value] : all) {
      const auto code16 = static_cast<int16_t>(code);
      if (wide) {
        put(&code16, 2);
      } else if (code < 255) {
        out += static_cast<char>(code);
      } else {
        out += '\xff';
        put(&code16, 2);
      }
      if ((code >= 10 && code < 60) || (code >= 210 && code < 240)) {
        const double v = std::stod(value);
        put(&v, 8);
      } else if (code >= 60 && code < 80) {
        const auto v = static_cast<int16_t>(std::stoi(value));
        put(&v, 2);
      } else {
        out += value;
        out += '\0';
      }
    }
    return out;
  }
};

struct Insert {
  std::string block;
  Vec point{0, 0, 0};
  Vec scale{1, 1, 1};
  double rotation = 0;
  Vec extrusion{0, 0, 1};
  int columns = 1, rows = 1;
  double columnSpacing = 0, rowSpacing = 0;

  void AddTo(Drawing& d) const {
    Pairs values = {{2, block}};
    for (int axis = 0; axis < 3; ++axis) values.push_back({10 * (axis + 1), Real(point[axis])});
    for (int axis = 0; axis < 3; ++axis) values.push_back({41 + axis, Real(scale[axis])});
    values.push_back({50, Real(rotation)});
    if (columns != 1 || rows != 1)
      values.insert(values.end(), {{70, std::to_string(columns)},
                                   {71, std::to_string(rows)},
                                   {44, Real(columnSpacing)},
                                   {45, Real(rowSpacing)}});
    for (int axis = 0; axis < 3; ++axis) values.push_back({210 + 10 * axis, Real(extrusion[axis])});
    d.Add("INSERT", values);
  }

  // Where copy (column, row) puts a point of a block with this base, worked
  // out step by step as a person exploding the block would.
  Vec Place(Vec p, const Vec& base, int column, int row) const {
    for (int a = 0; a < 3; ++a) p[a] = (p[a] - base[a]) * scale[a];
    p[0] += column * columnSpacing;
    p[1] += row * rowSpacing;
    const double turn = rotation * std::numbers::pi / 180;
    p = {p[0] * std::cos(turn) - p[1] * std::sin(turn),
         p[0] * std::sin(turn) + p[1] * std::cos(turn), p[2]};
    for (int a = 0; a < 3; ++a) p[a] += point[a];
    // The arbitrary axis rule.
    const double n = std::hypot(extrusion[0], extrusion[1], extrusion[2]);
    const Vec z{extrusion[0] / n, extrusion[1] / n, extrusion[2] / n};
    const auto cross = [](const Vec& a, const Vec& b) {
      return Vec{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    const auto unit = [](const Vec& v) {
      const double l = std::hypot(v[0], v[1], v[2]);
      return Vec{v[0] / l, v[1] / l, v[2] / l};
    };
    const Vec x =
        unit(std::abs(z[0]) < 1.0 / 64 && std::abs(z[1]) < 1.0 / 64 ? cross({0, 1, 0}, z)
                                                                    : cross({0, 0, 1}, z));
    const Vec y = unit(cross(z, x));
    Vec out{};
    for (int a = 0; a < 3; ++a) out[a] = p[0] * x[a] + p[1] * y[a] + p[2] * z[a];
    return out;
  }
};

class DxfBlocksTest : public TextReaderTest {
 protected:
  KsObjectRef Import(const std::string& bytes) {
    state_->warnings.Clear();
    CollectionRef list = std::make_shared<Collection>();
    CImp_DXF(*state_).Load(Write("drawing.dxf", bytes), list);
    return ObjectAt(list, 1);
  }
  std::vector<std::string> Warnings() const { return state_->warnings.Messages(); }
  static std::vector<float> Corners(const KsObjectRef& o) {
    std::vector<float> out;
    for (const int32_t v : o->Triangles())
      for (int a = 0; a < 3; ++a) out.push_back(o->Vertices()[size_t(v) * 3 + size_t(a)]);
    return out;
  }
};

const std::array<Vec, 4> kSquare{Vec{0, 0, 0}, Vec{1, 0, 0}, Vec{1, 1, 0}, Vec{0, 1, 0}};

// Drawings with blocks inserted (nested, mirrored, turned, tilted, in
// arrays) import with the same triangles in the same places as the same
// drawings exploded by hand into plain faces.
TEST_F(DxfBlocksTest, InsertedBlocksMatchTheDrawingExploded) {
  std::mt19937 random(7);
  const auto any = [&](double from, double to) {
    return std::uniform_real_distribution<double>(from, to)(random);
  };
  const auto anyPoint = [&](double r) { return Vec{any(-r, r), any(-r, r), any(-r, r)}; };
  for (int round = 0; round < 40; ++round) {
    // Block "leaf": faces only; block "twig": a face and two leaves.
    std::vector<std::array<Vec, 4>> leafFaces;
    for (int f = 0; f < 1 + round % 3; ++f)
      leafFaces.push_back({anyPoint(5), anyPoint(5), anyPoint(5), anyPoint(5)});
    const Vec leafBase = anyPoint(2), twigBase = anyPoint(2);
    const std::array<Vec, 4> twigFace{anyPoint(5), anyPoint(5), anyPoint(5), anyPoint(5)};
    const auto anyInsert = [&](const std::string& block) {
      Insert ins;
      ins.block = block;
      ins.point = anyPoint(20);
      ins.scale = {any(-2, 2), any(0.5, 2), any(0.5, 2)};
      ins.rotation = any(-360, 360);
      ins.extrusion = random() % 3 ? Vec{0, 0, 1} : Vec{any(-1, 1), any(-1, 1), any(0.1, 1)};
      if (random() % 3 == 0) {
        ins.columns = 1 + int(random() % 3);
        ins.rows = 1 + int(random() % 3);
        ins.columnSpacing = any(-4, 4);
        ins.rowSpacing = any(-4, 4);
      }
      return ins;
    };
    const std::array<Insert, 2> inTwig{anyInsert("leaf"), anyInsert("leaf")};
    const std::array<Insert, 2> top{anyInsert("twig"), anyInsert(round % 2 ? "leaf" : "twig")};

    Drawing blocks, exploded;
    blocks.Section("BLOCKS");
    blocks.Block("leaf", leafBase);
    for (const auto& f : leafFaces) blocks.Face(f);
    blocks.EndBlock();
    blocks.Block("twig", twigBase);
    blocks.Face(twigFace);
    for (const Insert& i : inTwig) i.AddTo(blocks);
    blocks.EndBlock();
    blocks.EndSection();
    blocks.Section("ENTITIES");
    exploded.Section("ENTITIES");
    blocks.Face(kSquare);
    exploded.Face(kSquare);
    // The faces one insert of a leaf puts in place, through the outer placement.
    using Outer = std::function<Vec(const Vec&)>;
    const auto explodeLeaf = [&](const Insert& ins, const Outer& outer) {
      for (int r = 0; r < ins.rows; ++r)
        for (int c = 0; c < ins.columns; ++c)
          for (const auto& f : leafFaces) {
            std::array<Vec, 4> placed;
            for (int k = 0; k < 4; ++k) placed[k] = outer(ins.Place(f[k], leafBase, c, r));
            exploded.Face(placed);
          }
    };
    for (const Insert& ins : top) {
      ins.AddTo(blocks);
      if (ins.block == "leaf") {
        explodeLeaf(ins, [](const Vec& p) { return p; });
        continue;
      }
      for (int r = 0; r < ins.rows; ++r)
        for (int c = 0; c < ins.columns; ++c) {
          const Outer outer = [&, c, r](const Vec& p) { return ins.Place(p, twigBase, c, r); };
          std::array<Vec, 4> placed;
          for (int k = 0; k < 4; ++k) placed[k] = outer(twigFace[k]);
          exploded.Face(placed);
          for (const Insert& inner : inTwig) explodeLeaf(inner, outer);
        }
    }
    blocks.EndSection();
    exploded.EndSection();

    const std::vector<float> got = Corners(Import(blocks.Text()));
    const std::vector<float> want = Corners(Import(exploded.Text()));
    ASSERT_EQ(got.size(), want.size()) << "round " << round;
    for (size_t i = 0; i < got.size(); ++i)
      ASSERT_NEAR(got[i], want[i], 1e-3 * (1 + std::abs(want[i])))
          << "round " << round << " at " << i;
    EXPECT_EQ(Warnings(), std::vector<std::string>{});
  }
}

TEST_F(DxfBlocksTest, BlocksAddNothingUntilInsertedAndBadInsertsAreWarnings) {
  // A defined block that no insert places: only the plain face comes in.
  Drawing d;
  d.Block("unused", {0, 0, 0});
  d.Face(kSquare);
  d.EndBlock();
  d.Face({Vec{5, 5, 5}, Vec{6, 5, 5}, Vec{6, 6, 5}, Vec{5, 6, 5}});
  EXPECT_EQ(Import(d.Text())->VertexCount(), 4);
  EXPECT_FLOAT_EQ(Import(d.Text())->Vertices()[0], 5.0f);

  // Turned a quarter, doubled, moved: known corners.
  Insert ins;
  ins.block = "unused";
  ins.point = {10, 0, 0};
  ins.scale = {2, 2, 2};
  ins.rotation = 90;
  Drawing placed = d;
  ins.AddTo(placed);
  auto o = Import(placed.Text());
  ASSERT_EQ(o->VertexCount(), 8);
  const std::vector<float> corners(o->Vertices().begin() + 12, o->Vertices().end());
  const std::vector<float> want = {10, 0, 0, 10, 2, 0, 8, 2, 0, 8, 0, 0};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(corners[i], want[i], 1e-5) << i;

  // Seen from below (extrusion 0, 0, -1) the object x axis points to -x.
  ins.rotation = 0;
  ins.scale = {1, 1, 1};
  ins.point = {5, 0, 0};
  ins.extrusion = {0, 0, -1};
  Drawing below = d;
  ins.AddTo(below);
  EXPECT_NEAR(Import(below.Text())->Vertices()[12], -5.0f, 1e-5);

  // An insert before its block's definition is placed all the same; one of
  // a block never defined, or of a block inside itself, is a warning.
  Drawing early;
  Insert first;
  first.block = "later";
  first.AddTo(early);
  first.block = "nowhere";
  first.AddTo(early);
  early.Block("later", {0, 0, 0});
  early.Face(kSquare);
  early.EndBlock();
  early.Block("loop", {0, 0, 0});
  early.Face(kSquare);
  first.block = "loop";
  first.AddTo(early);
  early.EndBlock();
  first.AddTo(early);
  o = Import(early.Text());
  EXPECT_EQ(o->VertexCount(), 4 + 4 * 16);
  EXPECT_EQ(Warnings(),
            (std::vector<std::string>{
                "passed over 1 INSERT nested too deeply (loop): blocks inside blocks are placed "
                "down to 16 levels",
                "passed over 1 INSERT of a block the drawing does not define (nowhere): nothing to "
                "place"}));

  // Copies of an empty block, in a huge array or in a block that inserts
  // itself twice at every level, end as an error instead of keeping the reader
  // busy for ever.
  Drawing empty;
  empty.Block("nothing", {0, 0, 0});
  empty.EndBlock();
  empty.Block("twice", {0, 0, 0});
  first.block = "twice";
  first.AddTo(empty);
  first.AddTo(empty);
  empty.EndBlock();
  for (const auto& [block, side] : {std::pair{"nothing", 32767}, std::pair{"twice", 20}}) {
    Drawing hostile = empty;
    Insert array;
    array.block = block;
    array.columns = array.rows = side;
    array.AddTo(hostile);
    EXPECT_THROW(Import(hostile.Text()), ComError) << block;
  }

  // An array beyond any memory fails at the insert's line.
  Drawing huge = d;
  ins = {};
  ins.block = "unused";
  ins.columns = ins.rows = 32767;
  ins.AddTo(huge);
  try {
    Import(huge.Text());
    ADD_FAILURE() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), err::kOutOfMemory);
    EXPECT_NE(e.description().find("INSERT of block \"unused\" would place more than"),
              std::string::npos)
        << e.description();
    const std::string text = huge.Text();
    const auto line = std::count(text.begin(), text.begin() + text.find("INSERT\n"), '\n') + 1;
    EXPECT_NE(e.description().find("(line " + std::to_string(line) + " of drawing.dxf)"),
              std::string::npos)
        << e.description();
  }
}

TEST_F(DxfBlocksTest, BinaryFilesGiveWhatTheirTextFormGives) {
  Drawing d;
  d.Section("BLOCKS");
  d.Block("leaf", {0.5, 0.25, 0});
  d.Face(kSquare);
  d.EndBlock();
  d.EndSection();
  d.Section("ENTITIES");
  d.Face({Vec{0.1, 0.2, 0.3}, Vec{1e-7, 5, 6}, Vec{-7.5, 8, 9}, Vec{123456.789, 0, 1}});
  Insert ins;
  ins.block = "leaf";
  ins.point = {3, 4, 5};
  ins.rotation = 30;
  ins.AddTo(d);
  d.Add("POLYLINE", {{66, "1"}, {70, "64"}});
  for (const Vec& v : kSquare)
    d.Add("VERTEX", {{10, Real(v[0])}, {20, Real(v[1])}, {30, Real(v[2])}, {70, "192"}});
  d.Add("VERTEX", {{70, "128"}, {71, "1"}, {72, "2"}, {73, "3"}, {74, "-4"}});
  d.Add("SEQEND", {});
  d.EndSection();
  const std::vector<float> text = Corners(Import(d.Text()));
  ASSERT_EQ(text.size(), 6u * 3 * 3);
  for (const bool wide : {true, false}) {
    EXPECT_EQ(Corners(Import(d.Binary(wide))), text) << wide;
    EXPECT_EQ(Warnings(), std::vector<std::string>{});
  }
  // Cut anywhere, a binary file gives what came before the cut, and says so.
  const std::string whole = d.Binary(true);
  for (size_t size = 22; size < whole.size(); size += 7) {
    try {
      EXPECT_LE(Import(whole.substr(0, size))->TriangleCount(), 6);
    } catch (const ComError& e) {
      // A face record cut short names vertex 0, as in a text file cut there.
      EXPECT_NE(e.description().find("vertex number 0"), std::string::npos) << e.description();
      continue;
    }
    const auto warnings = Warnings();
    EXPECT_TRUE(std::any_of(warnings.begin(), warnings.end(), [](const std::string& w) {
      return w.find("binary DXF cut off before its end") != std::string::npos;
    })) << size;
  }
  Import(whole.substr(0, whole.size() - 2));
  EXPECT_EQ(Warnings(),
            std::vector<std::string>{
                "passed over 1 binary DXF cut off before its end (inside group 0 at "
                "offset " +
                std::to_string(whole.size() - 6) + "): the entities before the cut are imported"});
}

TEST_F(DxfBlocksTest, PlainPolylinesArePassedOverWithAWarning) {
  for (const std::string flag : {"0", "8", "1"}) {
    Drawing d;
    d.Face(kSquare);
    d.Add("POLYLINE", {{66, "1"}, {70, flag}});
    d.Add("VERTEX", {{10, "7"}, {20, "8"}, {30, "9"}});
    d.Add("VERTEX", {{10, "1"}, {20, "2"}, {30, "3"}});
    d.Add("SEQEND", {});
    // A loose point after the polyline still comes in.
    d.Add("VERTEX", {{10, "4"}, {20, "5"}, {30, "6"}});
    const auto o = Import(d.Text());
    EXPECT_EQ(o->VertexCount(), 5) << flag;
    EXPECT_EQ(Warnings(), std::vector<std::string>{
                              "passed over 1 polyline (POLYLINE with flag " + flag +
                              "): lines are not imported, only 3DFACE entities and polyface "
                              "meshes"});
  }
}

}  // namespace
}  // namespace ks::readers::testing
