// Every file of PngSuite through the read front: the files of the depths
// and colour types this library reads decode to exactly the RGBA answer key
// kept beside the suite (palette colours and transparency applied); the
// rest are refused with the code the table gives, and nothing crashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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

namespace fs = std::filesystem;

struct Refusal {
  const char* file;
  int code;
  const char* why;
};

// Files refused on reading; every other file of the suite must read.
constexpr Refusal kRefused[] = {
    // Broken on purpose.
    {"xc1n0g08", kIpiSyntaxError, "colour type 1"},
    {"xc9n2c08", kIpiSyntaxError, "colour type 9"},
    {"xcrn0g04", kIpiSyntaxError, "signature with CR bytes added"},
    {"xcsn0g01", kIpiSyntaxError, "IDAT CRC"},
    {"xd0n2c08", kIpiSyntaxError, "bit depth 0"},
    {"xd3n2c08", kIpiSyntaxError, "bit depth 3"},
    {"xd9n2c08", kIpiSyntaxError, "bit depth 99"},
    {"xdtn0g01", kIpiSyntaxError, "no IDAT"},
    {"xhdn0g08", kIpiSyntaxError, "IHDR CRC"},
    {"xlfn0g04", kIpiSyntaxError, "signature with LF bytes added"},
    {"xs1n0g01", kIpiSyntaxError, "signature byte 1"},
    {"xs2n0g01", kIpiSyntaxError, "signature byte 2"},
    {"xs4n0g01", kIpiSyntaxError, "signature byte 4"},
    {"xs7n0g01", kIpiSyntaxError, "signature byte 7"},
    // Grey with alpha: refused at IHDR.
    {"basi4a08", kIpiSyntaxError, "grey with alpha"},
    {"basi4a16", kIpiSyntaxError, "grey with alpha"},
    {"basn4a08", kIpiSyntaxError, "grey with alpha"},
    {"basn4a16", kIpiSyntaxError, "grey with alpha"},
    {"bgai4a08", kIpiSyntaxError, "grey with alpha"},
    {"bgai4a16", kIpiSyntaxError, "grey with alpha"},
    {"bgbn4a08", kIpiSyntaxError, "grey with alpha"},
    {"bggn4a16", kIpiSyntaxError, "grey with alpha"},
    // Depths without a row layout: refused at the end of the scan.
    {"basi0g02", kIpiSyntaxError, "2 bits"}, {"basi3p02", kIpiSyntaxError, "2 bits"},
    {"basn0g02", kIpiSyntaxError, "2 bits"}, {"basn3p02", kIpiSyntaxError, "2 bits"},
    {"s05i3p02", kIpiSyntaxError, "2 bits"}, {"s05n3p02", kIpiSyntaxError, "2 bits"},
    {"s06i3p02", kIpiSyntaxError, "2 bits"}, {"s06n3p02", kIpiSyntaxError, "2 bits"},
    {"s07i3p02", kIpiSyntaxError, "2 bits"}, {"s07n3p02", kIpiSyntaxError, "2 bits"},
    {"s08i3p02", kIpiSyntaxError, "2 bits"}, {"s08n3p02", kIpiSyntaxError, "2 bits"},
    {"s09i3p02", kIpiSyntaxError, "2 bits"}, {"s09n3p02", kIpiSyntaxError, "2 bits"},
    {"tm3n3p02", kIpiSyntaxError, "2 bits"},
    {"basi0g16", kIpiSyntaxError, "16 bits"}, {"basi2c16", kIpiSyntaxError, "16 bits"},
    {"basi6a16", kIpiSyntaxError, "16 bits"}, {"basn0g16", kIpiSyntaxError, "16 bits"},
    {"basn2c16", kIpiSyntaxError, "16 bits"}, {"basn6a16", kIpiSyntaxError, "16 bits"},
    {"bgan6a16", kIpiSyntaxError, "16 bits"}, {"bgyn6a16", kIpiSyntaxError, "16 bits"},
    {"cs3n2c16", kIpiSyntaxError, "16 bits"}, {"g03n0g16", kIpiSyntaxError, "16 bits"},
    {"g04n0g16", kIpiSyntaxError, "16 bits"}, {"g05n0g16", kIpiSyntaxError, "16 bits"},
    {"g07n0g16", kIpiSyntaxError, "16 bits"}, {"g10n0g16", kIpiSyntaxError, "16 bits"},
    {"g25n0g16", kIpiSyntaxError, "16 bits"}, {"oi1n0g16", kIpiSyntaxError, "16 bits"},
    {"oi1n2c16", kIpiSyntaxError, "16 bits"}, {"oi2n0g16", kIpiSyntaxError, "16 bits"},
    {"oi2n2c16", kIpiSyntaxError, "16 bits"}, {"oi4n0g16", kIpiSyntaxError, "16 bits"},
    {"oi4n2c16", kIpiSyntaxError, "16 bits"}, {"oi9n0g16", kIpiSyntaxError, "16 bits"},
    {"oi9n2c16", kIpiSyntaxError, "16 bits"}, {"pp0n2c16", kIpiSyntaxError, "16 bits"},
    {"ps1n2c16", kIpiSyntaxError, "16 bits"}, {"ps2n2c16", kIpiSyntaxError, "16 bits"},
    {"tbbn2c16", kIpiSyntaxError, "16 bits"}, {"tbgn2c16", kIpiSyntaxError, "16 bits"},
    {"tbwn0g16", kIpiSyntaxError, "16 bits"},
};

// The answer key: [r, g, b, a, ...] as decimal numbers.
std::vector<int> ReadAnswerKey(const std::string& path) {
  std::ifstream in(path);
  std::vector<int> values;
  char c = 0;
  int value = 0;
  bool in_number = false;
  while (in.get(c)) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      in_number = true;
    } else if (in_number) {
      values.push_back(value);
      value = 0;
      in_number = false;
    }
  }
  return values;
}

std::vector<uint8_t> LutEntries(IpiSystem* sys, IpiObject* lut) {
  const int64_t entries = lut->fields.dimension[kDimX];
  std::vector<uint8_t> runs(static_cast<size_t>(3 * entries));
  IpiStream* stream = IpiOpenStream(sys, lut, "r", 0);
  EXPECT_NE(stream, nullptr);
  EXPECT_EQ(IpiReadBytes(sys, stream, 0, runs.data(), 3 * entries), 3 * entries);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return runs;
}

// What the read image shows, as RGBA with 8-bit samples.
std::vector<int> ImageRgba(IpiSystem* sys, IpiObject* image, IpiObject* lut) {
  const intptr_t colour_type = IpiInquireAttribute(sys, image, "colourType");
  const int depth = image->fields.data_precision;
  const png_test::Picture p = png_test::ReadPicture(sys, image, depth);
  const bool has_key = IpiInquireAttribute(sys, image, "transparency") != 0;
  const int scale = 255 / ((1 << depth) - 1);
  std::vector<uint8_t> palette;
  const uint8_t* alpha = nullptr;
  if (colour_type == kPngColourPalette) {
    palette = LutEntries(sys, lut);
    if (has_key) alpha = reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys, image, "transparencyPaletteIndex"));
  }
  const intptr_t key[3] = {IpiInquireAttribute(sys, image, colour_type == kPngColourGrey ? "transparencyGray" : "transparencyRed"),
                           IpiInquireAttribute(sys, image, "transparencyGreen"),
                           IpiInquireAttribute(sys, image, "transparencyBlue")};
  const int64_t entries = lut->fields.dimension[kDimX];
  std::vector<int> rgba;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      switch (colour_type) {
        case kPngColourGrey: {
          const int v = p.at(y, x, 0);
          rgba.insert(rgba.end(), {v * scale, v * scale, v * scale, has_key && v == key[0] ? 0 : 255});
          break;
        }
        case kPngColourPalette: {
          const int i = p.at(y, x, 0);
          rgba.insert(rgba.end(), {palette[i], palette[entries + i], palette[2 * entries + i], alpha != nullptr ? alpha[i] : 255});
          break;
        }
        case kPngColourRgb: {
          const bool clear = has_key && p.at(y, x, 0) == key[0] && p.at(y, x, 1) == key[1] && p.at(y, x, 2) == key[2];
          rgba.insert(rgba.end(), {p.at(y, x, 0), p.at(y, x, 1), p.at(y, x, 2), clear ? 0 : 255});
          break;
        }
        default:
          rgba.insert(rgba.end(), {p.at(y, x, 0), p.at(y, x, 1), p.at(y, x, 2), p.at(y, x, 3)});
          break;
      }
    }
  }
  return rgba;
}

TEST(PngSuite, EveryFileReadsToItsAnswerKeyOrIsRefusedAsTheTableSays) {
  const std::string corpus = testing_support::CorpusDir();
  ASSERT_FALSE(corpus.empty()) << "PELRITH_CORPUS_DIR is not set";
  const fs::path folder = fs::path(corpus) / "pngsuite";
  std::map<std::string, const Refusal*> refused;
  for (const Refusal& r : kRefused) {
    refused[r.file] = &r;
    EXPECT_TRUE(fs::exists(folder / "png" / (std::string(r.file) + ".png"))) << r.file;
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder / "png")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  for (const fs::path& file : files) {
    const std::string name = file.stem().string();
    SCOPED_TRACE(name);
    IpiSystem* sys = IpiOpenSystem(nullptr);
    ASSERT_NE(sys, nullptr);
    IpiObject* lut = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
    IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 2);
    ASSERT_NE(image, nullptr);
    const int status = IpiReadFile(sys, file.c_str(), image, kFormatPng, nullptr, 0);
    const auto found = refused.find(name);
    if (found != refused.end()) {
      EXPECT_EQ(status, found->second->code) << found->second->why;
      EXPECT_EQ(IpiGetLastError(sys), found->second->code);
    } else {
      ASSERT_EQ(status, 0);
      EXPECT_EQ(image->fields.compression, kCompressionNone);
      const std::vector<int> expected = ReadAnswerKey((folder / "json" / (name + ".json")).string());
      const std::vector<int> ours = ImageRgba(sys, image, lut);
      ASSERT_EQ(ours.size(), expected.size());
      EXPECT_TRUE(ours == expected) << "pixels differ from the answer key";
    }
    IpiCloseSystem(sys);
  }
}

}  // namespace
