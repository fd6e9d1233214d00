#include "interchange/bmp/bmp_run_length.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/bmp/tests/bmp_test_support.h"
#include "interchange/common/interchange_codes.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes EncodeRows(int bits, const std::vector<Bytes>& rows_bottom_up, int64_t width) {
  BmpRunLengthEncoder encoder(bits);
  for (size_t i = 0; i < rows_bottom_up.size(); ++i) {
    encoder.AddRow(rows_bottom_up[i].data(), width, i + 1 == rows_bottom_up.size());
  }
  return encoder.bytes();
}

// Rows in memory, coded row k at index k, filled with `fill` first.
class VectorSink final : public RleRowSink {
 public:
  VectorSink(int64_t rows, int64_t row_bytes, uint8_t fill)
      : rows_(static_cast<size_t>(rows), Bytes(static_cast<size_t>(row_bytes), fill)) {}
  int BeginRow(int64_t coded_row, uint8_t** row) override {
    *row = rows_[static_cast<size_t>(coded_row)].data();
    ++begun;
    return 0;
  }
  int EndRow(int64_t) override {
    ++ended;
    return 0;
  }
  const Bytes& row(size_t k) const { return rows_[k]; }
  int begun = 0;
  int ended = 0;

 private:
  std::vector<Bytes> rows_;
};

TEST(BmpRunLengthEncoder, CodesRowsAsTheSchemesDescribe) {
  struct Case {
    const char* name;
    int bits;
    Bytes row;
    Bytes expected;  // codes of the single row, including its end of bitmap
  };
  const Bytes run600 = Bytes(600, 7);
  Bytes run600_codes = {254, 7, 254, 7, 92, 7, 0, 1};
  const Case cases[] = {
      // Only the row's own pixels: no filler run to a multiple of 4 pixels.
      {"five equal", 8, {9, 9, 9, 9, 9}, {5, 9, 0, 1}},
      {"600 equal", 8, run600, run600_codes},
      {"literal to the end", 8, {1, 2, 3, 4}, {0, 4, 1, 2, 3, 4, 0, 1}},
      {"odd literal padded", 8, {1, 2, 3}, {0, 3, 1, 2, 3, 0, 0, 1}},
      {"two singles then a run", 8, {7, 8, 9, 9}, {1, 7, 1, 8, 2, 9, 0, 1}},
      {"single pixel", 8, {42}, {1, 42, 0, 1}},
      // 1 2 3 packs to 0x12 0x30: three pixels, not four.
      {"4-bit odd literal", 4, {1, 2, 3}, {0, 3, 0x12, 0x30, 0, 1}},
      {"4-bit even literal", 4, {1, 2, 3, 4, 5, 6}, {0, 6, 0x12, 0x34, 0x56, 0, 0, 1}},
      {"4-bit odd run", 4, {5, 5, 5, 5, 5}, {4, 0x55, 1, 0x50, 0, 1}},
      {"4-bit odd run of bytes", 4, {5, 5, 5, 5, 5, 5, 5}, {6, 0x55, 1, 0x50, 0, 1}},
      {"4-bit last byte alone", 4, {1, 2, 3, 3, 3, 3, 7}, {2, 0x12, 4, 0x33, 1, 0x70, 0, 1}},
      {"4-bit single", 4, {0x1C}, {1, 0xC0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeRows(c.bits, {c.row}, static_cast<int64_t>(c.row.size())), c.expected);
  }
  // Rows end with end of line, the last with end of bitmap.
  EXPECT_EQ(EncodeRows(8, {{1, 1}, {2, 2}}, 2), (Bytes{2, 1, 0, 0, 2, 2, 0, 1}));
}

TEST(BmpRunLengthDecoder, ClipsRunsLiteralsAndDeltasToTheRows) {
  struct Case {
    const char* name;
    int bits;
    RleRowLayout layout;
    Bytes body;
    int expected_status;
    Bytes row0;
    Bytes row1;
  };
  constexpr auto kByte = RleRowLayout::kPixelPerByte;
  constexpr auto kNibbles = RleRowLayout::kPackedNibbles;
  const Case cases[] = {
      {"run past the row", 8, kByte, {9, 5, 0, 1}, 0, {5, 5, 5, 5}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"literal past the row", 8, kByte, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, 0, {1, 2, 3, 4}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"delta in the row", 8, kByte, {0, 2, 3, 0, 1, 7, 0, 1}, 0, {0xEE, 0xEE, 0xEE, 7}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"delta up a row", 8, kByte, {1, 1, 0, 2, 1, 1, 1, 2, 0, 1}, 0, {1, 0xEE, 0xEE, 0xEE}, {0xEE, 0xEE, 2, 0xEE}},
      {"delta past the width", 8, kByte, {0, 2, 200, 0, 3, 6, 0, 0, 1, 8, 0, 1}, 0, {0xEE, 0xEE, 0xEE, 0xEE},
       {8, 0xEE, 0xEE, 0xEE}},
      {"delta past the last row ends", 8, kByte, {1, 4, 0, 2, 0, 200, 1, 9}, 0, {4, 0xEE, 0xEE, 0xEE},
       {0xEE, 0xEE, 0xEE, 0xEE}},
      {"end of line of the last row ends", 8, kByte, {0, 0, 1, 3, 0, 0}, 0, {0xEE, 0xEE, 0xEE, 0xEE},
       {3, 0xEE, 0xEE, 0xEE}},
      {"4-bit run alternates nibbles", 4, kByte, {5, 0x12, 0, 1}, 0, {1, 2, 1, 2}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"4-bit literal", 4, kByte, {0, 3, 0x9A, 0xB0, 0, 1}, 0, {9, 10, 11, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      // Two bytes of a packed row hold four pixels.
      {"packed 4-bit run", 4, kNibbles, {3, 0x12, 0, 1}, 0, {0x12, 0x10, 0xEE, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"packed 4-bit clipped", 4, kNibbles, {0, 9, 0x12, 0x34, 0x56, 0x78, 0x90, 0, 0, 1}, 0,
       {0x12, 0x34, 0x56, 0x78}, {0xEE, 0xEE, 0xEE, 0xEE}},
      // A body that ends early ends the bitmap: what was decoded stays, the
      // rest keeps its content, and that is no error.
      {"ends without end of bitmap", 8, kByte, {2, 6, 0, 0}, 0, {6, 6, 0xEE, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"ends inside a row", 8, kByte, {2, 6, 0, 0, 3, 5}, 0, {6, 6, 0xEE, 0xEE}, {5, 5, 5, 0xEE}},
      {"ends inside a literal", 8, kByte, {1, 1, 0, 4, 1, 2}, 0, {1, 1, 2, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"ends before a literal's pad", 8, kByte, {0, 3, 7, 8, 9}, 0, {7, 8, 9, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"4-bit literal cut", 4, kByte, {0, 5, 0x12, 0x34}, 0, {1, 2, 3, 4}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"ends inside a delta", 8, kByte, {0, 2, 1}, 0, {0xEE, 0xEE, 0xEE, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"odd byte at the end", 8, kByte, {0, 0, 1}, 0, {0xEE, 0xEE, 0xEE, 0xEE}, {0xEE, 0xEE, 0xEE, 0xEE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RleDecodeShape shape;
    shape.bits = c.bits;
    shape.layout = c.layout;
    shape.rows = 2;
    shape.width_px = c.layout == kNibbles ? 8 : 4;
    VectorSink sink(2, 4, 0xEE);
    EXPECT_EQ(DecodeBmpRunLengthBody(c.body, shape, sink), c.expected_status);
    EXPECT_EQ(sink.row(0), c.row0);
    EXPECT_EQ(sink.row(1), c.row1);
    EXPECT_EQ(sink.begun, sink.ended);
  }
}

TEST(BmpRunLengthCoder, RoundTripsEveryWidthAndPattern) {
  for (int bits : {4, 8}) {
    for (int64_t width : {1, 2, 3, 7, 8, 9, 13, 33, 253, 254, 255, 509, 700}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
      const uint8_t modulo = bits == 4 ? 16 : 0;
      // Noise, long runs, runs of two, and alternating pairs.
      std::vector<Bytes> rows = {bmp_test::RandomBytes(width, 1, modulo), Bytes(width, 3),
                                 bmp_test::RandomBytes(width, 2, 3), bmp_test::RandomBytes(width, 3, modulo)};
      for (int64_t x = 0; x < width; x += 3) rows[1][x] = static_cast<uint8_t>(x % 2);
      const Bytes body = EncodeRows(bits, rows, width);
      RleDecodeShape shape{bits, width, static_cast<int64_t>(rows.size()), RleRowLayout::kPixelPerByte};
      VectorSink sink(4, width, 0xEE);
      ASSERT_EQ(DecodeBmpRunLengthBody(body, shape, sink), 0);
      for (size_t k = 0; k < rows.size(); ++k) EXPECT_EQ(sink.row(k), rows[k]) << "row " << k;
    }
  }
}

class BmpRunLengthObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  IpiObject* Coded(IpiObject* image, int32_t precision, int32_t repository) {
    const IpiAttribute shape[] = {{"compression", kCompressionBmpRunLength},
                                  {"dataPrecision", precision},
                                  {"repository", repository}};
    return IpiCreateObject(sys_, nullptr, image->object_class, image, shape, 3);
  }
  IpiSystem* sys_ = nullptr;
};

TEST_F(BmpRunLengthObjectTest, CodesImageRowsBottomUpAndDecodesThemBack) {
  const int32_t w = 13, h = 5;
  for (int32_t bits : {4, 8}) {
    for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile}) {
      SCOPED_TRACE(std::to_string(bits) + " bits in " + std::to_string(repository));
      const Bytes pixels = bmp_test::RandomBytes(w * h, 7, bits == 4 ? 16 : 4);
      IpiObject* image = bmp_test::MakeImage(sys_, &kGenericImageClass, w, h, 1, kDataTypeNonnegative, bits,
                                             repository, pixels);
      IpiObject* coded = Coded(image, bits, kRepositoryFile);
      ASSERT_NE(coded, nullptr);
      ASSERT_EQ(EncodeBmpRunLength(sys_, image, coded), 0);
      // The coded body starts with the bottom row.
      std::vector<Bytes> bottom_up;
      for (int32_t y = h - 1; y >= 0; --y) bottom_up.emplace_back(pixels.begin() + y * w, pixels.begin() + (y + 1) * w);
      const Bytes expected = EncodeRows(bits, bottom_up, w);
      EXPECT_EQ(IpiInquireAttribute(sys_, coded, "size"), static_cast<intptr_t>(expected.size()));
      IpiObject* decoded = bmp_test::MakeImage(sys_, &kGenericImageClass, w, h, 1, kDataTypeNonnegative, bits,
                                               repository, {});
      ASSERT_EQ(DecodeBmpRunLength(sys_, coded, decoded), 0);
      EXPECT_EQ(bmp_test::ObjectData(sys_, decoded), pixels);
      EXPECT_EQ(IpiDeleteObject(sys_, coded), 0);
    }
  }
}

TEST_F(BmpRunLengthObjectTest, RefusesWhatItCannotCode) {
  IpiObject* image = bmp_test::MakeImage(sys_, &kGenericImageClass, 4, 2, 1, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, Bytes(8, 1));
  // A depth without a scheme codes nothing and says so.
  IpiObject* coded2 = Coded(image, 2, kRepositoryFile);
  EXPECT_EQ(EncodeBmpRunLength(sys_, image, coded2), kIpiNonPermissibleOption);
  IpiObject* coded = Coded(image, 8, kRepositoryFile);
  ASSERT_EQ(IpiSetAttribute(sys_, coded, "size", 1), 0);
  EXPECT_EQ(DecodeBmpRunLength(sys_, coded, image), kIpiSyntaxError);
  IpiObject* booleans = bmp_test::MakeImage(sys_, &kGenericImageClass, 4, 2, 1, kDataTypeBoolean, 1,
                                            kRepositoryGlobalBlock, {});
  EXPECT_EQ(EncodeBmpRunLength(sys_, booleans, coded), kIpiMismatchDataType);
}

TEST_F(BmpRunLengthObjectTest, PackedBitmapRowsTakeCodedRowsInStoredOrder) {
  // A 4-bit picture of 5 x 2 pixels: rows of 4 bytes, bottom row first.
  const Bytes body = {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1};
  IpiObject* coded = bmp_test::MakeImage(sys_, &kGenericImageClass, static_cast<int32_t>(body.size()), 1, 1,
                                         kDataTypeNonnegative, 8, kRepositoryGlobalBlock, {});
  // Compression first: setting it marks the object as holding no data.
  const IpiAttribute coded_shape[] = {{"compression", kCompressionBmpRunLength},
                                      {"size", static_cast<intptr_t>(body.size())}};
  ASSERT_EQ(IpiSetAttributes(sys_, coded, coded_shape, 2), 0);
  IpiStream* stream = IpiOpenStream(sys_, coded, "w", 0);
  ASSERT_EQ(IpiWriteBytes(sys_, stream, 0, body.data(), static_cast<int64_t>(body.size())),
            static_cast<int64_t>(body.size()));
  ASSERT_EQ(IpiCloseStream(sys_, stream), 0);
  Bytes rows(8, 0xEE);
  const IpiAttribute view[] = {{"xDimension", 4},  {"yDimension", 2},
                               {"dataPrecision", 4}, {"pixelInterpretation", kPixelInterpretationPackedBitmap},
                               {"repository", kRepositoryCallerMemory},
                               {"applicationAddressSpace", reinterpret_cast<intptr_t>(rows.data())},
                               {"size", 8}};
  IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, view, 7);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(DecodeBmpRunLength(sys_, coded, image), 0);
  EXPECT_EQ(rows, (Bytes{0x12, 0x12, 0x10, 0xEE, 0xAB, 0xC0, 0xEE, 0xEE}));
}

}  // namespace
