// The row kernels of resampling byte samples, shared by the operators on
// image planes and by the entry points that resize packed bitmap rows in
// place. A kernel reads one source row (two or four for the interpolating
// methods) and writes one destination row. A pixel is `pixel_bytes`
// interleaved samples (1 for a plane's row, 3 for blue, green, red); each
// sample goes through the same arithmetic, so a plane and an interleaved row
// give the same values. Internal to the library.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_ROWS_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_ROWS_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/operators/geometry/resample_mapping.h"

namespace geometry {

// --- nearest neighbour -------------------------------------------------------------

// Source column of every destination column of the window, trimmed to those
// whose source column lies inside the source (the mapping is monotonic, so
// they are one run). `first` is the first destination column kept.
struct NearestColumns {
  int64_t first = 0;
  std::vector<int32_t> source;  // by destination column - first
  int32_t step = 0;             // source[k] = source[0] + k x step for every k, else 0
  int64_t source_extent = 0;    // elements of a source row
  int64_t count() const { return static_cast<int64_t>(source.size()); }
};
[[nodiscard]] NearestColumns MakeNearestColumns(const AxisMapping& mx);

// One destination row from one source row: `target` is the destination row
// at column `columns.first`.
void NearestRow(const uint8_t* source_row, const NearestColumns& columns, int pixel_bytes, uint8_t* target);

// --- interpolating methods ---------------------------------------------------------

// Weights are integers in units of 1/256 whose sets sum to 256; a product of
// a column and a row weight is in units of 1/65536.
inline constexpr int32_t kWeightScale = 256;
inline constexpr int32_t kHalfProduct = 32768;
inline constexpr int kProductShift = 16;

template <int N>
using Taps = std::array<int32_t, N>;

// Source indices of the taps around i0 (i0 - 1 ... i0 + 2 for four taps),
// the edge element repeated for taps past either end.
template <int N>
Taps<N> TapIndices(int64_t i0, int64_t last) {
  const auto at = [](int64_t v) { return static_cast<int32_t>(v); };
  if constexpr (N == 2) {
    return {at(i0), at(std::min(i0 + 1, last))};
  } else {
    return {at(std::max<int64_t>(i0 - 1, 0)), at(i0), at(std::min(i0 + 1, last)), at(std::min(i0 + 2, last))};
  }
}

// The bilinear weights at the exact fraction numerator / denominator:
// w1 = round(f x 256), w0 = 256 - w1, in integers.
inline Taps<2> BilinearWeightsAt(int64_t numerator, int64_t denominator) {
  const int32_t w1 = static_cast<int32_t>((2 * kWeightScale * numerator + denominator) / (2 * denominator));
  return {kWeightScale - w1, w1};
}

// Column taps of every destination column of the window, trimmed to those
// whose i0 lies inside the source (i0 is monotonic in the column).
// `weights_at(numerator, denominator)` gives a column's weights.
template <int N>
struct ColumnTaps {
  int64_t first = 0;  // destination column of entry 0
  std::vector<int32_t> i0;
  std::vector<Taps<N>> index;
  std::vector<Taps<N>> weight;

  template <class WeightsAt>
  ColumnTaps(const AxisMapping& mx, WeightsAt weights_at) {
    int64_t fraction = 0;
    int64_t d = mx.first();
    while (d <= mx.last() && mx.Interpolating(d, &fraction) < 0) ++d;
    int64_t last = mx.last();
    while (last >= d && mx.Interpolating(last, &fraction) >= mx.source_extent()) --last;
    first = d;
    for (; d <= last; ++d) {
      const int64_t column = mx.Interpolating(d, &fraction);
      i0.push_back(static_cast<int32_t>(column));
      index.push_back(TapIndices<N>(column, mx.source_extent() - 1));
      weight.push_back(weights_at(fraction, mx.denominator()));
    }
  }
  int64_t count() const { return static_cast<int64_t>(i0.size()); }

  // Whether every column has the weights of the first and taps `step` further
  // on than the column before (a whole-number reduction such as halving).
  bool IsRegular(int64_t step) const {
    for (int64_t i = 0; i < count(); ++i) {
      const size_t k = static_cast<size_t>(i);
      if (weight[k] != weight[0]) return false;
      for (int t = 0; t < N; ++t) {
        if (index[k][static_cast<size_t>(t)] != index[0][static_cast<size_t>(t)] + i * step) return false;
      }
    }
    return true;
  }
};

// The horizontal pass of an interpolating method over byte rows: one source
// row summed across the column taps of every kept destination column, one
// sum per sample. `Sum` holds a sum exactly (16 bits where the weights are
// never negative). The taps are laid out once per call for the fastest loop
// that gives the same sums: two columns a period (doubling), whole-number
// reductions, or one column at a time.
template <int N, class Sum>
class HorizontalPass {
 public:
  HorizontalPass(const ColumnTaps<N>& columns, int pixel_bytes);
  // `sums` holds columns.count() x pixel_bytes entries.
  void Run(const uint8_t* row, Sum* sums) const;
  bool is_halving() const { return is_halving_; }

 private:
  template <int P>
  void RunPixels(const uint8_t* row, Sum* sums) const;

  const ColumnTaps<N>& columns_;
  int pixel_bytes_;
  bool is_halving_ = false;  // columns.IsRegular(2)
  // Doubling: columns [pair_first, pair_first + 2 x pairs) repeat the taps
  // and weights of the two at pair_first, one source element further on per
  // pair (bilinear only).
  int64_t pair_first_ = 0;
  int64_t pairs_ = 0;
};

// The vertical pass: the row weights `wy` applied to the sums of N source
// rows, `count` samples, rounded; weights that can be negative (cubic
// convolution's, int32_t sums) are clamped to 0..255.
template <int N, class Sum>
void BlendRows(const Sum* const* sums, const Taps<N>& wy, int64_t count, uint8_t* target);

// Bilinear halving exactly between elements in both directions: every weight
// product is 128 x 128, so the element is (sum of the 2 x 2 + 2) >> 2, the
// value the weighted sum gives, formed from the two rows directly. `top` and
// `bottom` are the rows at the first column's left tap; `count` pixels.
void AveragePairsRow(const uint8_t* top, const uint8_t* bottom, int64_t count, int pixel_bytes, uint8_t* target);

}  // namespace geometry

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_ROWS_H_
