#include "interchange/bmp/bmp_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/bmp/tests/bmp_test_support.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/rows/bmp_rows.h"
#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using bmp_test::BmpSpec;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;

// A picture: width x height pixels of red, green, blue, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  Bytes rgb;
};

// `colours` distinct colours scattered over the picture (at most 256).
Picture MakePicture(int width, int height, int colours, uint32_t seed) {
  Picture p{width, height, {}};
  const Bytes choice = bmp_test::RandomBytes(static_cast<size_t>(width * height), seed);
  for (int i = 0; i < width * height; ++i) {
    const int c = choice[i] % colours;
    p.rgb.push_back(static_cast<uint8_t>(colours <= 2 ? c * 255 : c * 37 + 11));
    p.rgb.push_back(static_cast<uint8_t>(colours <= 2 ? c * 255 : c * 101 + 3));
    p.rgb.push_back(static_cast<uint8_t>(colours <= 2 ? c * 255 : c * 53 + 200));
  }
  return p;
}

void WritePpm(const std::string& path, const Picture& p) {
  std::string head = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
  Bytes bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), p.rgb.begin(), p.rgb.end());
  testing_support::WriteFileBytes(path, bytes);
}

// The picture an oracle program made of a bitmap file, as red, green, blue.
Picture OracleRgb(const std::string& command) {
  std::string out;
  EXPECT_EQ(RunCommand(command, &out), 0) << command;
  bmp_test::Pnm pnm;
  EXPECT_TRUE(bmp_test::ParsePnm(Bytes(out.begin(), out.end()), &pnm)) << command;
  Picture p{pnm.width, pnm.height, {}};
  for (size_t i = 0; i < static_cast<size_t>(pnm.width) * pnm.height; ++i) {
    for (int c = 0; c < 3; ++c) {
      uint8_t v = 0;
      if (pnm.kind == '6') v = pnm.samples[3 * i + c];
      if (pnm.kind == '5') v = pnm.samples[i];
      if (pnm.kind == '4') v = pnm.samples[i] ? 0 : 255;
      p.rgb.push_back(v);
    }
  }
  return p;
}

class BmpCodecTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }

  // A fresh image with an empty lookup table attached.
  IpiObject* NewImage(const IpiObjectClass* cls = &kGenericImageClass, int32_t repository = kRepositoryGlobalBlock) {
    IpiObject* table = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", repository}, {"lut", static_cast<intptr_t>(IpiObjectId(table))}};
    return IpiCreateObject(sys_, nullptr, cls, nullptr, shape, 2);
  }

  // The image as red, green, blue: palette images through their table.
  Picture ImageRgb(IpiObject* image) {
    const IpiObjectFields& f = image->fields;
    Picture p{f.dimension[kDimX], f.dimension[kDimY], {}};
    const Bytes data = bmp_test::ObjectData(sys_, image);
    const size_t n = static_cast<size_t>(p.width) * p.height;
    if (f.dimension[kDimB] >= 3) {
      for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) p.rgb.push_back(data[c * n + i]);
      }
      return p;
    }
    IpiObject* table = IpiObjectFromId(sys_, f.lut);
    EXPECT_NE(table, nullptr);
    const Bytes runs = bmp_test::ObjectData(sys_, table);
    const size_t entries = static_cast<size_t>(table->fields.dimension[kDimX]);
    for (size_t i = 0; i < n; ++i) {
      const size_t index = f.data_type == kDataTypeBoolean ? (data[i / 8] >> (7 - i % 8)) & 1 : data[i];
      for (int c = 0; c < 3; ++c) p.rgb.push_back(index < entries ? runs[c * entries + index] : 0);
    }
    return p;
  }

  int ReadFile(const std::string& path, IpiObject* image, int32_t format = kFormatBmp) {
    return IpiReadFile(sys_, path.c_str(), image, format, nullptr, 0);
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
};

// One image per written depth, with pixels from `seed`.
struct DepthImage {
  int bits;
  const IpiObjectClass* cls;
  int32_t bands;
  int32_t data_type;
  int32_t precision;
};
constexpr DepthImage kWrittenDepths[] = {
    {1, &kGenericImageClass, 1, kDataTypeBoolean, 1},     {4, &kGenericImageClass, 1, kDataTypeNonnegative, 4},
    {8, &kGenericImageClass, 1, kDataTypeNonnegative, 8}, {24, &kColourImageClass, 3, kDataTypeNonnegative, 8},
    {32, &kColourImageClass, 4, kDataTypeNonnegative, 8},
};

Bytes DepthData(const DepthImage& d, int width, int height, uint32_t seed) {
  if (d.bits == 1) {
    Bytes bits = bmp_test::RandomBytes(static_cast<size_t>((width * height + 7) / 8), seed);
    if ((width * height) % 8 != 0) bits.back() &= static_cast<uint8_t>(0xFF00 >> ((width * height) % 8));
    return bits;
  }
  return bmp_test::RandomBytes(static_cast<size_t>(width * height * d.bands), seed, d.bits == 4 ? 16 : 0);
}

// The picture the standard palettes give a palette image, or a colour image's own.
Picture ExpectedRgb(const DepthImage& d, const Bytes& data, int width, int height) {
  Picture p{width, height, {}};
  const size_t n = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < n; ++i) {
    for (int c = 0; c < 3; ++c) {
      uint8_t v = 0;
      switch (d.bits) {
        case 1: v = ((data[i / 8] >> (7 - i % 8)) & 1) ? 255 : 0; break;
        case 4: v = static_cast<uint8_t>(data[i] * 17); break;
        case 8: v = data[i]; break;
        default: v = data[c * n + i]; break;
      }
      p.rgb.push_back(v);
    }
  }
  return p;
}

TEST_F(BmpCodecTest, WritesEveryDepthAndWidthThatOraclesReadAndWeReadBack) {
  for (const DepthImage& d : kWrittenDepths) {
    for (int width : {1, 7, 8, 9, 13, 33}) {
      SCOPED_TRACE(std::to_string(d.bits) + " bits, width " + std::to_string(width));
      const int height = 3;
      const Bytes data = DepthData(d, width, height, static_cast<uint32_t>(width * 100 + d.bits));
      IpiObject* image = bmp_test::MakeImage(sys_, d.cls, width, height, d.bands, d.data_type, d.precision,
                                             kRepositoryFile, data);
      const std::string path = dir_.File("w.bmp");
      ASSERT_EQ(IpiWriteImageFile(sys_, image, path.c_str(), kFormatBmp, nullptr, 0), 0);
      const Bytes file = testing_support::ReadFileBytes(path);
      const int64_t row_bytes = (width * d.bits + 31) / 32 * 4;
      const uint32_t palette_bytes = d.bits <= 8 ? 4u << d.bits : 0;
      EXPECT_EQ(file.size(), 54 + palette_bytes + row_bytes * height);
      EXPECT_EQ(bmp_test::ReadU32(file, 2), file.size());
      const Picture expected = ExpectedRgb(d, data, width, height);
      EXPECT_EQ(OracleRgb("bmptopnm " + path + " 2>/dev/null").rgb, expected.rgb);
      EXPECT_EQ(OracleRgb("convert-im6.q16 " + path + " -depth 8 ppm:-").rgb, expected.rgb);

      IpiObject* back = NewImage(d.bits >= 24 ? &kColourImageClass : &kGenericImageClass);
      ASSERT_EQ(ReadFile(path, back), 0);
      EXPECT_EQ(ImageRgb(back).rgb, expected.rgb);
      if (d.bits != 32) {
        EXPECT_EQ(bmp_test::ObjectData(sys_, back), data);
      }
    }
  }
}

TEST_F(BmpCodecTest, ReadsWhatOraclesWrite) {
  struct Case {
    const char* name;
    int colours;
    int expected_bits;
    std::string command;  // IN the PPM, GIF the same picture as GIF, OUT the bitmap
  };
  const Case cases[] = {
      {"ppmtobmp 1", 2, 1, "ppmtobmp -bpp 1 IN > OUT 2>/dev/null"},
      {"ppmtobmp 4", 12, 4, "ppmtobmp -bpp 4 IN > OUT 2>/dev/null"},
      {"ppmtobmp 8", 200, 8, "ppmtobmp -bpp 8 IN > OUT 2>/dev/null"},
      {"ppmtobmp 24", 256, 24, "ppmtobmp -bpp 24 IN > OUT 2>/dev/null"},
      {"BMP3 1", 2, 1, "convert-im6.q16 GIF -compress None BMP3:OUT"},
      {"BMP3 4", 12, 4, "convert-im6.q16 GIF -compress None BMP3:OUT"},
      {"BMP3 8", 200, 8, "convert-im6.q16 GIF -compress None BMP3:OUT"},
      {"BMP3 24", 256, 24, "convert-im6.q16 IN -type TrueColor BMP3:OUT"},
      {"BMP3 RLE8", 40, 8, "convert-im6.q16 GIF -compress RLE BMP3:OUT"},
      {"BMP 1 (124-byte header)", 2, 1, "convert-im6.q16 GIF -compress None BMP:OUT"},
      {"BMP 4 (124-byte header)", 12, 4, "convert-im6.q16 GIF -compress None BMP:OUT"},
      {"BMP 8 (124-byte header)", 200, 8, "convert-im6.q16 GIF -compress None BMP:OUT"},
      {"BMP 24 (124-byte header)", 256, 24, "convert-im6.q16 IN -type TrueColor BMP:OUT"},
      {"BMP RLE8 (124-byte header)", 40, 8, "convert-im6.q16 GIF -compress RLE BMP:OUT"},
  };
  for (const Case& c : cases) {
    for (int width : {1, 7, 8, 9, 13, 33}) {
      SCOPED_TRACE(std::string(c.name) + ", width " + std::to_string(width));
      const int height = 9;
      const int colours = std::min(c.colours, width * height);
      const Picture picture = MakePicture(width, height, colours, static_cast<uint32_t>(width + c.colours));
      const std::string in = dir_.File("in.ppm");
      const std::string out = dir_.File("out.bmp");
      WritePpm(in, picture);
      // Palette pictures reach ImageMagick as GIF files, which it writes with
      // their palette as it stands (no quantizing).
      const std::string gif = dir_.File("in.gif");
      ASSERT_EQ(RunCommand("pamtogif " + in + " > " + gif + " 2>/dev/null"), 0);
      std::string command = c.command;
      if (command.find("GIF") != std::string::npos) command.replace(command.find("GIF"), 3, gif);
      if (command.find("IN") != std::string::npos) command.replace(command.find("IN"), 2, in);
      command.replace(command.find("OUT"), 3, out);
      ASSERT_EQ(RunCommand(command), 0) << command;
      const Bytes file = testing_support::ReadFileBytes(out);
      if (colours == c.colours) {
        ASSERT_EQ(file[28], c.expected_bits);  // the depth this case is about
      }

      IpiObject* image = NewImage(c.expected_bits >= 16 ? &kColourImageClass : &kGenericImageClass);
      ASSERT_EQ(ReadFile(out, image), 0);
      EXPECT_EQ(image->fields.compression, kCompressionNone);
      const Picture read = ImageRgb(image);
      EXPECT_EQ(read.width, width);
      EXPECT_EQ(read.height, height);
      EXPECT_EQ(read.rgb, picture.rgb);
    }
  }
}

TEST_F(BmpCodecTest, RunLengthFilesWeWriteAreReadByOraclesWithoutFillerPixels) {
  for (int bits : {4, 8}) {
    for (int width : {1, 7, 8, 9, 13, 33}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
      const int height = 4;
      // Runs and noise: the codes mix runs, literals and single pixels.
      Bytes data = bmp_test::RandomBytes(static_cast<size_t>(width * height), static_cast<uint32_t>(width), 3);
      for (int i = 0; i < width * height; i += 5) data[i] = static_cast<uint8_t>(i % (bits == 4 ? 16 : 256));
      const DepthImage d{bits, &kGenericImageClass, 1, kDataTypeNonnegative, bits};
      IpiObject* image = bmp_test::MakeImage(sys_, d.cls, width, height, 1, d.data_type, bits, kRepositoryGlobalBlock,
                                             data);
      const std::string path = dir_.File("rle.bmp");
      const IpiAttribute rle[] = {{"compression", kCompressionBmpRunLength}};
      ASSERT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatBmp, rle, 1), 0);
      const Bytes file = testing_support::ReadFileBytes(path);
      EXPECT_EQ(bmp_test::ReadU32(file, 30), bits == 8 ? 1u : 2u);
      const uint32_t palette_bytes = 4u << bits;
      EXPECT_EQ(bmp_test::ReadU32(file, 34), file.size() - 54 - palette_bytes);
      EXPECT_EQ(bmp_test::ReadU32(file, 2), file.size());
      const Picture expected = ExpectedRgb(d, data, width, height);
      EXPECT_EQ(OracleRgb("convert-im6.q16 " + path + " -depth 8 ppm:-").rgb, expected.rgb);
      EXPECT_EQ(OracleRgb("bmptopnm " + path + " 2>/dev/null").rgb, expected.rgb);

      IpiObject* back = NewImage();
      ASSERT_EQ(IpiReadFile(sys_, path.c_str(), back, kFormatBmp, nullptr, 0), 0);
      EXPECT_EQ(back->fields.compression, kCompressionNone);
      EXPECT_EQ(bmp_test::ObjectData(sys_, back), data);
    }
  }
}

TEST_F(BmpCodecTest, ReadsRunLength4BuiltFromTheCodeTable) {
  // 6 x 3 pixels, bottom row first: a run, a literal with a delta, a run
  // clipped at the row end; the top row is ended by end of bitmap.
  BmpSpec s;
  s.width = 6;
  s.height = 3;
  s.bits = 4;
  s.compression = 2;
  for (int i = 0; i < 16; ++i) s.palette.insert(s.palette.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0});
  s.body = {6, 0x1F, 0, 0,                    // bottom: 1 F 1 F 1 F
            0, 3, 0x23, 0x40, 0, 2, 1, 0, 2, 0x55, 0, 0,  // 2 3 4 . 5 5
            9, 0x67, 0, 1};                   // top: 6 7 6 7 6 7
  const std::string path = dir_.File("rle4.bmp");
  testing_support::WriteFileBytes(path, bmp_test::BuildBmp(s));
  IpiObject* image = NewImage();
  ASSERT_EQ(ReadFile(path, image), 0);
  EXPECT_EQ(bmp_test::ObjectData(sys_, image),
            (Bytes{6, 7, 6, 7, 6, 7, 2, 3, 4, 0, 5, 5, 1, 15, 1, 15, 1, 15}));
  // The oracle agrees on the pixels (the skipped pixel is its own business).
  const Picture oracle = OracleRgb("convert-im6.q16 " + path + " -depth 8 ppm:-");
  EXPECT_EQ(Bytes(oracle.rgb.begin(), oracle.rgb.begin() + 3), (Bytes{18, 12, 6}));
}

TEST_F(BmpCodecTest, ReadsSixteenAndThirtyTwoBitsIntoBandsOrPackedRows) {
  // 3 x 2 pixels; 16 bits: pure red 0x7C00, green 0x03E0, blue 0x001F, and
  // the 5-bit steps 1 and 16.
  const std::vector<uint32_t> words = {0x7C00, 0x03E0, 0x001F, 0x0421, 0x4210, 0x7FFF};
  const Bytes expected16 = {255, 0, 0, 8, 132, 255,   0, 255, 0, 8, 132, 255,   0, 0, 255, 8, 132, 255};
  const std::vector<uint32_t> rgb32 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const Bytes expected32 = {1, 4, 7, 10, 13, 16, 2, 5, 8, 11, 14, 17, 3, 6, 9, 12, 15, 18};
  struct Case {
    int bits;
    std::vector<uint32_t> pixels;
    Bytes bands;
  };
  for (const Case& c : {Case{16, words, expected16}, Case{32, rgb32, expected32}}) {
    SCOPED_TRACE(c.bits);
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.bits = static_cast<uint16_t>(c.bits);
    s.body = bmp_test::StoreRows(c.pixels, 3, 2, c.bits);
    const std::string path = dir_.File("deep.bmp");
    testing_support::WriteFileBytes(path, bmp_test::BuildBmp(s));
    IpiObject* image = NewImage(&kColourImageClass);
    ASSERT_EQ(ReadFile(path, image), 0);
    EXPECT_EQ(image->fields.dimension[kDimB], 3);
    EXPECT_EQ(image->fields.colour_space, kColourSpaceRgb);
    EXPECT_EQ(bmp_test::ObjectData(sys_, image), c.bands);

    // Rows of a 24-bit packed bitmap in caller memory: stored order, B G R,
    // padding 0; the byte after the rows is never touched.
    Bytes rows(2 * 12 + 1, 0xEE);
    const IpiAttribute view[] = {{"xDimension", 12},
                                 {"yDimension", 2},
                                 {"pixelInterpretation", kPixelInterpretationPackedBitmap},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(rows.data())},
                                 {"size", 24}};
    IpiObject* packed = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, view, 6);
    ASSERT_NE(packed, nullptr);
    ASSERT_EQ(IpiReadImageFile(sys_, path.c_str(), packed, kFormatBmp, kReadModeData, nullptr, 0), 0);
    Bytes expected_rows;
    for (int stored = 0; stored < 2; ++stored) {
      const int y = 1 - stored;
      for (int x = 0; x < 3; ++x) {
        for (int c3 = 2; c3 >= 0; --c3) expected_rows.push_back(c.bands[c3 * 6 + y * 3 + x]);
      }
      expected_rows.insert(expected_rows.end(), 3, 0);
    }
    expected_rows.push_back(0xEE);
    EXPECT_EQ(rows, expected_rows);
    // Rows too short for 3 x 3 bytes are refused before anything is written.
    ASSERT_EQ(IpiSetAttribute(sys_, packed, "xDimension", 8), 0);
    Bytes before = rows;
    EXPECT_EQ(IpiReadImageFile(sys_, path.c_str(), packed, kFormatBmp, kReadModeData, nullptr, 0),
              kIpiNonPermissibleOption);
    EXPECT_EQ(rows, before);
  }
}

TEST_F(BmpCodecTest, PaletteTablesAndHeaderFields) {
  // biClrUsed 2 at 8 bits: 256 table entries, 254 of them 0.
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.bits = 8;
  s.colours_used = 2;
  s.x_ppm = 2835;
  s.y_ppm = 1000;
  s.palette = {10, 20, 30, 0, 40, 50, 60, 0};
  s.body = {1, 0, 0, 0};
  const std::string path = dir_.File("p.bmp");
  testing_support::WriteFileBytes(path, bmp_test::BuildBmp(s));
  IpiObject* image = NewImage();
  ASSERT_EQ(ReadFile(path, image), 0);
  IpiObject* table = IpiObjectFromId(sys_, image->fields.lut);
  EXPECT_EQ(table->fields.dimension[kDimX], 256);
  EXPECT_EQ(table->fields.dimension[kDimB], 3);
  Bytes runs = bmp_test::ObjectData(sys_, table);
  EXPECT_EQ((Bytes{runs[0], runs[1], runs[256], runs[257], runs[512], runs[513]}), (Bytes{30, 60, 20, 50, 10, 40}));
  EXPECT_EQ(std::count(runs.begin(), runs.end(), 0), 3 * 254);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "resolutionUnit"), kResolutionUnitPixelsPerMetre);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "xResolution"), 2835);
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "yResolution"), 1000);

  // Written back with its table and its resolution.
  ASSERT_EQ(IpiWriteImageFile(sys_, image, path.c_str(), kFormatBmp, nullptr, 0), 0);
  Bytes file = testing_support::ReadFileBytes(path);
  EXPECT_EQ(bmp_test::ReadU32(file, 38), 2835u);
  EXPECT_EQ(bmp_test::ReadU32(file, 42), 1000u);
  EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62), (Bytes{10, 20, 30, 0, 40, 50, 60, 0}));
  EXPECT_EQ(bmp_test::ReadU32(file, 58 + 4), 0u);
  // Without the unit, no resolution is written.
  const IpiAttribute no_unit[] = {{"resolutionUnit", 0}};
  ASSERT_EQ(IpiWriteImageFile(sys_, image, path.c_str(), kFormatBmp, no_unit, 1), 0);
  file = testing_support::ReadFileBytes(path);
  EXPECT_EQ(bmp_test::ReadU32(file, 38), 0u);

  // Standard tables of images without a lookup table.
  for (const DepthImage& d : {kWrittenDepths[0], kWrittenDepths[1], kWrittenDepths[2]}) {
    SCOPED_TRACE(d.bits);
    IpiObject* plain = bmp_test::MakeImage(sys_, d.cls, 1, 1, 1, d.data_type, d.precision, kRepositoryGlobalBlock,
                                           Bytes(1, 0));
    ASSERT_EQ(IpiWriteImageFile(sys_, plain, path.c_str(), kFormatBmp, nullptr, 0), 0);
    file = testing_support::ReadFileBytes(path);
    const uint32_t entries = 1u << d.bits;
    EXPECT_EQ(bmp_test::ReadU32(file, 46), entries);
    EXPECT_EQ(file.size(), 54 + 4 * entries + 4);  // a width of 1 stores 4-byte rows
    const uint32_t last = entries - 1;
    EXPECT_EQ(bmp_test::ReadU32(file, 54 + 4 * last), 0x00FFFFFFu);
    if (d.bits == 4) {
      EXPECT_EQ(bmp_test::ReadU32(file, 54 + 4), 0x00111111u);
    }
    if (d.bits == 8) {
      EXPECT_EQ(bmp_test::ReadU32(file, 54 + 4 * 0x80), 0x00808080u);
    }
  }
}

TEST_F(BmpCodecTest, WriterRefusesFormsItCannotStore) {
  IpiObject* deep = bmp_test::MakeImage(sys_, &kColourImageClass, 2, 2, 3, kDataTypeNonnegative, 16,
                                        kRepositoryGlobalBlock, {});
  const std::string path = dir_.File("x.bmp");
  EXPECT_EQ(IpiWriteImageFile(sys_, deep, path.c_str(), kFormatBmp, nullptr, 0), kIpiNonPermissibleOption);
  IpiObject* grey2 = bmp_test::MakeImage(sys_, &kGenericImageClass, 2, 2, 1, kDataTypeNonnegative, 2,
                                         kRepositoryGlobalBlock, {});
  EXPECT_EQ(IpiWriteImageFile(sys_, grey2, path.c_str(), kFormatBmp, nullptr, 0), kIpiNonPermissibleOption);
  const IpiAttribute rle1[] = {{"compression", kCompressionBmpRunLength}, {"dataPrecision", 1}};
  IpiObject* bits = bmp_test::MakeImage(sys_, &kGenericImageClass, 2, 2, 1, kDataTypeBoolean, 1,
                                        kRepositoryGlobalBlock, {});
  EXPECT_NE(IpiWriteFile(sys_, bits, path.c_str(), kFormatBmp, rle1, 2), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(BmpCodecTest, DamagedAndCutFilesAreRefusedAndNeverReadAsWhole) {
  // A good file of each depth and of each run-length scheme.
  std::vector<std::pair<std::string, Bytes>> files;
  for (const DepthImage& d : kWrittenDepths) {
    const Bytes data = DepthData(d, 13, 4, 5);
    IpiObject* image = bmp_test::MakeImage(sys_, d.cls, 13, 4, d.bands, d.data_type, d.precision,
                                           kRepositoryGlobalBlock, data);
    const std::string path = dir_.File("good.bmp");
    ASSERT_EQ(IpiWriteImageFile(sys_, image, path.c_str(), kFormatBmp, nullptr, 0), 0);
    files.emplace_back(std::to_string(d.bits) + " bits", testing_support::ReadFileBytes(path));
    if (d.bits == 4 || d.bits == 8) {
      const IpiAttribute rle[] = {{"compression", kCompressionBmpRunLength}};
      ASSERT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatBmp, rle, 1), 0);
      files.emplace_back(std::to_string(d.bits) + " bits coded", testing_support::ReadFileBytes(path));
    }
  }
  for (const auto& [name, good] : files) {
    SCOPED_TRACE(name);
    BmpHeader h;
    ASSERT_EQ(ParseBmpHeader(good, BmpContainer::kFile, &h), 0);
    // Everything up to the last pixel of the top row is needed; coded data
    // that ends early ends the bitmap, so one whole code is enough.
    const size_t needed = h.is_run_length ? h.pixel_offset + 2
                                          : h.pixel_offset + (h.height_px - 1) * h.row_bytes + h.payload_row_bytes;
    for (size_t length = 0; length < good.size(); ++length) {
      const Bytes cut(good.begin(), good.begin() + length);
      IpiObject* image = NewImage(h.bits_per_pixel >= 16 ? &kColourImageClass : &kGenericImageClass);
      const int status = length == 0 ? kIpiSyntaxError
                                     : IpiImportImage(sys_, cut.data(), image, kFormatBmp,
                                                      static_cast<int64_t>(cut.size()), nullptr, 0);
      if (length < needed) {
        EXPECT_NE(status, 0) << "length " << length;
      } else {
        EXPECT_EQ(status, 0) << "length " << length;
      }
    }
  }
}

TEST_F(BmpCodecTest, RefusesEveryFileOfTheConvertedPngSuite) {
  // Every file there has a 124-byte header with bit fields, which are not read.
  const std::string corpus = testing_support::CorpusDir();
  ASSERT_FALSE(corpus.empty());
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus + "/pngsuite/bmp")) {
    if (entry.path().extension() != ".bmp") continue;
    SCOPED_TRACE(entry.path().filename().string());
    IpiObject* image = NewImage(&kColourImageClass);
    EXPECT_EQ(ReadFile(entry.path().string(), image), kIpiSyntaxError);
    ++count;
  }
  EXPECT_GE(count, 150);
}

TEST(BmpRows, FastBitPathsMatchTheirElementTwins) {
  IpiAccessor msb;
  IpiAccessor lsb;
  for (int k = 0; k < 8; ++k) {
    msb.bit_masks[k] = static_cast<uint8_t>(0x80 >> k);
    lsb.bit_masks[k] = static_cast<uint8_t>(1 << k);
    msb.clear_masks[k] = static_cast<uint8_t>(~msb.bit_masks[k]);
    lsb.clear_masks[k] = static_cast<uint8_t>(~lsb.bit_masks[k]);
  }
  msb.bit_order = kOrderMsbFirst;
  lsb.bit_order = kOrderLsbFirst;
  const Bytes stored = bmp_test::RandomBytes(8, 3);
  for (const IpiAccessor* a : {&msb, &lsb}) {
    for (int64_t offset : {0, 3}) {
      for (int64_t count : {1, 7, 8, 9, 33, 64 - 3}) {
        SCOPED_TRACE(std::to_string(offset) + "/" + std::to_string(count));
        Bytes fast = bmp_test::RandomBytes(9, 4);
        Bytes slow = fast;
        StoredBitsToRow(stored.data(), count, *a, fast.data(), offset);
        StoredBitsToRowByBit(stored.data(), count, *a, slow.data(), offset);
        EXPECT_EQ(fast, slow);
        Bytes out_fast(8, 0xEE);
        Bytes out_slow(8, 0xEE);
        RowToStoredBits(fast.data(), offset, count, *a, out_fast.data());
        RowToStoredBitsByBit(fast.data(), offset, count, *a, out_slow.data());
        EXPECT_EQ(out_fast, out_slow);
      }
    }
  }
}

}  // namespace

namespace {

TEST_F(BmpCodecTest, ByteBoundaryWidensOneBitRowsAndWritesTheTrueWidth) {
  const IpiAttribute on[] = {{"byteBoundary", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, on, 1), 0);
  BmpSpec s;
  s.width = 13;
  s.height = 2;
  s.bits = 1;
  s.palette = {0, 0, 0, 0, 255, 255, 255, 0};
  // Stored rows carry bits past the width, which the widened rows take in.
  s.body = {0xFF, 0xF8, 0x00, 0x00, 0xA5, 0x5F, 0x00, 0x00};
  const std::string path = dir_.File("b.bmp");
  testing_support::WriteFileBytes(path, bmp_test::BuildBmp(s));
  IpiObject* image = NewImage();
  ASSERT_EQ(ReadFile(path, image), 0);
  EXPECT_EQ(image->fields.dimension[kDimX], 16);
  EXPECT_EQ(image->fields.width_byte_boundary, 13);
  EXPECT_EQ(bmp_test::ObjectData(sys_, image), (Bytes{0xA5, 0x5F, 0xFF, 0xF8}));
  ASSERT_EQ(IpiWriteImageFile(sys_, image, path.c_str(), kFormatBmp, nullptr, 0), 0);
  const Bytes file = testing_support::ReadFileBytes(path);
  EXPECT_EQ(bmp_test::ReadU32(file, 18), 13u);
  EXPECT_EQ(Bytes(file.begin() + 62, file.end()), (Bytes{0xFF, 0xF8, 0, 0, 0xA5, 0x58, 0, 0}));
}

}  // namespace

namespace {

TEST(BmpRows, OnePassSplitAndMergeMatchTheirScalarLoops) {
  for (int pixel_bytes : {3, 4}) {
    for (int64_t count : {1, 15, 16, 17, 33, 100}) {
      SCOPED_TRACE(std::to_string(pixel_bytes) + "/" + std::to_string(count));
      const Bytes stored = bmp_test::RandomBytes(static_cast<size_t>(count * pixel_bytes), 11);
      Bytes fast(3 * count), slow(3 * count);
      SplitPixels(stored.data(), count, pixel_bytes, fast.data(), fast.data() + count, fast.data() + 2 * count);
      SplitPixelsScalar(stored.data(), count, pixel_bytes, slow.data(), slow.data() + count, slow.data() + 2 * count);
      EXPECT_EQ(fast, slow);
      // Red is the third byte of a stored pixel.
      EXPECT_EQ(fast[0], stored[2]);
      Bytes merged_fast(stored.size(), 0xEE), merged_slow(stored.size(), 0xEE);
      MergePixels(fast.data(), fast.data() + count, fast.data() + 2 * count, count, pixel_bytes, merged_fast.data());
      MergePixelsScalar(fast.data(), fast.data() + count, fast.data() + 2 * count, count, pixel_bytes,
                        merged_slow.data());
      EXPECT_EQ(merged_fast, merged_slow);
      for (int64_t i = 0; i < count; ++i) {
        EXPECT_EQ(Bytes(merged_fast.begin() + i * pixel_bytes, merged_fast.begin() + i * pixel_bytes + 3),
                  Bytes(stored.begin() + i * pixel_bytes, stored.begin() + i * pixel_bytes + 3));
      }
    }
  }
}

TEST(BmpRows, RedAndBlueSwapMatchesItsScalarLoop) {
  for (int64_t count : {1, 15, 16, 17, 33, 100}) {
    SCOPED_TRACE(count);
    const Bytes rgb = bmp_test::RandomBytes(static_cast<size_t>(3 * count), 13);
    Bytes fast(rgb.size(), 0xEE), slow(rgb.size(), 0xEE), back(rgb.size(), 0xEE);
    SwapRedAndBlue(rgb.data(), count, fast.data());
    SwapRedAndBlueScalar(rgb.data(), count, slow.data());
    EXPECT_EQ(fast, slow);
    EXPECT_EQ((Bytes{fast[0], fast[1], fast[2]}), (Bytes{rgb[2], rgb[1], rgb[0]}));
    SwapRedAndBlue(fast.data(), count, back.data());
    EXPECT_EQ(back, rgb);
  }
}

}  // namespace

namespace {

TEST_F(BmpCodecTest, AFailedWriteKeepsTheEarlierFile) {
  const std::string path = dir_.File("keep.bmp");
  IpiObject* small = bmp_test::MakeImage(sys_, &kGenericImageClass, 3, 3, 1, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, Bytes(9, 7));
  ASSERT_EQ(IpiWriteImageFile(sys_, small, path.c_str(), kFormatBmp, nullptr, 0), 0);
  const Bytes before = testing_support::ReadFileBytes(path);
  // Large enough for several blocks; the second block's write fails.
  IpiObject* large = bmp_test::MakeImage(sys_, &kColourImageClass, 700, 300, 3, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, bmp_test::RandomBytes(700 * 300 * 3, 1));
  plat::testing::FailNthWrite(2);
  EXPECT_EQ(IpiWriteImageFile(sys_, large, path.c_str(), kFormatBmp, nullptr, 0), kIpiSystemFailure);
  plat::testing::ResetFaults();
  EXPECT_EQ(testing_support::ReadFileBytes(path), before);
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"keep.bmp"});
}

}  // namespace
