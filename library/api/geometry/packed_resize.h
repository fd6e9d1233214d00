// Resizing a caller's packed bitmap without whole-page intermediates: the
// source rows are read in place, and the result rows are written straight
// into the one handle returned, by the core's resampling row kernels. Rows
// are stored bottom-up, which only changes where a row is: positions are
// computed in picture rows (top first), exactly as the image operator
// computes them. Internal to this folder.
#ifndef PELRITH_API_GEOMETRY_PACKED_RESIZE_H_
#define PELRITH_API_GEOMETRY_PACKED_RESIZE_H_

#include <cstdint>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/packed_bitmap.h"

// Whether the in-place path takes a bitmap and an interpolation (the
// library's code): plain rows of 8 or 24 bits, nearest neighbour or bilinear.
// Every other case keeps the road through image objects.
[[nodiscard]] bool CanResizeInPlace(const PackedBitmapInfo& info, int32_t interpolation);

// The source resized to width x height (both checked by the caller) as a new
// packed bitmap: the header and colour table the export writes, the rows the
// resampling operator makes. Closes the call; 0 with its status set when the
// handle cannot be had (-1) or the close fails.
[[nodiscard]] HGLOBAL ResizeInPlace(CmiCall& call, const CmiSource& source, int64_t width, int64_t height,
                                    int32_t interpolation);

#endif  // PELRITH_API_GEOMETRY_PACKED_RESIZE_H_
