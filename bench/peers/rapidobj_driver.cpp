// Loads an OBJ file with rapidobj (a single-file loader that reads with every
// core, built by bench/compare from ../shared/bench-peers, never part of the
// product), triangulates it as kestrel does, and prints what it found.
#include <cstdio>
#include <rapidobj.hpp>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.obj\n", argv[0]);
    return 2;
  }
  rapidobj::Result result = rapidobj::ParseFile(argv[1], rapidobj::MaterialLibrary::Ignore());
  if (result.error || !rapidobj::Triangulate(result)) {
    std::fprintf(stderr, "%s: line %zu: %s\n", argv[1], result.error.line_num,
                 result.error.code.message().c_str());
    return 1;
  }
  size_t faces = 0;
  for (const rapidobj::Shape& shape : result.shapes) faces += shape.mesh.num_face_vertices.size();
  std::printf("{\"shapes\": %zu, \"vertices\": %zu, \"faces\": %zu}\n", result.shapes.size(),
              result.attributes.positions.size() / 3, faces);
  return 0;
}
