// IpiWeightedFilter on the operator frame: the window sums of a row come from
// KernelRows, the source element from the middle padded row.
#include "core/operators/neighbourhood/weighted_filter.h"

#include <vector>

#include "core/codes.h"
#include "core/operators/neighbourhood/kernel_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr double kMaxByte = 255.0;

// a x p + b x W + c truncated toward zero and clipped; a result that is not a
// number (from a weight that is not one) gives 0.
uint8_t Weigh(double a, double b, double c, int32_t p, int32_t w) {
  const double v = a * p + b * w + c;
  if (!(v > 0.0)) return 0;
  if (v >= kMaxByte) return 255;
  return static_cast<uint8_t>(v);
}

}  // namespace

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
  const KernelRows sums(shape, weights, divisor);

  NeighbourhoodRows rows(shape, SystemBoundary(sys));
  std::vector<int32_t> window_sums;
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{source, 1, shape.height}}, {FrameImage{destination}},
                  [&](const FrameRow& row) {
                    const PaddedWindow& window = rows.Load(row.source(0));
                    window_sums.resize(static_cast<size_t>(row.count));
                    sums.Sums(window.Rows(), row.count, window_sums.data());
                    rows.ZeroOutsideWindow(window_sums.data());
                    // The source element sits at the middle of its padded row.
                    const uint8_t* p = window.Row(shape.half_height()) + shape.half_width();
                    uint8_t* result = rows.Result();
                    const int32_t* w = window_sums.data();
                    for (int64_t i = 0; i < row.count; ++i) result[i] = Weigh(a, b, c, p[i], w[i]);
                    rows.Store(result, row.destination(0), row.gate);
                  });
}
