// The one-bit run decoder over fuzz bytes held as a coded object in caller
// memory. The last three bytes choose the width (1 to 4096) and the height
// (1 to 256); the rest is the coded data.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_harness.h"
#include "interchange/one_bit_runs/one_bit_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t coded_bytes = size - 3;
  const int32_t width = 1 + ((data[coded_bytes] << 8 | data[coded_bytes + 1]) % 4096);
  const int32_t height = 1 + data[coded_bytes + 2];
  FuzzDecodeBilevel(data, coded_bytes, width, height, kCompressionOneBitRun, DecodeOneBitRuns);
  return 0;
}
