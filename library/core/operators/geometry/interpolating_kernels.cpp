// Bilinear, cubic B-spline and cubic convolution resampling. Column taps and
// weights are tabulated once per call, row weights once per destination row.
// The weighted sum is separable and exact in integers, so each source row is
// first summed across its column taps once (kept while the next destination
// rows still use it), and a destination element is the row weights applied
// to those sums: the same value as the 2 x 2 or 4 x 4 sum, with less work when
// enlarging.
#include "core/operators/geometry/interpolating_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <type_traits>
#include <vector>

#include "core/codes.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/geometry_support.h"
#include "core/operators/geometry/resample_mapping.h"
#include "core/operators/geometry/resample_rows.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace {

using geometry::AxisMapping;
using geometry::ColumnTaps;
using geometry::kHalfProduct;
using geometry::kProductShift;
using geometry::kWeightScale;
using geometry::ResamplePlan;
using geometry::TapIndices;
using geometry::Taps;

constexpr double kOneSixth = 0.16666666666666666;
constexpr double kTwoThirds = 0.6666666666666666;

enum class Method { kBilinear, kBSpline, kCubicConvolution };

template <Method M>
inline constexpr int kTaps = M == Method::kBilinear ? 2 : 4;

// Rounds each weight to 1/256 and gives the tap of the largest magnitude
// (the first of equals) what makes the set sum to 256.
void NormaliseWeights(const double exact[4], int32_t weights[4]) {
  int32_t sum = 0;
  int largest = 0;
  for (int k = 0; k < 4; ++k) {
    weights[k] = static_cast<int32_t>(std::lround(exact[k] * kWeightScale));
    sum += weights[k];
    if (std::fabs(exact[k]) > std::fabs(exact[largest])) largest = k;
  }
  weights[largest] += kWeightScale - sum;
}

// The weights of a method at the exact fraction numerator / denominator.
template <Method M>
Taps<kTaps<M>> WeightsAt(int64_t numerator, int64_t denominator) {
  if constexpr (M == Method::kBilinear) {
    return geometry::BilinearWeightsAt(numerator, denominator);
  } else {
    Taps<4> w{};
    const double f = static_cast<double>(numerator) / static_cast<double>(denominator);
    if constexpr (M == Method::kBSpline) {
      IpiBSplineWeights(f, w.data());
    } else {
      IpiCubicConvolutionWeights(f, w.data());
    }
    return w;
  }
}

template <Method M>
class InterpolatingRun {
 public:
  static constexpr int N = kTaps<M>;

  InterpolatingRun(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, const IpiResampleWindows& w)
      : sys_(sys),
        in_(in),
        out_(out),
        plan_(w, in, out),
        columns_(plan_.axis[kDimX], WeightsAt<M>),
        pass_(columns_, 1) {
    is_bits_ = in.data_type == kDataTypeBoolean;
    sx_ = in.dimension[kDimX];
    sy_ = in.dimension[kDimY];
    dx_ = out.dimension[kDimX];
    const int32_t morphology = IpiSystemValue(sys, IpiSystemAttribute::kMorphologicalOperation);
    keeps_zeros_ = morphology == kMorphologyKeepZeros;
    threshold_ = static_cast<int64_t>(IpiRampWeight(sys, plan_.axis[kDimX].ratio(), plan_.axis[kDimY].ratio()));
    const bool gated = in.has_roi() || out.has_roi();
    averages_pairs_ = M == Method::kBilinear && pass_.is_halving() && !is_bits_ && !gated &&
                      columns_.weight[0][0] == columns_.weight[0][1] &&
                      columns_.index[0][1] == columns_.index[0][0] + 1;
  }

  int Run() {
    if (columns_.count() == 0 || plan_.axis[kDimY].empty() || sy_ == 0) return kIpiNoError;
    for (auto& slot : cache_) slot.sums.resize(static_cast<size_t>(columns_.count()));
    if (in_.has_roi()) source_flags_.resize(static_cast<size_t>(sx_));
    if (out_.has_roi()) destination_flags_.resize(static_cast<size_t>(dx_));
    return geometry::ForEachMappedPlane(plan_, in_, out_, [this](int64_t from, int64_t to) { return Plane(from, to); });
  }

 private:
  // One source row summed across the column taps of every kept destination
  // column: byte values, or for two-level rows the weight of the taps whose
  // bit has the deciding value.
  // Row sums of methods whose weights are never negative stay within
  // 255 x 256 and fit 16 bits (products the vector unit forms cheaply);
  // cubic convolution's may be negative or exceed them.
  using Sum = std::conditional_t<M == Method::kCubicConvolution, int32_t, uint16_t>;

  struct CachedRow {
    int64_t row = -1;
    uint64_t used = 0;
    std::vector<Sum> sums;
  };

  const Sum* Horizontal(int64_t row, const uint8_t* row_data, int64_t row_bit) {
    CachedRow* slot = &cache_[0];
    for (CachedRow& c : cache_) {
      if (c.used < slot->used) slot = &c;
    }
    slot->row = row;
    slot->used = ++clock_;
    Sum* sums = slot->sums.data();
    if (!is_bits_) {
      pass_.Run(row_data, sums);
      return sums;
    }
    const int64_t count = columns_.count();
    const Taps<N>* index = columns_.index.data();
    const Taps<N>* weight = columns_.weight.data();
    {
      const bool deciding = !keeps_zeros_;
      for (int64_t i = 0; i < count; ++i) {
        int32_t sum = 0;
        for (int t = 0; t < N; ++t) {
          if (IpiTestBit(in_, row_data, row_bit + index[i][t]) == deciding) sum += weight[i][t];
        }
        sums[i] = static_cast<Sum>(sum);
      }
    }
    return sums;
  }

  const Sum* Cached(int64_t row) {
    for (CachedRow& c : cache_) {
      if (c.row == row) {
        c.used = ++clock_;
        return c.sums.data();
      }
    }
    return nullptr;
  }

  int Plane(int64_t from, int64_t to) {
    for (CachedRow& c : cache_) c.row = -1;  // sums belong to one plane
    const AxisMapping& my = plan_.axis[kDimY];
    const int64_t count = columns_.count();
    for (int64_t y = my.first(); y <= my.last(); ++y) {
      int64_t fraction = 0;
      const int64_t j0 = my.Interpolating(y, &fraction);
      if (!my.Inside(j0)) continue;
      const Taps<N> wy = WeightsAt<M>(fraction, my.denominator());
      const Taps<N> rows = TapIndices<N>(j0, sy_ - 1);
      const int64_t span_first = rows[0];
      if constexpr (M == Method::kBilinear) {
        if (averages_pairs_ && wy[0] == wy[1] && rows[1] == rows[0] + 1) {
          IPI_RETURN_IF_ERROR(AveragePairs(from + span_first * sx_, to + y * dx_));
          continue;
        }
      }
      const Sum* sums[N] = {};
      bool all_cached = true;
      for (int k = 0; k < N; ++k) {
        sums[k] = Cached(rows[k]);
        all_cached = all_cached && sums[k] != nullptr;
      }
      if (!all_cached) {
        // One read delivers the neighbourhood's rows, one row length apart;
        // rows past the data read as zeros and are never used (edge rows
        // repeat instead).
        const int64_t span_element = from + span_first * sx_;
        const uint8_t* span = IpiGetInputRow(sys_, in_.stream, span_element);
        if (span == nullptr) return IpiGetLastError(sys_);
        const int64_t span_bit = is_bits_ ? geometry::BitInByte(span_element) : 0;
        for (int k = 0; k < N; ++k) {
          if (sums[k] != nullptr) continue;
          const int64_t offset = (rows[k] - span_first) * sx_;
          sums[k] = is_bits_ ? Horizontal(rows[k], span, span_bit + offset) : Horizontal(rows[k], span + offset, 0);
          // A repeated edge row shares the sums just made.
          for (int later = k + 1; later < N; ++later) {
            if (rows[later] == rows[k]) sums[later] = sums[k];
          }
        }
      }
      const int64_t destination_element = to + y * dx_;
      uint8_t* d = IpiGetOutputRow(sys_, out_.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys_);
      if (in_.has_roi()) {
        // The source gate is read at column i0 of the neighbourhood's first row.
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys_, in_, from + span_first * sx_, sx_, source_flags_.data()));
      }
      if (out_.has_roi()) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys_, out_, destination_element, dx_, destination_flags_.data()));
      }
      const bool gated = in_.has_roi() || out_.has_roi();
      const int64_t first = columns_.first;
      if (!is_bits_ && !gated) {
        geometry::BlendRows<N, Sum>(sums, wy, count, d + first);
        IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys_, out_.stream, destination_element));
        continue;
      }
      const int64_t d_bit = is_bits_ ? geometry::BitInByte(destination_element) + first : 0;
      for (int64_t i = 0; i < count; ++i) {
        if (gated && !Open(i)) continue;
        int32_t sum = 0;
        for (int k = 0; k < N; ++k) sum += wy[k] * sums[k][i];
        if (!is_bits_) {
          d[first + i] = static_cast<uint8_t>(std::clamp((sum + kHalfProduct) >> kProductShift, 0, 255));
        } else {
          // The deciding value wins where its weight reaches the threshold
          // (value 1), or exceeds it (value 0).
          const bool bit = keeps_zeros_ ? !(sum > threshold_) : sum >= threshold_;
          IpiSetBit(out_, d, d_bit + i, bit);
        }
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys_, out_.stream, destination_element));
    }
    return kIpiNoError;
  }

  // Halving bytes exactly between elements in both directions: every weight
  // product is 128 x 128, so the element is (sum of the 2 x 2 + 2) >> 2, the
  // same value the weighted sum gives, formed directly from the two rows.
  int AveragePairs(int64_t span_element, int64_t destination_element) {
    const uint8_t* top = IpiGetInputRow(sys_, in_.stream, span_element);
    if (top == nullptr) return IpiGetLastError(sys_);
    uint8_t* d = IpiGetOutputRow(sys_, out_.stream, destination_element);
    if (d == nullptr) return IpiGetLastError(sys_);
    const uint8_t* a = top + columns_.index[0][0];
    geometry::AveragePairsRow(a, a + sx_, columns_.count(), 1, d + columns_.first);
    return IpiPutOutputRow(sys_, out_.stream, destination_element);
  }

  bool Open(int64_t i) const {
    if (in_.has_roi() && source_flags_[static_cast<size_t>(columns_.i0[static_cast<size_t>(i)])] == 0) return false;
    return !out_.has_roi() || destination_flags_[static_cast<size_t>(columns_.first + i)] != 0;
  }

  IpiSystem* sys_;
  const IpiAccessor& in_;
  const IpiAccessor& out_;
  ResamplePlan plan_;
  ColumnTaps<N> columns_;
  geometry::HorizontalPass<N, Sum> pass_;  // byte rows
  bool is_bits_ = false;
  bool keeps_zeros_ = false;  // "morphologicalOperation" 71: the deciding value is 0
  bool averages_pairs_ = false;  // bilinear halving of bytes, no gate: AveragePairs
  int64_t threshold_ = kHalfProduct;
  int64_t sx_ = 0, sy_ = 0, dx_ = 0;
  // N slots: a destination row needs at most N rows, so the least recently
  // used slot is never one of them.
  std::array<CachedRow, kTaps<M>> cache_;
  uint64_t clock_ = 0;
  std::vector<uint8_t> source_flags_;
  std::vector<uint8_t> destination_flags_;
};

template <Method M>
int RunInterpolating(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w,
                     const geometry::ResampleAcceptance& accepts) {
  ScopedAccessor in;
  ScopedAccessor out;
  int status = geometry::OpenResampleImages(sys, source, destination, w, accepts, -kTaps<M>, in, out);
  if (status == 0) status = InterpolatingRun<M>(sys, *in, *out, w).Run();
  return in || out ? geometry::CloseImages(sys, status, out, in) : status;
}

// The ramp's weight w for one axis at ratio r (m = 1 for bilinear, 3 for the
// cubic kernels).
double AxisRamp(double ratio, double m, int32_t ramp) {
  if (ratio < 1.0) return 1.0;
  const double d = ratio - 1.0;
  if (d > m) return 0.0;
  switch (ramp) {
    case kRampCube: return std::pow((m - d) / m, 3);
    case kRampSquare: return std::pow((m - d) / m, 2);
    case kRampLinear: return (m - d) / m;
    default: {
      const double n = 2.0 * m;
      return 0.34 + 0.5 * std::cos(2.0 * std::numbers::pi * d / n) + 0.16 * std::cos(4.0 * std::numbers::pi * d / n);
    }
  }
}

}  // namespace

void IpiBSplineWeights(double f, int32_t weights[4]) {
  // Taps at distances f + 1, f, 1 - f and 2 - f.
  const auto outer = [](double t) { return (2.0 - t) * (2.0 - t) * (2.0 - t) * kOneSixth; };
  const auto inner = [](double t) { return t * t * t / 2.0 - t * t + kTwoThirds; };
  const double exact[4] = {outer(f + 1.0), inner(f), inner(1.0 - f), outer(2.0 - f)};
  NormaliseWeights(exact, weights);
}

void IpiCubicConvolutionWeights(double f, int32_t weights[4]) {
  const auto outer = [](double t) { return (-0.5 * t + 2.5) * t * t - 4.0 * t + 2.0; };
  const auto inner = [](double t) { return 1.5 * t * t * t - 2.5 * t * t + 1.0; };
  const double exact[4] = {outer(f + 1.0), inner(f), inner(1.0 - f), outer(2.0 - f)};
  NormaliseWeights(exact, weights);
}

double IpiRampWeight(IpiSystem* sys, double rx, double ry) {
  if (IpiCheckSystem(sys) != 0) return kHalfProduct;  // no context: no rule to read
  if (IpiSystemValue(sys, IpiSystemAttribute::kMorphologicalOperation) == kMorphologyNone) return kHalfProduct;
  const double m = IpiSystemValue(sys, IpiSystemAttribute::kInterpolation) == kInterpolationBilinear ? 1.0 : 3.0;
  const int32_t ramp = IpiSystemValue(sys, IpiSystemAttribute::kThresholdRamp);
  const double threshold = kHalfProduct * AxisRamp(rx, m, ramp) * AxisRamp(ry, m, ramp);
  return threshold < 1.0 ? 1.0 : threshold;
}

int IpiResampleBilinear(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w) {
  return RunInterpolating<Method::kBilinear>(sys, source, destination, w, {.bits = true, .bytes_gated = true});
}

int IpiResampleBSpline(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w) {
  return RunInterpolating<Method::kBSpline>(sys, source, destination, w,
                                            {.bits = true, .bits_gated = true, .bytes_gated = true});
}

int IpiResampleCubicConvolution(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                const IpiResampleWindows& w) {
  return RunInterpolating<Method::kCubicConvolution>(sys, source, destination, w,
                                                     {.bits = true, .bits_gated = true, .bytes_gated = true});
}
