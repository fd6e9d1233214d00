// Row kernels of resampling; see resample_rows.h. Each loop is written for
// one pixel size at compile time (1 and 3 bytes), so the compiler can keep
// the sample loop tight; other sizes take the same loop with the size read
// at run time. The hottest loops are built twice, for the baseline vector
// unit and for 256-bit vectors, picked once at load time; both builds
// compute the same integers.
#include "core/operators/geometry/resample_rows.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/byte_shuffle.h"

namespace geometry {

NearestColumns MakeNearestColumns(const AxisMapping& mx) {
  NearestColumns columns;
  columns.source_extent = mx.source_extent();
  int64_t d = mx.first();
  while (d <= mx.last() && mx.Nearest(d) < 0) ++d;
  int64_t last = mx.last();
  while (last >= d && mx.Nearest(last) >= mx.source_extent()) --last;
  columns.first = d;
  if (d > last) return columns;
  columns.source.resize(static_cast<size_t>(last - d + 1));
  for (size_t k = 0; k < columns.source.size(); ++k) {
    columns.source[k] = static_cast<int32_t>(mx.Nearest(d + static_cast<int64_t>(k)));
  }
  // Whole-number reductions (and copies) take every step-th element.
  const int32_t step = columns.source.size() > 1 ? columns.source[1] - columns.source[0] : 1;
  bool regular = step >= 1;
  for (size_t k = 0; k < columns.source.size() && regular; ++k) {
    regular = columns.source[k] == columns.source[0] + static_cast<int64_t>(k) * step;
  }
  columns.step = regular ? step : 0;
  return columns;
}

namespace {

// --- three-byte pixels with a byte shuffle ----------------------------------------------

// The baseline vector unit has no byte shuffle, so the compiler's loops over
// three-byte pixels work a byte at a time. Processors that have one (SSSE3)
// take four pixels a step in these loops; each returns the pixels it did and
// leaves the rest, at least the last two, to the plain loop (its twin); the
// callers check IpiHasByteShuffle first.

// Pixels 0, 2, 4, ... of `source` into `target`: 12 bytes of 24 a step, 16
// stored (the last 4 rewritten by the next step).
[[gnu::target("ssse3")]] int64_t TakeEveryOtherColourPixel(const uint8_t* source, int64_t count, uint8_t* target) {
  const __m128i first = _mm_setr_epi8(0, 1, 2, 6, 7, 8, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1);
  const __m128i second = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, 10, 11, 12, -1, -1, -1, -1);
  int64_t k = 0;
  // A step reads 24 bytes from pixel 2k and stores 16 at pixel k: two pixels
  // beyond the step stay, so neither row is passed.
  for (; k + 6 <= count; k += 4) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 6 * k));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 6 * k + 8));
    const __m128i taken = _mm_or_si128(_mm_shuffle_epi8(low, first), _mm_shuffle_epi8(high, second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * k), taken);
  }
  return k;
}

// The sums of the sample pairs `pairs` picks from the 16 bytes at `bytes`.
[[gnu::target("ssse3")]] inline __m128i PairSums(const uint8_t* bytes, __m128i pairs, __m128i ones) {
  const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  return _mm_maddubs_epi16(_mm_shuffle_epi8(loaded, pairs), ones);
}

// The 2 x 2 averages of four pixels a step: each row's samples paired with
// the next pixel's by a shuffle, summed by a multiply-add with ones, the two
// rows added, rounded, packed and the 12 result bytes gathered.
[[gnu::target("ssse3")]] int64_t AverageColourPixelPairs(const uint8_t* a, const uint8_t* b, int64_t count,
                                                         uint8_t* target) {
  const __m128i pairs_low = _mm_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
  const __m128i pairs_high = _mm_setr_epi8(4, 7, 5, 8, 6, 9, 10, 13, 11, 14, 12, 15, -1, -1, -1, -1);
  const __m128i gather = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1);
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i two = _mm_set1_epi16(2);
  int64_t k = 0;
  for (; k + 6 <= count; k += 4) {
    const int64_t from = 6 * k;
    const __m128i low = _mm_add_epi16(PairSums(a + from, pairs_low, ones), PairSums(b + from, pairs_low, ones));
    const __m128i high =
        _mm_add_epi16(PairSums(a + from + 8, pairs_high, ones), PairSums(b + from + 8, pairs_high, ones));
    const __m128i rounded =
        _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(low, two), 2), _mm_srli_epi16(_mm_add_epi16(high, two), 2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * k), _mm_shuffle_epi8(rounded, gather));
  }
  return k;
}

// The same 2 x 2 averages eight pixels a step: each 128-bit half of the
// vectors does the step above for its four pixels. Two halves stored 12
// bytes apart; at least two pixels beyond the step stay, so neither row is
// passed.
[[gnu::target("avx2")]] inline __m256i LoadHalves(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

[[gnu::target("avx2")]] inline __m256i WidePairSums(__m256i loaded, __m256i pairs, __m256i ones) {
  return _mm256_maddubs_epi16(_mm256_shuffle_epi8(loaded, pairs), ones);
}

[[gnu::target("avx2")]] int64_t AverageColourPixelPairsWide(const uint8_t* a, const uint8_t* b, int64_t count,
                                                            uint8_t* target) {
  const __m256i pairs_low =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1));
  const __m256i pairs_high =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(4, 7, 5, 8, 6, 9, 10, 13, 11, 14, 12, 15, -1, -1, -1, -1));
  const __m256i gather =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1));
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i two = _mm256_set1_epi16(2);
  int64_t k = 0;
  for (; k + 10 <= count; k += 8) {
    const int64_t from = 6 * k;
    const __m256i low = _mm256_add_epi16(WidePairSums(LoadHalves(a + from, a + from + 24), pairs_low, ones),
                                         WidePairSums(LoadHalves(b + from, b + from + 24), pairs_low, ones));
    const __m256i high = _mm256_add_epi16(WidePairSums(LoadHalves(a + from + 8, a + from + 32), pairs_high, ones),
                                          WidePairSums(LoadHalves(b + from + 8, b + from + 32), pairs_high, ones));
    const __m256i rounded = _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(low, two), 2),
                                                _mm256_srli_epi16(_mm256_add_epi16(high, two), 2));
    const __m256i gathered = _mm256_shuffle_epi8(rounded, gather);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * k), _mm256_castsi256_si128(gathered));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * k + 12), _mm256_extracti128_si256(gathered, 1));
  }
  return k;
}

// Three-byte pixels moved as four-byte words, each word's fourth byte
// overwritten by the next pixel: one load and one store a pixel. The last
// pixel, and those taken from the source row's last pixel, move three bytes,
// so that nothing is read or written past either row.
void NearestColourPixels(const uint8_t* s, const NearestColumns& columns, uint8_t* target) {
  constexpr int64_t kPixel = 3;
  const int32_t* source_column = columns.source.data();
  const int64_t count = columns.count();
  int64_t words = count - 1;
  while (words > 0 && source_column[words - 1] + 1 >= columns.source_extent) --words;
  int64_t done = 0;
  if (columns.step == 2 && IpiHasByteShuffle()) {
    done = TakeEveryOtherColourPixel(s + source_column[0] * kPixel, count, target);
  }
  if (columns.step > 0) {
    const uint8_t* source = s + source_column[0] * kPixel;
    const int64_t step = columns.step * kPixel;
    for (int64_t k = done; k < words; ++k) {
      uint32_t word = 0;
      std::memcpy(&word, source + k * step, sizeof(word));
      std::memcpy(target + k * kPixel, &word, sizeof(word));
    }
  } else {
    for (int64_t k = done; k < words; ++k) {
      uint32_t word = 0;
      std::memcpy(&word, s + source_column[k] * kPixel, sizeof(word));
      std::memcpy(target + k * kPixel, &word, sizeof(word));
    }
  }
  for (int64_t k = std::max({words, done, int64_t{0}}); k < count; ++k) {
    std::memcpy(target + k * kPixel, s + source_column[k] * kPixel, kPixel);
  }
}

template <int P>
void NearestPixels(const uint8_t* s, const NearestColumns& columns, int runtime_pixel_bytes, uint8_t* target) {
  const int64_t p = P > 0 ? P : runtime_pixel_bytes;
  const int64_t count = columns.count();
  const int32_t* source_column = columns.source.data();
  if (columns.step == 1) {
    std::memcpy(target, s + source_column[0] * p, static_cast<size_t>(count * p));
    return;
  }
  if (columns.step > 1) {
    const int64_t step = columns.step * p;
    const uint8_t* source = s + source_column[0] * p;
    for (int64_t k = 0; k < count; ++k) {
      for (int64_t c = 0; c < p; ++c) target[k * p + c] = source[k * step + c];
    }
    return;
  }
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* source = s + source_column[k] * p;
    for (int64_t c = 0; c < p; ++c) target[k * p + c] = source[c];
  }
}

}  // namespace

void NearestRow(const uint8_t* source_row, const NearestColumns& columns, int pixel_bytes, uint8_t* target) {
  if (columns.step == 2 && pixel_bytes == 1) {
    // Halving, the common reduction: a fixed stride the compiler vectorises.
    const uint8_t* source = source_row + columns.source[0];
    const int64_t count = columns.count();
    for (int64_t k = 0; k < count; ++k) target[k] = source[2 * k];
    return;
  }
  switch (pixel_bytes) {
    case 1: NearestPixels<1>(source_row, columns, 1, target); break;
    case 3:
      if (columns.step == 1) {
        NearestPixels<3>(source_row, columns, 3, target);
      } else {
        NearestColourPixels(source_row, columns, target);
      }
      break;
    default: NearestPixels<0>(source_row, columns, pixel_bytes, target); break;
  }
}

// --- horizontal pass ------------------------------------------------------------------

namespace {

// The columns from `start` on that repeat the two at `start` one element
// further on per pair, both with their right tap next to the left one.
template <int N>
int64_t PairsFrom(const ColumnTaps<N>& columns, int64_t start) {
  const int64_t count = columns.count();
  if (start + 1 >= count) return 0;
  const auto& index = columns.index;
  const auto& weight = columns.weight;
  const size_t a = static_cast<size_t>(start);
  for (size_t k = a; k < a + 2; ++k) {
    if (index[k][1] != index[k][0] + 1) return 0;
  }
  int64_t m = 1;
  for (; start + 2 * m + 1 < count; ++m) {
    bool same = true;
    for (size_t k = 0; k < 2 && same; ++k) {
      const size_t i = static_cast<size_t>(start + 2 * m) + k;
      same = weight[i] == weight[a + k] && index[i][0] == index[a + k][0] + m && index[i][1] == index[a + k][1] + m;
    }
    if (!same) break;
  }
  return m;
}

}  // namespace

// Bilinear doubling of a plane's row: columns 2m and 2m + 1 from the source
// elements m and m + 1 of their own starts `s0` and `s1`.
[[gnu::target_clones("avx2", "default")]] void SumColumnPairs(const uint8_t* __restrict s0,
                                                              const uint8_t* __restrict s1, const uint16_t w[4],
                                                              int64_t pairs, uint16_t* __restrict out) {
  const uint16_t w00 = w[0], w01 = w[1], w10 = w[2], w11 = w[3];
  for (int64_t m = 0; m < pairs; ++m) {
    out[2 * m] = static_cast<uint16_t>(w00 * s0[m] + w01 * s0[m + 1]);
    out[2 * m + 1] = static_cast<uint16_t>(w10 * s1[m] + w11 * s1[m + 1]);
  }
}

template <int N, class Sum>
HorizontalPass<N, Sum>::HorizontalPass(const ColumnTaps<N>& columns, int pixel_bytes)
    : columns_(columns), pixel_bytes_(pixel_bytes) {
  is_halving_ = columns.count() > 0 && columns.IsRegular(2);
  if constexpr (N == 2) {
    // A doubling's first column stands alone (its position lies before the
    // first element's centre), so the pairs may start one or two further on.
    constexpr int64_t kFewestPairs = 8;
    for (int64_t start = 0; start < 3 && !is_halving_; ++start) {
      const int64_t pairs = PairsFrom(columns, start);
      if (pairs > pairs_ && pairs >= kFewestPairs) {
        pair_first_ = start;
        pairs_ = pairs;
      }
    }
  }
}

template <int N, class Sum>
template <int P>
void HorizontalPass<N, Sum>::RunPixels(const uint8_t* row, Sum* sums) const {
  const int64_t p = P > 0 ? P : pixel_bytes_;
  const int64_t count = columns_.count();
  const Taps<N>* index = columns_.index.data();
  const Taps<N>* weight = columns_.weight.data();
  // One column at a time over [from, to).
  const auto columnwise = [&](int64_t from, int64_t to) {
    for (int64_t i = from; i < to; ++i) {
      for (int64_t c = 0; c < p; ++c) {
        int32_t sum = 0;
        for (int t = 0; t < N; ++t) sum += weight[i][t] * row[index[i][t] * p + c];
        sums[i * p + c] = static_cast<Sum>(sum);
      }
    }
  };
  if (is_halving_) {
    // Taps two elements apart from column to column, the same weights.
    Sum w[N];
    const uint8_t* base[N];
    for (int t = 0; t < N; ++t) {
      w[t] = static_cast<Sum>(weight[0][t]);
      base[t] = row + index[0][t] * p;
    }
    for (int64_t i = 0; i < count; ++i) {
      for (int64_t c = 0; c < p; ++c) {
        Sum sum = 0;
        for (int t = 0; t < N; ++t) sum = static_cast<Sum>(sum + w[t] * base[t][2 * i * p + c]);
        sums[i * p + c] = sum;
      }
    }
    return;
  }
  if constexpr (N == 2) {
    if (pairs_ > 0) {
      const size_t a = static_cast<size_t>(pair_first_);
      const Sum w00 = static_cast<Sum>(weight[a][0]), w01 = static_cast<Sum>(weight[a][1]);
      const Sum w10 = static_cast<Sum>(weight[a + 1][0]), w11 = static_cast<Sum>(weight[a + 1][1]);
      const uint8_t* s0 = row + index[a][0] * p;
      const uint8_t* s1 = row + index[a + 1][0] * p;
      Sum* out = sums + pair_first_ * p;
      columnwise(0, pair_first_);
      if constexpr (P == 1 && std::is_same_v<Sum, uint16_t>) {
        const uint16_t w[4] = {w00, w01, w10, w11};
        SumColumnPairs(s0, s1, w, pairs_, out);
        columnwise(pair_first_ + 2 * pairs_, count);
        return;
      }
      for (int64_t m = 0; m < pairs_; ++m) {
        for (int64_t c = 0; c < p; ++c) {
          out[(2 * m) * p + c] = static_cast<Sum>(w00 * s0[m * p + c] + w01 * s0[(m + 1) * p + c]);
          out[(2 * m + 1) * p + c] = static_cast<Sum>(w10 * s1[m * p + c] + w11 * s1[(m + 1) * p + c]);
        }
      }
      columnwise(pair_first_ + 2 * pairs_, count);
      return;
    }
  }
  columnwise(0, count);
}

template <int N, class Sum>
void HorizontalPass<N, Sum>::Run(const uint8_t* row, Sum* sums) const {
  switch (pixel_bytes_) {
    case 1: RunPixels<1>(row, sums); break;
    case 3: RunPixels<3>(row, sums); break;
    default: RunPixels<0>(row, sums); break;
  }
}

// --- vertical pass --------------------------------------------------------------------

namespace {

// (w0 h0 + w1 h1 + 32768) >> 16 for 16-bit weights and sums, in 16-bit
// lanes: each product splits into its high and low halves (the vector
// unit's high and low multiplies), and the halves' carry into the result,
// floor((lo0 + lo1 + 32768) / 65536), is read from floor((lo0 + lo1) / 2)
// without leaving 16 bits. Equal to the 32-bit sum for every input.
[[gnu::target_clones("avx2", "default")]] void BlendTwoRows(const uint16_t* __restrict h0,
                                                            const uint16_t* __restrict h1, uint16_t w0, uint16_t w1,
                                                            int64_t count, uint8_t* __restrict target) {
  for (int64_t i = 0; i < count; ++i) {
    const uint16_t high0 = static_cast<uint16_t>((static_cast<uint32_t>(w0) * h0[i]) >> 16);
    const uint16_t high1 = static_cast<uint16_t>((static_cast<uint32_t>(w1) * h1[i]) >> 16);
    const uint16_t low0 = static_cast<uint16_t>(w0 * h0[i]);
    const uint16_t low1 = static_cast<uint16_t>(w1 * h1[i]);
    const uint16_t half_lows = static_cast<uint16_t>((low0 >> 1) + (low1 >> 1) + (low0 & low1 & 1));
    // half_lows below 16384: carry 0; below 49152: 1; else 2.
    target[i] = static_cast<uint8_t>(high0 + high1 + (((half_lows >> 14) + 1) >> 1));
  }
}

}  // namespace

template <int N, class Sum>
void BlendRows(const Sum* const* sums, const Taps<N>& wy, int64_t count, uint8_t* target) {
  if constexpr (N == 2 && std::is_same_v<Sum, uint16_t>) {
    BlendTwoRows(sums[0], sums[1], static_cast<uint16_t>(wy[0]), static_cast<uint16_t>(wy[1]), count, target);
  } else if constexpr (std::is_signed_v<Sum>) {
    const int32_t w0 = wy[0], w1 = wy[1], w2 = wy[2], w3 = wy[3];
    const Sum* h0 = sums[0];
    const Sum* h1 = sums[1];
    const Sum* h2 = sums[2];
    const Sum* h3 = sums[3];
    for (int64_t i = 0; i < count; ++i) {
      const int32_t v = (w0 * h0[i] + w1 * h1[i] + w2 * h2[i] + w3 * h3[i] + kHalfProduct) >> kProductShift;
      target[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
    }
  } else {
    // Weights that are never negative cannot leave 0..255. Widening 16 x 16
    // bit products (written so, the vector unit forms them directly); the sum
    // stays below 2^24.
    const auto product = [](uint16_t w, uint16_t h) { return static_cast<uint32_t>(w) * static_cast<uint32_t>(h); };
    uint16_t w[N];
    for (int k = 0; k < N; ++k) w[k] = static_cast<uint16_t>(wy[k]);
    const Sum* h0 = sums[0];
    const Sum* h1 = sums[1];
    const Sum* h2 = sums[2];
    const Sum* h3 = sums[3];
    for (int64_t i = 0; i < count; ++i) {
      target[i] = static_cast<uint8_t>(
          (product(w[0], h0[i]) + product(w[1], h1[i]) + product(w[2], h2[i]) + product(w[3], h3[i]) + kHalfProduct) >>
          kProductShift);
    }
  }
}

template class HorizontalPass<2, uint16_t>;
template class HorizontalPass<4, uint16_t>;
template class HorizontalPass<4, int32_t>;
template void BlendRows<2, uint16_t>(const uint16_t* const*, const Taps<2>&, int64_t, uint8_t*);
template void BlendRows<4, uint16_t>(const uint16_t* const*, const Taps<4>&, int64_t, uint8_t*);
template void BlendRows<4, int32_t>(const int32_t* const*, const Taps<4>&, int64_t, uint8_t*);

// --- bilinear halving -----------------------------------------------------------------

namespace {

// Each pair of neighbouring samples read as one 16-bit word and split by a
// mask and a shift, which the vector unit does in place; the byte order of
// the word does not matter, as both bytes are summed.
[[gnu::target_clones("avx2", "default")]] void AverageGreyPairs(const uint8_t* __restrict a,
                                                                const uint8_t* __restrict b, int64_t count,
                                                                uint8_t* __restrict target) {
  for (int64_t i = 0; i < count; ++i) {
    uint16_t top = 0;
    uint16_t bottom = 0;
    std::memcpy(&top, a + 2 * i, sizeof(top));
    std::memcpy(&bottom, b + 2 * i, sizeof(bottom));
    const auto sum = static_cast<uint16_t>((top & 0xFF) + (top >> 8) + (bottom & 0xFF) + (bottom >> 8) + 2);
    target[i] = static_cast<uint8_t>(sum >> 2);
  }
}

void AveragePixels(const uint8_t* a, const uint8_t* b, int64_t count, int64_t p, uint8_t* target) {
  for (int64_t i = 0; i < count; ++i) {
    for (int64_t c = 0; c < p; ++c) {
      const int64_t left = 2 * i * p + c;
      const uint16_t sum = static_cast<uint16_t>(a[left] + a[left + p] + b[left] + b[left + p] + 2);
      target[i * p + c] = static_cast<uint8_t>(sum >> 2);
    }
  }
}

}  // namespace

void AveragePairsRow(const uint8_t* top, const uint8_t* bottom, int64_t count, int pixel_bytes, uint8_t* target) {
  switch (pixel_bytes) {
    case 1: AverageGreyPairs(top, bottom, count, target); break;
    case 3: {
      int64_t done = IpiHasWideByteShuffle() ? AverageColourPixelPairsWide(top, bottom, count, target) : 0;
      if (IpiHasByteShuffle()) {
        done += AverageColourPixelPairs(top + 6 * done, bottom + 6 * done, count - done, target + 3 * done);
      }
      AveragePixels(top + 6 * done, bottom + 6 * done, count - done, 3, target + 3 * done);
      break;
    }
    default: AveragePixels(top, bottom, count, pixel_bytes, target); break;
  }
}

}  // namespace geometry
