// Shared helpers of the point and colour operators; see point_common.h.
#include "core/operators/point/point_common.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/status.h"

namespace {

// Eight 0/1 bytes and one packed byte, whole words at a time. A row of eight
// elements is read as one little-endian word, byte k at bits 8k.
static_assert(std::endian::native == std::endian::little, "the word tricks read bytes in little-endian order");

// Multiplying moves bit 8k to bit 56 + the element's place in its byte; no two
// partial products share a bit, so nothing carries into the top byte.
constexpr uint64_t kGatherMsbFirst = 0x8040201008040201u;  // element k to bit 7 - k
constexpr uint64_t kGatherLsbFirst = 0x0102040810204080u;  // element k to bit k
// Byte k of these selects element k's bit from a byte copied into all eight.
constexpr uint64_t kSelectMsbFirst = 0x0102040810204080u;  // 0x80 in byte 0
constexpr uint64_t kSelectLsbFirst = 0x8040201008040201u;  // 0x01 in byte 0
constexpr uint64_t kEveryByte = 0x0101010101010101u;

inline uint8_t PackEight(const uint8_t* values, uint64_t gather) {
  uint64_t word;
  std::memcpy(&word, values, sizeof word);
  return static_cast<uint8_t>((word * gather) >> 56);
}

inline void UnpackEight(uint8_t packed, uint64_t select, uint8_t* values) {
  const uint64_t bits = (packed * kEveryByte) & select;
  // A selected bit (at most 0x80) plus 0x7F sets bit 7 of its byte without
  // carrying into the next.
  const uint64_t word = ((bits + 0x7F * kEveryByte) >> 7) & kEveryByte;
  std::memcpy(values, &word, sizeof word);
}

}  // namespace

bool IsMsbFirst(const RowRef& row) { return row.accessor->bit_masks[0] == 0x80; }

int RequireByteImage(IpiSystem* sys, IpiObject* obj) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, obj, kDataTypeNonnegative));
  return RequireStoredBits(sys, obj, kByteBits);
}

int RequireBitmapImage(IpiSystem* sys, IpiObject* obj) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, obj, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, obj, kBooleanBits));
  const int32_t order = obj->fields.bit_order;
  if (order != kOrderMsbFirst && order != kOrderLsbFirst) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return kIpiNoError;
}

int32_t MaxSampleValue(const IpiObject& source) {
  const int32_t precision = source.fields.data_precision;
  const int32_t bits = precision >= 1 && precision <= kByteBits ? precision : kByteBits;
  return (int32_t{1} << bits) - 1;
}

int ReadLevels(IpiSystem* sys, IpiObject* tuple, int count, int32_t max_levels, int32_t* levels) {
  IPI_RETURN_IF_ERROR(IpiGetTupleN(sys, tuple, levels, count));
  // Fewer than 2 levels has no step; more than max_levels makes the step
  // M / (L - 1) zero, a division by zero further on.
  for (int i = 0; i < count; ++i) {
    if (levels[i] < 2 || levels[i] > max_levels) return IpiRefuse(sys, kIpiOutOfRange);
  }
  return kIpiNoError;
}

int ReadByteTable(IpiSystem* sys, IpiObject* table, ByteTable& out) {
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, table));
  // An 8-bit sample indexes 256 entries: a shorter table is refused rather
  // than read past its end.
  if (table->fields.dimension[kDimX] < kTableEntries) return IpiRefuse(sys, kIpiInsufficientSize);
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, table, AccessMode::kRead, 1, accessor));
  const uint8_t* row = IpiGetInputRow(sys, accessor.stream(), 0);
  if (row == nullptr) return IpiGetLastError(sys);
  std::memcpy(out.data(), row, out.size());
  return accessor.Close();
}

uint8_t SaturateToByte(double value) {
  if (!(value > 0.0)) return 0;  // NaN, negatives and -inf
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

void UnpackBits(const RowRef& row, uint8_t* values) {
  const int64_t count = row.count;
  const uint64_t select = IsMsbFirst(row) ? kSelectMsbFirst : kSelectLsbFirst;
  int64_t i = 0;
  for (; i < count && ((row.bit + i) & 7) != 0; ++i) values[i] = row.Test(i) ? 1 : 0;
  const uint8_t* byte = row.data + ((row.bit + i) >> 3);
  for (; i + 8 <= count; i += 8, ++byte) UnpackEight(*byte, select, values + i);
  for (; i < count; ++i) values[i] = row.Test(i) ? 1 : 0;
}

void PackBits(const RowRef& row, const uint8_t* values, const Gate& gate) {
  const int64_t count = row.count;
  if (!gate.none()) {
    for (int64_t i = 0; i < count; ++i) {
      if (gate.open(i)) row.Set(i, values[i] != 0);
    }
    return;
  }
  const uint64_t gather = IsMsbFirst(row) ? kGatherMsbFirst : kGatherLsbFirst;
  int64_t i = 0;
  for (; i < count && ((row.bit + i) & 7) != 0; ++i) row.Set(i, values[i] != 0);
  uint8_t* byte = row.data + ((row.bit + i) >> 3);
  for (; i + 8 <= count; i += 8, ++byte) *byte = PackEight(values + i, gather);
  for (; i < count; ++i) row.Set(i, values[i] != 0);
}
