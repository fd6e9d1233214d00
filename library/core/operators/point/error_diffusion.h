// Error diffusion with the Floyd-Steinberg weights 7, 3, 5, 1 over 16, to a
// bitmap or to a number of levels per band.
#ifndef PELRITH_CORE_OPERATORS_POINT_ERROR_DIFFUSION_H_
#define PELRITH_CORE_OPERATORS_POINT_ERROR_DIFFUSION_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// The only "errorDiffusion" method of the system.
inline constexpr int32_t kErrorDiffusionFloydSteinberg = 85;

// Rows top to bottom, each left to right. For a sample v at source (sx, sy):
// v' = v + e with e the error gathered for that place divided by 16
// (truncated toward zero); a bitmap (18) sets the bit, in its own bit order,
// where 2 v' > 2^P (output M = 2^P - 1, else 0); levels (153, L_b per source
// band in 2..M + 1, step = M / (L_b - 1)) round v' (limited to 0..M) to the
// nearer level, a tie downwards. The error v' - output goes 7 to the right,
// 3, 5, 1 to the lower left, below and lower right, never past the source's
// edges. The error rows start at zero for every plane (b, t, z).
// 12 unless the system's "errorDiffusion" is 85; else 10 for other data
// types, 18 for levels outside 2..M + 1, 12 for a bitmap without a known bit
// order. The levels tuple is not read for a bitmap destination.
int IpiErrorDiffusion(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* levels);

#endif  // PELRITH_CORE_OPERATORS_POINT_ERROR_DIFFUSION_H_
