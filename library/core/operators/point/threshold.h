// Thresholding an 8-bit image against one value into a bitmap or a
// two-valued 8-bit image.
#ifndef PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_
#define PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_

#include <cstdint>

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

// The bitmap kernel of the operator, for callers that hold rows of their own.
// The bit a sample takes: set at or above `first_above` when `is_above_set`,
// below it when `is_below_set`. Without a threshold inside 1..255 every
// sample takes the same bit, which the word loop reads as a comparison that
// always holds with both outcomes alike.
struct ThresholdBitRule {
  uint8_t first_above = 0;  // 1..255 when the two outcomes differ
  bool is_above_set = false;
  bool is_below_set = false;

  uint8_t BitOf(uint8_t sample) const { return (sample >= first_above ? is_above_set : is_below_set) ? 1 : 0; }
};
// The rule of threshold `t` (the truncated value) with a set bit below it
// and / or at or above it.
[[nodiscard]] ThresholdBitRule ThresholdBitRuleFor(int32_t t, bool is_below_set, bool is_above_set);
// The bits of `count` samples, most significant first, into whole bytes from
// bits[0]; the bits of the last byte past `count` are 0.
void ThresholdRowToBits(const uint8_t* samples, int64_t count, const ThresholdBitRule& rule, uint8_t* bits);

#endif  // PELRITH_CORE_OPERATORS_POINT_THRESHOLD_H_
