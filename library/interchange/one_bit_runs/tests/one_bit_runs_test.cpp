// Compression 217 on objects through the encode and decode dispatch: rows of
// any bit order and any start inside a byte, several planes, match points,
// coded objects in memory that are too small, and the refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/io/bit_writer.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"

namespace {

class OneBitRunsTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* Image(int32_t width, int32_t height, int32_t planes = 1, int32_t bit_order = kOrderMsbFirst,
                   int32_t repository = kRepositoryGlobalBlock) {
    const IpiAttribute shape[] = {{"dataType", kDataTypeBoolean}, {"xDimension", width},
                                  {"yDimension", height},         {"zDimension", planes},
                                  {"repository", repository},     {"bitOrder", bit_order}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 6);
  }
  IpiObject* Coded(IpiObject* image, int32_t repository = kRepositoryFile) {
    const IpiAttribute shape[] = {{"repository", repository}, {"compression", kCompressionOneBitRun}};
    return IpiCreateObject(sys_, nullptr, image->object_class, image, shape, 2);
  }

  // Pixel (x, y, z) of a boolean image through an accessor.
  void SetPixels(IpiObject* image, bool (*pixel)(int64_t x, int64_t y, int64_t z)) {
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "w", 1, nullptr, 0);
    ASSERT_NE(a, nullptr);
    const int64_t w = a->dimension[kDimX], h = a->dimension[kDimY], d = a->dimension[kDimZ];
    for (int64_t z = 0; z < d; ++z) {
      for (int64_t y = 0; y < h; ++y) {
        const int64_t e = w * (y + h * z);
        uint8_t* row = IpiGetOutputRow(sys_, a->stream, e);
        ASSERT_NE(row, nullptr);
        for (int64_t x = 0; x < w; ++x) IpiSetBit(*a, row, (e & 7) + x, pixel(x, y, z));
        ASSERT_EQ(IpiPutOutputRow(sys_, a->stream, e), 0);
      }
    }
    ASSERT_EQ(IpiCloseAccessor(sys_, a), 0);
  }
  std::vector<bool> Pixels(IpiObject* image) {
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "r", 1, nullptr, 0);
    EXPECT_NE(a, nullptr);
    std::vector<bool> out;
    if (a == nullptr) return out;
    const int64_t w = a->dimension[kDimX], h = a->dimension[kDimY], d = a->dimension[kDimZ];
    for (int64_t r = 0; r < h * d; ++r) {
      const uint8_t* row = IpiGetInputRow(sys_, a->stream, w * r);
      for (int64_t x = 0; x < w; ++x) out.push_back(IpiTestBit(*a, row, (w * r & 7) + x));
    }
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
    return out;
  }
  std::vector<uint8_t> Bytes(IpiObject* obj, int64_t count) {
    std::vector<uint8_t> out(static_cast<size_t>(count));
    IpiStream* s = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, out.data(), count), count);
    IpiCloseStream(sys_, s);
    return out;
  }

  IpiSystem* sys_ = nullptr;
};

bool Pattern(int64_t x, int64_t y, int64_t z) { return ((x * 7 + y * 3 + z) % 11) < 4 || (x > 20 && x < 30 + y); }

TEST_F(OneBitRunsTest, RoundTripsRowsOfAnyStartAndBitOrderOverEveryPlane) {
  for (int32_t bit_order : {kOrderMsbFirst, kOrderLsbFirst}) {
    for (int32_t width : {13, 64, 77}) {
      SCOPED_TRACE(testing::Message() << "order " << bit_order << " width " << width);
      ScopedObject image(sys_, Image(width, 9, 2, bit_order));
      SetPixels(image.get(), Pattern);
      ScopedObject coded(sys_, Coded(image.get()));
      ASSERT_EQ(IpiEncodeImageData(sys_, image.get(), coded.get()), 0);
      EXPECT_EQ(IpiInquireAttribute(sys_, coded.get(), "compression"), kCompressionOneBitRun);
      ScopedObject back(sys_, Image(width, 9, 2, bit_order));
      ASSERT_EQ(IpiDecodeImageData(sys_, coded.get(), back.get()), 0);
      EXPECT_EQ(Pixels(back.get()), Pixels(image.get()));
    }
  }
}

TEST_F(OneBitRunsTest, CodesTheSameBytesAsTheStreamCoder) {
  ScopedObject image(sys_, Image(16, 3));
  SetPixels(image.get(), [](int64_t x, int64_t y, int64_t) { return y == 1 && x >= 4 && x < 8; });
  ScopedObject coded(sys_, Coded(image.get()));
  ASSERT_EQ(IpiEncodeImageData(sys_, image.get(), coded.get()), 0);

  std::vector<uint8_t> expected;
  BitWriter writer(expected, FillOrder::kMsbFirst);
  OneBitRunEncoder encoder(writer, 16);
  const uint8_t rows[3][2] = {{0, 0}, {0x0F, 0}, {0, 0}};
  for (const auto& row : rows) encoder.AddRow(row);
  encoder.Finish();
  ASSERT_TRUE(writer.Flush());
  ASSERT_EQ(IpiInquireAttribute(sys_, coded.get(), "size"), static_cast<intptr_t>(expected.size()));
  EXPECT_EQ(Bytes(coded.get(), static_cast<int64_t>(expected.size())), expected);
}

TEST_F(OneBitRunsTest, WorksOverTheRegionTheMatchPointsShare) {
  const IpiAttribute on[] = {{"matchPointState", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, on, 1), 0);
  ScopedObject image(sys_, Image(20, 6));
  SetPixels(image.get(), [](int64_t x, int64_t y, int64_t) { return (x + y) % 3 == 0; });
  ScopedObject coded(sys_, Coded(image.get()));
  ASSERT_EQ(IpiEncodeImageData(sys_, image.get(), coded.get()), 0);

  // The target's match point (2, 1) against the coded (0, 0): rows land two
  // columns right and one row down; what lies outside is not touched.
  ScopedObject back(sys_, Image(24, 8));
  ASSERT_EQ(IpiSetAttribute(sys_, back.get(), "xMatchPoint", 2), 0);
  ASSERT_EQ(IpiSetAttribute(sys_, back.get(), "yMatchPoint", 1), 0);
  SetPixels(back.get(), [](int64_t, int64_t, int64_t) { return true; });
  ASSERT_EQ(IpiDecodeImageData(sys_, coded.get(), back.get()), 0);
  const std::vector<bool> pixels = Pixels(back.get());
  for (int64_t y = 0; y < 8; ++y) {
    for (int64_t x = 0; x < 24; ++x) {
      const bool inside = x >= 2 && x < 22 && y >= 1 && y < 7;
      const bool expected = inside ? ((x - 2) + (y - 1)) % 3 == 0 : true;
      EXPECT_EQ(pixels[static_cast<size_t>(y * 24 + x)], expected) << x << "," << y;
    }
  }
}

TEST_F(OneBitRunsTest, RefusesWrongTypesSmallMemoryAndDamagedCode) {
  ScopedObject image(sys_, Image(64, 4));
  SetPixels(image.get(), Pattern);
  ScopedObject grey(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, image.get(), nullptr, 0));
  ASSERT_EQ(IpiSetAttribute(sys_, grey.get(), "dataType", kDataTypeNonnegative), 0);
  ScopedObject coded(sys_, Coded(image.get()));
  EXPECT_EQ(IpiEncodeImageData(sys_, grey.get(), coded.get()), kIpiMismatchDataType);
  ScopedObject grey_coded(sys_, Coded(grey.get()));
  EXPECT_EQ(IpiEncodeImageData(sys_, image.get(), grey_coded.get()), kIpiMismatchDataType);

  // 256 pixels of workspace cannot hold four raw-ish rows and their flags.
  ScopedObject small(sys_, Coded(image.get(), kRepositoryGlobalBlock));
  EXPECT_EQ(IpiEncodeImageData(sys_, image.get(), small.get()), kIpiInsufficientSize);

  // Damaged code: the rows before the damage stay, 22 comes back.
  ASSERT_EQ(IpiEncodeImageData(sys_, image.get(), coded.get()), 0);
  std::vector<uint8_t> bytes = Bytes(coded.get(), IpiInquireAttribute(sys_, coded.get(), "size"));
  const uint8_t damaged[] = {0x7F, 0xFF, 0xFF, 0xFF};  // a raw row whose data break the stuffing
  ScopedObject broken(sys_, Coded(image.get()));
  IpiStream* s = IpiOpenStream(sys_, broken.get(), "w", 0);
  ASSERT_EQ(IpiWriteBytes(sys_, s, 0, damaged, 4), 4);
  ASSERT_EQ(IpiCloseStream(sys_, s), 0);
  ASSERT_EQ(IpiSetAttribute(sys_, broken.get(), "size", 4), 0);
  ScopedObject back(sys_, Image(64, 4));
  EXPECT_EQ(IpiDecodeImageData(sys_, broken.get(), back.get()), kIpiSyntaxError);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);

  // An empty region (no columns) is refused rather than coded.
  ScopedObject empty(sys_, Image(0, 4));
  ScopedObject empty_coded(sys_, Coded(empty.get()));
  EXPECT_EQ(IpiEncodeImageData(sys_, empty.get(), empty_coded.get()), kIpiOutOfRange);
}

TEST_F(OneBitRunsTest, FillsTheRowsAfterTheEndOfTheCodeWithUnsetPixels) {
  ScopedObject image(sys_, Image(16, 1));
  SetPixels(image.get(), [](int64_t x, int64_t, int64_t) { return x % 2 == 0; });
  ScopedObject coded(sys_, Coded(image.get()));
  ASSERT_EQ(IpiEncodeImageData(sys_, image.get(), coded.get()), 0);

  // The one-row code decoded into a taller image: rows 1 to 3 become unset.
  ScopedObject tall(sys_, Image(16, 4));
  SetPixels(tall.get(), [](int64_t, int64_t, int64_t) { return true; });
  ASSERT_EQ(IpiSetAttribute(sys_, coded.get(), "yDimension", 4), 0);
  ASSERT_EQ(IpiDecodeImageData(sys_, coded.get(), tall.get()), 0);
  const std::vector<bool> pixels = Pixels(tall.get());
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], i < 16 && i % 2 == 0) << i;
}

}  // namespace
