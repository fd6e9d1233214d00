// The coder of compression 264 on its own: the encoder's options, its
// stream checked by zlib and by pngtopam (wrapped into a PNG file here),
// and the decoder on streams that are short, long, broken or interlaced,
// with progressive display by passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/tests/png_test_support.h"
#include "tests/support/test_support.h"

namespace {

using png_test::Picture;

// The rows of a picture in the PNG layout, each behind a filter byte 0.
std::vector<uint8_t> PngRows(const Picture& p) {
  std::vector<uint8_t> rows;
  for (int y = 0; y < p.height; ++y) {
    rows.push_back(0);
    if (p.depth == 8) {
      for (int x = 0; x < p.width; ++x) {
        for (int c = 0; c < p.channels; ++c) rows.push_back(p.at(y, x, c));
      }
      continue;
    }
    const int per_byte = 8 / p.depth;
    for (int x = 0; x < p.width; x += per_byte) {
      uint8_t byte = 0;
      for (int k = 0; k < per_byte; ++k) {
        const int v = x + k < p.width ? p.at(y, x + k, 0) : 0;
        byte = static_cast<uint8_t>(byte | v << (8 - p.depth * (k + 1)));
      }
      rows.push_back(byte);
    }
  }
  return rows;
}

class DeflateCoder : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewCoded(const Picture& p, std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> shape = {{"xDimension", p.width},
                                       {"yDimension", p.height},
                                       {"bDimension", p.channels},
                                       {"dataType", p.depth == 1 ? kDataTypeBoolean : kDataTypeNonnegative},
                                       {"dataPrecision", p.depth},
                                       {"compression", kCompressionDeflatePng},
                                       {"repository", kRepositoryFile}};
    shape.insert(shape.end(), extra.begin(), extra.end());
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape.data(), static_cast<int>(shape.size()));
  }
  IpiObject* NewPlain(const Picture& p) {
    Picture empty = p;
    std::fill(empty.samples.begin(), empty.samples.end(), 0);
    return png_test::MakeImage(sys_, empty);
  }
  std::vector<uint8_t> CodedBytes(IpiObject* coded) {
    std::vector<uint8_t> bytes(static_cast<size_t>(coded->fields.size));
    IpiStream* stream = IpiOpenStream(sys_, coded, "r", 0);
    EXPECT_NE(stream, nullptr);
    EXPECT_EQ(IpiReadBytes(sys_, stream, 0, bytes.data(), coded->fields.size), coded->fields.size);
    EXPECT_EQ(IpiCloseStream(sys_, stream), 0);
    return bytes;
  }
  // A coded object in memory holding `bytes`, with `size` as its stated size.
  IpiObject* CodedFrom(const Picture& p, std::vector<uint8_t>& bytes, int64_t size, bool interlaced = false) {
    std::vector<IpiAttribute> extra = {{"repository", kRepositoryCallerMemory},
                                       {"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                       {"size", static_cast<intptr_t>(size)}};
    if (interlaced) {
      extra.push_back({"fileFormat", kFormatPng});
      extra.push_back({"interlacedImage", 1});
    }
    return NewCoded(p, extra);
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

TEST_F(DeflateCoder, EncoderRefusesOptionsItCannotCode) {
  const Picture grey = png_test::MakePicture(8, 4, 1, 8, 1);
  struct Case {
    const char* name;
    Picture coded_shape;
    std::vector<IpiAttribute> extra;
    int expected;
  };
  Picture four_bands = png_test::MakePicture(8, 4, 4, 8, 1);
  Picture sixteen = grey;
  sixteen.depth = 16;
  Picture two_bits = grey;
  two_bits.depth = 2;
  Picture one_bit = grey;
  one_bit.depth = 1;
  const Case cases[] = {
      {"level 0", grey, {{"compressionLevel", 0}}, kIpiNonPermissibleOption},
      {"level 10", grey, {{"compressionLevel", 10}}, kIpiNonPermissibleOption},
      {"filter 5", grey, {{"filter", 5}}, kIpiNonPermissibleOption},
      {"four bands", four_bands, {}, kIpiNonPermissibleOption},
      {"16 bits", sixteen, {}, kIpiNonPermissibleOption},
      {"2 bits", two_bits, {}, kIpiNonPermissibleOption},
      {"two planes", grey, {{"zDimension", 2}}, kIpiNonPermissibleOption},
      {"8-bit image into 1-bit rows", one_bit, {}, kIpiMismatchDataType},
  };
  IpiObject* image = png_test::MakeImage(sys_, grey);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* coded = NewCoded(c.coded_shape, c.extra);
    EXPECT_EQ(EncodeDeflatePng(sys_, image, coded), c.expected);
    EXPECT_EQ(coded->fields.size, 0) << "size set on failure";
  }
}

TEST_F(DeflateCoder, FilterNoneStreamHoldsThePlainRows) {
  for (const Picture& p : {png_test::MakePicture(13, 7, 1, 1, 2), png_test::MakePicture(13, 7, 1, 4, 2),
                           png_test::MakePicture(13, 7, 1, 8, 2), png_test::MakePicture(13, 7, 3, 8, 2)}) {
    SCOPED_TRACE(testing::Message() << p.channels << " x " << p.depth << " bits");
    IpiObject* coded = NewCoded(p, {{"filter", kPngFilterOptionNone}, {"compressionLevel", 9}});
    ASSERT_EQ(EncodeDeflatePng(sys_, png_test::MakeImage(sys_, p), coded), 0);
    const std::vector<uint8_t> expected = PngRows(p);
    EXPECT_TRUE(png_test::Inflate(CodedBytes(coded), expected.size()) == expected);
  }
}

TEST_F(DeflateCoder, FilteredStreamDecodesInPngtopam) {
  for (const Picture& p : {png_test::MakePicture(57, 31, 1, 8, 3), png_test::MakePicture(57, 31, 3, 8, 3)}) {
    SCOPED_TRACE(p.channels);
    IpiObject* coded = NewCoded(p, {{"filter", kPngFilterOptionAll}, {"compressionLevel", 1}});
    ASSERT_EQ(EncodeDeflatePng(sys_, png_test::MakeImage(sys_, p), coded), 0);
    const std::vector<uint8_t> file = png_test::PngBuilder()
                                          .Header(p.width, p.height, 8, p.channels == 1 ? 0 : 2)
                                          .Chunk("IDAT", CodedBytes(coded))
                                          .End()
                                          .bytes();
    const std::string path = dir_.File("wrapped.png");
    testing_support::WriteFileBytes(path, file);
    std::string pam_text;
    ASSERT_EQ(testing_support::RunCommand("pngtopam " + path, &pam_text), 0);
    png_test::Pam pam;
    ASSERT_TRUE(png_test::ParsePam(std::vector<uint8_t>(pam_text.begin(), pam_text.end()), &pam));
    EXPECT_TRUE(pam.samples == p.samples);
    // And back through our own decoder.
    IpiObject* plain = NewPlain(p);
    ASSERT_EQ(DecodeInflatePng(sys_, coded, plain), 0);
    EXPECT_TRUE(png_test::ReadPicture(sys_, plain, 8).samples == p.samples);
  }
}

TEST_F(DeflateCoder, DecoderRefusesBrokenStreamsAndKeepsTheRowsBeforeTheFault) {
  const Picture p = png_test::MakePicture(16, 10, 1, 8, 4);
  const std::vector<uint8_t> rows = PngRows(p);
  const std::vector<uint8_t> good = png_test::Deflate(rows, 0);  // stored blocks: row bytes sit in the stream
  std::vector<uint8_t> bad_filter_rows = rows;
  bad_filter_rows[17 * 6] = 5;  // row 6's filter type
  std::vector<uint8_t> long_rows = rows;
  long_rows.insert(long_rows.end(), rows.begin(), rows.begin() + 17);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int64_t stated;   // "size"; -1: the bytes' count
    int rows_kept;    // rows that must equal the picture
  };
  const std::vector<uint8_t> trailing = [&] {
    std::vector<uint8_t> b = good;
    b.insert(b.end(), {0, 0, 0});
    return b;
  }();
  const Case cases[] = {
      {"cut in row 5", {good.begin(), good.begin() + 11 + 17 * 5 + 9}, -1, 5},
      {"without its checksum", {good.begin(), good.end() - 4}, -1, 10},
      {"bytes after the end", trailing, -1, 10},
      {"last byte missing", good, static_cast<int64_t>(good.size()) - 1, 10},
      {"filter type 5", png_test::Deflate(bad_filter_rows), -1, 6},
      {"a row too many", png_test::Deflate(long_rows), -1, 10},
      {"not zlib", std::vector<uint8_t>(40, 0x55), -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = c.bytes;
    if (c.stated >= 0 && c.stated < static_cast<int64_t>(bytes.size())) bytes.resize(static_cast<size_t>(c.stated));
    IpiObject* coded = CodedFrom(p, bytes, static_cast<int64_t>(bytes.size()));
    IpiObject* plain = NewPlain(p);
    EXPECT_EQ(DecodeInflatePng(sys_, coded, plain), kIpiSyntaxError);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
    const Picture got = png_test::ReadPicture(sys_, plain, 8);
    const size_t kept = static_cast<size_t>(c.rows_kept) * p.width;
    EXPECT_TRUE(std::equal(got.samples.begin(), got.samples.begin() + static_cast<std::ptrdiff_t>(kept), p.samples.begin()));
  }
}

class InterlacedFile : public DeflateCoder {
 protected:
  // A picture written interlaced by ImageMagick, read through the front.
  int ReadInterlaced(const Picture& p, IpiObject** image) {
    const std::string ppm = dir_.File("in.ppm");
    std::vector<uint8_t> bytes;
    const std::string head = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    bytes.assign(head.begin(), head.end());
    bytes.insert(bytes.end(), p.samples.begin(), p.samples.end());
    testing_support::WriteFileBytes(ppm, bytes);
    const std::string png = dir_.File("interlaced.png");
    EXPECT_EQ(png_test::Run("convert-im6.q16 " + ppm + " -interlace PNG -define png:color-type=2 " + png), 0);
    std::string report;
    EXPECT_EQ(png_test::Run("pngcheck " + png, &report), 0);
    EXPECT_NE(report.find("interlaced"), std::string::npos);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    *image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
    return IpiReadFile(sys_, png.c_str(), *image, kFormatPng, nullptr, 0);
  }
};

TEST_F(InterlacedFile, ProgressivePassesFillTheirBlocks) {
  const Picture p = png_test::MakePicture(21, 19, 3, 8, 9);
  IpiObject* image = nullptr;
  ASSERT_EQ(ReadInterlaced(p, &image), 0);
  EXPECT_TRUE(png_test::ReadPicture(sys_, image, 8).samples == p.samples);

  const IpiAttribute first_pass[] = {{"progressive", 1}, {"interlacePass", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, first_pass, 2), 0);
  ASSERT_EQ(ReadInterlaced(p, &image), 0);
  const Picture blocks = png_test::ReadPicture(sys_, image, 8);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(blocks.at(y, x, c), p.at(y / 8 * 8, x / 8 * 8, c)) << x << ", " << y;
    }
  }
  const IpiAttribute all_passes[] = {{"interlacePass", 7}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, all_passes, 1), 0);
  ASSERT_EQ(ReadInterlaced(p, &image), 0);
  EXPECT_TRUE(png_test::ReadPicture(sys_, image, 8).samples == p.samples);
  for (intptr_t pass : {0, 8}) {
    const IpiAttribute bad[] = {{"interlacePass", pass}};
    ASSERT_EQ(IpiSetSystemAttributes(sys_, bad, 1), 0);
    EXPECT_EQ(ReadInterlaced(p, &image), kIpiOutOfRange);
  }
}

TEST_F(InterlacedFile, NarrowAndShortImagesSkipEmptyPasses) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 2, 3, 5, 9}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      const Picture p = png_test::MakePicture(width, height, 3, 8, static_cast<uint32_t>(width * 10 + height));
      IpiObject* image = nullptr;
      ASSERT_EQ(ReadInterlaced(p, &image), 0);
      EXPECT_TRUE(png_test::ReadPicture(sys_, image, 8).samples == p.samples);
    }
  }
}

TEST_F(InterlacedFile, ACutStreamKeepsThePassesDecoded) {
  const Picture p = png_test::MakePicture(32, 32, 3, 8, 12);
  IpiObject* image = nullptr;
  ASSERT_EQ(ReadInterlaced(p, &image), 0);
  // The same stream cut near its end: pass 6 (the odd rows) is incomplete.
  const std::vector<uint8_t> file = testing_support::ReadFileBytes(dir_.File("interlaced.png"));
  const size_t idat = png_test::FindChunk(file, "IDAT");
  std::vector<uint8_t> stream(file.begin() + static_cast<std::ptrdiff_t>(idat + 8),
                              file.begin() + static_cast<std::ptrdiff_t>(idat + 8 + png_test::ReadU32Be(file, idat)));
  const std::vector<uint8_t> raw = png_test::Inflate(stream, 1 << 16);
  std::vector<uint8_t> cut = png_test::Deflate({raw.begin(), raw.end() - 200}, 6);
  IpiObject* coded = CodedFrom(p, cut, static_cast<int64_t>(cut.size()), true);
  IpiObject* plain = NewPlain(p);
  EXPECT_EQ(DecodeInflatePng(sys_, coded, plain), kIpiSyntaxError);
  const Picture got = png_test::ReadPicture(sys_, plain, 8);
  for (int y = 0; y < 32; y += 2) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(got.at(y, x, 0), p.at(y, x, 0)) << x << ", " << y;
  }
}

}  // namespace
