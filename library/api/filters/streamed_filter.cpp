// The filters over the caller's rows; see streamed_filter.h. The row kernels
// are the operators' own (filter_rows.h) fed through the same padded window,
// so every result row is computed from the same padded rows as on the road
// through image objects.
#include "api/filters/streamed_filter.h"

#include <cstring>
#include <optional>
#include <vector>

#include "api/filters/filter_kernels.h"
#include "api/frame/packed_result.h"
#include "core/operators/neighbourhood/filter_rows.h"
#include "core/operators/neighbourhood/gradient_filter.h"
#include "interchange/rows/bmp_rows.h"

namespace {

constexpr int kMaxByte = 255;

const WindowShape kShape3x3{kFilterKernelSide, kFilterKernelSide};

std::vector<int16_t> Weights(const Kernel3x3& kernel) { return {std::begin(kernel.weights), std::end(kernel.weights)}; }

// Find edges: the gradient's edges dark on a light ground.
class InvertedGradientRows {
 public:
  InvertedGradientRows()
      : rows_(kShape3x3, EdgeKernelWeights(kEdgeKernelHorizontal, kFilterKernelSide, kFilterKernelSide),
              EdgeKernelWeights(kEdgeKernelVertical, kFilterKernelSide, kFilterKernelSide),
              EdgeKernelScale(kEdgeKernelHorizontal, kFilterKernelSide, kFilterKernelSide), kGradientSumOfMagnitudes) {}
  const WindowShape& shape() const { return rows_.shape(); }
  void Filter(const PaddedWindow& window, int64_t count, uint8_t* out) const {
    rows_.Filter(window, count, out);
    for (int64_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(kMaxByte - out[i]);
  }

 private:
  GradientRows rows_;
};

// The caller's bitmap as rows of the picture.
class SourceRows {
 public:
  explicit SourceRows(const CmiSource& source)
      : rows_(source.bytes + source.info.pixel_offset),
        height_px_(source.info.height_px),
        row_bytes_(static_cast<uint64_t>(source.info.row_bytes)) {}
  // Row y of the picture (0 the top row): rows are stored bottom-up.
  const uint8_t* Row(int64_t y) const { return rows_ + static_cast<uint64_t>(height_px_ - 1 - y) * row_bytes_; }

 private:
  const uint8_t* rows_;
  int64_t height_px_;
  uint64_t row_bytes_;
};

// The three sample lines (red, green, blue) of the 24-bit rows the windows
// hold, split once per row as it enters: a ring of one slot per window row,
// keyed by source row. The rows one result row reads lie fewer than the
// window's height apart, so no two of them share a slot.
class SplitRows {
 public:
  SplitRows(int64_t width_px, int32_t slots)
      : width_px_(width_px),
        lines_(kBands * static_cast<size_t>(width_px) * static_cast<size_t>(slots)),
        slot_rows_(static_cast<size_t>(slots), -1) {}

  // Band `band` of source row `row`, whose stored pixels start at `pixels`.
  const uint8_t* Line(const uint8_t* pixels, int64_t row, int band) {
    const size_t slot = static_cast<size_t>(row) % slot_rows_.size();
    uint8_t* lines = lines_.data() + slot * kBands * static_cast<size_t>(width_px_);
    const auto line_bytes = static_cast<size_t>(width_px_);
    if (slot_rows_[slot] != row) {
      SplitPixels(pixels, width_px_, kBands, lines, lines + line_bytes, lines + 2 * line_bytes);
      slot_rows_[slot] = row;
    }
    return lines + static_cast<size_t>(band) * line_bytes;
  }

  static constexpr int kBands = 3;

 private:
  int64_t width_px_;
  std::vector<uint8_t> lines_;
  std::vector<int64_t> slot_rows_;
};

// Runs `rows` over the rectangle, row by row from the top. Each band gets
// its own padded window, which copies a line once as it enters (with the
// mirrored columns) and keeps it while the window holds it; an 8-bit line is
// the caller's row itself.
template <typename Rows>
HGLOBAL StreamRows(CmiCall& call, const CmiSource& source, const CmiRectangle& rect, const Rows& rows) {
  PackedResult result;
  if (!result.Create(call, source)) return 0;
  const int bands = source.info.bits_per_pixel == 24 ? SplitRows::kBands : 1;
  const auto payload = static_cast<size_t>(source.info.width_px * bands);
  const auto left = static_cast<size_t>(rect.x * bands);
  const auto middle = static_cast<size_t>(rect.width * bands);
  const SourceRows in(source);

  std::vector<PaddedWindow> windows;
  windows.reserve(static_cast<size_t>(bands));
  for (int b = 0; b < bands; ++b) {
    windows.emplace_back(rows.shape(), Boundary::kMirror, rect.width, rect.height, 0, rect.width);
  }
  std::optional<SplitRows> split;
  std::vector<uint8_t> filtered;
  if (bands > 1) {
    split.emplace(rect.width, rows.shape().height);
    filtered.resize(static_cast<size_t>(bands * rect.width));
  }
  const auto band_line = [&](int b) { return filtered.data() + static_cast<size_t>(b * rect.width); };
  for (int64_t y = 0; y < source.info.height_px; ++y) {
    const uint8_t* from = in.Row(y);
    uint8_t* to = result.Row(y);
    std::memset(to + payload, 0, result.row_bytes() - payload);
    const int64_t ry = y - rect.y;
    if (ry < 0 || ry >= rect.height) {
      std::memcpy(to, from, payload);
      continue;
    }
    std::memcpy(to, from, left);
    std::memcpy(to + left + middle, from + left + middle, payload - left - middle);
    if (bands == 1) {
      windows[0].LoadLines(ry, [&](int64_t r) { return in.Row(rect.y + r) + left; });
      rows.Filter(windows[0], rect.width, to + left);
      continue;
    }
    for (int b = 0; b < bands; ++b) {
      PaddedWindow& window = windows[static_cast<size_t>(b)];
      window.LoadLines(ry, [&](int64_t r) { return split->Line(in.Row(rect.y + r) + left, r, b); });
      rows.Filter(window, rect.width, band_line(b));
    }
    MergePixels(band_line(0), band_line(1), band_line(2), rect.width, SplitRows::kBands, to + left);
  }
  return result.Finish(call);
}

}  // namespace

bool CanStreamFilter(const PackedBitmapInfo& info) {
  return !info.is_run_length && (info.bits_per_pixel == 8 || info.bits_per_pixel == 24);
}

HGLOBAL StreamNeighbourhoodFilter(CmiCall& call, const CmiSource& source, const CmiRectangle& rect,
                                  const FilterRequest& request) {
  const auto run = [&](const auto& rows) { return StreamRows(call, source, rect, rows); };
  switch (request.filter) {
    case NeighbourhoodFilter::kEmboss:
    case NeighbourhoodFilter::kSharpen: {
      const WeightedKernel3x3& fixed = WeightedKernelFor(request);
      return run(WeightedRows(kShape3x3, Weights(fixed.kernel), fixed.kernel.scale_factor, fixed.a, fixed.b, fixed.c));
    }
    case NeighbourhoodFilter::kBlur:
    case NeighbourhoodFilter::kEdgeEnhance:
    case NeighbourhoodFilter::kEdgeDetection: {
      const Kernel3x3& kernel = ConvolutionKernelFor(request);
      return run(ConvolutionRows(kShape3x3, Weights(kernel), kernel.scale_factor));
    }
    case NeighbourhoodFilter::kFindEdges: return run(InvertedGradientRows());
    case NeighbourhoodFilter::kMedian:
    case NeighbourhoodFilter::kRankOrder: {
      const int32_t side = 2 * request.radius + 1;
      const std::vector<uint8_t> mask(static_cast<size_t>(side) * static_cast<size_t>(side), 1);
      return run(RankRows({side, side}, mask, RankFor(request)));
    }
  }
  return call.Fail(kCmiStatusBadArgument);
}
