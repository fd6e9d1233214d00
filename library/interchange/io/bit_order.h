// Bit order of stored bytes: mirroring the bits of whole byte runs.
#ifndef PELRITH_INTERCHANGE_IO_BIT_ORDER_H_
#define PELRITH_INTERCHANGE_IO_BIT_ORDER_H_

#include <cstddef>
#include <cstdint>

// Mirrors the bits of every byte (bit 0 <-> bit 7) in place: the storage of
// coded bytes under "bitOrder" 135, and of the rows of a TIFF file with
// FillOrder 2.
void ReverseBitsOfBytes(uint8_t* bytes, size_t count);

#endif  // PELRITH_INTERCHANGE_IO_BIT_ORDER_H_
