// Emboss and sharpen: the weighted filter with the fixed 3 x 3 kernels the
// edit control uses.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_SHARPEN_EMBOSS_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_SHARPEN_EMBOSS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// A 3 x 3 integer kernel, row by row, and the divisor of its window sum.
struct Kernel3x3 {
  int16_t weights[9];
  int32_t scale_factor;
};
// A fixed kernel of the weighted filter with its a, b and c.
struct WeightedKernel3x3 {
  Kernel3x3 kernel;
  double a, b, c;
};

// Kernel 1 0 0 / 0 0 0 / 0 0 -1 with scale 1; a = 0, b = 1, c = 128: a flat
// area becomes 128.
inline constexpr WeightedKernel3x3 kEmbossKernel{{{1, 0, 0, 0, 0, 0, 0, 0, -1}, 1}, 0.0, 1.0, 128.0};
int IpiEmboss(IpiSystem* sys, IpiObject* source, IpiObject* destination);
// Kernel of nine ones with scale 9 (the 3 x 3 mean); a = 3, b = -2, c = 0: a
// flat area keeps its value.
inline constexpr WeightedKernel3x3 kSharpenKernel{{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}, 3.0, -2.0, 0.0};
int IpiSharpen(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// The 3 x 3 kernel object (ImpulseResponseArray, dataType 174, in a global
// block) with the given weights and "scaleFactor"; null with the error
// reported. The caller deletes it.
[[nodiscard]] IpiObject* IpiMakeKernel3x3(IpiSystem* sys, const int16_t weights[9], int32_t scale_factor);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_SHARPEN_EMBOSS_H_
