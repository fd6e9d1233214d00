// Moving the pixels of a 1-bit image row to and from a packed row that starts
// on a byte boundary (most significant bit first), whatever the image's bit
// order and wherever its row starts inside a byte. Bits of the image row's
// bytes outside the pixels moved are kept.
#ifndef PELRITH_INTERCHANGE_ROWS_BILEVEL_ROWS_H_
#define PELRITH_INTERCHANGE_ROWS_BILEVEL_ROWS_H_

#include <cstdint>

#include "core/streams/accessor.h"

// Copies `count` pixels from bit `first_bit` of `row` into `packed`
// ((count + 7) / 8 bytes; the bits after the last pixel are cleared).
void GatherBilevelRow(const IpiAccessor& accessor, const uint8_t* row, int64_t first_bit, int64_t count,
                      uint8_t* packed);
// Copies `count` pixels of `packed` into `row` from bit `first_bit` on.
void ScatterBilevelRow(const IpiAccessor& accessor, uint8_t* row, int64_t first_bit, int64_t count,
                       const uint8_t* packed);

#endif  // PELRITH_INTERCHANGE_ROWS_BILEVEL_ROWS_H_
