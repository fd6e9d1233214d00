// Row window sums; see kernel_rows.h. Rows are processed in chunks whose
// accumulators stay in the first-level cache; the non-zero cells go four to a
// pass over the chunk, in loops the compiler turns into vector code (with an
// AVX2 twin chosen when the processor has it).
#include "core/operators/neighbourhood/kernel_rows.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <type_traits>

namespace {

constexpr int64_t kChunk = 1024;
constexpr int64_t kMaxSample = 255;
// Every partial sum below this is an exact float.
constexpr int64_t kExactFloatLimit = int64_t{1} << 24;
// Window rows are converted to floats when they fit this many floats.
constexpr int64_t kMaxFloatRowCells = int64_t{1} << 20;

uint8_t ClipToByte(int64_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : value > kMaxSample ? kMaxSample : value);
}

// Adds the weighted samples of four cells to a chunk of float sums (or, with
// `assign`, sets the sums to them): a quarter of the passes over the sums
// that one cell at a time would take. A kernel's last one to three cells go
// through it too, padded with cells of weight 0.
[[gnu::target_clones("avx2", "default")]] void AddFourByteCells(float* __restrict acc, const uint8_t* __restrict s0,
                                                                const uint8_t* __restrict s1,
                                                                const uint8_t* __restrict s2,
                                                                const uint8_t* __restrict s3, float w0, float w1,
                                                                float w2, float w3, int64_t length, bool assign) {
  if (assign) {
    for (int64_t j = 0; j < length; ++j) {
      acc[j] = w0 * static_cast<float>(s0[j]) + w1 * static_cast<float>(s1[j]) + w2 * static_cast<float>(s2[j]) +
               w3 * static_cast<float>(s3[j]);
    }
    return;
  }
  for (int64_t j = 0; j < length; ++j) {
    acc[j] += w0 * static_cast<float>(s0[j]) + w1 * static_cast<float>(s1[j]) + w2 * static_cast<float>(s2[j]) +
              w3 * static_cast<float>(s3[j]);
  }
}

[[gnu::target_clones("avx2", "default")]] void ToFloats(const uint8_t* __restrict from, float* __restrict to,
                                                        int64_t length) {
  for (int64_t j = 0; j < length; ++j) to[j] = static_cast<float>(from[j]);
}

// The same over float sources (rows converted once, or the column sums of a
// factored kernel).
[[gnu::target_clones("avx2", "default")]] void AddFourFloatCells(float* __restrict acc, const float* __restrict s0,
                                                                 const float* __restrict s1,
                                                                 const float* __restrict s2,
                                                                 const float* __restrict s3, float w0, float w1,
                                                                 float w2, float w3, int64_t length, bool assign) {
  if (assign) {
    for (int64_t j = 0; j < length; ++j) acc[j] = w0 * s0[j] + w1 * s1[j] + w2 * s2[j] + w3 * s3[j];
    return;
  }
  for (int64_t j = 0; j < length; ++j) acc[j] += w0 * s0[j] + w1 * s1[j] + w2 * s2[j] + w3 * s3[j];
}

void AddIntegerCell(int64_t* __restrict acc, const uint8_t* __restrict src, int64_t w, int64_t length) {
  for (int64_t j = 0; j < length; ++j) acc[j] += w * src[j];
}

void AddRealCell(double* __restrict acc, const uint8_t* __restrict src, double w, int64_t length) {
  for (int64_t j = 0; j < length; ++j) acc[j] += w * static_cast<double>(src[j]);
}

// The clipped quotients of a chunk of exact float sums: a negative sum
// rounds to 0 or below, so it is held at 0 before the quotient.
[[gnu::target_clones("avx2", "default")]] void FinishClippedBytes(const float* __restrict acc, uint8_t* __restrict out,
                                                                  int64_t length, const FloatQuotients& q) {
  for (int64_t j = 0; j < length; ++j) out[j] = static_cast<uint8_t>(std::min(q.Quotient(std::max(acc[j], 0.0f)), 255));
}

// |round(s / d)| = round(|s| / d) with halves away from zero.
[[gnu::target_clones("avx2", "default")]] void FinishMagnitudes(const float* __restrict acc, int32_t* __restrict out,
                                                                int64_t length, const FloatQuotients& q) {
  for (int64_t j = 0; j < length; ++j) out[j] = q.Quotient(std::abs(acc[j]));
}

// Writes K = u v^T with integer u (per row) and v (per column) when the
// kernel is such a product: v is the first non-zero row divided by the
// greatest common divisor of its weights, u[r] follows from one column and
// every cell is checked against the product.
bool FactorKernel(const std::vector<int16_t>& weights, const WindowShape& shape, std::vector<int64_t>& u,
                  std::vector<int64_t>& v) {
  const auto at = [&](int32_t r, int32_t c) {
    return int64_t{weights[static_cast<size_t>(r) * static_cast<size_t>(shape.width) + static_cast<size_t>(c)]};
  };
  int32_t r0 = 0;
  while (r0 < shape.height && std::all_of(weights.begin() + int64_t{r0} * shape.width,
                                          weights.begin() + int64_t{r0 + 1} * shape.width,
                                          [](int16_t w) { return w == 0; })) {
    ++r0;
  }
  if (r0 == shape.height) return false;
  int64_t divisor = 0;
  for (int32_t c = 0; c < shape.width; ++c) divisor = std::gcd(divisor, at(r0, c));
  v.resize(static_cast<size_t>(shape.width));
  int32_t c0 = -1;
  for (int32_t c = 0; c < shape.width; ++c) {
    v[static_cast<size_t>(c)] = at(r0, c) / divisor;
    if (c0 < 0 && v[static_cast<size_t>(c)] != 0) c0 = c;
  }
  u.resize(static_cast<size_t>(shape.height));
  for (int32_t r = 0; r < shape.height; ++r) {
    const int64_t pivot = v[static_cast<size_t>(c0)];
    if (at(r, c0) % pivot != 0) return false;
    u[static_cast<size_t>(r)] = at(r, c0) / pivot;
    for (int32_t c = 0; c < shape.width; ++c) {
      if (at(r, c) != u[static_cast<size_t>(r)] * v[static_cast<size_t>(c)]) return false;
    }
  }
  return true;
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

  // A product kernel is summed in two passes when that takes fewer passes.
  // Its column sums and row sums are bounded by the sum of |weight| x 255
  // too, so in floats they are exact and equal the direct sums.
  std::vector<int64_t> u;
  std::vector<int64_t> v;
  if (accumulation_ == Accumulation::kFloat && FactorKernel(weights, shape, u, v)) {
    std::vector<Tap> columns;
    std::vector<Tap> rows;
    for (int32_t r = 0; r < shape.height; ++r) {
      const int64_t w = u[static_cast<size_t>(r)];
      if (w != 0) columns.push_back({r, 0, static_cast<float>(w), w});
    }
    for (int32_t c = 0; c < shape.width; ++c) {
      const int64_t w = v[static_cast<size_t>(c)];
      if (w != 0) rows.push_back({0, c, static_cast<float>(w), w});
    }
    // Cells go four to a pass; the two passes also write and read the column
    // sums. Summed directly, a kernel with more cells than rows first
    // converts each row that has cells to floats (Prepare): one pass each.
    const auto passes = [](size_t cells) { return (cells + 3) / 4; };
    size_t direct = passes(taps_.size());
    if (taps_.size() > static_cast<size_t>(shape.height)) {
      std::vector<uint8_t> has_cells(static_cast<size_t>(shape.height), 0);
      for (const Tap& tap : taps_) has_cells[static_cast<size_t>(tap.row)] = 1;
      direct += static_cast<size_t>(std::count(has_cells.begin(), has_cells.end(), 1));
    }
    if (passes(columns.size()) + passes(rows.size()) + 1 < direct) {
      column_taps_ = std::move(columns);
      row_taps_ = std::move(rows);
      column_sums_.resize(static_cast<size_t>(kChunk + shape.width - 1));
    }
  }
  Prepare();
}

KernelRows::KernelRows(const WindowShape& shape, const std::vector<float>& weights)
    : shape_(shape), accumulation_(Accumulation::kDouble) {
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
    case Accumulation::kFloat:
      float_sums_.resize(kChunk);
      // Rows as floats when that takes a bounded buffer and the kernel has
      // more cells than rows (else each row is read once anyway).
      if (column_taps_.empty() && taps_.size() > static_cast<size_t>(shape_.height) &&
          (kChunk + shape_.width - 1) * shape_.height <= kMaxFloatRowCells) {
        const size_t stride = static_cast<size_t>(kChunk + shape_.width - 1);
        float_rows_.resize(stride * static_cast<size_t>(shape_.height));
        row_has_taps_.assign(static_cast<size_t>(shape_.height), 0);
        for (const Tap& tap : taps_) row_has_taps_[static_cast<size_t>(tap.row)] = 1;
        for (int32_t r = 0; r < shape_.height; ++r) {
          float_row_pointers_.push_back(float_rows_.data() + static_cast<size_t>(r) * stride);
        }
      }
      break;
    case Accumulation::kInteger64: integer_sums_.resize(kChunk); break;
    case Accumulation::kDouble: double_sums_.resize(kChunk); break;
  }
}

// Sets a chunk of `length` sums to the weighted cells of `taps`, four cells
// to a pass; `first` is the chunk's first padded column. The float sums of
// integer kernels are exact in any order.
template <typename Source>
void KernelRows::SumCells(float* acc, const std::vector<Tap>& taps, const Source* const* rows, int64_t first,
                          int64_t length) {
  const size_t count = taps.size();
  if (count == 0) std::fill(acc, acc + length, 0.0f);
  size_t t = 0;
  for (; t + 4 <= count; t += 4) {
    const Tap* q = &taps[t];
    const Source* s0 = rows[q[0].row] + first + q[0].column;
    const Source* s1 = rows[q[1].row] + first + q[1].column;
    const Source* s2 = rows[q[2].row] + first + q[2].column;
    const Source* s3 = rows[q[3].row] + first + q[3].column;
    if constexpr (std::is_same_v<Source, float>) {
      AddFourFloatCells(acc, s0, s1, s2, s3, q[0].weight, q[1].weight, q[2].weight, q[3].weight, length, t == 0);
    } else {
      AddFourByteCells(acc, s0, s1, s2, s3, q[0].weight, q[1].weight, q[2].weight, q[3].weight, length, t == 0);
    }
  }
  if (t == count) return;
  // The last one to three cells in one more pass, the missing ones read from
  // the first of them with weight 0 (adding an exact 0 changes no sum).
  const Source* s[4];
  float w[4];
  for (size_t k = 0; k < 4; ++k) {
    const Tap& tap = taps[t + (t + k < count ? k : 0)];
    s[k] = rows[tap.row] + first + tap.column;
    w[k] = t + k < count ? tap.weight : 0.0f;
  }
  if constexpr (std::is_same_v<Source, float>) {
    AddFourFloatCells(acc, s[0], s[1], s[2], s[3], w[0], w[1], w[2], w[3], length, t == 0);
  } else {
    AddFourByteCells(acc, s[0], s[1], s[2], s[3], w[0], w[1], w[2], w[3], length, t == 0);
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
        float* acc = float_sums_.data();
        if (!column_taps_.empty()) {
          // Column sums over the chunk's padded columns, then the row pass.
          float* columns = column_sums_.data();
          SumCells(columns, column_taps_, rows, first, length + shape_.width - 1);
          const float* const column_rows[1] = {columns};
          SumCells(acc, row_taps_, column_rows, 0, length);
          break;
        }
        if (float_rows_.empty()) {
          SumCells(acc, taps_, rows, first, length);
          break;
        }
        // Each window row converted to floats once for all its cells.
        const int64_t span = length + shape_.width - 1;
        const size_t stride = float_rows_.size() / static_cast<size_t>(shape_.height);
        for (int32_t r = 0; r < shape_.height; ++r) {
          if (!row_has_taps_[static_cast<size_t>(r)]) continue;
          ToFloats(rows[r] + first, float_rows_.data() + static_cast<size_t>(r) * stride, span);
        }
        SumCells(acc, taps_, float_row_pointers_.data(), 0, length);
        break;
      }
      case Accumulation::kInteger64: {
        int64_t* acc = integer_sums_.data();
        std::fill(acc, acc + length, int64_t{0});
        for (const Tap& tap : taps_) {
          AddIntegerCell(acc, rows[tap.row] + first + tap.column, tap.integer_weight, length);
        }
        break;
      }
      case Accumulation::kDouble: {
        // Cell by cell in row order: the same additions as the per-element sum.
        double* acc = double_sums_.data();
        std::fill(acc, acc + length, 0.0);
        for (const Tap& tap : taps_) AddRealCell(acc, rows[tap.row] + first + tap.column, double{tap.weight}, length);
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
      FinishClippedBytes(float_sums_.data(), out + first, length, q);
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
      FinishMagnitudes(float_sums_.data(), out + first, length, q);
    });
    return;
  }
  Sums(rows, count, out);
  for (int64_t j = 0; j < count; ++j) {
    const int64_t magnitude = std::abs(int64_t{out[j]});
    out[j] = static_cast<int32_t>(std::min<int64_t>(magnitude, kQuotientLimit));
  }
}
