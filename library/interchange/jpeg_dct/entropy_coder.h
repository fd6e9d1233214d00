// The entropy layer of the DCT codec: Huffman coding of one block (DC
// difference, then run/size symbols of the AC coefficients in zigzag order),
// the 0xFF 0x00 stuffing of the coded bytes on their way into a stream, and
// the split of coded data into restart intervals with the stuffing removed.
//
// Coded bytes are kept in memory and handled with the shared bit reader and
// writer; the results and status codes are those of the stream's own stuffed
// bit access: data that ends before a code is complete gives 8, a 0xFF byte
// followed by anything but 0x00 where a code continues gives 19.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_ENTROPY_CODER_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_ENTROPY_CODER_H_

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/io/bit_reader.h"
#include "interchange/io/bit_writer.h"
#include "interchange/io/byte_sink.h"
#include "interchange/jpeg_dct/dct_transform.h"
#include "interchange/jpeg_dct/huffman_tables.h"

// Baseline limits: DC differences have categories up to 11, AC values up to 10.
inline constexpr int kMaxDcCategory = 11;
inline constexpr int kMaxAcCategory = 10;
inline constexpr int32_t kMaxDcDifference = 2047;
inline constexpr int32_t kMaxAcValue = 1023;
// DC predictors are held to this range; real data stays within +-2048.
inline constexpr int32_t kMaxDcPredictor = 32767;

inline constexpr uint8_t kMarkerRst0 = 0xD0;  // RST0 to RST7: 0xD0 + (k mod 8)

// Appends the coded blocks' bytes to a stream, with a 0x00 after every 0xFF,
// in pieces; restart markers go in unstuffed. The first failure of the stream
// (reported by the stream layer) is kept and ends all further output.
class StuffingStreamSink final : public ByteSink {
 public:
  static constexpr size_t kPieceBytes = 64 * 1024;

  StuffingStreamSink(IpiSystem* sys, IpiStream* stream) : sys_(sys), stream_(stream) {
    buffer_.reserve(2 * kPieceBytes);
  }

  [[nodiscard]] bool Write(const uint8_t* data, size_t count) override;
  // Only appends are made by the codec.
  [[nodiscard]] bool WriteAt(uint64_t offset, const uint8_t* data, size_t count) override;
  uint64_t position() const override { return written_bytes_ + buffer_.size(); }

  // Bytes that go in as they are (a marker).
  [[nodiscard]] bool WriteUnstuffed(const uint8_t* data, size_t count);
  // Puts out what is buffered; 0 or the stream's status.
  [[nodiscard]] int Finish();
  int status() const { return status_; }

 private:
  bool Drain();

  IpiSystem* sys_;
  IpiStream* stream_;
  std::vector<uint8_t> buffer_;
  int64_t written_bytes_ = 0;
  int status_ = 0;
};

struct BlockCodes {
  const HuffmanEncodeTable* dc;
  const HuffmanEncodeTable* ac;
};

// Codes one block (coefficients in zigzag order) and updates the predictor.
// Values outside the baseline range are clamped to it, the predictor follows
// the clamped difference, so a decoder reconstructs what was coded.
void EncodeBlock(BitWriter& out, const int32_t zigzag[kBlockSize], int32_t& predictor, const BlockCodes& codes);

// How coded data in memory splits at its markers.
enum class SegmentEnd { kDataEnd, kMarker };

// The coded data of a scan, restart interval by restart interval. Next()
// removes the stuffing of the next interval's bytes in place and returns
// them; the interval ends at the first 0xFF that is not followed by 0x00 (fill
// bytes 0xFF before a marker are skipped) or at the end of the data.
class ScanSegments {
 public:
  explicit ScanSegments(std::vector<uint8_t> data) : data_(std::move(data)) {}

  [[nodiscard]] std::span<const uint8_t> Next();
  SegmentEnd end() const { return end_; }
  uint8_t marker() const { return marker_; }  // after kMarker
  // The status for reading past the segment: 8 at the end of the data, 19
  // where a marker stands.
  int OverrunStatus() const { return end_ == SegmentEnd::kDataEnd ? kIpiInsufficientSize : kIpiSemanticError; }

 private:
  std::vector<uint8_t> data_;
  size_t position_ = 0;  // next stuffed byte
  SegmentEnd end_ = SegmentEnd::kDataEnd;
  uint8_t marker_ = 0;
};

struct BlockTables {
  const HuffmanDecodeTable* dc;
  const HuffmanDecodeTable* ac;
  const InverseDequantizer* dequantizer;
};

enum class BlockResult { kOk, kSyntaxError };

// A decoded block: dequantized products at their transform positions, zero
// elsewhere. Clear() zeroes what the last decode stored, so the block is
// reused without clearing all of it.
struct DecodedBlock {
  int32_t values[kBlockSize] = {};
  uint8_t stored[kBlockSize] = {};  // positions written, DC first
  int stored_count = 0;
  bool has_ac() const { return stored_count > 1; }
  void Clear() {
    for (int i = 0; i < stored_count; ++i) values[stored[i]] = 0;
    stored_count = 0;
  }
};

// Decodes one block into `block`, which must be clear: products clamped to
// kMaxDequantizedMagnitude. kSyntaxError for a code that matches nothing, a
// category beyond the baseline limits or a run past the 64th coefficient.
BlockResult DecodeBlock(BitReader& in, const BlockTables& tables, int32_t& predictor, DecodedBlock& block);

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_ENTROPY_CODER_H_
