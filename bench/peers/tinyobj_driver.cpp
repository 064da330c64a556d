// Loads an OBJ file with the system's tinyobjloader library and prints what it
// found, for comparison with `kestrel import` in bench/obj_import_bench.sh.
#include <tiny_obj_loader.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.obj\n", argv[0]);
    return 2;
  }
  tinyobj::ObjReaderConfig config;
  config.triangulate = true;
  tinyobj::ObjReader reader;
  if (!reader.ParseFromFile(argv[1], config)) {
    std::fprintf(stderr, "%s\n", reader.Error().c_str());
    return 1;
  }
  size_t faces = 0;
  for (const tinyobj::shape_t& shape : reader.GetShapes())
    faces += shape.mesh.num_face_vertices.size();
  std::printf("{\"shapes\": %zu, \"vertices\": %zu, \"faces\": %zu}\n", reader.GetShapes().size(),
              reader.GetAttrib().vertices.size() / 3, faces);
  return 0;
}
