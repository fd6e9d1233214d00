// Constant tables of baseline DCT coding transcribed from ITU-T T.81: the
// zigzag order, the example quantization tables of Annex K.1/K.2 and the
// typical Huffman tables of Annex K.3 to K.6 (BITS and HUFFVAL).
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_TABLES_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_TABLES_H_

#include <cstdint>
#include <span>

inline constexpr int kBlockSize = 64;
inline constexpr int kHuffmanLengths = 16;      // code lengths 1 to 16
inline constexpr int kDcHuffvalCapacity = 16;   // bytes of a DC HUFFVAL table attribute
inline constexpr int kAcHuffvalCapacity = 256;  // bytes of an AC HUFFVAL table attribute

// The natural (row-major) index of the coefficient at each zigzag position.
extern const uint8_t kZigzagToNatural[kBlockSize];

// Quantization tables K.1 (luminance) and K.2 (chrominance), natural order.
extern const uint8_t kAnnexKLuminanceQuantizer[kBlockSize];
extern const uint8_t kAnnexKChrominanceQuantizer[kBlockSize];

// One Huffman table as DHT carries it: 16 counts, then the symbols in code order.
struct HuffmanSpec {
  const uint8_t* bits;  // 16 entries
  std::span<const uint8_t> huffval;
};

extern const HuffmanSpec kAnnexKLuminanceDc;    // Table K.3
extern const HuffmanSpec kAnnexKChrominanceDc;  // Table K.4
extern const HuffmanSpec kAnnexKLuminanceAc;    // Table K.5
extern const HuffmanSpec kAnnexKChrominanceAc;  // Table K.6

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_TABLES_H_
