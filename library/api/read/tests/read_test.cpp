// Inquiring and reading image files through the entry points: files written
// by other programs, page ranges of TIFF files, plain BMP files taken from
// their header, bad arguments, damaged files and the corpora.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Pelrith.h"
#include "oracle_files.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::ReadDib;
using api_testing::ScopedHandle;
using read_testing::MaxSampleDifference;
using read_testing::OracleFile;
using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

struct Values {
  intptr_t compression = -7, width = -7, height = -7, colour_mode = -7, x_dpi = -7, y_dpi = -7, progressive = -7;
};

int32_t Inquire(const std::string& path, int32_t format, Values* v) {
  const IpiAttributePair pairs[] = {{"compression", reinterpret_cast<intptr_t>(&v->compression)},
                                    {"xDimension", reinterpret_cast<intptr_t>(&v->width)},
                                    {"yDimension", reinterpret_cast<intptr_t>(&v->height)},
                                    {"colorMode", reinterpret_cast<intptr_t>(&v->colour_mode)},
                                    {"xResolution", reinterpret_cast<intptr_t>(&v->x_dpi)},
                                    {"yResolution", reinterpret_cast<intptr_t>(&v->y_dpi)},
                                    {"progressive", reinterpret_cast<intptr_t>(&v->progressive)}};
  int32_t status = 99;
  const int32_t result = CmiInquireValues(path.c_str(), 1, 0, format, pairs, 7, &status);
  EXPECT_EQ(result, status);
  return status;
}

// One image of a file as a packed bitmap (0 on failure, with the status).
HGLOBAL ReadOne(const std::string& path, int32_t format, int32_t* status, int32_t first_index = 0,
                const IpiAttributePair* pairs = nullptr, int32_t n = 0) {
  HGLOBAL image = 0;
  const int32_t count = CmiReadAndParse(path.c_str(), &image, 1, format, first_index, pairs, n, status);
  EXPECT_EQ(count == 0, *status != 0) << "a failure must come with a status";
  EXPECT_EQ(count == 0, image == 0);
  return image;
}

class ReadOracleFiles : public testing::Test {
 protected:
  void SetUp() override { files_ = read_testing::MakeOracleFiles(dir_.path()); }
  const OracleFile& File(const std::string& name) const {
    for (const OracleFile& file : files_) {
      if (file.name == name) return file;
    }
    throw std::runtime_error(name);
  }
  ScopedTempDir dir_;
  std::vector<OracleFile> files_;
};

TEST_F(ReadOracleFiles, EveryFileIsIdentifiedInquiredAndReadToItsPicture) {
  for (const OracleFile& file : files_) {
    SCOPED_TRACE(file.name);
    int32_t status = 99;
    EXPECT_EQ(CmiInquireFileFormat(file.path.c_str(), nullptr, 0, &status), file.format);
    EXPECT_EQ(status, 0);
    Values v;
    ASSERT_EQ(Inquire(file.path, file.format, &v), 0);
    EXPECT_EQ(v.width, 13);
    EXPECT_EQ(v.height, 7);
    if (file.colour_mode != 0) {
      EXPECT_EQ(v.colour_mode, file.colour_mode);
    }
    if (file.compression >= 0) {
      EXPECT_EQ(v.compression, file.compression);
    }
    if (file.format == kCmiFormatJpeg) {
      EXPECT_EQ(v.progressive, file.name == "jpeg_progressive" ? 1 : 0);
    }

    ScopedHandle image(ReadOne(file.path, file.format, &status));
    ASSERT_EQ(status, 0);
    const int worst = MaxSampleDifference(ReadDib(image.get()), file.reference);
    EXPECT_GE(worst, 0);
    EXPECT_LE(worst, file.lossy ? 2 : 0);
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST_F(ReadOracleFiles, PlainBmpBecomesAPackedBitmapFromItsHeaderAndPixelOffset) {
  // A V5 header from ImageMagick, and a gap between colour table and rows.
  const std::vector<uint8_t> v5 = ReadFileBytes(File("bmp_v5_header").path);
  ASSERT_GT(v5.size(), 18u);
  EXPECT_GT(v5[14], 40) << "the fixture must carry a larger info header";
  std::vector<uint8_t> gap = ReadFileBytes(File("bmp_8").path);
  const uint32_t offset = gap[10] | gap[11] << 8;
  gap.insert(gap.begin() + offset, 24, 0xAB);
  gap[10] = static_cast<uint8_t>(offset + 24);
  const std::string gap_path = dir_.File("gap.bmp");
  WriteFileBytes(gap_path, gap);
  for (const std::string& path : {File("bmp_v5_header").path, gap_path}) {
    SCOPED_TRACE(path);
    int32_t status = 99;
    ScopedHandle image(ReadOne(path, kCmiFormatBmp, &status));
    ASSERT_EQ(status, 0);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(image.get()));
    EXPECT_EQ(bytes[0], 40);
    GlobalUnlock(image.get());
    EXPECT_EQ(MaxSampleDifference(ReadDib(image.get()), read_testing::ColourPicture()), 0);
  }
  // Rows cut off by the end of the file are refused.
  std::vector<uint8_t> cut = ReadFileBytes(File("bmp_24").path);
  cut.resize(cut.size() - 5);
  WriteFileBytes(gap_path, cut);
  int32_t status = 0;
  EXPECT_EQ(ReadOne(gap_path, kCmiFormatBmp, &status), HGLOBAL{0});
  EXPECT_EQ(status, 22);
}

TEST_F(ReadOracleFiles, ResolutionsAreReportedInDotsPerInch) {
  // 3780 and 11811 pixels per metre.
  std::vector<uint8_t> bmp = ReadFileBytes(File("bmp_24").path);
  const uint32_t ppm[2] = {3780, 11811};
  for (int i = 0; i < 2; ++i) {
    for (int b = 0; b < 4; ++b) bmp[38 + 4 * i + b] = static_cast<uint8_t>(ppm[i] >> (8 * b));
  }
  WriteFileBytes(dir_.File("dpi.bmp"), bmp);
  Values v;
  ASSERT_EQ(Inquire(dir_.File("dpi.bmp"), kCmiFormatBmp, &v), 0);
  EXPECT_EQ(v.x_dpi, 96);
  EXPECT_EQ(v.y_dpi, 300);
  // A TIFF stored in centimetres: 118 and 47.25 per centimetre.
  const std::string tiff = File("tiff_rgb").path;
  ASSERT_EQ(testing_support::RunCommand("tiffset -s 296 3 " + tiff + " && tiffset -s 282 118 " + tiff +
                                        " && tiffset -s 283 47.25 " + tiff),
            0);
  ASSERT_EQ(Inquire(tiff, kCmiFormatTiff, &v), 0);
  EXPECT_EQ(v.x_dpi, 300);
  EXPECT_EQ(v.y_dpi, 120);
}

TEST_F(ReadOracleFiles, TiffPagesAreCountedInquiredAndReadInRange) {
  const std::string pages = dir_.File("pages.tif");
  ASSERT_EQ(testing_support::RunCommand("tiffcp " + File("tiff_rgb").path + " " + File("tiff_grey").path + " " +
                                        File("tiff_bilevel_g4").path + " " + pages),
            0);
  int32_t status = 99;
  EXPECT_EQ(CmiInquireImageNumber(pages.c_str(), kCmiFormatTiff, nullptr, 0, &status), 3);
  EXPECT_EQ(status, 0);

  // Ten entries asked for: the three pages fill 0..2, the rest stay.
  std::array<intptr_t, 10> modes;
  modes.fill(-5);
  const IpiAttributePair pairs[] = {{"colorMode", reinterpret_cast<intptr_t>(modes.data())}};
  EXPECT_EQ(CmiInquireValues(pages.c_str(), 10, 0, kCmiFormatTiff, pairs, 1, &status), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ((std::array<intptr_t, 4>{modes[0], modes[1], modes[2], modes[3]}),
            (std::array<intptr_t, 4>{18, 16, 14, -5}));

  // From page 1 on, five asked for: two delivered.
  std::array<HGLOBAL, 5> images{};
  images.fill(HGLOBAL{0});
  EXPECT_EQ(CmiReadAndParse(pages.c_str(), images.data(), 5, kCmiFormatTiff, 1, nullptr, 0, &status), 2);
  EXPECT_EQ(status, 0);
  ScopedHandle grey(images[0]), bilevel(images[1]);
  EXPECT_EQ(MaxSampleDifference(ReadDib(grey.get()), File("tiff_grey").reference), 0);
  EXPECT_EQ(MaxSampleDifference(ReadDib(bilevel.get()), File("tiff_bilevel_g4").reference), 0);
  EXPECT_EQ(images[2], HGLOBAL{0});

  // A first page at or past the end is refused, for reading and inquiring.
  for (int32_t first : {3, 4}) {
    EXPECT_EQ(CmiReadAndParse(pages.c_str(), images.data(), 1, kCmiFormatTiff, first, nullptr, 0, &status), 0);
    EXPECT_EQ(status, -100);
    EXPECT_EQ(CmiInquireValues(pages.c_str(), 1, first, kCmiFormatTiff, pairs, 1, &status), -100);
  }
}

TEST(ReadEntryPoints, BadArgumentsAreRefusedBeforeAnythingIsRead) {
  ScopedTempDir dir;
  const std::string path = dir.File("x.png");
  WriteFileBytes(path, {1, 2, 3});
  HGLOBAL image = 0;
  const IpiAttributePair pass8[] = {{"interlacePass", 8}};
  struct Case {
    const char* name;
    const char* file;
    HGLOBAL* images;
    int32_t count, format, first;
    const IpiAttributePair* pairs;
    int32_t n;
  } cases[] = {
      {"no file name", nullptr, &image, 1, kCmiFormatPng, 0, nullptr, 0},
      {"no slots", path.c_str(), nullptr, 1, kCmiFormatPng, 0, nullptr, 0},
      {"count 0", path.c_str(), &image, 0, kCmiFormatPng, 0, nullptr, 0},
      {"unknown format", path.c_str(), &image, 1, 99, 0, nullptr, 0},
      {"tiff first -1", path.c_str(), &image, 1, kCmiFormatTiff, -1, nullptr, 0},
      {"gif first -1", path.c_str(), &image, 1, kCmiFormatGif, -1, nullptr, 0},
      {"interlace pass 8", path.c_str(), &image, 1, kCmiFormatPng, 0, pass8, 1},
      {"pairs missing", path.c_str(), &image, 1, kCmiFormatPng, 0, nullptr, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t status = 0;
    EXPECT_EQ(CmiReadAndParse(c.file, c.images, c.count, c.format, c.first, c.pairs, c.n, &status), 0);
    EXPECT_EQ(status, -100);
  }
  int32_t status = 0;
  intptr_t mode = 0;
  const IpiAttributePair no_target[] = {{"colorMode", 0}};
  const IpiAttributePair target[] = {{"colorMode", reinterpret_cast<intptr_t>(&mode)}};
  EXPECT_EQ(CmiInquireValues(path.c_str(), 1, 0, kCmiFormatPng, no_target, 1, &status), -100);
  EXPECT_EQ(CmiInquireValues(path.c_str(), 1, 0, 3, target, 1, &status), -100);
  EXPECT_EQ(CmiInquireValues(path.c_str(), 0, 0, kCmiFormatTiff, target, 1, &status), -100);
  EXPECT_EQ(CmiInquireImageNumber(path.c_str(), kCmiFormatPng, nullptr, 0, &status), 0);
  EXPECT_EQ(status, -100);
  EXPECT_EQ(CmiInquireFileFormat(nullptr, nullptr, 0, &status), 0);
  EXPECT_EQ(status, -100);
  // A null status is tolerated.
  EXPECT_EQ(CmiReadAndParse(path.c_str(), &image, 0, kCmiFormatPng, 0, nullptr, 0, nullptr), 0);
}

TEST(ReadEntryPoints, MissingAndEmptyFilesNeverReportSuccess) {
  ScopedTempDir dir;
  const std::string missing = dir.File("missing.tif");
  int32_t status = 0;
  HGLOBAL image = 0;
  EXPECT_EQ(CmiReadAndParse(missing.c_str(), &image, 1, kCmiFormatTiff, 0, nullptr, 0, &status), 0);
  EXPECT_EQ(status, 25);
  EXPECT_EQ(CmiInquireFileFormat(missing.c_str(), nullptr, 0, &status), 0);
  EXPECT_EQ(status, 25);
  // A GIF image count opens the file.
  EXPECT_EQ(CmiInquireImageNumber(missing.c_str(), kCmiFormatGif, nullptr, 0, &status), 0);
  EXPECT_EQ(status, 26);
  const std::string gif = dir.File("a.gif");
  WriteFileBytes(gif, {'G', 'I', 'F', '8', '9', 'a'});
  EXPECT_EQ(CmiInquireImageNumber(gif.c_str(), kCmiFormatGif, nullptr, 0, &status), 1);
  EXPECT_EQ(status, 0);

  // A TIFF header whose first directory offset is 0: a file of no page.
  const std::string empty = dir.File("empty.tif");
  WriteFileBytes(empty, {'I', 'I', 42, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(CmiInquireImageNumber(empty.c_str(), kCmiFormatTiff, nullptr, 0, &status), 0);
  EXPECT_NE(status, 0);
  EXPECT_EQ(CmiReadAndParse(empty.c_str(), &image, 2, kCmiFormatTiff, 0, nullptr, 0, &status), 0);
  EXPECT_NE(status, 0);
  intptr_t mode = 0;
  const IpiAttributePair target[] = {{"colorMode", reinterpret_cast<intptr_t>(&mode)}};
  EXPECT_NE(CmiInquireValues(empty.c_str(), 1, 0, kCmiFormatTiff, target, 1, &status), 0);
  // Bytes of no known format.
  WriteFileBytes(empty, std::vector<uint8_t>(64, 0x11));
  EXPECT_EQ(CmiInquireFileFormat(empty.c_str(), nullptr, 0, &status), 0);
  EXPECT_NE(status, 0);
}

TEST_F(ReadOracleFiles, TruncatedAndDamagedFilesGiveCleanStatuses) {
  const std::string cut_path = dir_.File("cut");
  for (const OracleFile& file : files_) {
    SCOPED_TRACE(file.name);
    const std::vector<uint8_t> whole = ReadFileBytes(file.path);
    for (int step = 0; step < 12; ++step) {
      std::vector<uint8_t> bytes = whole;
      if (step < 8) {
        bytes.resize(bytes.size() * step / 8);  // prefixes
      } else {
        // Headers with damaged bytes.
        const size_t at = (step - 8) * 5 + 2;
        if (at < bytes.size()) bytes[at] ^= 0xFF;
      }
      WriteFileBytes(cut_path, bytes);
      int32_t status = 0;
      ScopedHandle image(ReadOne(cut_path, file.format, &status));
      if (step < 8 && image.get() == 0) {
        EXPECT_NE(status, 0);
      }
      if (image.get() != 0) (void)ReadDib(image.get());
      Values v;
      (void)Inquire(cut_path, file.format, &v);
    }
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

// The PNG suite: every file either reads to its reference decode or is
// refused cleanly; the deliberately broken files are refused.
std::vector<int> ReadJsonNumbers(const std::string& path) {
  std::ifstream in(path);
  std::vector<int> numbers;
  std::string token;
  char c;
  while (in.get(c)) {
    if (c >= '0' && c <= '9') {
      token += c;
    } else if (!token.empty()) {
      numbers.push_back(std::stoi(token));
      token.clear();
    }
  }
  return numbers;
}

TEST(ReadCorpus, PngSuiteMatchesItsReferenceDecodesOrIsRefused) {
  PELRITH_REQUIRE_CORPUS();
  const std::filesystem::path suite = std::filesystem::path(testing_support::CorpusDir()) / "pngsuite";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(suite / "png")) {
    const std::string stem = entry.path().stem().string();
    if (entry.path().extension() != ".png") continue;
    SCOPED_TRACE(stem);
    int32_t status = 0;
    ScopedHandle image(ReadOne(entry.path().string(), kCmiFormatPng, &status));
    if (stem[0] == 'x') {
      EXPECT_NE(status, 0);
      continue;
    }
    if (image.get() == 0) {
      EXPECT_TRUE(status == 12 || status == 22) << status;
      continue;
    }
    const std::filesystem::path json = suite / "json" / (stem + ".json");
    if (!std::filesystem::exists(json)) continue;
    const std::vector<int> rgba = ReadJsonNumbers(json.string());
    const api_testing::DibImage dib = ReadDib(image.get());
    ASSERT_EQ(rgba.size(), static_cast<size_t>(dib.width) * dib.height * 4);
    bool opaque = true;
    for (size_t i = 3; i < rgba.size(); i += 4) opaque = opaque && rgba[i] == 255;
    if (!opaque) continue;  // the reference decode is composited differently
    int worst = 0;
    for (int32_t y = 0; y < dib.height; ++y) {
      for (int32_t x = 0; x < dib.width; ++x) {
        const api_testing::Rgb c = dib.Colour(x, y);
        const size_t i = (static_cast<size_t>(y) * dib.width + x) * 4;
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int{c[k]} - rgba[i + k]));
      }
    }
    EXPECT_EQ(worst, 0);
    ++compared;
  }
  EXPECT_GT(compared, 20);
}

TEST(ReadCorpus, TiffImagesReadOrAreRefusedCleanly) {
  PELRITH_REQUIRE_CORPUS();
  const std::filesystem::path folder = std::filesystem::path(testing_support::CorpusDir()) / "libtiff-images";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".tif" && ext != ".tiff") continue;
    SCOPED_TRACE(entry.path().filename().string());
    int32_t status = 0;
    std::array<HGLOBAL, 4> images{};
    const int32_t read = CmiReadAndParse(entry.path().c_str(), images.data(), 4, kCmiFormatTiff, 0, nullptr, 0,
                                         &status);
    EXPECT_EQ(read == 0, status != 0);
    for (int32_t i = 0; i < read; ++i) {
      ScopedHandle page(images[i]);
      (void)ReadDib(page.get());
    }
    // Where netpbm's decode is beside the file, the first page matches it.
    for (const char* reference_ext : {".ppm", ".pgm", ".pbm"}) {
      std::filesystem::path reference = entry.path();
      reference.replace_extension(reference_ext);
      if (!std::filesystem::exists(reference) || read == 0) continue;
      const std::vector<uint8_t> bytes = ReadFileBytes(reference.string());
      int32_t again = 0;
      ScopedHandle first(ReadOne(entry.path().string(), kCmiFormatTiff, &again));
      ASSERT_EQ(again, 0);
      EXPECT_EQ(MaxSampleDifference(ReadDib(first.get()),
                                    api_testing::ParsePnm(std::string(bytes.begin(), bytes.end()))),
                0);
    }
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
