// Row kernels of the bitmap codec; see bmp_rows.h. The byte paths are plain
// pointer loops; the bit paths copy whole bytes where both sides are most
// significant bit first and byte-aligned, and go bit by bit elsewhere.
#include "interchange/bmp/bmp_rows.h"

#include <cstring>

#include "core/codes.h"

void UnpackNibbles(const uint8_t* stored, int64_t count, uint8_t* pixels) {
  const int64_t pairs = count / 2;
  for (int64_t i = 0; i < pairs; ++i) {
    const uint8_t byte = stored[i];
    pixels[2 * i] = static_cast<uint8_t>(byte >> 4);
    pixels[2 * i + 1] = static_cast<uint8_t>(byte & 0x0F);
  }
  if (count % 2 != 0) pixels[count - 1] = static_cast<uint8_t>(stored[pairs] >> 4);
}

void PackNibbles(const uint8_t* pixels, int64_t count, uint8_t* stored) {
  const int64_t pairs = count / 2;
  for (int64_t i = 0; i < pairs; ++i) {
    stored[i] = static_cast<uint8_t>(((pixels[2 * i] & 0x0F) << 4) | (pixels[2 * i + 1] & 0x0F));
  }
  if (count % 2 != 0) stored[pairs] = static_cast<uint8_t>((pixels[count - 1] & 0x0F) << 4);
}

void ExtractChannel(const uint8_t* stored, int64_t count, int pixel_bytes, int channel, uint8_t* band) {
  const uint8_t* p = stored + channel;
  for (int64_t i = 0; i < count; ++i, p += pixel_bytes) band[i] = *p;
}

void InsertChannel(const uint8_t* band, int64_t count, int pixel_bytes, int channel, uint8_t* stored) {
  uint8_t* p = stored + channel;
  for (int64_t i = 0; i < count; ++i, p += pixel_bytes) *p = band[i];
}

namespace {

inline uint8_t Widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

}  // namespace

void Expand555Channel(const uint8_t* stored, int64_t count, int band, uint8_t* out) {
  const int shift = band == 0 ? 10 : band == 1 ? 5 : 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t word = stored[2 * i] | (uint32_t{stored[2 * i + 1]} << 8);
    out[i] = Widen5((word >> shift) & 0x1F);
  }
}

void Convert555ToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr) {
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t word = stored[2 * i] | (uint32_t{stored[2 * i + 1]} << 8);
    bgr[3 * i] = Widen5(word & 0x1F);
    bgr[3 * i + 1] = Widen5((word >> 5) & 0x1F);
    bgr[3 * i + 2] = Widen5((word >> 10) & 0x1F);
  }
}

void ConvertBgrxToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr) {
  for (int64_t i = 0; i < count; ++i) {
    bgr[3 * i] = stored[4 * i];
    bgr[3 * i + 1] = stored[4 * i + 1];
    bgr[3 * i + 2] = stored[4 * i + 2];
  }
}

void StoredBitsToRowByBit(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                          int64_t bit_offset) {
  for (int64_t i = 0; i < count; ++i) {
    const bool on = (stored[i >> 3] & (0x80u >> (i & 7))) != 0;
    IpiSetBit(accessor, row, bit_offset + i, on);
  }
}

void RowToStoredBitsByBit(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                          uint8_t* stored) {
  std::memset(stored, 0, static_cast<size_t>((count + 7) / 8));
  for (int64_t i = 0; i < count; ++i) {
    if (IpiTestBit(accessor, row, bit_offset + i)) stored[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
  }
}

void StoredBitsToRow(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                     int64_t bit_offset) {
  if (bit_offset != 0 || accessor.bit_order != kOrderMsbFirst) {
    StoredBitsToRowByBit(stored, count, accessor, row, bit_offset);
    return;
  }
  const int64_t whole = count / 8;
  std::memcpy(row, stored, static_cast<size_t>(whole));
  const int tail = static_cast<int>(count % 8);
  if (tail != 0) {
    // The rest of the last byte may belong to the next row: keep it.
    const uint8_t mask = static_cast<uint8_t>(0xFF00u >> tail);
    row[whole] = static_cast<uint8_t>((row[whole] & ~mask) | (stored[whole] & mask));
  }
}

void RowToStoredBits(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                     uint8_t* stored) {
  if (bit_offset != 0 || accessor.bit_order != kOrderMsbFirst) {
    RowToStoredBitsByBit(row, bit_offset, count, accessor, stored);
    return;
  }
  const int64_t whole = count / 8;
  std::memcpy(stored, row, static_cast<size_t>(whole));
  const int tail = static_cast<int>(count % 8);
  if (tail != 0) stored[whole] = static_cast<uint8_t>(row[whole] & (0xFF00u >> tail));
}

void LowBitsToStoredBits(const uint8_t* elements, int64_t count, uint8_t* stored) {
  std::memset(stored, 0, static_cast<size_t>((count + 7) / 8));
  for (int64_t i = 0; i < count; ++i) {
    if ((elements[i] & 1) != 0) stored[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
  }
}
