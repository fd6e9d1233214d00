// The interpolating resampling kernels: bilinear (2 x 2), cubic B-spline and
// cubic convolution with a = -0.5 (4 x 4), on the windows and mapping of
// resample.h. Weights are integers in units of 1/256 whose sets sum to 256,
// so a flat area stays flat; a weight product is in units of 1/65536. Byte
// images take the weighted sum, rounded and clamped to 0..255; two-level
// images decide each bit against a threshold that "morphologicalOperation"
// and "thresholdRamp" lower on reduction, so thin features survive.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_INTERPOLATING_KERNELS_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_INTERPOLATING_KERNELS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/geometry/resample.h"
#include "core/system/system.h"

// Bilinear: byte images with any region mode, two-level images without a
// region in effect (10 otherwise).
int IpiResampleBilinear(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w);
// Cubic B-spline and cubic convolution: both data types, any region mode.
int IpiResampleBSpline(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w);
int IpiResampleCubicConvolution(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                const IpiResampleWindows& w);

// The weights of the taps i0 - 1, i0, i0 + 1 and i0 + 2 at fraction f
// (0 <= f < 1): each rounded to 1/256, the tap of the largest magnitude taking
// what makes the four sum to 256.
void IpiBSplineWeights(double f, int32_t weights[4]);
void IpiCubicConvolutionWeights(double f, int32_t weights[4]);

// The decision threshold of two-level resampling for ratios rx and ry, in
// units of 1/65536 of the full weight: 32768 when "morphologicalOperation" is
// 0 or the image is enlarged; lower with growing reduction, by the ramp that
// "thresholdRamp" names; never below 1. Without a valid context, 32768.
double IpiRampWeight(IpiSystem* sys, double rx, double ry);

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_INTERPOLATING_KERNELS_H_
