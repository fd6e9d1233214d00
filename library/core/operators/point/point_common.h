// Helpers the point and colour operators share: rows of 1-bit elements taken
// apart and put together through an accessor's bit-mask tables (so both bit
// orders hold), the argument checks common to their images, level tuples,
// auxiliary tables read into memory and doubles stored as table bytes.
#ifndef PELRITH_CORE_OPERATORS_POINT_POINT_COMMON_H_
#define PELRITH_CORE_OPERATORS_POINT_POINT_COMMON_H_

#include <array>
#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/system/system.h"

inline constexpr int32_t kByteBits = 8;
inline constexpr int32_t kBooleanBits = 1;
inline constexpr int kTableEntries = 256;  // an 8-bit sample indexes 256 entries
inline constexpr int kColourBands = 3;

using ByteTable = std::array<uint8_t, kTableEntries>;

// 9 when the object is not live, else 10 unless it is dataType 153 stored
// with 8 bits per element.
[[nodiscard]] int RequireByteImage(IpiSystem* sys, IpiObject* obj);
// 9, else 10 unless it is dataType 18 stored with 1 bit per element, and 12
// unless its "bitOrder" is 135 or 150: without one its bits cannot be placed.
[[nodiscard]] int RequireBitmapImage(IpiSystem* sys, IpiObject* obj);

// The largest sample value M = 2^P - 1 of an 8-bit source, P its
// "dataPrecision" (taken as 8 outside 1..8).
[[nodiscard]] int32_t MaxSampleValue(const IpiObject& source);

// Reads `count` (1..4) level counts from `tuple`; each must lie in 2..max_levels,
// else 18. The tuple's own errors pass through.
[[nodiscard]] int ReadLevels(IpiSystem* sys, IpiObject* tuple, int count, int32_t max_levels, int32_t* levels);

// The first 256 entries of run 0 of a table (dataType 153, 8 bits): 10 for
// another type, 8 for a table of fewer than 256 entries, or the read's error.
[[nodiscard]] int ReadByteTable(IpiSystem* sys, IpiObject* table, ByteTable& out);

// A table entry from a double: truncated toward zero and limited to 0..255;
// NaN gives 0.
[[nodiscard]] uint8_t SaturateToByte(double value);

// Whether a 1-bit row puts its first element in a byte's most significant bit.
[[nodiscard]] bool IsMsbFirst(const RowRef& row);
// Element i of a 1-bit row becomes values[i] (0 or 1); values[i] = 1 where set.
void UnpackBits(const RowRef& row, uint8_t* values);
// Sets element i of a 1-bit row to values[i] (0 or 1) where the gate is open.
void PackBits(const RowRef& row, const uint8_t* values, const Gate& gate);

// A scratch row that grows to the widest row asked for and is reused.
class ScratchRow {
 public:
  uint8_t* Get(int64_t count) {
    if (static_cast<int64_t>(bytes_.size()) < count) bytes_.resize(static_cast<size_t>(count));
    return bytes_.data();
  }

 private:
  std::vector<uint8_t> bytes_;
};

#endif  // PELRITH_CORE_OPERATORS_POINT_POINT_COMMON_H_
