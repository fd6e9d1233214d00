// Ordered dither. Every comparison "value x S > d x k" with S > 0 is the same
// as "value > floor(d x k / S)" for whole numbers, so each array entry becomes
// one threshold before the walk (per band for levels); with S <= 0 the
// left side is never above the right and nothing rises.
#include "core/operators/point/ordered_dither.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr int kMaxLevelBands = 4;
constexpr int32_t kNeverAbove = std::numeric_limits<int32_t>::max();

struct DitherArray {
  int64_t width = 0;
  int64_t height = 0;
  int32_t scale = 0;
  std::vector<uint8_t> entries;  // width x height, row by row
};

int ReadDitherArray(IpiSystem* sys, IpiObject* array, DitherArray& out) {
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, array));
  out.width = array->fields.dimension[kDimX];
  out.height = array->fields.dimension[kDimY];
  out.scale = array->fields.scale_factor;
  if (out.width < 1 || out.height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  out.entries.resize(static_cast<size_t>(out.width * out.height));
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, array, AccessMode::kRead, 1, accessor));
  for (int64_t y = 0; y < out.height; ++y) {
    const uint8_t* row = IpiGetInputRow(sys, accessor.stream(), y * out.width);
    if (row == nullptr) return IpiGetLastError(sys);
    std::memcpy(out.entries.data() + y * out.width, row, static_cast<size_t>(out.width));
  }
  return accessor.Close();
}

// floor(d x factor / S) for each entry d: a value rises where it is above it.
std::vector<int32_t> EntryThresholds(const DitherArray& array, int64_t factor) {
  std::vector<int32_t> thresholds(array.entries.size(), kNeverAbove);
  if (array.scale <= 0) return thresholds;
  for (size_t e = 0; e < thresholds.size(); ++e) {
    thresholds[e] = static_cast<int32_t>(int64_t{array.entries[e]} * factor / array.scale);
  }
  return thresholds;
}

}  // namespace

int IpiOrderedDither(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* dither_array,
                     IpiObject* levels) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, {kDataTypeBoolean, kDataTypeNonnegative}));
  const bool is_bitmap = destination->fields.data_type == kDataTypeBoolean;
  IPI_RETURN_IF_ERROR(is_bitmap ? RequireBitmapImage(sys, destination) : RequireByteImage(sys, destination));
  const int32_t max_value = MaxSampleValue(*source);

  int32_t steps[kMaxLevelBands] = {};
  if (!is_bitmap) {
    int32_t level_counts[kMaxLevelBands] = {};
    const int bands = source->fields.dimension[kDimB];
    IPI_RETURN_IF_ERROR(ReadLevels(sys, levels, bands, max_value + 1, level_counts));
    for (int b = 0; b < bands; ++b) steps[b] = max_value / (level_counts[b] - 1);
  }
  DitherArray array;
  IPI_RETURN_IF_ERROR(ReadDitherArray(sys, dither_array, array));
  const int64_t width = array.width;
  const int64_t height = array.height;
  ScratchRow scratch;

  if (is_bitmap) {
    // source x S > d x 2^P
    const std::vector<int32_t> thresholds = EntryThresholds(array, int64_t{max_value} + 1);
    return RunRowOperator(sys, *source, *destination, [&thresholds, &scratch, width, height](RowIn in, RowOut out,
                                                                                           const Gate& gate) {
      const int32_t* tile_row = thresholds.data() + (in.y % height) * width;
      int64_t column = in.x % width;
      uint8_t* bits = scratch.Get(in.count);
      for (int64_t i = 0; i < in.count; ++i) {
        bits[i] = in.data[i] > tile_row[column] ? 1 : 0;
        if (++column == width) column = 0;
      }
      PackBits(out, bits, gate);
    });
  }

  // r x S > d x step, per band; base and r of every sample value per band.
  std::vector<int32_t> thresholds[kMaxLevelBands];
  uint8_t bases[kMaxLevelBands][kTableEntries];
  uint8_t rests[kMaxLevelBands][kTableEntries];
  for (int b = 0; b < source->fields.dimension[kDimB]; ++b) {
    thresholds[b] = EntryThresholds(array, steps[b]);
    for (int v = 0; v < kTableEntries; ++v) {
      const int32_t base = v / steps[b] * steps[b];
      bases[b][v] = static_cast<uint8_t>(std::min(base, max_value));
      rests[b][v] = static_cast<uint8_t>(v - base);
    }
  }
  return RunRowOperator(sys, *source, *destination, [&, width, height, max_value](RowIn in, RowOut out,
                                                                                   const Gate& gate) {
    const int band = in.band;
    const int32_t step = steps[band];
    const int32_t* tile_row = thresholds[band].data() + (in.y % height) * width;
    const uint8_t* base = bases[band];
    const uint8_t* rest = rests[band];
    int64_t column = in.x % width;
    for (int64_t i = 0; i < in.count; ++i) {
      if (gate.open(i)) {
        const uint8_t v = in.data[i];
        const int32_t level = rest[v] > tile_row[column] ? base[v] + step : base[v];
        out.data[i] = static_cast<uint8_t>(std::min(level, max_value));
      }
      if (++column == width) column = 0;
    }
  });
}
