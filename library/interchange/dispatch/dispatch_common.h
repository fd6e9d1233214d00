// Small helpers shared by the write and read fronts of the dispatch.
#ifndef PELRITH_INTERCHANGE_DISPATCH_DISPATCH_COMMON_H_
#define PELRITH_INTERCHANGE_DISPATCH_DISPATCH_COMMON_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Reports `code` and returns it.
inline int IpiRefuse(IpiSystem* sys, int code) {
  IpiReportError(sys, code);
  return code;
}

// 0 when `obj` is live; else 24 for a context that is not open, 9 otherwise
// (reported by the check).
[[nodiscard]] int IpiRequireLive(IpiSystem* sys, IpiObject* obj);

[[nodiscard]] inline bool IpiIsCompositeArray(const IpiObject& obj) {
  return obj.object_class == &kCompositeIdArrayClass;
}

// Entry 0 of a composite array, or null with the error reported: 9 when the
// array has no entries or entry 0 holds no live object.
[[nodiscard]] IpiObject* IpiFirstCompositeEntry(IpiSystem* sys, IpiObject* array);

// With the system's "byteBoundary" on, a 1-bit image's "xDimension" is
// rounded up to a multiple of 8 (rows of whole bytes); other images are left
// as they are. 0, or 3 when the widened extent passes the largest one.
[[nodiscard]] int IpiWidenToByteBoundary(IpiSystem* sys, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_DISPATCH_DISPATCH_COMMON_H_
