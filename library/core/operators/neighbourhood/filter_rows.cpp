// The row kernels of the weighted and gradient filters; see filter_rows.h.
#include "core/operators/neighbourhood/filter_rows.h"

#include <algorithm>
#include <cmath>

#include "core/operators/neighbourhood/gradient_filter.h"

namespace {

constexpr double kMaxByteReal = 255.0;
constexpr int32_t kMaxByte = 255;

// a x p + b x W + c truncated toward zero and clipped; a result that is not a
// number (from a weight that is not one) gives 0.
uint8_t Weigh(double a, double b, double c, int32_t p, int32_t w) {
  const double v = a * p + b * w + c;
  if (!(v > 0.0)) return 0;
  if (v >= kMaxByteReal) return 255;
  return static_cast<uint8_t>(v);
}

}  // namespace

void WeightedRows::Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const {
  window_sums_.resize(static_cast<size_t>(count));
  int32_t* w = window_sums_.data();
  sums_.Sums(window.Rows(), count, w);
  window.ZeroOutside(w, count);
  // The source element sits at the middle of its padded row.
  const WindowShape& shape = sums_.shape();
  const uint8_t* p = window.Row(shape.half_height()) + shape.half_width();
  for (int64_t i = 0; i < count; ++i) out[i] = Weigh(a_, b_, c_, p[i], w[i]);
}

void GradientRows::Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const {
  g1_.resize(static_cast<size_t>(count));
  g2_.resize(static_cast<size_t>(count));
  sums1_.Magnitudes(window.Rows(), count, g1_.data());
  sums2_.Magnitudes(window.Rows(), count, g2_.data());
  const int32_t* __restrict a = g1_.data();
  const int32_t* __restrict b = g2_.data();
  if (mode_ == kGradientSumOfMagnitudes) {
    for (int64_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(std::min(a[i] + b[i], kMaxByte));
  } else {
    for (int64_t i = 0; i < count; ++i) {
      // At most 2 x 256^2: the square root of an exact double, truncated.
      const int32_t squares = a[i] * a[i] + b[i] * b[i];
      const auto root = static_cast<int32_t>(std::sqrt(static_cast<double>(squares)));
      out[i] = static_cast<uint8_t>(std::min(root, kMaxByte));
    }
  }
  window.ZeroOutside(out, count);
}
