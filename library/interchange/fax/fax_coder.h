// Row coders of the facsimile codings over packed rows (most significant bit
// first, 1 = black). Modes: 0 one-dimensional without EOLs, rows byte-aligned;
// 1 one-dimensional with EOLs; 2 EOL, tag bit, one- or two-dimensional rows
// every K rows; 3 two-dimensional rows without EOLs, ended by EOFB.
#ifndef PELRITH_INTERCHANGE_FAX_FAX_CODER_H_
#define PELRITH_INTERCHANGE_FAX_FAX_CODER_H_

#include <cstdint>
#include <span>
#include <vector>

#include "interchange/io/bit_reader.h"
#include "interchange/io/bit_writer.h"

enum class FaxCoding { kHuffmanNoEol = 0, kHuffman = 1, kMr = 2, kMmr = 3 };

class FaxEncoder {
 public:
  // `k` is the one-dimensional row period of kMr; `eol_aligned` pads so that
  // the EOLs after the first end on byte boundaries (kHuffman, kMr).
  FaxEncoder(BitWriter& out, int64_t width, FaxCoding coding, int k, bool eol_aligned);
  void BeginPlane();
  void AddRow(const uint8_t* packed);
  // RTC, EOFB or nothing, by mode.
  void EndPlane();

 private:
  void CodeRuns();
  void CodeTwoDimensional();
  void WriteRun(int64_t run, bool black);

  BitWriter& out_;
  int64_t width_;
  FaxCoding coding_;
  int k_;
  bool eol_aligned_;
  int64_t row_in_plane_ = 0;
  std::vector<int64_t> reference_;  // changing elements, then width sentinels
  std::vector<int64_t> current_;
};

enum class FaxRowResult { kRow, kDamagedRow, kInvalidMode, kEnd };

class FaxDecoder {
 public:
  FaxDecoder(int64_t width, FaxCoding coding);
  // Starts a strip of coded data: an empty bit reader and an all-white
  // reference row.
  void BeginStrip(std::span<const uint8_t> bytes, FillOrder order);
  // Starts an image plane inside the strip (skips the previous plane's RTC or
  // EOFB and resets the reference row).
  void BeginPlane();
  // Decodes the next row into `packed` ((width + 7) / 8 bytes). kDamagedRow:
  // a run code off the tables, an EOL inside the row or a change off the
  // row; the row holds what was decoded, and with EOLs the next row starts
  // at the next EOL. kInvalidMode: a two-dimensional mode code off the
  // tables, which is an error of the data; the row is kept as for kDamagedRow.
  // kEnd: the coded data ends (end of data, RTC or EOFB); `packed` is white.
  FaxRowResult NextRow(uint8_t* packed);

 private:
  bool FindEol();
  bool DecodeOneDimensional();
  FaxRowResult DecodeTwoDimensional();
  bool ReadRun(bool black, int64_t* run);
  void Append(int64_t position);
  void Fill(uint8_t* packed) const;

  int64_t width_;
  FaxCoding coding_;
  BitReader reader_{{}, FillOrder::kMsbFirst};
  bool is_first_of_plane_ = true;
  bool has_ended_ = false;
  std::vector<int64_t> reference_;
  std::vector<int64_t> current_;
  size_t current_count_ = 0;
};

#endif  // PELRITH_INTERCHANGE_FAX_FAX_CODER_H_
