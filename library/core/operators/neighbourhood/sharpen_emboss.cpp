// Emboss and sharpen: a kernel object made for the call (deleted on every
// path) and one weighted filter pass.
#include "core/operators/neighbourhood/sharpen_emboss.h"

#include <iterator>

#include "core/codes.h"
#include "core/objects/scoped_object.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/neighbourhood/weighted_filter.h"
#include "core/status.h"

namespace {

constexpr int32_t kSide = 3;
constexpr int32_t kIntegerCellBits = 16;

int FilterWith(IpiSystem* sys, IpiObject* source, IpiObject* destination, const WeightedKernel3x3& fixed) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  ScopedObject kernel(sys, IpiMakeKernel3x3(sys, fixed.kernel.weights, fixed.kernel.scale_factor));
  if (!kernel) return IpiGetLastError(sys);
  return IpiWeightedFilter(sys, source, destination, kernel.get(), fixed.a, fixed.b, fixed.c);
}

}  // namespace

IpiObject* IpiMakeKernel3x3(IpiSystem* sys, const int16_t weights[9], int32_t scale_factor) {
  const IpiAttribute shape[] = {{"xDimension", kSide},
                                {"yDimension", kSide},
                                {"dataType", kDataTypeSigned},
                                {"dataPrecision", kIntegerCellBits},
                                {"scaleFactor", scale_factor},
                                {"repository", kRepositoryGlobalBlock}};
  ScopedObject kernel(sys, IpiCreateObject(sys, nullptr, &kImpulseResponseArrayClass, nullptr, shape,
                                           static_cast<int>(std::size(shape))));
  if (!kernel) return nullptr;
  if (WriteCellsToEveryPlane(sys, kernel.get(), weights, sizeof(int16_t)) != 0) return nullptr;
  return kernel.release();
}

int IpiEmboss(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  return FilterWith(sys, source, destination, kEmbossKernel);
}

int IpiSharpen(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  return FilterWith(sys, source, destination, kSharpenKernel);
}
