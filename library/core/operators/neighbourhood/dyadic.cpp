// IpiCalculate: one row kernel per operation code, chosen once per call, so
// the inner loop holds no switch. Every operation maps two bytes to a byte
// (the saturating ones clamp in int), so no result leaves 0..255.
#include "core/operators/neighbourhood/dyadic.h"

#include <algorithm>

#include "core/codes.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr int32_t kByteBits = 8;
constexpr int kMaxByte = 255;

template <int32_t Operation>
inline uint8_t Combine(int a, int b) {
  if constexpr (Operation == kCalculateAbsoluteDifference) return static_cast<uint8_t>(a >= b ? a - b : b - a);
  if constexpr (Operation == kCalculateAdd) return static_cast<uint8_t>(std::min(a + b, kMaxByte));
  if constexpr (Operation == kCalculateAverage) return static_cast<uint8_t>((a + b) >> 1);
  if constexpr (Operation == kCalculateDivide) return static_cast<uint8_t>(a / b);  // b != 0: checked by the caller
  if constexpr (Operation == kCalculateAnd) return static_cast<uint8_t>(a & b);
  if constexpr (Operation == kCalculateNand) return static_cast<uint8_t>(~(a & b));
  if constexpr (Operation == kCalculateNor) return static_cast<uint8_t>(~(a | b));
  if constexpr (Operation == kCalculateOr) return static_cast<uint8_t>(a | b);
  if constexpr (Operation == kCalculateXor) return static_cast<uint8_t>(a ^ b);
  if constexpr (Operation == kCalculateMaximum) return static_cast<uint8_t>(std::max(a, b));
  if constexpr (Operation == kCalculateMinimum) return static_cast<uint8_t>(std::min(a, b));
  if constexpr (Operation == kCalculateMultiply) return static_cast<uint8_t>(std::min(a * b, kMaxByte));
  if constexpr (Operation == kCalculateSubtract) return static_cast<uint8_t>(std::max(a - b, 0));
  if constexpr (Operation == kCalculateHalfDifference) return static_cast<uint8_t>(std::max((a - b) >> 1, 0));
}

template <int32_t Operation>
int Run(IpiSystem* sys, IpiObject* first, IpiObject* second, IpiObject* destination) {
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{first}, FrameImage{second}}, {FrameImage{destination}},
                  [](const FrameRow& row) {
                    const uint8_t* __restrict a = row.source(0).data;
                    const uint8_t* __restrict b = row.source(1).data;
                    uint8_t* __restrict out = row.destination(0).data;
                    const int64_t count = row.count;
                    if constexpr (Operation == kCalculateDivide) {
                      // Division by 0 is no error: that element keeps its value.
                      for (int64_t i = 0; i < count; ++i) {
                        if (b[i] != 0 && row.gate.open(i)) out[i] = Combine<Operation>(a[i], b[i]);
                      }
                    } else if (row.gate.none()) {
                      for (int64_t i = 0; i < count; ++i) out[i] = Combine<Operation>(a[i], b[i]);
                    } else {
                      const uint8_t* open = row.gate.flags();
                      for (int64_t i = 0; i < count; ++i) {
                        if (open[i] != 0) out[i] = Combine<Operation>(a[i], b[i]);
                      }
                    }
                  });
}

}  // namespace

int IpiCalculate(IpiSystem* sys, IpiObject* first, IpiObject* second, IpiObject* destination, int32_t operation) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  // The second source is read as bytes like the first, so it must hold bytes:
  // narrower or wider data would be misread or read past.
  IPI_RETURN_IF_ERROR(RequireByteImages(sys, first, destination));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, second, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, second, kByteBits));
  switch (operation) {
    case kCalculateAbsoluteDifference: return Run<kCalculateAbsoluteDifference>(sys, first, second, destination);
    case kCalculateAdd: return Run<kCalculateAdd>(sys, first, second, destination);
    case kCalculateAverage: return Run<kCalculateAverage>(sys, first, second, destination);
    case kCalculateDivide: return Run<kCalculateDivide>(sys, first, second, destination);
    case kCalculateAnd: return Run<kCalculateAnd>(sys, first, second, destination);
    case kCalculateNand: return Run<kCalculateNand>(sys, first, second, destination);
    case kCalculateNor: return Run<kCalculateNor>(sys, first, second, destination);
    case kCalculateOr: return Run<kCalculateOr>(sys, first, second, destination);
    case kCalculateXor: return Run<kCalculateXor>(sys, first, second, destination);
    case kCalculateMaximum: return Run<kCalculateMaximum>(sys, first, second, destination);
    case kCalculateMinimum: return Run<kCalculateMinimum>(sys, first, second, destination);
    case kCalculateMultiply: return Run<kCalculateMultiply>(sys, first, second, destination);
    case kCalculateSubtract: return Run<kCalculateSubtract>(sys, first, second, destination);
    case kCalculateHalfDifference: return Run<kCalculateHalfDifference>(sys, first, second, destination);
    default: return kIpiNoError;  // an unknown operation leaves the destination as it was
  }
}
