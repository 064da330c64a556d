#pragma once
// CImp_OBJ: reads a WaveFront OBJ text file into host mesh objects
// ("Kestrel.CKsObject"), one per object section, added to the object list
// handed in.
//
// Lines read: "v" positions, "vn" normals, "f"/"fo" faces, "s"/"g" smoothing
// runs (only with the "Import Normals" option), and object breaks, comment
// lines "# Object <name>". With "Import materials (.mtl)" ticked, also
// "mtllib" (the libraries are read, each material becomes a host material)
// and "usemtl": faces are bound to their material, and an object whose faces
// use several materials is handed over as one object per material, named
// OBJECT_MATERIAL. Everything else is skipped. Geometry is gathered in
// flat arrays and handed to the host object in whole arrays when the object is
// complete. Positions and normals are scaled by 10.
//
// The run sets ImportState::StopImport to 0 before Load; a non-zero value ends
// the reading quietly and the object read so far is handed over.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/dispatch.h"
#include "host/ks_color.h"
#include "import_state.h"
#include "mesh_reader.h"
#include "obj_line_records.h"

namespace ks::readers {

class CImp_OBJ : public MeshReader {
 public:
  explicit CImp_OBJ(ImportState& state) : st_(state) {}

  // Errors (ComError) end the read at once and leave the input file open; the
  // objects added to colObject3D so far stay there. A coordinate that is not a
  // number is error 13, its description naming the line and the token.
  void Load(const std::string& fileName, CollectionRef& colObject3D) override;
  // The same, and the materials of the file's libraries into colMaterial3D
  // (a new list) when materials are imported.
  void Load(const std::string& fileName, CollectionRef& colObject3D,
            CollectionRef& colMaterial3D) override;

  // Colours of the objects of a multi-object file, 1-based: entry
  // (objects in the list mod 10) + 1 colours the next object.
  static constexpr int32_t ObjectColors[11] = {
      0,
      kDefaultObjectColor,  // 1
      Rgb(255, 0, 0),       // 2
      Rgb(255, 128, 64),    // 3
      Rgb(0, 255, 0),       // 4
      Rgb(128, 128, 192),   // 5
      Rgb(255, 128, 64),    // 6
      kDefaultObjectColor,  // 7
      Rgb(255, 128, 192),   // 8
      Rgb(64, 128, 128),    // 9
      Rgb(128, 128, 128),   // 10
  };

 private:
  struct MaterialRun {
    int32_t first;     // first triangle of the run in the current object
    int32_t material;  // index in materialNames_; -1: no material
  };

  struct SmoothRun {
    int32_t start;  // last triangle before the run began (-1: before the first)
    bool smooth;
  };

  void StartRun();
  void DetectLineMode(const std::string& fileName);
  void ReadLineOf(std::string_view line, CollectionRef& colObject3D);
  void ReadPosition(std::string_view rest);
  void ReadNormal(std::string_view rest);
  void ReadFace(std::string_view rest);
  void ReadSmoothing(std::string_view rest);
  void ReadGroup();
  void ReadComment(std::string_view rest, CollectionRef& colObject3D);
  void NewObject(std::string name);

  // Objects split at "o" lines and face checks (imp_obj_split.cpp).
  // An "o NAME" line: the object read so far is handed over and NAME begins;
  // an object that has no face yet takes the name instead.
  void ReadObjectLine(std::string_view rest, CollectionRef& colObject3D);
  // The current object's vertex number for a vertex of the file, copying the
  // position into the object the first time one of its faces uses it.
  int32_t ObjectVertex(int32_t fileVertex);
  // How many vertices a face may name: the current object's so far, or the
  // file's when objects are split at "o" lines.
  uint32_t VerticesSoFar() const {
    return splitObjects_ ? uint32_t(LastVertex + 1) : uint32_t(Vertices.size() / 3);
  }
  // The error for a face corner naming no vertex: says which corner and why.
  // corners: as the file gives them; vertices: as VertexOf resolves them.
  // face: the text of the face line behind its keyword.
  [[noreturn]] void FailCorner(std::string_view face, const std::array<int32_t, 4>& corners,
                               const std::array<int32_t, 4>& vertices) const;
  [[noreturn]] void FailExtraCorner(size_t corner, int32_t index) const;
  // Parses face corners into vertices and normals; a malformed one fails the read.
  void ReadCorners(std::string_view& rest, std::span<int32_t> vertices, std::span<int32_t> normals);
  // Makes room at once for the triangles of a face line whose rest is this long.
  void ReserveForCorners(size_t restLength);
  // Face lines longer than this size their triangle records from their length.
  static constexpr size_t kLongFaceLine = size_t(64) << 10;
  // corner: the corner as the file gives it, when known.
  std::string CornerProblem(size_t corner, int32_t index, std::string_view text = {}) const;
  // Counts "l", "p", "curv", "curv2" and "surf" lines, and faces of fewer
  // than three corners, for the run's warnings.
  void NotePassedOver(std::string_view key);
  void HandOver(CollectionRef& colObject3D);
  // Smooths the object handed over, or one part of it: part lists the
  // object's triangles the target holds (ascending), null for all of them.
  void ApplySmoothing(const ObjectRef& target, const std::vector<int32_t>* part);
  void SmoothFrom(const ObjectRef& target, const std::vector<int32_t>* part, int32_t first);
  void SmoothRange(const ObjectRef& target, const std::vector<int32_t>* part, int32_t first,
                   int32_t last);

  // Materials (imp_obj_materials.cpp).
  void ReadMaterialLibraries(std::string_view rest);
  void ReadMaterialLibrary(const std::string& name);
  void ReadUseMaterial(std::string_view rest);
  // Runs of the object begun: the material in use carries over.
  void StartMaterialRuns();
  // The one material the current object's faces use: its index, -1 for
  // none, -2 when they use several.
  int32_t SoleMaterial() const;
  // Binds target to a material when the libraries define it.
  void BindMaterial(const ObjectRef& target, int32_t material);
  // Hands the current object over as one object per material.
  void HandOverByMaterial(CollectionRef& colObject3D);
  // Writes name and colour and adds target to the list.
  void AddToList(const ObjectRef& target, const std::string& name, CollectionRef& colObject3D);

  // Runs of plain "v" and "f" lines read in place (imp_obj_plain.cpp): true
  // when at least one line was read, false when the general path must take
  // the next line.
  bool ReadPlainLines(int64_t turnStep);
  // One plain line (obj_plain_line.h) applied to the reader's state as the
  // general path would; false, nothing changed, where the general path must
  // take it (a full array, a number naming nothing).
  bool ApplyPlainLine(const PlainLine& line, std::vector<float>& positions);
  // The same for a line's record read ahead (ObjLineRecords).
  bool ApplyRecord(uint32_t head, const uint32_t* words, std::vector<float>& positions);
  bool ApplyPlainPosition(const float* xyz, std::vector<float>& positions);
  void ApplyPlainNormal(const float* xyz);
  // normal: the corners' normal numbers, or null where none is named.
  bool ApplyPlainFace(unsigned count, const int32_t* vertex, const int32_t* normal);
  bool plainCrLf_ = false;  // the run takes CR LF as one line end (line mode 0)
  // A triangle's record of corner normals, from slots already checked.
  void AppendPlainNormals(int32_t triangle, int32_t n1, int32_t n2, int32_t n3);
  // Plain lines read ahead by other threads, on large files (null otherwise).
  std::unique_ptr<ObjLineRecords> records_;
  // Starts records_ when the options allow more than one thread and the file
  // is long enough to share out (four chunks).
  void StartReadingAhead();
  // Has the threads reading ahead fault in the next pages of the large arrays
  // the fast lane fills, a window ahead of their ends; prefaulted_ is how far
  // each array was asked for.
  void PrefaultArraysAhead(std::vector<float>& positions);
  char* prefaulted_[ObjLineRecords::kPrefaultSlots] = {};

  float ReadCoordinate(std::string_view& rest, int which);
  int32_t VertexOf(int32_t index) const;
  const float* NormalOf(int32_t index) const;
  int32_t NormalCount() const { return static_cast<int32_t>(Normals.size() / 3) - 1; }
  void AppendNormalRecord(int32_t triangle, int32_t n1, int32_t n2, int32_t n3);
  [[noreturn]] void Fail(int32_t number, const std::string& what) const;

  ImportState& st_;
  ObjectRef object_;        // the host object being filled
  std::string objectName_;  // written to it when it is handed over

  // Geometry of the current object; the host receives exactly these arrays.
  std::vector<float> Vertices;        // x, y, z per position, scaled by 10
  std::vector<int32_t> Polygons;      // 0-based vertex numbers, three per triangle
  std::vector<float> PolygonNormals;  // triangle number, then 3 corner normals
  std::vector<float> Normals;         // every "vn" of the file, 3 per slot; slot 0 is (0,0,0)
  std::vector<SmoothRun> SmoothRuns;
  // CharsRead when each array received its first record (sizes its growth).
  int64_t verticesFrom_ = 0;
  int64_t polygonsFrom_ = 0;
  int64_t polygonNormalsFrom_ = 0;

  // Split at "o" lines: every position of the file, and for each of them the
  // object (by stamp) and its number there once a face of that object used it.
  bool splitObjects_ = false;
  std::string fileObjectName_;
  std::vector<float> fileVertices_;
  std::vector<uint32_t> vertexStamp_;
  std::vector<int32_t> objectVertex_;
  uint32_t objectStamp_ = 0;

  // Materials, with "Import materials (.mtl)" ticked.
  bool importMaterials_ = false;
  std::string folder_;                         // the file's folder, where libraries are looked for
  CollectionRef materials_;                    // host materials made from the libraries
  std::vector<std::string> libraries_;         // libraries read, by path
  std::vector<std::string> definedMaterials_;  // names the libraries define
  std::vector<std::string> materialNames_;     // names "usemtl" gave, numbered
  std::vector<bool> materialWarned_;           // an undefined name has been told
  int32_t currentMaterial_ = -1;
  std::vector<MaterialRun> materialRuns_;  // of the current object, by first triangle

  bool ImportRuns = false;  // "Import Normals" ticked
  bool SmoothAll = false;   // "Smooth all Normal Group" ticked

  int32_t LastVertex = -1;    // last position read in the whole file
  int32_t LastTriangle = -1;  // last triangle of the current object
  bool HaveNormals = false;
  bool MultiObject = false;
  bool Rebase = false;
  bool BlockLocal = false;
  bool InVertexRun = false;
  bool AfterGroup = false;
  int32_t RunKind = 0;  // 0 none, 1 opened by "s", 3 opened by "g"
  int32_t RunStart = 0;
  int32_t PrevLastVertex = 0;
  int32_t BlankCount = 0;
};

}  // namespace ks::readers
