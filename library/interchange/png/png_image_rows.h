// Between image rows and rows in the PNG pixel layout. An image keeps its
// samples band-sequential (one band after the other, 1-bit rows packed in
// its bit order, 4-bit samples one per byte); a PNG row packs a pixel's
// samples together, most significant bits first:
//   1 bit  (dataType 18, one band)       eight pixels a byte
//   4 bits (dataType 153, one band)      two pixels a byte, the first high
//   8 bits (dataType 153, 1, 3, 4 bands) bytes; R, G, B (, A) per pixel
// Any other pairing of image and PNG rows is refused with 10.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_IMAGE_ROWS_H_
#define PELRITH_INTERCHANGE_PNG_PNG_IMAGE_ROWS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/system/system.h"
#include "interchange/png/png_row_coder.h"
#include "interchange/rows/packed_bitmap_rows.h"

enum class PngPixelLayout { kBits, kNibbles, kBytes, kInterleaved };

// Reads an image's rows as PNG rows (the encoder's and the writer's side).
class PngImageRowSource {
 public:
  // Checks that `image` has the layout of `format` (10 otherwise) and opens
  // a reading accessor on it. 0 or the reported error.
  [[nodiscard]] int Open(IpiSystem* sys, IpiObject* image, const PngRowFormat& format);
  // Image row `y` into `out` (format.row_bytes() bytes); columns and rows
  // the image does not have are 0.
  [[nodiscard]] int FetchRow(IpiSystem* sys, int64_t y, uint8_t* out);
  [[nodiscard]] int Close() { return accessor_.Close(); }

 private:
  PngRowFormat format_;
  PngPixelLayout layout_ = PngPixelLayout::kBytes;
  ScopedAccessor accessor_;
  int64_t image_width_ = 0;
  int64_t image_height_ = 0;
  int64_t band_elements_ = 0;  // elements of one band
  int64_t columns_ = 0;        // pixels taken from each image row
};

// Stores PNG rows into an image (the decoder's side). An image with
// "pixelInterpretation" 225 takes the rows as a packed bitmap: picture row
// y in object row yDimension - 1 - y, as decoded (1, 4, 8 bits) or as blue,
// green, red bytes (three channels), cut at the object's row length.
class PngImageRowTarget {
 public:
  [[nodiscard]] int Open(IpiSystem* sys, IpiObject* image, const PngRowFormat& format);
  // Stores picture row `y`; rows the image does not have are skipped.
  [[nodiscard]] int StoreRow(IpiSystem* sys, int64_t y, const uint8_t* png_row);
  [[nodiscard]] int Close() { return accessor_.Close(); }

 private:
  [[nodiscard]] int StorePackedRow(IpiSystem* sys, int64_t y, const uint8_t* png_row);

  PngRowFormat format_;
  PngPixelLayout layout_ = PngPixelLayout::kBytes;
  ScopedAccessor accessor_;
  bool is_packed_bitmap_ = false;
  PackedBitmapRows packed_;
  int64_t image_width_ = 0;
  int64_t image_height_ = 0;
  int64_t band_elements_ = 0;
  int64_t columns_ = 0;
};

// Every row of the image behind `source`, pass by pass, through `encoder`,
// then the end of the zlib stream. 0 or the first error (reported).
[[nodiscard]] int FeedPngRows(IpiSystem* sys, PngImageRowSource& source, const PngRowFormat& format,
                              PngRowEncoder& encoder);

#endif  // PELRITH_INTERCHANGE_PNG_PNG_IMAGE_ROWS_H_
