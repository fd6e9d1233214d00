// Helpers of the dispatch fronts; see dispatch_common.h.
#include "interchange/dispatch/dispatch_common.h"

#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"

int IpiRequireLive(IpiSystem* sys, IpiObject* obj) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, obj) == nullptr) return kIpiInvalidInstance;
  return kIpiNoError;
}

IpiObject* IpiFirstCompositeEntry(IpiSystem* sys, IpiObject* array) {
  if (array->fields.dimension[kDimX] < 1) {
    IpiReportError(sys, kIpiInvalidInstance);
    return nullptr;
  }
  return IpiGetCompositeElement(sys, array, 0);
}

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
