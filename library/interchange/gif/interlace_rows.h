// Whole rows between sequential order and the four-pass interlaced order of
// interlaced GIF images: pass 1 takes rows 0, 8, 16, ...; pass 2 rows 4, 12,
// ...; pass 3 rows 2, 6, ...; pass 4 rows 1, 3, 5, .... The k-th row of the
// interlaced sequence is the k-th row stored.
#ifndef PELRITH_INTERCHANGE_GIF_INTERLACE_ROWS_H_
#define PELRITH_INTERCHANGE_GIF_INTERLACE_ROWS_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

// The interlaced order of `rows` rows: element k is the sequential row that
// stands k-th in the interlaced sequence. A pass whose start row is not
// below `rows` is empty.
[[nodiscard]] std::vector<int64_t> InterlacedRowOrder(int64_t rows);

// Target row k = image row InterlacedRowOrder(k) (the write road of an
// interlaced GIF image).
[[nodiscard]] int InterlaceRows(IpiSystem* sys, IpiObject* image, IpiObject* target);
// Image row InterlacedRowOrder(k) = decoded row k (the read road).
//
// Both copy only the region the two objects share: per dimension, with the
// match points when the system's "matchPointState" is on, from
// max(0, target match point - source match point) to the smaller end; plane
// by plane (b, t, z); the rows of that region are reordered among themselves.
// Boolean rows (dataType 18) are copied bit-exactly through each object's own
// bit order, so rows may start inside a byte and the two bit orders may
// differ; dataType 153 rows are copied bytewise. Rows are written in
// increasing order, bits of the target outside the region keep their values.
// Codes: 10 unless both are 18 or both 153 with the same stored element size;
// 9 for an object that is not live; the stream layer's errors.
[[nodiscard]] int DeinterlaceRows(IpiSystem* sys, IpiObject* decoded, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_GIF_INTERLACE_ROWS_H_
