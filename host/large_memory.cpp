#include "large_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ks {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
// Below this a block gains at most one huge page: not worth a system call.
constexpr size_t kMinBytes = size_t(4) << 20;
}  // namespace

void AdviseHugePages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (!data || bytes < kMinBytes) return;
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (last <= first) return;
  // Advice only: a refusal (no huge page support) leaves ordinary pages.
  (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void PrefaultForWriting(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr size_t kMinPrefault = size_t(64) << 10;
  if (!data || bytes < kMinPrefault) return;
  const auto page = uintptr_t(4096);
  const auto begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
  if (end <= begin) return;
  // Advice only: where it is refused, the pages fault in one by one as usual.
  (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

bool ReleaseUnusedPages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_DONTNEED)
  constexpr size_t kMinRelease = size_t(1) << 20;
  if (!data || bytes < kMinRelease) return false;
  const auto page = uintptr_t(4096);
  const auto begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
  return madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED) == 0;
#else
  (void)data;
  (void)bytes;
  return false;
#endif
}

}  // namespace ks
