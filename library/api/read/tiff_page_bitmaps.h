// TIFF pages read straight into new packed bitmaps: each page decoded into
// the rows of the bitmap that is returned, one allocation a page, with no
// image object in between. Pages of other shapes, and files the straight
// road meets a fault in, are left to the object road, which reads them as it
// always has (and reports the fault with its own status).
#ifndef PELRITH_API_READ_TIFF_PAGE_BITMAPS_H_
#define PELRITH_API_READ_TIFF_PAGE_BITMAPS_H_

#include <cstdint>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/read/image_file.h"
#include "api/read/made_handles.h"

// Reads `count` pages from page `first_index` on (pages the file was
// counted to hold) and adds a new bitmap for each to `made`; true then. The
// road takes pages of 1, 4 or 8 bits with zero as white or black or a
// colour map, and RGB pages of 8-bit samples, plain, fax-coded or PackBits.
// False, with nothing made and the call's status untouched, when any page
// is of another shape or anything fails on the way.
[[nodiscard]] bool ReadTiffPagesStraight(CmiCall& call, const CmiImageFile& file, int32_t first_index, int64_t count,
                                         MadeHandles& made);

#endif  // PELRITH_API_READ_TIFF_PAGE_BITMAPS_H_
