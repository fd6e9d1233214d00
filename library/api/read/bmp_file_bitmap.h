// Plain BMP files become packed bitmaps without a decode (BmpFileBytesAsDib
// in the frame's file helpers); this decides which files are plain.
#ifndef PELRITH_API_READ_BMP_FILE_BITMAP_H_
#define PELRITH_API_READ_BMP_FILE_BITMAP_H_

#include <cstdint>
#include <span>

// Whether the file's rows can be taken as they stand: plain rows of 1, 4, 8
// or 24 bits. 0 and `*is_plain` set, or the header's error (22 malformed, 12
// an unread variant, 3 beyond the limits).
[[nodiscard]] int BmpFileIsPlain(std::span<const uint8_t> file, bool* is_plain);

#endif  // PELRITH_API_READ_BMP_FILE_BITMAP_H_
