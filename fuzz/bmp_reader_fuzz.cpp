// The bitmap reader on fuzz bytes through the read fronts. The last byte
// chooses the stored form (bit 0: BMP file or packed bitmap) and whether the
// pixels are read too (bit 1); the header pass runs first, and pictures above
// the fuzz-only cap of 16 Mpx get no data pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> stored(data, data + size - 1);  // exactly as long as the input
  FuzzImportFileImage(stored, {.format = (options & 1) != 0 ? kFormatBmp : kFormatPackedBitmap,
                               .has_lut = true,
                               .reads_whole = (options & 2) != 0});
  return 0;
}
