// The PNG reader on files built in code and on damaged copies of our own
// files: chunk order, lengths, CRCs of every chunk, header values, limits,
// the attributes a header pass sets, and a truncation sweep through the read
// front. Damage always gives a clean error code, never success.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/tests/png_test_support.h"
#include "tests/support/test_support.h"

namespace {

using png_test::PngBuilder;

std::vector<uint8_t> GreyRows(int width, int height) {
  std::vector<uint8_t> rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < width; ++x) rows.push_back(static_cast<uint8_t>(x * 16 + y));
  }
  return rows;
}

std::vector<uint8_t> U32(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

class PngReader : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewImage() {
    lut_ = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(lut_))}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 2);
  }
  // Header pass, data pass and decode through the memory front.
  int Import(const std::vector<uint8_t>& bytes, IpiObject** out = nullptr) {
    IpiObject* image = NewImage();
    if (out != nullptr) *out = image;
    return IpiImportImage(sys_, bytes.data(), image, kFormatPng, static_cast<int64_t>(bytes.size()), nullptr, 0);
  }
  // One reader pass of `mode` over the bytes.
  int ReadPass(const std::vector<uint8_t>& bytes, IpiObject* target, int mode) {
    const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                   {"size", static_cast<intptr_t>(bytes.size())}};
    return IpiReadImageFile(sys_, nullptr, target, kFormatPng, mode, memory, 2);
  }
  // A small palette file of ours with PLTE, tEXt, tRNS and interlaced IDAT.
  std::vector<uint8_t> OurFile(bool interlaced) {
    const png_test::Picture picture = png_test::MakePicture(21, 13, 1, 4, 5);
    IpiObject* image = png_test::MakeImage(sys_, picture);
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16; ++i) rgb.insert(rgb.end(), {static_cast<uint8_t>(i * 16), 7, static_cast<uint8_t>(255 - i)});
    IpiObject* lut = png_test::MakeLut(sys_, rgb);
    EXPECT_EQ(IpiSetAttribute(sys_, image, "lut", static_cast<intptr_t>(IpiObjectId(lut))), 0);
    static const uint8_t kAlpha[3] = {0, 128, 255};
    const IpiAttribute pairs[] = {{"interlacedImage", interlaced ? 1 : 0},
                                  {"copyright", reinterpret_cast<intptr_t>("(c) test")},
                                  {"transparency", 1},
                                  {"transparencyEntry", 3},
                                  {"transparencyPaletteIndex", reinterpret_cast<intptr_t>(kAlpha)}};
    const std::string path = dir_.File("ours.png");
    EXPECT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatPng, pairs, 5), 0);
    return testing_support::ReadFileBytes(path);
  }

  IpiSystem* sys_ = nullptr;
  IpiObject* lut_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

TEST_F(PngReader, HeaderPassSetsAttributesGroupAndPalette) {
  const std::vector<uint8_t> file = OurFile(true);
  IpiObject* image = NewImage();
  ASSERT_EQ(ReadPass(file, image, kReadModeHeader), 0);
  const IpiObjectFields& f = image->fields;
  EXPECT_EQ(f.dimension[kDimX], 21);
  EXPECT_EQ(f.dimension[kDimY], 13);
  EXPECT_EQ(f.dimension[kDimB], 1);
  EXPECT_EQ(f.data_type, kDataTypeNonnegative);
  EXPECT_EQ(f.data_precision, 4);
  EXPECT_EQ(f.compression, kCompressionDeflatePng);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "interlacedImage"), 1);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "colourType"), kPngColourPalette);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "transparency"), 1);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "transparencyEntry"), 3);
  const auto* alpha = reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys_, image, "transparencyPaletteIndex"));
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha[1], 128);
  EXPECT_EQ(alpha[3], 255);
  EXPECT_STREQ(reinterpret_cast<const char*>(IpiInquireAttribute(sys_, image, "copyright")), "(c) test");
  const size_t idat = png_test::FindChunk(file, "IDAT");
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "compressionDataSize"), png_test::ReadU32Be(file, idat));
  EXPECT_EQ(f.size, png_test::ReadU32Be(file, idat));
  EXPECT_EQ(lut_->fields.dimension[kDimX], 16);
  EXPECT_EQ(lut_->fields.dimension[kDimB], 3);
}

TEST_F(PngReader, EveryChunkCrcIsChecked) {
  const std::vector<uint8_t> file = OurFile(false);
  ASSERT_EQ(Import(file), 0);
  int chunks = 0;
  for (size_t offset = 8; offset + 12 <= file.size(); offset += 12 + png_test::ReadU32Be(file, offset)) {
    const std::string type(file.begin() + offset + 4, file.begin() + offset + 8);
    SCOPED_TRACE(type);
    std::vector<uint8_t> damaged = file;
    damaged[offset + 8 + png_test::ReadU32Be(file, offset)] ^= 0x01;  // first CRC byte
    EXPECT_EQ(Import(damaged), kIpiSyntaxError);
    ++chunks;
  }
  EXPECT_EQ(chunks, 6);  // IHDR, PLTE, tEXt, tRNS, IDAT, IEND
}

TEST_F(PngReader, EveryCutShortFileIsRefused) {
  for (bool interlaced : {false, true}) {
    const std::vector<uint8_t> file = OurFile(interlaced);
    ASSERT_EQ(Import(file), 0);
    for (size_t length = 1; length < file.size(); ++length) {
      SCOPED_TRACE(testing::Message() << "interlaced " << interlaced << ", first " << length << " bytes");
      const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_EQ(Import(cut), kIpiSyntaxError);
    }
  }
}

TEST_F(PngReader, RefusesBadHeaderValues) {
  struct Case {
    const char* name;
    uint32_t width, height;
    uint8_t depth, colour_type, interlace;
    int expected;
  };
  const Case cases[] = {
      {"width 0", 0, 4, 8, 0, 0, kIpiSyntaxError},
      {"height 0", 4, 0, 8, 0, 0, kIpiSyntaxError},
      {"width 2^31", 0x80000000u, 1, 8, 0, 0, kIpiSyntaxError},
      {"depth 3", 4, 4, 3, 0, 0, kIpiSyntaxError},
      {"depth 32", 4, 4, 32, 0, 0, kIpiSyntaxError},
      {"colour type 1", 4, 4, 8, 1, 0, kIpiSyntaxError},
      {"colour type 5", 4, 4, 8, 5, 0, kIpiSyntaxError},
      {"grey with alpha", 4, 4, 8, 4, 0, kIpiSyntaxError},
      {"rgb of 4 bits", 4, 4, 4, 2, 0, kIpiSyntaxError},
      {"palette of 16 bits", 4, 4, 16, 3, 0, kIpiSyntaxError},
      {"interlace 2", 4, 4, 8, 0, 2, kIpiSyntaxError},
      {"width above the limit", (1u << 24) + 1, 1, 8, 0, 0, kIpiExceedImplementation},
      {"pixels above the limit", 20000, 20000, 1, 0, 0, kIpiExceedImplementation},
      {"bytes above the limit", 16384, 9000, 16, 6, 0, kIpiExceedImplementation},
      {"grey 16 (read no further)", 4, 4, 16, 0, 0, kIpiSyntaxError},
      {"grey 2 (read no further)", 4, 4, 2, 0, 0, kIpiSyntaxError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file =
        PngBuilder().Header(c.width, c.height, c.depth, c.colour_type, c.interlace).Data(GreyRows(4, 4)).End().bytes();
    EXPECT_EQ(Import(file), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
  }
  // Compression and filter methods other than 0, and an IHDR of 12 bytes.
  std::vector<uint8_t> ihdr = {0, 0, 0, 4, 0, 0, 0, 4, 8, 0, 0, 0, 0};
  for (size_t field : {10u, 11u}) {
    std::vector<uint8_t> bad = ihdr;
    bad[field] = 1;
    EXPECT_EQ(Import(PngBuilder().Chunk("IHDR", bad).Data(GreyRows(4, 4)).End().bytes()), kIpiSyntaxError);
  }
  ihdr.pop_back();
  EXPECT_EQ(Import(PngBuilder().Chunk("IHDR", ihdr).Data(GreyRows(4, 4)).End().bytes()), kIpiSyntaxError);
}

TEST_F(PngReader, ChunkOrderLengthsAndNames) {
  const std::vector<uint8_t> rows = GreyRows(4, 2);
  const std::vector<uint8_t> idat = png_test::Deflate(rows);
  const std::vector<uint8_t> palette(3 * 16, 9);
  const std::vector<uint8_t> text_other = {'T', 'i', 't', 'l', 'e', 0, 'x'};
  auto grey = [&]() { return PngBuilder().Header(4, 2, 8, 0); };
  auto indexed = [&]() { return PngBuilder().Header(4, 2, 4, 3); };
  const std::vector<uint8_t> indexed_rows = {0, 0x01, 0x23, 0, 0x45, 0x67};
  const std::vector<uint8_t> indexed_idat = png_test::Deflate(indexed_rows);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int expected;
  };
  const Case cases[] = {
      {"plain grey", grey().Chunk("IDAT", idat).End().bytes(), 0},
      {"unknown chunks of letters are skipped",
       grey().Chunk("zTXt", {1, 2}).Chunk("tIME", {7, 0}).Chunk("abcD", {}).Chunk("tEXt", text_other)
           .Chunk("IDAT", idat).End().bytes(), 0},
      {"IDAT split in two", grey().Chunk("IDAT", {idat.begin(), idat.begin() + 5})
           .Chunk("IDAT", {idat.begin() + 5, idat.end()}).End().bytes(), 0},
      {"a digit in a chunk type", grey().Chunk("gA1A", {}).Chunk("IDAT", idat).End().bytes(), kIpiSyntaxError},
      {"IHDR not first", PngBuilder().Chunk("gAMA", U32(45455)).Header(4, 2, 8, 0).Chunk("IDAT", idat).End().bytes(),
       kIpiSyntaxError},
      {"a second IHDR", grey().Header(4, 2, 8, 0).Chunk("IDAT", idat).End().bytes(), kIpiSyntaxError},
      {"no IDAT", grey().End().bytes(), kIpiSyntaxError},
      {"no IEND", grey().Chunk("IDAT", idat).bytes(), kIpiSyntaxError},
      {"gAMA of 3 bytes", grey().Chunk("gAMA", {0, 0, 1}).Chunk("IDAT", idat).End().bytes(), kIpiSyntaxError},
      {"gAMA after PLTE", indexed().Chunk("PLTE", palette).Chunk("gAMA", U32(45455)).Chunk("IDAT", indexed_idat)
           .End().bytes(), kIpiSyntaxError},
      {"palette image", indexed().Chunk("PLTE", palette).Chunk("IDAT", indexed_idat).End().bytes(), 0},
      {"IDAT before PLTE", indexed().Chunk("IDAT", indexed_idat).Chunk("PLTE", palette).End().bytes(),
       kIpiSyntaxError},
      {"PLTE of 17 entries at 4 bits", indexed().Chunk("PLTE", std::vector<uint8_t>(3 * 17, 1))
           .Chunk("IDAT", indexed_idat).End().bytes(), kIpiSyntaxError},
      {"PLTE of 257 entries", grey().Chunk("PLTE", std::vector<uint8_t>(3 * 257, 1)).Chunk("IDAT", idat).End().bytes(),
       kIpiSyntaxError},
      {"PLTE length not a multiple of 3", indexed().Chunk("PLTE", std::vector<uint8_t>(47, 1))
           .Chunk("IDAT", indexed_idat).End().bytes(), kIpiSyntaxError},
      {"two PLTE", indexed().Chunk("PLTE", palette).Chunk("PLTE", palette).Chunk("IDAT", indexed_idat).End().bytes(),
       kIpiSyntaxError},
      {"tRNS before PLTE", indexed().Chunk("tRNS", {0}).Chunk("PLTE", palette).Chunk("IDAT", indexed_idat)
           .End().bytes(), kIpiSyntaxError},
      {"tRNS longer than the palette", indexed().Chunk("PLTE", std::vector<uint8_t>(6, 1)).Chunk("tRNS", {0, 0, 0})
           .Chunk("IDAT", indexed_idat).End().bytes(), kIpiSyntaxError},
      {"two tRNS", grey().Chunk("tRNS", {0, 1}).Chunk("tRNS", {0, 2}).Chunk("IDAT", idat).End().bytes(),
       kIpiSyntaxError},
      {"grey tRNS of 6 bytes", grey().Chunk("tRNS", {0, 1, 0, 1, 0, 1}).Chunk("IDAT", idat).End().bytes(),
       kIpiSyntaxError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(c.file), c.expected);
  }
}

TEST_F(PngReader, ChunkLengthsPastTheFileOrAbove2To31AreRefused) {
  std::vector<uint8_t> file = PngBuilder().Header(4, 2, 8, 0).Data(GreyRows(4, 2)).End().bytes();
  const size_t idat = png_test::FindChunk(file, "IDAT");
  for (uint32_t length : {0x80000000u, 0xFFFFFFFFu, png_test::ReadU32Be(file, idat) + 20}) {
    std::vector<uint8_t> damaged = file;
    const std::vector<uint8_t> bytes = U32(length);
    std::copy(bytes.begin(), bytes.end(), damaged.begin() + static_cast<std::ptrdiff_t>(idat));
    EXPECT_EQ(Import(damaged), kIpiSyntaxError) << length;
  }
}

TEST_F(PngReader, SeparatedIdatChunksAreRefusedInTheDataPass) {
  const std::vector<uint8_t> idat = png_test::Deflate(GreyRows(4, 2));
  const std::vector<uint8_t> file = PngBuilder().Header(4, 2, 8, 0).Chunk("IDAT", {idat.begin(), idat.begin() + 4})
                                        .Chunk("tEXt", {'a', 0, 'b'}).Chunk("IDAT", {idat.begin() + 4, idat.end()})
                                        .End().bytes();
  IpiObject* image = NewImage();
  EXPECT_EQ(ReadPass(file, image, kReadModeHeader), 0);
  EXPECT_EQ(ReadPass(file, image, kReadModeData), kIpiSyntaxError);
}

TEST_F(PngReader, KeepsTheLastCopyrightTextCutAt64KiB) {
  std::vector<uint8_t> text = {'C', 'o', 'p', 'y', 'r', 'i', 'g', 'h', 't', 0};
  text.resize(text.size() + 70000, 'a');
  const std::vector<uint8_t> second = {'C', 'o', 'p', 'y', 'r', 'i', 'g', 'h', 't', 0, 'b'};
  const std::vector<uint8_t> other = {'A', 'u', 't', 'h', 'o', 'r', 0, 'c'};
  const auto copyright_of = [&](const std::vector<std::vector<uint8_t>>& texts) {
    PngBuilder builder;
    builder.Header(4, 2, 8, 0);
    for (const auto& t : texts) builder.Chunk("tEXt", t);
    const std::vector<uint8_t> file = builder.Data(GreyRows(4, 2)).End().bytes();
    IpiObject* image = NewImage();
    EXPECT_EQ(ReadPass(file, image, kReadModeHeader), 0);
    const auto* copyright = reinterpret_cast<const char*>(IpiInquireAttribute(sys_, image, "copyright"));
    return copyright != nullptr ? std::string(copyright) : std::string("(none)");
  };
  EXPECT_EQ(copyright_of({text, second, other}), "b");
  EXPECT_EQ(copyright_of({second, text}), std::string(65536, 'a'));
  EXPECT_EQ(copyright_of({other}), "(none)");
}

TEST_F(PngReader, PackedBitmapTargetTakesBottomUpBgrRowsCutToItsLength) {
  // A 3 x 2 RGB picture; rows of the packed bitmap are 12 bytes (padded), then 7 (cut).
  const std::vector<uint8_t> rows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  const std::vector<uint8_t> file = PngBuilder().Header(3, 2, 8, 2).Data(rows).End().bytes();
  for (int row_bytes : {12, 7}) {
    SCOPED_TRACE(row_bytes);
    IpiObject* header = NewImage();
    ASSERT_EQ(ReadPass(file, header, kReadModeHeader), 0);
    // Coded bytes may outnumber the plain ones: the holder is a file, as the read front makes it then.
    const IpiAttribute holder_shape[] = {{"repository", kRepositoryFile}};
    IpiObject* holder = IpiCreateObject(sys_, nullptr, &kGenericImageClass, header, holder_shape, 1);
    ASSERT_EQ(ReadPass(file, holder, kReadModeBoth), 0);
    std::vector<uint8_t> memory(static_cast<size_t>(row_bytes) * 2 + 4, 0xEE);
    const IpiAttribute shape[] = {{"xDimension", row_bytes}, {"yDimension", 2}, {"bDimension", 1},
                                  {"dataType", kDataTypeNonnegative}, {"dataPrecision", 8},
                                  {"repository", kRepositoryCallerMemory},
                                  {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                  {"size", row_bytes * 2},
                                  {"pixelInterpretation", kPixelInterpretationPackedBitmap}};
    IpiObject* packed = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 9);
    ASSERT_EQ(DecodeInflatePng(sys_, holder, packed), 0);
    const std::vector<uint8_t> top = {3, 2, 1, 6, 5, 4, 9, 8, 7};
    const std::vector<uint8_t> bottom = {13, 12, 11, 16, 15, 14, 19, 18, 17};
    const size_t n = std::min<size_t>(9, static_cast<size_t>(row_bytes));
    EXPECT_TRUE(std::equal(bottom.begin(), bottom.begin() + static_cast<std::ptrdiff_t>(n), memory.begin()));
    EXPECT_TRUE(std::equal(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(n), memory.begin() + row_bytes));
    EXPECT_EQ(memory[2 * row_bytes], 0xEE) << "written past the last row";
  }
}

}  // namespace
