#pragma once
// CImp_DXF: reads an AutoCAD DXF text file into one host mesh object made of
// every 3DFACE entity (a 4-corner polygon each) and every polyface-mesh VERTEX
// record (points and face records). All other entities, sections and tables
// pass by unread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::readers {

class CImp_DXF : public MeshReader {
 public:
  // Sets the line mode of the shared state to plain lines (mode 0).
  explicit CImp_DXF(ImportState& state);

  using MeshReader::Load;
  // Adds one "Kestrel.CKsObject" named after the file to colObject3D, also
  // when the file holds no geometry. On failure the file is closed, no object
  // is added and the error is raised again with its number and source.
  void Load(const std::string& FileName, CollectionRef& p_colObject3D) override;

 private:
  // One group-code/value pair of the entity being read.
  struct Pair {
    int32_t code = -1;  // -1: the code line is not a whole number
    std::string_view value;
  };
  // Reads the next pair; false when the file ends before a whole pair is read
  // or when the pair is group 0 (the start of the next entity).
  bool ReadPair(Pair& pair, bool& endOfEntity);

  void ReadFile(const std::string& FileName);
  void ReadFace3D();
  void ReadVertex();
  void ReadPolylineFlags();
  void AddPolyfaceFace(const int32_t (&corners)[4], const int64_t (&lines)[4], int cornerCount);
  void AppendVertex(float x, float y, float z);
  int32_t StoredVertices() const;
  int64_t CurrentLine() const;
  [[noreturn]] void FailAt(int32_t number, int64_t line, const std::string& what) const;

  ImportState& state_;
  std::string fileLabel_;  // the file's base name, for error descriptions

  std::vector<float> VertexData;     // x, y, z per vertex, file order
  std::vector<int32_t> PolygonData;  // per polygon: corner count, 0-based vertex numbers
  int32_t FaceBase = -1;             // number of the last vertex stored before a 3DFACE
  int32_t MeshBase = 0;              // first vertex of the polyface mesh being read
};

}  // namespace ks::readers
