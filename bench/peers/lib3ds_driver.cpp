// Loads a 3DS file with the system's lib3ds library and prints what it found:
// the load alone, for comparison with `kestrel import` in bench/compare.
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.3ds\n", argv[0]);
    return 2;
  }
  Lib3dsFile* file = lib3ds_file_load(argv[1]);
  if (!file) {
    std::fprintf(stderr, "lib3ds cannot read %s\n", argv[1]);
    return 1;
  }
  size_t meshes = 0, vertices = 0, faces = 0;
  for (Lib3dsMesh* m = file->meshes; m; m = m->next) {
    ++meshes;
    vertices += m->points;
    faces += m->faces;
  }
  std::printf("{\"meshes\": %zu, \"vertices\": %zu, \"faces\": %zu}\n", meshes, vertices, faces);
  lib3ds_file_free(file);
  return 0;
}
