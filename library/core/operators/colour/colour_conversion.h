// Colour-mode conversions: a three-band colour image reduced to grey by the
// luminance weights of its "colourSpace", and an indexed image (8-bit indices
// or a bitmap) expanded through a colour table into three 8-bit bands.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_
#define PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_

#include <array>
#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// "colourSpace" codes that carry a set of luminance weights.
inline constexpr int32_t kFirstLuminanceColourSpace = 118;
inline constexpr int32_t kLastLuminanceColourSpace = 122;
// The colour space the entry points set on an RGB image before reducing it to grey.
inline constexpr int32_t kColourSpaceEntryPointRgb = 121;

// Bands 0, 1, 2 (red, green, blue) of the source become one band: (r x w0 +
// g x w1 + b x w2 + 16384) >> 15 with the Q15 weights of the source's
// "colourSpace". 12 for a colour space without weights (checked first), 10
// unless both are 8-bit dataType 153, 8 for a source of fewer than 3 bands.
int IpiColourToMonochrome(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// Each source element (an 8-bit index, or a bit of a bitmap: 1 set, 0 clear)
// picks entry i of the table's three runs of "xDimension" entries (element 0,
// xDimension, 2 x xDimension) for destination bands 0, 1, 2. 9 for a dead
// destination; 10 unless the source is 18 or 8-bit 153 and the destination
// and table are 8-bit 153; 8 for a destination of fewer than 3 bands, a table
// of fewer than 3 bands, or a table with fewer entries than the source's
// precision can index. `reserved` is not read (callers pass 0).
int IpiConvertImageType(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                        int32_t reserved);

// The row kernels of both operators, for callers that hold rows of their own
// (pixel-interleaved rows step 3 bytes from one sample of a colour to the
// next, planes step 1).
//
// The Q15 weights of a colour space (each weight x 32768, truncated): false
// for a colour space without weights.
struct LuminanceQ15 {
  uint32_t red, green, blue;
};
[[nodiscard]] bool LuminanceWeightsOf(int32_t colour_space, LuminanceQ15* weights);
// grey[i] = (r x w0 + g x w1 + b x w2 + 16384) >> 15 for `count` samples
// `step` (1 or 3) bytes apart.
void LuminanceRow(const LuminanceQ15& q, const uint8_t* red, const uint8_t* green, const uint8_t* blue, int step,
                  int64_t count, uint8_t* grey);
// The same sums from the products of every sample value with each weight
// (the rounding half held in the blue ones), made once per image: pixels of
// three bytes (blue, green, red) take three look-ups and no multiply.
struct LuminanceProducts {
  std::array<uint32_t, 256> red, green, blue;
};
[[nodiscard]] LuminanceProducts LuminanceProductsOf(const LuminanceQ15& q);
void LuminancePixelRow(const LuminanceProducts& products, const uint8_t* pixels, int64_t count, uint8_t* grey);

// A colour table as three runs of 256 entries (red, green, blue).
using ColourRuns = std::array<std::array<uint8_t, 256>, 3>;
// Entry index[i] of each run into red, green and blue at `step` (1 or 3)
// bytes apart.
void ExpandIndicesRow(const ColourRuns& runs, const uint8_t* index, int64_t count, uint8_t* red, uint8_t* green,
                      uint8_t* blue, int step);

#endif  // PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_
