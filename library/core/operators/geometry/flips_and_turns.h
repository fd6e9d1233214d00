// Flips and quarter turns: the elements of one image moved into another
// without resampling, for 1-bit (either bit order) and byte images. Codes are
// in the order of the objects' rows (row 0 is the first row of the data); see
// geometry_codes.h. The destination is never created, sized or cleared:
// elements with no source keep what they held.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_FLIPS_AND_TURNS_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_FLIPS_AND_TURNS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// 208, 117 and 1 go to IpiFlipImage, 3 and 2 to IpiTurnImage; any other code
// leaves both images alone and gives 12.
int IpiFlipOrTurn(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code);
// 208 rows reversed, 117 columns reversed, 1 both (a half turn); else 12.
int IpiFlipImage(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code);
// 3: the source's right column, top to bottom, becomes destination row 0;
// 2: its left column, bottom to top, does. Else 12.
int IpiTurnImage(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code);

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_FLIPS_AND_TURNS_H_
