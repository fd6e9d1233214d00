// Window sums of a whole row at once, from padded rows (neighbourhood_window.h).
// Each result equals the per-element window sum (IpiKernelSumInt or
// IpiKernelSumReal) at that element, boundary included, because the padded
// rows already hold what the boundary rule reads; a test holds the two equal.
//
// Integer kernels accumulate in floats when every partial sum is an exact
// float (the sum of |weight| x 255 below 2^24), else in 64-bit integers, so no
// kernel can overflow the sum. Exact float sums do not depend on the order of
// the additions, which lets a kernel that is the product of a column and a row
// (a box, a Sobel or Gaussian kernel) be summed in two short passes. Real
// kernels accumulate in doubles, cell by cell in row order, exactly as the
// per-element sum does.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_KERNEL_ROWS_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_KERNEL_ROWS_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/operators/neighbourhood/neighbourhood_window.h"

// The rounded quotient s / divisor, halves away from zero (divisor not 0).
[[nodiscard]] inline int64_t RoundDivide(int64_t sum, int64_t divisor) {
  const int64_t magnitude = sum < 0 ? -sum : sum;
  const int64_t d = divisor < 0 ? -divisor : divisor;
  const int64_t q = (magnitude + d / 2) / d;
  return (sum < 0) != (divisor < 0) ? -q : q;
}

// A real sum rounded half away from zero (s + 0.5 or s - 0.5, truncated) and
// held to the 32-bit range; a sum that is not a number gives 0.
[[nodiscard]] int32_t RoundRealSum(double sum);
// An integer quotient held to the 32-bit range.
[[nodiscard]] inline int32_t SaturateToInt32(int64_t value) {
  return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

// Quotients of non-negative exact float sums t, held to at most 256
// divisors, by a divisor d of 1 .. 2048, rounded half up:
// trunc((t + d/2) x fl(1/d) + 2^-12). With n = t + d/2 below 2^24 every value
// is exact except the reciprocal and the product, whose error stays below
// 2^-15 for a quotient of at most 256.5; the nudge of 2^-12 lifts an exact
// quotient clear of the integer below it and stays under 1/d, so a quotient
// just below an integer is never carried over it.
inline constexpr int64_t kMaxFloatDivisor = 2048;
inline constexpr int32_t kQuotientLimit = 256;

struct FloatQuotients {
  explicit FloatQuotients(int64_t divisor)
      : limit(static_cast<float>(kQuotientLimit * divisor)),
        half(static_cast<float>(divisor / 2)),
        reciprocal(1.0f / static_cast<float>(divisor)) {}
  // round(min(t, 256 d) / d) for an exact non-negative float t.
  int32_t Quotient(float t) const {
    return static_cast<int32_t>((std::min(t, limit) + half) * reciprocal + kNudge);
  }
  static constexpr float kNudge = 1.0f / 4096.0f;
  float limit;
  float half;
  float reciprocal;
};

class KernelRows {
 public:
  // 16-bit weights with a divisor (not 0).
  KernelRows(const WindowShape& shape, const std::vector<int16_t>& weights, int64_t divisor);
  // Real weights, not divided.
  KernelRows(const WindowShape& shape, const std::vector<float>& weights);

  const WindowShape& shape() const { return shape_; }

  // The window sums of `count` elements as IpiKernelSumInt and
  // IpiKernelSumReal give them (rounded, integer kernels divided, held to the
  // 32-bit range); rows[k] is padded window row k.
  void Sums(const uint8_t* const* rows, int64_t count, int32_t* out) const;
  // The sums clipped to 0..255.
  void ClippedBytes(const uint8_t* const* rows, int64_t count, uint8_t* out) const;
  // |sum| held to at most 256 (what a filter that saturates at 255 needs).
  void Magnitudes(const uint8_t* const* rows, int64_t count, int32_t* out) const;

 private:
  struct Tap {
    int32_t row;
    int32_t column;  // padded column offset, 0 .. width - 1
    float weight;
    int64_t integer_weight;
  };
  enum class Accumulation { kFloat, kInteger64, kDouble };

  void Prepare();
  template <typename Finish>
  void Run(const uint8_t* const* rows, int64_t count, Finish finish) const;
  int32_t FinishInteger(int64_t sum) const;
  template <typename Source>
  static void SumCells(float* acc, const std::vector<Tap>& taps, const Source* const* rows, int64_t first,
                       int64_t length);

  WindowShape shape_;
  int64_t divisor_ = 1;
  Accumulation accumulation_ = Accumulation::kFloat;
  bool float_division_ = false;  // the float reciprocal gives the exact quotient
  std::vector<Tap> taps_;        // non-zero cells in row order
  // A kernel that is a product of a column and a row of integers: the
  // non-zero weights of each (column taps have column 0, row taps row 0).
  std::vector<Tap> column_taps_;
  std::vector<Tap> row_taps_;
  mutable std::vector<float> column_sums_;
  // The window rows of a chunk as floats (when used: not empty).
  mutable std::vector<float> float_rows_;
  std::vector<const float*> float_row_pointers_;
  std::vector<uint8_t> row_has_taps_;
  // Accumulators of one chunk of a row, reused across rows.
  mutable std::vector<float> float_sums_;
  mutable std::vector<double> double_sums_;
  mutable std::vector<int64_t> integer_sums_;
};

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_KERNEL_ROWS_H_
