// The slow refill of the bit reader: the last bytes of the data one at a time,
// then zero bytes, which are never read from memory.
#include "interchange/io/bit_reader.h"

void BitReader::RefillTail() {
  while (held_bits_ <= 56) {
    uint64_t byte = loaded_bytes_ < size_bytes_ ? data_[loaded_bytes_] : 0;
    if (order_ == FillOrder::kLsbFirst) byte = ReverseBitsOfEachByte(byte);
    window_ |= byte << (56 - held_bits_);
    ++loaded_bytes_;
    held_bits_ += 8;
  }
}
