// The PNG file's framing: the signature, chunk types, header values and the
// colour types with their "colourType" codes, from the PNG standard (ISO/IEC 15948).
// A chunk is a 4-byte big-endian length, a 4-byte type, the data and the
// CRC-32 of type and data.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_CHUNKS_H_
#define PELRITH_INTERCHANGE_PNG_PNG_CHUNKS_H_

#include <array>
#include <cstdint>

#include "interchange/png/png_codec.h"

inline constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

using PngChunkType = std::array<uint8_t, 4>;
inline constexpr PngChunkType kChunkIhdr = {'I', 'H', 'D', 'R'};
inline constexpr PngChunkType kChunkPlte = {'P', 'L', 'T', 'E'};
inline constexpr PngChunkType kChunkIdat = {'I', 'D', 'A', 'T'};
inline constexpr PngChunkType kChunkIend = {'I', 'E', 'N', 'D'};
inline constexpr PngChunkType kChunkGama = {'g', 'A', 'M', 'A'};
inline constexpr PngChunkType kChunkTrns = {'t', 'R', 'N', 'S'};
inline constexpr PngChunkType kChunkText = {'t', 'E', 'X', 't'};

inline constexpr int64_t kPngChunkHeadBytes = 8;   // length and type
inline constexpr int64_t kPngChunkCrcBytes = 4;
inline constexpr uint32_t kPngMaxChunkLength = 0x7FFFFFFFu;  // 2^31 - 1
inline constexpr uint32_t kPngMaxDimension = 0x7FFFFFFFu;
inline constexpr int64_t kPngHeaderBytes = 13;
inline constexpr int64_t kPngGammaBytes = 4;
inline constexpr int kPngMaxPaletteEntries = 256;
inline constexpr char kPngCopyrightKeyword[] = "Copyright";
// A copyright text longer than this is kept cut here.
inline constexpr int64_t kPngMaxCopyrightBytes = 64 * 1024;

// IHDR values.
inline constexpr uint8_t kPngCompressionDeflate = 0;
inline constexpr uint8_t kPngFilterMethodAdaptive = 0;
inline constexpr uint8_t kPngInterlaceNone = 0;
inline constexpr uint8_t kPngInterlaceAdam7 = 1;

// Colour types of IHDR.
inline constexpr uint8_t kPngTypeGrey = 0;
inline constexpr uint8_t kPngTypeRgb = 2;
inline constexpr uint8_t kPngTypePalette = 3;
inline constexpr uint8_t kPngTypeGreyAlpha = 4;
inline constexpr uint8_t kPngTypeRgbAlpha = 6;

struct PngColourType {
  uint8_t png_type;
  int32_t code;  // "colourType"
  int channels;
};
inline constexpr PngColourType kPngColourTypes[] = {
    {kPngTypeGrey, kPngColourGrey, 1},
    {kPngTypeRgb, kPngColourRgb, 3},
    {kPngTypePalette, kPngColourPalette, 1},
    {kPngTypeGreyAlpha, kPngColourGreyAlpha, 2},
    {kPngTypeRgbAlpha, kPngColourRgbAlpha, 4},
};

// The entry of a PNG colour type, or of a "colourType" code; null for none.
[[nodiscard]] inline const PngColourType* FindPngColourType(uint8_t png_type) {
  for (const PngColourType& t : kPngColourTypes) {
    if (t.png_type == png_type) return &t;
  }
  return nullptr;
}
[[nodiscard]] inline const PngColourType* FindPngColourCode(int64_t code) {
  for (const PngColourType& t : kPngColourTypes) {
    if (t.code == code) return &t;
  }
  return nullptr;
}

#endif  // PELRITH_INTERCHANGE_PNG_PNG_CHUNKS_H_
