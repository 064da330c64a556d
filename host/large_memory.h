#pragma once
// Large arrays: on first touch every 4 KiB page costs a fault, which dominates
// filling arrays of tens of megabytes. Mapping the pages in one call before
// they are written (PrefaultForWriting) saves the faults.
//
// Huge pages would turn 512 faults into one, but the arrays are not given
// them: where free memory is handed back to a hypervisor (a virtual machine
// with free page reporting), every huge page is taken from memory the host
// must give again, and a 2.5 GB OBJ took twice as long (system time 4.3 s
// against 0.6 s) with no gain on smaller files.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace ks {

// Asks the kernel to back the 2 MiB-aligned interior of [data, data + bytes)
// with huge pages (not done for the arrays below: see above). Best done before
// the pages are first touched. Does nothing for blocks below a few megabytes,
// where it would not pay, or where the system does not offer it.
void AdviseHugePages(void* data, size_t bytes);

// Maps the pages of [data, data + bytes) in one system call, ahead of writing
// them all: one call instead of a page fault per 4 KiB. Only for memory that
// is written in full next (it becomes resident). Does nothing for small
// blocks or where the system does not offer it.
void PrefaultForWriting(void* data, size_t bytes);

// reserve(): the one place large arrays get their blocks.
template <class T>
void ReserveLarge(std::vector<T>& values, size_t count) {
  if (count <= values.capacity()) return;
  values.reserve(count);
}

// Makes room for count values in an array that is appended to: an empty array
// gets exactly count, a filled one at least half again its capacity, so that
// any sequence of appends copies each value a bounded number of times.
template <class T>
void GrowLarge(std::vector<T>& values, size_t count) {
  if (count <= values.capacity()) return;
  const size_t capacity = values.capacity();
  ReserveLarge(values, capacity == 0 ? count : std::max(count, capacity + capacity / 2));
}

// Gives the whole pages inside [data, data + bytes) back to the system; they
// read as zero if touched again. For spare room at the end of a large block.
// Returns false, doing nothing, where it would not pay or is not offered.
bool ReleaseUnusedPages(void* data, size_t bytes);

// An array taken over from a caller keeps no more than a little spare room:
// one whose capacity is well beyond its size is copied to a block of its size,
// or, when the spare room is large, keeps its block and gives the spare pages
// back (copying hundreds of megabytes would briefly hold the array twice).
template <class T>
void TrimSpare(std::vector<T>& values) {
  const size_t size = values.size();
  if (values.capacity() - size <= size / 4 + 16) return;
  if (ReleaseUnusedPages(values.data() + size, (values.capacity() - size) * sizeof(T))) return;
  std::vector<T> exact;
  ReserveLarge(exact, size);
  exact.assign(values.begin(), values.end());
  values = std::move(exact);
}

// Appends count records of K values, record r written by fill(r, out) to
// out[0..K). The array is not cleared before it is filled (sizing a vector
// first writes every value twice): the records are made in a small buffer
// that stays in the cache, a block at a time, and copied behind the array's
// values. The pages the records go to are mapped in one call beforehand,
// whether the room was made here or reserved before.
template <size_t K, class T, class Fill>
void AppendRecords(std::vector<T>& values, size_t count, Fill&& fill) {
  const size_t total = count * K;
  if (values.capacity() - values.size() < total) GrowLarge(values, values.size() + total);
  PrefaultForWriting(values.data() + values.size(), total * sizeof(T));
  constexpr size_t kBlock = std::max<size_t>(1, 4096 / (K * sizeof(T)));  // records
  T buffer[kBlock * K];
  for (size_t first = 0; first < count; first += kBlock) {
    const size_t n = std::min(kBlock, count - first);
    for (size_t r = 0; r < n; ++r) fill(first + r, buffer + r * K);
    values.insert(values.end(), buffer, buffer + n * K);
  }
}

// An array of exactly count records of K values: AppendRecords on an empty
// array.
template <size_t K, class T, class Fill>
std::vector<T> ArrayOfRecords(size_t count, Fill&& fill) {
  std::vector<T> values;
  ReserveLarge(values, count * K);
  AppendRecords<K>(values, count, std::forward<Fill>(fill));
  return values;
}

}  // namespace ks
