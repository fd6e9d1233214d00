// Colour balance: one table of 256 entries per band, built once.
#include "core/operators/colour/colour_balance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

// 255 x 0.01 as the double product gives it: a shift of 50 is 128, 1 is 3.
constexpr double kPercentOfRange = 2.5500000000000003;

int32_t Shift(int32_t percent) {
  const double magnitude = std::abs(static_cast<double>(percent)) * kPercentOfRange + 0.5;
  const int32_t d = static_cast<int32_t>(std::min(magnitude, 255.0));
  return percent < 0 ? -d : d;
}

}  // namespace

int IpiColourBalance(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t shift0, int32_t shift1,
                     int32_t shift2) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  const int32_t shifts[kColourBands] = {Shift(shift0), Shift(shift1), Shift(shift2)};
  ByteTable tables[kColourBands];
  for (int k = 0; k < kColourBands; ++k) {
    for (int v = 0; v < kTableEntries; ++v) tables[k][v] = static_cast<uint8_t>(std::clamp(v + shifts[k], 0, 255));
  }
  // Images of fewer than three bands are refused by the frame with 8.
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source, kColourBands}},
                  {FrameImage{destination, kColourBands}}, [&tables](const FrameRow& row) {
                    for (int k = 0; k < kColourBands; ++k) {
                      const uint8_t* in = row.source(0, k).data;
                      uint8_t* out = row.destination(0, k).data;
                      const uint8_t* table = tables[k].data();
                      if (row.gate.none()) {
                        for (int64_t i = 0; i < row.count; ++i) out[i] = table[in[i]];
                      } else {
                        for (int64_t i = 0; i < row.count; ++i) {
                          if (row.gate.open(i)) out[i] = table[in[i]];
                        }
                      }
                    }
                  });
}
