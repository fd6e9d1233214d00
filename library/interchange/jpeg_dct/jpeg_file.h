// The JPEG interchange file around the library's own DCT codec (fileFormat
// 235): the writer puts the markers and tables of a compressed object
// (compression 114) around its entropy-coded scan; the reader parses them,
// sets the image description and tables on the target and copies the scan
// into it, to be decoded by the codec.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_JPEG_FILE_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_JPEG_FILE_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// `compressed` holds the coded scan and its table attributes; `file` is the
// file object of the write dispatch. 11 for a class that is neither grey nor
// colour, 12 for parameters the file cannot carry (extents beyond 65535,
// precision other than 8, sampling 273, missing tables), 22 for a Huffman
// table whose counts overflow it, 10 for data types other than 153.
[[nodiscard]] int WriteJpegFile(IpiSystem* sys, IpiObject* compressed, IpiObject* file);

// Header pass (172): attributes and tables; data pass (171): the scan bytes;
// 0: both. Files that are not baseline 8-bit grey or three-component files
// with luminance sampling 1x1, 2x1, 1x2 or 2x2 and chrominance 1x1, and
// damaged files, give 22; sizes beyond the library's limits 3.
[[nodiscard]] int ReadJpegFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_JPEG_FILE_H_
