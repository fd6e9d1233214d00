// The copy loops of flips and quarter turns over rows of pixels in memory,
// shared by the flip and turn operator (planes of bytes) and the entry
// points that turn packed bitmaps in place (1, 4, 8 and 24 bits a pixel,
// pixels of fewer than 8 bits packed from the high bit down). Rows may have
// any stride; nothing is read outside the pixels of the source rows.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_PIXEL_MOVES_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_PIXEL_MOVES_H_

#include <cstdint>

// Rows of pixels in memory: row r starts at data + r x stride_bytes.
struct PixelRows {
  const uint8_t* data = nullptr;
  int64_t stride_bytes = 0;
  int64_t width_px = 0;
  int64_t height_px = 0;
};

// Whether the loops below take pixels of `bits_per_pixel` bits.
[[nodiscard]] inline bool IsMovedPixelSize(int32_t bits_per_pixel) {
  return bits_per_pixel == 1 || bits_per_pixel == 4 || bits_per_pixel == 8 || bits_per_pixel == 24;
}

// Which loop a move takes where the processor offers a faster one than the
// portable loop (both give the same bytes; tests run both).
enum class PixelLoop { kFastest, kPortable };

// Pixel i of `to` is pixel count - 1 - i of `from`. In a row of 1 or 4 bits
// the bits after the last pixel in its byte become 0; `to` and `from` do not
// overlap.
void ReversePixels(uint8_t* to, const uint8_t* from, int64_t count, int32_t bits_per_pixel,
                   PixelLoop loop = PixelLoop::kFastest);

// Rows first_row .. end_row - 1 of a quarter turn of `source` (codes 3 and 2
// of geometry_codes.h, in the order of the rows: 3 makes its right column,
// top to bottom, row 0; 2 its left column, bottom to top). A turned row holds
// source.height_px pixels; row first_row goes to `destination`, the next ones
// `destination_stride` bytes apart. Bits after the last pixel of a row of 1
// or 4 bits become 0. Any other code moves nothing.
void TurnPixels(const PixelRows& source, int32_t code, int32_t bits_per_pixel, uint8_t* destination,
                int64_t destination_stride, int64_t first_row, int64_t end_row);

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_PIXEL_MOVES_H_
