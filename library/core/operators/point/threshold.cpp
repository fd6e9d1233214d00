// Threshold: an 8-bit destination takes the bytes of one table of 256
// entries; a bitmap takes one comparison per sample, packed into its bits
// sixteen samples at a time.
#include "core/operators/point/threshold.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/lookup_table.h"
#include "core/operators/point/point_common.h"
#include "core/operators/reversed_bits.h"
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

using BitDecision = ThresholdBitRule;

// A mask of 16 samples, bit k for sample k, set where the sample's bit is.
inline uint32_t DecideSixteen(const uint8_t* samples, const BitDecision& d) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
  // max(v, T) == v exactly where v >= T (unsigned).
  const __m128i at_or_above = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(static_cast<char>(d.first_above))), v);
  const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(at_or_above));
#else
  uint32_t mask = 0;
  for (int k = 0; k < 16; ++k) mask |= static_cast<uint32_t>(samples[k] >= d.first_above) << k;
#endif
  const uint32_t above = d.is_above_set ? mask : 0;
  const uint32_t below = d.is_below_set ? ~mask & 0xFFFFu : 0;
  return above | below;
}

// Whole bytes from 16 samples at a time, as many as `count` fills; returns
// the samples done.
int64_t ThresholdSixteens(const uint8_t* samples, int64_t count, const BitDecision& d, bool is_msb_first,
                          uint8_t* byte) {
  int64_t i = 0;
  for (; i + 16 <= count; i += 16, byte += 2) {
    const uint32_t mask = DecideSixteen(samples + i, d);
    byte[0] = static_cast<uint8_t>(mask);
    byte[1] = static_cast<uint8_t>(mask >> 8);
    // The mask has sample k at bit k; a most-significant-first bitmap wants it at bit 7 - k.
    if (is_msb_first) {
      byte[0] = kReversedBits[byte[0]];
      byte[1] = kReversedBits[byte[1]];
    }
  }
  return i;
}

// The row's samples straight into its bits: the elements before the first
// whole byte and after the last one singly (their byte's other bits are the
// neighbours'), the bytes between from 16 samples at a time.
void ThresholdIntoBits(const uint8_t* samples, const RowRef& out, const BitDecision& d) {
  const int64_t count = out.count;
  int64_t i = 0;
  for (; i < count && ((out.bit + i) & 7) != 0; ++i) out.Set(i, d.BitOf(samples[i]) != 0);
  uint8_t* byte = out.data + ((out.bit + i) >> 3);
  const bool is_msb_first = IsMsbFirst(out);
  i += ThresholdSixteens(samples + i, count - i, d, is_msb_first, byte);
  for (; i < count; ++i) out.Set(i, d.BitOf(samples[i]) != 0);
}

}  // namespace

ThresholdBitRule ThresholdBitRuleFor(int32_t t, bool is_below_set, bool is_above_set) {
  if (t <= 0) return {0, is_above_set, is_above_set};
  if (t >= kTableEntries) return {0, is_below_set, is_below_set};
  return {static_cast<uint8_t>(t), is_above_set, is_below_set};
}

void ThresholdRowToBits(const uint8_t* samples, int64_t count, const ThresholdBitRule& rule, uint8_t* bits) {
  int64_t i = ThresholdSixteens(samples, count, rule, true, bits);
  uint8_t* byte = bits + (i >> 3);
  for (; i < count; i += 8, ++byte) {
    const int64_t in_byte = std::min<int64_t>(8, count - i);
    uint32_t value = 0;
    for (int64_t k = 0; k < in_byte; ++k) value |= uint32_t{rule.BitOf(samples[i + k])} << (7 - k);
    *byte = static_cast<uint8_t>(value);
  }
}

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
  const BitDecision decision = ThresholdBitRuleFor(t, a != 0, b != 0);
  ScratchRow scratch;
  // The decision is copied into the kernel: captured by reference it would be
  // reloaded after every byte stored (a byte store may alias it).
  return RunRowOperator(sys, *source, *destination, [decision, &scratch](RowIn in, RowOut out, const Gate& gate) {
    if (!gate.none()) {
      uint8_t* bits = scratch.Get(in.count);
      for (int64_t i = 0; i < in.count; ++i) bits[i] = decision.BitOf(in.data[i]);
      PackBits(out, bits, gate);
      return;
    }
    ThresholdIntoBits(in.data, out, decision);
  });
}
