// Ordered dithering with a tiled dither array, to a bitmap or to a number of
// levels per band.
#ifndef PELRITH_CORE_OPERATORS_POINT_ORDERED_DITHER_H_
#define PELRITH_CORE_OPERATORS_POINT_ORDERED_DITHER_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// The 4 x 4 matrix and scale factor the bitmap and indexed colour modes dither with.
inline constexpr int kBayerSize = 4;
inline constexpr int32_t kBayerScaleFactor = 16;
inline constexpr uint8_t kBayerMatrix[kBayerSize * kBayerSize] = {
    0, 8, 2, 10,  //
    12, 4, 14, 6,  //
    3, 11, 1, 9,  //
    15, 7, 13, 5,
};

// The array (W = "xDimension", H = "yDimension", "scaleFactor" S, W x H 8-bit
// entries of dataType 153, row by row) is tiled over source coordinates: d =
// entry[(sy mod H) x W + sx mod W]. With P the source's precision and M =
// 2^P - 1:
//  - bitmap destination (18): the bit is set, in the destination's bit order,
//    where source x S > d x 2^P;
//  - 8-bit destination (153): with L_b levels for band b (one tuple entry per
//    source band, 2..M + 1) and step = M / (L_b - 1), base = (v / step) x step,
//    r = v - base: base + step where r x S > d x step, else base, at most M.
// The levels tuple is not read for a bitmap destination. 10 for other data
// types, 18 for levels outside 2..M + 1 or an empty array, 12 for a bitmap
// without a known bit order.
int IpiOrderedDither(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* dither_array,
                     IpiObject* levels);

#endif  // PELRITH_CORE_OPERATORS_POINT_ORDERED_DITHER_H_
