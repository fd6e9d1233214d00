// Bit-level reading of coded data in memory (fax, run coders, entropy-coded
// segments). Bits past the end of the data read as 0, so a table-driven
// decoder may always peek a full window; consuming such bits sets overran().
#ifndef PELRITH_INTERCHANGE_IO_BIT_READER_H_
#define PELRITH_INTERCHANGE_IO_BIT_READER_H_

#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>

// Which bit of each byte comes first in the stream: the most significant
// (bitOrder 150, TIFF FillOrder 1) or the least significant (135, FillOrder 2).
enum class FillOrder { kMsbFirst, kLsbFirst };

// Mirrors the bits inside each of the eight bytes of `word` (bit 0 <-> bit 7).
inline uint64_t ReverseBitsOfEachByte(uint64_t word) {
  word = ((word >> 1) & 0x5555555555555555u) | ((word & 0x5555555555555555u) << 1);
  word = ((word >> 2) & 0x3333333333333333u) | ((word & 0x3333333333333333u) << 2);
  return ((word >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((word & 0x0F0F0F0F0F0F0F0Fu) << 4);
}

class BitReader {
 public:
  static constexpr int kMaxPeekBits = 32;

  BitReader(std::span<const uint8_t> bytes, FillOrder order)
      : data_(bytes.data()), size_bytes_(bytes.size()), order_(order) {}

  // The next `bit_count` bits (0 to 32) of the stream, the first of them as
  // the most significant bit of the result, whatever the fill order. Does not
  // move the position.
  uint32_t Peek(int bit_count) {
    assert(bit_count >= 0 && bit_count <= kMaxPeekBits);
    if (held_bits_ < bit_count) Refill();
    // Two shifts so that bit_count 0 never shifts by 64.
    return static_cast<uint32_t>((window_ >> 1) >> (63 - bit_count));
  }
  void Consume(int bit_count) {
    assert(bit_count >= 0 && bit_count <= kMaxPeekBits);
    if (held_bits_ < bit_count) Refill();
    window_ <<= bit_count;
    held_bits_ -= bit_count;
  }
  uint32_t Read(int bit_count) {
    uint32_t value = Peek(bit_count);
    Consume(bit_count);
    return value;
  }
  // Drops the bits up to the next byte boundary of the stream.
  void AlignToByte() { Consume(held_bits_ & 7); }

  uint64_t bits_consumed() const { return loaded_bytes_ * 8 - static_cast<uint64_t>(held_bits_); }
  // Bits of real data not yet consumed; 0 once the reader has overrun.
  uint64_t bits_remaining() const {
    uint64_t total = size_bytes_ * 8;
    uint64_t consumed = bits_consumed();
    return consumed < total ? total - consumed : 0;
  }
  // True once bits past the end of the data were consumed.
  bool overran() const { return bits_consumed() > size_bytes_ * 8; }

 private:
  void Refill() {
    // Fast path: eight whole bytes are available. The window then holds 56 to
    // 63 valid bits; the low bits beyond them are the true next bits, which
    // the next refill ORs in again at the same place.
    if (loaded_bytes_ < size_bytes_ && size_bytes_ - loaded_bytes_ >= 8) {
      uint64_t word;
      std::memcpy(&word, data_ + loaded_bytes_, 8);
      word = __builtin_bswap64(word);
      if (order_ == FillOrder::kLsbFirst) word = ReverseBitsOfEachByte(word);
      window_ |= word >> held_bits_;
      loaded_bytes_ += static_cast<uint64_t>(63 - held_bits_) >> 3;
      held_bits_ |= 56;
      return;
    }
    RefillTail();
  }
  void RefillTail();

  const uint8_t* data_;
  uint64_t size_bytes_;
  FillOrder order_;
  uint64_t window_ = 0;       // next stream bit at bit 63
  int held_bits_ = 0;         // valid bits at the top of window_
  uint64_t loaded_bytes_ = 0; // bytes (real, then zero padding) taken into the window
};

#endif  // PELRITH_INTERCHANGE_IO_BIT_READER_H_
