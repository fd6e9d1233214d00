// The row kernels of the neighbourhood filters: each turns the padded rows of
// one row position (PaddedWindow) into `count` result bytes, the boundary's
// zeroed windows included. The operators run them on the frame
// (RunFilterRows); the library's entry points run the same kernels on a
// caller's rows, so both roads give the same bytes.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_FILTER_ROWS_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_FILTER_ROWS_H_

#include <cstdint>
#include <vector>

#include "core/operators/neighbourhood/kernel_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/neighbourhood/rank_selection.h"
#include "core/operators/operator_frame.h"

// The window sums clipped to bytes (IpiConvolve).
class ConvolutionRows {
 public:
  ConvolutionRows(const WindowShape& shape, const std::vector<int16_t>& weights, int64_t divisor)
      : sums_(shape, weights, divisor) {}
  ConvolutionRows(const WindowShape& shape, const std::vector<float>& weights) : sums_(shape, weights) {}
  const WindowShape& shape() const { return sums_.shape(); }
  void Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const {
    sums_.ClippedBytes(window.Rows(), count, out);
    window.ZeroOutside(out, count);
  }

 private:
  KernelRows sums_;
};

// a x p + b x W + c, W the rounded window sum (IpiWeightedFilter).
class WeightedRows {
 public:
  WeightedRows(const WindowShape& shape, const std::vector<int16_t>& weights, int64_t divisor, double a, double b,
               double c)
      : sums_(shape, weights, divisor), a_(a), b_(b), c_(c) {}
  const WindowShape& shape() const { return sums_.shape(); }
  void Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const;

 private:
  KernelRows sums_;
  double a_, b_, c_;
  mutable std::vector<int32_t> window_sums_;
};

// The magnitude of two window sums (IpiGradientFilter); both kernels share
// one shape and kernel 1's divisor.
class GradientRows {
 public:
  GradientRows(const WindowShape& shape, const std::vector<int16_t>& weights1, const std::vector<int16_t>& weights2,
               int64_t divisor, int32_t mode)
      : sums1_(shape, weights1, divisor), sums2_(shape, weights2, divisor), mode_(mode) {}
  const WindowShape& shape() const { return sums1_.shape(); }
  void Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const;

 private:
  KernelRows sums1_;
  KernelRows sums2_;
  int32_t mode_;
  mutable std::vector<int32_t> g1_;
  mutable std::vector<int32_t> g2_;
};

// The rank-th value under a mask (IpiRankOrderFilter).
class RankRows {
 public:
  RankRows(const WindowShape& shape, const std::vector<uint8_t>& mask, int64_t rank)
      : shape_(shape), selector_(shape, mask, rank) {}
  const WindowShape& shape() const { return shape_; }
  void Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const {
    selector_.Select(window.Rows(), count, out);
    window.ZeroOutside(out, count);
  }

 private:
  WindowShape shape_;
  RankSelector selector_;
};

// Runs `rows` (one of the above) from a windowed 8-bit source into the
// destination on the frame, under the system's boundary, gated by region.
template <typename Rows>
[[nodiscard]] int RunFilterRows(IpiSystem* sys, IpiObject* source, IpiObject* destination, const Rows& rows) {
  NeighbourhoodRows window(rows.shape(), SystemBoundary(sys));
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{source, 1, rows.shape().height}}, {FrameImage{destination}},
                  [&](const FrameRow& row) {
                    const PaddedWindow& padded = window.Load(row.source(0));
                    uint8_t* result = window.Result();
                    rows.Filter(padded, row.count, result);
                    window.Store(result, row.destination(0), row.gate);
                  });
}

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_FILTER_ROWS_H_
