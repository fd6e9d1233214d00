// Row window sums; see kernel_rows.h. Rows are processed in chunks whose
// accumulators stay in the first-level cache; each non-zero cell is one pass
// over the chunk, which the compiler turns into vector code.
#include "core/operators/neighbourhood/kernel_rows.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int64_t kChunk = 1024;
constexpr int64_t kMaxSample = 255;
// Every partial sum below this is an exact float.
constexpr int64_t kExactFloatLimit = int64_t{1} << 24;

uint8_t ClipToByte(int64_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : value > kMaxSample ? kMaxSample : value);
}

}  // namespace

int32_t RoundRealSum(double sum) {
  if (std::isnan(sum)) return 0;
  const double rounded = sum >= 0 ? sum + 0.5 : sum - 0.5;
  if (rounded >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (rounded <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(rounded);  // truncates toward zero
}

KernelRows::KernelRows(const WindowShape& shape, const std::vector<int16_t>& weights, int64_t divisor)
    : shape_(shape), divisor_(divisor) {
  assert(divisor != 0);
  int64_t weight_sum = 0;
  for (int32_t r = 0; r < shape.height; ++r) {
    for (int32_t c = 0; c < shape.width; ++c) {
      const int16_t w = weights[static_cast<size_t>(r) * static_cast<size_t>(shape.width) + static_cast<size_t>(c)];
      if (w == 0) continue;
      taps_.push_back({r, c, static_cast<float>(w), w});
      weight_sum += std::abs(int64_t{w});
    }
  }
  accumulation_ = weight_sum * kMaxSample < kExactFloatLimit ? Accumulation::kFloat : Accumulation::kInteger64;
  float_division_ = accumulation_ == Accumulation::kFloat && divisor >= 1 && divisor <= kMaxFloatDivisor;
  Prepare();
}

KernelRows::KernelRows(const WindowShape& shape, const std::vector<float>& weights)
    : shape_(shape), is_real_(true), accumulation_(Accumulation::kDouble) {
  for (int32_t r = 0; r < shape.height; ++r) {
    for (int32_t c = 0; c < shape.width; ++c) {
      const float w = weights[static_cast<size_t>(r) * static_cast<size_t>(shape.width) + static_cast<size_t>(c)];
      if (w == 0.0f) continue;
      taps_.push_back({r, c, w, 0});
    }
  }
  Prepare();
}

void KernelRows::Prepare() {
  switch (accumulation_) {
    case Accumulation::kFloat: float_sums_.resize(kChunk); break;
    case Accumulation::kInteger64: integer_sums_.resize(kChunk); break;
    case Accumulation::kDouble: double_sums_.resize(kChunk); break;
  }
}

int32_t KernelRows::FinishInteger(int64_t sum) const { return SaturateToInt32(RoundDivide(sum, divisor_)); }

// Calls finish(first, length) after the chunk's sums are in the accumulator
// of the kernel's accumulation.
template <typename Finish>
void KernelRows::Run(const uint8_t* const* rows, int64_t count, Finish finish) const {
  for (int64_t first = 0; first < count; first += kChunk) {
    const int64_t length = std::min(kChunk, count - first);
    switch (accumulation_) {
      case Accumulation::kFloat: {
        float* __restrict acc = float_sums_.data();
        std::fill(acc, acc + length, 0.0f);
        for (const Tap& tap : taps_) {
          const uint8_t* __restrict src = rows[tap.row] + first + tap.column;
          const float w = tap.weight;
          for (int64_t j = 0; j < length; ++j) acc[j] += w * static_cast<float>(src[j]);
        }
        break;
      }
      case Accumulation::kInteger64: {
        int64_t* __restrict acc = integer_sums_.data();
        std::fill(acc, acc + length, int64_t{0});
        for (const Tap& tap : taps_) {
          const uint8_t* __restrict src = rows[tap.row] + first + tap.column;
          const int64_t w = tap.integer_weight;
          for (int64_t j = 0; j < length; ++j) acc[j] += w * src[j];
        }
        break;
      }
      case Accumulation::kDouble: {
        // Cell by cell in row order: the same additions as the per-element sum.
        double* __restrict acc = double_sums_.data();
        std::fill(acc, acc + length, 0.0);
        for (const Tap& tap : taps_) {
          const uint8_t* __restrict src = rows[tap.row] + first + tap.column;
          const double w = tap.weight;
          for (int64_t j = 0; j < length; ++j) acc[j] += w * static_cast<double>(src[j]);
        }
        break;
      }
    }
    finish(first, length);
  }
}

void KernelRows::Sums(const uint8_t* const* rows, int64_t count, int32_t* out) const {
  Run(rows, count, [&](int64_t first, int64_t length) {
    int32_t* to = out + first;
    switch (accumulation_) {
      case Accumulation::kFloat:
        for (int64_t j = 0; j < length; ++j) to[j] = FinishInteger(static_cast<int64_t>(float_sums_[j]));
        break;
      case Accumulation::kInteger64:
        for (int64_t j = 0; j < length; ++j) to[j] = FinishInteger(integer_sums_[j]);
        break;
      case Accumulation::kDouble:
        for (int64_t j = 0; j < length; ++j) to[j] = RoundRealSum(double_sums_[j]);
        break;
    }
  });
}

void KernelRows::ClippedBytes(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  if (float_division_) {
    const FloatQuotients q(divisor_);
    Run(rows, count, [&](int64_t first, int64_t length) {
      const float* __restrict acc = float_sums_.data();
      uint8_t* __restrict to = out + first;
      for (int64_t j = 0; j < length; ++j) {
        // A negative sum rounds to 0 or below: clipped to 0 through t = 0.
        to[j] = static_cast<uint8_t>(std::min(q.Quotient(std::max(acc[j], 0.0f)), 255));
      }
    });
    return;
  }
  Run(rows, count, [&](int64_t first, int64_t length) {
    uint8_t* to = out + first;
    switch (accumulation_) {
      case Accumulation::kFloat:
        for (int64_t j = 0; j < length; ++j) to[j] = ClipToByte(FinishInteger(static_cast<int64_t>(float_sums_[j])));
        break;
      case Accumulation::kInteger64:
        for (int64_t j = 0; j < length; ++j) to[j] = ClipToByte(FinishInteger(integer_sums_[j]));
        break;
      case Accumulation::kDouble:
        for (int64_t j = 0; j < length; ++j) to[j] = ClipToByte(RoundRealSum(double_sums_[j]));
        break;
    }
  });
}

void KernelRows::Magnitudes(const uint8_t* const* rows, int64_t count, int32_t* out) const {
  if (float_division_) {
    const FloatQuotients q(divisor_);
    Run(rows, count, [&](int64_t first, int64_t length) {
      const float* __restrict acc = float_sums_.data();
      int32_t* __restrict to = out + first;
      for (int64_t j = 0; j < length; ++j) {
        // |round(s / d)| = round(|s| / d) with halves away from zero.
        to[j] = q.Quotient(std::abs(acc[j]));
      }
    });
    return;
  }
  Sums(rows, count, out);
  for (int64_t j = 0; j < count; ++j) {
    const int64_t magnitude = std::abs(int64_t{out[j]});
    out[j] = static_cast<int32_t>(std::min<int64_t>(magnitude, kQuotientLimit));
  }
}
