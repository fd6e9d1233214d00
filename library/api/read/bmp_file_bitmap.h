// Plain BMP files as packed bitmaps without a decode: the checked header
// decides the layout, and the result is always a 40-byte info header, the
// colour table the file holds and the rows taken from the file's pixel
// offset, whatever header variant or gap the file had.
#ifndef PELRITH_API_READ_BMP_FILE_BITMAP_H_
#define PELRITH_API_READ_BMP_FILE_BITMAP_H_

#include <cstdint>
#include <span>

#include "kernel/global_memory.h"

// Whether the file's rows can be taken as they stand: plain rows of 1, 4, 8
// or 24 bits. 0 and `*is_plain` set, or the header's error (22 malformed, 12
// an unread variant, 3 beyond the limits).
[[nodiscard]] int BmpFileIsPlain(std::span<const uint8_t> file, bool* is_plain);

// A new packed bitmap from a plain BMP file, or 0 with `*status` set: the
// header's error, 22 when rows the header claims are missing, -1 when the
// handle cannot be made.
[[nodiscard]] HGLOBAL PackedBitmapFromBmpFile(std::span<const uint8_t> file, int32_t* status);

#endif  // PELRITH_API_READ_BMP_FILE_BITMAP_H_
