// Gradient filter on the operator frame, and the edge kernels. The filter
// only needs |g| up to 256: any larger magnitude saturates the result at 255
// in both modes, so KernelRows::Magnitudes may hold it there.
#include "core/operators/neighbourhood/gradient_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/neighbourhood/filter_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr int16_t kEdgeWeight = 2;

// The weight of cell (column i, row j) of an X x Y edge kernel: +2 before the
// centre line, 0 on it, -2 after it, across columns (101) or rows (218, with
// the signs the other way round).
int16_t EdgeWeight(int32_t code, int64_t i, int64_t j, int64_t width, int64_t height) {
  if (code == kEdgeKernelHorizontal) {
    const int64_t centre = (width - 1) / 2;
    return i < centre ? kEdgeWeight : i == centre ? int16_t{0} : static_cast<int16_t>(-kEdgeWeight);
  }
  const int64_t centre = (height - 1) / 2;
  return j < centre ? static_cast<int16_t>(-kEdgeWeight) : j == centre ? int16_t{0} : kEdgeWeight;
}

}  // namespace

int IpiGradientFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel1,
                      IpiObject* kernel2, int32_t mode) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (mode != kGradientSumOfMagnitudes && mode != kGradientEuclidean) return IpiRefuse(sys, kIpiOutOfRange);
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  WindowShape shape;
  WindowShape shape2;
  IPI_RETURN_IF_ERROR(CheckWindowShape(sys, kernel1, WindowLimit::kFilter, &shape));
  IPI_RETURN_IF_ERROR(CheckWindowShape(sys, kernel2, WindowLimit::kFilter, &shape2));
  // Both kernels are read over kernel 1's window: a kernel 2 of other sides
  // would be read out of step (or past its end), so it is refused.
  if (shape2.width != shape.width || shape2.height != shape.height) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(RequireByteImages(sys, source, destination));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, kernel1, kDataTypeSigned));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, kernel2, kDataTypeSigned));
  const int64_t divisor = kernel1->fields.scale_factor;
  if (divisor == 0) return IpiRefuse(sys, kIpiOutOfRange);
  std::vector<int16_t> weights1;
  std::vector<int16_t> weights2;
  IPI_RETURN_IF_ERROR(ReadIntegerCells(sys, kernel1, shape, weights1));
  IPI_RETURN_IF_ERROR(ReadIntegerCells(sys, kernel2, shape, weights2));
  return RunFilterRows(sys, source, destination, GradientRows(shape, weights1, weights2, divisor, mode));
}

std::vector<int16_t> EdgeKernelWeights(int32_t code, int64_t width, int64_t height) {
  std::vector<int16_t> weights(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int64_t j = 0; j < height; ++j) {
    for (int64_t i = 0; i < width; ++i) {
      weights[static_cast<size_t>(j * width + i)] = EdgeWeight(code, i, j, width, height);
    }
  }
  return weights;
}

int64_t EdgeKernelScale(int32_t code, int64_t width, int64_t height) {
  return code == kEdgeKernelHorizontal ? height * (width - 1) : (height - 1) * width;
}

int IpiMakeEdgeKernel(IpiSystem* sys, IpiObject* array, int32_t code) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, array) == nullptr) return IpiGetLastError(sys);
  if (code != kEdgeKernelHorizontal && code != kEdgeKernelVertical) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(RequireDataType(sys, array, {kDataTypeSigned, kDataTypeReal}));
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, array, &bits));  // also refuses sizes beyond the limits
  const int64_t width = array->fields.dimension[kDimX];
  const int64_t height = array->fields.dimension[kDimY];
  const int64_t scale = EdgeKernelScale(code, width, height);
  if (width < 1 || height < 1 || scale == 0) return IpiRefuse(sys, kIpiOutOfRange);

  const std::vector<int16_t> weights = EdgeKernelWeights(code, width, height);
  if (array->fields.data_type == kDataTypeSigned) {
    IPI_RETURN_IF_ERROR(WriteCellsToEveryPlane(sys, array, weights.data(), sizeof(int16_t)));
    return IpiSetAttribute(sys, array, "scaleFactor", static_cast<intptr_t>(scale));
  }
  std::vector<float> reals(weights.size());
  for (size_t i = 0; i < weights.size(); ++i) {
    reals[i] = static_cast<float>(weights[i]) / static_cast<float>(scale);
  }
  return WriteCellsToEveryPlane(sys, array, reals.data(), sizeof(float));
}
