// The extras record that a "fileFormat" code with an attribute group carries,
// and the table of each group's names.
#ifndef PELRITH_CORE_OBJECTS_FORMAT_EXTRAS_H_
#define PELRITH_CORE_OBJECTS_FORMAT_EXTRAS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/objects/object.h"

inline constexpr int kJpegTableCount = 10;
inline constexpr int kAlphaTableBytes = 256;

struct IpiFormatExtras {
  int32_t format = 0;
  int32_t words[12] = {};  // the plain value words of the group, by word index
  std::vector<uint32_t> strip_byte_counts;  // TIFF: "stripsPerImage" words each, or empty
  std::vector<uint32_t> strip_offsets;
  std::optional<std::array<uint32_t, 2>> x_resolution;  // TIFF rationals {numerator, denominator}
  std::optional<std::array<uint32_t, 2>> y_resolution;
  std::array<std::vector<uint8_t>, kJpegTableCount> jpeg_tables;  // empty: none
  std::optional<std::array<uint8_t, kAlphaTableBytes>> alpha_table;  // PNG
  std::optional<std::string> copyright;                           // PNG
};

enum class GroupEntryKind {
  kValue,
  kStripCount,
  kStripByteCounts,
  kStripOffsets,
  kXRational,
  kYRational,
  kJpegTable,
  kAlphaTable,
  kText,
};

struct GroupEntry {
  const char* name;
  GroupEntryKind kind;
  int word;          // word index (values), or table index (JPEG tables)
  int table_bytes;   // JPEG tables
};

// True when the format code carries an extras record.
[[nodiscard]] bool IpiFormatHasExtras(int32_t format);
// A new record of that format with its initial values, or null for a format
// without extras.
[[nodiscard]] IpiFormatExtras* IpiNewFormatExtras(int32_t format);
// The group entry of that name in the format's group, or null.
[[nodiscard]] const GroupEntry* IpiFindGroupEntry(int32_t format, const char* name);

#endif  // PELRITH_CORE_OBJECTS_FORMAT_EXTRAS_H_
