#pragma once
// CImp_3DS: reads a 3D Studio file, a little-endian tree of chunks, into host
// mesh objects ("Kestrel.CKsObject") and materials ("Kestrel.CKsMaterial").
//
// One procedure per chunk kind walks the tree; each knows the ids of its
// children, reads what it understands and steps over the rest by the chunk
// length. Every chunk must lie inside its parent and the file: a chunk that
// does not, a count larger than its chunk holds, or a read past the end ends
// the import with a failure text naming the chunk, e.g.
// "(MAT DIFFUSE) (BYTE COLOR CHUNK) ...". Everything goes to the host at once;
// the reader keeps no geometry of its own.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "readers/binary_cursor.h"
#include "readers/import_state.h"
#include "readers/input_bytes.h"
#include "readers/mesh_reader.h"

namespace ks::readers {

class CImp_3DS : public MeshReader {
 public:
  // Error number of a file that is not a readable 3DS file.
  static constexpr int32_t kErrorNumber = -100;

  explicit CImp_3DS(ImportState& state) : state_(state) {}

  // Reads the file into a new object collection and a throw-away material list.
  void Load(const std::string& fileName, CollectionRef& colObject3D) override;
  // Fills two new collections with the file's objects and materials, in file
  // order. On failure the object collection is set to nothing, the material
  // collection keeps what was built, and a ComError carries the failure text.
  void Load(const std::string& fileName, CollectionRef& colObject3D,
            CollectionRef& colMaterial3D) override;
  // The translation of the file's first object (y and z swapped); 0, 0, 0
  // until one is read.
  void Get_Position(float& x, float& y, float& z) override;

  // The label of the chunk being handled, or the failure text built so far.
  const std::string& ContextText() const { return ContextText_; }

 private:
  struct ChunkHeader {
    uint16_t Id = 0;
    int32_t Length = 0;
    size_t start = 0;  // offset of the header
    size_t PayloadStart() const { return start + 6; }
    size_t End() const { return start + static_cast<size_t>(Length); }
  };

  // The body of Load: false with ContextText as the failure text; run-time
  // errors propagate as ComErrors.
  bool ReadFile(std::string& failure);
  ChunkHeader ReadChunkHeader();
  // Names the chunk in ContextText and checks that it lies inside the current
  // limit (its parent chunk or the file).
  void BeginChunk(const ChunkHeader& h, std::string_view label);
  bool Stopped() const { return state_.StopImport != 0; }

  // Handles the children of one chunk until the bound, the end of the file, a
  // failure or a stop. labelOf(id) names each child; childHandler(header)
  // returns its result. Each child is confined to its own length and reading
  // resumes at its end. From the offset trailingFrom on, bytes that do not
  // form a whole chunk end the walk instead of failing it.
  template <class Labels, class Handler>
  bool WalkChunks(size_t bound, std::string_view label, Labels&& labelOf, Handler&& childHandler,
                  size_t trailingFrom = SIZE_MAX);
  // True when a chunk header with a fitting length lies at the position.
  bool ChunkAhead() const;

  // Runs to the end of the file, not of the main chunk; trailingFrom is the
  // main chunk's end when it lies inside the file.
  bool MainWalker(size_t trailingFrom);
  bool EditorWalker(size_t bound);
  bool MaterialWalker(size_t bound);
  bool ObjectWalker(size_t bound);
  bool MeshWalker(size_t bound);
  bool FaceWalker(size_t bound);

  bool ReadCString(std::string& text);
  bool ReadHiddenFlag(const ChunkHeader& h, bool& visible);
  bool ReadColorChunk();
  bool ReadPercentChunk();
  bool ReadVertexList();
  bool ReadFaceList();
  bool ReadObjectMatrix();
  bool ReadPointFlags();
  bool AddObject();
  bool AddMaterial(const std::string& name);
  ObjectRef CurrentObject() const;
  ObjectRef CurrentMaterial() const;

  // Runs step; a run-time error sets ContextText to prefix + description and
  // gives false. TrapWrapped uses "(" + ContextText + ") " as the prefix.
  template <class Step>
  bool Trap(std::string_view prefix, Step&& step);
  template <class Step>
  bool TrapWrapped(Step&& step);

  ImportState& state_;
  BinaryCursor* cursor_ = nullptr;  // valid during Load
  InputBytes* input_ = nullptr;     // the bytes cursor_ reads, valid during Load
  CollectionRef objects_;
  CollectionRef materials_;
  std::string ContextText_;
  std::string ObjectName_;
  std::array<float, 3> Position_{0, 0, 0};
  std::array<uint8_t, 3> ColorBytes_{0, 0, 0};
  std::array<float, 3> ColorFloats_{0, 0, 0};
  float Percent_ = 0;
};

}  // namespace ks::readers
