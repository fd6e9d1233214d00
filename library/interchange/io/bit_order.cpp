// Bit mirroring of byte runs; see bit_order.h.
#include "interchange/io/bit_order.h"

#include <cstring>

#include "interchange/io/bit_reader.h"

void ReverseBitsOfBytes(uint8_t* bytes, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, bytes + i, 8);
    word = ReverseBitsOfEachByte(word);
    std::memcpy(bytes + i, &word, 8);
  }
  for (; i < count; ++i) bytes[i] = static_cast<uint8_t>(ReverseBitsOfEachByte(bytes[i]));
}
