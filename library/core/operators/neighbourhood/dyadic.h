// Element-by-element combination of two 8-bit images into a third.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_DYADIC_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_DYADIC_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Operation codes of IpiCalculate (A the first source, B the second).
inline constexpr int32_t kCalculateAbsoluteDifference = 5;  // |A - B|
inline constexpr int32_t kCalculateAdd = 7;                 // A + B, at most 255
inline constexpr int32_t kCalculateAverage = 8;             // (A + B) / 2, rounded down
inline constexpr int32_t kCalculateDivide = 47;             // A / B; B = 0 leaves the element as it was
inline constexpr int32_t kCalculateAnd = 126;
inline constexpr int32_t kCalculateNand = 127;
inline constexpr int32_t kCalculateNor = 128;
inline constexpr int32_t kCalculateOr = 130;
inline constexpr int32_t kCalculateXor = 131;
inline constexpr int32_t kCalculateMaximum = 141;
inline constexpr int32_t kCalculateMinimum = 146;
inline constexpr int32_t kCalculateMultiply = 151;          // A x B, at most 255
inline constexpr int32_t kCalculateSubtract = 185;          // A - B, at least 0
inline constexpr int32_t kCalculateHalfDifference = 190;    // (A - B) >> 1, at least 0

// Combines the sources where both overlap the destination by their match
// points, gated by the regions of interest of all three. The sources and the
// destination must be 8-bit dataType 153 (10 otherwise, nothing written). An
// operation code not listed above leaves the destination as it was and is no
// error.
int IpiCalculate(IpiSystem* sys, IpiObject* first, IpiObject* second, IpiObject* destination, int32_t operation);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_DYADIC_H_
