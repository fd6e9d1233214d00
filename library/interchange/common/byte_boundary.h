// Widening of bilevel images to whole bytes, shared by the readers and the
// write front.
#ifndef PELRITH_INTERCHANGE_COMMON_BYTE_BOUNDARY_H_
#define PELRITH_INTERCHANGE_COMMON_BYTE_BOUNDARY_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// With the system's "byteBoundary" on, a 1-bit image's "xDimension" is
// rounded up to a multiple of 8 (rows of whole bytes); other images are left
// as they are. 0, or 3 when the widened extent passes the largest one.
[[nodiscard]] int IpiWidenToByteBoundary(IpiSystem* sys, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_COMMON_BYTE_BOUNDARY_H_
