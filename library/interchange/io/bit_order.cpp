// Bit mirroring of byte runs; see bit_order.h.
#include "interchange/io/bit_order.h"

#include <cstring>

#include "interchange/io/bit_reader.h"

void MirrorBitsOfBytes(const uint8_t* from, size_t count, uint8_t* to) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, from + i, 8);
    word = ReverseBitsOfEachByte(word);
    std::memcpy(to + i, &word, 8);
  }
  for (; i < count; ++i) to[i] = static_cast<uint8_t>(ReverseBitsOfEachByte(from[i]));
}
