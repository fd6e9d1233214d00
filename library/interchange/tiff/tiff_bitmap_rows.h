// One TIFF page decoded straight into the rows of a packed bitmap, with no
// image object in between: plain, fax-coded or PackBits strips of 1-bit,
// 4-bit, 8-bit or RGB pixels. The rows are the ones the object road (pixel
// pass or decoder into an image, then the packed-bitmap export) gives, byte
// for byte: indices most significant bit first with the bits and nibbles
// past the width cleared, colour pixels as blue, green, red, row padding 0.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_BITMAP_ROWS_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_BITMAP_ROWS_H_

#include <cstdint>

#include "core/system/system.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_strips.h"

// The rows of a packed bitmap of the page's size: `bottom_row` is the
// picture's last row, each row `row_bytes` long (at least the page's row).
struct TiffBitmapRows {
  uint8_t* bottom_row = nullptr;
  int64_t row_bytes = 0;
};

// Whether ReadTiffStripsIntoBitmap takes the layout: 1-bit, 4-bit, 8-bit or
// RGB pixels, plain, fax-coded or PackBits, of coded data within the
// decoders' limits.
[[nodiscard]] bool TiffBitmapRowsTake(const TiffStripLayout& layout);

// Fills every row of `rows` from the strips. Rows a plain strip does not
// hold are 0 and rows fax data does not reach are white, as the object road
// leaves them. 0, or (reported) 22 when coded data is damaged or ends before
// the last row, the source's errors.
[[nodiscard]] int ReadTiffStripsIntoBitmap(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout,
                                           const TiffBitmapRows& rows);

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_BITMAP_ROWS_H_
