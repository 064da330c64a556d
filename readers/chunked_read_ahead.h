#pragma once
// One large text read ahead by other threads, so that it is read with every
// core: the text is cut at line ends (LF) into chunks of a given size, and
// threads take the chunks in turn and read each into compact records (heads
// and words whose meaning the format's reader gives, see obj_line_records.h
// and dxf_entity_records.h). The reader, on its own thread, walks the chunks
// in file order and takes their records.
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
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ks::readers {

class ChunkedReadAhead {
 public:
  static constexpr size_t kChunksPerThread = 4;
  static constexpr size_t kPrefaultSlots = 4;

  struct Chunk {
    size_t number = SIZE_MAX;  // which chunk the slot holds
    bool ready = false;        // read in full
    bool ok = false;           // false: reading failed (no memory); the text is read instead
    const char* begin = nullptr;
    const char* end = nullptr;
    std::vector<uint32_t> heads;
    std::vector<uint32_t> words;
  };
  // Fills a chunk's heads and words from its text [begin, end); may throw
  // std::bad_alloc (the chunk is then not ok). Called on any of the threads.
  using ReadChunk = std::function<void(Chunk&)>;

  // Reads ahead in [from, end), end being the end of the input, in chunks of
  // about chunkBytes. threads counts the reader's own: threads - 1 are
  // started. The text must stay readable until this object is gone.
  ChunkedReadAhead(const char* from, const char* end, unsigned threads, size_t chunkBytes,
                   ReadChunk read);
  // Stops the threads (each finishes the chunk in hand) and waits for them.
  ~ChunkedReadAhead();
  ChunkedReadAhead(const ChunkedReadAhead&) = delete;
  ChunkedReadAhead& operator=(const ChunkedReadAhead&) = delete;

  // The chunk the reader is in, read (waiting or reading chunks meanwhile);
  // null past the last chunk.
  Chunk* Current();
  // The reader is done with the chunk Current gave and moves to the next.
  void LeaveChunk();
  // The reader, not in a chunk now, has passed p: the chunks wholly before p
  // that no thread is reading are released (those no thread took are never
  // read), so that the threads read ahead of the reader, not behind it.
  void SkipTo(const char* p);

  // Asks the threads to fault in the pages of [from, from + bytes) while they
  // have no chunk to read, so that the reader, writing there next, does not
  // stop for the kernel to give out and clear each page. Replaces what was
  // asked before under the same slot (an array that moved to a new block).
  // Advice only: the bytes are never read or written here, and pages not
  // faulted in by the time the reader gets there fault in as usual.
  void PrefaultAhead(size_t slot, void* from, size_t bytes);

  // Number of threads to use when asked for 0: every core.
  static unsigned EveryCore();

 private:
  const char* Boundary(size_t chunk) const;
  void Read(Chunk& chunk) const;
  // Takes the next chunk no thread has taken, if there is room ahead; the
  // lock is held. Returns false when there is none to take now.
  bool TakeChunk(std::unique_lock<std::mutex>& lock);
  // Faults in the next piece of pages asked for, if any; the lock is held
  // and is released meanwhile. Returns false when nothing is asked for.
  bool PrefaultPiece(std::unique_lock<std::mutex>& lock);
  void Work();

  const char* const from_;
  const char* const end_;
  const size_t chunkBytes_;
  const size_t chunkCount_;
  const ReadChunk read_;
  std::vector<Chunk> slots_;
  Chunk* current_ = nullptr;

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

  std::vector<std::jthread> threads_;
};

}  // namespace ks::readers
