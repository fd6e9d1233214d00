// PNG chunk CRC; see png_crc.h. The checksum is zlib's CRC-32 (the same
// polynomial, preset and final complement), whose word-wide loop reads a
// chunk several times faster than a table per byte. zlib takes and returns
// the complemented value, so the register is complemented on the way in and
// out.
#include "interchange/png/png_crc.h"

#include <zlib.h>

void PngCrc::PngCrcUpdate(std::span<const uint8_t> bytes) {
  // zlib reads a null buffer as a request for its initial value.
  if (bytes.empty()) return;
  register_ = static_cast<uint32_t>(crc32_z(register_ ^ 0xFFFFFFFFu, bytes.data(), bytes.size())) ^ 0xFFFFFFFFu;
}

uint32_t PngCrcOf(std::span<const uint8_t> bytes) {
  PngCrc crc;
  crc.PngCrcUpdate(bytes);
  return crc.value();
}
