// Undoing the row filters against the writer's forward filters: every type,
// every pixel width a PNG row can have, rows of one pixel, of many and of
// a length that ends inside a pixel, above rows of noise.
#include "interchange/png/png_filters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

TEST(PngFilters, UnfilterUndoesEachForwardFilter) {
  std::mt19937 random(7);
  auto noise = [&](int64_t n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (uint8_t& v : bytes) v = static_cast<uint8_t>(random());
    return bytes;
  };
  for (const int bpp : {1, 2, 3, 4, 6, 8}) {
    for (const int64_t n : {int64_t{bpp}, int64_t{2} * bpp + 1, int64_t{41} * bpp}) {
      for (int type = kPngFilterNone; type < kPngFilterTypes; ++type) {
        SCOPED_TRACE(testing::Message() << "bpp " << bpp << " bytes " << n << " type " << type);
        const std::vector<uint8_t> above = noise(n);
        std::vector<uint8_t> row_with_type = noise(n + 1);
        PngFilterChooser chooser(PngFilterBit(type), n, bpp);
        const uint8_t* coded = chooser.ChoosePngFilter(row_with_type.data(), above.data(), n);
        ASSERT_EQ(coded[0], type);
        std::vector<uint8_t> restored(coded + 1, coded + 1 + n);
        ASSERT_TRUE(UnfilterPngRow(coded[0], restored.data(), above.data(), n, bpp));
        EXPECT_EQ(restored, std::vector<uint8_t>(row_with_type.begin() + 1, row_with_type.end()));
      }
    }
  }
  std::vector<uint8_t> row(4), above(4);
  EXPECT_FALSE(UnfilterPngRow(kPngFilterTypes, row.data(), above.data(), 4, 1));
}

}  // namespace
