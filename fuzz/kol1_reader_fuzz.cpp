// The KOL1 readers over fuzz bytes as a file image in caller memory. The last
// byte chooses fileFormat 215 (even) or 250 (odd). The header pass runs
// first; images up to 16 Mpx are then read through the front, which decodes
// the one-bit run code into the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  FuzzImportFileImage(file, {.format = (options & 1) != 0 ? kFormatRunStream : kFormatRunRaster,
                             .image_class = &kMonochromeImageClass,
                             .repository = kRepositoryFile,
                             .has_lut = true});
  return 0;
}
