// Convolution on the operator frame with a windowed source, and the
// per-element window sums. The operator computes whole rows through
// KernelRows; the per-element sums are the definition it is held to.
#include "core/operators/neighbourhood/convolution.h"

#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/operators/neighbourhood/filter_rows.h"
#include "core/operators/neighbourhood/kernel_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

// Walks the window of element (x, y) under the boundary rule and calls
// add(sample, weight) for every cell that takes part. False when the window
// leaves the image under a rule that makes the sum 0.
template <typename Weight, typename Add>
bool WalkWindow(const uint8_t* const* rows, const Weight* const* kernel_rows, int32_t boundary_condition,
                int64_t x, int64_t y, int64_t width, int64_t height, int32_t kernel_width, int32_t kernel_height,
                Add add) {
  const int64_t h = kernel_height / 2;
  const int64_t w = kernel_width / 2;
  const bool inside = y - h >= 0 && y + h < height && x - w >= 0 && x + w < width;
  const Boundary boundary = inside ? Boundary::kClip : BoundaryFromCode(boundary_condition);
  if (boundary == Boundary::kZeroWindow) return false;
  for (int64_t r = -h; r <= h; ++r) {
    int64_t yy = y + r;
    if (yy < 0 || yy >= height) {
      if (boundary != Boundary::kMirror) continue;
      yy = FoldIndex(yy, height);
    }
    const uint8_t* row = rows[yy - y];
    for (int64_t c = -w; c <= w; ++c) {
      const Weight weight = kernel_rows[r][c];
      if (weight == 0) continue;
      int64_t xx = x + c;
      if (xx < 0 || xx >= width) {
        if (boundary != Boundary::kMirror) continue;
        xx = FoldIndex(xx, width);
      }
      add(row[xx], weight);
    }
  }
  return true;
}

}  // namespace

int32_t IpiKernelSumInt(const uint8_t* const* rows, const int16_t* const* kernel_rows, int32_t boundary_condition,
                        int64_t x, int64_t y, int64_t width, int64_t height, int32_t kernel_width,
                        int32_t kernel_height, int64_t divisor) {
  if (divisor == 0) return 0;
  int64_t sum = 0;
  if (!WalkWindow(rows, kernel_rows, boundary_condition, x, y, width, height, kernel_width, kernel_height,
                  [&sum](uint8_t sample, int16_t weight) { sum += int64_t{weight} * sample; })) {
    return 0;
  }
  return SaturateToInt32(RoundDivide(sum, divisor));
}

int32_t IpiKernelSumReal(const uint8_t* const* rows, const float* const* kernel_rows, int32_t boundary_condition,
                         int64_t x, int64_t y, int64_t width, int64_t height, int32_t kernel_width,
                         int32_t kernel_height) {
  double sum = 0.0;
  if (!WalkWindow(rows, kernel_rows, boundary_condition, x, y, width, height, kernel_width, kernel_height,
                  [&sum](uint8_t sample, float weight) { sum += static_cast<double>(weight) * sample; })) {
    return 0;
  }
  return RoundRealSum(sum);
}

int IpiConvolve(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* kernel) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  WindowShape shape;
  IPI_RETURN_IF_ERROR(CheckWindowShape(sys, kernel, WindowLimit::kConvolution, &shape));
  IPI_RETURN_IF_ERROR(RequireByteImages(sys, source, destination));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, kernel, {kDataTypeSigned, kDataTypeReal}));

  if (kernel->fields.data_type == kDataTypeSigned) {
    // A divisor of 0 has no quotient: refused rather than divided by.
    const int64_t divisor = kernel->fields.scale_factor;
    if (divisor == 0) return IpiRefuse(sys, kIpiOutOfRange);
    std::vector<int16_t> weights;
    IPI_RETURN_IF_ERROR(ReadIntegerCells(sys, kernel, shape, weights));
    return RunFilterRows(sys, source, destination, ConvolutionRows(shape, weights, divisor));
  }
  std::vector<float> weights;
  IPI_RETURN_IF_ERROR(ReadRealCells(sys, kernel, shape, weights));
  return RunFilterRows(sys, source, destination, ConvolutionRows(shape, weights));
}
