// PNG row filters and Adam7 pass packing; see png_filters.h. The filter
// loops read only the unfiltered input, so each is a plain loop over bytes
// that the compiler can vectorise; undoing Sub, Average and Paeth depends on
// the byte just restored, one pixel back, and keeps that pixel in registers.
#include "interchange/png/png_filters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The PNG standard's Paeth predictor, in the form without p itself.
inline uint8_t PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Sum of min(v, 256 - v): |v| read as a signed byte. Summed in blocks that
// cannot overflow 32 bits (4096 x 128), so the inner loop stays narrow.
uint64_t FilterCost(const uint8_t* bytes, int64_t count) {
  constexpr int64_t kBlock = 4096;
  uint64_t total = 0;
  for (int64_t start = 0; start < count; start += kBlock) {
    const int64_t end = count - start < kBlock ? count : start + kBlock;
    uint32_t sum = 0;
    for (int64_t i = start; i < end; ++i) {
      const int v = static_cast<int8_t>(bytes[i]);
      sum += static_cast<uint32_t>(v < 0 ? -v : v);
    }
    total += sum;
  }
  return total;
}

void FilterSub(const uint8_t* x, int64_t n, int bpp, uint8_t* out) {
  const int64_t head = n < bpp ? n : bpp;
  for (int64_t i = 0; i < head; ++i) out[i] = x[i];
  for (int64_t i = bpp; i < n; ++i) out[i] = static_cast<uint8_t>(x[i] - x[i - bpp]);
}

void FilterUp(const uint8_t* x, const uint8_t* b, int64_t n, uint8_t* out) {
  for (int64_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(x[i] - b[i]);
}

void FilterAverage(const uint8_t* x, const uint8_t* b, int64_t n, int bpp, uint8_t* out) {
  const int64_t head = n < bpp ? n : bpp;
  for (int64_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(x[i] - (b[i] >> 1));
  for (int64_t i = bpp; i < n; ++i) out[i] = static_cast<uint8_t>(x[i] - ((x[i - bpp] + b[i]) >> 1));
}

void FilterPaeth(const uint8_t* x, const uint8_t* b, int64_t n, int bpp, uint8_t* out) {
  // With a and c zero the predictor is b.
  const int64_t head = n < bpp ? n : bpp;
  for (int64_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(x[i] - b[i]);
  for (int64_t i = bpp; i < n; ++i) {
    out[i] = static_cast<uint8_t>(x[i] - PaethPredictor(x[i - bpp], b[i], b[i - bpp]));
  }
}

// Sub-byte pixels: pixel i of a row packed from the most significant bits.
inline unsigned GetSmallPixel(const uint8_t* row, int64_t i, int bits) {
  const int64_t bit = i * bits;
  const int shift = 8 - bits - static_cast<int>(bit & 7);
  return (row[bit >> 3] >> shift) & ((1u << bits) - 1);
}
inline void SetSmallPixel(uint8_t* row, int64_t i, int bits, unsigned value) {
  const int64_t bit = i * bits;
  const int shift = 8 - bits - static_cast<int>(bit & 7);
  const auto mask = static_cast<uint8_t>(((1u << bits) - 1) << shift);
  uint8_t& byte = row[bit >> 3];
  byte = static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

// Bytes [start, n) of a row whose bytes before start are done, one at a
// time from memory: any pixel width.
bool UnfilterTail(uint8_t type, uint8_t* x, const uint8_t* b, int64_t start, int64_t n, int bpp) {
  for (int64_t i = start; i < n; ++i) {
    const int left = i >= bpp ? x[i - bpp] : 0;
    const int above_left = i >= bpp ? b[i - bpp] : 0;
    switch (type) {
      case kPngFilterNone: break;
      case kPngFilterSub: x[i] = static_cast<uint8_t>(x[i] + left); break;
      case kPngFilterUp: x[i] = static_cast<uint8_t>(x[i] + b[i]); break;
      case kPngFilterAverage: x[i] = static_cast<uint8_t>(x[i] + ((left + b[i]) >> 1)); break;
      case kPngFilterPaeth: x[i] = static_cast<uint8_t>(x[i] + PaethPredictor(left, b[i], above_left)); break;
      default: return false;
    }
  }
  return true;
}

bool UnfilterRowAnyWidth(uint8_t type, uint8_t* x, const uint8_t* b, int64_t n, int bpp) {
  return UnfilterTail(type, x, b, 0, n, bpp);
}

#if defined(__SSE2__)
// Average for 3- and 4-byte pixels with the pixel's bytes in the lanes of one
// vector. pavgb rounds up, so the mean rounded down is pavgb less the low bit
// of left ^ above; adding the filtered byte before taking that bit off keeps
// the chain from one pixel to the next at three operations. Each step loads
// four bytes and stores the pixel's own; returns the bytes done, the rest
// being the last pixel whose four-byte load would leave the row.
template <int kBpp>
int64_t UnfilterAverageInLanes(uint8_t* x, const uint8_t* b, int64_t n) {
  const __m128i low_bit = _mm_set1_epi8(1);
  __m128i left = _mm_setzero_si128();
  int64_t i = 0;
  for (; i + 4 <= n; i += kBpp) {
    uint32_t filtered = 0;
    uint32_t above = 0;
    std::memcpy(&filtered, x + i, sizeof filtered);
    std::memcpy(&above, b + i, sizeof above);
    const __m128i above_lanes = _mm_cvtsi32_si128(static_cast<int>(above));
    const __m128i odd = _mm_and_si128(_mm_xor_si128(left, above_lanes), low_bit);
    left = _mm_sub_epi8(_mm_add_epi8(_mm_cvtsi32_si128(static_cast<int>(filtered)), _mm_avg_epu8(left, above_lanes)),
                        odd);
    const auto restored = static_cast<uint32_t>(_mm_cvtsi128_si32(left));
    std::memcpy(x + i, &restored, kBpp);
  }
  return i;
}
#endif

// Undoing Sub, Average and Paeth: byte i needs byte i - bpp just restored.
// Read back from memory, that byte costs a store-to-load round trip per
// byte; kept in registers (one per byte of a pixel) the bpp chains run side
// by side. Left of the first pixel, and above-left of it, count as 0, which
// is what the standard's first-pixel rules amount to.
template <int kBpp>
bool UnfilterRowOf(uint8_t type, uint8_t* __restrict x, const uint8_t* __restrict b, int64_t n) {
  const int64_t whole = n - n % kBpp;
  uint8_t left[kBpp] = {};
  uint8_t above_left[kBpp] = {};
  switch (type) {
    case kPngFilterNone:
      break;
    case kPngFilterSub:
      for (int64_t i = 0; i < whole; i += kBpp) {
        for (int k = 0; k < kBpp; ++k) x[i + k] = left[k] = static_cast<uint8_t>(x[i + k] + left[k]);
      }
      break;
    case kPngFilterUp:
      for (int64_t i = 0; i < n; ++i) x[i] = static_cast<uint8_t>(x[i] + b[i]);
      return true;
    case kPngFilterAverage:
#if defined(__SSE2__)
      if constexpr (kBpp == 3 || kBpp == 4) {
        return UnfilterTail(type, x, b, UnfilterAverageInLanes<kBpp>(x, b, n), n, kBpp);
      }
#endif
      for (int64_t i = 0; i < whole; i += kBpp) {
        for (int k = 0; k < kBpp; ++k) {
          x[i + k] = left[k] = static_cast<uint8_t>(x[i + k] + ((left[k] + b[i + k]) >> 1));
        }
      }
      break;
    case kPngFilterPaeth:
      for (int64_t i = 0; i < whole; i += kBpp) {
        for (int k = 0; k < kBpp; ++k) {
          const uint8_t above = b[i + k];
          x[i + k] = left[k] = static_cast<uint8_t>(x[i + k] + PaethPredictor(left[k], above, above_left[k]));
          above_left[k] = above;
        }
      }
      break;
    default:
      return false;
  }
  // A row shorter than one pixel, or not whole pixels, ends in the general loop.
  return whole == n || UnfilterTail(type, x, b, whole, n, kBpp);
}

}  // namespace

PngFilterChooser::PngFilterChooser(uint8_t filter_set, int64_t row_bytes, int bpp)
    : filter_set_(filter_set), bpp_(bpp) {
  for (int type = kPngFilterSub; type < kPngFilterTypes; ++type) {
    if ((filter_set_ & PngFilterBit(type)) == 0) continue;
    candidates_[type].assign(static_cast<size_t>(row_bytes + 1), 0);
    candidates_[type][0] = static_cast<uint8_t>(type);
  }
}

const uint8_t* PngFilterChooser::ChoosePngFilter(uint8_t* row_with_type, const uint8_t* previous,
                                                int64_t row_bytes) {
  row_with_type[0] = kPngFilterNone;
  if (filter_set_ == kPngFilterSetNone) return row_with_type;
  const uint8_t* x = row_with_type + 1;
  const int64_t n = row_bytes;
  const uint8_t* best = nullptr;
  uint64_t best_cost = 0;
  auto consider = [&](const uint8_t* coded) {
    const uint64_t cost = FilterCost(coded + 1, n);
    if (best == nullptr || cost < best_cost) {
      best = coded;
      best_cost = cost;
    }
  };
  if ((filter_set_ & PngFilterBit(kPngFilterNone)) != 0) consider(row_with_type);
  for (int type = kPngFilterSub; type < kPngFilterTypes; ++type) {
    if ((filter_set_ & PngFilterBit(type)) == 0) continue;
    uint8_t* out = candidates_[type].data() + 1;
    switch (type) {
      case kPngFilterSub: FilterSub(x, n, bpp_, out); break;
      case kPngFilterUp: FilterUp(x, previous, n, out); break;
      case kPngFilterAverage: FilterAverage(x, previous, n, bpp_, out); break;
      default: FilterPaeth(x, previous, n, bpp_, out); break;
    }
    consider(candidates_[type].data());
  }
  return best;
}

bool UnfilterPngRow(uint8_t type, uint8_t* x, const uint8_t* b, int64_t n, int bpp) {
  switch (bpp) {
    case 1: return UnfilterRowOf<1>(type, x, b, n);
    case 2: return UnfilterRowOf<2>(type, x, b, n);
    case 3: return UnfilterRowOf<3>(type, x, b, n);
    case 4: return UnfilterRowOf<4>(type, x, b, n);
    case 6: return UnfilterRowOf<6>(type, x, b, n);
    case 8: return UnfilterRowOf<8>(type, x, b, n);
    default: return UnfilterRowAnyWidth(type, x, b, n, bpp);
  }
}

void PackInterlacePass(const uint8_t* row, int64_t width, int bits_per_pixel, int pass, uint8_t* pass_row) {
  const Adam7Pass& p = kAdam7[pass];
  const int64_t count = Adam7PassWidth(width, pass);
  if (bits_per_pixel >= 8) {
    const int64_t pixel_bytes = bits_per_pixel / 8;
    for (int64_t i = 0; i < count; ++i) {
      std::memcpy(pass_row + i * pixel_bytes, row + (p.start_column + i * p.column_step) * pixel_bytes,
                  static_cast<size_t>(pixel_bytes));
    }
    return;
  }
  std::memset(pass_row, 0, static_cast<size_t>(PngRowBytes(count, bits_per_pixel)));
  for (int64_t i = 0; i < count; ++i) {
    SetSmallPixel(pass_row, i, bits_per_pixel, GetSmallPixel(row, p.start_column + i * p.column_step, bits_per_pixel));
  }
}

void ExpandInterlacePass(const uint8_t* pass_row, int64_t width, int bits_per_pixel, int pass, uint8_t* row) {
  const Adam7Pass& p = kAdam7[pass];
  const int64_t count = Adam7PassWidth(width, pass);
  if (bits_per_pixel >= 8) {
    const int64_t pixel_bytes = bits_per_pixel / 8;
    for (int64_t i = 0; i < count; ++i) {
      std::memcpy(row + (p.start_column + i * p.column_step) * pixel_bytes, pass_row + i * pixel_bytes,
                  static_cast<size_t>(pixel_bytes));
    }
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    SetSmallPixel(row, p.start_column + i * p.column_step, bits_per_pixel, GetSmallPixel(pass_row, i, bits_per_pixel));
  }
}

void FillInterlaceBlocks(const uint8_t* pass_row, int64_t width, int bits_per_pixel, int pass, uint8_t* row) {
  const Adam7Pass& p = kAdam7[pass];
  const int64_t count = Adam7PassWidth(width, pass);
  const int64_t pixel_bytes = bits_per_pixel / 8;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t first = p.start_column + i * p.column_step;
    const int64_t end = first + p.block_width < width ? first + p.block_width : width;
    for (int64_t column = first; column < end; ++column) {
      if (bits_per_pixel >= 8) {
        std::memcpy(row + column * pixel_bytes, pass_row + i * pixel_bytes, static_cast<size_t>(pixel_bytes));
      } else {
        SetSmallPixel(row, column, bits_per_pixel, GetSmallPixel(pass_row, i, bits_per_pixel));
      }
    }
  }
}
