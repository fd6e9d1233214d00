// File conversion through the entry point: sources written by netpbm and
// libjpeg's tools, targets decoded by them (tifftopnm, pngtopnm, bmptopnm,
// pcxtoppm, djpeg), colour-mode and size changes, and failures that leave
// the target (and a source converted onto itself) as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::ParsePnm;
using api_testing::PnmImage;
using api_testing::Rgb;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

constexpr int32_t kWidth = 13;
constexpr int32_t kHeight = 7;

// A picture of few colours (PNG and PCX tools keep it exact), or a smooth
// one for JPEG.
PnmImage Picture(bool smooth) {
  PnmImage image{kWidth, kHeight, {}};
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      if (smooth) {
        image.pixels.push_back({uint8_t(40 + x * 12), uint8_t(60 + y * 20), uint8_t(200 - x * 8)});
      } else {
        const int v = (x * 3 + y * 5) % 6;
        image.pixels.push_back({uint8_t(v * 51), uint8_t(255 - v * 40), uint8_t((v % 2) * 200)});
      }
    }
  }
  return image;
}

std::string PpmBytes(const PnmImage& image) {
  std::string out = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  for (const Rgb& p : image.pixels) out.append(reinterpret_cast<const char*>(p.data()), 3);
  return out;
}

void WriteText(const std::string& path, const std::string& bytes) {
  WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// Runs a tool on a file; its standard output decoded as a PNM picture.
PnmImage Decode(const std::string& command) {
  std::string output;
  EXPECT_EQ(RunCommand(command + " 2>/dev/null", &output), 0) << command;
  return ParsePnm(output);
}

struct Format {
  const char* name;
  int32_t code;
  const char* make;    // from "in.ppm" to the file named by $OUT
  const char* decode;  // the file to PNM on stdout
  bool lossy;
};
const Format kTiff{"TIFF", kCmiFormatTiff, "pnmtotiff in.ppm > $OUT", "tifftopnm", false};
const Format kPng{"PNG", kCmiFormatPng, "pnmtopng in.ppm > $OUT", "pngtopnm", false};
const Format kBmp{"BMP", kCmiFormatBmp, "ppmtobmp -bpp 24 in.ppm > $OUT", "bmptopnm", false};
const Format kPcx{"PCX", kCmiFormatPcx, "ppmtopcx -24bit in.ppm > $OUT", "pcxtoppm", false};
const Format kJpeg{"JPEG", kCmiFormatJpeg, "cjpeg -quality 95 in.ppm > $OUT", "djpeg -pnm", true};
const Format kProgressiveJpeg{"progressive JPEG", kCmiFormatJpeg, "cjpeg -quality 95 -progressive in.ppm > $OUT",
                              "djpeg -pnm", true};

class FileConvert : public testing::Test {
 protected:
  // Makes `name` in the scratch folder from the picture with the format's tool.
  std::string MakeSource(const Format& format, const PnmImage& picture, const std::string& name) {
    WriteText(dir_.File("in.ppm"), PpmBytes(picture));
    std::string command = format.make;
    command.replace(command.find("$OUT"), 4, "'" + dir_.File(name) + "'");
    EXPECT_EQ(RunCommand("cd '" + dir_.path() + "' && " + command), 0) << command;
    return dir_.File(name);
  }

  int32_t Convert(const std::string& source, const std::string& target, int32_t from, int32_t to,
                  std::vector<IpiAttributePair> options = {}) {
    int32_t status = 7;
    const int32_t result = CmiFileFormatConvert(source.c_str(), target.c_str(), from, to, options.data(),
                                                static_cast<int32_t>(options.size()), &status);
    EXPECT_EQ(result, status) << "the result is the status";
    return status;
  }

  ScopedTempDir dir_;
};

double MeanDifference(const PnmImage& a, const PnmImage& b) {
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int c = 0; c < 3; ++c) sum += std::abs(int(a.pixels[i][c]) - int(b.pixels[i][c]));
  }
  return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

TEST_F(FileConvert, BetweenFormatsAsOtherProgramsReadThem) {
  struct Case { Format from; Format to; };
  const Case cases[] = {
      {kPng, kTiff}, {kPng, kBmp}, {kPng, kPcx}, {kTiff, kPng}, {kBmp, kTiff}, {kPcx, kPng},
      {kPng, kJpeg}, {kJpeg, kPng}, {kProgressiveJpeg, kBmp}, {kTiff, kTiff},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from.name) + " to " + c.to.name);
    const bool lossy = c.from.lossy || c.to.lossy;
    const PnmImage picture = Picture(lossy);
    const std::string source = MakeSource(c.from, picture, "source");
    const std::string target = dir_.File("target");
    ASSERT_EQ(Convert(source, target, c.from.code, c.to.code), 0);
    const PnmImage out = Decode(std::string(c.to.decode) + " '" + target + "'");
    ASSERT_EQ(out.width, kWidth);
    ASSERT_EQ(out.height, kHeight);
    if (c.from.lossy) {
      // What libjpeg's own tool decodes from the source, within rounding.
      const PnmImage expected = Decode(std::string("djpeg -pnm '") + source + "'");
      EXPECT_LE(MeanDifference(out, expected), c.to.lossy ? 4.0 : 0.5);
    } else if (lossy) {
      EXPECT_LE(MeanDifference(out, picture), 4.0);
    } else {
      EXPECT_EQ(out.pixels, picture.pixels);
    }
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
}

// A palette image expanded to colour: into a JPEG target (whose palette
// colours are not grey, so it stays colour) and into RGB by colour mode. A
// palette of 16 colours or fewer is no JPEG source.
TEST_F(FileConvert, PaletteSourcesExpandToColour) {
  // Twenty colours in 8 x 8 blocks (an 8-bit palette), so JPEG's chroma
  // subsampling keeps them.
  const auto blocks = [](int32_t width, int32_t height, int colours) {
    PnmImage picture{width, height, {}};
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const int v = (x / 8 + (width / 8) * (y / 8)) % colours;
        picture.pixels.push_back({uint8_t(v * 12), uint8_t(255 - v * 11), uint8_t((v % 2) * 200)});
      }
    }
    return picture;
  };
  const PnmImage picture = blocks(48, 32, 20);
  const std::string source = MakeSource(kPng, picture, "palette.png");
  std::string info;
  ASSERT_EQ(RunCommand("pngcheck -v '" + source + "' | grep -c PLTE", &info), 0) << "the source has a palette";
  ASSERT_EQ(RunCommand("pngcheck -v '" + source + "' | grep -c '8-bit palette'", &info), 0) << info;
  const std::string target = dir_.File("out");
  const std::string few = MakeSource(kPng, blocks(32, 16, 6), "few.png");
  ASSERT_EQ(RunCommand("pngcheck -v '" + few + "' | grep -c '4-bit palette'", &info), 0) << info;
  EXPECT_EQ(Convert(few, target, kCmiFormatPng, kCmiFormatJpeg), kCmiStatusBadArgument);
  ASSERT_EQ(Convert(source, target, kCmiFormatPng, kCmiFormatJpeg), 0);
  std::string header;
  ASSERT_EQ(RunCommand("djpeg -pnm '" + target + "' | head -c 2", &header), 0);
  EXPECT_EQ(header, "P6") << "decoded as colour";
  // Lossy but colour: a grey result would be off by about 70.
  EXPECT_LE(MeanDifference(Decode("djpeg -pnm '" + target + "'"), picture), 12.0);
  ASSERT_EQ(Convert(source, target, kCmiFormatPng, kCmiFormatPng, {{"colorMode", kCmiModeRgb}}), 0);
  std::string type;
  ASSERT_EQ(RunCommand("pngcheck -v '" + target + "' | grep -c 'RGB'", &type), 0);
  EXPECT_EQ(Decode("pngtopnm '" + target + "'").pixels, picture.pixels);
}

TEST_F(FileConvert, ColourModeAndSize) {
  const PnmImage picture = Picture(false);
  // A 24-bit source: the fill levels below are colours, not palette indices.
  const std::string source = MakeSource(kBmp, picture, "in.bmp");
  const std::string target = dir_.File("out");

  // Grey by the luminance weights.
  ASSERT_EQ(Convert(source, target, kCmiFormatBmp, kCmiFormatTiff, {{"colorMode", kCmiModeGrayscale}}), 0);
  PnmImage grey = Decode("tifftopnm '" + target + "'");
  ASSERT_EQ(grey.pixels.size(), picture.pixels.size());
  for (size_t i = 0; i < grey.pixels.size(); ++i) {
    const Rgb& p = picture.pixels[i];
    const int expected = int(0.29889531 * p[0] + 0.58662247 * p[1] + 0.11448223 * p[2] + 0.5);
    ASSERT_NEAR(grey.pixels[i][0], expected, 1) << i;
    ASSERT_EQ(grey.pixels[i][0], grey.pixels[i][2]);
  }

  // A bitmap: black and white only.
  ASSERT_EQ(Convert(source, target, kCmiFormatBmp, kCmiFormatBmp, {{"colorMode", kCmiModeBitmap}}), 0);
  std::string bits;
  ASSERT_EQ(RunCommand("bmptopnm '" + target + "' 2>/dev/null | head -c 2", &bits), 0);
  EXPECT_EQ(bits, "P4");

  // Width doubled by nearest neighbour; a height of 0 keeps the source's.
  ASSERT_EQ(Convert(source, target, kCmiFormatBmp, kCmiFormatPng, {{"xDimension", 2 * kWidth}}), 0);
  const PnmImage wide = Decode("pngtopnm '" + target + "'");
  ASSERT_EQ(wide.width, 2 * kWidth);
  ASSERT_EQ(wide.height, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < 2 * kWidth; ++x) {
      ASSERT_EQ(wide.pixels[size_t(y * 2 * kWidth + x)], picture.pixels[size_t(y * kWidth + x / 2)]) << x << "," << y;
    }
  }

  // Placed on a larger canvas filled with the constant levels.
  ASSERT_EQ(Convert(source, target, kCmiFormatBmp, kCmiFormatPng,
                    {{"destinationWidth", kWidth + 5}, {"destinationHeight", kHeight + 3}, {"destinationXPoint", 2},
                     {"destinationYPoint", 1}, {"constantLevel", 10}, {"constantLevel2", 20}, {"constantLevel3", 30}}),
            0);
  const PnmImage canvas = Decode("pngtopnm '" + target + "'");
  ASSERT_EQ(canvas.width, kWidth + 5);
  ASSERT_EQ(canvas.height, kHeight + 3);
  for (int32_t y = 0; y < canvas.height; ++y) {
    for (int32_t x = 0; x < canvas.width; ++x) {
      const bool inside = x >= 2 && x < 2 + kWidth && y >= 1 && y < 1 + kHeight;
      const Rgb expected = inside ? picture.pixels[size_t((y - 1) * kWidth + x - 2)] : Rgb{10, 20, 30};
      ASSERT_EQ(canvas.pixels[size_t(y * canvas.width + x)], expected) << x << "," << y;
    }
  }
}

// Pages of a TIFF source from "index" on, at most "entries" of them.
TEST_F(FileConvert, TiffPageRange) {
  PnmImage first = Picture(false), second = Picture(false);
  for (Rgb& p : second.pixels) p = {p[2], p[0], p[1]};
  const std::string a = MakeSource(kTiff, first, "a.tif");
  const std::string b = MakeSource(kTiff, second, "b.tif");
  const std::string pages = dir_.File("pages.tif");
  ASSERT_EQ(RunCommand("tiffcp '" + a + "' '" + b + "' '" + pages + "'"), 0);
  const std::string target = dir_.File("out.tif");
  ASSERT_EQ(Convert(pages, target, kCmiFormatTiff, kCmiFormatTiff, {{"index", 1}, {"entries", 5}}), 0);
  EXPECT_EQ(Decode("tifftopnm '" + target + "'").pixels, second.pixels);
  std::string count;
  ASSERT_EQ(RunCommand("tiffinfo '" + target + "' 2>/dev/null | grep -c 'Image Width'", &count), 0);
  EXPECT_EQ(std::atoi(count.c_str()), 1);
  ASSERT_EQ(Convert(pages, target, kCmiFormatTiff, kCmiFormatTiff, {{"entries", 2}}), 0);
  ASSERT_EQ(RunCommand("tiffinfo '" + target + "' 2>/dev/null | grep -c 'Image Width'", &count), 0);
  EXPECT_EQ(std::atoi(count.c_str()), 2);
  EXPECT_EQ(Convert(pages, target, kCmiFormatTiff, kCmiFormatTiff, {{"index", 2}}), kCmiStatusBadArgument)
      << "the first page asked for is past the last";
}

// Refusals and failures: the status, and a target that was there is
// unchanged byte for byte, with no temporary left beside it.
TEST_F(FileConvert, FailuresKeepTheTarget) {
  const std::string source = MakeSource(kPng, Picture(false), "in.png");
  const std::string target = dir_.File("kept");
  const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
  struct Case {
    const char* what;
    std::string source;
    int32_t from;
    int32_t to;
    std::vector<IpiAttributePair> options;
    int32_t status;
  };
  const Case cases[] = {
      {"unknown source format", source, 3, kCmiFormatBmp, {}, kCmiStatusBadArgument},
      {"Zoltra is not a target", source, kCmiFormatPng, kCmiFormatZoltra, {}, kCmiStatusBadArgument},
      {"RGB into GIF", source, kCmiFormatPng, kCmiFormatGif, {{"colorMode", kCmiModeRgb}}, kCmiStatusBadArgument},
      {"bitmap into JPEG", source, kCmiFormatPng, kCmiFormatJpeg, {{"colorMode", kCmiModeBitmap}}, kCmiStatusBadArgument},
      {"colour mode 19", source, kCmiFormatPng, kCmiFormatPng, {{"colorMode", 19}}, kCmiStatusBadArgument},
      {"interpolation 7", source, kCmiFormatPng, kCmiFormatPng, {{"interpolation", 7}}, kCmiStatusBadArgument},
      {"internalOperation 48", source, kCmiFormatPng, kCmiFormatPng, {{"internalOperation", 48}}, kCmiStatusBadArgument},
      {"negative width", source, kCmiFormatPng, kCmiFormatPng, {{"xDimension", -4}}, kCmiStatusBadArgument},
      {"entries 0", source, kCmiFormatTiff, kCmiFormatPng, {{"entries", 0}}, kCmiStatusBadArgument},
      {"index -1", source, kCmiFormatTiff, kCmiFormatPng, {{"index", -1}}, kCmiStatusBadArgument},
      {"256 colours from 512 levels", source, kCmiFormatPng, kCmiFormatBmp,
       {{"colorMode", kCmiModeIndexed256}, {"modeLevel", 8}, {"modeLevel2", 8}, {"modeLevel3", 8}}, kCmiStatusBadArgument},
      {"a missing source", dir_.File("none.png"), kCmiFormatPng, kCmiFormatBmp, {}, 25},
      {"a source of another format", source, kCmiFormatBmp, kCmiFormatPng, {}, 22},
      {"GIF pixel data needs LZW", source, kCmiFormatPng, kCmiFormatGif, {{"colorMode", kCmiModeIndexed256}}, 12},
  };
  for (const Case& c : cases) {
    WriteFileBytes(target, earlier);
    const int32_t status = Convert(c.source, target, c.from, c.to, c.options);
    EXPECT_EQ(status, c.status) << c.what;
    EXPECT_EQ(ReadFileBytes(target), earlier) << c.what;
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.png", "in.ppm", "kept"})) << c.what;
  }
  int32_t status = 7;
  EXPECT_EQ(CmiFileFormatConvert(nullptr, target.c_str(), kCmiFormatPng, kCmiFormatBmp, nullptr, 0, &status),
            kCmiStatusBadArgument);
  EXPECT_EQ(CmiFileFormatConvert(source.c_str(), nullptr, kCmiFormatPng, kCmiFormatBmp, nullptr, 0, nullptr),
            kCmiStatusBadArgument) << "a null status is tolerated";
}

// A file converted onto itself is replaced only by a complete result; a
// failing conversion leaves it as it was.
TEST_F(FileConvert, SourceEqualToTarget) {
  const PnmImage picture = Picture(false);
  const std::string file = MakeSource(kPng, picture, "same.png");
  const std::vector<uint8_t> before = ReadFileBytes(file);
  EXPECT_EQ(Convert(file, file, kCmiFormatPng, kCmiFormatGif, {{"colorMode", kCmiModeIndexed256}}), 12);
  EXPECT_EQ(ReadFileBytes(file), before);
  ASSERT_EQ(Convert(file, file, kCmiFormatPng, kCmiFormatPng, {{"xDimension", 2 * kWidth}, {"yDimension", 2 * kHeight}}),
            0);
  const PnmImage doubled = Decode("pngtopnm '" + file + "'");
  EXPECT_EQ(doubled.width, 2 * kWidth);
  EXPECT_EQ(doubled.pixels[0], picture.pixels[0]);
}

}  // namespace
