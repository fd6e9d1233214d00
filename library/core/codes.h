// Numeric codes shared by the object core: data types, repositories, bit and
// byte orders, pixel interpretations and the file-format codes that carry an
// attribute group.
#ifndef PELRITH_CORE_CODES_H_
#define PELRITH_CORE_CODES_H_

#include <cstdint>

// "dataType"
inline constexpr int32_t kDataTypeBoolean = 18;
inline constexpr int32_t kDataTypeComplex = 35;
inline constexpr int32_t kDataTypeNonnegative = 153;
inline constexpr int32_t kDataTypeReal = 161;
inline constexpr int32_t kDataTypeSigned = 174;
inline constexpr int32_t kDataTypeWord = 175;  // 32-bit words: counts and object handles

// "repository"
inline constexpr int32_t kRepositoryCallerMemory = 9;  // "applicationAddressSpace", length "size"
inline constexpr int32_t kRepositoryFile = 83;         // "fileName" or a temporary file
inline constexpr int32_t kRepositoryGlobalBlock = 223; // "workSpace" owned by the object

// "bitOrder" and "byteOrder"
inline constexpr int32_t kOrderLsbFirst = 135;  // little-endian, least significant bit first
inline constexpr int32_t kOrderMsbFirst = 150;  // big-endian, most significant bit first

// "pixelInterpretation"
inline constexpr int32_t kPixelInterpretationPlain = 222;
inline constexpr int32_t kPixelInterpretationPackedBitmap = 225;  // bottom-up BGR rows

// "operationalState"
inline constexpr int32_t kStateOpen = 155;
inline constexpr int32_t kStateClosed = 31;

// "fileFormat" codes that carry an attribute group
inline constexpr int32_t kFormatGif = 92;
inline constexpr int32_t kFormatTiff = 207;
inline constexpr int32_t kFormatZoltra = 216;
inline constexpr int32_t kFormatBmp = 225;
inline constexpr int32_t kFormatJpeg = 235;     // the library's own DCT codec
inline constexpr int32_t kFormatPcx = 246;
inline constexpr int32_t kFormatPng = 259;
inline constexpr int32_t kFormatJpegLib = 274;  // JPEG through libjpeg
inline constexpr int32_t kFirstGroupFormat = 92;
inline constexpr int32_t kLastGroupFormat = 274;

#endif  // PELRITH_CORE_CODES_H_
