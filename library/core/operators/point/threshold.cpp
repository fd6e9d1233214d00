// Threshold: the decision for every sample value is one table of 256 entries,
// built once; an 8-bit destination takes the table's bytes, a bitmap its bits.
#include "core/operators/point/threshold.h"

#include <algorithm>
#include <cmath>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/lookup_table.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

// The value as an integer, truncated toward zero, kept within -1..256 (all
// that a comparison with a byte or a limit to 0..255 can tell apart); NaN is 0.
int32_t TruncatedValue(const IpiTypedValue& v) {
  if (v.data_type != kDataTypeReal) return std::clamp(v.value.integer, -1, 256);
  const double real = v.value.real;
  if (std::isnan(real)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(real), -1.0, 256.0));
}

}  // namespace

int IpiThreshold(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiTypedValue threshold,
                 IpiTypedValue below, IpiTypedValue above) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, {kDataTypeBoolean, kDataTypeNonnegative}));
  const bool is_bitmap = destination->fields.data_type == kDataTypeBoolean;
  IPI_RETURN_IF_ERROR(is_bitmap ? RequireBitmapImage(sys, destination) : RequireByteImage(sys, destination));

  const int32_t t = TruncatedValue(threshold);
  const uint8_t a = static_cast<uint8_t>(std::clamp(TruncatedValue(below), 0, 255));
  const uint8_t b = static_cast<uint8_t>(std::clamp(TruncatedValue(above), 0, 255));
  ByteTable table;
  for (int v = 0; v < kTableEntries; ++v) table[v] = v < t ? a : b;
  if (!is_bitmap) return MapThroughTable(sys, source, destination, table);

  // A bit is set where the chosen value is non-zero: at or above T it is
  // B's, below it A's, so one comparison per sample decides.
  const uint8_t bit_above = b != 0 ? 1 : 0;
  const uint8_t bit_below = a != 0 ? 1 : 0;
  const int32_t first_above = std::clamp(t, 0, kTableEntries);
  ScratchRow scratch;
  // The decision values are copied into the kernel: captured by reference they
  // would be reloaded after every byte stored (a byte store may alias them).
  return RunRowOperator(sys, *source, *destination,
                        [first_above, bit_above, bit_below, &scratch](RowIn in, RowOut out, const Gate& gate) {
                          uint8_t* bits = scratch.Get(in.count);
                          const uint8_t* samples = in.data;
                          const int64_t count = in.count;
                          for (int64_t i = 0; i < count; ++i) {
                            bits[i] = samples[i] >= first_above ? bit_above : bit_below;
                          }
                          PackBits(out, bits, gate);
                        });
}
