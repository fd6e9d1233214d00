#include "oracle_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/test_support.h"

namespace read_testing {
namespace {

using api_testing::PnmImage;
using api_testing::Rgb;

constexpr int32_t kWidth = 13;  // odd: every row of every depth is padded
constexpr int32_t kHeight = 7;

PnmImage Picture(Rgb (*pixel)(int32_t x, int32_t y)) {
  PnmImage picture;
  picture.width = kWidth;
  picture.height = kHeight;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) picture.pixels.push_back(pixel(x, y));
  }
  return picture;
}

Rgb ColourAt(int32_t x, int32_t y) {
  static constexpr Rgb kColours[] = {{255, 0, 0}, {0, 128, 0}, {0, 0, 255}, {250, 250, 10},
                                     {20, 20, 20}, {255, 255, 255}};
  return kColours[static_cast<size_t>(x * 3 + y * 5 + x * y) % std::size(kColours)];
}
Rgb GreyAt(int32_t x, int32_t y) {
  const auto v = static_cast<uint8_t>((x * 19 + y * 37) % 256);
  return {v, v, v};
}
Rgb BilevelAt(int32_t x, int32_t y) {
  const uint8_t v = ((x + y) % 3 == 0 || x == 12) ? 0 : 255;
  return {v, v, v};
}

// P6, P5 or P4 bytes of a picture.
std::string ToPnm(const PnmImage& picture, char kind) {
  std::string out = std::string("P") + kind + "\n" + std::to_string(picture.width) + " " +
                    std::to_string(picture.height) + "\n" + (kind == '4' ? "" : "255\n");
  const size_t row4 = (static_cast<size_t>(picture.width) + 7) / 8;
  for (int32_t y = 0; y < picture.height; ++y) {
    std::string row4_bytes(row4, '\0');
    for (int32_t x = 0; x < picture.width; ++x) {
      const Rgb& c = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      if (kind == '6') {
        out.append({static_cast<char>(c[0]), static_cast<char>(c[1]), static_cast<char>(c[2])});
      } else if (kind == '5') {
        out.push_back(static_cast<char>(c[0]));
      } else if (c[0] == 0) {
        row4_bytes[x / 8] = static_cast<char>(row4_bytes[x / 8] | (0x80 >> (x % 8)));
      }
    }
    if (kind == '4') out += row4_bytes;
  }
  return out;
}

void WriteText(const std::string& path, const std::string& text) {
  testing_support::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

PnmImage ColourPicture() { return Picture(ColourAt); }

std::vector<OracleFile> MakeOracleFiles(const std::string& folder) {
  const PnmImage colour = Picture(ColourAt);
  const PnmImage grey = Picture(GreyAt);
  const PnmImage bilevel = Picture(BilevelAt);
  const std::string ppm = folder + "/in.ppm", pgm = folder + "/in.pgm", pbm = folder + "/in.pbm";
  WriteText(ppm, ToPnm(colour, '6'));
  WriteText(pgm, ToPnm(grey, '5'));
  WriteText(pbm, ToPnm(bilevel, '4'));
  const std::string im = "convert-im6.q16 ";
  struct Row {
    const char* name;
    std::string command;  // writes {out}
    int32_t format;
    int32_t colour_mode;
    int32_t compression;
    const PnmImage* reference;
    bool lossy;
  };
  const Row rows[] = {
      {"tiff_rgb", "pnmtotiff -truecolor " + ppm, 4, 18, 0, &colour, false},
      {"tiff_rgb_packbits", "pnmtotiff -truecolor -packbits " + ppm, 4, 18, 30, &colour, false},
      {"tiff_palette_8", "pnmtotiff " + ppm, 4, 16, 0, &colour, false},
      {"tiff_grey", "pnmtotiff " + pgm, 4, 16, 0, &grey, false},
      {"tiff_bilevel_g4", "pnmtotiff -g4 " + pbm, 4, 14, 29, &bilevel, false},
      {"tiff_bilevel_g3", "pnmtotiff -g3 " + pbm, 4, 14, 27, &bilevel, false},
      {"tiff_bilevel_g3_2d", "pnmtotiff -g3 -2d " + pbm, 4, 14, 28, &bilevel, false},
      {"tiff_bilevel_black_is_zero", "pnmtotiff -minisblack " + pbm, 4, 14, 0, &bilevel, false},
      {"tiff_palette", im + ppm + " -type Palette -compress None TIFF:-", 4, 15, 0, &colour, false},
      {"png_rgb", im + ppm + " PNG24:-", 44, 18, -1, &colour, false},
      {"png_palette", im + ppm + " PNG8:-", 44, 16, -1, &colour, false},
      {"png_rgb_alpha", im + ppm + " -alpha set PNG32:-", 44, 18, -1, &colour, false},
      {"png_grey", "pnmtopng " + pgm, 44, 16, -1, &grey, false},
      {"png_bilevel", "pnmtopng " + pbm, 44, 14, -1, &bilevel, false},
      {"png_interlaced", "pnmtopng -interlace " + ppm, 44, 0, -1, &colour, false},
      {"bmp_24", "ppmtobmp -bpp 24 " + ppm, 7, 18, 0, &colour, false},
      {"bmp_8", "ppmtobmp -bpp 8 " + ppm, 7, 16, 0, &colour, false},
      {"bmp_4", "ppmtobmp -bpp 4 " + ppm, 7, 15, 0, &colour, false},
      {"bmp_1", "ppmtobmp " + pbm, 7, 14, 0, &bilevel, false},
      {"bmp_v5_header", im + ppm + " -type TrueColor BMP:-", 7, 18, 0, &colour, false},
      {"bmp_rle8", im + ppm + " -type Palette -compress RLE BMP3:-", 7, 16, 31, &colour, false},
      {"pcx_24", "ppmtopcx -24bit " + ppm, 40, 18, -1, &colour, false},
      {"pcx_8", "ppmtopcx -8bit " + ppm, 40, 16, -1, &colour, false},
      {"pcx_1", "ppmtopcx " + pbm, 40, 14, -1, &bilevel, false},
      {"jpeg_baseline", "cjpeg -quality 95 " + ppm, 5, 18, -1, nullptr, true},
      {"jpeg_progressive", "cjpeg -quality 95 -progressive " + ppm, 5, 18, -1, nullptr, true},
      {"jpeg_grey", "cjpeg -quality 95 " + pgm, 5, 17, -1, nullptr, true},
  };
  std::vector<OracleFile> files;
  for (const Row& row : rows) {
    OracleFile file;
    file.name = row.name;
    file.path = folder + "/" + row.name;
    file.format = row.format;
    file.colour_mode = row.colour_mode;
    file.compression = row.compression;
    file.lossy = row.lossy;
    EXPECT_EQ(testing_support::RunCommand(row.command + " > " + file.path + " 2>/dev/null"), 0) << row.name;
    if (row.reference != nullptr) {
      file.reference = *row.reference;
    } else {
      // The reference decode of a JPEG file is libjpeg's own tool.
      std::string decoded;
      EXPECT_EQ(testing_support::RunCommand("djpeg -pnm " + file.path, &decoded), 0) << row.name;
      file.reference = api_testing::ParsePnm(decoded);
    }
    files.push_back(std::move(file));
  }
  return files;
}

int MaxSampleDifference(const api_testing::DibImage& image, const PnmImage& picture) {
  if (image.width != picture.width || image.height != picture.height) return -1;
  int worst = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const Rgb got = image.Colour(x, y);
      const Rgb& want = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int{got[c]} - int{want[c]}));
    }
  }
  return worst;
}

}  // namespace read_testing
