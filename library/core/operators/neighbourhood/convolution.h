// Convolution of an 8-bit image with an integer or real kernel, and the
// window sum at one element that defines it (also used by the neighbourhood
// filters). Windows that leave the image follow the system's
// "boundaryCondition": 165 mirror, 231 cells outside count as 0, any other
// value gives such an element the sum 0.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_CONVOLUTION_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_CONVOLUTION_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Source and destination dataType 153 (8 bits); kernel 174 (16-bit weights,
// divided by its "scaleFactor", rounded half away from zero) or 161 (32-bit
// real weights, rounded, not divided). Each result is clipped to 0..255.
// Refusals, before anything is written: 16 a kernel side that is not a
// positive odd integer, 3 both sides 16 or more, 10 a data type, 18 an integer
// kernel with "scaleFactor" 0.
int IpiConvolve(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel);

// The window sum at element (x, y) of a source of width x height samples.
// `rows` points at the row of the element (rows[k], -H/2 <= k <= H/2, is row
// y + k from column 0; rows outside the image are never read and may be
// null). `kernel_rows` points at the middle kernel row's centre weight:
// kernel_rows[k][c] is the weight of row k, column c (-W/2 <= c <= W/2).
// The sum is rounded half away from zero after the division by `divisor`,
// held to the 32-bit range; a divisor of 0 gives 0.
[[nodiscard]] int32_t IpiKernelSumInt(const uint8_t* const* rows, const int16_t* const* kernel_rows,
                                      int32_t boundary_condition, int64_t x, int64_t y, int64_t width,
                                      int64_t height, int32_t kernel_width, int32_t kernel_height,
                                      int64_t divisor);
// The same with real weights summed in doubles, rounded and not divided.
[[nodiscard]] int32_t IpiKernelSumReal(const uint8_t* const* rows, const float* const* kernel_rows,
                                       int32_t boundary_condition, int64_t x, int64_t y, int64_t width,
                                       int64_t height, int32_t kernel_width, int32_t kernel_height);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_CONVOLUTION_H_
