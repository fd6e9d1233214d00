// Images over the rows of a packed bitmap ("pixelInterpretation" 225).
//
// The entry points lay out a packed bitmap themselves and let readers and
// decoders fill its rows in place through such an image. Its layout:
//   - one band of byte elements: "dataType" 153, stored 8 bits per element;
//   - "xDimension" is the length in bytes of one stored row, padding included
//     (a 24-bit row of w pixels: ((3w + 3) / 4) x 4), not a pixel count;
//   - "yDimension" is the number of rows, and the rows are in stored order:
//     object row 0 is the bottom row of the picture, object row
//     yDimension - 1 its top row;
//   - a row holds the pixels as the bitmap stores them: 24-bit pixels as
//     blue, green, red bytes; 1-, 4- and 8-bit pixels as packed palette
//     indices, the leftmost pixel in the most significant bits.
// A writer of such rows writes picture row y (0 at the top) into object row
// yDimension - 1 - y, at most xDimension bytes: bytes past a row's end belong
// to the next row or lie outside the caller's memory. A row that cannot hold
// the pixels is refused with 12 before anything is written.
#ifndef PELRITH_INTERCHANGE_ROWS_PACKED_BITMAP_ROWS_H_
#define PELRITH_INTERCHANGE_ROWS_PACKED_BITMAP_ROWS_H_

#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"

[[nodiscard]] inline bool IpiIsPackedBitmapImage(const IpiObject& image) {
  return image.fields.pixel_interpretation == kPixelInterpretationPackedBitmap;
}

struct PackedBitmapRows {
  int64_t row_bytes = 0;  // "xDimension"
  int64_t rows = 0;       // "yDimension"

  // The object row that holds picture row `picture_row` (0 at the top).
  [[nodiscard]] int64_t ObjectRowOf(int64_t picture_row) const { return rows - 1 - picture_row; }
  // Element index of the first byte of object row `object_row`, for
  // IpiGetOutputRow on a one-row stream of the image.
  [[nodiscard]] int64_t ElementOfRow(int64_t object_row) const { return object_row * row_bytes; }
};

// The layout of a packed-bitmap image whose rows must hold at least
// `needed_row_bytes` bytes. 0; 10 (reported) when the image is not one band
// of byte elements; 12 (reported) when its rows are shorter than needed.
[[nodiscard]] int IpiGetPackedBitmapRows(IpiSystem* sys, IpiObject* image, int64_t needed_row_bytes,
                                         PackedBitmapRows* out);

// One 24-bit packed-bitmap row from three band rows: 3 x count bytes.
void IpiStoreBgrRow(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count, uint8_t* bgr);

#endif  // PELRITH_INTERCHANGE_ROWS_PACKED_BITMAP_ROWS_H_
