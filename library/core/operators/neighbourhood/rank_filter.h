// Rank-order and median filters over a mask, the per-element rank that
// defines them, and the mask builder.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_FILTER_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_FILTER_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Each element becomes the rank-th smallest (1 = smallest) of the source
// values under the mask's non-zero cells around it. Windows that leave the
// image follow the system's "boundaryCondition": 165 mirror, 231 cells
// outside count as 0, any other value gives such an element 0. A rank above
// the number of cells taking part is held to it; with no cell taking part the
// result is 0. Source and destination 8-bit dataType 153, mask 8-bit dataType
// 153 with odd sides of at most 15. Refusals, before anything is written: 16
// an even side, 3 a side above 15, 10 a data type, 18 a rank below 1.
int IpiRankOrderFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* mask, int64_t rank);
// The rank-order filter with rank (n + 1) / 2, n the mask's "scaleFactor"
// (its cell count, as IpiFillMask sets it).
int IpiMedianFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* mask);

// The rank-th value at element (x, y) of a width x height source. `rows`
// points at the row of the element (rows[k], -H/2 <= k <= H/2, is row y + k
// from column 0; rows outside the image are never read and may be null);
// `mask_rows` at the middle mask row's centre cell (mask_rows[k][c],
// -W/2 <= c <= W/2). `work` holds at least 256 bytes. Masks of more than 225
// cells give 0.
[[nodiscard]] uint8_t IpiRankOrderAt(const uint8_t* const* rows, const uint8_t* const* mask_rows, int64_t rank,
                                     int32_t boundary_condition, int64_t x, int64_t y, int64_t width,
                                     int64_t height, int32_t mask_width, int32_t mask_height, uint8_t* work);

// Fills every plane of an array with ones: dataType 153 (bytes) and 174
// (16-bit cells) also get "scaleFactor" = xDimension x yDimension; dataType
// 161 gets the real 1 / (xDimension x yDimension) in every cell and keeps its
// "scaleFactor". Refusals leave the array as it was: 10 another data type (or
// cells not stored at the type's width), 18 an empty array.
int IpiFillMask(IpiSystem* sys, IpiObject* array);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_FILTER_H_
