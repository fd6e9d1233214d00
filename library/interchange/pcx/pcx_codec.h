// PCX run-length coding (compression 247) and PCX files (fileFormat 246).
// Coded data is exactly what a PCX file holds between its 128-byte header
// and its end (or its 256-colour palette): every image row as one unit of
// plane lines of "bytes per line" bytes each, run-length coded.
//   1 bit  (dataType 18)                      one plane, 8 pixels a byte
//   4 bits (dataType 153, dataPrecision 4)    four bit planes, plane k bit k
//   8 bits (dataType 153, dataPrecision 8)    one plane per band
#ifndef PELRITH_INTERCHANGE_PCX_PCX_CODEC_H_
#define PELRITH_INTERCHANGE_PCX_PCX_CODEC_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Codes the plain `image` into `coded`, whose extents and bands give the
// rows (zDimension and tDimension 1, else 12); image rows and columns the
// coded object has and the image lacks are coded as 0. Sets the coded
// object's "size". 10 when the data types and precisions of the two give no
// layout; 3 beyond the library's limits.
[[nodiscard]] int EncodePcxRle(IpiSystem* sys, IpiObject* image, IpiObject* coded);

// Decodes the "size" coded bytes of `coded` (its extents, bands and PCX
// "bytePerLine", which rounded up to even must be the layout's bytes per
// line, else 22; 0 stands for that value) into the plain `image`, which
// keeps the part of each row and the rows it has room for. An image with
// "pixelInterpretation" 225 takes packed-bitmap rows, bottom-up, colour as
// blue, green, red (4-bit data cannot: 19). 22 for data that ends before the
// last row, whose decoded rows stay in the image; 10 for layouts without a
// conversion.
[[nodiscard]] int DecodePcxRle(IpiSystem* sys, IpiObject* coded, IpiObject* image);

// Writes the coded object (compression 247, from EncodePcxRle) into the file
// object (fileFormat 246, compression 247): header with the PCX group's
// values, the coded bytes, and for 256 colours the palette trailer (the
// coded object's "lut", else a grey ramp). 12 for another format or
// compression, a layout the file cannot hold (4 bands, 16-bit samples),
// extents or bytes per line beyond 16 bits, a version the reader refuses,
// or a palette of fewer than 2 entries.
[[nodiscard]] int WritePcxFile(IpiSystem* sys, IpiObject* coded, IpiObject* file);

// Reads the PCX file behind `source`. 172: the target's attributes, its PCX
// group and "lut"; 171: the coded rows into the target (compression 247);
// 0: both. 22 for malformed headers; 19 for 4 bits per pixel in one plane;
// 11 for a target class the file's kind does not fit; 3 beyond the
// library's limits; 12 for a data pass into a plain target; 18 for another
// read mode.
[[nodiscard]] int ReadPcxFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

#endif  // PELRITH_INTERCHANGE_PCX_PCX_CODEC_H_
