// Flips and turns of a whole caller bitmap made straight from its stored rows
// into the one bitmap that is returned: no image objects, no intermediate
// copy of the page. The result is byte for byte what the object road gives
// (a 40-byte header without resolution, the full colour table, zero padding).
// Internal to this folder.
#ifndef PELRITH_API_GEOMETRY_PACKED_TURNS_H_
#define PELRITH_API_GEOMETRY_PACKED_TURNS_H_

#include <cstdint>

#include "Pelrith.h"
#include "api/frame/call_frame.h"

// Whether MovePackedRows takes `source`: plain rows of 1, 4, 8 or 24 bits.
// Run-length rows go through the image objects.
[[nodiscard]] bool CanMovePackedRows(const CmiSource& source);

// `source` flipped or turned by `code` (geometry_codes.h, in the picture's
// order, top row first) as a new handle; 0 with the call's status -1 when the
// result cannot be allocated.
[[nodiscard]] HGLOBAL MovePackedRows(CmiCall& call, const CmiSource& source, int32_t code);

#endif  // PELRITH_API_GEOMETRY_PACKED_TURNS_H_
