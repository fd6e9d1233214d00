// Resizing packed bitmap rows in place; see packed_resize.h. Every byte of
// the result's rows is written here (the handle is not cleared first): the
// samples by the core's row kernels, the padding as zeros.
#include "api/geometry/packed_resize.h"

#include <cstring>
#include <vector>

#include "api/frame/packed_result.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/resample_mapping.h"
#include "core/operators/geometry/resample_rows.h"

namespace {

using geometry::AxisMapping;

constexpr int32_t kColourBits = 24;
constexpr int kColourPixelBytes = 3;  // blue, green, red
constexpr int32_t kBytesBits = 8;

// Rows of a packed bitmap by picture row: row 0, the top, is stored last.
template <class Byte>
struct PictureRows {
  Byte* base = nullptr;
  int64_t row_bytes = 0;
  int64_t height = 0;
  Byte* Row(int64_t y) const { return base + (height - 1 - y) * row_bytes; }
};
using SourceRows = PictureRows<const uint8_t>;
using ResultRows = PictureRows<uint8_t>;

// The samples of one result row lie in [first, first + count) pixels: the
// rest of the row, padding included, is zero.
void ClearAround(uint8_t* row, int64_t row_bytes, int64_t first, int64_t count, int pixel_bytes) {
  const int64_t begin = first * pixel_bytes;
  const int64_t end = (first + count) * pixel_bytes;
  std::memset(row, 0, static_cast<size_t>(begin));
  std::memset(row + end, 0, static_cast<size_t>(row_bytes - end));
}

void ResizeNearest(const SourceRows& in, const AxisMapping& mx, const AxisMapping& my, const ResultRows& out,
                   int pixel_bytes) {
  const geometry::NearestColumns columns = geometry::MakeNearestColumns(mx);
  int64_t made_from = -1;  // the source row of the last row made
  const uint8_t* made = nullptr;
  for (int64_t y = out.height - 1; y >= 0; --y) {
    uint8_t* row = out.Row(y);
    const int64_t sy = my.Nearest(y);
    if (!my.Inside(sy) || columns.count() == 0) {
      std::memset(row, 0, static_cast<size_t>(out.row_bytes));
      continue;
    }
    // Enlarging, neighbouring rows repeat one source row.
    if (sy == made_from) {
      std::memcpy(row, made, static_cast<size_t>(out.row_bytes));
      continue;
    }
    geometry::NearestRow(in.Row(sy), columns, pixel_bytes, row + columns.first * pixel_bytes);
    ClearAround(row, out.row_bytes, columns.first, columns.count(), pixel_bytes);
    made_from = sy;
    made = row;
  }
}

// The horizontal sums of the last two source rows used.
class SumRows {
 public:
  SumRows(const geometry::HorizontalPass<2, uint16_t>& pass, const SourceRows& in, size_t samples)
      : pass_(pass), in_(in) {
    for (auto& sums : sums_) sums.resize(samples);
  }
  // The sums of source row `row`, keeping those of `keep`.
  const uint16_t* Of(int64_t row, int64_t keep) {
    for (int k = 0; k < 2; ++k) {
      if (held_[k] == row) return sums_[k].data();
    }
    const int slot = held_[0] == keep ? 1 : 0;
    pass_.Run(in_.Row(row), sums_[slot].data());
    held_[slot] = row;
    return sums_[slot].data();
  }

 private:
  const geometry::HorizontalPass<2, uint16_t>& pass_;
  const SourceRows& in_;
  std::vector<uint16_t> sums_[2];
  int64_t held_[2] = {-1, -1};
};

void ResizeBilinear(const SourceRows& in, const AxisMapping& mx, const AxisMapping& my, const ResultRows& out,
                    int pixel_bytes) {
  const geometry::ColumnTaps<2> columns(mx, geometry::BilinearWeightsAt);
  const geometry::HorizontalPass<2, uint16_t> pass(columns, pixel_bytes);
  const int64_t count = columns.count();
  const int64_t first = columns.first;
  // Halving exactly between elements averages 2 x 2 blocks directly.
  const bool averages_pairs = pass.is_halving() && columns.weight[0][0] == columns.weight[0][1] &&
                              columns.index[0][1] == columns.index[0][0] + 1;
  const int64_t left_tap = count > 0 ? columns.index[0][0] * pixel_bytes : 0;
  SumRows sums(pass, in, static_cast<size_t>(count * pixel_bytes));
  const int64_t last_source_row = in.height - 1;
  for (int64_t y = out.height - 1; y >= 0; --y) {
    uint8_t* row = out.Row(y);
    int64_t fraction = 0;
    const int64_t j0 = my.Interpolating(y, &fraction);
    if (!my.Inside(j0) || count == 0) {
      std::memset(row, 0, static_cast<size_t>(out.row_bytes));
      continue;
    }
    const geometry::Taps<2> wy = geometry::BilinearWeightsAt(fraction, my.denominator());
    const geometry::Taps<2> rows = geometry::TapIndices<2>(j0, last_source_row);
    uint8_t* target = row + first * pixel_bytes;
    if (averages_pairs && wy[0] == wy[1] && rows[1] == rows[0] + 1) {
      geometry::AveragePairsRow(in.Row(rows[0]) + left_tap, in.Row(rows[1]) + left_tap, count, pixel_bytes, target);
    } else {
      const uint16_t* top = sums.Of(rows[0], rows[1]);
      const uint16_t* bottom = sums.Of(rows[1], rows[0]);
      const uint16_t* both[2] = {top, bottom};
      geometry::BlendRows<2, uint16_t>(both, wy, count * pixel_bytes, target);
    }
    ClearAround(row, out.row_bytes, first, count, pixel_bytes);
  }
}

}  // namespace

bool CanResizeInPlace(const PackedBitmapInfo& info, int32_t interpolation) {
  const bool bytes = info.bits_per_pixel == kBytesBits || info.bits_per_pixel == kColourBits;
  return !info.is_run_length && bytes &&
         (interpolation == kInterpolationNearest || interpolation == kInterpolationBilinear);
}

HGLOBAL ResizeInPlace(CmiCall& call, const CmiSource& source, int64_t width, int64_t height, int32_t interpolation) {
  const PackedBitmapInfo& info = source.info;
  const bool is_colour = info.bits_per_pixel == kColourBits;
  const int pixel_bytes = is_colour ? kColourPixelBytes : 1;
  PackedResult result;
  if (!result.Create(call, source, width, height)) return 0;
  const SourceRows in{source.bytes + info.pixel_offset, info.row_bytes, info.height_px};
  const ResultRows out{result.Row(height - 1), static_cast<int64_t>(result.row_bytes()), height};
  const AxisMapping mx(0, info.width_px, 0, width, info.width_px, width);
  const AxisMapping my(0, info.height_px, 0, height, info.height_px, height);
  if (interpolation == kInterpolationNearest) {
    ResizeNearest(in, mx, my, out, pixel_bytes);
  } else {
    ResizeBilinear(in, mx, my, out, pixel_bytes);
  }
  return result.Finish(call);
}
