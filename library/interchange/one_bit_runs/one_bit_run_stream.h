// The coded form of compression 217 in memory: rows of 1-bit pixels (packed
// most significant bit first, a set bit is a set pixel) to and from the coded
// bytes. Every row starts with a flag byte on a byte boundary (0x7F raw, 0x7E
// coded against the row above); the row data are bit-stuffed (a 0 after five
// 1s), so no flag byte can occur inside them. Two flags 0x7F 0x7F (an empty
// raw row) end the image.
#ifndef PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUN_STREAM_H_
#define PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUN_STREAM_H_

#include <cstdint>
#include <span>
#include <vector>

#include "interchange/io/bit_writer.h"

inline constexpr uint8_t kRawRowFlag = 0x7F;
inline constexpr uint8_t kCodedRowFlag = 0x7E;
// A row with this many changes or more is written raw.
inline constexpr int64_t kRawRowChanges = 372;
// The decoder refuses a coded row with more changes than this.
inline constexpr int64_t kMaxDecodedRowChanges = 744;
// Run codes: k ones, a 0, then v - base(k) in k + 2 bits, k = 0 to 14.
inline constexpr int kMaxRunClass = 14;
inline constexpr int64_t kMaxRunValue = 131067;

// The smallest class k whose runs reach `value` (at most kMaxRunValue), and
// the length of its code in bits (2k + 3).
[[nodiscard]] int RunClassOf(int64_t value);
[[nodiscard]] inline int RunCodeBits(int64_t value) { return 2 * RunClassOf(value) + 3; }
// Writes the run code of `value` (0 to kMaxRunValue).
void WriteRunCode(BitWriter& out, int64_t value);

// Codes the rows of one or more planes into `out`. A plane's first row is
// always raw; every further row is coded two-dimensionally unless that would
// not pay (372 changes or more, or at least as many bits as the row has
// pixels, or a run too long for a run code).
class OneBitRunEncoder {
 public:
  OneBitRunEncoder(BitWriter& out, int64_t width_px);

  // The next row starts a plane: it is written raw.
  void BeginPlane() { is_first_row_ = true; }
  // `row` holds (width + 7) / 8 bytes; bits past the last pixel are ignored.
  void AddRow(const uint8_t* row);
  // Zero bits to a multiple of 32, the end pair 0x7F 0x7F and the tail padding.
  void Finish();

 private:
  void WriteRaw(const uint8_t* row);
  void WriteStuffed(uint8_t flag, std::span<const uint8_t> bits, uint64_t bit_count);
  // Codes `changes_` against `reference_` into row_code_; false when the row
  // should go raw instead.
  bool CodeTwoDimensional();

  BitWriter& out_;
  int64_t width_px_;
  bool is_first_row_ = true;
  std::vector<int64_t> reference_;  // changes of the reference line, closed with four copies of the width
  std::vector<int64_t> changes_;
  std::vector<uint8_t> row_code_;
  uint64_t row_code_bits_ = 0;
};

// Decodes rows from coded bytes. Rows after the end of the coded image (the
// end pair, or no further flag before the end of the bytes) are unset.
class OneBitRunDecoder {
 public:
  OneBitRunDecoder(std::span<const uint8_t> coded, int64_t width_px);

  // The next row is the first of a plane: it is coded against an unset line.
  void BeginPlane();
  // Fills `row` ((width + 7) / 8 bytes; bits past the last pixel cleared).
  // 0, or 22 for a malformed row (a code past the row's bits, a run class
  // above 14, a vertical offset beyond the width, positions going backwards,
  // more than 744 changes, a broken stuffing); the decoder then stays failed.
  [[nodiscard]] int NextRow(uint8_t* row);
  bool ended() const { return has_ended_; }

 private:
  int DecodeTwoDimensional(std::span<const uint8_t> bits);

  std::span<const uint8_t> coded_;
  int64_t width_px_;
  uint64_t position_ = 0;  // where the search for the next flag starts
  bool has_ended_ = false;
  bool has_failed_ = false;
  std::vector<int64_t> reference_;
  std::vector<int64_t> changes_;
};

// The number of row flags (0x7E, 0x7F bytes) before the end pair 0x7F 0x7F,
// or before the end of the bytes when there is no end pair: the row count of
// a coded image whose height is not stored elsewhere.
[[nodiscard]] int64_t CountCodedRows(std::span<const uint8_t> coded);

#endif  // PELRITH_INTERCHANGE_ONE_BIT_RUNS_ONE_BIT_RUN_STREAM_H_
