// Shared helpers of the point and colour operators; see point_common.h.
#include "core/operators/point/point_common.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/status.h"

int RefuseWith(IpiSystem* sys, int code) {
  IpiReportError(sys, code);
  return code;
}

int RequireByteImage(IpiSystem* sys, IpiObject* obj) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, obj, kDataTypeNonnegative));
  return RequireStoredBits(sys, obj, kByteBits);
}

int RequireBitmapImage(IpiSystem* sys, IpiObject* obj) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, obj, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, obj, kBooleanBits));
  const int32_t order = obj->fields.bit_order;
  if (order != kOrderMsbFirst && order != kOrderLsbFirst) return RefuseWith(sys, kIpiNonPermissibleOption);
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
    if (levels[i] < 2 || levels[i] > max_levels) return RefuseWith(sys, kIpiOutOfRange);
  }
  return kIpiNoError;
}

int ReadByteTable(IpiSystem* sys, IpiObject* table, ByteTable& out) {
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, table));
  // An 8-bit sample indexes 256 entries: a shorter table is refused rather
  // than read past its end.
  if (table->fields.dimension[kDimX] < kTableEntries) return RefuseWith(sys, kIpiInsufficientSize);
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
  const uint8_t* masks = row.accessor->bit_masks;
  const int64_t count = row.count;
  int64_t i = 0;
  for (; i < count && ((row.bit + i) & 7) != 0; ++i) values[i] = row.Test(i) ? 1 : 0;
  const uint8_t* byte = row.data + ((row.bit + i) >> 3);
  for (; i + 8 <= count; i += 8, ++byte) {
    const uint8_t packed = *byte;
    for (int k = 0; k < 8; ++k) values[i + k] = (packed & masks[k]) != 0 ? 1 : 0;
  }
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
  const uint8_t* masks = row.accessor->bit_masks;
  int64_t i = 0;
  for (; i < count && ((row.bit + i) & 7) != 0; ++i) row.Set(i, values[i] != 0);
  uint8_t* byte = row.data + ((row.bit + i) >> 3);
  for (; i + 8 <= count; i += 8, ++byte) {
    uint8_t packed = 0;
    for (int k = 0; k < 8; ++k) packed = static_cast<uint8_t>(packed | (masks[k] & -values[i + k]));
    *byte = packed;
  }
  for (; i < count; ++i) row.Set(i, values[i] != 0);
}
