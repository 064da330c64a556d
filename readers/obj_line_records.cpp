#include "obj_line_records.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <system_error>

#include "host/large_memory.h"

namespace ks::readers {

namespace {

constexpr size_t kMaxLength = (size_t(1) << 28) - 1;

uint32_t Head(size_t length, bool crLf, uint32_t code) {
  return uint32_t(length) << 4 | (crLf ? 8u : 0u) | code;
}

// Packs a plain line of length bytes, ending in next, into a head and words.
void Pack(const PlainLine& line, const char* next, size_t length, std::vector<uint32_t>& heads,
          std::vector<uint32_t>& words) {
  using R = ObjLineRecords;
  const bool crLf = length >= 2 && next[-2] == '\r';
  switch (line.kind) {
    case PlainLine::Position:
    case PlainLine::Normal:
      heads.push_back(
          Head(length, crLf, line.kind == PlainLine::Position ? R::kPosition : R::kNormal));
      for (const float value : line.xyz) words.push_back(std::bit_cast<uint32_t>(value));
      return;
    case PlainLine::PassedOver:
      heads.push_back(Head(length, crLf, R::kPassedOver));
      return;
    case PlainLine::Face:
      heads.push_back(Head(length, crLf,
                           R::kFace + (line.corners == 4 ? uint32_t{R::kQuad} : 0u) +
                               (line.cornerNormals ? uint32_t{R::kWithNormals} : 0u)));
      for (unsigned i = 0; i < line.corners; ++i) words.push_back(uint32_t(line.vertex[i]));
      if (line.cornerNormals)
        for (unsigned i = 0; i < line.corners; ++i) words.push_back(uint32_t(line.normal[i]));
      return;
  }
}

}  // namespace

void ObjLineRecords::Unpack(uint32_t head, const uint32_t* words, PlainLine& line) {
  const Code code = CodeOf(head);
  if (code == kPosition || code == kNormal) {
    line.kind = code == kPosition ? PlainLine::Position : PlainLine::Normal;
    for (int i = 0; i < 3; ++i) line.xyz[i] = std::bit_cast<float>(words[i]);
    return;
  }
  if (code == kPassedOver || code == kOther) {
    line.kind = PlainLine::PassedOver;
    return;
  }
  line.kind = PlainLine::Face;
  const unsigned corners = (code & kQuad) ? 4 : 3;
  line.corners = static_cast<uint8_t>(corners);
  line.cornerNormals = (code & kWithNormals) != 0;
  line.vertex[3] = line.normal[3] = 0;
  for (unsigned i = 0; i < corners; ++i) {
    line.vertex[i] = int32_t(words[i]);
    line.normal[i] = line.cornerNormals ? int32_t(words[corners + i]) : 0;
  }
}

unsigned ObjLineRecords::EveryCore() {
  return std::max(1u, std::thread::hardware_concurrency());
}

ObjLineRecords::ObjLineRecords(const char* from, const char* end, bool crLf, unsigned threads,
                               size_t chunkBytes)
    : from_(from),
      end_(end),
      crLf_(crLf),
      chunkBytes_(std::max<size_t>(chunkBytes, 1)),
      chunkCount_((size_t(end - from) + chunkBytes_ - 1) / chunkBytes_),
      slots_(std::max(threads, 1u) * kChunksPerThread),
      at_(from) {
  for (unsigned i = 1; i < threads; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the reader reads the chunks left itself
    }
  }
}

ObjLineRecords::~ObjLineRecords() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  threads_.clear();  // joins
}

// Chunk k begins behind the first LF at or after k chunk lengths in; the
// first begins where reading ahead began.
const char* ObjLineRecords::Boundary(size_t chunk) const {
  if (chunk == 0) return from_;
  if (chunk >= chunkCount_) return end_;
  const char* const nominal = from_ + chunk * chunkBytes_;
  const void* lf = std::memchr(nominal, '\n', size_t(end_ - nominal));
  return lf == nullptr ? end_ : static_cast<const char*>(lf) + 1;
}

void ObjLineRecords::Read(Chunk& chunk) const {
  chunk.begin = Boundary(chunk.number);
  chunk.end = Boundary(chunk.number + 1);
  chunk.heads.clear();
  chunk.words.clear();
  try {
    PlainLine line;
    for (const char* p = chunk.begin; p < chunk.end;) {
      const char* next = ReadPlainLine(p, end_, crLf_, line);
      if (next != nullptr && size_t(next - p) <= kMaxLength) {
        Pack(line, next, size_t(next - p), chunk.heads, chunk.words);
        p = next;
        continue;
      }
      // Some other line, up to and including its LF, in pieces the heads hold.
      const void* lf = std::memchr(p, '\n', size_t(chunk.end - p));
      next = lf == nullptr ? chunk.end : static_cast<const char*>(lf) + 1;
      for (; p < next; p += std::min(size_t(next - p), kMaxLength))
        chunk.heads.push_back(Head(std::min(size_t(next - p), kMaxLength), false, kOther));
    }
    chunk.ok = true;
  } catch (const std::bad_alloc&) {
    chunk.ok = false;  // the reader reads this chunk's text itself
  }
}

bool ObjLineRecords::TakeChunk(std::unique_lock<std::mutex>& lock) {
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

void ObjLineRecords::PrefaultAhead(size_t slot, void* from, size_t bytes) {
  if (threads_.empty() || slot >= kPrefaultSlots) return;
  {
    const std::lock_guard lock(mutex_);
    prefault_[slot] = {static_cast<char*>(from), static_cast<char*>(from) + bytes};
  }
  changed_.notify_one();
}

bool ObjLineRecords::PrefaultPiece(std::unique_lock<std::mutex>& lock) {
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

void ObjLineRecords::Work() {
  std::unique_lock lock(mutex_);
  while (!stop_ && (taken_ < chunkCount_ || released_ < chunkCount_))
    if (!PrefaultPiece(lock) && !TakeChunk(lock)) changed_.wait(lock);
}

ObjLineRecords::Chunk* ObjLineRecords::Current() {
  if (chunk_ != nullptr) return chunk_;
  std::unique_lock lock(mutex_);
  if (released_ >= chunkCount_) return nullptr;
  Chunk& wanted = slots_[released_ % slots_.size()];
  while (wanted.number != released_ || !wanted.ready)
    if (!TakeChunk(lock)) changed_.wait(lock);
  chunk_ = &wanted;
  head_ = word_ = 0;
  at_ = wanted.begin;
  return chunk_;
}

void ObjLineRecords::LeaveChunk() {
  {
    const std::lock_guard lock(mutex_);
    ++released_;
  }
  changed_.notify_all();
  chunk_ = nullptr;
}

ObjLineRecords::Run ObjLineRecords::RecordsAt(const char* p) {
  for (;;) {
    Chunk* chunk = Current();
    if (chunk == nullptr || p < at_) return {};
    // Lines the reader read by itself (the general path) are passed by.
    const size_t count = chunk->ok ? chunk->heads.size() : 0;
    while (head_ < count && at_ < p) {
      const uint32_t head = chunk->heads[head_++];
      at_ += LengthOf(head);
      word_ += WordsOf(CodeOf(head));
    }
    if (head_ == count && p >= chunk->end) {
      LeaveChunk();
      continue;
    }
    if (head_ == count || at_ != p) return {};  // p lies inside a line read ahead
    return {chunk->heads.data() + head_, count - head_, chunk->words.data() + word_};
  }
}

}  // namespace ks::readers
