// TIFF files (fileFormat 207): one image, or every element of a composite
// array as one page, each page an image file directory, its value areas at
// fixed places after it and its pixel data in one strip (one strip a plane
// for separate planes). Every page is planned and checked before the first
// byte is written: an image whose data the directory would describe but
// could not hold is refused, never written half.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_WRITER_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_WRITER_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Writes `image` (a plain image, a compressed object whose coded bytes are
// placed as they are, or a composite array of them) through the stream of
// `file` (the file object the write dispatch made from it; a composite file
// object for a composite array). Errors, all before anything is written:
// 12 for a byte or bit order other than 135 and 150, a compression outside
// 0, 80, 81, 82, 90, 136 (for data read from a TIFF file only) and 156 or one
// that differs between the image and the file object, one-sample data of
// other than 1, 4 or 8 bits, subsampled YCbCr, a separated image with fewer
// than four bands, an orientation, planarConfiguration, resolutionUnit,
// newSubfileType or predictor outside its table; 10 for data types that
// differ or are neither boolean nor non-negative; 18 for an empty image or
// coded object; 9 for a missing composite element; 3 for a file past 4 GiB
// or an image beyond the library's limits; 8 for caller memory too short.
[[nodiscard]] int WriteTiffFile(IpiSystem* sys, IpiObject* image, IpiObject* file);

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_WRITER_H_
