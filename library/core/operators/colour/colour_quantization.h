// Colour quantization: a three-band 8-bit image becomes one band of palette
// indices plus a colour table of three runs (red, green, blue, "xDimension"
// entries each), by a popularity palette over a colour histogram or by a
// fixed uniform palette.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_COLOUR_QUANTIZATION_H_
#define PELRITH_CORE_OPERATORS_COLOUR_COLOUR_QUANTIZATION_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// "colourQuantization" methods.
inline constexpr int32_t kQuantizeByHistogram = 158;
inline constexpr int32_t kQuantizeUniform = 211;

// Reads the level counts (L0, L1, L2) for red, green and blue from the tuple
// (each 2..256, else 18) and runs the system's "colourQuantization" method:
// 158 with K = L0 x L1 x L2 colours (see IpiQuantizeByHistogram), 211 with
// the levels; 12 for any other. Method 211 fills entry (k L1 + j) L0 + i with
// (i s0, j s1, k s2), s = 255 / (L - 1), and maps an element to
// min(b / s2, L2 - 1) L0 L1 + min(g / s1, L1 - 1) L0 + min(r / s0, L0 - 1):
// an index never passes K - 1, whatever the levels.
int IpiQuantizeColours(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                       IpiObject* levels);

// Method 158. Colours fall into 4096 cells (q(v) = (v + 8) / 17 per
// component; the cell's colour is 17 q). Cells become palette entries by
// popularity with falling thresholds until `colours` entries are chosen or
// every counted element has a cell in the palette; every other element takes
// the nearest palette entry (squared distance; a tie goes to the lower
// index). Entries past the palette keep their values. Nothing is chosen when
// no element passes the regions.
// Also the checks both methods share: 10 unless all three objects are 8-bit
// dataType 153; 8 for a source or table of fewer than 3 bands; 18 for a
// number of colours below 1 or above the table's entries or 256 (a byte
// index cannot name more).
int IpiQuantizeByHistogram(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                           int64_t colours);

#endif  // PELRITH_CORE_OPERATORS_COLOUR_COLOUR_QUANTIZATION_H_
