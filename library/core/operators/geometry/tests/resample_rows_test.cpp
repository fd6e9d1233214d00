// The resampling row kernels against their definitions, element by element:
// interleaved pixels of one and three bytes, rows long enough for every
// vector loop, its remainder and the pieces the colour average works in.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/operators/geometry/resample_mapping.h"
#include "core/operators/geometry/resample_rows.h"

namespace {

using geometry::AxisMapping;

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

struct RowCase {
  int pixel_bytes;
  int64_t source_width, width;
};

// Halving, doubling, odd ratios both ways, a copy; rows from a few pixels to
// past two of the colour average's pieces of 256 pixels.
const RowCase kRowCases[] = {
    {1, 1202, 601}, {3, 1202, 601}, {3, 514, 257}, {3, 6, 3},     {1, 300, 600}, {3, 300, 600},
    {3, 97, 40},    {1, 97, 40},    {3, 41, 97},   {3, 700, 700}, {1, 2, 1},     {3, 1, 5},
    {3, 20, 10},    {3, 38, 19},
};

TEST(ResampleRows, NearestTakesTheMappedPixel) {
  for (const RowCase& c : kRowCases) {
    SCOPED_TRACE(testing::Message() << c.pixel_bytes << " bytes, " << c.source_width << " to " << c.width);
    const int p = c.pixel_bytes;
    const std::vector<uint8_t> row = RandomBytes(static_cast<size_t>(c.source_width * p), 1);
    const AxisMapping mx(0, c.source_width, 0, c.width, c.source_width, c.width);
    const geometry::NearestColumns columns = geometry::MakeNearestColumns(mx);
    ASSERT_EQ(columns.first, 0);
    ASSERT_EQ(columns.count(), c.width);
    // One guard byte past the row: nothing is written there.
    std::vector<uint8_t> got(static_cast<size_t>(c.width * p) + 1, 0xEE);
    geometry::NearestRow(row.data(), columns, p, got.data());
    std::vector<uint8_t> expected(got.size(), 0xEE);
    for (int64_t d = 0; d < c.width; ++d) {
      // trunc((d + 1/2) x source / destination), in integers.
      const int64_t s = (2 * d + 1) * c.source_width / (2 * c.width);
      for (int k = 0; k < p; ++k) expected[static_cast<size_t>(d * p + k)] = row[static_cast<size_t>(s * p + k)];
    }
    EXPECT_EQ(got, expected);
  }
}

// The 2 x 2 average of a halving, and both passes of bilinear resampling
// against the weighted sum written out: w1 = round(f x 256), the products
// summed and rounded at 1/65536.
TEST(ResampleRows, BilinearMatchesTheWeightedSum) {
  for (const RowCase& c : kRowCases) {
    SCOPED_TRACE(testing::Message() << c.pixel_bytes << " bytes, " << c.source_width << " to " << c.width);
    const int p = c.pixel_bytes;
    const size_t samples = static_cast<size_t>(c.width * p);
    const std::vector<uint8_t> top = RandomBytes(static_cast<size_t>(c.source_width * p), 2);
    const std::vector<uint8_t> bottom = RandomBytes(top.size(), 3);
    const AxisMapping mx(0, c.source_width, 0, c.width, c.source_width, c.width);
    const geometry::ColumnTaps<2> columns(mx, geometry::BilinearWeightsAt);
    ASSERT_EQ(columns.count(), c.width);
    std::vector<uint16_t> expected_sums[2];
    for (int r = 0; r < 2; ++r) {
      const std::vector<uint8_t>& row = r == 0 ? top : bottom;
      for (int64_t d = 0; d < c.width; ++d) {
        // u = (d + 1/2) x source / destination - 1/2 as n / (2 x destination).
        const int64_t n = (2 * d + 1) * c.source_width - c.width;
        const int64_t i0 = n > 0 ? n / (2 * c.width) : 0;
        const int64_t fraction = n > 0 ? n - i0 * 2 * c.width : 0;
        const int64_t w1 = (2 * 256 * fraction + 2 * c.width) / (4 * c.width);
        const int64_t i1 = std::min(i0 + 1, c.source_width - 1);
        for (int k = 0; k < p; ++k) {
          expected_sums[r].push_back(static_cast<uint16_t>((256 - w1) * row[static_cast<size_t>(i0 * p + k)] +
                                                           w1 * row[static_cast<size_t>(i1 * p + k)]));
        }
      }
    }
    const geometry::HorizontalPass<2, uint16_t> pass(columns, p);
    std::vector<uint16_t> sums[2] = {std::vector<uint16_t>(samples), std::vector<uint16_t>(samples)};
    pass.Run(top.data(), sums[0].data());
    pass.Run(bottom.data(), sums[1].data());
    EXPECT_EQ(sums[0], expected_sums[0]);
    EXPECT_EQ(sums[1], expected_sums[1]);

    for (const int32_t w0 : {0, 1, 64, 127, 128, 129, 192, 255, 256}) {
      const geometry::Taps<2> wy = {w0, 256 - w0};
      const uint16_t* both[2] = {expected_sums[0].data(), expected_sums[1].data()};
      std::vector<uint8_t> got(samples);
      geometry::BlendRows<2, uint16_t>(both, wy, static_cast<int64_t>(samples), got.data());
      std::vector<uint8_t> expected(samples);
      for (size_t i = 0; i < samples; ++i) {
        const uint32_t sum = static_cast<uint32_t>(wy[0]) * expected_sums[0][i] +
                             static_cast<uint32_t>(wy[1]) * expected_sums[1][i] + 32768;
        expected[i] = static_cast<uint8_t>(sum >> 16);
      }
      EXPECT_EQ(got, expected) << "row weights " << wy[0] << ", " << wy[1];
    }

    if (c.source_width != 2 * c.width) continue;
    std::vector<uint8_t> got(samples + 1, 0xEE);
    geometry::AveragePairsRow(top.data(), bottom.data(), c.width, p, got.data());
    std::vector<uint8_t> expected(samples + 1, 0xEE);
    for (int64_t d = 0; d < c.width; ++d) {
      for (int k = 0; k < p; ++k) {
        const size_t left = static_cast<size_t>(2 * d * p + k);
        const size_t right = left + static_cast<size_t>(p);
        expected[static_cast<size_t>(d * p + k)] =
            static_cast<uint8_t>((top[left] + top[right] + bottom[left] + bottom[right] + 2) >> 2);
      }
    }
    EXPECT_EQ(got, expected);
  }
}

// The vertical pass over extreme sums: every pair of row weights, sums at 0,
// at the largest a row can hold (255 x 256) and around the carries of the
// 16-bit halves.
TEST(ResampleRows, BlendIsExactForEveryWeight) {
  std::vector<uint16_t> h0, h1;
  for (const uint16_t a : {0, 1, 255, 256, 32767, 32768, 32769, 65279, 65280}) {
    for (const uint16_t b : {0, 1, 128, 255, 256, 32768, 65024, 65280}) {
      h0.push_back(a);
      h1.push_back(b);
    }
  }
  const std::vector<uint8_t> noise = RandomBytes(2 * 4096, 4);
  for (size_t i = 0; i < 4096; ++i) {
    h0.push_back(static_cast<uint16_t>((noise[i] * 256 + noise[i + 4096]) % 65281));
    h1.push_back(static_cast<uint16_t>((noise[i + 4096] * 256 + noise[i]) % 65281));
  }
  const uint16_t* both[2] = {h0.data(), h1.data()};
  for (int32_t w0 = 0; w0 <= 256; ++w0) {
    const geometry::Taps<2> wy = {w0, 256 - w0};
    std::vector<uint8_t> got(h0.size());
    geometry::BlendRows<2, uint16_t>(both, wy, static_cast<int64_t>(h0.size()), got.data());
    for (size_t i = 0; i < h0.size(); ++i) {
      const uint32_t sum = static_cast<uint32_t>(wy[0]) * h0[i] + static_cast<uint32_t>(wy[1]) * h1[i] + 32768;
      if (got[i] != static_cast<uint8_t>(sum >> 16)) {
        ADD_FAILURE() << "weights " << wy[0] << ", " << wy[1] << " sums " << h0[i] << ", " << h1[i];
        break;
      }
    }
  }
}

}  // namespace
