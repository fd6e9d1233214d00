// The TIFF reader against files no code of ours wrote: tiffcp and
// ImageMagick output in every compression, byte order, fill order and strip
// size the reader takes (pixels compared with the picture given to them and
// with netpbm's decode), coded fax strips carried unchanged, several pages,
// and every file of the libtiff image corpus read or refused as its row in
// the table says.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/identify/image_count.h"
#include "interchange/tiff/tiff_tags.h"
#include "tests/support/test_support.h"
#include "tests/support/tiff_test_support.h"

namespace {

using testing_support::RunCommand;
using tiff_test::Bytes;
using tiff_test::Picture;

class TiffOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewImage() {
    IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock},
                                  {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 2);
  }
  std::string Run(const std::string& command) {
    std::string out;
    EXPECT_EQ(RunCommand("cd '" + dir_.path() + "' && " + command, &out), 0) << command;
    return out;
  }
  void WritePicture(const std::string& name, const Picture& p) {
    testing_support::WriteFileBytes(dir_.File(name), tiff_test::EncodePnm(p));
  }
  // netpbm's decode of a TIFF file.
  Picture Decode(const std::string& path) {
    std::string out;
    EXPECT_EQ(RunCommand("tifftopnm '" + path + "' 2>/dev/null", &out), 0) << path;
    Picture p;
    EXPECT_TRUE(tiff_test::ParsePnm(Bytes(out.begin(), out.end()), &p)) << path;
    return p;
  }
  // Reads a file through the file front and compares it with `expected`.
  void ExpectPicture(const std::string& path, const Picture& expected) {
    IpiObject* image = NewImage();
    ASSERT_EQ(IpiReadFile(sys_, path.c_str(), image, kFormatTiff, nullptr, 0), 0) << path;
    const Picture got = tiff_test::ImageAsPicture(sys_, image, expected.kind);
    EXPECT_EQ(got.width, expected.width);
    EXPECT_EQ(got.height, expected.height);
    EXPECT_TRUE(got.samples == expected.samples) << path;
  }

  testing_support::ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

// tiffcp's options over a picture first written by pnmtotiff: each file is
// read and compared with the picture and with netpbm's decode.
TEST_F(TiffOracleTest, FilesOfTiffcp) {
  WritePicture("grey.pgm", tiff_test::MakePicture('5', 37, 23, 1));
  WritePicture("colour.ppm", tiff_test::MakePicture('6', 29, 17, 2));
  WritePicture("bits.pbm", tiff_test::MakePicture('4', 45, 19, 3));
  Run("pnmtotiff grey.pgm > grey.tif && pnmtotiff colour.ppm > colour.tif && pnmtotiff bits.pbm > bits.tif");
  const struct {
    const char* source;
    const char* options;
  } cases[] = {
      {"grey", "-c none -L"},
      {"grey", "-c none -B -r 1"},
      {"grey", "-c none -r 5"},
      {"grey", "-c packbits -r 7"},
      {"grey", "-c packbits -B -r 16"},
      {"colour", "-c none -L -r 3"},
      {"colour", "-c none -B"},
      {"colour", "-c packbits -L -r 1"},
      {"bits", "-c none -B"},
      {"bits", "-c none -L -r 4"},
      {"bits", "-c none -f lsb2msb -r 6"},
      {"bits", "-c packbits -r 5"},
      {"bits", "-c packbits -f lsb2msb"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " " + c.options);
    const std::string name = "cp" + std::to_string(n++) + ".tif";
    Run(std::string("tiffcp ") + c.options + " " + c.source + ".tif " + name);
    const std::string input = std::string(c.source) + (c.source[0] == 'g' ? ".pgm" : c.source[0] == 'c' ? ".ppm" : ".pbm");
    Picture original;
    ASSERT_TRUE(tiff_test::ParsePnm(testing_support::ReadFileBytes(dir_.File(input)), &original));
    ExpectPicture(dir_.File(name), original);
    ExpectPicture(dir_.File(name), Decode(dir_.File(name)));
  }
}

// ImageMagick's writer: palettes of 1, 4 and 8 bits, grey of 4 bits, PackBits
// ("RLE"), both byte orders; LZW strips stay coded and are refused at the
// decode with 12.
TEST_F(TiffOracleTest, FilesOfImageMagick) {
  WritePicture("colour.ppm", tiff_test::MakePicture('6', 31, 21, 4));
  WritePicture("grey.pgm", tiff_test::MakePicture('5', 33, 9, 5));
  const struct {
    const char* command;
    int32_t photometric;
  } cases[] = {
      {"convert-im6.q16 colour.ppm -colors 200 -type Palette -compress None out.tif", kPhotometricCodePalette},
      {"convert-im6.q16 colour.ppm -colors 14 -depth 4 -type Palette -compress RLE -endian MSB out.tif",
       kPhotometricCodePalette},
      {"convert-im6.q16 colour.ppm -colors 2 -type Palette -compress None -endian LSB out.tif",
       kPhotometricCodePalette},
      {"convert-im6.q16 grey.pgm -depth 4 -compress None out.tif", kPhotometricCodeBlackIsZero},
      {"convert-im6.q16 grey.pgm -compress RLE -endian MSB out.tif", kPhotometricCodeBlackIsZero},
      {"convert-im6.q16 colour.ppm -compress RLE -endian LSB out.tif", kPhotometricCodeRgb},
      {"convert-im6.q16 grey.pgm -monochrome -compress None out.tif", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    Run(std::string("rm -f out.tif && ") + c.command);
    const Picture oracle = Decode(dir_.File("out.tif"));
    ExpectPicture(dir_.File("out.tif"), oracle);
    if (c.photometric >= 0) {
      IpiObject* image = NewImage();
      ASSERT_EQ(IpiReadImageFile(sys_, dir_.File("out.tif").c_str(), image, kFormatTiff, kReadModeHeader, nullptr, 0), 0);
      EXPECT_EQ(IpiInquireAttribute(sys_, image, "photometricInterpretation"), c.photometric);
    }
  }
  Run("rm -f out.tif && convert-im6.q16 colour.ppm -compress LZW out.tif");
  IpiObject* image = NewImage();
  ASSERT_EQ(IpiReadImageFile(sys_, dir_.File("out.tif").c_str(), image, kFormatTiff, kReadModeHeader, nullptr, 0), 0);
  EXPECT_EQ(image->fields.compression, kCompressionLzw);
  EXPECT_EQ(IpiReadFile(sys_, dir_.File("out.tif").c_str(), NewImage(), kFormatTiff, nullptr, 0),
            kIpiNonPermissibleOption);
}

// The sum of the strip byte counts tiffdump lists for a file's first page.
uint64_t StripBytesOf(const std::string& dump) {
  const size_t at = dump.find("StripByteCounts (279)");
  if (at == std::string::npos) return 0;
  const size_t open = dump.find('<', at);
  const size_t close = dump.find('>', open);
  uint64_t sum = 0;
  uint64_t value = 0;
  for (size_t i = open + 1; i <= close; ++i) {
    const char c = dump[i];
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<uint64_t>(c - '0');
    } else {
      sum += value;
      value = 0;
    }
  }
  return sum;
}

// Fax strips are described and carried coded: their decode is the fax
// coder's.
TEST_F(TiffOracleTest, FaxStripsStayCoded) {
  WritePicture("bits.pbm", tiff_test::MakePicture('4', 64, 40, 6));
  Run("pnmtotiff bits.pbm > bits.tif");
  const struct {
    const char* options;
    int32_t compression;
    int32_t eol_state;
    int32_t bit_order;
  } cases[] = {
      {"-c g3:1d -r 8", kCompressionCcittHuffman, 0, kOrderMsbFirst},
      {"-c g3:2d:fill", kCompressionCcittMr, 1, kOrderMsbFirst},
      {"-c g3:1d -f lsb2msb", kCompressionCcittHuffman, 0, kOrderLsbFirst},
      {"-c g4 -B -r 16", kCompressionCcittMmr, 0, kOrderMsbFirst},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    Run(std::string("rm -f fax.tif && tiffcp ") + c.options + " bits.tif fax.tif");
    const uint64_t coded = StripBytesOf(Run("tiffdump fax.tif"));
    ASSERT_GT(coded, 0u);
    IpiObject* image = NewImage();
    const std::string path = dir_.File("fax.tif");
    ASSERT_EQ(IpiReadImageFile(sys_, path.c_str(), image, kFormatTiff, kReadModeHeader, nullptr, 0), 0);
    EXPECT_EQ(image->fields.compression, c.compression);
    EXPECT_EQ(image->fields.eol_state, c.eol_state);
    EXPECT_EQ(image->fields.bit_order, c.bit_order);
    EXPECT_EQ(image->fields.size, static_cast<int64_t>(coded));
    // The data pass joins the strips into an object of that coding.
    const IpiAttribute shape[] = {{"repository", kRepositoryFile}};
    IpiObject* holder = IpiCreateObject(sys_, nullptr, &kGenericImageClass, image, shape, 1);
    ASSERT_EQ(IpiReadImageFile(sys_, path.c_str(), holder, kFormatTiff, kReadModeBoth, nullptr, 0), 0);
    EXPECT_EQ(holder->fields.size, static_cast<int64_t>(coded));
  }
}

TEST_F(TiffOracleTest, PagesOfTiffcp) {
  WritePicture("a.pgm", tiff_test::MakePicture('5', 20, 10, 7));
  WritePicture("b.ppm", tiff_test::MakePicture('6', 11, 13, 8));
  WritePicture("c.pbm", tiff_test::MakePicture('4', 33, 7, 9));
  Run("pnmtotiff a.pgm > a.tif && pnmtotiff b.ppm > b.tif && pnmtotiff c.pbm > c.tif && "
      "tiffcp -c packbits a.tif b.tif c.tif pages.tif");
  const std::string path = dir_.File("pages.tif");
  EXPECT_EQ(IpiCountFileImages(sys_, path.c_str(), kFormatTiff), 3);
  const IpiAttribute none[] = {{"entries", 0}};
  IpiObject* all = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, none, 1);
  ASSERT_EQ(IpiReadFile(sys_, path.c_str(), all, kFormatTiff, nullptr, 0), 0);
  ASSERT_EQ(all->fields.dimension[kDimX], 3);
  const char* inputs[] = {"a.pgm", "b.ppm", "c.pbm"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(inputs[i]);
    Picture original;
    ASSERT_TRUE(tiff_test::ParsePnm(testing_support::ReadFileBytes(dir_.File(inputs[i])), &original));
    IpiObject* page = IpiGetCompositeElement(sys_, all, i);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(tiff_test::ImageAsPicture(sys_, page, original.kind).samples == original.samples);
  }
}

// The libtiff image corpus. `header` is the status of the header pass;
// `read` the status of the whole read through the file front, or kCoded for
// fax strips whose decode is not the reader's; `twin` a PNM file with the
// same pixels (else netpbm's decode is the reference).
constexpr int kCoded = -100;
struct CorpusRow {
  const char* file;
  int header;
  int read;
  const char* twin;
};

constexpr int k0 = kIpiNoError;
constexpr int k12 = kIpiNonPermissibleOption;
constexpr int k19 = kIpiSemanticError;
constexpr int k22 = kIpiSyntaxError;

constexpr CorpusRow kCorpus[] = {
    // Read, and compared with the twin or netpbm's decode.
    {"minisblack-1c-8b.tiff", k0, k0, "minisblack-1c-8b.pgm"},
    {"miniswhite-1c-1b.tiff", k0, k0, "miniswhite-1c-1b.pbm"},
    {"no_rows_per_strip.tiff", k0, k0, nullptr},
    {"palette-1c-1b.tiff", k0, k0, nullptr},
    {"palette-1c-4b.tiff", k0, k0, nullptr},
    {"palette-1c-8b.tiff", k0, k0, nullptr},
    {"rgb-3c-8b.tiff", k0, k0, "rgb-3c-8b.ppm"},
    {"seq/seq-1c-1b-71f6a21a.tiff", k0, k0, nullptr},
    {"seq/seq-1c-1b-miniswhite-71f6a21a.tiff", k0, k0, nullptr},
    {"seq/seq-1c-4b-fb92dcae.tiff", k0, k0, nullptr},
    {"seq/seq-1c-4b-miniswhite-fb92dcae.tiff", k0, k0, nullptr},
    {"seq/seq-1c-4b-palette-85108c5a.tiff", k0, k0, nullptr},
    {"seq/seq-1c-8b-bigendian-20f3db0c.tiff", k0, k0, nullptr},
    {"seq/seq-1c-8b-multipage-adeefdcc.tiff", k0, k0, nullptr},
    {"seq/seq-1c-8b-multistrip-20f3db0c.tiff", k0, k0, nullptr},
    {"seq/seq-1c-8b-packbits-20f3db0c.tiff", k0, k0, nullptr},
    {"seq/seq-1c-8b-palette-89b39bc3.tiff", k0, k0, nullptr},
    {"seq/seq-3c-8b-bigendian-8743c999.tiff", k0, k0, nullptr},
    {"seq/seq-3c-8b-multistrip-8743c999.tiff", k0, k0, nullptr},
    // Fax strips: described and carried coded; decoding them is the fax coder's.
    {"big_g4.tif", k0, kCoded, nullptr},
    {"fax4.tiff", k0, kCoded, nullptr},
    {"imagemagick_group4.tiff", k0, kCoded, nullptr},
    {"seq/seq-1c-1b-fax3-71f6a21a.tiff", k0, kCoded, nullptr},
    {"seq/seq-1c-1b-fax3-fillbits-71f6a21a.tiff", k0, kCoded, nullptr},
    {"seq/seq-1c-1b-fax3-lsb-71f6a21a.tiff", k0, kCoded, nullptr},
    // LZW strips: described and carried coded; the decode dispatch has no LZW coder.
    {"quad-lzw-compat.tiff", k0, k12, nullptr},
    {"seq/seq-1c-8b-lzw-20f3db0c.tiff", k0, k12, nullptr},
    {"seq/seq-1c-8b-lzw-hpredict-20f3db0c.tiff", k0, k12, nullptr},
    {"seq/seq-3c-8b-lzw-8743c999.tiff", k0, k12, nullptr},
    // Valid variants the reader does not hold: tiles, separated, YCbCr and
    // CIELab colour, 16-bit grey or palette samples, signed or floating-point
    // samples.
    {"cmyk-3c-16b.tiff", k12, k12, nullptr},
    {"cmyk-3c-32b-float.tiff", k12, k12, nullptr},
    {"cmyk-3c-8b.tiff", k12, k12, nullptr},
    {"int16.tif", k12, k12, nullptr},
    {"int16_zstd.tif", k12, k12, nullptr},
    {"int8.tif", k12, k12, nullptr},
    {"int8_rgb.tif", k12, k12, nullptr},
    {"issue_69_packbits.tiff", k12, k12, nullptr},
    {"minisblack-1c-16b.tiff", k12, k12, nullptr},
    {"minisblack-1c-i16b.tiff", k12, k12, nullptr},
    {"minisblack-1c-i8b.tiff", k12, k12, nullptr},
    {"quad-tile.jpg.tiff", k12, k12, nullptr},
    {"random-fp16-pred2.tiff", k12, k12, nullptr},
    {"random-fp16-pred3.tiff", k12, k12, nullptr},
    {"random-fp16.tiff", k12, k12, nullptr},
    {"seq/seq-1c-16b-bigendian-68f373a0.tiff", k12, k12, nullptr},
    {"seq/seq-1c-16b-multistrip-68f373a0.tiff", k12, k12, nullptr},
    {"seq/seq-1c-16b-tiled-68f373a0.tiff", k12, k12, nullptr},
    {"seq/seq-1c-8b-tiled-20f3db0c.tiff", k12, k12, nullptr},
    {"seq/seq-1c-8b-tiled-deflate-20f3db0c.tiff", k12, k12, nullptr},
    {"seq/seq-1c-8b-tiled-lzw-20f3db0c.tiff", k12, k12, nullptr},
    {"seq/seq-1c-i16-63af2488.tiff", k12, k12, nullptr},
    {"seq/seq-1c-i8-f8446bbe.tiff", k12, k12, nullptr},
    {"seq/seq-3c-8b-tiled-8743c999.tiff", k12, k12, nullptr},
    {"seq/seq-3c-i8-d7550ce4.tiff", k12, k12, nullptr},
    {"seq/seq-4c-16b-cmyk-c6e52592.tiff", k12, k12, nullptr},
    {"seq/seq-4c-8b-cmyk-352ac1da.tiff", k12, k12, nullptr},
    {"single-black-fp16.tiff", k12, k12, nullptr},
    {"tiled-cmyk-i8.tif", k12, k12, nullptr},
    {"tiled-gray-i1.tif", k12, k12, nullptr},
    {"tiled-jpeg-rgb-u8.tif", k12, k12, nullptr},
    {"tiled-jpeg-ycbcr.tif", k12, k12, nullptr},
    {"tiled-oversize-gray-i8.tif", k12, k12, nullptr},
    {"tiled-rect-rgb-u8.tif", k12, k12, nullptr},
    {"tiled-rgb-u8.tif", k12, k12, nullptr},
    {"white-fp16-pred2.tiff", k12, k12, nullptr},
    {"white-fp16-pred3.tiff", k12, k12, nullptr},
    {"white-fp16.tiff", k12, k12, nullptr},
    // Sample counts other than 1 and 3 (4 only for separated colour).
    {"extra_bits_rgb_8b.tiff", k19, k19, nullptr},
    {"seq/seq-4c-8b-rgba-50969cda.tiff", k19, k19, nullptr},
    {"seq/seq-4c-8b-rgba-unassoc-50969cda.tiff", k19, k19, nullptr},
    // Bits per sample other than 1, 4, 8, 16 (one sample) and 8 (three),
    // separate planes of several samples, compressions other than none, fax,
    // LZW and PackBits, LZW of 16 bits, more than 4 bits values, BigTIFF.
    {"12bit.cropped.rgb.tiff", k22, k22, nullptr},
    {"12bit.cropped.tiff", k22, k22, nullptr},
    {"bigtiff/BigTIFF.tif", k22, k22, nullptr},
    {"bigtiff/BigTIFFLong.tif", k22, k22, nullptr},
    {"bigtiff/BigTIFFMotorola.tif", k22, k22, nullptr},
    {"cmyk-4c-8b.tiff", k22, k22, nullptr},
    {"extra_bits_gray_8b.tiff", k22, k22, nullptr},
    {"gradient-1c-32b-float.tiff", k22, k22, nullptr},
    {"gradient-1c-32b.tiff", k22, k22, nullptr},
    {"gradient-1c-64b-float.tiff", k22, k22, nullptr},
    {"gradient-1c-64b.tiff", k22, k22, nullptr},
    {"gradient-3c-32b-float.tiff", k22, k22, nullptr},
    {"gradient-3c-32b.tiff", k22, k22, nullptr},
    {"gradient-3c-64b.tiff", k22, k22, nullptr},
    {"hpredict-1c-12b.tiff", k22, k22, nullptr},
    {"int16_rgb.tif", k22, k22, nullptr},
    {"issue_69_lzw.tiff", k22, k22, nullptr},
    {"logluv-3c-16b.tiff", k22, k22, nullptr},
    {"minisblack-1c-3b.tiff", k22, k22, nullptr},
    {"minisblack-1c-5b.tiff", k22, k22, nullptr},
    {"minisblack-1c-7b.tiff", k22, k22, nullptr},
    {"minisblack-2c-8b-alpha.tiff", k22, k22, nullptr},
    {"miniswhite-1c-12b.tiff", k22, k22, nullptr},
    {"miniswhite-1c-3b.tiff", k22, k22, nullptr},
    {"miniswhite-1c-6b.tiff", k22, k22, nullptr},
    {"planar-rgb-u8.tif", k22, k22, nullptr},
    {"predictor-3-gray-f32.tif", k22, k22, nullptr},
    {"predictor-3-rgb-f32.tif", k22, k22, nullptr},
    {"rgb-3c-16b.tiff", k22, k22, nullptr},
    {"seq/seq-1c-10b-6d739fa2.tiff", k22, k22, nullptr},
    {"seq/seq-1c-10b-hpredict-6d739fa2.tiff", k22, k22, nullptr},
    {"seq/seq-1c-10b-miniswhite-6d739fa2.tiff", k22, k22, nullptr},
    {"seq/seq-1c-12b-47c39b31.tiff", k22, k22, nullptr},
    {"seq/seq-1c-12b-hpredict-47c39b31.tiff", k22, k22, nullptr},
    {"seq/seq-1c-12b-miniswhite-47c39b31.tiff", k22, k22, nullptr},
    {"seq/seq-1c-14b-e883657f.tiff", k22, k22, nullptr},
    {"seq/seq-1c-14b-hpredict-e883657f.tiff", k22, k22, nullptr},
    {"seq/seq-1c-14b-miniswhite-e883657f.tiff", k22, k22, nullptr},
    {"seq/seq-1c-16b-deflate-68f373a0.tiff", k22, k22, nullptr},
    {"seq/seq-1c-16b-lzw-68f373a0.tiff", k22, k22, nullptr},
    {"seq/seq-1c-24b-072a9dc9.tiff", k22, k22, nullptr},
    {"seq/seq-1c-24b-hpredict-072a9dc9.tiff", k22, k22, nullptr},
    {"seq/seq-1c-24b-miniswhite-072a9dc9.tiff", k22, k22, nullptr},
    {"seq/seq-1c-2b-58b25f76.tiff", k22, k22, nullptr},
    {"seq/seq-1c-32f-390fe673.tiff", k22, k22, nullptr},
    {"seq/seq-1c-32f-deflate-fpredict-390fe673.tiff", k22, k22, nullptr},
    {"seq/seq-1c-3b-ef237c07.tiff", k22, k22, nullptr},
    {"seq/seq-1c-3b-miniswhite-ef237c07.tiff", k22, k22, nullptr},
    {"seq/seq-1c-5b-73098d17.tiff", k22, k22, nullptr},
    {"seq/seq-1c-5b-miniswhite-73098d17.tiff", k22, k22, nullptr},
    {"seq/seq-1c-64f-afa8560e.tiff", k22, k22, nullptr},
    {"seq/seq-1c-64f-deflate-fpredict-afa8560e.tiff", k22, k22, nullptr},
    {"seq/seq-1c-6b-miniswhite-79cafbb6.tiff", k22, k22, nullptr},
    {"seq/seq-1c-7b-9c61ba70.tiff", k22, k22, nullptr},
    {"seq/seq-1c-7b-miniswhite-9c61ba70.tiff", k22, k22, nullptr},
    {"seq/seq-1c-8b-bigtiff-20f3db0c.tiff", k22, k22, nullptr},
    {"seq/seq-1c-8b-deflate-20f3db0c.tiff", k22, k22, nullptr},
    {"seq/seq-1c-8b-tiled-bigtiff-20f3db0c.tiff", k22, k22, nullptr},
    {"seq/seq-1c-i32-99fddec2.tiff", k22, k22, nullptr},
    {"seq/seq-3c-10b-contig-d08d5dc0.tiff", k22, k22, nullptr},
    {"seq/seq-3c-10b-planar-c82e8ab6.tiff", k22, k22, nullptr},
    {"seq/seq-3c-12b-contig-e6f40b4a.tiff", k22, k22, nullptr},
    {"seq/seq-3c-12b-planar-e29e8e25.tiff", k22, k22, nullptr},
    {"seq/seq-3c-14b-contig-f4dcc6cc.tiff", k22, k22, nullptr},
    {"seq/seq-3c-14b-planar-4dde706b.tiff", k22, k22, nullptr},
    {"seq/seq-3c-16b-bigtiff-1b40ca6e.tiff", k22, k22, nullptr},
    {"seq/seq-3c-24b-contig-27b9f8ce.tiff", k22, k22, nullptr},
    {"seq/seq-3c-24b-planar-6296c0c9.tiff", k22, k22, nullptr},
    {"seq/seq-3c-32f-9a471c2b.tiff", k22, k22, nullptr},
    {"seq/seq-3c-5b-contig-09f197f4.tiff", k22, k22, nullptr},
    {"seq/seq-3c-64f-9fff098a.tiff", k22, k22, nullptr},
    {"seq/seq-3c-7b-contig-2e4f43c5.tiff", k22, k22, nullptr},
    {"seq/seq-3c-i16-f7fcf423.tiff", k22, k22, nullptr},
    {"seq/seq-4c-16b-rgba-5181991f.tiff", k22, k22, nullptr},
};

TEST_F(TiffOracleTest, CorpusFilesAreReadOrRefusedAsListed) {
  const std::string corpus = testing_support::CorpusDir();
  ASSERT_FALSE(corpus.empty()) << "PELRITH_CORPUS_DIR is not set";
  const std::string folder = corpus + "/libtiff-images";
  std::map<std::string, const CorpusRow*> rows;
  for (const CorpusRow& row : kCorpus) rows[row.file] = &row;
  int seen = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".tif" && ext != ".tiff") continue;
    const std::string name = std::filesystem::relative(entry.path(), folder).string();
    const std::string path = entry.path().string();
    SCOPED_TRACE(name);
    ++seen;
    IpiObject* header = NewImage();
    const int header_status =
        IpiReadImageFile(sys_, path.c_str(), header, kFormatTiff, kReadModeHeader, nullptr, 0);
    const int read_status = IpiReadFile(sys_, path.c_str(), NewImage(), kFormatTiff, nullptr, 0);
    const auto found = rows.find(name);
    if (found == rows.end()) {
      ADD_FAILURE() << "not in the table: {\"" << name << "\", " << header_status << ", " << read_status
                    << "} compression " << header->fields.compression;
      continue;
    }
    const CorpusRow& row = *found->second;
    EXPECT_EQ(header_status, row.header);
    if (row.read != kCoded) {
      EXPECT_EQ(read_status, row.read);
    }
    if (row.read == k0) {
      const Picture expected = row.twin != nullptr
                                   ? [&] {
                                       Picture p;
                                       EXPECT_TRUE(tiff_test::ParsePnm(
                                           testing_support::ReadFileBytes(folder + "/" + row.twin), &p));
                                       return p;
                                     }()
                                   : Decode(path);
      ExpectPicture(path, expected);
    }
  }
  EXPECT_EQ(seen, static_cast<int>(std::size(kCorpus)));
}

}  // namespace
