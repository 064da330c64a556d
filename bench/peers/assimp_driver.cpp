// Loads a mesh file (OBJ, 3DS, DXF) with the system's Assimp library, with no
// post-processing steps, and prints what it found: the load alone, for
// comparison with `kestrel import` in bench/compare.
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(argv[1], 0);
  if (!scene) {
    std::fprintf(stderr, "%s\n", importer.GetErrorString());
    return 1;
  }
  size_t vertices = 0, faces = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    vertices += scene->mMeshes[i]->mNumVertices;
    faces += scene->mMeshes[i]->mNumFaces;
  }
  std::printf("{\"meshes\": %u, \"vertices\": %zu, \"faces\": %zu}\n", scene->mNumMeshes, vertices,
              faces);
  return 0;
}
