#pragma once
// What every reader fuzz target checks: the bytes are read through the same
// reader factory and Load the import dialog uses, from memory, into a fresh
// object list (and material list for 3DS). Afterwards every object the list
// holds must be well formed, and a failure must be the runtime's error with a
// description a person can read. Anything else aborts, which libFuzzer reports.
#include <cstddef>
#include <cstdint>

namespace ks::fuzzing {

// Format positions of the import dialog's format list.
enum class ReaderFormat { Obj = 0, Dxf = 1, ThreeDs = 2, Pov = 3 };

void ReadFromMemory(ReaderFormat format, const uint8_t* data, size_t size);

}  // namespace ks::fuzzing
