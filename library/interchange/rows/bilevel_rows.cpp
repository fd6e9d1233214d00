// Bilevel rows; see bilevel_rows.h. Rows that start on a byte in the
// most-significant-first order are copied by bytes, the rest bit by bit
// through the accessor's mask tables.
#include "interchange/rows/bilevel_rows.h"

#include <cstring>

namespace {

bool IsByteAligned(const IpiAccessor& accessor, int64_t first_bit) {
  return first_bit % 8 == 0 && accessor.bit_masks[0] == 0x80;
}

// The bits of the last packed byte that hold pixels.
uint8_t TailMask(int64_t count) {
  const int used = static_cast<int>(count % 8);
  return used == 0 ? 0xFF : static_cast<uint8_t>(0xFF00u >> used);
}

}  // namespace

void GatherBilevelRow(const IpiAccessor& accessor, const uint8_t* row, int64_t first_bit, int64_t count,
                      uint8_t* packed) {
  if (count <= 0) return;
  const int64_t packed_bytes = (count + 7) / 8;
  if (IsByteAligned(accessor, first_bit)) {
    std::memcpy(packed, row + first_bit / 8, static_cast<size_t>(packed_bytes));
    packed[packed_bytes - 1] &= TailMask(count);
    return;
  }
  std::memset(packed, 0, static_cast<size_t>(packed_bytes));
  for (int64_t i = 0; i < count; ++i) {
    if (IpiTestBit(accessor, row, first_bit + i)) packed[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
  }
}

void ScatterBilevelRow(const IpiAccessor& accessor, uint8_t* row, int64_t first_bit, int64_t count,
                       const uint8_t* packed) {
  if (count <= 0) return;
  if (IsByteAligned(accessor, first_bit)) {
    uint8_t* out = row + first_bit / 8;
    const int64_t whole = count / 8;
    std::memcpy(out, packed, static_cast<size_t>(whole));
    if (count % 8 != 0) {
      const uint8_t mask = TailMask(count);
      out[whole] = static_cast<uint8_t>((out[whole] & ~mask) | (packed[whole] & mask));
    }
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    IpiSetBit(accessor, row, first_bit + i, (packed[i >> 3] & (0x80u >> (i & 7))) != 0);
  }
}
