// Writing packed bitmaps to files through the entry point, checked by
// programs that are not ours: libtiff's tools, netpbm, djpeg, pngcheck and
// ImageMagick decode what we wrote; failed writes keep an earlier file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Pelrith.h"
#include "plat/fault_injection.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibImage;
using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ParsePnm;
using api_testing::ReadDib;
using api_testing::Rgb;
using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;

const std::vector<Rgb> kBlackWhite = {{0, 0, 0}, {255, 255, 255}};
const std::vector<Rgb> kWhiteBlack = {{255, 255, 255}, {0, 0, 0}};
// Near black and white: fax pages must still come out the right way round.
const std::vector<Rgb> kNearBlackWhite = {{10, 10, 10}, {254, 254, 254}};

std::vector<Rgb> ColourPalette(int32_t entries) {
  std::vector<Rgb> palette;
  for (int32_t i = 0; i < entries; ++i) {
    palette.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 5)});
  }
  return palette;
}

enum class Kind { kBilevel, kGrey4, kColour4, kGrey8, kColour8, kRgb24, kSmoothRgb24 };

HGLOBAL MakeImage(Kind kind, int32_t width, int32_t height, const std::vector<Rgb>& bilevel = kBlackWhite) {
  auto pattern = [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 7 + y * 13 + x * y); };
  switch (kind) {
    case Kind::kBilevel:
      return MakeDib({1, width, height, bilevel}, [&](int32_t x, int32_t y) { return pattern(x, y) % 3 == 0; });
    case Kind::kGrey4:
      return MakeDib({4, width, height, {}}, [&](int32_t x, int32_t y) { return pattern(x, y) % 16; });
    case Kind::kColour4:
      return MakeDib({4, width, height, ColourPalette(16)}, [&](int32_t x, int32_t y) { return pattern(x, y) % 16; });
    case Kind::kGrey8:
      return MakeDib({8, width, height, {}}, [&](int32_t x, int32_t y) { return pattern(x, y) % 256; });
    case Kind::kColour8:
      return MakeDib({8, width, height, ColourPalette(200)}, [&](int32_t x, int32_t y) { return pattern(x, y) % 200; });
    case Kind::kRgb24:
      return MakeDib({24, width, height, {}},
                     [&](int32_t x, int32_t y) { return pattern(x, y) * 0x010305u & 0xFFFFFF; });
    case Kind::kSmoothRgb24:
      // Lossy coding is compared with a tolerance: smooth colours.
      return MakeDib({24, width, height, {}}, [&](int32_t x, int32_t y) {
        return static_cast<uint32_t>((x * 4) << 16 | (y * 6) << 8 | (120 + x + y));
      });
  }
  return 0;
}

int32_t Write(const std::vector<HGLOBAL>& images, const std::string& path, int32_t format,
              const std::vector<IpiAttributePair>& options) {
  int32_t status = 12345;
  const int32_t result = CmiGenerateAndWrite(images.data(), static_cast<int32_t>(images.size()), path.c_str(), format,
                                             options.data(), static_cast<int32_t>(options.size()), &status);
  EXPECT_EQ(result, status);
  return status;
}

std::string Tool(const std::string& command) {
  std::string out;
  EXPECT_EQ(RunCommand(command, &out), 0) << command;
  return out;
}

// Pixels a decoder printed as PNM, against the bitmap's colours.
void ExpectPixels(const DibImage& expected, const std::string& pnm, int tolerance = 0) {
  const api_testing::PnmImage got = ParsePnm(pnm);
  ASSERT_EQ(got.width, expected.width);
  ASSERT_EQ(got.height, expected.height);
  int worst = 0;
  for (int32_t y = 0; y < expected.height; ++y) {
    for (int32_t x = 0; x < expected.width; ++x) {
      const Rgb want = expected.Colour(x, y);
      const Rgb have = got.pixels[static_cast<size_t>(y) * got.width + x];
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int{want[c]} - int{have[c]}));
      if (tolerance == 0 && want != have) {
        ADD_FAILURE() << "pixel " << x << "," << y;
        return;
      }
    }
  }
  EXPECT_LE(worst, tolerance);
}

// Every decoder's output at 8 bits a sample, as ParsePnm reads it.
std::string Decode(int32_t format, const std::string& path) {
  const std::string to8 = " | pamdepth 255 2>/dev/null";
  switch (format) {
    case kCmiFormatTiff: return Tool("tifftopnm -quiet '" + path + "' 2>/dev/null" + to8);
    case kCmiFormatBmp: return Tool("bmptopnm -quiet '" + path + "' 2>/dev/null" + to8);
    case kCmiFormatPcx: return Tool("pcxtoppm -quiet '" + path + "' 2>/dev/null" + to8);
    case kCmiFormatPng:
      Tool("pngcheck -q '" + path + "'");
      return Tool("pngtopam '" + path + "' 2>/dev/null | pamtopnm" + to8);
    case kCmiFormatJpeg: return Tool("djpeg -pnm '" + path + "'");
    default: return {};
  }
}

struct RoundTrip {
  const char* name;
  int32_t format;
  Kind kind;
  std::vector<IpiAttributePair> options;
  std::vector<Rgb> bilevel = kBlackWhite;
  const char* tiff_compression = nullptr;   // as tiffinfo names it
  const char* tiff_photometric = nullptr;
  int tolerance = 0;
};

TEST(CmiGenerateAndWrite, EveryFormatAndCompressionReadsBackInOtherPrograms) {
  const RoundTrip cases[] = {
      {"bmp 1 bit", kCmiFormatBmp, Kind::kBilevel, {}},
      {"bmp 4 bit", kCmiFormatBmp, Kind::kColour4, {}},
      {"bmp 8 bit", kCmiFormatBmp, Kind::kColour8, {}},
      {"bmp 24 bit", kCmiFormatBmp, Kind::kRgb24, {}},
      {"bmp rle 8", kCmiFormatBmp, Kind::kColour8, {{"compression", 31}}},
      {"bmp rle 4", kCmiFormatBmp, Kind::kColour4, {{"compression", 31}}},
      // Bitmaps keep their two colours as a colour map.
      {"tiff none 1 bit", kCmiFormatTiff, Kind::kBilevel, {}, kBlackWhite, "None", "palette"},
      {"tiff none 1 bit white first", kCmiFormatTiff, Kind::kBilevel, {}, kWhiteBlack, "None", "palette"},
      {"tiff packbits 1 bit", kCmiFormatTiff, Kind::kBilevel, {{"compression", 30}}, kBlackWhite, "PackBits",
       "palette"},
      {"tiff none 1 bit colour", kCmiFormatTiff, Kind::kBilevel, {}, {{200, 30, 40}, {10, 90, 250}}, "None",
       "palette"},
      {"tiff none grey 8", kCmiFormatTiff, Kind::kGrey8, {}, kBlackWhite, "None", "min-is-black"},
      {"tiff none grey 4", kCmiFormatTiff, Kind::kGrey4, {}, kBlackWhite, "None", "min-is-black"},
      {"tiff packbits palette 8", kCmiFormatTiff, Kind::kColour8, {{"compression", 30}}, kBlackWhite, "PackBits",
       "palette"},
      {"tiff none palette 4", kCmiFormatTiff, Kind::kColour4, {}, kBlackWhite, "None", "palette"},
      {"tiff none rgb", kCmiFormatTiff, Kind::kRgb24, {}, kBlackWhite, "None", "RGB"},
      {"tiff packbits rgb", kCmiFormatTiff, Kind::kRgb24, {{"compression", 30}}, kBlackWhite, "PackBits", "RGB"},
      {"pcx 1 bit", kCmiFormatPcx, Kind::kBilevel, {}},
      {"pcx 4 bit", kCmiFormatPcx, Kind::kColour4, {}},
      {"pcx 8 bit", kCmiFormatPcx, Kind::kColour8, {}},
      {"pcx 24 bit", kCmiFormatPcx, Kind::kRgb24, {}},
      {"png 1 bit", kCmiFormatPng, Kind::kBilevel, {}},
      {"png 4 bit", kCmiFormatPng, Kind::kColour4, {}},
      {"png 8 bit interlaced", kCmiFormatPng, Kind::kColour8, {{"interlaced", 5}}},
      {"png 24 bit", kCmiFormatPng, Kind::kRgb24, {}},
      {"png 24 bit interlaced", kCmiFormatPng, Kind::kRgb24, {{"interlaced", 1}}},
      {"jpeg rgb best", kCmiFormatJpeg, Kind::kSmoothRgb24, {{"quarityFactor", 10}, {"samplingFactor", 37}},
       kBlackWhite, nullptr, nullptr, 12},
      {"jpeg rgb progressive", kCmiFormatJpeg, Kind::kSmoothRgb24, {{"progressive", 1}, {"quarityFactor", 9}},
       kBlackWhite, nullptr, nullptr, 16},
      {"jpeg grey palette", kCmiFormatJpeg, Kind::kGrey8, {{"quarityFactor", 10}}, kBlackWhite, nullptr, nullptr, 40},
  };
  ScopedTempDir dir;
  for (const RoundTrip& c : cases) {
    for (int32_t width : {1, 13, 33}) {
      SCOPED_TRACE(testing::Message() << c.name << ", width " << width);
      ScopedHandle image(MakeImage(c.kind, width, 7, c.bilevel));
      const std::string path = dir.File("out");
      ASSERT_EQ(Write({image.get()}, path, c.format, c.options), 0);
      ExpectPixels(ReadDib(image.get()), Decode(c.format, path), c.tolerance);
      if (c.tiff_compression != nullptr) {
        const std::string info = Tool("tiffinfo '" + path + "' 2>/dev/null");
        EXPECT_NE(info.find(std::string("Compression Scheme: ") + c.tiff_compression), std::string::npos) << info;
        EXPECT_NE(info.find(std::string("Photometric Interpretation: ") + c.tiff_photometric), std::string::npos)
            << info;
      }
    }
  }
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out"});
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST(CmiGenerateAndWrite, FaxPagesComeOutTheRightWayRoundWhateverThePaletteOrder) {
  struct Fax {
    int32_t compression;
    const char* scheme;
    std::vector<IpiAttributePair> extra;
  };
  const Fax codings[] = {{26, "CCITT RLE", {}},
                         {27, "CCITT Group 3", {}},
                         {28, "CCITT Group 3", {{"k", 2}}},
                         {29, "CCITT Group 4", {}}};
  ScopedTempDir dir;
  for (const Fax& fax : codings) {
    for (const auto* palette : {&kBlackWhite, &kWhiteBlack, &kNearBlackWhite}) {
      for (int32_t width : {1, 13, 40}) {
        SCOPED_TRACE(testing::Message() << fax.compression << ", palette entry 0 " << int{(*palette)[0][0]}
                                        << ", width " << width);
        ScopedHandle image(MakeImage(Kind::kBilevel, width, 9, *palette));
        std::vector<IpiAttributePair> options = fax.extra;
        options.push_back({"compression", fax.compression});
        const std::string path = dir.File("fax.tif");
        ASSERT_EQ(Write({image.get()}, path, kCmiFormatTiff, options), 0);
        const std::string info = Tool("tiffinfo '" + path + "' 2>/dev/null");
        EXPECT_NE(info.find(std::string("Compression Scheme: ") + fax.scheme), std::string::npos) << info;
        EXPECT_NE(info.find("min-is-white"), std::string::npos) << info;
        // The decoded page is black where the bitmap shows its darker colour.
        const DibImage source = ReadDib(image.get());
        const api_testing::PnmImage got = ParsePnm(Decode(kCmiFormatTiff, path));
        ASSERT_EQ(got.width, width);
        for (int32_t y = 0; y < source.height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            const bool dark = source.Colour(x, y)[0] < 128;
            ASSERT_EQ(got.pixels[static_cast<size_t>(y) * width + x][0] == 0, dark) << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(CmiGenerateAndWrite, SeveralBitmapsBecomeTiffPagesAndOtherFormatsTakeTheFirst) {
  ScopedTempDir dir;
  ScopedHandle page1(MakeImage(Kind::kBilevel, 20, 10));
  ScopedHandle page2(MakeImage(Kind::kRgb24, 9, 4));
  ScopedHandle page3(MakeImage(Kind::kColour8, 5, 6));
  const std::vector<HGLOBAL> pages = {page1.get(), page2.get(), page3.get()};
  const std::string tiff = dir.File("pages.tif");
  ASSERT_EQ(Write(pages, tiff, kCmiFormatTiff, {{"newSubfileType", 36}, {"compression", 30}}), 0);
  const std::string info = Tool("tiffinfo '" + tiff + "' 2>/dev/null");
  size_t directories = 0;
  for (size_t at = info.find("TIFF Directory"); at != std::string::npos; at = info.find("TIFF Directory", at + 1)) {
    ++directories;
  }
  EXPECT_EQ(directories, 3u);
  EXPECT_NE(info.find("multi-page document"), std::string::npos) << info;
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectPixels(ReadDib(pages[i]), Tool("convert-im6.q16 '" + tiff + "[" + std::to_string(i) + "]' -depth 8 ppm:-"));
  }
  const std::string png = dir.File("first.png");
  ASSERT_EQ(Write(pages, png, kCmiFormatPng, {}), 0);
  ExpectPixels(ReadDib(page1.get()), Decode(kCmiFormatPng, png));
  const std::string bmp = dir.File("first.bmp");
  ASSERT_EQ(Write({page2.get(), page1.get()}, bmp, kCmiFormatBmp, {}), 0);
  ExpectPixels(ReadDib(page2.get()), Decode(kCmiFormatBmp, bmp));
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

TEST(CmiGenerateAndWrite, ResolutionsReachTheFile) {
  ScopedTempDir dir;
  ScopedHandle image(MakeImage(Kind::kColour8, 10, 4));
  const std::vector<IpiAttributePair> dpi = {{"xResolution", 300}, {"yResolution", 150}};

  const std::string tiff = dir.File("r.tif");
  ASSERT_EQ(Write({image.get()}, tiff, kCmiFormatTiff, dpi), 0);
  const std::string info = Tool("tiffinfo '" + tiff + "' 2>/dev/null");
  EXPECT_NE(info.find("Resolution: 300, 150 pixels/inch"), std::string::npos) << info;

  // BMP in pixels per metre, on both roads (plain and run-length).
  for (int32_t compression : {0, 31}) {
    SCOPED_TRACE(compression);
    std::vector<IpiAttributePair> options = dpi;
    options.push_back({"compression", compression});
    const std::string bmp = dir.File("r.bmp");
    ASSERT_EQ(Write({image.get()}, bmp, kCmiFormatBmp, options), 0);
    const std::vector<uint8_t> bytes = ReadFileBytes(bmp);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(U32At(bytes, 38), 11811u);  // trunc(300 x 39.37...)
    EXPECT_EQ(U32At(bytes, 42), 5905u);
    ExpectPixels(ReadDib(image.get()), Decode(kCmiFormatBmp, bmp));
  }
  // Without resolutions the plain road writes 0 whatever the bitmap held.
  const std::string bmp = dir.File("zero.bmp");
  ASSERT_EQ(Write({image.get()}, bmp, kCmiFormatBmp, {}), 0);
  EXPECT_EQ(U32At(ReadFileBytes(bmp), 38), 0u);

  const std::string pcx = dir.File("r.pcx");
  ASSERT_EQ(Write({image.get()}, pcx, kCmiFormatPcx, dpi), 0);
  const std::vector<uint8_t> header = ReadFileBytes(pcx);
  ASSERT_GE(header.size(), 128u);
  EXPECT_EQ(header[12] | header[13] << 8, 300);
  EXPECT_EQ(header[14] | header[15] << 8, 150);
}

TEST(CmiGenerateAndWrite, ResolutionsAbove65535AreWrittenAsEachHeaderCan) {
  ScopedTempDir dir;
  ScopedHandle image(MakeImage(Kind::kColour8, 10, 4));
  const std::vector<IpiAttributePair> dpi = {{"xResolution", 70000}, {"yResolution", 100000000}};
  // TIFF keeps the value as it is.
  const std::string tiff = dir.File("r.tif");
  ASSERT_EQ(Write({image.get()}, tiff, kCmiFormatTiff, dpi), 0);
  const std::string info = Tool("tiffinfo '" + tiff + "' 2>/dev/null");
  EXPECT_NE(info.find("Resolution: 70000, 1e+08 pixels/inch"), std::string::npos) << info;  // printed with %g
  // A bitmap header holds pixels per metre up to its 32-bit field's largest value.
  for (int32_t compression : {0, 31}) {
    std::vector<IpiAttributePair> options = dpi;
    options.push_back({"compression", compression});
    const std::string bmp = dir.File("r.bmp");
    ASSERT_EQ(Write({image.get()}, bmp, kCmiFormatBmp, options), 0);
    const std::vector<uint8_t> bytes = ReadFileBytes(bmp);
    EXPECT_EQ(U32At(bytes, 38), 2755905u);  // trunc(70000 x 39.37...)
    EXPECT_EQ(U32At(bytes, 42), 2147483647u);
  }
  // A PCX header's 16-bit fields take their largest value.
  const std::string pcx = dir.File("r.pcx");
  ASSERT_EQ(Write({image.get()}, pcx, kCmiFormatPcx, dpi), 0);
  const std::vector<uint8_t> header = ReadFileBytes(pcx);
  EXPECT_EQ(header[12] | header[13] << 8, 65535);
  EXPECT_EQ(header[14] | header[15] << 8, 65535);
  ExpectPixels(ReadDib(image.get()), Decode(kCmiFormatPcx, pcx));
}

TEST(CmiGenerateAndWrite, ColourPalettesStayColourInJpeg) {
  ScopedTempDir dir;
  // Flat areas of one palette colour, so the coding loss stays small.
  ScopedHandle image(MakeDib({8, 32, 16, ColourPalette(16)}, [](int32_t x, int32_t y) {
    return static_cast<uint32_t>((x / 16) + 2 * (y / 8) + 3);
  }));
  const std::string colour = dir.File("c.jpg");
  ASSERT_EQ(Write({image.get()}, colour, kCmiFormatJpeg, {{"quarityFactor", 10}}), 0);
  const std::string pnm = Decode(kCmiFormatJpeg, colour);
  ASSERT_EQ(pnm.substr(0, 2), "P6");  // three components, not grey
  ExpectPixels(ReadDib(image.get()), pnm, 24);
  // A grey palette gives a one-component file.
  ScopedHandle grey(MakeImage(Kind::kGrey8, 16, 16));
  const std::string path = dir.File("g.jpg");
  ASSERT_EQ(Write({grey.get()}, path, kCmiFormatJpeg, {}), 0);
  EXPECT_EQ(Decode(kCmiFormatJpeg, path).substr(0, 2), "P5");
}

TEST(CmiGenerateAndWrite, QualityStepsChangeTheFile) {
  // quarityFactor 1 codes coarser than 10; 0 and 11 are ignored (87).
  ScopedTempDir dir;
  ScopedHandle image(MakeImage(Kind::kRgb24, 64, 64));
  auto size_for = [&](std::vector<IpiAttributePair> options) {
    const std::string path = dir.File("q.jpg");
    EXPECT_EQ(Write({image.get()}, path, kCmiFormatJpeg, options), 0);
    return ReadFileBytes(path).size();
  };
  const size_t coarse = size_for({{"quarityFactor", 1}});
  const size_t fine = size_for({{"quarityFactor", 10}});
  const size_t fallback = size_for({});
  EXPECT_LT(coarse, fallback);
  EXPECT_LT(fallback, fine);
  EXPECT_EQ(size_for({{"quarityFactor", 11}}), fallback);
  EXPECT_EQ(size_for({{"quarityFactor", 1}, {"quarityFactor", 0}}), coarse);
}

// JPEG files are byte for byte what cjpeg writes from the same pixels with
// the same settings: colour bitmaps, palette bitmaps expanded to colour, and
// grey ones, at every row padding, and pages whose coded bytes fill the
// writer's output buffer several times over.
TEST(CmiGenerateAndWrite, JpegFilesAreTheBytesCjpegWrites) {
  struct Case {
    Kind kind;
    std::vector<IpiAttributePair> options;
    const char* cjpeg;
  };
  const Case cases[] = {
      {Kind::kRgb24, {}, "-quality 87 -sample 2x2"},
      {Kind::kRgb24, {{"quarityFactor", 1}, {"samplingFactor", 37}}, "-quality 34 -sample 1x1"},
      {Kind::kRgb24, {{"samplingFactor", 38}, {"progressive", 1}}, "-quality 87 -sample 2x1 -progressive"},
      {Kind::kColour8, {{"quarityFactor", 10}}, "-quality 94 -sample 2x2"},
      // The grey component carries the luminance sampling factors.
      {Kind::kGrey8, {}, "-quality 87 -grayscale -sample 2x2"},
  };
  ScopedTempDir dir;
  for (const Case& c : cases) {
    for (const auto [width, height] : {std::pair{1, 11}, {13, 11}, {33, 11}, {641, 451}}) {
      SCOPED_TRACE(testing::Message() << c.cjpeg << ", kind " << static_cast<int>(c.kind) << ", " << width << " x "
                                      << height);
      ScopedHandle image(MakeImage(c.kind, width, height));
      const std::string ours = dir.File("ours.jpg");
      ASSERT_EQ(Write({image.get()}, ours, kCmiFormatJpeg, c.options), 0);
      testing_support::WriteFileBytes(dir.File("in.ppm"), [&] {
        const std::string ppm = api_testing::ToPpm(ReadDib(image.get()));
        return std::vector<uint8_t>(ppm.begin(), ppm.end());
      }());
      const std::string peer = dir.File("peer.jpg");
      Tool(std::string("cjpeg ") + c.cjpeg + " -outfile '" + peer + "' '" + dir.File("in.ppm") + "'");
      const std::vector<uint8_t> ours_bytes = ReadFileBytes(ours);
      EXPECT_EQ(ours_bytes, ReadFileBytes(peer));
      if (width > 100) EXPECT_GT(ours_bytes.size(), size_t{2} << 16) << "not past two output buffers";
    }
  }
}

// A fax page whose palette puts black first is the same file as the page of
// the complementary bits with white first: both are coded white-is-zero.
TEST(CmiGenerateAndWrite, FaxPagesOfEitherPaletteOrderCodeTheSamePicture) {
  ScopedTempDir dir;
  auto pattern = [](int32_t x, int32_t y) { return (x * 7 + y * 13 + x * y) % 3 == 0 || (x + y) % 11 == 0; };
  for (int32_t compression : {26, 27, 28, 29}) {
    for (int32_t width : {1, 13, 40, 71}) {
      SCOPED_TRACE(testing::Message() << compression << ", width " << width);
      // Bits 1 = black in both: the black-first bitmap stores the complement.
      ScopedHandle black_first(MakeDib({1, width, 9, kBlackWhite}, [&](int32_t x, int32_t y) { return !pattern(x, y); }));
      ScopedHandle white_first(MakeDib({1, width, 9, kWhiteBlack}, [&](int32_t x, int32_t y) { return pattern(x, y); }));
      const std::string a = dir.File("a.tif"), b = dir.File("b.tif");
      const std::vector<IpiAttributePair> options = {{"compression", compression}};
      // Pages of both orders in one file, too.
      ASSERT_EQ(Write({black_first.get(), white_first.get(), black_first.get()}, a, kCmiFormatTiff, options), 0);
      ASSERT_EQ(Write({white_first.get(), white_first.get(), white_first.get()}, b, kCmiFormatTiff, options), 0);
      EXPECT_EQ(ReadFileBytes(a), ReadFileBytes(b));
    }
  }
}

class EarlierFile : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = dir_.File("kept.out");
    testing_support::WriteFileBytes(target_, earlier_);
  }
  void TearDown() override { plat::testing::ResetFaults(); }
  void ExpectKept() {
    EXPECT_EQ(ReadFileBytes(target_), earlier_);
    EXPECT_EQ(dir_.List(), std::vector<std::string>{"kept.out"});
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }

  ScopedTempDir dir_;
  std::string target_;
  const std::vector<uint8_t> earlier_ = {'e', 'a', 'r', 'l', 'i', 'e', 'r', 0, 1, 2};
};

TEST_F(EarlierFile, FailedWritesKeepItByteForByte) {
  ScopedHandle bilevel(MakeImage(Kind::kBilevel, 30, 20));
  ScopedHandle colour(MakeImage(Kind::kRgb24, 30, 20));
  ScopedHandle colour4(MakeImage(Kind::kColour4, 30, 20));
  struct Failure {
    const char* name;
    HGLOBAL image;
    int32_t format;
    std::vector<IpiAttributePair> options;
    int32_t status;
    void (*fault)();
  };
  const Failure cases[] = {
      {"gif pixel data", bilevel.get(), kCmiFormatGif, {}, 12, nullptr},
      {"gif of three bands", colour.get(), kCmiFormatGif, {}, 10, nullptr},
      {"tiff lzw", colour.get(), kCmiFormatTiff, {{"compression", 25}}, 12, nullptr},
      {"fax of a colour page", colour.get(), kCmiFormatTiff, {{"compression", 29}}, -100, nullptr},
      // k reaches the fax coder as given, which has no rule for MR with k 7.
      {"mr with k 7", bilevel.get(), kCmiFormatTiff, {{"compression", 28}, {"k", 7}}, 12, nullptr},
      // JPEG takes no palette image of fewer than 8 bits.
      {"jpeg of a 1-bit palette", bilevel.get(), kCmiFormatJpeg, {}, -100, nullptr},
      {"jpeg of a 4-bit palette", colour4.get(), kCmiFormatJpeg, {}, -100, nullptr},
      {"write fails", colour.get(), kCmiFormatTiff, {}, -1, [] { plat::testing::FailNthWrite(1); }},
      {"rename fails", colour.get(), kCmiFormatPng, {}, -1, [] { plat::testing::FailRename(true); }},
      {"flush fails", colour.get(), kCmiFormatJpeg, {}, -1, [] { plat::testing::FailFlush(true); }},
      {"bmp write fails", colour.get(), kCmiFormatBmp, {}, -1, [] { plat::testing::FailNthWrite(2); }},
      {"bmp rename fails", colour.get(), kCmiFormatBmp, {}, -1, [] { plat::testing::FailRename(true); }},
  };
  for (const Failure& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fault != nullptr) c.fault();
    const int32_t status = Write({c.image}, target_, c.format, c.options);
    plat::testing::ResetFaults();
    if (c.fault != nullptr) {
      EXPECT_NE(status, 0);
    } else {
      EXPECT_EQ(status, c.status);
    }
    ExpectKept();
  }
  // A folder that does not exist cannot take the file.
  EXPECT_EQ(Write({colour.get()}, dir_.File("missing/x.tif"), kCmiFormatTiff, {}), 25);
  EXPECT_EQ(Write({colour.get()}, dir_.File("missing/x.bmp"), kCmiFormatBmp, {}), 25);
  ExpectKept();
}

TEST_F(EarlierFile, BadArgumentsAreRefusedBeforeAnythingIsTouched) {
  ScopedHandle good(MakeImage(Kind::kBilevel, 8, 8));
  ScopedHandle short_handle(GlobalAlloc(GHND, 10));
  const HGLOBAL freed = MakeImage(Kind::kBilevel, 8, 8);
  GlobalFree(freed);
  const HGLOBAL one[] = {good.get()};
  const HGLOBAL with_short[] = {good.get(), short_handle.get()};
  const IpiAttributePair* no_pairs = nullptr;
  struct Bad {
    const char* name;
    const HGLOBAL* images;
    int32_t count;
    const char* file;
    int32_t format;
    std::vector<IpiAttributePair> options;
    bool null_pairs;
    int32_t status;
  };
  const std::string file = target_;
  const Bad cases[] = {
      {"no images", nullptr, 1, file.c_str(), kCmiFormatTiff, {}, false, -100},
      {"count 0", one, 0, file.c_str(), kCmiFormatTiff, {}, false, -100},
      {"no file name", one, 1, nullptr, kCmiFormatTiff, {}, false, -100},
      {"format not writable", one, 1, file.c_str(), kCmiFormatZoltra, {}, false, -100},
      {"pairs missing", one, 1, file.c_str(), kCmiFormatTiff, {}, true, -100},
      {"tiff compression 31", one, 1, file.c_str(), kCmiFormatTiff, {{"compression", 31}}, false, -100},
      {"bmp compression 30", one, 1, file.c_str(), kCmiFormatBmp, {{"compression", 30}}, false, -100},
      {"newSubfileType 35", one, 1, file.c_str(), kCmiFormatTiff, {{"newSubfileType", 35}}, false, -100},
      {"samplingFactor 40", one, 1, file.c_str(), kCmiFormatJpeg, {{"samplingFactor", 40}}, false, -100},
      {"negative resolution", one, 1, file.c_str(), kCmiFormatTiff, {{"xResolution", -300}}, false, -100},
      {"huge resolution", one, 1, file.c_str(), kCmiFormatBmp, {{"yResolution", intptr_t{1} << 40}}, false, -100},
      {"damaged handle", with_short, 2, file.c_str(), kCmiFormatTiff, {}, false, -100},
      {"damaged handle, bmp", with_short + 1, 1, file.c_str(), kCmiFormatBmp, {}, false, -100},
      {"freed handle", &freed, 1, file.c_str(), kCmiFormatPng, {}, false, -1},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t status = 0;
    const int32_t result =
        CmiGenerateAndWrite(c.images, c.count, c.file, c.format, c.null_pairs ? no_pairs : c.options.data(),
                            c.null_pairs ? 2 : static_cast<int32_t>(c.options.size()), &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(result, c.status);
    ExpectKept();
  }
  // A null status is tolerated.
  EXPECT_EQ(CmiGenerateAndWrite(one, 0, file.c_str(), kCmiFormatTiff, nullptr, 0, nullptr), -100);
  ExpectKept();
}

}  // namespace
