#pragma once
// Plain WaveFront lines (obj_plain_line.h) read ahead of the reader by other
// threads (chunked_read_ahead.h), so that one large file is read with every
// core.
//
// Threads read each chunk into compact records: per line its length and what
// ReadPlainLine made of it (or that it is some other line), the numbers
// packed behind. The reader, on its own thread, asks for the line at its
// position in file order and applies it to its state itself: the records say
// only what the line's bytes say, never what the line means at that point of
// the file, so the result is the same as one thread reading line by line,
// and every error, warning and progress turn comes from the reader as before.
#include <cstddef>
#include <cstdint>

#include "readers/chunked_read_ahead.h"
#include "readers/obj_plain_line.h"

namespace ks::readers {

class ObjLineRecords {
 public:
  static constexpr size_t kChunksPerThread = ChunkedReadAhead::kChunksPerThread;

  // Reads ahead in [from, end), end being the end of the input, in chunks of
  // about chunkBytes; crLf as ReadPlainLine takes it. threads counts the
  // reader's own: threads - 1 are started. The text must stay readable until
  // this object is gone.
  ObjLineRecords(const char* from, const char* end, bool crLf, unsigned threads, size_t chunkBytes);
  ObjLineRecords(const ObjLineRecords&) = delete;
  ObjLineRecords& operator=(const ObjLineRecords&) = delete;

  // A line's record: a head (its length, line end included, whether that
  // line end is CR LF, and a code saying what the line is), then the numbers
  // of the code in the run's words.
  enum Code : uint32_t {
    kOther = 0,       // not a plain line; no numbers
    kPosition = 1,    // x, y, z (float bits)
    kNormal = 2,      // x, y, z (float bits)
    kPassedOver = 3,  // no numbers
    kFace = 4,        // + kQuad with a fourth corner, + kWithNormals: the corners'
                      // vertex numbers, then with normals their normal numbers
    kQuad = 1,
    kWithNormals = 2,
  };
  static Code CodeOf(uint32_t head) { return Code(head & 7); }
  static bool EndsInCrLf(uint32_t head) { return (head & 8) != 0; }
  static size_t LengthOf(uint32_t head) { return head >> 4; }
  static unsigned WordsOf(Code code) {
    // By code: other, position, normal, passed over, then faces of three and
    // four corners, without and with normals.
    static constexpr uint8_t kWords[8] = {0, 3, 3, 0, 3, 4, 6, 8};
    return kWords[code & 7];
  }
  // The plain line a record holds (its code not kOther).
  static void Unpack(uint32_t head, const uint32_t* words, PlainLine& line);

  // Records of consecutive lines: count heads, their numbers in words.
  struct Run {
    const uint32_t* heads = nullptr;
    size_t count = 0;
    const uint32_t* words = nullptr;
  };
  // The records of the lines from p on, to the end of the chunk p lies in;
  // empty when no line read ahead starts at p (p inside a line, or at the
  // end). p must not go back from call to call.
  Run RecordsAt(const char* p);
  // The reader took the first heads of the run RecordsAt gave, whose numbers
  // were words, and is now at p.
  void Took(size_t heads, size_t words, const char* p) {
    head_ += heads;
    word_ += words;
    at_ = p;
  }

  // Pages to fault in ahead of the reader (ChunkedReadAhead::PrefaultAhead).
  static constexpr size_t kPrefaultSlots = ChunkedReadAhead::kPrefaultSlots;
  void PrefaultAhead(size_t slot, void* from, size_t bytes) {
    chunks_.PrefaultAhead(slot, from, bytes);
  }

  // Number of threads to use when asked for 0: every core.
  static unsigned EveryCore() { return ChunkedReadAhead::EveryCore(); }

 private:
  using Chunk = ChunkedReadAhead::Chunk;
  void Read(Chunk& chunk) const;

  const char* const end_;
  const bool crLf_;
  // The reader's place: the chunk in hand, a line in it, that line's start
  // and its first number.
  Chunk* chunk_ = nullptr;
  size_t head_ = 0;
  size_t word_ = 0;
  const char* at_ = nullptr;
  // Last, so that its threads stop before the members they read go.
  ChunkedReadAhead chunks_;
};

}  // namespace ks::readers
