// Loads an OBJ file with fast_obj (a single-file loader, built by bench/compare
// from ../shared/bench-peers, never part of the product) and prints what it
// found, for comparison with `kestrel import`.
#define FAST_OBJ_IMPLEMENTATION
#include <fast_obj.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.obj\n", argv[0]);
    return 2;
  }
  fastObjMesh* mesh = fast_obj_read(argv[1]);
  if (mesh == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  // Slot 0 of each array is fast_obj's "no value".
  std::printf("{\"objects\": %u, \"vertices\": %u, \"faces\": %u}\n", mesh->object_count,
              mesh->position_count - 1, mesh->face_count);
  fast_obj_destroy(mesh);
  return 0;
}
