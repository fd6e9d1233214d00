// The public file-format codes of the interface (4 TIFF, 5 JPEG, 6 GIF, 7 BMP,
// 40 PCX, 44 PNG, 45 the tagged raster format) and the library's internal
// codes.
#ifndef PELRITH_API_FRAME_FORMAT_CODES_H_
#define PELRITH_API_FRAME_FORMAT_CODES_H_

#include <cstdint>

// The internal code whose reader takes files of a public format, 0 for any
// other code. JPEG is read through libjpeg, which reads baseline and
// progressive files.
[[nodiscard]] int32_t InternalReadFormat(int32_t public_format);
// An identified internal format to its public code, 0 for one without.
[[nodiscard]] int32_t PublicFileFormat(int32_t internal_format);

#endif  // PELRITH_API_FRAME_FORMAT_CODES_H_
