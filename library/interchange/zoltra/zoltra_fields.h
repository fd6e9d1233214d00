// The content of a Zoltra image: a sequence of 16-bit tagged fields (type in
// bits 15-12, identifier in bits 11-5, length in bits 4-0, 31 for the long
// form of length-prefixed pieces). The walk checks every field against the
// known table and keeps what the reader needs: the parameters, the corners
// and where the pixel data lies.
#ifndef PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FIELDS_H_
#define PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FIELDS_H_

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "interchange/zoltra/zoltra_records.h"

// The resolution units of the resolution table.
inline constexpr int32_t kZoltraUnitInch = 106;
inline constexpr int32_t kZoltraUnitMetre = 145;

struct ZoltraImageInfo {
  int64_t width = 0;   // pixels, 1 to 65535
  int64_t height = 0;
  int32_t compression = 0;  // 0 (plain rows), 80, 81 or 82
  int32_t x_resolution = 0;
  int32_t y_resolution = 0;
  int32_t resolution_unit = 0;
  std::array<int32_t, 4> corners{};  // x1, y1, x2, y2
  // The pixel data: the parameters field after its 24 parameter bytes, in
  // pieces that lie inside the content.
  std::vector<std::span<const uint8_t>> data;
  uint64_t data_bytes = 0;
};

// The content of an image as one run of bytes: the F401 bytes in place, or
// the F004 pieces joined in `storage`, which must outlive the result.
[[nodiscard]] std::span<const uint8_t> JoinZoltraContent(const ZoltraImageRecords& records,
                                                         std::vector<uint8_t>& storage);

// Walks the fields of `content` up to the end field. 0; 22 for an unknown
// field, a field or piece that passes the content's end, content without an
// end field or without a parameters field, a parameters field shorter than
// 24 bytes, without its F0 07 mark, with an unknown compression or
// resolution code or a width or height of 0, and a corners field shorter
// than 8 bytes; 3 for an image beyond the library's limits.
[[nodiscard]] int ParseZoltraFields(std::span<const uint8_t> content, ZoltraImageInfo* out);

#endif  // PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FIELDS_H_
