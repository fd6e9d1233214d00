// The deflate coder with PNG row filters (compression 264) and the PNG file
// format (fileFormat 259). Coded data of 264 is exactly what a PNG file's
// IDAT chunks hold together: one zlib stream of filtered rows, Adam7 passes
// one after the other when interlaced.
//
// Samples: 1 bit (dataType 18, grey or palette), 4 and 8 bits (dataType 153;
// grey or palette, 8 bits also RGB and RGB with alpha). Depths 2 and 16 are
// refused: 12 on writing and encoding, 22 on reading.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_CODEC_H_
#define PELRITH_INTERCHANGE_PNG_PNG_CODEC_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// "filter" of a coded object: None on every row, or the cheapest of all
// five filters per row.
inline constexpr int32_t kPngFilterOptionNone = 0;
inline constexpr int32_t kPngFilterOptionAll = 270;

// "colourType" of the PNG attribute group.
inline constexpr int32_t kPngColourPalette = 157;
inline constexpr int32_t kPngColourGrey = 265;
inline constexpr int32_t kPngColourRgb = 266;
inline constexpr int32_t kPngColourGreyAlpha = 267;
inline constexpr int32_t kPngColourRgbAlpha = 268;

// Codes the plain `image` into `coded` (never interlaced) and sets the
// coded object's "size". The coded object chooses: "bDimension" 1 or 3,
// "dataPrecision" (1, 4, 8 with one band; 8 with three), "compressionLevel"
// 1 to 9 and "filter" 0 or 270 (else 12), and "zDimension" x "tDimension"
// of 1 (else 12: one image per stream). Image rows and columns that the coded
// object has and the image lacks are coded as 0. 10 when the image's data
// type or bands do not give the coded layout; 3 beyond the library's limits;
// -1 when zlib has no memory; the stream layer's error when writing fails.
[[nodiscard]] int EncodeDeflatePng(IpiSystem* sys, IpiObject* image, IpiObject* coded);

// Decodes the "size" coded bytes of `coded` (its dimensions, "dataPrecision"
// and "bDimension" give the rows; with "fileFormat" 259 its PNG group gives
// "interlacedImage") into the plain `image`, which keeps the part of each
// row and the rows it has room for. An image with "pixelInterpretation" 225
// takes packed-bitmap rows. With the system's "progressive" on, an
// interlaced stream is decoded up to pass "interlacePass" (1 to 7, else
// 18), each pixel filling its block. 22 for a broken or short stream, a bad
// filter type and bytes after the stream's end; rows decoded before a fault
// stay in the image. 10 for layouts without a conversion.
[[nodiscard]] int DecodeInflatePng(IpiSystem* sys, IpiObject* coded, IpiObject* image);

// Writes `image` to the file object (fileFormat 259) as a PNG file:
// signature, IHDR, PLTE, tEXt "Copyright", tRNS, IDAT chunks of 8192 bytes
// (the last shorter), IEND. The colour type comes from the file object's
// "colourType", or from its bands and the image's "lut" when unset. 12 for
// attribute values out of range (colour type, depth, interlace, palette,
// transparency); 10 for bands or data types the colour type cannot hold.
[[nodiscard]] int WritePngFile(IpiSystem* sys, IpiObject* image, IpiObject* file);

// Reads the PNG file behind `source` (caller memory of its real "size", or a
// file). 172: sets the target's attributes, its PNG group and its "lut";
// 171: copies the IDAT data into the target (compression 264); 0: both. Every
// chunk's CRC is checked. 22 for every malformed item; 3 beyond the
// library's limits; 12 for a data pass into a plain target; 18 for another
// read mode.
[[nodiscard]] int ReadPngFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

#endif  // PELRITH_INTERCHANGE_PNG_PNG_CODEC_H_
