// Interlacing and de-interlacing of rows: the pass order, byte rows, boolean
// rows that start inside a byte with different bit orders on the two sides,
// the shared region under match points, and the GIF row of the format table.
#include "interchange/gif/interlace_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "tests/support/image_elements.h"
#include "interchange/dispatch/codec_table.h"

namespace {

using Bytes = std::vector<uint8_t>;

class InterlaceRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  // An image of `width` x `height` x `bands` elements; element values from
  // `values` (element-index order, one value per element) when given.
  IpiObject* Image(int width, int height, int32_t data_type, int32_t bit_order, const Bytes& values = {},
                   int bands = 1) {
    const IpiAttribute shape[] = {{"xDimension", width},        {"yDimension", height},
                                  {"bDimension", bands},        {"dataType", data_type},
                                  {"repository", kRepositoryGlobalBlock}, {"bitOrder", bit_order}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 6);
    EXPECT_NE(image, nullptr);
    if (!values.empty()) SetElements(image, values);
    return image;
  }

  void SetElements(IpiObject* image, const Bytes& values) {
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "w", 1, nullptr, 0);
    ASSERT_NE(a, nullptr);
    const int64_t width = a->dimension[kDimX];
    const int64_t rows = static_cast<int64_t>(values.size()) / width;
    for (int64_t r = 0; r < rows; ++r) {
      uint8_t* row = IpiGetOutputRow(sys_, a->stream, r * width);
      ASSERT_NE(row, nullptr);
      for (int64_t x = 0; x < width; ++x) {
        const uint8_t v = values[static_cast<size_t>(r * width + x)];
        if (a->data_type == kDataTypeBoolean) {
          IpiSetBit(*a, row, (r * width) % 8 + x, v != 0);
        } else {
          row[x] = v;
        }
      }
      ASSERT_EQ(IpiPutOutputRow(sys_, a->stream, r * width), 0);
    }
    ASSERT_EQ(IpiCloseAccessor(sys_, a), 0);
  }

  Bytes Elements(IpiObject* image) { return test_support::ImageElements(sys_, image); }

  IpiSystem* sys_ = nullptr;
};

// Values whose row is visible: row r holds r * 16 + x.
Bytes RowTagged(int width, int height) {
  Bytes v;
  for (int r = 0; r < height; ++r) {
    for (int x = 0; x < width; ++x) v.push_back(static_cast<uint8_t>(r * 16 + x));
  }
  return v;
}

TEST(InterlacedRowOrder, FollowsTheFourPasses) {
  const struct {
    int64_t rows;
    std::vector<int64_t> order;
  } cases[] = {
      {0, {}},
      {1, {0}},
      {2, {0, 1}},
      {3, {0, 2, 1}},
      {4, {0, 2, 1, 3}},
      {5, {0, 4, 2, 1, 3}},
      {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
      {17, {0, 8, 16, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    EXPECT_EQ(InterlacedRowOrder(c.rows), c.order);
  }
}

TEST_F(InterlaceRowsTest, ByteRowsGoToTheirPassesAndBack) {
  const int width = 3;
  const int height = 10;
  const Bytes original = RowTagged(width, height);
  IpiObject* image = Image(width, height, kDataTypeNonnegative, kOrderMsbFirst, original);
  IpiObject* interlaced = Image(width, height, kDataTypeNonnegative, kOrderMsbFirst);
  ASSERT_EQ(InterlaceRows(sys_, image, interlaced), 0);
  const std::vector<int64_t> order = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  const Bytes got = Elements(interlaced);
  for (int k = 0; k < height; ++k) {
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(got[static_cast<size_t>(k * width + x)], original[static_cast<size_t>(order[k] * width + x)]);
    }
  }
  IpiObject* back = Image(width, height, kDataTypeNonnegative, kOrderMsbFirst);
  ASSERT_EQ(DeinterlaceRows(sys_, interlaced, back), 0);
  EXPECT_EQ(Elements(back), original);
}

TEST_F(InterlaceRowsTest, BooleanRowsInsideBytesAcrossBitOrders) {
  // 13 columns: every row but the first starts inside a byte.
  const int width = 13;
  const int height = 11;
  Bytes original;
  for (int r = 0; r < height; ++r) {
    for (int x = 0; x < width; ++x) original.push_back(static_cast<uint8_t>((x * 7 + r * 3) % 5 < 2));
  }
  IpiObject* image = Image(width, height, kDataTypeBoolean, kOrderMsbFirst, original);
  IpiObject* interlaced = Image(width, height, kDataTypeBoolean, kOrderLsbFirst);
  ASSERT_EQ(InterlaceRows(sys_, image, interlaced), 0);
  const std::vector<int64_t> order = InterlacedRowOrder(height);
  Bytes expected;
  for (int k = 0; k < height; ++k) {
    for (int x = 0; x < width; ++x) expected.push_back(original[static_cast<size_t>(order[k] * width + x)]);
  }
  EXPECT_EQ(Elements(interlaced), expected);
  IpiObject* back = Image(width, height, kDataTypeBoolean, kOrderMsbFirst);
  ASSERT_EQ(DeinterlaceRows(sys_, interlaced, back), 0);
  EXPECT_EQ(Elements(back), original);
  // The same aligned and in one bit order takes the whole-byte path.
  IpiObject* wide = Image(16, 5, kDataTypeBoolean, kOrderLsbFirst, Bytes(80, 1));
  IpiObject* wide_out = Image(16, 5, kDataTypeBoolean, kOrderLsbFirst);
  ASSERT_EQ(InterlaceRows(sys_, wide, wide_out), 0);
  EXPECT_EQ(Elements(wide_out), Bytes(80, 1));
}

TEST_F(InterlaceRowsTest, OnlyTheSharedRegionIsReordered) {
  const IpiAttribute state[] = {{"matchPointState", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, state, 1), 0);
  // A 2 x 5 source placed at column 1, row 2 of a 4 x 8 target filled with 0xEE.
  IpiObject* image = Image(2, 5, kDataTypeNonnegative, kOrderMsbFirst, RowTagged(2, 5));
  IpiObject* target = Image(4, 8, kDataTypeNonnegative, kOrderMsbFirst, Bytes(32, 0xEE));
  const IpiAttribute points[] = {{"xMatchPoint", 1}, {"yMatchPoint", 2}};
  ASSERT_EQ(IpiSetAttributes(sys_, target, points, 2), 0);
  ASSERT_EQ(InterlaceRows(sys_, image, target), 0);
  const Bytes got = Elements(target);
  const std::vector<int64_t> order = {0, 4, 2, 1, 3};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      const bool inside = x >= 1 && x <= 2 && y >= 2 && y <= 6;
      const uint8_t want = inside ? static_cast<uint8_t>(order[y - 2] * 16 + (x - 1)) : 0xEE;
      EXPECT_EQ(got[static_cast<size_t>(y * 4 + x)], want);
    }
  }
}

TEST_F(InterlaceRowsTest, RefusesMismatchedTypes) {
  IpiObject* bytes = Image(4, 4, kDataTypeNonnegative, kOrderMsbFirst);
  IpiObject* bits = Image(4, 4, kDataTypeBoolean, kOrderMsbFirst);
  EXPECT_EQ(InterlaceRows(sys_, bytes, bits), kIpiMismatchDataType);
  EXPECT_EQ(DeinterlaceRows(sys_, bits, bytes), kIpiMismatchDataType);
  const IpiAttribute wide[] = {{"dataPrecision", 16}};
  IpiObject* words = Image(4, 4, kDataTypeNonnegative, kOrderMsbFirst);
  ASSERT_EQ(IpiSetAttributes(sys_, words, wide, 1), 0);
  EXPECT_EQ(InterlaceRows(sys_, bytes, words), kIpiMismatchDataType);
}

TEST(InterlaceRowsTable, GifRowCarriesTheReorders) {
  const FileFormatRow* gif = IpiFindFileFormat(kFormatGif);
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->interlace_rows, &InterlaceRows);
  EXPECT_EQ(gif->deinterlace_rows, &DeinterlaceRows);
}

}  // namespace
