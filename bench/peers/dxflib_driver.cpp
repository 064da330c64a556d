// Reads a DXF file with the system's dxflib library, keeping every 3DFACE and
// polyface VERTEX it reports (as a reader that builds a mesh must), and
// prints the counts: for comparison with `kestrel import` in bench/compare.
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <cstdio>
#include <vector>

namespace {

class MeshCollector : public DL_CreationAdapter {
 public:
  void add3dFace(const DL_3dFaceData& face) override {
    for (int i = 0; i < 4; ++i) points.insert(points.end(), {face.x[i], face.y[i], face.z[i]});
    ++faces;
  }
  void addVertex(const DL_VertexData& v) override {
    points.insert(points.end(), {v.x, v.y, v.z});
    ++vertices;
  }
  std::vector<double> points;
  size_t faces = 0;
  size_t vertices = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.dxf\n", argv[0]);
    return 2;
  }
  MeshCollector collector;
  DL_Dxf dxf;
  if (!dxf.in(argv[1], &collector)) {
    std::fprintf(stderr, "dxflib cannot read %s\n", argv[1]);
    return 1;
  }
  std::printf("{\"3dfaces\": %zu, \"vertices\": %zu}\n", collector.faces, collector.vertices);
  return 0;
}
