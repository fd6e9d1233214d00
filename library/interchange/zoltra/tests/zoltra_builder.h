// Zoltra tagged raster files laid out in code for the tests: the leading
// block, the document start, and per image its records and tagged fields,
// with the choices a writer has (content in one record or in pieces, short
// or long fields, an extra end record, fields the reader passes over).
#ifndef PELRITH_INTERCHANGE_ZOLTRA_TESTS_ZOLTRA_BUILDER_H_
#define PELRITH_INTERCHANGE_ZOLTRA_TESTS_ZOLTRA_BUILDER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/patch_byte.h"

namespace zoltra_test {

using Bytes = std::vector<uint8_t>;

struct ImageSpec {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t compression_code = 0xF9;  // plain rows
  uint8_t resolution_code = 0xC3;
  Bytes data;  // the pixel data after the 24 parameter bytes
  std::array<uint16_t, 4> corners{0, 0, 0, 0};
  bool has_corners = true;
  bool has_skipped_fields = true;
  bool is_chained = false;           // F501 and F004 pieces in place of F401
  size_t content_piece_bytes = 700;  // F004 piece size
  bool is_long_field = true;         // the parameters field in the long form
  size_t field_piece_bytes = 500;    // long-form piece size
  bool has_extra_end = false;        // second F110 record with value 8000
};

struct BuiltFile {
  Bytes bytes;
  size_t document = 0;                 // the F111 record
  std::vector<size_t> images;          // each image's F110 8000 record
  std::vector<size_t> parameters;      // each image's 24 parameter bytes (when not split)
  size_t end = 0;                      // the closing F000 0000 record
};

// Two digit bytes coded F0 to F9 give the leading block's length in units
// of 256 bytes.
BuiltFile BuildZoltraFile(const std::vector<ImageSpec>& images, int leading_units = 3);

// The fields of one image's content (the bytes of its F401 record).
Bytes ZoltraContent(const ImageSpec& image);

// A field head: type, identifier and length (31 for the long form).
uint16_t FieldHead(int type, int identifier, int length);

// Rows of (width + 7) / 8 bytes, most significant bit first, from samples
// of 1 (black) and 0 (white), top row first.
Bytes PackRows(const Bytes& samples, int width, int height);

// Checked patches: the bytes must hold `expected` first.
using testing_support::PatchByte;
void PatchU16(Bytes& bytes, size_t offset, uint16_t expected, uint16_t value);

}  // namespace zoltra_test

#endif  // PELRITH_INTERCHANGE_ZOLTRA_TESTS_ZOLTRA_BUILDER_H_
