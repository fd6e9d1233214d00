// Histogram equalization: the histogram of the source, a table of 256 entries
// built from its cumulative distribution by one of five rules, and that table
// applied to the source.
#ifndef PELRITH_CORE_OPERATORS_POINT_EQUALIZATION_H_
#define PELRITH_CORE_OPERATORS_POINT_EQUALIZATION_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/point/typed_value.h"
#include "core/system/system.h"

// Rules of the equalization table.
inline constexpr int32_t kEqualizeUniform = 211;
inline constexpr int32_t kEqualizeCubeRoot = 43;
inline constexpr int32_t kEqualizeLogarithmic = 125;
inline constexpr int32_t kEqualizeExponential = 78;
inline constexpr int32_t kEqualizeRayleigh = 244;

// IpiHistogramToArray, IpiBuildEqualizeTable and IpiApplyTableArray in turn;
// the first error ends it.
int IpiEqualize(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, IpiTypedValue lower,
                IpiTypedValue upper, double parameter);

// The 256-bin histogram of the source (IpiComputeHistogram) in `counts`.
int IpiHistogramToArray(IpiSystem* sys, IpiObject* source, uint32_t counts[256]);

// With c(k) the cumulative share of the counts up to k (0 when there are no
// counts), L and U the bounds and a the parameter, entry k is
//   211  (U - L) c + L + 0.5
//   43   ((U^(1/3) - L^(1/3)) c + L^(1/3))^3 + 0.5
//   125  L (U / L)^c + 0.5 (L > 0)
//   78   L - ln(1 - c) / a
//   244  L + sqrt(2 a^2 ln(1 / (1 - c)))
// truncated toward zero and limited to 0..255 (NaN gives 0). Rules 78 and 244
// give U where 1 - c is 0 (the highest occupied value and above). 18 for
// another rule, or rule 125 with L <= 0; nothing is written then.
int IpiBuildEqualizeTable(IpiSystem* sys, const uint32_t counts[256], uint8_t table[256], int32_t rule,
                          IpiTypedValue lower, IpiTypedValue upper, double parameter);

// destination = table[source] (IpiApplyLookupTable with these 256 entries).
int IpiApplyTableArray(IpiSystem* sys, IpiObject* source, IpiObject* destination, const uint8_t table[256]);

#endif  // PELRITH_CORE_OPERATORS_POINT_EQUALIZATION_H_
