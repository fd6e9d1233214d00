// The neighbourhood filters over the caller's rows: no image object, no
// whole-page intermediate. 8-bit rows are the filter's source rows as they
// lie in the caller's bitmap; 24-bit rows are split into their three sample
// lines as each row enters the filter's window, so only the window's rows
// are held. Results go straight into the rows of the bitmap returned.
#ifndef PELRITH_API_FILTERS_STREAMED_FILTER_H_
#define PELRITH_API_FILTERS_STREAMED_FILTER_H_

#include "api/filters/neighbourhood_filter.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"

// Plain (not run-length coded) 8- and 24-bit rows.
[[nodiscard]] bool CanStreamFilter(const PackedBitmapInfo& info);

// The filter of `request` on the rectangle of the locked source (windows
// mirrored at the rectangle's edges, everything outside it copied), as a new
// packed bitmap; closes the call. 0 with the status set on failure.
[[nodiscard]] HGLOBAL StreamNeighbourhoodFilter(CmiCall& call, const CmiSource& source, const CmiRectangle& rect,
                                                const FilterRequest& request);

#endif  // PELRITH_API_FILTERS_STREAMED_FILTER_H_
