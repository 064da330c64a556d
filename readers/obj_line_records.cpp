#include "obj_line_records.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

ObjLineRecords::ObjLineRecords(const char* from, const char* end, bool crLf, unsigned threads,
                               size_t chunkBytes)
    : end_(end),
      crLf_(crLf),
      at_(from),
      chunks_(from, end, threads, chunkBytes, [this](Chunk& chunk) { Read(chunk); }) {}

void ObjLineRecords::Read(Chunk& chunk) const {
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
}

ObjLineRecords::Run ObjLineRecords::RecordsAt(const char* p) {
  for (;;) {
    if (chunk_ == nullptr) {
      chunk_ = chunks_.Current();
      if (chunk_ == nullptr) return {};
      head_ = word_ = 0;
      at_ = chunk_->begin;
    }
    Chunk* const chunk = chunk_;
    if (p < at_) return {};
    // Lines the reader read by itself (the general path) are passed by.
    const size_t count = chunk->ok ? chunk->heads.size() : 0;
    while (head_ < count && at_ < p) {
      const uint32_t head = chunk->heads[head_++];
      at_ += LengthOf(head);
      word_ += WordsOf(CodeOf(head));
    }
    if (head_ == count && p >= chunk->end) {
      chunks_.LeaveChunk();
      chunk_ = nullptr;
      continue;
    }
    if (head_ == count || at_ != p) return {};  // p lies inside a line read ahead
    return {chunk->heads.data() + head_, count - head_, chunk->words.data() + word_};
  }
}

}  // namespace ks::readers
