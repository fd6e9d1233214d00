// The PNG reader on fuzz bytes through the read fronts: the header pass
// first, then (when the last byte's bit 0 asks for it and the picture is
// within the fuzz-only cap of 16 Mpx) the whole read with its decode. Bit 1
// of that byte attaches a lookup table.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  FuzzImportFileImage(file, {.format = kFormatPng, .has_lut = (options & 2) != 0, .reads_whole = (options & 1) != 0});
  return 0;
}
