// Row kernels of the bitmap codec; see bmp_rows.h. The byte paths are plain
// pointer loops; the bit paths copy whole bytes where both sides are most
// significant bit first and byte-aligned, and go bit by bit elsewhere.
#include "interchange/rows/bmp_rows.h"

#include <cstring>

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

#include "core/byte_shuffle.h"
#include "core/codes.h"

void UnpackNibbles(const uint8_t* stored, int64_t count, uint8_t* pixels) {
  const int64_t pairs = count / 2;
  for (int64_t i = 0; i < pairs; ++i) {
    const uint8_t byte = stored[i];
    pixels[2 * i] = static_cast<uint8_t>(byte >> 4);
    pixels[2 * i + 1] = static_cast<uint8_t>(byte & 0x0F);
  }
  if (count % 2 != 0) pixels[count - 1] = static_cast<uint8_t>(stored[pairs] >> 4);
}

void PackNibbles(const uint8_t* pixels, int64_t count, uint8_t* stored) {
  const int64_t pairs = count / 2;
  for (int64_t i = 0; i < pairs; ++i) {
    stored[i] = static_cast<uint8_t>(((pixels[2 * i] & 0x0F) << 4) | (pixels[2 * i + 1] & 0x0F));
  }
  if (count % 2 != 0) stored[pairs] = static_cast<uint8_t>((pixels[count - 1] & 0x0F) << 4);
}

void ExtractChannel(const uint8_t* stored, int64_t count, int pixel_bytes, int channel, uint8_t* band) {
  const uint8_t* p = stored + channel;
  for (int64_t i = 0; i < count; ++i, p += pixel_bytes) band[i] = *p;
}

void InsertChannel(const uint8_t* band, int64_t count, int pixel_bytes, int channel, uint8_t* stored) {
  uint8_t* p = stored + channel;
  for (int64_t i = 0; i < count; ++i, p += pixel_bytes) *p = band[i];
}

namespace {

// The rows never overlap (a stored row and image band rows), which lets the
// compiler vectorize the interleaved accesses.
template <int kPixelBytes>
void SplitPixelsOf(const uint8_t* __restrict stored, int64_t count, uint8_t* __restrict red,
                   uint8_t* __restrict green, uint8_t* __restrict blue) {
  for (int64_t i = 0; i < count; ++i) {
    blue[i] = stored[kPixelBytes * i];
    green[i] = stored[kPixelBytes * i + 1];
    red[i] = stored[kPixelBytes * i + 2];
  }
}

template <int kPixelBytes>
void MergePixelsOf(const uint8_t* __restrict red, const uint8_t* __restrict green, const uint8_t* __restrict blue,
                   int64_t count, uint8_t* __restrict stored) {
  for (int64_t i = 0; i < count; ++i) {
    stored[kPixelBytes * i] = blue[i];
    stored[kPixelBytes * i + 1] = green[i];
    stored[kPixelBytes * i + 2] = red[i];
  }
}

#if defined(__x86_64__)
// 3-byte pixels, 16 at a time: each band gathers its bytes from the three
// 16-byte loads with one byte shuffle per load (0x80 lanes give 0). Returns
// the pixels done; the caller does the rest with the scalar loop.
#define IPI_LANES(...) _mm_setr_epi8(__VA_ARGS__)
__attribute__((target("ssse3"))) inline __m128i Shuffle3(__m128i a0, __m128i m0, __m128i a1, __m128i m1, __m128i a2,
                                                        __m128i m2) {
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a0, m0), _mm_shuffle_epi8(a1, m1)), _mm_shuffle_epi8(a2, m2));
}

__attribute__((target("ssse3"))) int64_t SplitBgrSsse3(const uint8_t* stored, int64_t count, uint8_t* red,
                                                      uint8_t* green, uint8_t* blue) {
  constexpr char Z = -128;
  const __m128i b0 = IPI_LANES(0, 3, 6, 9, 12, 15, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i b1 = IPI_LANES(Z, Z, Z, Z, Z, Z, 2, 5, 8, 11, 14, Z, Z, Z, Z, Z);
  const __m128i b2 = IPI_LANES(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 1, 4, 7, 10, 13);
  const __m128i g0 = IPI_LANES(1, 4, 7, 10, 13, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i g1 = IPI_LANES(Z, Z, Z, Z, Z, 0, 3, 6, 9, 12, 15, Z, Z, Z, Z, Z);
  const __m128i g2 = IPI_LANES(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 2, 5, 8, 11, 14);
  const __m128i r0 = IPI_LANES(2, 5, 8, 11, 14, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i r1 = IPI_LANES(Z, Z, Z, Z, Z, 1, 4, 7, 10, 13, Z, Z, Z, Z, Z, Z);
  const __m128i r2 = IPI_LANES(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 0, 3, 6, 9, 12, 15);
  int64_t i = 0;
  for (; i + 16 <= count; i += 16, stored += 48) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 16));
    const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 32));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + i), Shuffle3(a0, b0, a1, b1, a2, b2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(green + i), Shuffle3(a0, g0, a1, g1, a2, g2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(red + i), Shuffle3(a0, r0, a1, r1, a2, r2));
  }
  return i;
}

__attribute__((target("ssse3"))) int64_t MergeBgrSsse3(const uint8_t* red, const uint8_t* green,
                                                      const uint8_t* blue, int64_t count, uint8_t* stored) {
  constexpr char Z = -128;
  // Output vector k takes from blue, green and red with these lanes.
  const __m128i o0b = IPI_LANES(0, Z, Z, 1, Z, Z, 2, Z, Z, 3, Z, Z, 4, Z, Z, 5);
  const __m128i o0g = IPI_LANES(Z, 0, Z, Z, 1, Z, Z, 2, Z, Z, 3, Z, Z, 4, Z, Z);
  const __m128i o0r = IPI_LANES(Z, Z, 0, Z, Z, 1, Z, Z, 2, Z, Z, 3, Z, Z, 4, Z);
  const __m128i o1b = IPI_LANES(Z, Z, 6, Z, Z, 7, Z, Z, 8, Z, Z, 9, Z, Z, 10, Z);
  const __m128i o1g = IPI_LANES(5, Z, Z, 6, Z, Z, 7, Z, Z, 8, Z, Z, 9, Z, Z, 10);
  const __m128i o1r = IPI_LANES(Z, 5, Z, Z, 6, Z, Z, 7, Z, Z, 8, Z, Z, 9, Z, Z);
  const __m128i o2b = IPI_LANES(Z, 11, Z, Z, 12, Z, Z, 13, Z, Z, 14, Z, Z, 15, Z, Z);
  const __m128i o2g = IPI_LANES(Z, Z, 11, Z, Z, 12, Z, Z, 13, Z, Z, 14, Z, Z, 15, Z);
  const __m128i o2r = IPI_LANES(10, Z, Z, 11, Z, Z, 12, Z, Z, 13, Z, Z, 14, Z, Z, 15);
  int64_t i = 0;
  for (; i + 16 <= count; i += 16, stored += 48) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + i));
    const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + i));
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(stored), Shuffle3(b, o0b, g, o0g, r, o0r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(stored + 16), Shuffle3(b, o1b, g, o1g, r, o1r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(stored + 32), Shuffle3(b, o2b, g, o2g, r, o2r));
  }
  return i;
}
// 3-byte pixels, 16 at a time: output vector k gathers its bytes from the
// three 16-byte loads with one byte shuffle per load, the lanes worked out
// below at compile time.
struct SwapLanes {
  alignas(16) int8_t lanes[3][3][16];  // [output vector][input vector][lane]
};

constexpr SwapLanes MakeSwapLanes() {
  SwapLanes s{};
  for (int k = 0; k < 3; ++k) {
    for (int lane = 0; lane < 16; ++lane) {
      const int out = 16 * k + lane;
      const int in = out - out % 3 + (2 - out % 3);  // the same pixel, the other end byte
      for (int v = 0; v < 3; ++v) s.lanes[k][v][lane] = static_cast<int8_t>(in / 16 == v ? in % 16 : -128);
    }
  }
  return s;
}

constexpr SwapLanes kSwapLanes = MakeSwapLanes();

__attribute__((target("ssse3"))) int64_t SwapRedAndBlueSsse3(const uint8_t* from, int64_t count, uint8_t* to) {
  __m128i masks[3][3];
  for (int k = 0; k < 3; ++k) {
    for (int v = 0; v < 3; ++v) masks[k][v] = _mm_load_si128(reinterpret_cast<const __m128i*>(kSwapLanes.lanes[k][v]));
  }
  int64_t i = 0;
  for (; i + 16 <= count; i += 16, from += 48, to += 48) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
    const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
    for (int k = 0; k < 3; ++k) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16 * k),
                       Shuffle3(a0, masks[k][0], a1, masks[k][1], a2, masks[k][2]));
    }
  }
  return i;
}
#undef IPI_LANES

#endif

}  // namespace

void SplitPixelsScalar(const uint8_t* stored, int64_t count, int pixel_bytes, uint8_t* red, uint8_t* green,
                       uint8_t* blue) {
  if (pixel_bytes == 3) {
    SplitPixelsOf<3>(stored, count, red, green, blue);
  } else {
    SplitPixelsOf<4>(stored, count, red, green, blue);
  }
}

void MergePixelsScalar(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count,
                       int pixel_bytes, uint8_t* stored) {
  if (pixel_bytes == 3) {
    MergePixelsOf<3>(red, green, blue, count, stored);
  } else {
    MergePixelsOf<4>(red, green, blue, count, stored);
  }
}

void SplitPixels(const uint8_t* stored, int64_t count, int pixel_bytes, uint8_t* red, uint8_t* green,
                 uint8_t* blue) {
  int64_t done = 0;
#if defined(__x86_64__)
  if (pixel_bytes == 3 && IpiHasByteShuffle()) done = SplitBgrSsse3(stored, count, red, green, blue);
#endif
  SplitPixelsScalar(stored + done * pixel_bytes, count - done, pixel_bytes, red + done, green + done, blue + done);
}

void SwapRedAndBlueScalar(const uint8_t* from, int64_t count, uint8_t* to) {
  for (int64_t i = 0; i < count; ++i) {
    to[3 * i] = from[3 * i + 2];
    to[3 * i + 1] = from[3 * i + 1];
    to[3 * i + 2] = from[3 * i];
  }
}

void SwapRedAndBlue(const uint8_t* from, int64_t count, uint8_t* to) {
  int64_t done = 0;
#if defined(__x86_64__)
  if (IpiHasByteShuffle()) done = SwapRedAndBlueSsse3(from, count, to);
#endif
  SwapRedAndBlueScalar(from + 3 * done, count - done, to + 3 * done);
}

void MergePixels(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count, int pixel_bytes,
                 uint8_t* stored) {
  int64_t done = 0;
#if defined(__x86_64__)
  if (pixel_bytes == 3 && IpiHasByteShuffle()) done = MergeBgrSsse3(red, green, blue, count, stored);
#endif
  MergePixelsScalar(red + done, green + done, blue + done, count - done, pixel_bytes, stored + done * pixel_bytes);
}

namespace {

inline uint8_t Widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

}  // namespace

void Expand555Channel(const uint8_t* stored, int64_t count, int band, uint8_t* out) {
  const int shift = band == 0 ? 10 : band == 1 ? 5 : 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t word = stored[2 * i] | (uint32_t{stored[2 * i + 1]} << 8);
    out[i] = Widen5((word >> shift) & 0x1F);
  }
}

void Convert555ToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr) {
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t word = stored[2 * i] | (uint32_t{stored[2 * i + 1]} << 8);
    bgr[3 * i] = Widen5(word & 0x1F);
    bgr[3 * i + 1] = Widen5((word >> 5) & 0x1F);
    bgr[3 * i + 2] = Widen5((word >> 10) & 0x1F);
  }
}

void ConvertBgrxToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr) {
  for (int64_t i = 0; i < count; ++i) {
    bgr[3 * i] = stored[4 * i];
    bgr[3 * i + 1] = stored[4 * i + 1];
    bgr[3 * i + 2] = stored[4 * i + 2];
  }
}

void StoredBitsToRowByBit(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                          int64_t bit_offset) {
  for (int64_t i = 0; i < count; ++i) {
    const bool on = (stored[i >> 3] & (0x80u >> (i & 7))) != 0;
    IpiSetBit(accessor, row, bit_offset + i, on);
  }
}

void RowToStoredBitsByBit(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                          uint8_t* stored) {
  std::memset(stored, 0, static_cast<size_t>((count + 7) / 8));
  for (int64_t i = 0; i < count; ++i) {
    if (IpiTestBit(accessor, row, bit_offset + i)) stored[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
  }
}

void StoredBitsToRow(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                     int64_t bit_offset) {
  if (bit_offset != 0 || accessor.bit_order != kOrderMsbFirst) {
    StoredBitsToRowByBit(stored, count, accessor, row, bit_offset);
    return;
  }
  const int64_t whole = count / 8;
  std::memcpy(row, stored, static_cast<size_t>(whole));
  const int tail = static_cast<int>(count % 8);
  if (tail != 0) {
    // The rest of the last byte may belong to the next row: keep it.
    const uint8_t mask = static_cast<uint8_t>(0xFF00u >> tail);
    row[whole] = static_cast<uint8_t>((row[whole] & ~mask) | (stored[whole] & mask));
  }
}

void RowToStoredBits(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                     uint8_t* stored) {
  if (bit_offset != 0 || accessor.bit_order != kOrderMsbFirst) {
    RowToStoredBitsByBit(row, bit_offset, count, accessor, stored);
    return;
  }
  const int64_t whole = count / 8;
  std::memcpy(stored, row, static_cast<size_t>(whole));
  const int tail = static_cast<int>(count % 8);
  if (tail != 0) stored[whole] = static_cast<uint8_t>(row[whole] & (0xFF00u >> tail));
}

void LowBitsToStoredBits(const uint8_t* elements, int64_t count, uint8_t* stored) {
  std::memset(stored, 0, static_cast<size_t>((count + 7) / 8));
  for (int64_t i = 0; i < count; ++i) {
    if ((elements[i] & 1) != 0) stored[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
  }
}
