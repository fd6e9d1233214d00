// The largest file a reader gets as one copy in memory.
#ifndef PELRITH_INTERCHANGE_COMMON_WHOLE_FILE_H_
#define PELRITH_INTERCHANGE_COMMON_WHOLE_FILE_H_

#include <cstdint>

// A file above this size is refused with 3 rather than copied whole (TIFF
// files above their own, smaller threshold are read through the file itself).
inline constexpr uint64_t kMaxWholeFileBytes = uint64_t{512} << 20;

#endif  // PELRITH_INTERCHANGE_COMMON_WHOLE_FILE_H_
