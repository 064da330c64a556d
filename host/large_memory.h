#pragma once
// Large arrays: on first touch every 4 KiB page costs a fault, which dominates
// filling arrays of tens of megabytes. Asking the kernel for huge pages turns
// 512 of those faults into one.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace ks {

// Asks the kernel to back the 2 MiB-aligned interior of [data, data + bytes)
// with huge pages. Best done before the pages are first touched. Does nothing
// for blocks below a few megabytes, where it would not pay, or where the
// system does not offer it.
void AdviseHugePages(void* data, size_t bytes);

// Maps the pages of [data, data + bytes) in one system call, ahead of writing
// them all: one call instead of a page fault per 4 KiB. Only for memory that
// is written in full next (it becomes resident). Does nothing for small
// blocks or where the system does not offer it.
void PrefaultForWriting(void* data, size_t bytes);

// reserve() followed by AdviseHugePages on the whole block.
template <class T>
void ReserveLarge(std::vector<T>& values, size_t count) {
  if (count <= values.capacity()) return;
  values.reserve(count);
  AdviseHugePages(values.data(), values.capacity() * sizeof(T));
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

// An array of exactly count values, about to be overwritten in full: its
// pages are mapped in one call before the values are set.
template <class T>
std::vector<T> ArrayToFill(size_t count) {
  std::vector<T> values;
  ReserveLarge(values, count);
  PrefaultForWriting(values.data(), count * sizeof(T));
  values.resize(count);
  return values;
}

}  // namespace ks
