#include "large_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ks {

namespace {
constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t(2) << 20;
// Below this a block gains at most one huge page: not worth a system call.
constexpr size_t kMinHugeBytes = size_t(4) << 20;

// Gives advice on the whole pages of the given size inside [data, data +
// bytes); nothing for blocks below minBytes. True when the advice was taken.
bool AdviseWholePages([[maybe_unused]] void* data, [[maybe_unused]] size_t bytes,
                      [[maybe_unused]] size_t pageSize, [[maybe_unused]] size_t minBytes,
                      [[maybe_unused]] int advice) {
#if defined(__linux__)
  if (!data || bytes < minBytes) return false;
  const auto start = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
  const uintptr_t last = (start + bytes) & ~(pageSize - 1);
  if (last <= first) return false;
  return madvise(reinterpret_cast<void*>(first), last - first, advice) == 0;
#else
  return false;
#endif
}
}  // namespace

void AdviseHugePages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Advice only: a refusal (no huge page support) leaves ordinary pages.
  (void)AdviseWholePages(data, bytes, kHugePage, kMinHugeBytes, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void PrefaultForWriting(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  // Advice only: where it is refused, the pages fault in one by one as usual.
  (void)AdviseWholePages(data, bytes, kPage, size_t(64) << 10, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

bool ReleaseUnusedPages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_DONTNEED)
  return AdviseWholePages(data, bytes, kPage, size_t(1) << 20, MADV_DONTNEED);
#else
  (void)data;
  (void)bytes;
  return false;
#endif
}

}  // namespace ks
