// The copy kernels behind IpiConvertDataType. Each checks its types, then runs
// the operator frame with a row kernel; whole bytes are copied where the rows
// allow it, element by element under the gate elsewhere, with identical results.
#include "core/operators/data_type_conversion.h"

#include <array>
#include <cstring>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/reversed_bits.h"
#include "core/status.h"

namespace {

constexpr int32_t kBooleanBits = 1;
constexpr int32_t kByteBits = 8;
constexpr int32_t kWordBits = 32;
constexpr uint8_t kBooleanTrueByte = 255;

bool TestBitAt(const RowRef& row, int64_t position) { return IpiTestBit(*row.accessor, row.data, position); }
void SetBitAt(const RowRef& row, int64_t position, bool on) { IpiSetBit(*row.accessor, row.data, position, on); }

// Elements of P bits, one bit at a time through each row's mask tables. An
// element's first bit is its most significant in bit order 150 and its least
// significant in 135, so between different orders the bits of an element are
// taken in reverse.
void CopyNarrowElements(const RowRef& in, const RowRef& out, const Gate& gate) {
  const int32_t bits = in.bits_per_element;
  const bool same_order = in.accessor->bit_order == out.accessor->bit_order;
  for (int64_t i = 0; i < in.count; ++i) {
    if (!gate.open(i)) continue;
    for (int32_t j = 0; j < bits; ++j) {
      const int32_t to = same_order ? j : bits - 1 - j;
      SetBitAt(out, out.bit + i * bits + to, TestBitAt(in, in.bit + i * bits + j));
    }
  }
}

// Ungated rows of narrow elements whose first bits sit at the same place in
// their bytes: the bits up to the first byte boundary and after the last one
// singly, the bytes between with memmove (or the reversal table for 1-bit
// elements of the other bit order).
void CopyNarrowSamePhase(const RowRef& in, const RowRef& out, bool reverse) {
  const int64_t total_bits = in.count * in.bits_per_element;
  int64_t i = 0;
  for (; i < total_bits && ((out.bit + i) & 7) != 0; ++i) SetBitAt(out, out.bit + i, TestBitAt(in, in.bit + i));
  const int64_t bytes = (total_bits - i) / 8;
  const uint8_t* from = in.data + (in.bit + i) / 8;
  uint8_t* to = out.data + (out.bit + i) / 8;
  if (!reverse) {
    std::memmove(to, from, static_cast<size_t>(bytes));
  } else {
    for (int64_t k = 0; k < bytes; ++k) to[k] = kReversedBits[from[k]];
  }
  for (i += bytes * 8; i < total_bits; ++i) SetBitAt(out, out.bit + i, TestBitAt(in, in.bit + i));
}

void CopyNarrow(RowIn in, RowOut out, const Gate& gate) {
  const bool same_order = in.accessor->bit_order == out.accessor->bit_order;
  // Reversing a byte maps element k of one order onto element k of the other
  // only for 1-bit elements.
  const bool byte_copy = gate.none() && in.bit == out.bit && (same_order || in.bits_per_element == 1);
  if (byte_copy) {
    CopyNarrowSamePhase(in, out, !same_order);
  } else {
    CopyNarrowElements(in, out, gate);
  }
}

// Elements of whole bytes, copied as they are stored.
void CopyWholeElements(RowIn in, RowOut out, const Gate& gate) {
  const int64_t bytes = in.bits_per_element / 8;
  if (gate.none()) {
    std::memmove(out.data, in.data, static_cast<size_t>(in.count * bytes));
    return;
  }
  if (bytes == 1) {
    const uint8_t* from = in.data;
    uint8_t* to = out.data;
    for (int64_t i = 0; i < in.count; ++i) {
      if (gate.open(i)) to[i] = from[i];
    }
    return;
  }
  for (int64_t i = 0; i < in.count; ++i) {
    if (gate.open(i)) std::memcpy(out.data + i * bytes, in.data + i * bytes, static_cast<size_t>(bytes));
  }
}

void ExpandBooleanToBytes(RowIn in, RowOut out, const Gate& gate) {
  uint8_t* to = out.data;
  if (gate.none()) {
    for (int64_t i = 0; i < in.count; ++i) to[i] = in.Test(i) ? kBooleanTrueByte : 0;
    return;
  }
  for (int64_t i = 0; i < in.count; ++i) {
    if (gate.open(i)) to[i] = in.Test(i) ? kBooleanTrueByte : 0;
  }
}

}  // namespace

int IpiConvertDataType(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, source) == nullptr) return IpiGetLastError(sys);
  switch (source->fields.data_type) {
    case kDataTypeBoolean: return IpiConvertFromBoolean(sys, source, destination);
    case kDataTypeNonnegative: return IpiConvertFromNonnegative(sys, source, destination);
    case kDataTypeWord: return IpiConvertFromInteger32(sys, source, destination);
    default: return IpiRefuse(sys, kIpiMismatchDataType);
  }
}

int IpiConvertFromBoolean(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, {kDataTypeBoolean, kDataTypeNonnegative}));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, kBooleanBits));
  if (destination->fields.data_type == kDataTypeNonnegative) {
    // One byte per element: a destination stored wider would be misread.
    IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, kByteBits));
    return RunRowOperator(sys, *source, *destination, ExpandBooleanToBytes);
  }
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, kBooleanBits));
  return RunRowOperator(sys, *source, *destination, CopyNarrow);
}

int IpiConvertFromNonnegative(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, kDataTypeNonnegative));
  // Elements are copied as stored, never rescaled: both sides must store the
  // same number of bits per element (a precision below 8 is stored with the
  // system's "nonnegativeIntegerPrecision").
  int32_t source_bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, source, &source_bits));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, source_bits));
  if (source_bits % 8 == 0) return RunRowOperator(sys, *source, *destination, CopyWholeElements);
  return RunRowOperator(sys, *source, *destination, CopyNarrow);
}

int IpiConvertFromInteger32(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, kDataTypeWord));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, kDataTypeWord));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, kWordBits));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, kWordBits));
  return RunRowOperator(sys, *source, *destination, CopyWholeElements);
}
