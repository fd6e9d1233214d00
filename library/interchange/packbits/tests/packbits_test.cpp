// PackBits rows against the packets the format defines, and the coder on
// objects: row forms of every depth, separate planes with their strip
// counts, the inverted-byte and bit-reversed forms, cut-off data and the
// refusals. Files of libtiff's own PackBits are decoded in the TIFF writer
// test, where the oracle writes them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/packbits/packbits.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes EncodeRow(const Bytes& row, uint8_t inversion = kPackBitsNoInversion) {
  Bytes out(static_cast<size_t>(PackBitsMaxCodedBytes(static_cast<int64_t>(row.size()))));
  out.resize(static_cast<size_t>(EncodePackBitsRow(row.data(), static_cast<int64_t>(row.size()), inversion, out.data())));
  return out;
}

Bytes Repeated(size_t count, uint8_t value) { return Bytes(count, value); }

TEST(PackBitsRow, CodesThePacketsOfTheFormat) {
  struct Case {
    const char* name;
    Bytes row;
    Bytes coded;
  };
  Bytes run130 = Repeated(130, 0x5A);
  Bytes literal129;
  for (int i = 0; i < 129; ++i) literal129.push_back(static_cast<uint8_t>(i));
  Bytes literal129_coded = {0x7F};
  for (int i = 0; i < 128; ++i) literal129_coded.push_back(static_cast<uint8_t>(i));
  literal129_coded.push_back(0x00);
  literal129_coded.push_back(128);
  const Case cases[] = {
      {"run of three", {0xAA, 0xAA, 0xAA}, {0xFE, 0xAA}},
      {"literal leaves the last byte", {1, 2, 3, 4}, {0x02, 1, 2, 3, 0x00, 4}},
      {"literal then run", {1, 2, 2}, {0x00, 1, 0xFF, 2}},
      {"run of 130 splits at 128", run130, {0x81, 0x5A, 0xFF, 0x5A}},
      {"one byte", {7}, {0x00, 7}},
      {"literal capped at 128", literal129, literal129_coded},
      {"run then single", {9, 9, 9, 4}, {0xFE, 9, 0x00, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeRow(c.row), c.coded);
    Bytes decoded(c.row.size(), 0xEE);
    ByteReader in(c.coded);
    ASSERT_TRUE(DecodePackBitsRow(in, decoded.data(), static_cast<int64_t>(decoded.size()), kPackBitsNoInversion));
    EXPECT_EQ(decoded, c.row);
    EXPECT_EQ(in.remaining(), 0u);
  }
}

TEST(PackBitsRow, InversionTouchesDataBytesOnly) {
  EXPECT_EQ(EncodeRow(Bytes(5, 0x00), kPackBitsInversion), (Bytes{0xFC, 0xFF}));
  EXPECT_EQ(EncodeRow({0x0F, 0xF0}, kPackBitsInversion), (Bytes{0x00, 0xF0, 0x00, 0x0F}));
  const Bytes coded = {0xFC, 0xFF, 0x01, 0x0F, 0xF0};
  Bytes row(7);
  ByteReader in(coded);
  ASSERT_TRUE(DecodePackBitsRow(in, row.data(), 7, kPackBitsInversion));
  EXPECT_EQ(row, (Bytes{0, 0, 0, 0, 0, 0xF0, 0x0F}));
}

TEST(PackBitsRow, DecodesSkipsOverrunsAndCutOffs) {
  // A -128 header produces nothing; bytes past the row are dropped and the
  // next row starts at the next header.
  const Bytes coded = {0x80, 0xFD, 0x11, 0x02, 1, 2, 3, 0x80, 0x00, 9};
  ByteReader in(coded);
  Bytes row(3);
  ASSERT_TRUE(DecodePackBitsRow(in, row.data(), 3, kPackBitsNoInversion));
  EXPECT_EQ(row, (Bytes{0x11, 0x11, 0x11}));
  Bytes second(2);
  ASSERT_TRUE(DecodePackBitsRow(in, second.data(), 2, kPackBitsNoInversion));
  EXPECT_EQ(second, (Bytes{1, 2}));
  Bytes third(1);
  ASSERT_TRUE(DecodePackBitsRow(in, third.data(), 1, kPackBitsNoInversion));
  EXPECT_EQ(third, (Bytes{9}));

  // Data that ends inside a literal, a run or before a header: false, with
  // what was produced kept and the rest of the row zero.
  const Bytes cut_cases[] = {{0x01, 5, 6, 0x03, 7}, {0x01, 5, 6, 0xFE}, {0x01, 5, 6}};
  for (const Bytes& cut : cut_cases) {
    ByteReader short_in(cut);
    Bytes out(6, 0xEE);
    EXPECT_FALSE(DecodePackBitsRow(short_in, out.data(), 6, kPackBitsNoInversion));
    EXPECT_EQ(out, (Bytes{5, 6, 0, 0, 0, 0}));
  }
}

class PackBitsObjectTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* Image(int32_t data_type, int32_t precision, int32_t width, int32_t height, int32_t bands,
                   const Bytes& data, int32_t bit_order = kOrderMsbFirst) {
    const IpiAttribute shape[] = {{"dataType", data_type},   {"dataPrecision", precision},
                                  {"xDimension", width},     {"yDimension", height},
                                  {"bDimension", bands},     {"repository", kRepositoryGlobalBlock},
                                  {"bitOrder", bit_order}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 7);
    EXPECT_NE(image, nullptr);
    if (!data.empty()) {
      IpiStream* s = IpiOpenStream(sys_, image, "w", 0);
      EXPECT_EQ(IpiWriteBytes(sys_, s, 0, data.data(), static_cast<int64_t>(data.size())),
                static_cast<int64_t>(data.size()));
      EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    }
    return image;
  }
  IpiObject* Coded(IpiObject* image, int32_t format, int32_t planar = 0) {
    IpiAttribute shape[] = {{"repository", kRepositoryFile},
                            {"compression", kCompressionPackBits},
                            {"fileFormat", format},
                            {"planarConfiguration", planar}};
    return IpiCreateObject(sys_, nullptr, image->object_class, image, shape, format == kFormatTiff ? 4 : 3);
  }
  IpiObject* Blank(IpiObject* image, int32_t planar = 0) {
    IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"fileFormat", kFormatTiff},
                            {"planarConfiguration", planar}};
    IpiObject* blank = IpiCreateObject(sys_, nullptr, image->object_class, image, shape, 3);
    EXPECT_NE(blank, nullptr);
    return blank;
  }
  Bytes Data(IpiObject* obj, int64_t count) {
    Bytes out(static_cast<size_t>(count));
    IpiStream* s = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, out.data(), count), count);
    IpiCloseStream(sys_, s);
    return out;
  }

  IpiSystem* sys_ = nullptr;
};

TEST_F(PackBitsObjectTest, CodesEveryRowForm) {
  struct Case {
    const char* name;
    int32_t data_type, precision, width, height, bands, bit_order;
    Bytes data;       // the image's stored elements
    Bytes coded;      // the expected packets
  };
  const Case cases[] = {
      // 10-pixel boolean rows: 2 bytes a row, the rows packed without padding
      // in the image (row 1 starts at bit 10).
      {"1 bit", kDataTypeBoolean, 1, 10, 2, 1, kOrderMsbFirst, {0xFF, 0xC0, 0x00},
       {0x00, 0xFF, 0x00, 0xC0, 0xFF, 0x00}},
      {"1 bit, lsb first", kDataTypeBoolean, 1, 8, 1, 1, kOrderLsbFirst, {0x01},
       // the row 0x80 (msb first), every coded byte then bit-reversed
       {0x00, 0x01}},
      {"4 bits", kDataTypeNonnegative, 4, 3, 1, 1, kOrderMsbFirst, {1, 2, 3}, {0x00, 0x12, 0x00, 0x30}},
      {"8 bits, three bands interleaved", kDataTypeNonnegative, 8, 2, 1, 3, kOrderMsbFirst,
       {1, 1, 2, 2, 3, 4},
       {0x04, 1, 2, 3, 1, 2, 0x00, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* image = Image(c.data_type, c.precision, c.width, c.height, c.bands, c.data, c.bit_order);
    IpiObject* coded = Coded(image, 0);
    ASSERT_EQ(IpiEncodeImageData(sys_, image, coded), 0);
    ASSERT_EQ(coded->fields.size, static_cast<int64_t>(c.coded.size()));
    EXPECT_EQ(Data(coded, coded->fields.size), c.coded);

    IpiObject* back = Image(c.data_type, c.precision, c.width, c.height, c.bands, {}, c.bit_order);
    ASSERT_EQ(IpiDecodeImageData(sys_, coded, back), 0);
    EXPECT_EQ(Data(back, static_cast<int64_t>(c.data.size())), c.data);
  }
}

TEST_F(PackBitsObjectTest, SeparatePlanesAreOneStripEach) {
  const Bytes data = {5, 5, 5, 5, 1, 2, 3, 4, 7, 7, 8, 8};  // 2 x 2, three bands
  IpiObject* image = Image(kDataTypeNonnegative, 8, 2, 2, 3, data);
  IpiObject* coded = Coded(image, kFormatTiff, 249);
  ASSERT_EQ(IpiEncodeImageData(sys_, image, coded), 0);
  const Bytes expected = {0xFF, 5, 0xFF, 5, 0x00, 1, 0x00, 2, 0x00, 3, 0x00, 4, 0xFF, 7, 0xFF, 8};
  EXPECT_EQ(Data(coded, coded->fields.size), expected);
  ASSERT_EQ(IpiInquireAttribute(sys_, coded, "stripsPerImage"), 3);
  const auto* counts = reinterpret_cast<const uint32_t*>(IpiInquireAttribute(sys_, coded, "stripByteCounts"));
  ASSERT_NE(counts, nullptr);
  EXPECT_EQ(counts[0], 4u);
  EXPECT_EQ(counts[1], 8u);
  EXPECT_EQ(counts[2], 4u);

  IpiObject* back = Blank(image, 249);
  ASSERT_EQ(IpiDecodeImageData(sys_, coded, back), 0);
  EXPECT_EQ(Data(back, 12), data);
}

TEST_F(PackBitsObjectTest, InvertedFormatStoresComplementedData) {
  IpiObject* image = Image(kDataTypeNonnegative, 8, 4, 1, 1, {0, 0, 0, 0});
  IpiObject* coded = Coded(image, kFormatInvertedBytes);
  ASSERT_EQ(IpiEncodeImageData(sys_, image, coded), 0);
  EXPECT_EQ(Data(coded, coded->fields.size), (Bytes{0xFD, 0xFF}));
  IpiObject* back = Image(kDataTypeNonnegative, 8, 4, 1, 1, {9, 9, 9, 9});
  ASSERT_EQ(IpiDecodeImageData(sys_, coded, back), 0);
  EXPECT_EQ(Data(back, 4), (Bytes{0, 0, 0, 0}));
}

TEST_F(PackBitsObjectTest, CutOffDataKeepsTheRowsBefore) {
  const Bytes data = {1, 1, 1, 2, 2, 2, 3, 3, 3};
  IpiObject* image = Image(kDataTypeNonnegative, 8, 3, 3, 1, data);
  IpiObject* coded = Coded(image, 0);
  ASSERT_EQ(IpiEncodeImageData(sys_, image, coded), 0);
  ASSERT_EQ(coded->fields.size, 6);
  for (int64_t size = 0; size < 6; ++size) {
    SCOPED_TRACE(size);
    ASSERT_EQ(IpiSetAttribute(sys_, coded, "size", static_cast<intptr_t>(size)), 0);
    IpiObject* back = Image(kDataTypeNonnegative, 8, 3, 3, 1, {});
    EXPECT_EQ(IpiDecodeImageData(sys_, coded, back), kIpiSyntaxError);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
    const Bytes got = Data(back, 9);
    const int64_t whole_rows = size / 2;
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(got[i], i < static_cast<size_t>(3 * whole_rows) ? data[i] : 0) << i;
  }
}

TEST_F(PackBitsObjectTest, Refusals) {
  IpiObject* grey = Image(kDataTypeNonnegative, 8, 4, 1, 1, {1, 2, 3, 4});
  IpiObject* deep = Image(kDataTypeNonnegative, 16, 4, 1, 1, {});
  struct Case {
    const char* name;
    IpiObject* image;
    IpiObject* coded;
    int status;
  };
  IpiObject* gif_coded = Coded(grey, kFormatGif);
  IpiObject* bad_planar = Coded(grey, kFormatTiff, 250);
  const IpiAttribute boolean_shape[] = {{"repository", kRepositoryFile},
                                        {"compression", kCompressionPackBits},
                                        {"dataType", kDataTypeBoolean}};
  IpiObject* boolean_coded = IpiCreateObject(sys_, nullptr, &kGenericImageClass, grey, boolean_shape, 3);
  const Case cases[] = {
      {"another file format", grey, gif_coded, kIpiNonPermissibleOption},
      {"unknown planar configuration", grey, bad_planar, kIpiNonPermissibleOption},
      {"data types differ", grey, boolean_coded, kIpiMismatchDataType},
      {"16 bits", deep, Coded(deep, 0), kIpiNonPermissibleOption},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodePackBits(sys_, c.image, c.coded), c.status);
  }
}

}  // namespace
