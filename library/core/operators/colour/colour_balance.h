// Colour balance: each of the three bands of an 8-bit colour image shifted by
// its own amount.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_COLOUR_BALANCE_H_
#define PELRITH_CORE_OPERATORS_COLOUR_COLOUR_BALANCE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Band k (0 red, 1 green, 2 blue) gains d_k = |shift_k| x 2.55 + 0.5,
// truncated, at most 255, with the sign of shift_k (shifts are percentages,
// normally -100..100), and is limited to 0..255. Bands are read from and
// written to the same band index; match points move x, y, z and t only.
// 10 unless both images are 8-bit dataType 153; 8 for fewer than 3 bands.
int IpiColourBalance(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t shift0, int32_t shift1,
                     int32_t shift2);

#endif  // PELRITH_CORE_OPERATORS_COLOUR_COLOUR_BALANCE_H_
