// Limits on every size that reaches an allocation, and checked arithmetic.
// Sizes are computed in 64 bits; nothing allocates from a size that did not
// pass through here.
#ifndef PELRITH_CORE_LIMITS_H_
#define PELRITH_CORE_LIMITS_H_

#include <cstdint>

inline constexpr int64_t kMaxDimension16 = 65535;          // formats storing sizes in 16 bits
inline constexpr int64_t kMaxDimension = int64_t{1} << 24;
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;
inline constexpr int64_t kMaxImageBytes = int64_t{1} << 30;

enum class DimensionStorage { kBits16, kBits32 };

// 0, or 3 when width, height, pixel count or decoded bytes exceed the limits
// (or are negative). Zero sizes are refused by the caller, whose code depends on
// where the value came from. Rows are unpadded: (width x bits + 7) / 8 bytes.
[[nodiscard]] int IpiCheckGeometry(int64_t width, int64_t height, int64_t bits_per_pixel,
                                   DimensionStorage storage, int64_t* row_bytes,
                                   int64_t* total_bytes);

[[nodiscard]] inline bool CheckedAdd(int64_t a, int64_t b, int64_t& out) {
  return !__builtin_add_overflow(a, b, &out);
}
[[nodiscard]] inline bool CheckedMul(int64_t a, int64_t b, int64_t& out) {
  return !__builtin_mul_overflow(a, b, &out);
}
[[nodiscard]] inline bool CheckedAdd(uint64_t a, uint64_t b, uint64_t& out) {
  return !__builtin_add_overflow(a, b, &out);
}
[[nodiscard]] inline bool CheckedMul(uint64_t a, uint64_t b, uint64_t& out) {
  return !__builtin_mul_overflow(a, b, &out);
}

#endif  // PELRITH_CORE_LIMITS_H_
