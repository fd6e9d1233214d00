// The weighted filter: each element becomes a x p + b x W + c, p the source
// element and W the kernel's window sum there (emboss and sharpen are built
// on it).
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_WEIGHTED_FILTER_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_WEIGHTED_FILTER_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// W is the integer window sum divided by the kernel's "scaleFactor" and
// rounded half away from zero (IpiKernelSumInt, boundary by the system's
// "boundaryCondition"); the result is computed in doubles, truncated toward
// zero and clipped to 0..255. Source and destination 8-bit dataType 153,
// kernel dataType 174 with odd sides of at most 15. Refusals, before anything
// is written: 16 an even side, 3 a side above 15, 10 a data type, 18 a
// "scaleFactor" of 0.
int IpiWeightedFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel, double a,
                      double b, double c);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_WEIGHTED_FILTER_H_
