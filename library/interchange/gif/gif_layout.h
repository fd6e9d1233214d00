// The byte layout of a GIF file shared by the reader and the writer: block
// introducers, flag bits of the packed fields, code sizes and the palettes a
// file without colour tables stands for.
#ifndef PELRITH_INTERCHANGE_GIF_GIF_LAYOUT_H_
#define PELRITH_INTERCHANGE_GIF_GIF_LAYOUT_H_

#include <cstdint>
#include <vector>

inline constexpr uint8_t kGifSignature87a[6] = {'G', 'I', 'F', '8', '7', 'a'};
inline constexpr uint8_t kGifSignature89a[6] = {'G', 'I', 'F', '8', '9', 'a'};
inline constexpr uint8_t kGifExtensionIntroducer = 0x21;
inline constexpr uint8_t kGifGraphicControlLabel = 0xF9;
inline constexpr uint8_t kGifGraphicControlBytes = 4;
inline constexpr uint8_t kGifImageSeparator = 0x2C;
inline constexpr uint8_t kGifTrailer = 0x3B;
inline constexpr int kGifMaxSubBlockBytes = 255;

// Packed fields: logical screen and image descriptor.
inline constexpr uint8_t kGifTableFlag = 0x80;
inline constexpr uint8_t kGifInterlaceFlag = 0x40;
inline constexpr uint8_t kGifSizeCodeMask = 0x07;
// Graphic control extension.
inline constexpr uint8_t kGifTransparencyFlag = 0x01;

// LZW minimum code sizes: at least 2, and the stream never starts wider than 11.
inline constexpr int kGifSmallestCodeSize = 2;
inline constexpr int kGifLargestCodeSize = 11;
[[nodiscard]] inline int GifMinimumCodeSize(int bits_per_pixel) {
  return bits_per_pixel < kGifSmallestCodeSize ? kGifSmallestCodeSize : bits_per_pixel;
}

// The palette of a file without colour tables, for the screen's size code
// (0 to 7): 2^(code + 1) R, G, B triples.
[[nodiscard]] std::vector<uint8_t> GifDefaultPalette(int size_code);

#endif  // PELRITH_INTERCHANGE_GIF_GIF_LAYOUT_H_
