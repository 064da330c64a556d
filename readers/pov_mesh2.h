#pragma once
// The body of a POV-Ray "mesh2 { ... }" block, read piece by piece as the
// lines come:
//   vertex_vectors { N, <x,y,z>, ... }   normal_vectors { N, <x,y,z>, ... }
//   face_indices { N, <a,b,c>[, t[, t, t]], ... }   normal_indices { N, <a,b,c>, ... }
// Everything else inside the block (uv_vectors, texture_list, uv_indices,
// inside_vector, textures, transforms) is passed over. Counts are checked
// exactly: a list must give as many entries as its count says, entries are
// separated by single commas (one more comma before the closing brace is
// allowed), and every index must name an entry of its list.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/pov_expression.h"

namespace ks::readers {

class PovMesh2 {
 public:
  // Where the finished mesh goes: vertices x, y, z; polygon records 3, a, b, c
  // (vertex numbers counted from vertexBase + 1); normal records of the
  // triangle number (counted from triangleBase + 1) and 3 corner normals.
  struct Target {
    std::vector<float>& vertices;
    std::vector<int32_t>& polygons;
    std::vector<float>& normals;
    int32_t vertexBase;
    int32_t triangleBase;
  };

  bool Active() const { return level_ >= 0; }
  // Declared numbers that counts may name; they must outlive the reading.
  void UseSymbols(const PovSymbols* symbols) { symbols_ = symbols; }
  // Starts a block at its word; braceOpened: its "{" came with the word.
  void Begin(bool braceOpened);
  // Reads on; returns the text behind the block's closing brace, after which
  // the mesh has gone to the target and Active() is false. Errors are
  // ComErrors whose descriptions name no line (the caller adds it).
  std::string_view Read(std::string_view text, Target target);
  // The file ended inside the block: a list left open is an error, otherwise
  // the mesh goes to the target as if the block had closed.
  void EndOfFile(Target target);
  // Vertices and triangles that the last finished block added.
  int32_t AddedVertices() const { return addedVertices_; }
  int32_t AddedTriangles() const { return addedTriangles_; }

 private:
  enum class List { None, VertexVectors, NormalVectors, FaceIndices, NormalIndices };
  enum class Expect { Open, Count, Separator, Entry };

  struct Entries {
    bool given = false;
    int64_t count = 0;  // as the list declares it
    // Three numbers per entry: coordinates, or indices stored as floats
    // would lose precision, so indices live in `indices`.
    std::vector<float> values;
    std::vector<int32_t> indices;
    int64_t Read() const { return static_cast<int64_t>((values.size() + indices.size()) / 3); }
  };

  std::string_view ReadBody(std::string_view text, Target& target);
  std::string_view ReadList(std::string_view text);
  void StartList(std::string_view word);
  void ReadCount(std::string_view token);
  void ReadEntry(std::string_view inside);
  void CloseList();
  void Finish(Target& target);
  Entries& Current();
  static const char* ListName(List list);

  int32_t level_ = -1;  // braces open inside the block; -1 when no block is read
  const PovSymbols* symbols_ = nullptr;
  int32_t skipLevel_ = 0;  // a passed-over block is open down to this level
  List list_ = List::None;
  List pendingList_ = List::None;  // its word was read, its "{" not yet
  Expect expect_ = Expect::Open;
  bool inVector_ = false;  // between "<" and ">" of an entry over several lines
  bool skipVector_ = false;
  bool afterFace_ = false;  // texture indices may follow a face entry
  int textureIndices_ = 0;
  std::string vectorText_;
  Entries vertices_, normals_, faces_, normalIndices_;
  int32_t addedVertices_ = 0;
  int32_t addedTriangles_ = 0;
};

}  // namespace ks::readers
