// The fax decoder over fuzz bytes held as a coded object in caller memory.
// The last four bytes choose the width (1 to 4096), the height (1 to 256) and
// the coding (80, 81 or 82); the rest is the coded data.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_harness.h"
#include "interchange/fax/fax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t coded_bytes = size - 4;
  const int32_t width = 1 + ((data[coded_bytes] << 8 | data[coded_bytes + 1]) % 4096);
  const int32_t height = 1 + data[coded_bytes + 2];
  const int32_t codings[] = {kCompressionCcittHuffman, kCompressionCcittMr, kCompressionCcittMmr};
  const int32_t compression = codings[data[coded_bytes + 3] % 3];
  FuzzDecodeBilevel(data, coded_bytes, width, height, compression, DecodeCcitt);
  return 0;
}
