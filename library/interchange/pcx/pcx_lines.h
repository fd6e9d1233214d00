// The PCX line unit and its run codes, on bytes in memory. A byte of 0xC0
// or more is a count byte: its low 6 bits repeat the next byte. A run may
// cross from one plane line into the next of the same row; the decoder also
// carries a run that ends past a row into the next row.
#ifndef PELRITH_INTERCHANGE_PCX_PCX_LINES_H_
#define PELRITH_INTERCHANGE_PCX_PCX_LINES_H_

#include <cstdint>
#include <span>
#include <vector>

inline constexpr uint8_t kPcxCountFlag = 0xC0;
inline constexpr int kPcxMaxRun = 63;

enum class PcxLayout { kBits1, kBits4, kBytes8 };

struct PcxLineFormat {
  PcxLayout layout = PcxLayout::kBytes8;
  int64_t width = 0;           // pixels
  int64_t height = 0;          // rows
  int32_t planes = 1;          // plane lines per row
  int64_t bytes_per_line = 0;  // per plane line

  int64_t unit_bytes() const { return planes * bytes_per_line; }
  // Bytes of a plane line that hold pixels: the rest is padding.
  int64_t pixel_bytes() const { return layout == PcxLayout::kBytes8 ? width : (width + 7) / 8; }
};

// The bytes per line a writer gives a layout: whole 16-bit words for bit
// planes, an even count for bytes.
[[nodiscard]] int64_t PcxBytesPerLine(PcxLayout layout, int64_t width);

// Appends the run codes of one line unit to `out` (at most 2 x unit bytes).
void EncodePcxUnit(std::span<const uint8_t> unit, std::vector<uint8_t>& out);

// Expands run codes unit by unit.
class PcxRunDecoder {
 public:
  explicit PcxRunDecoder(std::span<const uint8_t> coded) : coded_(coded) {}
  // Fills all `count` bytes of `out`; false when the coded data ends first
  // (what was there is in `out`).
  [[nodiscard]] bool DecodePcxUnit(uint8_t* out, int64_t count);

 private:
  std::span<const uint8_t> coded_;
  size_t position_ = 0;
  uint8_t run_value_ = 0;
  int run_left_ = 0;  // of a run that went past the last unit
};

// How many coded bytes from the start of `coded` cover `decoded_bytes`
// bytes (a count byte takes two, any other byte one); all of them when they
// do not. `is_complete` tells which.
[[nodiscard]] uint64_t PcxCodedLength(std::span<const uint8_t> coded, uint64_t decoded_bytes, bool* is_complete);

#endif  // PELRITH_INTERCHANGE_PCX_PCX_LINES_H_
