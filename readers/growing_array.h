#pragma once
// Arrays the text readers append records to while they read a file, sized
// from the density of records seen so far rather than doubled a dozen times.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/large_memory.h"
#include "readers/import_state.h"
#include "readers/text_input.h"

namespace ks::readers {

// Makes room for at least n more values. Capacity grows geometrically; once
// st.ObjPredictionStart characters (64 KiB) of the file have been read since the array's first
// record, it grows at once to what the rest of the file is expected to need at the density seen so
// far, so that large arrays are copied once or twice rather than a dozen times
// (capacity that is never written costs no memory). The host receives only the
// records.
template <class T>
[[gnu::noinline]] void GrowByDensity(std::vector<T>& array, size_t n, int64_t& firstAt,
                                     const ImportState& st) {
  if (array.empty()) firstAt = st.CharsRead;
  size_t want = std::max<size_t>(array.capacity() * 2, 64);
  const int64_t seen = st.CharsRead - firstAt;
  const int64_t length = st.file->Length();
  if (seen >= st.ObjPredictionStart && length > st.CharsRead) {
    const double perChar = static_cast<double>(array.size()) / static_cast<double>(seen);
    want = std::max(want,
                    static_cast<size_t>(perChar * static_cast<double>(length - firstAt) * 1.0625));
  }
  ReserveLarge(array, std::max(want, array.size() + n));
}

// Appends one record; firstAt remembers where in the file the array's first
// record was read.
template <class T, size_t N>
void AppendRecord(std::vector<T>& array, int64_t& firstAt, const ImportState& st,
                  const std::array<T, N>& record) {
  if (array.capacity() - array.size() < N) [[unlikely]]
    GrowByDensity(array, N, firstAt, st);
  // One value at a time: the room is there, and a range insert costs a call.
  for (const T& value : record) array.push_back(value);
}

}  // namespace ks::readers
