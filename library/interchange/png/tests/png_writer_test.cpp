// The PNG writer against independent readers: every file we write passes
// `pngcheck -vt` and decodes in `pngtopam` and ImageMagick to exactly the
// picture (palette colours and transparency included); refusals leave no
// file behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/tests/png_test_support.h"
#include "tests/support/test_support.h"

namespace {

using png_test::Pam;
using png_test::Picture;

struct Transparency {
  bool on = false;
  int grey = 0;
  int rgb[3] = {};
  std::vector<uint8_t> alpha;  // palette
};

// One RGBA tuple per pixel, in the scale of the samples (grey: its levels).
std::vector<uint8_t> ExpectedTuples(const Picture& p, const std::vector<uint8_t>& palette, const Transparency& t,
                                    int* depth, int* max_value) {
  std::vector<uint8_t> out;
  const bool grey = p.channels == 1 && palette.empty();
  *depth = grey ? 2 : 4;
  *max_value = grey ? (1 << p.depth) - 1 : 255;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (grey) {
        const uint8_t v = p.at(y, x, 0);
        out.push_back(v);
        out.push_back(t.on && v == t.grey ? 0 : static_cast<uint8_t>(*max_value));
      } else if (p.channels == 1) {
        const uint8_t i = p.at(y, x, 0);
        out.insert(out.end(), {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]});
        out.push_back(t.on && i < t.alpha.size() ? t.alpha[i] : 255);
      } else {
        for (int c = 0; c < 3; ++c) out.push_back(p.at(y, x, c));
        if (p.channels == 4) {
          out.push_back(p.at(y, x, 3));
        } else {
          const bool clear = t.on && p.at(y, x, 0) == t.rgb[0] && p.at(y, x, 1) == t.rgb[1] && p.at(y, x, 2) == t.rgb[2];
          out.push_back(clear ? 0 : 255);
        }
      }
    }
  }
  return out;
}

std::vector<uint8_t> Palette(int entries) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < entries; ++i) {
    rgb.insert(rgb.end(), {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * i)});
  }
  return rgb;
}

class PngWriter : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  int Write(const Picture& picture, const std::vector<uint8_t>& palette, const std::vector<IpiAttribute>& pairs,
            const std::string& path) {
    IpiObject* image = png_test::MakeImage(sys_, picture);
    if (!palette.empty()) {
      IpiObject* lut = png_test::MakeLut(sys_, palette);
      EXPECT_EQ(IpiSetAttribute(sys_, image, "lut", static_cast<intptr_t>(IpiObjectId(lut))), 0);
    }
    return IpiWriteFile(sys_, image, path.c_str(), kFormatPng, pairs.data(), static_cast<int>(pairs.size()));
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

TEST_F(PngWriter, FilesPassPngcheckAndDecodeExactlyInOtherReaders) {
  struct Case {
    const char* name;
    int width, height, channels, depth;
    int palette_entries;  // 0: none
    int interlaced;
    Transparency transparency;
    const char* copyright;
  };
  const std::vector<Case> cases = {
      {"grey 8", 37, 23, 1, 8, 0, 0, {}, nullptr},
      {"grey 8 interlaced, grey key", 37, 23, 1, 8, 0, 1, {true, 77, {}, {}}, nullptr},
      {"grey 4 interlaced", 13, 9, 1, 4, 0, 1, {true, 3, {}, {}}, nullptr},
      {"grey 1 without table", 29, 7, 1, 1, 0, 0, {}, nullptr},
      {"grey 1 interlaced", 11, 10, 1, 1, 0, 1, {}, nullptr},
      {"rgb, colour key, copyright", 61, 17, 3, 8, 0, 0, {true, 0, {40, 50, 60}, {}}, "(c) 2024 Scan Office"},
      {"rgb interlaced", 45, 33, 3, 8, 0, 1, {}, "x"},
      {"rgba", 19, 21, 4, 8, 0, 0, {}, nullptr},
      {"rgba interlaced", 19, 21, 4, 8, 0, 1, {}, nullptr},
      {"palette 8 with alpha", 40, 12, 1, 8, 256, 0, {true, 0, {}, {0, 50, 100, 150, 200}}, nullptr},
      {"palette 4 interlaced with alpha", 23, 19, 1, 4, 16, 1, {true, 0, {}, {10, 20, 30}}, nullptr},
      {"palette 1", 17, 5, 1, 1, 2, 0, {true, 0, {}, {0}}, "mono"},
      {"one pixel interlaced", 1, 1, 3, 8, 0, 1, {}, nullptr},
      {"2 x 3 interlaced", 2, 3, 3, 8, 0, 1, {}, nullptr},
      {"3 x 5 interlaced", 3, 5, 1, 8, 0, 1, {}, nullptr},
      {"4 x 9 interlaced", 4, 9, 1, 4, 0, 1, {}, nullptr},
      {"5 x 2 interlaced", 5, 2, 4, 8, 0, 1, {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture picture = png_test::MakePicture(c.width, c.height, c.channels, c.depth, 7);
    const std::vector<uint8_t> palette = c.palette_entries > 0 ? Palette(c.palette_entries) : std::vector<uint8_t>{};
    std::vector<IpiAttribute> pairs = {{"interlacedImage", c.interlaced}};
    const Transparency& t = c.transparency;
    if (t.on) {
      pairs.push_back({"transparency", 1});
      pairs.push_back({"transparencyGray", t.grey});
      pairs.push_back({"transparencyRed", t.rgb[0]});
      pairs.push_back({"transparencyGreen", t.rgb[1]});
      pairs.push_back({"transparencyBlue", t.rgb[2]});
      pairs.push_back({"transparencyEntry", static_cast<intptr_t>(t.alpha.size())});
      if (!t.alpha.empty()) pairs.push_back({"transparencyPaletteIndex", reinterpret_cast<intptr_t>(t.alpha.data())});
    }
    if (c.copyright != nullptr) pairs.push_back({"copyright", reinterpret_cast<intptr_t>(c.copyright)});
    const std::string path = dir_.File("ours.png");
    ASSERT_EQ(Write(picture, palette, pairs, path), 0);

    std::string report;
    EXPECT_EQ(png_test::Run("pngcheck -vt " + path, &report), 0) << report;
    EXPECT_NE(report.find("No errors detected"), std::string::npos) << report;
    EXPECT_NE(report.find(c.interlaced ? "interlaced" : "non-interlaced"), std::string::npos) << report;
    if (c.copyright != nullptr) {
      EXPECT_NE(report.find(std::string("keyword: Copyright\n    ") + c.copyright), std::string::npos) << report;
    }

    int depth = 0;
    int max_value = 0;
    const std::vector<uint8_t> expected = ExpectedTuples(picture, palette, t, &depth, &max_value);
    std::string pam_text;
    ASSERT_EQ(testing_support::RunCommand("pngtopam -alphapam " + path, &pam_text), 0);
    Pam pam;
    ASSERT_TRUE(png_test::ParsePam(std::vector<uint8_t>(pam_text.begin(), pam_text.end()), &pam));
    EXPECT_EQ(pam.width, c.width);
    EXPECT_EQ(pam.height, c.height);
    EXPECT_EQ(pam.depth, depth);
    EXPECT_EQ(pam.max_value, max_value);
    EXPECT_TRUE(pam.samples == expected) << "pngtopam decodes other samples";

    // ImageMagick: 8-bit RGBA whatever the type.
    std::string rgba;
    ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 " + path + " -depth 8 rgba:-", &rgba), 0);
    std::vector<uint8_t> expected_rgba;
    for (size_t i = 0; i < expected.size(); i += depth) {
      if (depth == 2) {
        const auto v = static_cast<uint8_t>(expected[i] * 255 / max_value);
        expected_rgba.insert(expected_rgba.end(), {v, v, v, static_cast<uint8_t>(expected[i + 1] * 255 / max_value)});
      } else {
        expected_rgba.insert(expected_rgba.end(), expected.begin() + static_cast<std::ptrdiff_t>(i),
                             expected.begin() + static_cast<std::ptrdiff_t>(i + 4));
      }
    }
    EXPECT_TRUE(std::vector<uint8_t>(rgba.begin(), rgba.end()) == expected_rgba) << "ImageMagick decodes other pixels";
  }
}

TEST_F(PngWriter, PaletteIsCutToWhatTheDepthCanIndex) {
  const Picture picture = png_test::MakePicture(9, 4, 1, 4, 3);
  const std::string path = dir_.File("cut.png");
  ASSERT_EQ(Write(picture, Palette(256), {}, path), 0);
  const std::vector<uint8_t> file = testing_support::ReadFileBytes(path);
  const size_t plte = png_test::FindChunk(file, "PLTE");
  ASSERT_NE(plte, 0u);
  EXPECT_EQ(png_test::ReadU32Be(file, plte), 16u * 3);
  EXPECT_EQ(png_test::Run("pngcheck -q " + path), 0);
}

TEST_F(PngWriter, LargeImagesSpreadOverIdatChunksOf8192Bytes) {
  const Picture picture = png_test::MakePicture(300, 300, 1, 8, 11);
  Picture noisy = picture;
  uint32_t state = 1;
  for (uint8_t& s : noisy.samples) s = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
  const std::string path = dir_.File("big.png");
  ASSERT_EQ(Write(noisy, {}, {}, path), 0);
  const std::vector<uint8_t> file = testing_support::ReadFileBytes(path);
  std::vector<uint32_t> idat_lengths;
  for (size_t offset = 8; offset + 8 <= file.size(); offset += 12 + png_test::ReadU32Be(file, offset)) {
    if (std::string(file.begin() + offset + 4, file.begin() + offset + 8) == "IDAT") {
      idat_lengths.push_back(png_test::ReadU32Be(file, offset));
    }
  }
  ASSERT_GE(idat_lengths.size(), 3u);
  for (size_t i = 0; i + 1 < idat_lengths.size(); ++i) EXPECT_EQ(idat_lengths[i], 8192u);
  EXPECT_LE(idat_lengths.back(), 8192u);
  EXPECT_EQ(png_test::Run("pngcheck -q " + path), 0);
}

TEST_F(PngWriter, FlatGreyRowsTakeSubThenUpNeverLaterTies) {
  Picture flat{16, 6, 1, 8, std::vector<uint8_t>(16 * 6, 128)};
  const std::string path = dir_.File("flat.png");
  ASSERT_EQ(Write(flat, {}, {}, path), 0);
  std::string report;
  ASSERT_EQ(png_test::Run("pngcheck -vv " + path, &report), 0) << report;
  // Row 0: Sub and Paeth both cost 128; the earlier type wins. Then Up costs 0.
  EXPECT_NE(report.find("1 2 2 2 2 2 (6 out of 6)"), std::string::npos) << report;
}

TEST_F(PngWriter, RefusesWhatItCannotWriteAndLeavesNoFile) {
  static const uint8_t kAlpha[256] = {};
  struct Case {
    const char* name;
    int channels, depth, palette_entries;
    std::vector<IpiAttribute> pairs;
    int expected;
  };
  const auto alpha = reinterpret_cast<intptr_t>(kAlpha);
  const std::vector<Case> cases = {
      {"2-bit grey", 1, 2, 0, {}, kIpiNonPermissibleOption},
      {"16-bit grey", 1, 16, 0, {}, kIpiNonPermissibleOption},
      {"grey with alpha", 2, 8, 0, {}, kIpiMismatchDataType},
      // Colour type 4 is named and its rows are refused, whatever the bands.
      {"colour type 267", 1, 8, 0, {{"colourType", kPngColourGreyAlpha}}, kIpiMismatchDataType},
      {"colour type 267 of two bands", 2, 8, 0, {{"colourType", kPngColourGreyAlpha}}, kIpiMismatchDataType},
      {"unknown colour type", 1, 8, 0, {{"colourType", 999}}, kIpiNonPermissibleOption},
      {"interlace 2", 1, 8, 0, {{"interlacedImage", 2}}, kIpiNonPermissibleOption},
      {"palette without table", 1, 8, 0, {{"colourType", kPngColourPalette}}, kIpiNonPermissibleOption},
      {"rgb from one band", 1, 8, 0, {{"colourType", kPngColourRgb}}, kIpiMismatchDataType},
      {"rgb of 4 bits", 3, 4, 0, {}, kIpiNonPermissibleOption},
      {"palette alpha count 0", 1, 8, 4, {{"transparency", 1}, {"transparencyEntry", 0}}, kIpiNonPermissibleOption},
      {"palette alpha past the palette", 1, 8, 4,
       {{"transparency", 1}, {"transparencyEntry", 5}, {"transparencyPaletteIndex", alpha}}, kIpiNonPermissibleOption},
      {"grey key past the depth", 1, 4, 0, {{"transparency", 1}, {"transparencyGray", 16}}, kIpiNonPermissibleOption},
      {"rgba with a key", 4, 8, 0, {{"transparency", 1}}, kIpiNonPermissibleOption},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture picture = png_test::MakePicture(8, 4, c.channels, c.depth > 8 ? 8 : c.depth, 1);
    Picture stored = picture;
    stored.depth = c.depth;
    const std::string path = dir_.File("refused.png");
    const std::vector<uint8_t> palette = c.palette_entries > 0 ? Palette(c.palette_entries) : std::vector<uint8_t>{};
    EXPECT_EQ(Write(stored, palette, c.pairs, path), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_TRUE(dir_.List().empty());
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace

namespace {

// Images in memory take the one-pass interleave, images in files the band
// by band one: both must give the same file and read back the same.
TEST_F(PngWriter, ImagesInFilesAndInMemoryGiveTheSameFile) {
  for (int channels : {3, 4}) {
    SCOPED_TRACE(channels);
    const Picture picture = png_test::MakePicture(33, 17, channels, 8, 4);
    std::vector<std::vector<uint8_t>> files;
    for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile}) {
      IpiObject* image = png_test::MakeImage(sys_, picture, repository);
      const std::string path = dir_.File("r" + std::to_string(repository) + ".png");
      const IpiAttribute pairs[] = {{"interlacedImage", 1}};
      ASSERT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatPng, pairs, 1), 0);
      files.push_back(testing_support::ReadFileBytes(path));
      const IpiAttribute shape[] = {{"repository", repository}};
      IpiObject* back = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
      ASSERT_EQ(IpiReadFile(sys_, path.c_str(), back, kFormatPng, nullptr, 0), 0);
      EXPECT_TRUE(png_test::ReadPicture(sys_, back, 8).samples == picture.samples);
    }
    EXPECT_TRUE(files[0] == files[1]);
  }
}

}  // namespace
