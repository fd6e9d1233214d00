// IpiWeightedFilter on the operator frame: its checks, then the row kernel of
// filter_rows.h.
#include "core/operators/neighbourhood/weighted_filter.h"

#include <vector>

#include "core/codes.h"
#include "core/operators/neighbourhood/filter_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

int IpiWeightedFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel, double a,
                      double b, double c) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  WindowShape shape;
  IPI_RETURN_IF_ERROR(CheckWindowShape(sys, kernel, WindowLimit::kFilter, &shape));
  IPI_RETURN_IF_ERROR(RequireByteImages(sys, source, destination));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, kernel, kDataTypeSigned));
  const int64_t divisor = kernel->fields.scale_factor;
  if (divisor == 0) return IpiRefuse(sys, kIpiOutOfRange);  // no quotient to take
  std::vector<int16_t> weights;
  IPI_RETURN_IF_ERROR(ReadIntegerCells(sys, kernel, shape, weights));
  return RunFilterRows(sys, source, destination, WeightedRows(shape, weights, divisor, a, b, c));
}
