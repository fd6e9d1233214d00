// The photo-disc pack reader on fuzz bytes; the last byte picks the size
// (1 to 4), the rest is the pack.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/acquire/pcd/pcd_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int data_size = 1 + data[size - 1] % 4;
  plat::acquire::PcdPicture picture;
  (void)plat::acquire::DecodePcdPack(std::span<const uint8_t>(data, size - 1), data_size, picture);
  return 0;
}
