#include "readers/chunked_read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "host/large_memory.h"

namespace ks::readers {

unsigned ChunkedReadAhead::EveryCore() {
  return std::max(1u, std::thread::hardware_concurrency());
}

ChunkedReadAhead::ChunkedReadAhead(const char* from, const char* end, unsigned threads,
                                   size_t chunkBytes, ReadChunk read)
    : from_(from),
      end_(end),
      chunkBytes_(std::max<size_t>(chunkBytes, 1)),
      chunkCount_((size_t(end - from) + chunkBytes_ - 1) / chunkBytes_),
      read_(std::move(read)),
      slots_(std::max(threads, 1u) * kChunksPerThread) {
  for (unsigned i = 1; i < threads; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the reader reads the chunks left itself
    }
  }
}

ChunkedReadAhead::~ChunkedReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  threads_.clear();  // joins
}

// Chunk k begins behind the first LF at or after k chunk lengths in; the
// first begins where reading ahead began.
const char* ChunkedReadAhead::Boundary(size_t chunk) const {
  if (chunk == 0) return from_;
  if (chunk >= chunkCount_) return end_;
  const char* const nominal = from_ + chunk * chunkBytes_;
  const void* lf = std::memchr(nominal, '\n', size_t(end_ - nominal));
  return lf == nullptr ? end_ : static_cast<const char*>(lf) + 1;
}

void ChunkedReadAhead::Read(Chunk& chunk) const {
  chunk.begin = Boundary(chunk.number);
  chunk.end = Boundary(chunk.number + 1);
  chunk.heads.clear();
  chunk.words.clear();
  try {
    read_(chunk);
    chunk.ok = true;
  } catch (const std::bad_alloc&) {
    chunk.ok = false;  // the reader reads this chunk's text itself
  }
}

bool ChunkedReadAhead::TakeChunk(std::unique_lock<std::mutex>& lock) {
  if (stop_ || taken_ >= chunkCount_ || taken_ >= released_ + slots_.size()) return false;
  Chunk& chunk = slots_[taken_ % slots_.size()];
  chunk.number = taken_++;
  chunk.ready = false;
  lock.unlock();
  Read(chunk);
  lock.lock();
  chunk.ready = true;
  changed_.notify_all();
  return true;
}

void ChunkedReadAhead::PrefaultAhead(size_t slot, void* from, size_t bytes) {
  if (threads_.empty() || slot >= kPrefaultSlots) return;
  {
    const std::lock_guard lock(mutex_);
    prefault_[slot] = {static_cast<char*>(from), static_cast<char*>(from) + bytes};
  }
  changed_.notify_one();
}

bool ChunkedReadAhead::PrefaultPiece(std::unique_lock<std::mutex>& lock) {
  // One huge page at a time, so that a chunk to read waits little.
  constexpr size_t kPiece = size_t(2) << 20;
  for (Pages& pages : prefault_) {
    if (pages.from >= pages.to) continue;
    char* const from = pages.from;
    const size_t bytes = std::min(kPiece, size_t(pages.to - from));
    pages.from += bytes;
    lock.unlock();
    PrefaultForWriting(from, bytes);
    lock.lock();
    return true;
  }
  return false;
}

void ChunkedReadAhead::Work() {
  std::unique_lock lock(mutex_);
  while (!stop_ && (taken_ < chunkCount_ || released_ < chunkCount_))
    if (!PrefaultPiece(lock) && !TakeChunk(lock)) changed_.wait(lock);
}

ChunkedReadAhead::Chunk* ChunkedReadAhead::Current() {
  if (current_ != nullptr) return current_;
  std::unique_lock lock(mutex_);
  if (released_ >= chunkCount_) return nullptr;
  Chunk& wanted = slots_[released_ % slots_.size()];
  while (wanted.number != released_ || !wanted.ready)
    if (!TakeChunk(lock)) changed_.wait(lock);
  current_ = &wanted;
  return current_;
}

void ChunkedReadAhead::SkipTo(const char* p) {
  if (current_ != nullptr) return;
  bool skipped = false;
  {
    const std::lock_guard lock(mutex_);
    while (released_ < chunkCount_ && Boundary(released_ + 1) <= p) {
      if (released_ == taken_) {
        ++taken_;  // no thread took it: it is never read
      } else {
        const Chunk& chunk = slots_[released_ % slots_.size()];
        if (!chunk.ready) break;  // a thread is reading it: its slot stays until it is done
      }
      ++released_;
      skipped = true;
    }
  }
  if (skipped) changed_.notify_all();
}

void ChunkedReadAhead::LeaveChunk() {
  {
    const std::lock_guard lock(mutex_);
    ++released_;
  }
  changed_.notify_all();
  current_ = nullptr;
}

}  // namespace ks::readers
