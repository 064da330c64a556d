// Writes the fuzz targets' seed corpora, one folder per target, from the same
// small writers the reader tests use: make_seeds <folder>.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/chunk_writer_3ds.h"

namespace {

namespace fs = std::filesystem;
using namespace ks::test3ds;

std::string Join(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const auto& line : lines) out += line + eol;
  return out;
}

class SeedWriter {
 public:
  SeedWriter(fs::path root, std::string target) : dir_(std::move(root) / std::move(target)) {
    fs::create_directories(dir_);
  }
  void Text(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  void Binary(const Bytes& bytes) {
    Write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

 private:
  void Write(const char* data, size_t size) {
    std::ofstream out(dir_ / ("seed-" + std::to_string(++count_)), std::ios::binary);
    out.write(data, static_cast<std::streamsize>(size));
  }
  fs::path dir_;
  int count_ = 0;
};

void ObjSeeds(SeedWriter& w) {
  const std::vector<std::string> cube = {"# Object cube",   "g cube",
                                         "v 0 0 0",         "v 1 0 0",
                                         "v 1 1 0",         "v 0 1 0",
                                         "v 0 0 1",         "v 1 0 1",
                                         "v 1 1 1",         "v 0 1 1",
                                         "vn 0 0 1",        "vt 0.5 0.5",
                                         "usemtl red",      "s 1",
                                         "f 1 2 3 4",       "f 5/1/1 6/1/1 7/1/1 8/1/1",
                                         "f -1 -2 -3",      "f 1//1 2//1 3//1",
                                         "# Object second", "o second",
                                         "v 2 2 2",         "v 3 2 2",
                                         "v 3 3 2",         "f 9 10 11"};
  for (const char* eol : {"\r\n", "\n", "\r"}) w.Text(Join(cube, eol));
  w.Text("v 1e10 -1E-10 .5\nv +1 -0 0.\nf 1 2 1\n");
  w.Text("\xEF\xBB\xBFv 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3 4 5 6 7 8\n");
  // Materials and the faces of one or two corners that are passed over.
  w.Text(
      "mtllib parts.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\nf 1 2 3\nf 1 2\nf 3\n"
      "usemtl blue\nf 3 2 1\n");
}

std::vector<std::string> DxfPairs(const std::vector<std::pair<int, std::string>>& pairs) {
  std::vector<std::string> lines;
  for (const auto& [code, value] : pairs) {
    lines.push_back(std::to_string(code));
    lines.push_back(value);
  }
  return lines;
}

void DxfSeeds(SeedWriter& w) {
  const std::vector<std::string> head = {"  0",      "SECTION", "  2",    "HEADER",  "  9",
                                         "$ACADVER", "  1",     "AC1015", "  0",     "ENDSEC",
                                         "  0",      "SECTION", "  2",    "ENTITIES"};
  const std::vector<std::string> tail = {"  0", "ENDSEC", "  0", "EOF"};
  std::vector<std::string> face = DxfPairs({{0, "3DFACE"},
                                            {8, "0"},
                                            {10, "0"},
                                            {20, "0"},
                                            {30, "0"},
                                            {11, "1"},
                                            {21, "0"},
                                            {31, "0"},
                                            {12, "1"},
                                            {22, "1"},
                                            {32, "0"},
                                            {13, "0"},
                                            {23, "1"},
                                            {33, "2.5"}});
  std::vector<std::string> mesh =
      DxfPairs({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "64"}, {71, "3"}, {72, "1"}});
  for (const auto& v :
       {std::vector<std::string>{"0", "0", "0"}, {"1", "0", "0"}, {"0", "1", "0"}}) {
    auto vertex =
        DxfPairs({{0, "VERTEX"}, {8, "0"}, {10, v[0]}, {20, v[1]}, {30, v[2]}, {70, "192"}});
    mesh.insert(mesh.end(), vertex.begin(), vertex.end());
  }
  auto record = DxfPairs({{0, "VERTEX"},
                          {8, "0"},
                          {10, "0"},
                          {20, "0"},
                          {30, "0"},
                          {70, "128"},
                          {71, "1"},
                          {72, "2"},
                          {73, "-3"}});
  mesh.insert(mesh.end(), record.begin(), record.end());
  auto seqend = DxfPairs({{0, "SEQEND"}, {8, "0"}});
  mesh.insert(mesh.end(), seqend.begin(), seqend.end());
  for (const char* eol : {"\r\n", "\n"}) {
    std::vector<std::string> all = head;
    all.insert(all.end(), face.begin(), face.end());
    all.insert(all.end(), mesh.begin(), mesh.end());
    all.insert(all.end(), tail.begin(), tail.end());
    w.Text(Join(all, eol));
  }
  std::vector<std::string> facesOnly = face;
  facesOnly.insert(facesOnly.end(), face.begin(), face.end());
  w.Text(Join(facesOnly, "\n"));

  // A block placed twice, once scaled, turned and arrayed; and a plain polyline.
  std::vector<std::string> blocks = {"  0", "SECTION", "  2", "BLOCKS"};
  auto block = DxfPairs({{0, "BLOCK"}, {2, "leaf"}, {10, "0.5"}, {20, "0"}, {30, "0"}});
  blocks.insert(blocks.end(), block.begin(), block.end());
  blocks.insert(blocks.end(), face.begin(), face.end());
  auto endBlock = DxfPairs({{0, "ENDBLK"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}});
  blocks.insert(blocks.end(), endBlock.begin(), endBlock.end());
  auto inserts =
      DxfPairs({{0, "INSERT"}, {2, "leaf"},   {10, "1"},  {20, "2"},    {30, "3"},  {0, "INSERT"},
                {2, "leaf"},   {41, "2"},     {42, "-1"}, {50, "30"},   {70, "2"},  {71, "3"},
                {44, "4"},     {45, "5"},     {210, "0"}, {220, "1"},   {230, "1"}, {0, "POLYLINE"},
                {70, "8"},     {0, "VERTEX"}, {10, "1"},  {0, "SEQEND"}});
  blocks.insert(blocks.end(), inserts.begin(), inserts.end());
  blocks.insert(blocks.end(), tail.begin(), tail.end());
  w.Text(Join(blocks, "\n"));

  // The binary form of one face: one-byte group codes, reals of 8 bytes.
  std::string binary("AutoCAD Binary DXF\r\n\x1a\0", 22);
  auto text = [&binary](int code, const std::string& value) {
    binary += static_cast<char>(code);
    binary += value;
    binary += '\0';
  };
  text(0, "SECTION");
  text(2, "ENTITIES");
  text(0, "3DFACE");
  for (int code : {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33}) {
    const double value = code % 10 == 1 ? 1.0 : 0.5;
    binary += static_cast<char>(code);
    binary.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  text(0, "ENDSEC");
  text(0, "EOF");
  w.Text(binary);
}

void ThreeDsSeeds(SeedWriter& w) {
  Chunk material(0xAFFF);
  material.Add(MaterialName("red"))
      .Add(Chunk(0xA010).Add(Color24(40, 0, 0)))
      .Add(Chunk(0xA020).Add(Color24(200, 0, 0)).Add(LinColor24(190, 0, 0)))
      .Add(Chunk(0xA030).Add(ColorFloat(1, 1, 1)))
      .Add(Chunk(0xA040).Add(IntPercent(30)))
      .Add(Chunk(0xA050).Add(FloatPercent(0.5f)));
  Chunk faces = Faces({{0, 1, 2}, {0, 2, 3}});
  faces.Add(FaceMaterial("red", {0, 1}));
  Chunk smooth(0x4150);
  smooth.I32(1).I32(1);
  faces.Add(smooth);
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
      .Add(faces)
      .Add(Matrix(1, 2, 3))
      .Add(Chunk(0x4165).U8(3));
  Chunk object = NamedObject("square");
  object.Add(mesh);
  Chunk hidden = NamedObject("hidden");
  hidden.Add(Chunk(0x4010));
  Chunk second(0x4100);
  second.Add(Vertices({{0, 0, 0}, {0, 0, 1}, {0, 1, 1}})).Add(Faces({{0, 1, 2}}));
  hidden.Add(second);
  w.Binary(EditorFile({material, object}));
  w.Binary(EditorFile({object, hidden}));
  w.Binary(File({Chunk(0xB000).Raw({1, 2, 3, 4})}));
  w.Binary(EditorFile({material}));
}

void PovSeeds(SeedWriter& w) {
  const std::vector<std::string> scene = {
      "// scene",
      "#declare Size = 5",
      "#declare Pyramid =",
      "mesh {",
      "  triangle { <0, 0, 0>, <1, 0, 0>, <0, 1, 0> }",
      "  smooth_triangle { <0, 0, 0>, <0, 0, 1>, <1, 0, 0>, <0, 0, 1>, <0, 1, 0>, <0, 0, 1> }",
      "}",
      "union {",
      "  triangle { <1.5, 2, 3>, <1, 2>, <-1e1,+.5,0.> }",
      "}",
      "#declare M2 = mesh2 {",
      "  vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> }",
      "  normal_vectors { 1, <0,0,1> }",
      "  face_indices { 1, <0,1,2> }",
      "  normal_indices { 1, <0,0,0> }",
      "}",
      "sphere { <0,0,0>, 1 }",
      "object { Pyramid translate <1,2,3> scale 2 rotate <0,90,0> }"};
  for (const char* eol : {"\r\n", "\n"}) w.Text(Join(scene, eol));
  w.Text("mesh {\ntriangle {\n<0,0,0>,\n<1,0,0>,\n<0,1,0>\n}\n}\n");
  // Declared numbers and vectors, arithmetic, strings and directive bodies.
  w.Text(
      "#declare N = 3;\n#declare P1 = <0,0,0>;\n#declare P2 = P1 + <1,0,0>*2;\n"
      "#debug \"the mesh2 is here\"\n#macro Leaf(S)\n  triangle { S*x, y, z }\n#end\n"
      "#if (N > 2)\n#end\n#declare M1 = mesh {triangle {P1, P2, -1.5*y}\n"
      "  triangle { x, (P2 - P1)/2, <N, N*N, 1> }\n}\n"
      "mesh2 { vertex_vectors { N, <0,0,0>, <1,0,0>, <0,1,0> } face_indices { N-2, <0,1,2> } }\n");
}

void TracerSeeds(SeedWriter& w) {
  // Width and height (1 + byte % 64), left and top, then one bit per pixel.
  Bytes box = {7, 5, 40, 40};
  for (int i = 0; i < 8; ++i) box.push_back(0xFF);
  w.Binary(box);
  Bytes disc = {15, 15, 0, 0};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; x += 8) {
      uint8_t byte = 0;
      for (int b = 0; b < 8; ++b) {
        const int dx = x + b - 8, dy = y - 8;
        if (dx * dx + dy * dy < 49) byte |= static_cast<uint8_t>(1 << b);
      }
      disc.push_back(byte);
    }
  w.Binary(disc);
  w.Binary({63, 63, 255, 255, 0x55, 0xAA, 0x55, 0xAA, 0x0F, 0xF0});
}

void CapSeeds(SeedWriter& w) {
  // Grid byte, then x, y per point.
  w.Binary({0, 10, 10, 100, 10, 100, 100, 10, 100});               // square
  w.Binary({0, 10, 10, 60, 80, 110, 10, 110, 120, 10, 120});       // notch
  w.Binary({0, 181, 218, 175, 239, 139, 250, 242, 205});           // edges that cross
  w.Binary({4, 0, 0, 200, 0, 200, 200, 100, 40, 0, 200, 50, 50});  // reflex corners
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  SeedWriter obj(root, "fuzz_obj"), dxf(root, "fuzz_dxf"), tds(root, "fuzz_3ds"),
      pov(root, "fuzz_pov"), tracer(root, "fuzz_tracer"), cap(root, "fuzz_cap");
  ObjSeeds(obj);
  DxfSeeds(dxf);
  ThreeDsSeeds(tds);
  PovSeeds(pov);
  TracerSeeds(tracer);
  CapSeeds(cap);
  return 0;
}
