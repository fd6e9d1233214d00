// Bit-level writing of coded data (fax, run coders, entropy coding) into a
// byte vector or a ByteSink. Bits enter a 64-bit accumulator and leave it four
// bytes at a time; the fill order decides only how each byte is laid out.
#ifndef PELRITH_INTERCHANGE_IO_BIT_WRITER_H_
#define PELRITH_INTERCHANGE_IO_BIT_WRITER_H_

#include <cassert>
#include <cstdint>
#include <vector>

#include "interchange/io/bit_reader.h"
#include "interchange/io/byte_sink.h"

enum class PadBits { kZeros, kOnes };

class BitWriter {
 public:
  static constexpr int kMaxWriteBits = 32;

  // Appends to `out` four bytes at a time; Flush() puts out the rest.
  BitWriter(std::vector<uint8_t>& out, FillOrder order) : out_(&out), order_(order) {}
  // Hands the bytes to `sink` in pieces of kSinkPieceBytes.
  BitWriter(ByteSink& sink, FillOrder order);
  BitWriter(const BitWriter&) = delete;
  BitWriter& operator=(const BitWriter&) = delete;

  static constexpr size_t kSinkPieceBytes = 64 * 1024;

  // Writes the low `bit_count` bits (0 to 32) of `value`, its most significant
  // of them first, whatever the fill order. Higher bits of `value` are ignored.
  void Write(uint32_t value, int bit_count) {
    assert(bit_count >= 0 && bit_count <= kMaxWriteBits);
    uint64_t bits = value & ((uint64_t{1} << bit_count) - 1);
    // held_bits_ < 32 on entry, so 63 - held_bits_ - bit_count is 0 to 63;
    // the split shift keeps an empty write from shifting by 64.
    window_ |= (bits << (63 - held_bits_ - bit_count)) << 1;
    held_bits_ += bit_count;
    bits_written_ += static_cast<uint64_t>(bit_count);
    if (held_bits_ >= 32) EmitWord();
  }
  // Writes `pad` bits up to the next byte boundary (none when aligned).
  void PadToByte(PadBits pad);
  // Pads the last byte with 0 bits and puts out every byte: into the vector,
  // or into the sink. False when the sink has failed (now or earlier).
  [[nodiscard]] bool Flush();

  uint64_t bits_written() const { return bits_written_; }
  // Whole bytes written so far, counting a padded last byte after Flush.
  uint64_t bytes_written() const { return bits_written_ / 8; }

 private:
  void EmitWord();
  void EmitByte(uint8_t byte);
  [[nodiscard]] bool SendPiece();

  std::vector<uint8_t> piece_;   // sink mode: bytes not yet handed on
  std::vector<uint8_t>* out_;    // the caller's vector, or piece_
  ByteSink* sink_ = nullptr;
  FillOrder order_;
  uint64_t window_ = 0;    // next bit to put out at bit 63
  int held_bits_ = 0;      // below 32 between calls
  uint64_t bits_written_ = 0;
};

#endif  // PELRITH_INTERCHANGE_IO_BIT_WRITER_H_
