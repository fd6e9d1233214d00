// The library's own baseline DCT codec (compression 114): an 8-bit grey or
// RGB image to one Huffman-coded scan with restart markers, and back. The
// compressed object carries "fileFormat" 235, "samplingFactor",
// "bDimension", "quarityFactor", "restartInterval" and the JPEG table
// attributes; its data are the stuffed entropy-coded bytes.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_CODEC_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_CODEC_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int kJpegModeEncode = 88;
inline constexpr int kJpegModeDecode = 109;

// "samplingFactor": horizontal x vertical luminance factors, chrominance 1 x 1.
inline constexpr int32_t kSampling1x1 = 238;
inline constexpr int32_t kSampling2x1 = 239;
inline constexpr int32_t kSampling2x2 = 240;
inline constexpr int32_t kSampling1x2 = 273;

// Mode 88: `source` is the image, `destination` the compressed object whose
// attributes choose the coding. Mode 109: `source` is the compressed object,
// `destination` the image. Other modes: 18. A compressed object of another
// "fileFormat", or a sampling code outside the four, gives 12; an image that
// is not 8-bit dataType 153 gives 10; damaged data gives 8, 19 or 22, with
// the rows decoded before the damage kept in the image.
[[nodiscard]] int JpegCodecSelect(IpiSystem* sys, IpiObject* source, IpiObject* destination, int mode);

// The rows of compression 114 in the compression table.
[[nodiscard]] int EncodeJpegDct(IpiSystem* sys, IpiObject* image, IpiObject* compressed);
[[nodiscard]] int DecodeJpegDct(IpiSystem* sys, IpiObject* compressed, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_CODEC_H_
