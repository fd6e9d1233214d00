// Thresholding an 8-bit image against one value into a bitmap or a
// two-valued 8-bit image.
#ifndef PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_
#define PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_

#include "core/objects/object.h"
#include "core/operators/point/typed_value.h"
#include "core/system/system.h"

// Each sample below the threshold T takes the value A (`below`), every other
// sample B (`above`). A bitmap destination (dataType 18) gets a set bit where
// that value is non-zero, placed by its own bit order; an 8-bit destination
// (153) gets the value itself. The values are integers (a real is truncated
// toward zero) limited to 0..255, so 256 never wraps to 0 nor -1 to 255; the
// threshold is compared as given, so T <= 0 puts every sample at or above it
// and T >= 256 puts every sample below. 10 for other data types, 12 for a
// bitmap without a known bit order.
int IpiThreshold(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiTypedValue threshold,
                 IpiTypedValue below, IpiTypedValue above);

#endif  // PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_
