// The row machinery of PNG image data, shared by the deflate coder
// (compression 264) and the PNG file writer and reader: rows in the PNG
// pixel layout, each behind its filter-type byte, the seven Adam7 passes one
// after the other when interlaced, all inside one zlib stream.
//
// zlib streams are owned here: deflateEnd and inflateEnd run in the
// destructors, on every path. The decoder never inflates more than the rows
// the format computes: each inflate call gets the room of whole rows, at
// most those left in the pass.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_ROW_CODER_H_
#define PELRITH_INTERCHANGE_PNG_PNG_ROW_CODER_H_

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/png/png_filters.h"

// One buffer carries the compressed bytes in either direction.
inline constexpr size_t kPngBufferBytes = 8192;

// zlib parameters of every stream this library writes.
inline constexpr int kPngDeflateMethod = Z_DEFLATED;
inline constexpr int kPngWindowBits = 15;
inline constexpr int kPngMemoryLevel = 8;

struct PngRowFormat {
  int64_t width = 0;   // pixels
  int64_t height = 0;  // rows
  int bit_depth = 0;   // bits per sample
  int channels = 0;    // samples per pixel
  bool is_interlaced = false;

  [[nodiscard]] int bits_per_pixel() const { return bit_depth * channels; }
  [[nodiscard]] int64_t row_bytes() const { return PngRowBytes(width, bits_per_pixel()); }
  // Bytes a filter steps back: a whole pixel, at least one byte.
  [[nodiscard]] int filter_bpp() const { return bits_per_pixel() < 8 ? 1 : bits_per_pixel() / 8; }
  // Passes in the stream: 7 when interlaced, else 1.
  [[nodiscard]] int passes() const { return is_interlaced ? kAdam7Passes : 1; }
  // Rows and row pixels of pass `pass` (the whole image when not interlaced).
  [[nodiscard]] int64_t pass_rows(int pass) const { return is_interlaced ? Adam7PassRows(height, pass) : height; }
  [[nodiscard]] int64_t pass_width(int pass) const { return is_interlaced ? Adam7PassWidth(width, pass) : width; }
  // Image row of row `index` of the pass.
  [[nodiscard]] int64_t image_row(int pass, int64_t index) const {
    return is_interlaced ? kAdam7[pass].start_row + index * kAdam7[pass].row_step : index;
  }
};

// Where the encoder's compressed bytes go: each full buffer of
// kPngBufferBytes, then the rest. 0 or an error already reported.
class PngDeflateOutput {
 public:
  virtual ~PngDeflateOutput() = default;
  [[nodiscard]] virtual int WritePngData(IpiSystem* sys, const uint8_t* bytes, size_t count) = 0;
};

// Filters, packs and deflates rows.
class PngRowEncoder {
 public:
  PngRowEncoder(const PngRowFormat& format, uint8_t filter_set, PngDeflateOutput& output);
  ~PngRowEncoder();
  PngRowEncoder(const PngRowEncoder&) = delete;
  PngRowEncoder& operator=(const PngRowEncoder&) = delete;

  // Opens the zlib stream (method 8, window bits 15, memory level 8). 0; -1
  // when zlib runs out of memory, 22 for any other refusal (reported).
  [[nodiscard]] int Start(IpiSystem* sys, int level, int strategy);
  // The buffer to fill with the next full image row (row_bytes() bytes).
  [[nodiscard]] uint8_t* NextRow(int pass);
  // Codes that row as the next row of `pass`. The rows of a pass come in
  // order, the passes in order; a pass without columns takes no rows.
  [[nodiscard]] int WritePngRow(IpiSystem* sys, int pass);
  // Ends the zlib stream and hands over the last bytes.
  [[nodiscard]] int Finish(IpiSystem* sys);

 private:
  [[nodiscard]] int DeflatePngRow(IpiSystem* sys, const uint8_t* coded, int64_t count);
  [[nodiscard]] int Drain(IpiSystem* sys);

  PngRowFormat format_;
  PngDeflateOutput& output_;
  PngFilterChooser chooser_;
  z_stream stream_{};
  bool is_open_ = false;
  int current_pass_ = -1;
  std::vector<uint8_t> row_;       // type slot + row bytes
  std::vector<uint8_t> previous_;  // type slot + the row above (unfiltered)
  std::vector<uint8_t> full_row_;  // interlaced: the image row before packing
  std::vector<uint8_t> buffer_;    // compressed output
};

// Inflates and unfilters rows from a compressed object's stream.
class PngRowDecoder {
 public:
  explicit PngRowDecoder(const PngRowFormat& format);
  ~PngRowDecoder();
  PngRowDecoder(const PngRowDecoder&) = delete;
  PngRowDecoder& operator=(const PngRowDecoder&) = delete;

  // Opens the zlib stream over `compressed_bytes` bytes of `source` from
  // offset 0. 0; -1 when zlib runs out of memory, 22 otherwise (reported).
  [[nodiscard]] int Start(IpiSystem* sys, IpiStream* source, int64_t compressed_bytes);
  // The next row of `pass` (pass_width(pass) pixels), unfiltered, in `row`;
  // valid until the next call. 22 (reported) when the stream ends or breaks
  // before the row is complete or its filter type is unknown; the stream
  // layer's error when the compressed bytes cannot be read.
  [[nodiscard]] int ReadPngRow(IpiSystem* sys, int pass, const uint8_t** row);
  // After the last row: the zlib stream must end there, with no input left
  // over. 22 (reported) otherwise.
  [[nodiscard]] int FinishPngReadRow(IpiSystem* sys);

 private:
  [[nodiscard]] int Refill(IpiSystem* sys);
  // Inflates the next rows of the pass (`stride` bytes each, type byte
  // included) into the batch; a fault is kept in pending_ for the row it hit.
  void FillBatch(IpiSystem* sys, int64_t stride);
  // The kept fault, reported once.
  [[nodiscard]] int DeliverFault(IpiSystem* sys);

  // A fault met while filling the batch, and whether it was reported then.
  struct Pending {
    int status = 0;
    bool is_reported = false;
  };

  PngRowFormat format_;
  z_stream stream_{};
  bool is_open_ = false;
  bool has_ended_ = false;
  int current_pass_ = -1;
  IpiStream* source_ = nullptr;
  int64_t offset_ = 0;     // next byte to read from the source
  int64_t remaining_ = 0;  // compressed bytes not yet read
  int64_t rows_left_in_pass_ = 0;
  int64_t batch_rows_ = 0;     // whole rows inflated into the batch
  int64_t next_in_batch_ = 0;  // the next of them to unfilter
  Pending pending_;
  const uint8_t* above_ = nullptr;  // the row above, unfiltered: in the batch or previous_
  std::vector<uint8_t> previous_;   // type slot + the row above when the batch is refilled
  std::vector<uint8_t> batch_;      // rows, each behind its type byte
  std::vector<uint8_t> buffer_;     // compressed input
};

#endif  // PELRITH_INTERCHANGE_PNG_PNG_ROW_CODER_H_
