// Run-length coding of device-independent bitmaps (compression 234): the
// 8-bit and 4-bit schemes of the bitmap format. A coded body is a sequence
// of byte pairs, starting with the bottom row of the picture:
//   (n >= 1, v)        n pixels of v (4 bits: v's high and low nibble in turn)
//   (0, 0)             end of line
//   (0, 1)             end of bitmap
//   (0, 2, dx, dy)     move right dx columns and up dy rows
//   (0, n >= 3, ...)   n pixels given literally (8 bits: n bytes; 4 bits:
//                      (n + 1) / 2 bytes), padded to an even byte count
// The encoder writes only the pixels of each row (no filler pixels past the
// row's end, which other readers would spill into the next row), then an
// end of line, or an end of bitmap after the last row. The decoder clips
// every run, literal and delta to the rows it writes into.
#ifndef PELRITH_INTERCHANGE_BMP_BMP_RUN_LENGTH_H_
#define PELRITH_INTERCHANGE_BMP_BMP_RUN_LENGTH_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int kBmpRunLengthMaxPiece = 254;  // longest run or literal piece written

// --- coded bodies in memory -------------------------------------------------

// Codes rows of pixels given one per byte (4 bits: the low nibble of each).
class BmpRunLengthEncoder {
 public:
  explicit BmpRunLengthEncoder(int bits) : bits_(bits) {}
  // Appends the codes of one row of `width_px` >= 1 pixels and its end code.
  void AddRow(const uint8_t* pixels, int64_t width_px, bool is_last_row);
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  void AddRow8(const uint8_t* pixels, int64_t width_px);
  void AddRow4(const uint8_t* pixels, int64_t width_px);
  int bits_;
  std::vector<uint8_t> out_;
  std::vector<uint8_t> packed_;  // 4 bits: the row two pixels per byte
};

enum class RleRowLayout {
  kPixelPerByte,   // one pixel per byte (8 bits, and 4-bit images of one element per pixel)
  kPackedNibbles,  // 4 bits, two pixels per byte, even column in the high nibble
};

struct RleDecodeShape {
  int bits = 8;           // 4 or 8
  int64_t width_px = 0;   // pixels a row can take; runs are clipped here
  int64_t rows = 0;       // coded rows that are decoded; later ones are ignored
  RleRowLayout layout = RleRowLayout::kPixelPerByte;
};

// Where the decoder puts its rows. BeginRow gives the row of coded row k
// (k = 0 is the bottom row of the picture) with its current content, at
// least `width_px` pixels long in the shape's layout; EndRow stores it. Both
// return 0 or an error they have reported. Rows that no code reaches are
// never begun.
class RleRowSink {
 public:
  virtual ~RleRowSink() = default;
  [[nodiscard]] virtual int BeginRow(int64_t coded_row, uint8_t** row) = 0;
  [[nodiscard]] virtual int EndRow(int64_t coded_row) = 0;
};

// Decodes `body`. The bitmap ends at an end of bitmap, the end of line of the
// last row, a delta past the last row, or where the body runs out: then the
// row it was in is stored with the pixels decoded (a cut literal gives the
// whole pixels that are there) and the rows after it keep their content.
// 0, or a sink's error as it is.
[[nodiscard]] int DecodeBmpRunLengthBody(std::span<const uint8_t> body, const RleDecodeShape& shape,
                                         RleRowSink& sink);

// --- the coder of compression 234 -------------------------------------------

// Codes the rows of `image` (dataType 153, one byte per element) bottom-up
// into the stream of `coded` from position 0 and sets its "size" to the bytes
// written. The scheme is `coded`'s "dataPrecision": 8 or 4, else 12. Only the
// first z, t and b plane is coded (a bitmap holds one). 10 for a data type
// other than 153 on either side or elements wider than a byte; 18 for an
// empty image; else the stream's error.
[[nodiscard]] int EncodeBmpRunLength(IpiSystem* sys, IpiObject* image, IpiObject* coded);

// Decodes the "size" bytes of `coded` into the rows of `image`, whose
// "dataPrecision" (8 or 4, else 12) chooses the scheme. Coded row k fills
// image row (yDimension - 1 - k), one element per pixel; an image with
// "pixelInterpretation" 225 takes the rows in stored order, 4-bit pixels two
// per byte and "xDimension" counting the bytes of a row. Only the first z, t
// and b plane is filled. 22 for a coded size below 2 and for a body that
// ends before the bitmap does (the rows decoded until then are kept); 10 for
// data types other than 153 or elements wider than a byte; 18 for an empty
// image; else the stream's error.
[[nodiscard]] int DecodeBmpRunLength(IpiSystem* sys, IpiObject* coded, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_BMP_BMP_RUN_LENGTH_H_
