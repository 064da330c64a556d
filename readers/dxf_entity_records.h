#pragma once
// 3DFACE and VERTEX entities of a large text DXF read ahead of the reader by other
// threads (chunked_read_ahead.h), so that one large file is read with every
// core.
//
// A thread walks its chunk line by line as the reader's main loop does and,
// at each line whose first word is "3DFACE" or "VERTEX", reads the entity's
// pairs as the reader would (dxf_pairs.h) into a record keyed by where that
// name line begins: the values, where the entity ends and the lines and
// terminator bytes up to there. The reader, where it meets such a name, asks
// for the record at that position and takes it instead of reading the pairs
// again.
// A thread that took a value line (a layer named "3DFACE") for a name makes a
// record at a position the reader never asks for: a record can be unused,
// never wrong, since what it holds depends only on the bytes from its name
// on. Everything that depends on the reader's state (blocks, errors,
// warnings, progress) stays with the reader.
#include <cstddef>
#include <cstdint>

#include "readers/chunked_read_ahead.h"
#include "readers/dxf_pairs.h"

namespace ks::readers {

class DxfEntityRecords {
 public:
  // Reads ahead in [from, end), end being the end of the input, in chunks of
  // about chunkBytes; threads counts the reader's own. The text must stay
  // readable until this object is gone.
  DxfEntityRecords(const char* from, const char* end, unsigned threads, size_t chunkBytes);

  // Where an entity read ahead ends.
  struct Extent {
    const char* next;       // the line behind the entity (behind its closing group code 0)
    int64_t lines;          // lines from behind the name line up to next
    int64_t extraEndBytes;  // terminator bytes beyond one a line among them
  };
  struct Face : Extent {
    float corners[4][3];  // x, y, z of corners 1 to 4
  };
  struct Vertex : Extent {
    dxf::VertexPairs pairs;  // lines counted from the name line (0: not written)
  };
  // The record of the 3DFACE (VERTEX) entity whose name line begins at name,
  // when a thread read one; name must not go back from call to call.
  bool FaceAt(const char* name, Face& face);
  bool VertexAt(const char* name, Vertex& vertex);
  // The reader has got to p (reading entities without records): the chunks
  // behind it are let go, so that the threads keep ahead of it.
  void Pass(const char* p);

 private:
  using Chunk = ChunkedReadAhead::Chunk;
  void Read(Chunk& chunk) const;
  // The values of the record of the given kind at name, or null; extent
  // says where the entity ends.
  const uint32_t* RecordAt(const char* name, uint32_t kind, Extent& extent);

  const char* const end_;
  Chunk* chunk_ = nullptr;  // the chunk the reader is in
  size_t record_ = 0;       // its next record
  // Last, so that its threads stop before the members they read go.
  ChunkedReadAhead chunks_;
};

}  // namespace ks::readers
