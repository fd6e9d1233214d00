// The fixed-point transforms; see dct_transform.h. Constants are scaled by
// 256. The forward recipe shifts (arithmetic, rounding down); the inverse one
// divides (truncating toward zero): both are part of the exact result.
#include "interchange/jpeg_dct/dct_transform.h"

#include <cassert>
#include <cmath>
#include <numbers>

namespace {

// The index, inside the transform's 8 x 8 array, of frequency k of one axis.
constexpr int kFrequencySlot[8] = {0, 5, 2, 7, 1, 4, 3, 6};

double AxisScale(int k) {
  if (k == 0) return 1.0 / (2.0 * std::numbers::sqrt2);
  return 1.0 / (4.0 * std::cos(k * std::numbers::pi / 16.0));
}

// Both transforms work on an array whose row index is the horizontal
// frequency's slot and whose column index is the vertical one's: the
// coefficient (u, v) lives at [slot(v)][slot(u)].
int SlotIndex(int natural_index) {
  const int u = natural_index / 8;
  const int v = natural_index % 8;
  return kFrequencySlot[v] * 8 + kFrequencySlot[u];
}

// --- forward ------------------------------------------------------------------

// First butterfly of the forward transform on 8 values `step` apart.
inline void ForwardButterfly1(int32_t* e, int step) {
  const int32_t a0 = e[0], a1 = e[step], a2 = e[2 * step], a3 = e[3 * step];
  const int32_t a4 = e[4 * step], a5 = e[5 * step], a6 = e[6 * step], a7 = e[7 * step];
  const int32_t s07 = a0 + a7, s16 = a1 + a6, s25 = a2 + a5, s34 = a3 + a4;
  const int32_t d07 = a0 - a7, d16 = a1 - a6, d25 = a2 - a5, d34 = a3 - a4;
  e[0] = (s07 + s34) + (s16 + s25);
  e[step] = (s07 + s34) - (s16 + s25);
  e[2 * step] = (s07 - s34) + (s16 - s25);
  e[3 * step] = s07 - s34;
  e[4 * step] = -(d34 + d25);
  e[5 * step] = d16 + d25;
  e[6 * step] = d07 + d16;
  e[7 * step] = d07;
}

// Second butterfly of the forward transform.
inline void ForwardButterfly2(int32_t* e, int step) {
  const int32_t e2 = e[2 * step], e3 = e[3 * step], e4 = e[4 * step];
  const int32_t e5 = e[5 * step], e6 = e[6 * step], e7 = e[7 * step];
  e[2 * step] = e2 + e3;
  e[3 * step] = e3 - e2;
  e[4 * step] = e7 - e5 + e4;
  e[5 * step] = e6 + e5 + e7;
  e[6 * step] = e5 + e7 - e6;
  e[7 * step] = e7 - e5 - e4;
}

// The multiplication stage of the forward transform on the array b.
inline void ForwardMultiply(int32_t* b) {
  for (int row : {0, 1, 3, 7}) {
    int32_t* e = b + 8 * row;
    const int32_t t = 98 * (e[4] + e[6]);
    e[2] = (181 * e[2]) >> 8;
    const int32_t e4 = (-(139 * e[4] + t)) >> 8;
    e[5] = (181 * e[5]) >> 8;
    e[6] = (334 * e[6] - t) >> 8;
    e[4] = e4;
  }
  for (int row : {2, 5}) {
    int32_t* e = b + 8 * row;
    const int32_t t = 69 * (e[4] + e[6]);
    for (int k : {0, 1, 3, 7}) e[k] = (181 * e[k]) >> 8;
    e[2] >>= 1;
    e[5] >>= 1;
    const int32_t e4 = (-(98 * e[4] + t)) >> 8;
    e[6] = (237 * e[6] - t) >> 8;
    e[4] = e4;
  }
  int32_t* r4 = b + 8 * 4;
  int32_t* r6 = b + 8 * 6;
  for (int col : {0, 1, 3, 7}) {
    const int32_t a = r4[col], c = r6[col];
    const int32_t t = 98 * (a + c);
    r4[col] = (-(139 * a + t)) >> 8;
    r6[col] = (334 * c - t) >> 8;
  }
  for (int col : {2, 5}) {
    const int32_t a = r4[col], c = r6[col];
    const int32_t t = 69 * (a + c);
    r4[col] = (-(98 * a + t)) >> 8;
    r6[col] = (237 * c - t) >> 8;
  }
  const int32_t a = r4[4], b64 = r6[4], c = r4[6], d = r6[6];
  const int32_t h = (a + d) >> 1;
  const int32_t m = (91 * ((c + b64) + (a - d))) >> 8;
  const int32_t n = (91 * ((a - d) - (c + b64))) >> 8;
  const int32_t g = (b64 - c) >> 1;
  r4[4] = h + m;
  r6[4] = n - g;
  r4[6] = g + n;
  r6[6] = h - m;
}

// --- inverse ------------------------------------------------------------------

inline void InverseButterfly1(int32_t* e, int step) {
  const int32_t e0 = e[0], e1 = e[step], e2 = e[2 * step], e3 = e[3 * step];
  const int32_t e4 = e[4 * step], e5 = e[5 * step], e6 = e[6 * step], e7 = e[7 * step];
  e[0] = 4 * e0;
  e[step] = 4 * e1;
  e[2 * step] = 2 * (e2 - e3);
  e[3 * step] = 2 * (e2 + e3);
  e[4 * step] = 2 * (e4 - e7);
  e[5 * step] = (e5 + e6) - (e4 + e7);
  e[6 * step] = 2 * (e5 - e6);
  e[7 * step] = (e4 + e7) + (e5 + e6);
}

// Second butterfly of the inverse transform: 8 values `step` apart in, 8
// consecutive values out.
inline void InverseButterfly2(const int32_t* x, int step, int32_t* out) {
  const int32_t x0 = x[0], x1 = x[step], x2 = x[2 * step], x3 = x[3 * step];
  const int32_t x4 = x[4 * step], x5 = x[5 * step], x6 = x[6 * step], x7 = x[7 * step];
  const int32_t p = 2 * x3;
  const int32_t q = 2 * x2 - p;
  const int32_t r = 4 * x7;
  const int32_t s = 4 * x6 - r;
  const int32_t u = 4 * x5 - s;
  const int32_t v = -4 * x4 - u;
  out[0] = (r + p + x0 + x1) / 8;
  out[1] = (s + q + x0 - x1) / 8;
  out[2] = (x0 - x1 - q + u) / 8;
  out[3] = (x0 + x1 - p + v) / 8;
  out[4] = (x0 + x1 - p - v) / 8;
  out[5] = (x0 - x1 - q - u) / 8;
  out[6] = (q + x0 - x1 - s) / 8;
  out[7] = (p + x0 + x1 - r) / 8;
}

inline void InverseMultiply(int32_t* b) {
  for (int row : {0, 1, 3, 7}) {
    int32_t* e = b + 8 * row;
    const int32_t t = 98 * (e[4] - e[6]);
    e[2] = (362 * e[2]) / 256;
    const int32_t e4 = -((334 * e[4] - t) / 256);
    e[5] = (362 * e[5]) / 256;
    e[6] = -((t - 139 * e[6]) / 256);
    e[4] = e4;
  }
  for (int row : {2, 5}) {
    int32_t* e = b + 8 * row;
    const int32_t t = 69 * (e[4] - e[6]);
    for (int k : {0, 1, 3, 7}) e[k] = (362 * e[k]) / 256;
    e[2] *= 2;
    e[5] *= 2;
    const int32_t e4 = (2 * (t - 237 * e[4])) / 256;
    e[6] = (2 * (98 * e[6] - t)) / 256;
    e[4] = e4;
  }
  int32_t* r4 = b + 8 * 4;
  int32_t* r6 = b + 8 * 6;
  for (int col : {0, 1, 3, 7}) {
    const int32_t a = r4[col], c = r6[col];
    const int32_t t = 98 * (a - c);
    r4[col] = -((334 * a - t) / 256);
    r6[col] = -((t - 139 * c) / 256);
  }
  for (int col : {2, 5}) {
    const int32_t a = r4[col], c = r6[col];
    const int32_t t = 69 * (a - c);
    r4[col] = (2 * (t - 237 * a)) / 256;
    r6[col] = (2 * (98 * c - t)) / 256;
  }
  const int32_t a = r4[4], b64 = r6[4], c = r4[6], d = r6[6];
  const int32_t m = (181 * ((c + b64) + (a - d))) / 256;
  const int32_t n = (181 * ((a - d) - (c + b64))) / 256;
  const int32_t h = a + d;
  r4[4] = (h + m) / 2;
  r6[4] = (n + (c - b64)) / 2;
  r4[6] = (n + (b64 - c)) / 2;
  r6[6] = (h - m) / 2;
}

}  // namespace

int32_t ScaledQuantizer(int32_t entry, int u, int v) {
  return static_cast<int32_t>(std::lround(entry / (AxisScale(u) * AxisScale(v))));
}

void BuildForwardQuantizer(const int32_t entries[kBlockSize], ForwardQuantizer& out) {
  for (int k = 0; k < kBlockSize; ++k) {
    const int natural = kZigzagToNatural[k];
    const int32_t divisor = ScaledQuantizer(entries[natural], natural / 8, natural % 8);
    assert(divisor >= 1);
    out.source_index[k] = static_cast<uint8_t>(SlotIndex(natural));
    out.divisor[k] = divisor;
    out.reciprocal[k] = (uint64_t{1} << 40) / static_cast<uint64_t>(divisor) + 1;
  }
}

void BuildInverseDequantizer(const int32_t entries[kBlockSize], InverseDequantizer& out) {
  for (int k = 0; k < kBlockSize; ++k) {
    const int natural = kZigzagToNatural[k];
    out.target_index[k] = static_cast<uint8_t>(SlotIndex(natural));
    out.multiplier[k] = ScaledQuantizer(entries[natural], natural / 8, natural % 8);
  }
}

void ForwardDctQuantize(const uint8_t* samples, ptrdiff_t stride, const ForwardQuantizer& quantizer,
                        int32_t zigzag_out[kBlockSize]) {
  // Loaded transposed (b[x][y] = sample(y, x) - 128): both butterflies of the
  // first stage then run along rows and columns of b in place.
  int32_t b[kBlockSize];
  for (int y = 0; y < 8; ++y) {
    const uint8_t* row = samples + y * stride;
    for (int x = 0; x < 8; ++x) b[x * 8 + y] = int32_t{row[x]} - 128;
  }
  for (int r = 0; r < 8; ++r) ForwardButterfly1(b + 8 * r, 1);
  for (int c = 0; c < 8; ++c) ForwardButterfly1(b + c, 8);
  ForwardMultiply(b);
  for (int r = 0; r < 8; ++r) ForwardButterfly2(b + 8 * r, 1);
  for (int c = 0; c < 8; ++c) ForwardButterfly2(b + c, 8);

  // Truncating division by multiplication: |x| < 2^20 and divisor < 2^20
  // make (|x| x reciprocal) >> 40 equal to |x| / divisor exactly.
  for (int k = 0; k < kBlockSize; ++k) {
    const int32_t x = b[quantizer.source_index[k]];
    const int32_t sign = x >> 31;
    const uint64_t magnitude = static_cast<uint32_t>((x ^ sign) - sign);
    assert(magnitude < (uint64_t{1} << 20));
    const int32_t q = static_cast<int32_t>((magnitude * quantizer.reciprocal[k]) >> 40);
    zigzag_out[k] = (q ^ sign) - sign;
  }
}

void InverseDct(const int32_t block[kBlockSize], int32_t out[kBlockSize]) {
  // The input sits transposed (see SlotIndex), so the first butterflies run
  // along rows and columns in place. Rows of zeros stay zeros.
  int32_t b[kBlockSize];
  for (int r = 0; r < 8; ++r) {
    const int32_t* row = block + 8 * r;
    int32_t* e = b + 8 * r;
    bool zero = true;
    for (int c = 0; c < 8; ++c) {
      e[c] = row[c];
      zero = zero && row[c] == 0;
    }
    if (!zero) InverseButterfly1(e, 1);
  }
  for (int c = 0; c < 8; ++c) InverseButterfly1(b + c, 8);
  InverseMultiply(b);
  for (int i = 0; i < kBlockSize; ++i) b[i] = (b[i] + 8) / 16;
  int32_t a[kBlockSize];
  for (int r = 0; r < 8; ++r) InverseButterfly2(b + 8 * r, 1, a + 8 * r);
  // Column c of the row results gives image row c.
  for (int c = 0; c < 8; ++c) InverseButterfly2(a + c, 8, out + 8 * c);
}

int32_t InverseDctDcOnly(int32_t dc_product) {
  // Only the first row and column carry values: 16 x dc after both first
  // butterflies, untouched by the multiplication, then rounded and divided by
  // 8 in each second butterfly.
  const int32_t rounded = (16 * dc_product + 8) / 16;
  return (rounded / 8) / 8;
}
