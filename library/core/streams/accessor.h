// Row accessors: a stream on an object with its bit order's mask tables, its
// dimensions, and on request the system's region-of-interest gate and match
// points. Operators and codecs open accessors, never bare streams.
#ifndef PELRITH_CORE_STREAMS_ACCESSOR_H_
#define PELRITH_CORE_STREAMS_ACCESSOR_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"

struct IpiAccessor {
  int32_t bit_order = 0;
  int32_t byte_order = 0;
  int32_t precision = 0;
  int32_t data_type = 0;
  // Indexed by an element's bit position k (0 to 7) counted from the first
  // element in its byte: bit_masks[k] selects the bit, clear_masks[k] clears it.
  uint8_t clear_masks[8] = {};
  uint8_t bit_masks[8] = {};
  IpiObject* object = nullptr;
  int32_t match_point_state = 0;
  IpiStream* stream = nullptr;  // the main stream
  IpiObject* roi = nullptr;
  IpiStream* roi_stream = nullptr;  // a one-row read stream on the region
  int32_t roi_state = 0;
  int32_t dimension[5] = {};    // x, y, z, t, b
  int32_t match_point[5] = {};  // 0 unless the match point state is on

  bool has_roi() const { return roi_state != 0 && roi_stream != nullptr; }
};

// Opens an accessor. Options (non-zero switches on): "matchPointState",
// "roiState". A bit order other than 135 and 150 on data narrower than a byte
// is refused with 18; a region whose size differs from its image with 8.
[[nodiscard]] IpiAccessor* IpiOpenAccessor(IpiSystem* sys, IpiObject* obj, const char* mode, int rows,
                                           const IpiAttribute* options, int count);
// Closes both streams and frees the accessor: 0 or the first close error.
int IpiCloseAccessor(IpiSystem* sys, IpiAccessor* accessor);

// The value of element `bit_index` (counted from a row address) of 1-bit data.
inline bool IpiTestBit(const IpiAccessor& a, const uint8_t* row, int64_t bit_index) {
  return (row[bit_index >> 3] & a.bit_masks[bit_index & 7]) != 0;
}
inline void IpiSetBit(const IpiAccessor& a, uint8_t* row, int64_t bit_index, bool on) {
  uint8_t& byte = row[bit_index >> 3];
  byte = on ? static_cast<uint8_t>(byte | a.bit_masks[bit_index & 7])
            : static_cast<uint8_t>(byte & a.clear_masks[bit_index & 7]);
}

#endif  // PELRITH_CORE_STREAMS_ACCESSOR_H_
