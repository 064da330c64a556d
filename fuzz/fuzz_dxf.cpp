// libFuzzer target: the DXF reader on bytes in memory.
#include "fuzz/reader_fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ks::fuzzing::ReadFromMemory(ks::fuzzing::ReaderFormat::Dxf, data, size);
  return 0;
}
