// The fixed-point 8 x 8 forward and inverse transforms of the DCT codec, with
// quantization folded into the forward one and dequantization into the
// inverse one. Both follow one exact integer recipe, so every build and every
// path gives the same numbers.
//
// The forward transform yields coefficient(u, v) x 8 x s(u) x s(v) (s(0) = 1,
// s(k) = sqrt(2) cos(k pi / 16)); its quantizers are therefore the table
// entries scaled by 1 / (c(u) c(v)) (ScaledQuantizer), and the inverse takes
// the same scaled values as multipliers.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_DCT_TRANSFORM_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_DCT_TRANSFORM_H_

#include <cstddef>
#include <cstdint>

#include "interchange/jpeg_dct/jpeg_dct_tables.h"

// entry / (c(u) c(v)), c(0) = 1 / (2 sqrt 2), c(k) = 1 / (4 cos(k pi / 16)),
// to the nearest integer with halves away from zero. u is the vertical and v
// the horizontal frequency. For entries 1 to 255 the result lies in 1 to 3925.
[[nodiscard]] int32_t ScaledQuantizer(int32_t entry, int u, int v);

// Quantization of the forward transform's output, by zigzag position.
struct ForwardQuantizer {
  uint8_t source_index[kBlockSize];  // where the coefficient lies in the transform's output
  int32_t divisor[kBlockSize];       // the scaled quantizer
  uint64_t reciprocal[kBlockSize];   // 2^40 / divisor + 1: exact truncating division below 2^20
};
// `entries`: 64 quantizer values 1 to 255, natural order.
void BuildForwardQuantizer(const int32_t entries[kBlockSize], ForwardQuantizer& out);

// Transforms the 8 x 8 samples at `samples` (rows `stride` bytes apart) and
// quantizes them: coefficients in zigzag order, truncated toward zero.
void ForwardDctQuantize(const uint8_t* samples, ptrdiff_t stride, const ForwardQuantizer& quantizer,
                        int32_t zigzag_out[kBlockSize]);

// Dequantization into the inverse transform's input, by zigzag position.
struct InverseDequantizer {
  uint8_t target_index[kBlockSize];  // where the product goes in the transform's input
  int32_t multiplier[kBlockSize];    // the scaled quantizer
};
void BuildInverseDequantizer(const int32_t entries[kBlockSize], InverseDequantizer& out);

// Products fed to the inverse transform are clamped to this magnitude, which
// keeps every intermediate below 2^31. Coefficients of real 8-bit images stay
// far below it (about 2^15); only damaged data reaches it.
inline constexpr int32_t kMaxDequantizedMagnitude = 1 << 17;

// Inverse transform of `block` (dequantized products at their target
// indices, all other entries 0). Writes sample - 128, not clamped,
// row-major: out[8 * row + column].
void InverseDct(const int32_t block[kBlockSize], int32_t out[kBlockSize]);

// The value InverseDct gives to all 64 samples of a block whose only non-zero
// input is `dc_product` at index 0.
[[nodiscard]] int32_t InverseDctDcOnly(int32_t dc_product);

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_DCT_TRANSFORM_H_
