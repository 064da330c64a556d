// The bundled sample samples/cube.3ds is generated here: a cube of 8 vertices
// and 12 triangles with one material. The test checks that the committed file
// is what the generator writes and that the reader imports it. Run it with
// KS_WRITE_SAMPLES=1 to (re)write the sample.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/ks_material.h"
#include "readers/imp_3ds.h"
#include "testing/chunk_writer_3ds.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers {
namespace {

using namespace ks::test3ds;

std::filesystem::path SamplePath() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" /
         "cube.3ds";
}

Bytes CubeFile() {
  Chunk material(0xAFFF);
  material.Add(MaterialName("Blue"))
      .Add(Chunk(0xA010).Add(Color24(0, 0, 64)))
      .Add(Chunk(0xA020).Add(Color24(40, 90, 200)))
      .Add(Chunk(0xA030).Add(Color24(255, 255, 255)))
      .Add(Chunk(0xA040).Add(IntPercent(40)))
      .Add(Chunk(0xA050).Add(IntPercent(0)));

  // Corners as (x, y, z) with z up; every face counter-clockwise seen from outside.
  Chunk faces = Faces({{0, 3, 2},
                       {0, 2, 1},  // bottom
                       {4, 5, 6},
                       {4, 6, 7},  // top
                       {0, 1, 5},
                       {0, 5, 4},  // front
                       {2, 3, 7},
                       {2, 7, 6},  // back
                       {1, 2, 6},
                       {1, 6, 5},  // right
                       {3, 0, 4},
                       {3, 4, 7}});  // left
  faces.Add(FaceMaterial("Blue", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  Chunk smoothing(0x4150);
  for (uint32_t group : {1u, 1u, 2u, 2u, 4u, 4u, 8u, 8u, 16u, 16u, 32u, 32u})
    smoothing.I32(static_cast<int32_t>(group));
  faces.Add(smoothing);

  Chunk mesh(0x4100);
  mesh.Add(Vertices({{-1, -1, -1},
                     {1, -1, -1},
                     {1, 1, -1},
                     {-1, 1, -1},
                     {-1, -1, 1},
                     {1, -1, 1},
                     {1, 1, 1},
                     {-1, 1, 1}}))
      .Add(Matrix(0, 0, 0))
      .Add(faces);

  Chunk editor(0x3D3D);
  editor.Add(Chunk(0x3D3E).I32(3)).Add(material).Add(NamedObject("Cube").Add(mesh));
  return File({editor});
}

class Sample3dsTest : public testing::TextReaderTest {};

TEST_F(Sample3dsTest, BundledCubeMatchesItsGeneratorAndImports) {
  const Bytes bytes = CubeFile();
  if (std::getenv("KS_WRITE_SAMPLES"))
    std::ofstream(SamplePath(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

  std::ifstream in(SamplePath(), std::ios::binary);
  ASSERT_TRUE(in) << SamplePath();
  const Bytes committed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(committed, bytes) << "regenerate with KS_WRITE_SAMPLES=1";

  CImp_3DS reader(*state_);
  CollectionRef objects, materials;
  reader.Load(SamplePath().string(), objects, materials);
  ASSERT_EQ(objects->Count(), 1);
  KsObjectRef cube = ObjectAt(objects, 1);
  EXPECT_EQ(cube->Name(), "Cube");
  EXPECT_EQ(cube->VertexCount(), 8);
  EXPECT_EQ(cube->TriangleCount(), 12);
  EXPECT_EQ(cube->MaterialKey(), "Blue");
  ASSERT_EQ(materials->Count(), 1);
  auto blue = std::dynamic_pointer_cast<CKsMaterial>(materials->Item(1).ToObject());
  EXPECT_EQ(blue->Color(), 40 + 90 * 256 + 200 * 65536);

  // Every triangle faces outward: its normal points away from the centre.
  const auto v = cube->Vertices();
  const auto t = cube->Triangles();
  for (size_t k = 0; k < t.size(); k += 3) {
    std::array<float, 3> p[3];
    for (int c = 0; c < 3; ++c)
      for (int a = 0; a < 3; ++a) p[c][a] = v[3 * static_cast<size_t>(t[k + c]) + a];
    const std::array<float, 3> e1{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const std::array<float, 3> e2{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const std::array<float, 3> n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                 e1[0] * e2[1] - e1[1] * e2[0]};
    const float outward = n[0] * (p[0][0] + p[1][0] + p[2][0]) +
                          n[1] * (p[0][1] + p[1][1] + p[2][1]) +
                          n[2] * (p[0][2] + p[1][2] + p[2][2]);
    EXPECT_GT(outward, 0.0f) << "triangle " << k / 3;
  }
}

}  // namespace
}  // namespace ks::readers
