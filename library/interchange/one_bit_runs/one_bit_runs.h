// Compression 217 on objects: the rows of a boolean image to and from the
// coded bytes of a compressed object (one_bit_run_stream.h has the code).
// Both work over the region the two objects share by their match points and
// code every z, t and b plane of it in turn, each starting with a raw row.
#ifndef PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUNS_H_
#define PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUNS_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Codes `image` into `coded` from its byte 0 and sets the coded "size".
// 10 unless both have dataType 18 (and the image 1 bit per element); 18 for
// an empty region; 8 when a coded object that is not a file cannot hold the
// code (the coded bits must stay below its element count).
[[nodiscard]] int EncodeOneBitRuns(IpiSystem* sys, IpiObject* image, IpiObject* coded);
// Decodes the "size" coded bytes of `coded` into the rows of `image`. Rows
// after the end of the code are unset. 10 as above; 18 for an empty region;
// 22 for malformed code, with the rows before it kept.
[[nodiscard]] int DecodeOneBitRuns(IpiSystem* sys, IpiObject* coded, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUNS_H_
