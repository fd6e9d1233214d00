// The fixed-point transforms against a plain transcription of the recipe
// (explicit transposes, one stage after the other) and against the
// floating-point DCT they approximate.
#include "interchange/jpeg_dct/dct_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

using Block = std::array<std::array<int32_t, 8>, 8>;

constexpr int kSlot[8] = {0, 5, 2, 7, 1, 4, 3, 6};

Block Transpose(const Block& m) {
  Block t{};
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) t[i][j] = m[j][i];
  return t;
}

template <typename F>
Block EachRow(const Block& m, F f) {
  Block out{};
  for (int i = 0; i < 8; ++i) out[i] = f(m[i]);
  return out;
}

using Row = std::array<int32_t, 8>;

Row F1(const Row& a) {
  const int32_t s07 = a[0] + a[7], s16 = a[1] + a[6], s25 = a[2] + a[5], s34 = a[3] + a[4];
  const int32_t d07 = a[0] - a[7], d16 = a[1] - a[6], d25 = a[2] - a[5], d34 = a[3] - a[4];
  return {(s07 + s34) + (s16 + s25), (s07 + s34) - (s16 + s25), (s07 - s34) + (s16 - s25), s07 - s34,
          -(d34 + d25), d16 + d25, d07 + d16, d07};
}

Row F2(const Row& e) {
  return {e[0], e[1], e[2] + e[3], e[3] - e[2], e[7] - e[5] + e[4], e[6] + e[5] + e[7], e[5] + e[7] - e[6],
          e[7] - e[5] - e[4]};
}

// Scaled coefficients (u, v) of the forward recipe, transcribed step by step.
Block ReferenceForward(const Block& samples) {
  Block a{};
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) a[i][j] = samples[i][j] - 128;
  Block b = EachRow(a, F1);
  a = Transpose(b);
  b = EachRow(a, F1);
  for (int r : {0, 1, 3, 7}) {
    auto& e = b[r];
    const int32_t t = 98 * (e[4] + e[6]);
    e[2] = (181 * e[2]) >> 8;
    const int32_t e4 = (-(139 * e[4] + t)) >> 8;
    e[5] = (181 * e[5]) >> 8;
    e[6] = (334 * e[6] - t) >> 8;
    e[4] = e4;
  }
  for (int r : {2, 5}) {
    auto& e = b[r];
    const int32_t t = 69 * (e[4] + e[6]);
    for (int k : {0, 1, 3, 7}) e[k] = (181 * e[k]) >> 8;
    e[2] = e[2] >> 1;
    e[5] = e[5] >> 1;
    const int32_t e4 = (-(98 * e[4] + t)) >> 8;
    e[6] = (237 * e[6] - t) >> 8;
    e[4] = e4;
  }
  for (int c : {0, 1, 3, 7}) {
    const int32_t x = b[4][c], y = b[6][c], t = 98 * (x + y);
    b[4][c] = (-(139 * x + t)) >> 8;
    b[6][c] = (334 * y - t) >> 8;
  }
  for (int c : {2, 5}) {
    const int32_t x = b[4][c], y = b[6][c], t = 69 * (x + y);
    b[4][c] = (-(98 * x + t)) >> 8;
    b[6][c] = (237 * y - t) >> 8;
  }
  {
    const int32_t pa = b[4][4], pb = b[6][4], pc = b[4][6], pd = b[6][6];
    const int32_t h = (pa + pd) >> 1, m = (91 * ((pc + pb) + (pa - pd))) >> 8;
    const int32_t n = (91 * ((pa - pd) - (pc + pb))) >> 8, g = (pb - pc) >> 1;
    b[4][4] = h + m;
    b[6][4] = n - g;
    b[4][6] = g + n;
    b[6][6] = h - m;
  }
  a = EachRow(b, F2);
  b = Transpose(a);
  a = EachRow(b, F2);
  Block coefficients{};
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v) coefficients[u][v] = a[kSlot[u]][kSlot[v]];
  return coefficients;
}

Row G1(const Row& e) {
  return {4 * e[0], 4 * e[1], 2 * (e[2] - e[3]), 2 * (e[2] + e[3]), 2 * (e[4] - e[7]),
          (e[5] + e[6]) - (e[4] + e[7]), 2 * (e[5] - e[6]), (e[4] + e[7]) + (e[5] + e[6])};
}

Row G2(const Row& x) {
  const int32_t p = 2 * x[3], q = 2 * x[2] - p, r = 4 * x[7], s = 4 * x[6] - r, u = 4 * x[5] - s,
                v = -4 * x[4] - u;
  return {(r + p + x[0] + x[1]) / 8, (s + q + x[0] - x[1]) / 8, (x[0] - x[1] - q + u) / 8,
          (x[0] + x[1] - p + v) / 8, (x[0] + x[1] - p - v) / 8, (x[0] - x[1] - q - u) / 8,
          (q + x[0] - x[1] - s) / 8, (p + x[0] + x[1] - r) / 8};
}

// Samples - 128 of the inverse recipe from dequantized values (u, v).
Block ReferenceInverse(const Block& products) {
  Block a{};
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v) a[kSlot[u]][kSlot[v]] = products[u][v];
  Block b = EachRow(a, G1);
  a = Transpose(b);
  b = EachRow(a, G1);
  for (int r : {0, 1, 3, 7}) {
    auto& e = b[r];
    const int32_t t = 98 * (e[4] - e[6]);
    e[2] = (362 * e[2]) / 256;
    const int32_t e4 = -((334 * e[4] - t) / 256);
    e[5] = (362 * e[5]) / 256;
    e[6] = -((t - 139 * e[6]) / 256);
    e[4] = e4;
  }
  for (int r : {2, 5}) {
    auto& e = b[r];
    const int32_t t = 69 * (e[4] - e[6]);
    for (int k : {0, 1, 3, 7}) e[k] = (362 * e[k]) / 256;
    e[2] = 2 * e[2];
    e[5] = 2 * e[5];
    const int32_t e4 = (2 * (t - 237 * e[4])) / 256;
    e[6] = (2 * (98 * e[6] - t)) / 256;
    e[4] = e4;
  }
  for (int c : {0, 1, 3, 7}) {
    const int32_t x = b[4][c], y = b[6][c], t = 98 * (x - y);
    b[4][c] = -((334 * x - t) / 256);
    b[6][c] = -((t - 139 * y) / 256);
  }
  for (int c : {2, 5}) {
    const int32_t x = b[4][c], y = b[6][c], t = 69 * (x - y);
    b[4][c] = (2 * (t - 237 * x)) / 256;
    b[6][c] = (2 * (98 * y - t)) / 256;
  }
  {
    const int32_t pa = b[4][4], pb = b[6][4], pc = b[4][6], pd = b[6][6];
    const int32_t m = (181 * ((pc + pb) + (pa - pd))) / 256, n = (181 * ((pa - pd) - (pc + pb))) / 256;
    const int32_t h = pa + pd;
    b[4][4] = (h + m) / 2;
    b[6][4] = (n + (pc - pb)) / 2;
    b[4][6] = (n + (pb - pc)) / 2;
    b[6][6] = (h - m) / 2;
  }
  for (auto& row : b)
    for (auto& e : row) e = (e + 8) / 16;
  a = EachRow(b, G2);
  b = Transpose(a);
  return EachRow(b, G2);
}

double Scale(int k) { return k == 0 ? 1.0 : std::numbers::sqrt2 * std::cos(k * std::numbers::pi / 16); }

// The DCT of T.81 (A.3.3): u vertical, v horizontal frequency.
double TrueCoefficient(const Block& samples, int u, int v) {
  const double cu = u == 0 ? std::numbers::sqrt2 / 2 : 1.0, cv = v == 0 ? std::numbers::sqrt2 / 2 : 1.0;
  double sum = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      sum += (samples[y][x] - 128) * std::cos((2 * y + 1) * u * std::numbers::pi / 16) *
             std::cos((2 * x + 1) * v * std::numbers::pi / 16);
  return cu * cv * sum / 4;
}

std::vector<Block> SampleBlocks() {
  std::vector<Block> blocks;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n = 0; n < 200; ++n) {
    Block b{};
    for (auto& row : b)
      for (auto& s : row) s = byte(random);
    blocks.push_back(b);
  }
  Block flat_low{}, flat_high{}, checker{}, ramp{}, columns{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      flat_high[y][x] = 255;
      checker[y][x] = ((x + y) & 1) ? 255 : 0;
      ramp[y][x] = 32 * y + 4 * x;
      columns[y][x] = x < 4 ? 0 : 255;  // varies horizontally only
    }
  }
  blocks.insert(blocks.end(), {flat_low, flat_high, checker, ramp, columns});
  return blocks;
}

TEST(DctTransform, ScaledQuantizers) {
  EXPECT_EQ(ScaledQuantizer(16, 0, 0), 128);  // 1 / c(0)^2 = 8 exactly
  EXPECT_EQ(ScaledQuantizer(1, 7, 7), 1);     // 0.609 rounds up
  EXPECT_EQ(ScaledQuantizer(255, 1, 1), 3925);
  EXPECT_EQ(ScaledQuantizer(10, 0, 1), 111);  // 110.95
}

TEST(DctTransform, ForwardMatchesRecipeAndTrueDct) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> entry(1, 255);
  for (const Block& samples : SampleBlocks()) {
    const Block reference = ReferenceForward(samples);
    int32_t entries[kBlockSize];
    for (int32_t& e : entries) e = entry(random);
    ForwardQuantizer quantizer;
    BuildForwardQuantizer(entries, quantizer);
    int32_t zigzag[kBlockSize];
    uint8_t bytes[64];
    for (int i = 0; i < 64; ++i) bytes[i] = static_cast<uint8_t>(samples[i / 8][i % 8]);
    ForwardDctQuantize(bytes, 8, quantizer, zigzag);
    for (int k = 0; k < kBlockSize; ++k) {
      const int u = kZigzagToNatural[k] / 8, v = kZigzagToNatural[k] % 8;
      ASSERT_EQ(zigzag[k], reference[u][v] / ScaledQuantizer(entries[u * 8 + v], u, v)) << "u " << u << " v " << v;
      // The recipe approximates the true coefficient x 8 s(u) s(v).
      const double expected = TrueCoefficient(samples, u, v) * 8 * Scale(u) * Scale(v);
      ASSERT_NEAR(reference[u][v], expected, 40 + std::abs(expected) * 0.01) << "u " << u << " v " << v;
    }
  }
}

TEST(DctTransform, InverseMatchesRecipeAndReconstructs) {
  int32_t ones[kBlockSize];
  for (int32_t& e : ones) e = 1;
  InverseDequantizer dequantizer;
  BuildInverseDequantizer(ones, dequantizer);
  ForwardQuantizer quantizer;
  BuildForwardQuantizer(ones, quantizer);
  for (const Block& samples : SampleBlocks()) {
    uint8_t bytes[64];
    for (int i = 0; i < 64; ++i) bytes[i] = static_cast<uint8_t>(samples[i / 8][i % 8]);
    int32_t zigzag[kBlockSize];
    ForwardDctQuantize(bytes, 8, quantizer, zigzag);
    Block products{};
    int32_t block[kBlockSize] = {};
    for (int k = 0; k < kBlockSize; ++k) {
      const int natural = kZigzagToNatural[k];
      products[natural / 8][natural % 8] = zigzag[k] * dequantizer.multiplier[k];
      block[dequantizer.target_index[k]] = zigzag[k] * dequantizer.multiplier[k];
    }
    const Block reference = ReferenceInverse(products);
    int32_t out[kBlockSize];
    InverseDct(block, out);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        ASSERT_EQ(out[y * 8 + x], reference[y][x]);
        // With unit quantizers the round trip loses only the truncations of the
        // fixed-point recipe (DC is still divided by 8).
        ASSERT_NEAR(out[y * 8 + x] + 128, samples[y][x], 5) << "y " << y << " x " << x;
      }
    }
  }
}

TEST(DctTransform, InverseKeepsExtremeInputsInRange) {
  // Damaged data can put the clamp value anywhere: the recipe must not overflow.
  std::mt19937 random(3);
  std::uniform_int_distribution<int> sign(0, 1);
  for (int n = 0; n < 2000; ++n) {
    Block products{};
    int32_t block[kBlockSize] = {};
    for (int i = 0; i < kBlockSize; ++i) {
      const int32_t value = sign(random) ? kMaxDequantizedMagnitude : -kMaxDequantizedMagnitude;
      products[i / 8][i % 8] = value;
      block[kSlot[i % 8] * 8 + kSlot[i / 8]] = value;
    }
    const Block reference = ReferenceInverse(products);
    int32_t out[kBlockSize];
    InverseDct(block, out);
    for (int i = 0; i < kBlockSize; ++i) ASSERT_EQ(out[i], reference[i / 8][i % 8]);
  }
}

TEST(DctTransform, DcOnlyShortcutEqualsFullInverse) {
  for (int32_t dc = -kMaxDequantizedMagnitude; dc <= kMaxDequantizedMagnitude; dc += 7) {
    int32_t block[kBlockSize] = {};
    block[0] = dc;
    int32_t out[kBlockSize];
    InverseDct(block, out);
    const int32_t expected = InverseDctDcOnly(dc);
    for (int32_t value : out) ASSERT_EQ(value, expected) << dc;
  }
}

}  // namespace
