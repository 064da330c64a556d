#pragma once
// Lines of the current input read where the bytes lie, for readers whose
// lines are many and short (DXF writes one value per line): the reader parses
// a value straight from Position() and, when the value reaches the line's end,
// takes the line with TakeLineTo; no separate scan for the line end, no call
// per line. Lines end as in line mode 0 (CR, CR LF or a lone LF). The input
// hears how far reading got, its line number and the characters read, at
// Commit (and when the cursor goes).
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "readers/text_input.h"

namespace ks::readers {

// The first CR or LF in [p, end), or end. Sixteen characters at a time where
// SSE2 is there, else eight: a byte of x ^ 0x0A.. or x ^ 0x0D.. is zero exactly
// where x holds LF or CR.
inline const char* FindLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (end - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr)));
    if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
    p += 16;
  }
#endif
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  while (end - p >= 8) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    const uint64_t lf = x ^ (kOnes * '\n');
    const uint64_t cr = x ^ (kOnes * '\r');
    if (((lf - kOnes) & ~lf & kHighs) | ((cr - kOnes) & ~cr & kHighs)) break;
    p += 8;
  }
  for (; p != end; ++p)
    if (*p == '\r' || *p == '\n') return p;
  return end;
}

class LineCursor {
 public:
  // Starts where input stands; charsRead is the run's character count.
  LineCursor(TextInput& input, int64_t& charsRead)
      : input_(&input),
        charsRead_(&charsRead),
        p_(input.Unread().data()),
        end_(p_ + input.Unread().size()),
        committed_(p_),
        lineNumber_(input.LineNumber()),
        committedLines_(lineNumber_) {}
  // Reads the text [from, end), end being the end of the input, for no
  // input: lines are numbered from the first, and Commit tells no one.
  LineCursor(const char* from, const char* end)
      : p_(from), end_(end), committed_(from), lineNumber_(0), committedLines_(0) {}
  ~LineCursor() { Commit(); }
  LineCursor(const LineCursor&) = delete;
  LineCursor& operator=(const LineCursor&) = delete;

  bool AtEnd() const { return p_ == end_; }
  // The start of the next line, and the end of the input.
  const char* Position() const { return p_; }
  const char* End() const { return end_; }
  // The number of the line last taken, from 1.
  int64_t LineNumber() const { return lineNumber_; }
  bool IsLineEnd(const char* q) const { return q == end_ || *q == '\n' || *q == '\r'; }

  // Takes the next line, which ends at q (IsLineEnd(q)); returns it without
  // its terminator.
  std::string_view TakeLineTo(const char* q) {
    const std::string_view line(p_, static_cast<size_t>(q - p_));
    ++lineNumber_;
    if (q != end_ && *q == '\n') [[likely]]
      p_ = q + 1;
    else
      p_ = PastOtherEnd(q);
    return line;
  }
  // Takes the next line wherever it ends.
  std::string_view ReadLine() { return TakeLineTo(FindLineEnd(p_, end_)); }
  // Takes the next line (as ReadLine); short lines are found byte by byte,
  // where a predicted branch beats a computed position.
  std::string_view SkipLine() {
    const char* q = p_;
    for (const char* stop = end_ - p_ > 16 ? p_ + 16 : end_; q != stop; ++q)
      if (*q == '\n' || *q == '\r') return TakeLineTo(q);
    return TakeLineTo(FindLineEnd(q, end_));
  }

  // Tells the input how far reading got: the characters of the lines taken
  // are the bytes less one terminator byte a line, one more for each CR LF,
  // none for a last line without one.
  void Commit() {
    const int64_t lines = lineNumber_ - committedLines_;
    const int64_t bytes = p_ - committed_;
    if (input_ != nullptr)
      input_->Advance(static_cast<size_t>(bytes), lines, bytes - lines - extraEndBytes_,
                      *charsRead_);
    committed_ = p_;
    committedLines_ = lineNumber_;
    extraEndBytes_ = 0;
  }
  // Bytes taken since the last Commit.
  int64_t Uncommitted() const { return p_ - committed_; }

  // Terminator bytes beyond one a line taken since the last Commit; with the
  // line number, what lines taken elsewhere from the same bytes add.
  int64_t ExtraEndBytes() const { return extraEndBytes_; }
  // Takes the lines up to q at once, known to be lines more lines with
  // extraEndBytes more terminator bytes (read by another cursor over the
  // same input from Position() on).
  void TakeLinesTo(const char* q, int64_t lines, int64_t extraEndBytes) {
    p_ = q;
    lineNumber_ += lines;
    extraEndBytes_ += extraEndBytes;
  }

 private:
  // Behind a line end other than LF: CR LF, a lone CR, or the end of the input.
  const char* PastOtherEnd(const char* q) {
    if (q == end_) {
      --extraEndBytes_;
      return q;
    }
    if (*q == '\r' && q + 1 != end_ && q[1] == '\n') {
      ++extraEndBytes_;
      return q + 2;
    }
    return q + 1;
  }

  TextInput* input_ = nullptr;  // null: the cursor reads bytes for no input
  int64_t* charsRead_ = nullptr;
  const char* p_;
  const char* end_;
  const char* committed_;
  int64_t lineNumber_;
  int64_t committedLines_;
  int64_t extraEndBytes_ = 0;  // terminator bytes beyond one a line since the last commit
};

}  // namespace ks::readers
