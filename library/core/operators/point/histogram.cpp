// The histogram: the bin of every sample value is one table of 256 entries;
// the counts are gathered in memory and written to the histogram once.
#include "core/operators/point/histogram.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr int32_t kCountBits = 32;

}  // namespace

int IpiComputeHistogram(IpiSystem* sys, IpiObject* source, IpiObject* histogram) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, histogram, kDataTypeWord));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, histogram, kCountBits));
  const int64_t bins = histogram->fields.dimension[kDimX];
  // Past 256 bins the width 255 / (N - 1) is 0: refused rather than divided by.
  IPI_RETURN_IF_ERROR(RequireInRange(sys, bins, 2, kMaxHistogramBins));

  const int32_t bin_width = 255 / static_cast<int32_t>(bins - 1);
  std::array<uint8_t, kTableEntries> bin_of;
  for (int v = 0; v < kTableEntries; ++v) bin_of[v] = static_cast<uint8_t>(std::min<int64_t>(v / bin_width, bins - 1));
  // Four interleaved tallies keep consecutive equal samples from waiting on
  // each other. An 8-bit image holds at most 2^30 elements: no tally wraps.
  std::array<std::array<uint32_t, kTableEntries>, 4> tallies{};

  IPI_RETURN_IF_ERROR(RunFrame(sys, BandWalk::kWalk, {FrameImage{source}}, {}, [&](const FrameRow& row) {
    const uint8_t* samples = row.source(0).data;
    const int64_t count = row.count;
    if (row.gate.none()) {
      int64_t i = 0;
      for (; i + 4 <= count; i += 4) {
        ++tallies[0][samples[i]];
        ++tallies[1][samples[i + 1]];
        ++tallies[2][samples[i + 2]];
        ++tallies[3][samples[i + 3]];
      }
      for (; i < count; ++i) ++tallies[0][samples[i]];
      return;
    }
    for (int64_t i = 0; i < count; ++i) tallies[0][samples[i]] += row.gate.open(i) ? 1 : 0;
  }));
  std::array<uint32_t, kMaxHistogramBins> counts{};
  for (int v = 0; v < kTableEntries; ++v) {
    counts[bin_of[v]] += tallies[0][v] + tallies[1][v] + tallies[2][v] + tallies[3][v];
  }

  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, histogram, AccessMode::kWrite, 1, accessor));
  uint8_t* row = IpiGetOutputRow(sys, accessor.stream(), 0);
  if (row == nullptr) return IpiGetLastError(sys);
  for (int64_t bin = 0; bin < bins; ++bin) {
    const uint32_t count = counts[static_cast<size_t>(bin)];
    std::memcpy(row + bin * sizeof count, &count, sizeof count);
  }
  IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, accessor.stream(), 0));
  return accessor.Close();
}
