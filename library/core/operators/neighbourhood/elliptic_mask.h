// The elliptic region the spherize warp works on, painted into an image.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_ELLIPTIC_MASK_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_ELLIPTIC_MASK_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int32_t kSpherizeEllipse = 210;

// Sets every element (x, y) of every plane of an 8-bit dataType 153 image to
// 255 where 4 (x - cx)^2 / W^2 + 4 (y - cy)^2 / H^2 <= 1, in doubles; other
// elements keep their value. (cx, cy) are the first two entries of `centre`,
// (W, H) of `size` (tuples of 32-bit words). A shape other than 210 changes
// nothing and is no error. Refusals, before anything is written: 10 an image
// of another data type, 18 a size of 0 (no ellipse), and the tuple's own
// errors.
int IpiSpherizeMap(IpiSystem* sys, IpiObject* image, int32_t shape, IpiObject* centre, IpiObject* size);

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_ELLIPTIC_MASK_H_
