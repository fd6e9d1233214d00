// The flip and turn copy loops against a pixel-by-pixel reference, for every
// pixel size, sizes around the block and strip edges, sub-ranges of turned
// rows and padded strides. Source rows are held in blocks of exactly their
// pixel bytes, so a read past a row shows under the sanitizers.
#include "core/operators/geometry/pixel_moves.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "core/operators/geometry/geometry_codes.h"

namespace {

int64_t PixelBytes(int64_t width, int32_t bits) { return (width * bits + 7) / 8; }

uint32_t GetPixel(const uint8_t* row, int32_t bits, int64_t x) {
  switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return (row[x / 2] >> (x % 2 != 0 ? 0 : 4)) & 0xFu;
    case 8: return row[x];
    default: return row[3 * x] | row[3 * x + 1] << 8 | static_cast<uint32_t>(row[3 * x + 2]) << 16;
  }
}

// Random source rows, each in its own block of exactly its pixel bytes.
struct Source {
  Source(int32_t bits, int64_t width, int64_t height, std::mt19937& random)
      : bytes_per_row(PixelBytes(width, bits)), rows(static_cast<size_t>(height)) {
    for (auto& row : rows) {
      row.resize(static_cast<size_t>(bytes_per_row));
      for (uint8_t& b : row) b = static_cast<uint8_t>(random());
    }
  }
  int64_t bytes_per_row;
  std::vector<std::vector<uint8_t>> rows;
};

// One block with the rows at a stride: the pixel bytes of each row copied
// in, the stride's tail filled with a marker.
std::vector<uint8_t> Strided(const Source& s, int64_t stride) {
  std::vector<uint8_t> block(static_cast<size_t>(stride * static_cast<int64_t>(s.rows.size())), 0xEE);
  for (size_t r = 0; r < s.rows.size(); ++r) {
    std::copy(s.rows[r].begin(), s.rows[r].end(), block.begin() + static_cast<int64_t>(r) * stride);
  }
  return block;
}

// Both loops, where the processor has a faster one, against the reference.
TEST(PixelMoves, ReversedRowsMatchTheReference) {
  std::mt19937 random(7);
  for (PixelLoop loop : {PixelLoop::kFastest, PixelLoop::kPortable}) {
    for (int32_t bits : {1, 4, 8, 24}) {
      for (int64_t count = 1; count <= 41; ++count) {
        SCOPED_TRACE(testing::Message() << bits << " bits, " << count << " pixels"
                                        << (loop == PixelLoop::kPortable ? ", portable loop" : ""));
        const Source s(bits, count, 1, random);
        const std::vector<uint8_t>& from = s.rows[0];
        auto to = std::make_unique<uint8_t[]>(static_cast<size_t>(s.bytes_per_row));
        std::fill_n(to.get(), s.bytes_per_row, 0x5A);
        ReversePixels(to.get(), from.data(), count, bits, loop);
        for (int64_t x = 0; x < count; ++x) {
          ASSERT_EQ(GetPixel(to.get(), bits, x), GetPixel(from.data(), bits, count - 1 - x));
        }
        // The bits after the last pixel in its byte are 0.
        const int64_t used_bits = count * bits % 8;
        if (used_bits != 0) {
          EXPECT_EQ(to[static_cast<size_t>(s.bytes_per_row - 1)] & (0xFF >> used_bits), 0);
        }
      }
    }
  }
}

TEST(PixelMoves, TurnedRowsMatchTheReference) {
  std::mt19937 random(11);
  const std::pair<int64_t, int64_t> sizes[] = {{1, 1}, {1, 9},  {9, 1},   {7, 3},   {8, 8},  {16, 16},
                                               {17, 15}, {33, 9}, {40, 23}, {5, 70}, {70, 45}};
  for (int32_t bits : {1, 4, 8, 24}) {
    for (const auto& [width, height] : sizes) {
      const Source s(bits, width, height, random);
      const int64_t stride = s.bytes_per_row + 3;
      const std::vector<uint8_t> strided = Strided(s, stride);
      for (int32_t code : {kTurnQuarterLeft, kTurnQuarterRight}) {
        for (bool has_gaps : {false, true}) {
          SCOPED_TRACE(testing::Message() << bits << " bits, " << width << " x " << height << ", code " << code
                                          << (has_gaps ? ", strided" : ""));
          // Turned rows hold `height` pixels; rows 1 .. width - 2 (all when
          // there are fewer than 3) go into a block whose tail bytes must stay.
          const int64_t out_bytes = PixelBytes(height, bits);
          const int64_t out_stride = out_bytes + 5;
          const int64_t first = width >= 3 ? 1 : 0;
          const int64_t end = width >= 3 ? width - 1 : width;
          std::vector<uint8_t> out(static_cast<size_t>(out_stride * (end - first)), 0x77);
          PixelRows rows;
          if (has_gaps) {
            rows = {strided.data(), stride, width, height};
            TurnPixels(rows, code, bits, out.data(), out_stride, first, end);
          } else {
            // Rows of exactly their pixel bytes in one block.
            std::vector<uint8_t> packed = Strided(s, s.bytes_per_row);
            rows = {packed.data(), s.bytes_per_row, width, height};
            TurnPixels(rows, code, bits, out.data(), out_stride, first, end);
          }
          for (int64_t k = first; k < end; ++k) {
            const uint8_t* row = out.data() + (k - first) * out_stride;
            for (int64_t i = 0; i < height; ++i) {
              const int64_t sr = code == kTurnQuarterLeft ? i : height - 1 - i;
              const int64_t sc = code == kTurnQuarterLeft ? width - 1 - k : k;
              ASSERT_EQ(GetPixel(row, bits, i), GetPixel(s.rows[static_cast<size_t>(sr)].data(), bits, sc))
                  << "row " << k << ", column " << i;
            }
            const int64_t used_bits = height * bits % 8;
            if (used_bits != 0) {
              EXPECT_EQ(row[out_bytes - 1] & (0xFF >> used_bits), 0) << "row " << k;
            }
            for (int64_t b = out_bytes; b < out_stride; ++b) ASSERT_EQ(row[b], 0x77) << "row " << k;
          }
        }
      }
    }
  }
}

}  // namespace
