// The code tables the interchange subsystem shares: file formats ("fileFormat"
// beyond the group formats of core/codes.h), compressions ("compression"),
// read modes and the colour spaces the fronts set.
#ifndef PELRITH_INTERCHANGE_COMMON_INTERCHANGE_CODES_H_
#define PELRITH_INTERCHANGE_COMMON_INTERCHANGE_CODES_H_

#include <cstdint>

#include "core/codes.h"

// "fileFormat" codes without an attribute group. kFormatGif, kFormatTiff,
// kFormatZoltra, kFormatBmp, kFormatJpeg, kFormatPcx, kFormatPng and
// kFormatJpegLib are in core/codes.h.
inline constexpr int32_t kFormatRunRaster = 215;         // raster format, first variant
inline constexpr int32_t kFormatInvertedBytes = 241;     // known to the PackBits coder only
inline constexpr int32_t kFormatRunStream = 250;         // raster format, second variant
inline constexpr int32_t kFormatPackedBitmap = 255;      // packed bitmap without file header
inline constexpr int32_t kFormatSgi = 269;
inline constexpr int32_t kFormatPackedBitmapHeader = 271;  // header and palette, no rows
inline constexpr int32_t kFormatWbmp = 275;

// "compression" codes.
inline constexpr int32_t kCompressionNone = 0;
inline constexpr int32_t kCompressionCcittHuffman = 80;   // modified Huffman
inline constexpr int32_t kCompressionCcittMr = 81;        // two-dimensional
inline constexpr int32_t kCompressionCcittMmr = 82;
inline constexpr int32_t kCompressionCcittHuffmanNoEol = 90;
inline constexpr int32_t kCompressionDct = 114;           // the library's own JPEG coder
inline constexpr int32_t kCompressionLzw = 136;           // left coded: no coder in the library
inline constexpr int32_t kCompressionPackBits = 156;
inline constexpr int32_t kCompressionOneBitRun = 217;
inline constexpr int32_t kCompressionBmpRunLength = 234;
inline constexpr int32_t kCompressionPcxRunLength = 247;
inline constexpr int32_t kCompressionDeflatePng = 264;    // deflate with PNG row filters

// Read modes, the last argument of every reader.
inline constexpr int kReadModeBoth = 0;      // header and pixels in one call
inline constexpr int kReadModeData = 171;    // pixels into a target prepared by a header pass
inline constexpr int kReadModeHeader = 172;  // attributes and palette, no pixels

[[nodiscard]] inline constexpr bool IpiIsReadMode(int mode) {
  return mode == kReadModeBoth || mode == kReadModeData || mode == kReadModeHeader;
}

// "colourSpace" codes set by the write and read fronts.
inline constexpr int32_t kColourSpaceRgb = 121;    // after reading a JPEG file
inline constexpr int32_t kColourSpaceYCbCr = 219;  // three-band images coded as JPEG

#endif  // PELRITH_INTERCHANGE_COMMON_INTERCHANGE_CODES_H_
