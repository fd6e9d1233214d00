// Packed bitmaps in global-memory handles: a 40-byte info header, the colour
// table (4 bytes an entry: blue, green, red, 0) and bottom-up rows padded to
// 4 bytes. The caller's bitmaps are checked once against their handle's size
// before any field is used; the bitmaps the library returns are sized by one
// layout rule shared by the allocation and the export.
#ifndef PELRITH_API_FRAME_PACKED_BITMAP_H_
#define PELRITH_API_FRAME_PACKED_BITMAP_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "Pelrith.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// What the entry points read of a checked packed bitmap.
struct PackedBitmapInfo {
  int64_t width_px = 0;
  int64_t height_px = 0;
  int32_t bits_per_pixel = 0;      // 1, 4, 8 or 24
  bool is_run_length = false;      // RLE4 / RLE8 rows
  uint32_t palette_entries = 0;    // entries present in the colour table
  uint64_t palette_offset = 0;     // after the info header
  uint64_t pixel_offset = 0;       // after the colour table
  int64_t row_bytes = 0;           // stored row, padded to 4 bytes
  uint64_t handle_bytes = 0;       // GlobalSize of the handle
};

// Checks `bytes` (the `size` bytes of a handle) as a packed bitmap of 1, 4, 8
// or 24 bits whose header, colour table and rows lie inside `size`.
// 0; -100 for a damaged or inconsistent bitmap (a short handle, an unknown
// header, a colour table or rows past the end, another bit count, bit-field
// compression, top-down rows); 3 beyond the library's size limits.
[[nodiscard]] int ValidatePackedBitmap(const void* bytes, size_t size, PackedBitmapInfo* info);

// Whether a colour mode of the interface (14 bitmap, 15 16 colours, 16 256
// colours, 17 grey, 18 RGB, 50 inverted grey) names the bitmap's bit count.
[[nodiscard]] bool ColourModeMatchesBits(int32_t mode, int32_t bits_per_pixel);

// Layout of the packed bitmap made from an image of x by y samples, b bands of
// precision p: one band of 1, 4 or 8 bits (with 2, 16 or 256 colour-table
// entries) or three bands of 8 bits (24 bits, no table). 0 for any other shape
// or beyond the limits.
struct PackedDibLayout {
  int32_t bits_per_pixel = 0;
  uint32_t palette_entries = 0;
  uint64_t row_bytes = 0;
  uint64_t total_bytes = 0;
};
[[nodiscard]] PackedDibLayout PackedDibLayoutFor(int64_t x, int64_t y, int64_t bands, int64_t precision);
// Writes the info header of a `width_px` x `height_px` bitmap of `layout`
// at `bytes` (a block of layout.total_bytes); returns where its colour table
// starts, the rows following the table.
uint8_t* FormatPackedBitmapHeader(int64_t width_px, int64_t height_px, const PackedDibLayout& layout, uint8_t* bytes);

// A new handle holding `image` as a packed bitmap, or 0 with `*status` set:
// the image's error, -100 for a shape the packed form cannot hold, -1 when the
// handle cannot be allocated or locked, or the export's error.
[[nodiscard]] HGLOBAL ObjectToPackedDib(IpiSystem* sys, IpiObject* image, int32_t* status);

// The attributes of a one-band 8-bit image laid over `height_px` stored rows
// of `row_bytes` in caller memory, `bottom_row` the first in the block: the
// rows of a packed bitmap as a reader fills them or a writer reads them, in
// place (pixel interpretation 225).
[[nodiscard]] std::array<IpiAttribute, 8> PackedRowsView(const uint8_t* bottom_row, uint64_t row_bytes,
                                                         int64_t height_px);

#endif  // PELRITH_API_FRAME_PACKED_BITMAP_H_
