// The TIFF pixel pass on strips laid out in code: fill orders, packed colour
// words in both byte orders, strips with padding or cut short, packed-bitmap
// targets, coded strips, and a file source read in chunks.
#include "interchange/tiff/tiff_strips.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "tests/support/image_elements.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/tiff/tiff_source.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A layout of one image whose strips lie at the given offsets.
TiffStripLayout Layout(TiffSampleForm form, int64_t width, int64_t height, int64_t rows_per_strip,
                       std::vector<uint64_t> offsets, std::vector<uint64_t> counts) {
  TiffStripLayout l;
  l.form = form;
  l.width_px = width;
  l.height_px = height;
  l.stored_row_bytes = TiffStoredRowBytes(form, width);
  l.rows_per_strip = rows_per_strip;
  l.offsets = std::move(offsets);
  l.byte_counts = std::move(counts);
  for (uint64_t c : l.byte_counts) l.coded_bytes += c;
  return l;
}

class TiffStripsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* Image(int64_t width, int64_t height, int bands, int32_t data_type, int32_t bit_order = kOrderMsbFirst,
                   int32_t compression = kCompressionNone) {
    const IpiAttribute shape[] = {{"xDimension", static_cast<intptr_t>(width)},
                                  {"yDimension", static_cast<intptr_t>(height)},
                                  {"bDimension", bands},
                                  {"dataType", data_type},
                                  {"repository", kRepositoryGlobalBlock},
                                  {"bitOrder", bit_order},
                                  {"compression", compression}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 7);
    EXPECT_NE(image, nullptr);
    return image;
  }

  // Every element in element-index order (bits as 0 or 1).
  Bytes Elements(IpiObject* image) { return test_support::ImageElements(sys_, image); }

  // The first `count` bytes of an object's data.
  Bytes DataBytes(IpiObject* obj, int64_t count) {
    Bytes out(static_cast<size_t>(count));
    IpiStream* s = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, out.data(), count), count);
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    return out;
  }

  int Read(const Bytes& file, const TiffStripLayout& layout, IpiObject* target) {
    TiffSource source;
    source.OpenMemory(file);
    return ReadTiffStrips(sys_, source, layout, target);
  }

  IpiSystem* sys_ = nullptr;
};

TEST(TiffStripKernels, MirrorsBytesAndUnpacksPackedColour) {
  Bytes stored = {0x1E, 0x01, 0x80, 0xF0, 0x0F, 0xAA, 0x55, 0xC3, 0x3C, 0x12};
  Bytes mirrored(stored.size());
  MirrorRowBytes(stored.data(), static_cast<int64_t>(stored.size()), mirrored.data());
  EXPECT_EQ(mirrored, (Bytes{0x78, 0x80, 0x01, 0x0F, 0xF0, 0x55, 0xAA, 0xC3, 0x3C, 0x48}));

  // Words 0x0000, 0x7FFF, 0x0421 (1 in every field) and 0x7C00 (bits 14-10).
  const Bytes big = {0x00, 0x00, 0x7F, 0xFF, 0x04, 0x21, 0x7C, 0x00};
  const Bytes expected[3] = {{0, 255, 15, 0}, {0, 255, 15, 255}, {0, 255, 15, 0}};
  for (int band = 0; band < 3; ++band) {
    SCOPED_TRACE(band);
    Bytes out(4);
    UnpackPackedColourBand(big.data(), 4, ByteOrder::kBigEndian, band, out.data());
    EXPECT_EQ(out, expected[band]);
  }
  // The same bytes taken little-endian: 0x007C has 3 in bits 9-5 and 28 in 4-0.
  Bytes out(1);
  UnpackPackedColourBand(big.data() + 6, 1, ByteOrder::kLittleEndian, 0, out.data());
  EXPECT_EQ(out[0], 3 * 8 + 7);
  UnpackPackedColourBand(big.data() + 6, 1, ByteOrder::kLittleEndian, 2, out.data());
  EXPECT_EQ(out[0], 28 * 8 + 7);
}

TEST_F(TiffStripsTest, NibblesInFillOrderTwoAreMirrored) {
  // 0x1E in fill order 2: the first sample is the mirrored low nibble (7),
  // the second the mirrored high nibble (8).
  const Bytes file = {0x1E, 0x12};
  TiffStripLayout l = Layout(TiffSampleForm::kNibbles, 3, 1, 1, {0}, {2});
  l.fill_order = FillOrder::kLsbFirst;
  IpiObject* image = Image(3, 1, 1, kDataTypeNonnegative);
  ASSERT_EQ(Read(file, l, image), 0);
  EXPECT_EQ(Elements(image), (Bytes{7, 8, 4}));
  l.fill_order = FillOrder::kMsbFirst;
  ASSERT_EQ(Read(file, l, image), 0);
  EXPECT_EQ(Elements(image), (Bytes{1, 14, 1}));
}

TEST_F(TiffStripsTest, StripsAreAddressedEachOnItsOwn) {
  // Four rows of 2 bytes in one strip, and the same in strips of 3 and 1
  // rows laid out of order with padding after the first.
  const Bytes one = {1, 2, 3, 4, 5, 6, 7, 8};
  IpiObject* a = Image(2, 4, 1, kDataTypeNonnegative);
  ASSERT_EQ(Read(one, Layout(TiffSampleForm::kBytes, 2, 4, 4, {0}, {8}), a), 0);
  EXPECT_EQ(Elements(a), one);
  const Bytes split = {7, 8, 0xEE, 1, 2, 3, 4, 5, 6, 0xEE, 0xEE};
  IpiObject* b = Image(2, 4, 1, kDataTypeNonnegative);
  ASSERT_EQ(Read(split, Layout(TiffSampleForm::kBytes, 2, 4, 3, {3, 0}, {8, 2}), b), 0);
  EXPECT_EQ(Elements(b), one);
  // A strip that holds fewer bytes than its rows leaves the rest 0.
  IpiObject* c = Image(2, 4, 1, kDataTypeNonnegative);
  ASSERT_EQ(Read(split, Layout(TiffSampleForm::kBytes, 2, 4, 3, {3, 0}, {3, 1}), c), 0);
  EXPECT_EQ(Elements(c), (Bytes{1, 2, 3, 0, 0, 0, 7, 0}));
  // A strip past the end of the source is refused.
  EXPECT_EQ(Read(split, Layout(TiffSampleForm::kBytes, 2, 4, 3, {3, 10}, {8, 2}), c), kIpiSyntaxError);
}

TEST_F(TiffStripsTest, RgbSplitsIntoBandsAndPackedColourUnpacks) {
  const Bytes rgb = {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33};
  IpiObject* image = Image(2, 2, 3, kDataTypeNonnegative);
  ASSERT_EQ(Read(rgb, Layout(TiffSampleForm::kRgb, 2, 2, 2, {0}, {12}), image), 0);
  EXPECT_EQ(Elements(image), (Bytes{10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}));
  // A one-band target takes band 0 only; a narrower one the columns it has.
  IpiObject* red = Image(1, 2, 1, kDataTypeNonnegative);
  ASSERT_EQ(Read(rgb, Layout(TiffSampleForm::kRgb, 2, 2, 2, {0}, {12}), red), 0);
  EXPECT_EQ(Elements(red), (Bytes{10, 12}));

  TiffStripLayout words = Layout(TiffSampleForm::kPackedColour16, 2, 1, 1, {0}, {4});
  words.byte_order = ByteOrder::kLittleEndian;
  IpiObject* colour = Image(2, 1, 3, kDataTypeNonnegative);
  ASSERT_EQ(Read({0xFF, 0x7F, 0x00, 0x7C}, words, colour), 0);
  EXPECT_EQ(Elements(colour), (Bytes{255, 0, 255, 255, 255, 0}));
}

TEST_F(TiffStripsTest, BilevelRowsInEitherFillOrder) {
  // 10 pixels a row: row 1 starts at bit 2 of the image's second byte.
  const Bytes msb = {0xA5, 0xC0, 0x3C, 0x40};
  const Bytes expected = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 1};
  Bytes lsb(msb.size());
  MirrorRowBytes(msb.data(), 4, lsb.data());
  for (const int32_t target_order : {kOrderMsbFirst, kOrderLsbFirst}) {
    for (const bool stored_lsb : {false, true}) {
      SCOPED_TRACE(testing::Message() << target_order << " " << stored_lsb);
      TiffStripLayout l = Layout(TiffSampleForm::kBilevel, 10, 2, 2, {0}, {4});
      l.fill_order = stored_lsb ? FillOrder::kLsbFirst : FillOrder::kMsbFirst;
      IpiObject* image = Image(10, 2, 1, kDataTypeBoolean, target_order);
      ASSERT_EQ(Read(stored_lsb ? lsb : msb, l, image), 0);
      EXPECT_EQ(Elements(image), expected);
      // Whole-byte rows in the file's own order are copied as they are.
      IpiObject* wide = Image(16, 2, 1, kDataTypeBoolean, target_order);
      TiffStripLayout w = Layout(TiffSampleForm::kBilevel, 16, 2, 2, {0}, {4});
      w.fill_order = l.fill_order;
      ASSERT_EQ(Read(stored_lsb ? lsb : msb, w, wide), 0);
      const Bytes bits = Elements(wide);
      for (int i = 0; i < 32; ++i) EXPECT_EQ(bits[i], (msb[i / 8] >> (7 - i % 8)) & 1) << i;
    }
  }
}

TEST_F(TiffStripsTest, PackedBitmapTargetsGetBottomUpRows) {
  // 2 x 2 RGB into 8-byte rows: blue, green, red, rows in stored order.
  const Bytes rgb = {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33};
  const IpiAttribute dib[] = {{"pixelInterpretation", kPixelInterpretationPackedBitmap}};
  IpiObject* bitmap = Image(8, 2, 1, kDataTypeNonnegative);
  ASSERT_EQ(IpiSetAttributes(sys_, bitmap, dib, 1), 0);
  ASSERT_EQ(Read(rgb, Layout(TiffSampleForm::kRgb, 2, 2, 2, {0}, {12}), bitmap), 0);
  EXPECT_EQ(DataBytes(bitmap, 16), (Bytes{32, 22, 12, 33, 23, 13, 0, 0, 30, 20, 10, 31, 21, 11, 0, 0}));

  // 1-bit rows in fill order 2 reach the bitmap most significant bit first.
  IpiObject* bits = Image(4, 2, 1, kDataTypeNonnegative);
  ASSERT_EQ(IpiSetAttributes(sys_, bits, dib, 1), 0);
  TiffStripLayout l = Layout(TiffSampleForm::kBilevel, 9, 2, 2, {0}, {4});
  l.fill_order = FillOrder::kLsbFirst;
  ASSERT_EQ(Read({0x01, 0x01, 0x80, 0x00}, l, bits), 0);
  EXPECT_EQ(DataBytes(bits, 8), (Bytes{0x01, 0x00, 0, 0, 0x80, 0x80, 0, 0}));

  // A row too short for the pixels is refused before anything is written.
  IpiObject* narrow = Image(5, 2, 1, kDataTypeNonnegative);
  ASSERT_EQ(IpiSetAttributes(sys_, narrow, dib, 1), 0);
  EXPECT_EQ(Read(rgb, Layout(TiffSampleForm::kRgb, 2, 2, 2, {0}, {12}), narrow), kIpiNonPermissibleOption);
}

TEST_F(TiffStripsTest, CodedStripsAreJoinedUnchanged) {
  const Bytes file = {9, 9, 1, 2, 3, 9, 4, 5};
  TiffStripLayout l = Layout(TiffSampleForm::kBilevel, 16, 4, 2, {2, 6}, {3, 2});
  l.compression = kCompressionPackBits;
  IpiObject* holder = Image(16, 4, 1, kDataTypeBoolean, kOrderMsbFirst, kCompressionPackBits);
  ASSERT_EQ(Read(file, l, holder), 0);
  EXPECT_EQ(holder->fields.size, 5);
  EXPECT_EQ(DataBytes(holder, 5), (Bytes{1, 2, 3, 4, 5}));

  // Coded data into a plain object, another coding, or plain data into a
  // coded object: refused, nothing read.
  IpiObject* plain = Image(16, 4, 1, kDataTypeBoolean);
  EXPECT_EQ(Read(file, l, plain), kIpiNonPermissibleOption);
  IpiObject* fax = Image(16, 4, 1, kDataTypeBoolean, kOrderMsbFirst, kCompressionCcittMmr);
  EXPECT_EQ(Read(file, l, fax), kIpiNonPermissibleOption);
  l.compression = kCompressionNone;
  EXPECT_EQ(Read(file, l, holder), kIpiNonPermissibleOption);
  // A data type that does not fit the form.
  IpiObject* bytes = Image(16, 4, 1, kDataTypeNonnegative);
  EXPECT_EQ(Read(file, l, bytes), kIpiMismatchDataType);
}

TEST_F(TiffStripsTest, FileSourceReadsInChunksLikeMemory) {
  // 3 MB of RGB in two strips: the file source reads it a chunk at a time.
  const int64_t width = 1000;
  const int64_t height = 1000;
  Bytes file(static_cast<size_t>(3 * width * height));
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 3001);
  const TiffStripLayout l =
      Layout(TiffSampleForm::kRgb, width, height, 600, {0, 1800000}, {1800000, 1200000});
  IpiObject* from_memory = Image(width, height, 3, kDataTypeNonnegative);
  ASSERT_EQ(Read(file, l, from_memory), 0);

  testing_support::ScopedTempDir dir;
  testing_support::WriteFileBytes(dir.File("strips.raw"), file);
  TiffSource source;
  ASSERT_EQ(source.OpenFile(sys_, dir.File("strips.raw").c_str()), 0);
  IpiObject* from_file = Image(width, height, 3, kDataTypeNonnegative);
  ASSERT_EQ(ReadTiffStrips(sys_, source, l, from_file), 0);
  const Bytes got = Elements(from_file);
  EXPECT_EQ(got, Elements(from_memory));
  EXPECT_EQ(got[static_cast<size_t>(width * height + 5)], file[3 * 5 + 1]);  // green of pixel 5
}

}  // namespace
