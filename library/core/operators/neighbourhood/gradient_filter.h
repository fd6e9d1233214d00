// Gradient (edge) filters: the magnitude of two window sums at each element,
// and the builder of the two edge kernels the find-edges filter uses.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_GRADIENT_FILTER_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_GRADIENT_FILTER_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int32_t kGradientSumOfMagnitudes = 137;  // |g1| + |g2|
inline constexpr int32_t kGradientEuclidean = 182;        // sqrt(g1 x g1 + g2 x g2), truncated

// g1 and g2 are the window sums of the two kernels at each element, both
// divided by kernel 1's "scaleFactor" (IpiKernelSumInt, boundary by the
// system's "boundaryCondition"); the result is limited to 255. Source and
// destination 8-bit dataType 153; kernels dataType 174 with odd sides of at
// most 15 and the same sides. Refusals, before anything is written: 18 a mode
// other than 137 and 182 (tested first), 16 an even side, 3 a side above 15,
// 18 kernels of different sides, 10 a data type, 18 a "scaleFactor" of 0.
int IpiGradientFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel1,
                      IpiObject* kernel2, int32_t mode);

inline constexpr int32_t kEdgeKernelHorizontal = 101;  // +2 left of the centre column, -2 right of it
inline constexpr int32_t kEdgeKernelVertical = 218;    // -2 above the centre row, +2 below it

// Fills every plane of an X x Y array: code 101 puts +2 in the columns left
// of the centre column, 0 in it and -2 right of it, scale Y x (X - 1); code
// 218 puts -2 in the rows above the centre row, 0 in it and +2 below, scale
// (Y - 1) x X. dataType 174 stores the integers and sets "scaleFactor";
// dataType 161 stores them divided by the scale as reals and leaves
// "scaleFactor" alone. Refusals leave the array as it was: 18 another code, or
// an array one cell across the gradient (its scale would be 0); 10 another
// data type.
int IpiMakeEdgeKernel(IpiSystem* sys, IpiObject* array, int32_t code);

// The integer cells of that kernel, row by row, and its scale (0 for an
// array one cell across the gradient).
[[nodiscard]] std::vector<int16_t> EdgeKernelWeights(int32_t code, int64_t width, int64_t height);
[[nodiscard]] int64_t EdgeKernelScale(int32_t code, int64_t width, int64_t height);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_GRADIENT_FILTER_H_
