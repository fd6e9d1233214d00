// Counting the sample values of an 8-bit image into the bins of a Histogram.
#ifndef PELRITH_CORE_OPERATORS_POINT_HISTOGRAM_H_
#define PELRITH_CORE_OPERATORS_POINT_HISTOGRAM_H_

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int kMaxHistogramBins = 256;

// Every band of the source counts into the same N = "xDimension" bins of the
// histogram (32-bit counts in host byte order), where the source's region of
// interest allows; match points play no part. Bin width w = 255 / (N - 1):
// value v counts in bin v / w, and values past the last bin count in it (for
// N = 100, w is 2 and 200..255 land in bin 99). 18 for N outside 2..256; 10
// unless the source is 8-bit dataType 153 and the histogram 32-bit dataType 175.
int IpiComputeHistogram(IpiSystem* sys, IpiObject* source, IpiObject* histogram);

#endif  // PELRITH_CORE_OPERATORS_POINT_HISTOGRAM_H_
