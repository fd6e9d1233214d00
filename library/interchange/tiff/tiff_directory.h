// TIFF image file directories: the file header, the chain of directories and
// one directory read into the plan that the reader's header pass and data
// pass share. Every field is checked before it is used: counts against the
// source before a read, sizes against the library's limits, strips against
// the end of the source.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_DIRECTORY_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_DIRECTORY_H_

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/io/byte_reader.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_strips.h"

struct TiffHeader {
  ByteOrder byte_order = ByteOrder::kLittleEndian;
  uint32_t first_directory = 0;  // 0: the file holds no directory
};

// The 8-byte header: "II" or "MM", 42, the first directory's position.
// 0, or (reported) `past_end_code` for a source shorter than 8 bytes, 22 for
// another byte-order mark or version.
[[nodiscard]] int ReadTiffHeader(IpiSystem* sys, TiffSource& source, TiffHeader* header, int past_end_code);

// The position of the directory after the one at `position` (its entry
// count, then the 4 bytes behind the entries). 0, or (reported)
// `past_end_code` when the directory does not lie inside the source.
[[nodiscard]] int ReadNextTiffDirectory(IpiSystem* sys, TiffSource& source, ByteOrder order, uint64_t position,
                                        uint32_t* next, int past_end_code);

// The directories of the chain from `first`, counted without reading their
// entries. A chain that comes back to a directory it passed, or runs past
// the page cap, ends there: the directories before count. A directory past
// the end gives `past_end_code`. `count` is set only on success.
[[nodiscard]] int CountTiffDirectories(IpiSystem* sys, TiffSource& source, ByteOrder order, uint32_t first,
                                       int past_end_code, int64_t* count);

// What one directory says about its image, checked and translated into the
// attribute values the image gets.
struct TiffImagePlan {
  TiffStripLayout strips;
  const IpiObjectClass* image_class = nullptr;  // ColourImage or MonochromeImage
  int32_t x_dimension = 0;  // the width, widened to whole bytes for plain 1-bit rows under "byteBoundary"
  int32_t y_dimension = 0;
  int32_t bands = 1;
  int32_t data_type = 0;
  int32_t image_precision = 0;  // 1, 4 or 8: what the image holds per element
  int32_t bit_order = 0;
  int32_t byte_order = 0;
  int32_t compression = 0;
  int32_t eol_state = 0;     // also the predictor of LZW data
  int32_t colour_space = 0;  // 0: not set
  int32_t photometric = 0;
  int32_t orientation = 0;
  int32_t planar_configuration = 0;
  int32_t resolution_unit = 0;
  int32_t new_subfile_type = 0;
  int32_t page_number = 0;
  int32_t rows_per_strip = 0;
  bool has_byte_boundary = false;
  int32_t width_byte_boundary = 0;
  std::optional<std::array<uint32_t, 2>> x_resolution;  // numerator, denominator (never 0)
  std::optional<std::array<uint32_t, 2>> y_resolution;
  std::vector<uint32_t> strip_offsets;  // as the attributes hold them
  std::vector<uint32_t> strip_byte_counts;
  // The lookup table the image's "lut" receives: `lut_entries` entries; with
  // a colour map, `palette` holds its red, green and blue runs (the high
  // byte of each 16-bit value), else it is empty.
  int64_t lut_entries = 1;
  std::vector<uint8_t> palette;
};

// Reads and checks the directory at `position`. 0, or the reported error:
// 22 for a malformed entry, value or strip table and for tags that
// contradict each other; 12 for tiles, separated, YCbCr and CIELab images,
// 16-bit grey or palette samples and sample formats other than unsigned
// integers; 19 for a sample count the reader does not hold; 3 beyond the
// library's limits; the source's errors.
[[nodiscard]] int ReadTiffDirectory(IpiSystem* sys, TiffSource& source, ByteOrder order, uint64_t position,
                                    TiffImagePlan* plan);

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_DIRECTORY_H_
