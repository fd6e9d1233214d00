// Building the Huffman code tables; see huffman_tables.h.
#include "interchange/jpeg_dct/huffman_tables.h"

#include <algorithm>

namespace {

// Annex C: code lengths in order of the BITS counts, codes counted upward and
// doubled at each step to a longer length. False when a length runs out of
// codes. `codes` and `lengths` receive one entry per symbol.
bool GenerateCodes(const uint8_t bits[kHuffmanLengths], int symbol_count, uint32_t* codes, uint8_t* lengths) {
  uint32_t code = 0;
  int k = 0;
  for (int length = 1; length <= kHuffmanLengths; ++length) {
    for (int i = 0; i < bits[length - 1]; ++i) {
      if (k >= symbol_count) return false;
      codes[k] = code;
      lengths[k] = static_cast<uint8_t>(length);
      ++code;
      ++k;
    }
    // Every code of this length must fit in `length` bits.
    if (code > (uint32_t{1} << length)) return false;
    code <<= 1;
  }
  return k == symbol_count;
}

}  // namespace

bool IsValidHuffmanTable(const uint8_t bits[kHuffmanLengths], int capacity, int* symbol_count) {
  int total = 0;
  for (int i = 0; i < kHuffmanLengths; ++i) total += bits[i];
  if (total > capacity) return false;
  uint32_t codes[256];
  uint8_t lengths[256];
  if (!GenerateCodes(bits, total, codes, lengths)) return false;
  if (symbol_count != nullptr) *symbol_count = total;
  return true;
}

bool BuildHuffmanEncodeTable(const HuffmanSpec& spec, HuffmanEncodeTable& out) {
  int count = 0;
  if (!IsValidHuffmanTable(spec.bits, std::min<int>(256, static_cast<int>(spec.huffval.size())), &count)) {
    return false;
  }
  uint32_t codes[256];
  uint8_t lengths[256];
  (void)GenerateCodes(spec.bits, count, codes, lengths);
  out = HuffmanEncodeTable{};
  for (int k = 0; k < count; ++k) {
    out.code[spec.huffval[k]] = codes[k];
    out.length[spec.huffval[k]] = lengths[k];
  }
  return true;
}

bool BuildHuffmanDecodeTable(const uint8_t bits[kHuffmanLengths], std::span<const uint8_t> huffval, int capacity,
                             HuffmanDecodeTable& out) {
  int count = 0;
  if (!IsValidHuffmanTable(bits, std::min<int>(capacity, static_cast<int>(huffval.size())), &count)) return false;
  uint32_t codes[256];
  uint8_t lengths[256];
  (void)GenerateCodes(bits, count, codes, lengths);
  out = HuffmanDecodeTable{};
  std::copy(huffval.begin(), huffval.begin() + count, out.values);
  int k = 0;
  for (int length = 1; length <= kHuffmanLengths; ++length) {
    const int n = bits[length - 1];
    if (n == 0) {
      out.max_code[length] = -1;
      continue;
    }
    out.value_offset[length] = k - static_cast<int32_t>(codes[k]);
    out.max_code[length] = static_cast<int32_t>(codes[k + n - 1]);
    if (length <= HuffmanDecodeTable::kLookaheadBits) {
      const int spare_bits = HuffmanDecodeTable::kLookaheadBits - length;
      for (int i = 0; i < n; ++i) {
        const uint32_t first = codes[k + i] << spare_bits;
        const uint16_t entry = static_cast<uint16_t>((length << 8) | out.values[k + i]);
        std::fill_n(out.lookahead + first, size_t{1} << spare_bits, entry);
      }
    }
    k += n;
  }
  return true;
}
