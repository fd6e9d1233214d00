// Bit order of stored bytes: mirroring the bits of whole byte runs.
#ifndef PELRITH_INTERCHANGE_IO_BIT_ORDER_H_
#define PELRITH_INTERCHANGE_IO_BIT_ORDER_H_

#include <cstddef>
#include <cstdint>

// Copies `count` bytes from `from` to `to` with the bits of each mirrored
// (bit 0 <-> bit 7); `to` may be `from`. The storage of coded bytes under
// "bitOrder" 135, and of the rows of a TIFF file with FillOrder 2.
void MirrorBitsOfBytes(const uint8_t* from, size_t count, uint8_t* to);

// The same in place.
inline void ReverseBitsOfBytes(uint8_t* bytes, size_t count) { MirrorBitsOfBytes(bytes, count, bytes); }

#endif  // PELRITH_INTERCHANGE_IO_BIT_ORDER_H_
