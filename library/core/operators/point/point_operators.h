// Operators that map each pixel on its own: inversion, solarization, the
// blend of two images, gamma correction and brightness and contrast. Gamma and
// brightness/contrast build a table of 256 entries and apply it.
#ifndef PELRITH_CORE_OPERATORS_POINT_POINT_OPERATORS_H_
#define PELRITH_CORE_OPERATORS_POINT_POINT_OPERATORS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Rules of the gamma table.
inline constexpr int32_t kGammaForward = 242;
inline constexpr int32_t kGammaInverse = 243;

// 8-bit (153): 255 - v. Bitmap (18): every bit complemented, each image in its
// own bit order. 10 unless both are 8-bit 153 or both 1-bit 18; 12 for a
// bitmap without a known bit order.
int IpiInvert(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// 0..127 stay, 128..255 become 255 - v. Both 8-bit 153, else 10.
int IpiSolarize(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// (s1 x w1 + s2 x w2 + 128) >> 8 with w1 = r x 256 truncated and w2 = 256 - w1,
// so the weights always sum to 256 and white blended with white stays white.
// 18 for a ratio outside 0..1 (or NaN); all three 8-bit 153, else 10.
int IpiBlend(IpiSystem* sys, IpiObject* source1, IpiObject* source2, IpiObject* destination, double ratio);

// IpiApplyGammaTable when both images are dataType 153 (then 10 unless both
// are stored in 8 bits); with any other dataType nothing is done and 0 returned.
int IpiGammaCorrect(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, double a, double b,
                    double c, double d, double e);
// For k = 0..255, x = k / 255:
//   242  f = d x when x < e, else a x^b + c
//   243  f = x / d when x < d e, else ((x - c) / a)^(1 / b)
// entry = 255 f + 0.5 limited to 0..255 and truncated (NaN gives 0), applied
// from source to destination. 18 for another rule.
int IpiApplyGammaTable(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, double a,
                       double b, double c, double d, double e);

// Builds the brightness and contrast table in a LookupTable object and applies
// it: 10 unless both images are 8-bit 153.
int IpiBrightnessContrast(IpiSystem* sys, IpiObject* source, IpiObject* destination, double brightness,
                          double contrast);
// A two-piece power curve through the pivot (P, Q) = (0.5 - 0.2 b, 0.5 + 0.2 b)
// with slope K = c + 1 there: for entry i of N (the table's "xDimension"),
// x = i / (N - 1), the entry is (N - 1) M1 x^E1 for x < P and
// (N - 1) (1 + M2 (1 - x)^E2) from P on (E1 = K P / Q, E2 = K Q / P,
// M1 = Q P^-E1, M2 = -P Q^-E2), truncated toward zero after adding 1e-9
// (which only lifts values a rounding step below a whole number) and limited
// to 0..255. The end entries come from the pieces at x = 0 and x = 1, so with
// b = c = 0 the table is the identity. Every band's run of the table gets the
// same entries. 10 unless the table is 8-bit 153; 18 for fewer than 2 entries
// or no band.
int IpiBuildBrightnessContrastTable(IpiSystem* sys, IpiObject* table, double brightness, double contrast);

#endif  // PELRITH_CORE_OPERATORS_POINT_POINT_OPERATORS_H_
