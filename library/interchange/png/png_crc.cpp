// PNG chunk CRC; see png_crc.h. Slicing by eight: table k holds the CRC of a
// byte followed by k zero bytes, so eight input bytes cost eight look-ups and
// no serial dependency between them.
#include "interchange/png/png_crc.h"

#include <array>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;  // ISO 3309, reflected
constexpr int kSlices = 8;

using CrcTables = std::array<std::array<uint32_t, 256>, kSlices>;

constexpr CrcTables PngCrcMakeTable() {
  CrcTables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (int slice = 1; slice < kSlices; ++slice) {
    for (uint32_t n = 0; n < 256; ++n) {
      const uint32_t prev = t[slice - 1][n];
      t[slice][n] = (prev >> 8) ^ t[0][prev & 0xFFu];
    }
  }
  return t;
}

constexpr CrcTables kTables = PngCrcMakeTable();

}  // namespace

void PngCrc::PngCrcUpdate(std::span<const uint8_t> bytes) {
  uint32_t c = register_;
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
  while (n >= kSlices) {
    // Little-endian assembly by shifts: the low word folds into the register.
    const uint32_t low = c ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
    const uint32_t high = uint32_t{p[4]} | uint32_t{p[5]} << 8 | uint32_t{p[6]} << 16 | uint32_t{p[7]} << 24;
    c = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^ kTables[5][(low >> 16) & 0xFFu] ^
        kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^ kTables[2][(high >> 8) & 0xFFu] ^
        kTables[1][(high >> 16) & 0xFFu] ^ kTables[0][high >> 24];
    p += kSlices;
    n -= kSlices;
  }
  for (; n > 0; --n, ++p) c = kTables[0][(c ^ *p) & 0xFFu] ^ (c >> 8);
  register_ = c;
}

uint32_t PngCrcOf(std::span<const uint8_t> bytes) {
  PngCrc crc;
  crc.PngCrcUpdate(bytes);
  return crc.value();
}
