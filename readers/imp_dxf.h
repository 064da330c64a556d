#pragma once
// CImp_DXF: reads an AutoCAD DXF file, text or binary, into one host mesh
// object made of every 3DFACE entity (a 4-corner polygon each) and every
// polyface-mesh VERTEX record (points and face records). Faces inside a
// BLOCK ... ENDBLK definition come in only where INSERT entities place them
// (readers/dxf_blocks.h). All other entities, sections and tables pass by
// unread. Polygons are gathered as the host keeps them, three vertex
// numbers per triangle (a four-corner polygon is triangles 1-2-3 and 3-4-1),
// so that the object takes the arrays over as they are.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "readers/dxf_blocks.h"
#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::readers {

class LineCursor;
class DxfEntityRecords;

class CImp_DXF : public MeshReader {
 public:
  // Sets the line mode of the shared state to plain lines (mode 0).
  explicit CImp_DXF(ImportState& state);
  ~CImp_DXF() override;

  using MeshReader::Load;
  // Adds one "Kestrel.CKsObject" named after the file to colObject3D, also
  // when the file holds no geometry. On failure the file is closed, no object
  // is added and the error is raised again with its number and source.
  void Load(const std::string& FileName, CollectionRef& p_colObject3D) override;

 private:
  void ReadFile(const std::string& FileName);
  // Tells the input how far reading got, moves the progress bar and lets the
  // person's events (a Cancel) in.
  void TakeTurn(LineCursor& in);
  // Has threads read 3DFACE and VERTEX entities ahead (records_) when the options allow
  // more than one thread and the file is long enough to share out.
  void StartReadingAhead();
  // A 3DFACE entity whose name line began at name: from its record read
  // ahead where there is one, else from the text.
  void ReadFace3D(LineCursor& in, const char* name);
  // The same for a VERTEX entity.
  void ReadVertex(LineCursor& in, const char* name);
  void ReadPolylineFlags(LineCursor& in);

  // Blocks and inserts.
  void OpenBlock(LineCursor& in);
  // Moves the faces read since the block began into its definition.
  void CloseBlock();
  void ReadInsert(LineCursor& in);
  // Appends the faces of every copy the insert places, through outer.
  void PlaceInsert(const DxfInsert& insert, const DxfPlacement& outer, int depth, LineCursor& in);
  // A face-record vertex number in a form other than plain digits; error 13
  // or 6 with the line when it is no whole number.
  int32_t CornerNumber(std::string_view text, int32_t code, const LineCursor& in) const;
  // Adds the triangles of a face record; errors name the line of the bad
  // number, or where the entity ended.
  void AddPolyfaceFace(const int32_t (&corners)[4], const int64_t (&lines)[4], int cornerCount,
                       LineCursor& in);
  [[noreturn]] void FailOnCorner(int k, int64_t number, int32_t meshVertices, int64_t line) const;
  void AppendVertex(float x, float y, float z, LineCursor& in);
  void AppendQuad(int32_t a, int32_t b, int32_t c, int32_t d, LineCursor& in);
  template <class T, class... Values>
  void Append(std::vector<T>& array, int64_t& firstAt, LineCursor& in, Values... values);
  int32_t StoredVertices() const { return static_cast<int32_t>(VertexData.size() / 3); }
  [[noreturn]] void FailAt(int32_t number, int64_t line, const std::string& what) const;

  ImportState& state_;
  std::string fileLabel_;
  std::unique_ptr<DxfEntityRecords> records_;  // entities read ahead, on large files  // the file's
                                               // base name, for error descriptions

  std::vector<float> VertexData;   // x, y, z per vertex, file order
  std::vector<int32_t> Triangles;  // three 0-based vertex numbers per triangle
  int32_t MeshBase = 0;            // first vertex of the polyface mesh being read
  // The POLYLINE whose VERTEX entities are being read.
  enum class Polyline { None, Polyface, PolygonMesh, Plain } polyline_ = Polyline::None;

  std::vector<DxfBlock> blocks_;
  std::unordered_map<std::string, size_t> blockIndex_;
  int64_t openBlock_ = -1;        // the block being defined, or -1
  int32_t blockFirstVertex_ = 0;  // where its faces begin in the arrays
  size_t blockFirstTriangle_ = 0;
  std::vector<DxfInsert> pending_;  // inserts of blocks not defined yet
  int64_t placedVertices_ = 0;      // vertices inserts have placed
  int64_t placedCopies_ = 0;        // inserts looked at and block copies placed
  int64_t verticesFrom_ = 0;        // where in the file each array's first record was read
  int64_t trianglesFrom_ = 0;
};

}  // namespace ks::readers
