// Huffman code tables of the DCT codec, built from BITS and HUFFVAL as
// ITU-T T.81 Annex C generates the codes: the encoder's code per symbol and
// the decoder's lookahead table with the per-length limits of its F.2.2.3.
// Tables read from files or attributes are checked before use: the counts may
// name no more symbols than the table holds, and the codes of each length must
// fit in that length (no over-subscribed code space).
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_HUFFMAN_TABLES_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_HUFFMAN_TABLES_H_

#include <cstdint>
#include <span>

#include "interchange/io/bit_reader.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"

// True when `bits` (16 counts) names at most `capacity` symbols, and at most
// huffval.size() of them, and its codes fit their lengths; `symbol_count`
// receives the number of symbols.
[[nodiscard]] bool IsValidHuffmanTable(const uint8_t bits[kHuffmanLengths], int capacity, int* symbol_count);

struct HuffmanEncodeTable {
  uint32_t code[256] = {};
  uint8_t length[256] = {};  // 0: the symbol has no code
};

// False for a table that IsValidHuffmanTable refuses (capacity 256).
[[nodiscard]] bool BuildHuffmanEncodeTable(const HuffmanSpec& spec, HuffmanEncodeTable& out);

struct HuffmanDecodeTable {
  static constexpr int kLookaheadBits = 9;
  // By the next 9 bits: (code length << 8) | symbol, or 0 when the code is longer.
  uint16_t lookahead[1 << kLookaheadBits] = {};
  int32_t max_code[kHuffmanLengths + 1] = {};      // by length; -1 when no code has it
  int32_t value_offset[kHuffmanLengths + 1] = {};  // symbol index minus code, by length
  uint8_t values[256] = {};
};

// False for a table that IsValidHuffmanTable refuses with `capacity`.
[[nodiscard]] bool BuildHuffmanDecodeTable(const uint8_t bits[kHuffmanLengths], std::span<const uint8_t> huffval,
                                           int capacity, HuffmanDecodeTable& out);

// The next symbol, or -1 when no code of 16 bits or fewer matches. Past the
// end of the data the reader supplies 0 bits; the caller checks overran().
inline int DecodeHuffmanSymbol(BitReader& reader, const HuffmanDecodeTable& table) {
  constexpr int kShift = kHuffmanLengths - HuffmanDecodeTable::kLookaheadBits;
  const uint32_t window = reader.Peek(kHuffmanLengths);
  const uint16_t entry = table.lookahead[window >> kShift];
  if (entry != 0) {
    reader.Consume(entry >> 8);
    return entry & 0xFF;
  }
  for (int length = HuffmanDecodeTable::kLookaheadBits + 1; length <= kHuffmanLengths; ++length) {
    const int32_t code = static_cast<int32_t>(window >> (kHuffmanLengths - length));
    if (code <= table.max_code[length]) {
      reader.Consume(length);
      return table.values[code + table.value_offset[length]];
    }
  }
  return -1;
}

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_HUFFMAN_TABLES_H_
