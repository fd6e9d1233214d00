// PNG row filters and the Adam7 passes. A coded row is one filter-type byte
// followed by the row's bytes; filters work on bytes, with `bpp` the bytes
// of a whole pixel (at least 1), and the row above taken as zeros for the
// first row of an image or of a pass.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_FILTERS_H_
#define PELRITH_INTERCHANGE_PNG_PNG_FILTERS_H_

#include <cstdint>
#include <vector>

enum PngFilterType : uint8_t {
  kPngFilterNone = 0,
  kPngFilterSub = 1,
  kPngFilterUp = 2,
  kPngFilterAverage = 3,
  kPngFilterPaeth = 4,
};
inline constexpr int kPngFilterTypes = 5;

// Filter sets ("filterSet"): one bit per enabled type.
inline constexpr uint8_t kPngFilterSetNone = 8;
inline constexpr uint8_t kPngFilterSetAll = 248;  // None, Sub, Up, Average, Paeth
[[nodiscard]] inline constexpr uint8_t PngFilterBit(int type) { return static_cast<uint8_t>(8u << type); }

// The Adam7 passes, from the PNG standard's interlace table.
struct Adam7Pass {
  int start_column;
  int column_step;
  int start_row;
  int row_step;
  int block_width;   // columns a pass pixel covers in progressive display
  int block_height;  // rows it covers
};
inline constexpr int kAdam7Passes = 7;
inline constexpr Adam7Pass kAdam7[kAdam7Passes] = {
    {0, 8, 0, 8, 8, 8}, {4, 8, 0, 8, 4, 8}, {0, 4, 4, 8, 4, 4}, {2, 4, 0, 4, 2, 4},
    {0, 2, 2, 4, 2, 2}, {1, 2, 0, 2, 1, 2}, {0, 1, 1, 2, 1, 1},
};

// Pixels of `width` in a row of the pass; 0 when the pass has no column there.
[[nodiscard]] inline int64_t Adam7PassWidth(int64_t width, int pass) {
  const Adam7Pass& p = kAdam7[pass];
  return width > p.start_column ? (width - p.start_column + p.column_step - 1) / p.column_step : 0;
}
// Rows of `height` that belong to the pass.
[[nodiscard]] inline int64_t Adam7PassRows(int64_t height, int pass) {
  const Adam7Pass& p = kAdam7[pass];
  return height > p.start_row ? (height - p.start_row + p.row_step - 1) / p.row_step : 0;
}
// Bytes of `pixels` pixels of `bits_per_pixel` bits, the last byte padded.
[[nodiscard]] inline int64_t PngRowBytes(int64_t pixels, int bits_per_pixel) {
  return (pixels * bits_per_pixel + 7) / 8;
}

// Chooses the filter of each row among the enabled types: the one whose
// filtered bytes v have the smallest sum of min(v, 256 - v); a later type
// replaces an earlier one only when strictly smaller, so ties keep the
// earlier type. With None alone enabled, None is used without costing.
class PngFilterChooser {
 public:
  // Buffers for rows of `row_bytes` bytes.
  PngFilterChooser(uint8_t filter_set, int64_t row_bytes, int bpp);

  // `row_with_type` holds the slot for the type byte, then `row_bytes` bytes
  // (at most those given at construction); `previous` holds the row above.
  // Returns the chosen coded row, type byte first, valid until the next
  // call; it may be `row_with_type` itself.
  [[nodiscard]] const uint8_t* ChoosePngFilter(uint8_t* row_with_type, const uint8_t* previous, int64_t row_bytes);

 private:
  uint8_t filter_set_;
  int bpp_;
  std::vector<uint8_t> candidates_[kPngFilterTypes];  // type byte + row, for Sub .. Paeth
};

// Undoes the filter `type` on `row` in place against `previous` (the
// unfiltered row above, or zeros). False for a type byte outside 0 to 4.
[[nodiscard]] bool UnfilterPngRow(uint8_t type, uint8_t* row, const uint8_t* previous, int64_t row_bytes,
                                  int bpp);

// The pixels of `row` (a full row of `width` pixels) that lie in the pass,
// packed from the most significant bits into `pass_row`, whose padding bits
// are 0. Pixels of 8 bits and more move as whole bytes.
void PackInterlacePass(const uint8_t* row, int64_t width, int bits_per_pixel, int pass, uint8_t* pass_row);
// The reverse: each pixel of `pass_row` is stored at its column of `row`;
// the row's other pixels keep their values.
void ExpandInterlacePass(const uint8_t* pass_row, int64_t width, int bits_per_pixel, int pass, uint8_t* row);
// Progressive display: each pixel of `pass_row` is stored in every column of
// its block (block_width columns from its own, within the row).
void FillInterlaceBlocks(const uint8_t* pass_row, int64_t width, int bits_per_pixel, int pass, uint8_t* row);

#endif  // PELRITH_INTERCHANGE_PNG_PNG_FILTERS_H_
