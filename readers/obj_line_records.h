#pragma once
// Plain WaveFront lines (obj_plain_line.h) read ahead of the reader by other
// threads, so that one large file is read with every core.
//
// The text is cut at line ends (LF) into chunks of a given size. Threads
// take the chunks in turn and read each into compact records: per line its
// length and what ReadPlainLine made of it (or that it is some other line),
// the numbers packed behind. The reader, on its own thread, asks for the line
// at its position in file order and applies it to its state itself: the
// records say only what the line's bytes say, never what the line means at
// that point of the file, so the result is the same as one thread reading
// line by line, and every error, warning and progress turn comes from the
// reader as before.
//
// Memory stays bounded: at most kChunksPerThread chunks per thread are read
// ahead of the one the reader is in; the reader releases each chunk it leaves.
// A thread with no room to read ahead first faults in pages the reader asked
// for (PrefaultAhead: the arrays it is about to fill), else sleeps. When the
// chunk the reader needs is not read yet, the reader reads the next chunk no
// thread has taken (often that one) instead of waiting.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "readers/obj_plain_line.h"

namespace ks::readers {

class ObjLineRecords {
 public:
  static constexpr size_t kChunksPerThread = 4;

  // Reads ahead in [from, end), end being the end of the input, in chunks of
  // about chunkBytes; crLf as ReadPlainLine takes it. threads counts the
  // reader's own: threads - 1 are started. The text must stay readable until
  // this object is gone.
  ObjLineRecords(const char* from, const char* end, bool crLf, unsigned threads, size_t chunkBytes);
  // Stops the threads (each finishes the chunk in hand) and waits for them.
  ~ObjLineRecords();
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

  // Asks the threads to fault in the pages of [from, from + bytes) while they
  // have no chunk to read, so that the reader, writing there next, does not
  // stop for the kernel to give out and clear each page. Replaces what was
  // asked before under the same slot (an array that moved to a new block).
  // Advice only: the bytes are never read or written here, and pages not
  // faulted in by the time the reader gets there fault in as usual.
  static constexpr size_t kPrefaultSlots = 4;
  void PrefaultAhead(size_t slot, void* from, size_t bytes);

  // Number of threads to use when asked for 0: every core.
  static unsigned EveryCore();

 private:
  struct Chunk {
    size_t number = SIZE_MAX;  // which chunk the slot holds
    bool ready = false;        // read in full
    bool ok = false;           // false: reading failed (no memory); the text is read instead
    const char* begin = nullptr;
    const char* end = nullptr;
    std::vector<uint32_t> heads;  // per line
    std::vector<uint32_t> words;  // the numbers of plain lines, in line order
  };

  const char* Boundary(size_t chunk) const;
  void Read(Chunk& chunk) const;
  // Takes the next chunk no thread has taken, if there is room ahead; the
  // lock is held. Returns false when there is none to take now.
  bool TakeChunk(std::unique_lock<std::mutex>& lock);
  // Faults in the next piece of pages asked for, if any; the lock is held
  // and is released meanwhile. Returns false when nothing is asked for.
  bool PrefaultPiece(std::unique_lock<std::mutex>& lock);
  void Work();
  // The chunk the reader is in, read (waiting or reading chunks meanwhile);
  // null past the last chunk.
  Chunk* Current();
  void LeaveChunk();

  const char* const from_;
  const char* const end_;
  const bool crLf_;
  const size_t chunkBytes_;
  const size_t chunkCount_;
  std::vector<Chunk> slots_;

  std::mutex mutex_;
  std::condition_variable changed_;
  size_t taken_ = 0;     // chunks taken by some thread so far
  size_t released_ = 0;  // the chunk the reader is in (those before are released)
  bool stop_ = false;
  struct Pages {
    char* from = nullptr;
    char* to = nullptr;
  };
  Pages prefault_[kPrefaultSlots];  // pages still to fault in, per slot

  // The reader's place: the chunk in hand, a line in it, that line's start
  // and its first number.
  Chunk* chunk_ = nullptr;
  size_t head_ = 0;
  size_t word_ = 0;
  const char* at_ = nullptr;

  std::vector<std::jthread> threads_;
};

}  // namespace ks::readers
