// A byte with its bits in the other order (bit 0 <-> bit 7): eight 1-bit
// elements in the other bit order, or reversed in place along a row. Shared
// by the operators that move or convert 1-bit rows a byte at a time.
#ifndef PELRITH_CORE_OPERATORS_REVERSED_BITS_H_
#define PELRITH_CORE_OPERATORS_REVERSED_BITS_H_

#include <array>
#include <cstdint>

inline constexpr std::array<uint8_t, 256> kReversedBits = [] {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int bit = 0; bit < 8; ++bit) r |= ((v >> bit) & 1) << (7 - bit);
    table[static_cast<size_t>(v)] = static_cast<uint8_t>(r);
  }
  return table;
}();

#endif  // PELRITH_CORE_OPERATORS_REVERSED_BITS_H_
