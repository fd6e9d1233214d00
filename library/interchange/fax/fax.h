// Compressions 90, 80, 81 and 82 on objects: the facsimile codings (TIFF
// Compression 2, 3, 3 with two-dimensional coding, and 4) between a boolean
// image and a compressed object.
#ifndef PELRITH_INTERCHANGE_FAX_FAX_H_
#define PELRITH_INTERCHANGE_FAX_FAX_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Codes every plane of `image` into `coded` as one strip, in the coded bit
// order, and sets "size" (and the first "stripByteCounts" entry of a TIFF
// object with strips). 10 unless both are boolean; 12 for an unsupported
// compression, "k" (81 takes 2 or 4), file format or strip attributes; 8
// when a coded object in memory cannot hold the code.
[[nodiscard]] int EncodeCcitt(IpiSystem* sys, IpiObject* image, IpiObject* coded);
// As EncodeCcitt, coding the complement of the image's bits: a page whose 0
// bits are black is coded with 1 = black as the codings want, row by row,
// without an inverted copy of the page.
[[nodiscard]] int EncodeCcittInverted(IpiSystem* sys, IpiObject* image, IpiObject* coded);
// Decodes the strips of `coded` into `image`. Rows the data does not reach
// stay white; 22 when rows were lost or damaged (the others are kept), 3 for
// a coded size beyond the library's limits, codes as the encoder otherwise.
// A packed-bitmap image ("pixelInterpretation" 225) takes the picture of the
// coded object's size bottom-up, each row clipped to the bitmap's row.
[[nodiscard]] int DecodeCcitt(IpiSystem* sys, IpiObject* coded, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_FAX_FAX_H_
