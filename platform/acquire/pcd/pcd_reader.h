// The reader of photo-disc image packs (IMGnnnn.PCD): the three sizes stored
// as YCC 4:2:0 (Base/16, Base/4, Base), the fourth (Base/64) made from
// Base/16, each turned by the pack's orientation. Packs are untrusted: every
// range is checked against the pack's size before it is read.
#ifndef PLATFORM_ACQUIRE_PCD_PCD_READER_H_
#define PLATFORM_ACQUIRE_PCD_PCD_READER_H_

#include <cstdint>
#include <span>
#include <vector>

namespace plat::acquire {

// Top-down RGB, three bytes per pixel.
struct PcdPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// `data_size` 1 (Base/64, 96x64) to 4 (Base, 768x512), before turning.
// 0, 2001 for a pack that is not one or is cut short, 1001 for another size.
[[nodiscard]] int DecodePcdPack(std::span<const uint8_t> pack, int data_size, PcdPicture& out);

// Bytes of the pack needed to decode `data_size` (0 for an unknown size).
uint64_t PcdBytesNeeded(int data_size);

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_PCD_PCD_READER_H_
