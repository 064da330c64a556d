#pragma once
// CImp_POV: reads a POV-Ray include file and turns each declared mesh or
// object block into one host mesh object, built triangle by triangle. Only
// triangle geometry is taken; primitives and transforms are recognised and
// have no effect.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/import_state.h"
#include "readers/mesh_reader.h"

namespace ks::readers {

class CImp_POV : public MeshReader {
 public:
  // Sets the line mode of the shared state to plain lines (mode 0).
  explicit CImp_POV(ImportState& state);

  using MeshReader::Load;
  // Puts a new list into p_colObject3D and fills it. On failure the file is
  // closed, the objects added so far stay in the list and the error is raised
  // again with its number and source.
  void Load(const std::string& p_FileName, CollectionRef& p_colObject3D) override;

 private:
  using Vector = std::array<float, 3>;

  void ReadLines();
  // Removes "//" comments and "/* ... */" comments (which may span lines)
  // from one line; a comment counts as a space.
  std::string StripComments(std::string_view line);
  void ProcessLine(std::string& buffer);
  // The word cutter: cuts the next word off `rest`. A word that ends at a "{"
  // opens a brace level; `braceOpened` tells so.
  std::string_view CutWord(std::string_view& rest, bool& braceOpened);
  void ReadDeclaredName(std::string& buffer, std::string_view& rest);
  void NewObject(bool asObject, bool topLevel);
  void Triangle(std::string_view rest);
  void SmoothTriangle(std::string_view rest);
  // The last object of Objects; a triangle before any object is an error.
  ObjectRef CurrentObject() const;
  // Adds three vertices and one triangle; advances VertexBase and SmoothCount.
  void AddTriangle(const ObjectRef& object, const Vector& a, const Vector& b, const Vector& c);
  // Reads "x, y, z>" from a piece of text; (0, 0, 0) unless it holds a ">"
  // and exactly three components. A component that is not a number is an error.
  Vector ReadVector(std::string_view piece) const;
  void ChangeDepth(int32_t delta);
  [[noreturn]] void Fail(int32_t number, const std::string& what) const;

  ImportState& state_;
  std::string fileLabel_;  // the file's name, for error descriptions

  CollectionRef Objects;
  int32_t BraceDepth = 0;
  std::string DeclaredName;
  int32_t VertexBase = -1;
  // Number of the last triangle added to the current object. Plain triangles
  // advance it too, so a smooth triangle's normals land on its own triangle.
  int32_t SmoothCount = -1;
  bool WordSeen = false;
  bool inBlockComment_ = false;  // inside "/* ... */" at the end of the last line
};

}  // namespace ks::readers
