// Colour-mode conversions: a three-band colour image reduced to grey by the
// luminance weights of its "colourSpace", and an indexed image (8-bit indices
// or a bitmap) expanded through a colour table into three 8-bit bands.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_
#define PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// "colourSpace" codes that carry a set of luminance weights.
inline constexpr int32_t kFirstLuminanceColourSpace = 118;
inline constexpr int32_t kLastLuminanceColourSpace = 122;
// The colour space the entry points set on an RGB image before reducing it to grey.
inline constexpr int32_t kColourSpaceEntryPointRgb = 121;

// Bands 0, 1, 2 (red, green, blue) of the source become one band: (r x w0 +
// g x w1 + b x w2 + 16384) >> 15 with the Q15 weights of the source's
// "colourSpace". 12 for a colour space without weights (checked first), 10
// unless both are 8-bit dataType 153, 8 for a source of fewer than 3 bands.
int IpiColourToMonochrome(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// Each source element (an 8-bit index, or a bit of a bitmap: 1 set, 0 clear)
// picks entry i of the table's three runs of "xDimension" entries (element 0,
// xDimension, 2 x xDimension) for destination bands 0, 1, 2. 9 for a dead
// destination; 10 unless the source is 18 or 8-bit 153 and the destination
// and table are 8-bit 153; 8 for a destination of fewer than 3 bands, a table
// of fewer than 3 bands, or a table with fewer entries than the source's
// precision can index. `reserved` is not read (callers pass 0).
int IpiConvertImageType(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                        int32_t reserved);

#endif  // PELRITH_CORE_OPERATORS_COLOUR_COLOUR_CONVERSION_H_
