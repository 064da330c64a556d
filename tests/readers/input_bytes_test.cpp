// The input layer: files mapped or read whole, bytes in memory read through
// every reader's own Load, and the same result from either.
#include "readers/input_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <thread>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/ks_object.h"
#include "readers/imp_3ds.h"
#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"
#include "testing/chunk_writer_3ds.h"
#include "tests/readers/reader_test_support.h"

namespace ks::readers {
namespace {

using MakeReader = std::function<std::unique_ptr<MeshReader>(ImportState&)>;

struct Format {
  const char* name;  // file name; the objects are named after it
  std::string bytes;
  MakeReader make;
};

std::string ThreeDs() {
  using namespace ks::test3ds;
  Chunk mesh(0x4100);
  mesh.Add(Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}))
      .Add(Faces({{0, 1, 2}, {1, 3, 2}}).Add(FaceMaterial("Red", {0, 1})));
  const Bytes bytes =
      EditorFile({Chunk(0xAFFF).Add(MaterialName("Red")), NamedObject("Plate").Add(mesh)});
  return {bytes.begin(), bytes.end()};
}

std::vector<Format> Formats() {
  return {
      {"a b.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 4 3\n",
       [](ImportState& s) { return std::make_unique<CImp_OBJ>(s); }},
      {"a b.dxf",
       "0\n3DFACE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n1\n22\n1\n32\n0\n"
       "13\n0\n23\n1\n33\n0\n0\nEOF\n",
       [](ImportState& s) { return std::make_unique<CImp_DXF>(s); }},
      {"a b.3ds", ThreeDs(), [](ImportState& s) { return std::make_unique<CImp_3DS>(s); }},
      {"a b.inc",
       "#declare Plate = mesh {\n triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
       " triangle { <1,0,0>, <1,1,0>, <0,1,0> }\n}\n",
       [](ImportState& s) { return std::make_unique<CImp_POV>(s); }},
  };
}

class InputTest : public testing::ReaderTest {
 protected:
  // Name, vertices and triangles of every object the format's reader makes.
  std::vector<std::string> Read(const Format& f, bool fromMemory) {
    const std::string path = WriteFile(f.name, f.bytes);
    if (fromMemory) state_.source.UseMemory(std::string_view(f.bytes));
    CollectionRef objects = std::make_shared<Collection>();
    CollectionRef materials = std::make_shared<Collection>();
    f.make(state_)->Load(fromMemory ? std::string("/no/such/folder/") + f.name : path, objects,
                         materials);
    state_.source.UseFiles();
    std::vector<std::string> out;
    for (const Variant& item : objects->items()) {
      const auto o = std::dynamic_pointer_cast<CKsObject>(item.ToObject());
      std::string line = o->Name() + " " + std::to_string(o->VertexCount()) + " " +
                         std::to_string(o->TriangleCount()) + " " + o->MaterialKey();
      for (float v : o->Vertices()) line += " " + std::to_string(v);
      out.push_back(line);
    }
    return out;
  }
};

TEST_F(InputTest, EveryReaderReadsMemoryAsItReadsTheFile) {
  for (const Format& f : Formats()) {
    const auto fromFile = Read(f, false);
    ASSERT_FALSE(fromFile.empty()) << f.name;
    EXPECT_NE(fromFile[0].find(" 2 "), std::string::npos) << f.name << ": " << fromFile[0];
    EXPECT_EQ(Read(f, true), fromFile) << f.name;
  }
}

TEST_F(InputTest, CutMemoryInputFailsCleanlyOrReadsWhatIsThere) {
  // Every prefix of every format, straight from memory, without a file: a
  // reader either reads it or raises its error; nothing reads past the end
  // (the sanitizer build watches the bytes).
  for (const Format& f : Formats()) {
    for (size_t n = 0; n <= f.bytes.size(); ++n) {
      // Exactly n bytes in a block of their own, so that a read past them is caught.
      const auto cut = std::make_unique<uint8_t[]>(n + 1);
      std::copy_n(f.bytes.data(), n, cut.get());
      state_.source.UseMemory(std::span<const uint8_t>(cut.get(), n));
      CollectionRef objects = std::make_shared<Collection>();
      CollectionRef materials = std::make_shared<Collection>();
      try {
        f.make(state_)->Load(f.name, objects, materials);
      } catch (const ComError&) {
      }
      state_.CloseFiles();
    }
    state_.source.UseFiles();
  }
}

TEST_F(InputTest, FilesPipesAndOwnedBytes) {
  // An empty file maps to no bytes.
  EXPECT_EQ(InputBytes::MapFile(WriteFile("empty.obj", "")).size(), 0u);
  const InputBytes mapped = InputBytes::MapFile(WriteFile("x.obj", "v 1 2 3\n"));
  EXPECT_EQ(mapped.Text(), "v 1 2 3\n");

  // A pipe cannot be mapped: it is read to its end.
  const std::string fifo = (dir_ / "pipe.obj").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big(200000, 'x');
  std::thread writer([&] { WriteFile("pipe.obj", big); });
  const InputBytes piped = InputBytes::MapFile(fifo);
  writer.join();
  EXPECT_EQ(piped.Text(), big);

  // Owned bytes survive moves, short ones (kept inside the string) too.
  for (const std::string& text : {std::string("ab"), big}) {
    InputBytes a = InputBytes::Own(text);
    InputBytes b = std::move(a);
    InputBytes c;
    c = std::move(b);
    EXPECT_EQ(c.Text(), text);
    EXPECT_EQ(a.size(), 0u);
  }

  // Missing files are error 53 for every reader, 3DS included.
  try {
    InputBytes::MapFile((dir_ / "missing.3ds").string());
    ADD_FAILURE() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), err::kFileNotFound);
  }
}

}  // namespace
}  // namespace ks::readers
