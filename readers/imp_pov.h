#pragma once
// CImp_POV: reads a POV-Ray include file and turns each declared mesh or
// object block into one host mesh object. Only triangle geometry is taken
// (triangle, smooth_triangle and mesh2); primitives and transforms are
// recognised and have no effect.
//
// Words are read line by line; a triangle statement may run over several
// lines and ends at its own closing brace, so "} }" and "}}" close the
// statement and then its mesh. Triangles that stand before any object, or
// outside every block, go into one object named after the file. Each object's
// geometry is gathered in arrays and handed to the host in one call per array
// when the next object begins or the file ends.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readers/import_state.h"
#include "readers/mesh_reader.h"
#include "readers/pov_expression.h"
#include "readers/pov_mesh2.h"

namespace ks::readers {

class CImp_POV : public MeshReader {
 public:
  // Sets the line mode of the shared state to plain lines (mode 0).
  explicit CImp_POV(ImportState& state);

  using MeshReader::Load;
  // Puts a new list into p_colObject3D and fills it. On failure the file is
  // closed, the objects added so far stay in the list (with the geometry read
  // before the error) and the error is raised again with its number and source.
  void Load(const std::string& p_FileName, CollectionRef& p_colObject3D) override;

 private:
  using Vector = std::array<float, 3>;
  enum class Statement { None, Triangle, SmoothTriangle };

  void ReadLines();
  // The line without comments and with tabs as spaces; a view of the input
  // itself when it holds neither.
  std::string_view CleanLine(std::string_view raw);
  // Removes "//" comments and "/* ... */" comments (which may span lines)
  // from one line; a comment counts as a space.
  void StripComments(std::string_view line, std::string& out);
  void ProcessLine(std::string_view rest);
  // Passes over the text of "#if", "#while", "#macro" ... bodies, nested ones
  // too; returns what follows the "#end" that closes the outermost one.
  std::string_view SkipDirectiveBody(std::string_view rest);
  // The word cutter: cuts the next word off `rest`. A word that ends at a "{"
  // opens a brace level; `braceOpened` tells so.
  std::string_view CutWord(std::string_view& rest, bool& braceOpened);
  void ReadDeclaredName(std::string_view& rest);
  // Keeps the value of "#declare name = value;" when it is a number or a
  // vector this reader can evaluate (readers/pov_expression.h).
  void RememberValue(const std::string& name, std::string_view text);
  // Corners (or corners and normals by turns) of a statement's text, each an
  // expression; false when one cannot be evaluated.
  bool EvaluateCorners(std::string_view text, std::span<Vector> corners) const;
  // A triangle statement whose corners cannot be read: a warning naming the line.
  void NoteUnevaluated();
  void NewObject(bool asObject, bool topLevel);
  // Counts primitives and CSG blocks for the run's warnings.
  void NotePassedOver(std::string_view word);
  // Creates a host object with this name, adds it to Objects and makes it the
  // one that receives geometry.
  void CreateObject(const std::string& name);

  // Starts a triangle statement at its word and reads as much of it as `rest`
  // holds; returns the text behind its closing brace.
  std::string_view BeginStatement(Statement kind, bool braceOpened, std::string_view rest);
  // Reads on in a statement that began on an earlier line.
  std::string_view ContinueStatement(std::string_view rest);
  // Takes the statement's text up to its closing brace (or all of it).
  std::string_view TakeStatementText(std::string_view rest, bool firstLine);
  void FinishStatement(std::string_view text);
  bool ReadPlainTriangle(bool braceOpened, std::string_view& rest);
  void Triangle(std::string_view rest);
  void SmoothTriangle(std::string_view rest);

  std::string_view BeginMesh2(bool braceOpened, std::string_view rest);
  std::string_view ContinueMesh2(std::string_view rest);

  // Makes sure an object receives geometry: before any object, or outside
  // every block, that is the object named after the file.
  void NeedObject(bool outsideBlocks);
  void AddTriangle(const Vector& a, const Vector& b, const Vector& c);
  // Hands the gathered arrays to the current object.
  void HandOver();
  // Reads "x, y, z>" from a piece of text; (0, 0, 0) unless it holds a ">"
  // and exactly three components. A component that is not a number is an error.
  Vector ReadVector(std::string_view piece) const;
  void ChangeDepth(int32_t delta);
  [[noreturn]] void Fail(int32_t number, const std::string& what) const;

  ImportState& state_;
  std::string fileLabel_;       // the file's name, for error descriptions
  std::string fileObjectName_;  // the base name, spaces as "_", for bare triangles

  CollectionRef Objects;
  int32_t BraceDepth = 0;
  std::string DeclaredName;
  int32_t VertexBase = -1;
  // Number of the last triangle added to the current object. Plain triangles
  // advance it too, so a smooth triangle's normals land on its own triangle.
  int32_t SmoothCount = -1;
  bool WordSeen = false;
  bool inBlockComment_ = false;  // inside "/* ... */" at the end of the last line
  int32_t skipDepth_ = 0;        // open directive bodies being passed over
  PovSymbols symbols_;           // declared numbers and vectors

  // The object receiving geometry and what it has been given so far.
  ObjectRef current_;
  bool currentIsFileObject_ = false;
  int64_t objectFrom_ = 0;  // CharsRead when it was created
  std::vector<float> vertices_;
  std::vector<int32_t> polygons_;  // records 3, a, b, c
  std::vector<float> normals_;     // records of triangle number and 3 corner normals

  std::string lineBuffer_;  // the cleaned line, or a line rebuilt by #declare
  // A triangle statement that runs over more lines.
  Statement statement_ = Statement::None;
  int32_t statementNesting_ = 0;   // braces open inside it; 0 before its first
  bool statementOutside_ = false;  // it stands outside every block
  std::string statementText_;
  PovMesh2 mesh2_;
};

}  // namespace ks::readers
