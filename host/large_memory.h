#pragma once
// Large arrays: on first touch every 4 KiB page costs a fault, which dominates
// filling arrays of tens of megabytes. Asking the kernel for huge pages turns
// 512 of those faults into one.
#include <cstddef>
#include <vector>

namespace ks {

// Asks the kernel to back the 2 MiB-aligned interior of [data, data + bytes)
// with huge pages. Best done before the pages are first touched. Does nothing
// for blocks below a few megabytes, where it would not pay, or where the
// system does not offer it.
void AdviseHugePages(void* data, size_t bytes);

// reserve() followed by AdviseHugePages on the whole block.
template <class T>
void ReserveLarge(std::vector<T>& values, size_t count) {
  if (count <= values.capacity()) return;
  values.reserve(count);
  AdviseHugePages(values.data(), values.capacity() * sizeof(T));
}

}  // namespace ks
