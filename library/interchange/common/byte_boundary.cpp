// Byte-boundary widening; see byte_boundary.h.
#include "interchange/common/byte_boundary.h"

#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/status.h"

int IpiWidenToByteBoundary(IpiSystem* sys, IpiObject* image) {
  if (IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) == 0 || image->fields.data_precision != 1) {
    return kIpiNoError;
  }
  const int64_t width_px = image->fields.dimension[kDimX];
  const int64_t widened_px = (width_px + 7) / 8 * 8;
  if (widened_px == width_px) return kIpiNoError;
  if (widened_px > kMaxDimension) return IpiRefuse(sys, kIpiExceedImplementation);
  return IpiSetAttribute(sys, image, "xDimension", static_cast<intptr_t>(widened_px));
}
