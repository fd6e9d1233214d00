// Inquiring and reading image files through the entry points: files written
// by other programs, page ranges of TIFF files, plain BMP files taken from
// their header, bad arguments, damaged files and the corpora.
#include <gtest/gtest.h>

#include <algorithm>
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
  // A GIF image count is 1 without a look at the file; reading it tells.
  EXPECT_EQ(CmiInquireImageNumber(missing.c_str(), kCmiFormatGif, nullptr, 0, &status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(CmiReadAndParse(missing.c_str(), &image, 1, kCmiFormatGif, 0, nullptr, 0, &status), 0);
  EXPECT_EQ(status, 25);
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

// The damaged files users meet most each read as far as they go, with status
// 0: a JPEG cut to two thirds (djpeg's decode of the same bytes), a
// one-dimensional G3 page with one damaged byte (libtiff's rows wherever
// libtiff kept the page's rows), a run-length bitmap cut short (its bottom
// rows), and two TIFF pages whose chain loops back to the first.
TEST(ReadEntryPoints, DamagedFilesReadAsFarAsTheyGo) {
  ScopedTempDir dir;
  const std::string cd = "cd '" + dir.path() + "' && ";
  auto run = [&](const std::string& command) { return testing_support::RunCommand(cd + command); };
  std::string ppm = "P6\n64 48\n255\n";
  uint32_t seed = 7;
  for (int i = 0; i < 64 * 48 * 3; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int x = i / 3 % 64, y = i / 3 / 64;
    ppm += static_cast<char>(x < 32 ? x * 4 + y * 3 + i % 3 * 50 : static_cast<int>(seed >> 16));
  }
  WriteFileBytes(dir.File("a.ppm"), std::vector<uint8_t>(ppm.begin(), ppm.end()));
  auto read = [&](const std::string& name, int32_t format) {
    int32_t status = 99;
    ScopedHandle image(ReadOne(dir.File(name), format, &status));
    EXPECT_EQ(status, 0) << name;
    return image.get() != 0 ? ReadDib(image.get()) : api_testing::DibImage{};
  };
  auto same_row = [](const api_testing::DibImage& a, const api_testing::PnmImage& b, int32_t y) {
    for (int32_t x = 0; x < a.width; ++x) {
      if (a.Colour(x, y) != b.pixels[static_cast<size_t>(y) * b.width + x]) return false;
    }
    return true;
  };

  // JPEG: libjpeg's warnings are no errors, and the rows are djpeg's.
  ASSERT_EQ(run("cjpeg a.ppm > whole.jpg"), 0);
  std::vector<uint8_t> jpeg = ReadFileBytes(dir.File("whole.jpg"));
  jpeg.resize(jpeg.size() * 2 / 3);
  WriteFileBytes(dir.File("cut.jpg"), jpeg);
  (void)run("djpeg -pnm cut.jpg > cut.ppm 2>/dev/null");  // exits with 2 after its warning
  EXPECT_EQ(MaxSampleDifference(read("cut.jpg", kCmiFormatJpeg), api_testing::ParsePnm(testing_support::ReadFileText(dir.File("cut.ppm")))), 0);

  // G3 one-dimensional: one byte of the strip (which tiffcp puts at 8) damaged.
  ASSERT_EQ(run("ppmtopgm a.ppm | pgmtopbm -threshold > page.pbm && pnmtotiff page.pbm > page.tif && "
                "tiffcp -c g3:1d page.tif g3.tif"), 0);
  std::vector<uint8_t> g3 = ReadFileBytes(dir.File("g3.tif"));
  ASSERT_EQ(g3[0], 'I');
  const uint32_t directory = g3[4] | g3[5] << 8 | g3[6] << 16 | uint32_t{g3[7]} << 24;
  g3[8 + (directory - 8) / 3] ^= 0x5B;
  WriteFileBytes(dir.File("damaged.tif"), g3);
  const api_testing::DibImage fax = read("damaged.tif", kCmiFormatTiff);
  const api_testing::PnmImage page = api_testing::ParsePnm(testing_support::ReadFileText(dir.File("page.pbm")));
  ASSERT_EQ(fax.height, page.height);
  const bool libtiff_read = run("tiffcp -c none damaged.tif theirs.tif 2>/dev/null && tifftopnm theirs.tif > theirs.pbm 2>/dev/null") == 0;
  const api_testing::PnmImage theirs =
      libtiff_read ? api_testing::ParsePnm(testing_support::ReadFileText(dir.File("theirs.pbm"))) : page;
  ASSERT_EQ(theirs.pixels.size(), page.pixels.size());
  int damaged_rows = 0;
  for (int32_t y = 0; y < page.height; ++y) {
    const auto row = [&](const api_testing::PnmImage& p) {
      return std::vector<api_testing::Rgb>(p.pixels.begin() + y * p.width, p.pixels.begin() + (y + 1) * p.width);
    };
    // Where libtiff's decode is the page's row, ours is too.
    if (libtiff_read ? row(theirs) != row(page) : !same_row(fax, page, y)) {
      ++damaged_rows;
      continue;
    }
    EXPECT_TRUE(same_row(fax, page, y)) << "row " << y;
  }
  EXPECT_LT(damaged_rows, 4);

  // A run-length bitmap cut to two thirds: the rows coded first (the bottom
  // third at least) are the whole file's.
  ASSERT_EQ(run("convert-im6.q16 a.ppm -type Palette -compress RLE BMP3:rle.bmp"), 0);
  const api_testing::DibImage whole_rle = read("rle.bmp", kCmiFormatBmp);
  std::vector<uint8_t> rle = ReadFileBytes(dir.File("rle.bmp"));
  ASSERT_EQ(rle[30], 1);
  rle.resize(rle.size() * 2 / 3);
  WriteFileBytes(dir.File("cut.bmp"), rle);
  const api_testing::DibImage cut_rle = read("cut.bmp", kCmiFormatBmp);
  ASSERT_EQ(cut_rle.height, 48);
  for (int32_t y = 32; y < 48; ++y) {
    for (int32_t x = 0; x < 64; ++x) EXPECT_EQ(cut_rle.Colour(x, y), whole_rle.Colour(x, y)) << x << ", " << y;
  }

  // TIFF: page 1 links back to page 0; both pages count and read.
  ASSERT_EQ(run("pnmtotiff a.ppm > one.tif && tiffcp one.tif one.tif two.tif"), 0);
  std::vector<uint8_t> two = ReadFileBytes(dir.File("two.tif"));
  auto u32 = [&](size_t at) { return two[at] | two[at + 1] << 8 | two[at + 2] << 16 | uint32_t{two[at + 3]} << 24; };
  ASSERT_EQ(two[0], 'I');
  const uint32_t first = u32(4);
  const uint32_t second = u32(first + 2 + 12 * (two[first] | two[first + 1] << 8));
  const size_t link = second + 2 + 12 * (two[second] | two[second + 1] << 8);
  ASSERT_EQ(u32(link), 0u);
  for (int i = 0; i < 4; ++i) two[link + i] = static_cast<uint8_t>(first >> (8 * i));
  WriteFileBytes(dir.File("loop.tif"), two);
  int32_t status = 99;
  EXPECT_EQ(CmiInquireImageNumber(dir.File("loop.tif").c_str(), kCmiFormatTiff, nullptr, 0, &status), 2);
  EXPECT_EQ(status, 0);
  HGLOBAL pages[5] = {};
  ASSERT_EQ(CmiReadAndParse(dir.File("loop.tif").c_str(), pages, 5, kCmiFormatTiff, 0, nullptr, 0, &status), 2);
  EXPECT_EQ(status, 0);
  const api_testing::PnmImage picture = api_testing::ParsePnm(ppm);
  for (HGLOBAL handle : pages) {
    if (handle == 0) continue;
    EXPECT_EQ(MaxSampleDifference(ReadDib(handle), picture), 0);
    GlobalFree(handle);
  }
  ScopedHandle first_page(ReadOne(dir.File("loop.tif"), kCmiFormatTiff, &status));
  EXPECT_EQ(status, 0);
}

// A plain bitmap file that is already a packed bitmap comes back as it
// stands, its header fields (image size, colours used) included.
TEST_F(ReadOracleFiles, PlainBmpComesBackAsTheFilesOwnBitmap) {
  for (const char* name : {"bmp_1", "bmp_4", "bmp_8", "bmp_24"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> file = ReadFileBytes(File(name).path);
    int32_t status = 99;
    ScopedHandle image(ReadOne(File(name).path, kCmiFormatBmp, &status));
    ASSERT_EQ(status, 0);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(image.get()));
    ASSERT_EQ(GlobalSize(image.get()), file.size() - 14);
    EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), bytes));
    GlobalUnlock(image.get());
  }
}

// Two kinds of bitmap file whose rows do not fit their colour table: indices
// past the table get a table of the whole depth (the added entries black),
// and rows that start inside the table are refused.
TEST(ReadEntryPoints, BitmapsWhoseRowsDoNotFitTheirTableAreMendedOrRefused) {
  ScopedTempDir dir;
  // 8 bits, 4 x 2, a table of 3 entries, indices up to 200.
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0,
                               1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 3, 0, 0, 0,
                               3, 0, 0, 0};
  file.insert(file.end(), {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0});
  file.insert(file.end(), {0, 1, 2, 200, 2, 1, 0, 7});  // bottom row, then top row
  file[2] = static_cast<uint8_t>(file.size());
  const std::string path = dir.File("short_table.bmp");
  WriteFileBytes(path, file);
  int32_t status = 99;
  ScopedHandle image(ReadOne(path, kCmiFormatBmp, &status));
  ASSERT_EQ(status, 0);
  const api_testing::DibImage dib = ReadDib(image.get());  // also checks the handle's size
  ASSERT_EQ(dib.palette.size(), 256u);
  EXPECT_EQ(dib.palette[1], (api_testing::Rgb{60, 50, 40}));
  EXPECT_EQ(dib.palette[200], (api_testing::Rgb{0, 0, 0}));
  EXPECT_EQ(dib.indices, (std::vector<uint32_t>{2, 1, 0, 7, 0, 1, 2, 200}));

  // The rows start inside the colour table.
  std::vector<uint8_t> overlap = file;
  overlap[10] = 58;
  WriteFileBytes(path, overlap);
  EXPECT_EQ(ReadOne(path, kCmiFormatBmp, &status), HGLOBAL{0});
  EXPECT_EQ(status, 22);
}

// A caller's bitmap whose indices run past its colour table: the entry
// points read only inside the handle (the sanitizer build watches), and an
// index past the table is black.
TEST(ReadEntryPoints, CallersBitmapWithIndicesPastItsTableIsReadInsideTheHandle) {
  api_testing::DibSpec spec;
  spec.bits = 8;
  spec.width = 5;
  spec.height = 3;
  spec.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ScopedHandle source(api_testing::MakeDib(spec, [](int32_t x, int32_t y) { return x == 4 ? 252u : (x + y) % 3; }));
  ASSERT_NE(source.get(), HGLOBAL{0});
  int32_t status = 99;
  ScopedHandle rgb(CmiModeRGBColor(source.get(), kCmiModeIndexed256, nullptr, 0, &status));
  ASSERT_EQ(status, 0);
  const api_testing::DibImage colour = ReadDib(rgb.get());
  EXPECT_EQ(colour.Colour(4, 1), (api_testing::Rgb{0, 0, 0}));
  EXPECT_EQ(colour.Colour(0, 0), (api_testing::Rgb{255, 0, 0}));
  ScopedHandle turned(CmiRotate(source.get(), 3, 5, 1, nullptr, 0, &status));
  ASSERT_EQ(status, 0);
  // The left column, bottom up, is the top row.
  EXPECT_EQ(ReadDib(turned.get()).Colour(0, 4), (api_testing::Rgb{0, 0, 0}));
  ScopedTempDir dir;
  for (int32_t format : {kCmiFormatBmp, kCmiFormatTiff, kCmiFormatPng}) {
    SCOPED_TRACE(format);
    const HGLOBAL images[] = {source.get()};
    const std::string path = dir.File("out");
    (void)CmiGenerateAndWrite(images, 1, path.c_str(), format, nullptr, 0, &status);
    EXPECT_EQ(status, 0);
  }
}

// Every variant the README lists as not read, made by the oracle programs
// (or patched from their files): each is refused with a status, no handle.
TEST(ReadEntryPoints, VariantsListedAsNotReadAreRefused) {
  ScopedTempDir dir;
  const std::string cd = "cd '" + dir.path() + "' && ";
  std::string ppm = "P6\n24 16\n255\n", pgm = "P5\n24 16\n255\n", pgm3 = "P5\n24 16\n3\n", pgm16 = "P5\n24 16\n65535\n";
  for (int i = 0; i < 24 * 16; ++i) {
    for (int c = 0; c < 3; ++c) ppm += static_cast<char>(i * (c + 3) + i / 24 * 40);
    pgm += static_cast<char>(i * 7);
    pgm3 += static_cast<char>(i % 4);
    pgm16 += static_cast<char>(i), pgm16 += static_cast<char>(i * 5);
  }
  WriteFileBytes(dir.File("a.ppm"), std::vector<uint8_t>(ppm.begin(), ppm.end()));
  WriteFileBytes(dir.File("a.pgm"), std::vector<uint8_t>(pgm.begin(), pgm.end()));
  WriteFileBytes(dir.File("a3.pgm"), std::vector<uint8_t>(pgm3.begin(), pgm3.end()));
  WriteFileBytes(dir.File("a16.pgm"), std::vector<uint8_t>(pgm16.begin(), pgm16.end()));
  // Four and eight colours for the PCX plane layouts.
  const std::string four = "P6\n8 2\n255\n" + std::string("\0\0\0\xFF\xFF\xFF\0\xFF\xFF\xFF\0\xFF", 12) +
                            std::string("\0\0\0\xFF\xFF\xFF\0\xFF\xFF\xFF\0\xFF", 12) +
                            std::string("\0\0\0\xFF\xFF\xFF\0\xFF\xFF\xFF\0\xFF", 12) +
                            std::string("\0\0\0\xFF\xFF\xFF\0\xFF\xFF\xFF\0\xFF", 12);
  const std::string eight_row = std::string("\0\0\0\xFF\xFF\xFF\0\xFF\xFF\xFF\0\xFF\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\0", 24);
  const std::string eight = "P6\n8 2\n255\n" + eight_row + eight_row;
  WriteFileBytes(dir.File("four.ppm"), std::vector<uint8_t>(four.begin(), four.end()));
  WriteFileBytes(dir.File("eight.ppm"), std::vector<uint8_t>(eight.begin(), eight.end()));
  ASSERT_EQ(testing_support::RunCommand(cd + "convert-im6.q16 a.ppm -type TrueColor -compress none rgb.tif"), 0);
  ASSERT_EQ(testing_support::RunCommand(cd + "ppmtobmp -bpp 24 a.ppm > a.bmp 2>/dev/null"), 0);

  // A bitmap of 2 bits laid out in code.
  auto bitmap = [&](const std::string& name, uint16_t bits, uint32_t colours) {
    const uint32_t palette = colours * 4, row = (4 * bits * 4 + 31) / 32 * 4, offset = 54 + palette;
    std::vector<uint8_t> b(offset + 2 * row, 0x11);
    auto u32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i)); };
    b[0] = 'B', b[1] = 'M';
    u32(2, static_cast<uint32_t>(b.size())), u32(6, 0), u32(10, offset), u32(14, 40), u32(18, 4), u32(22, 2);
    b[26] = 1, b[27] = 0, b[28] = static_cast<uint8_t>(bits), b[29] = 0;
    u32(30, 0), u32(34, 0), u32(38, 2835), u32(42, 2835), u32(46, colours), u32(50, 0);
    WriteFileBytes(dir.File(name), b);
  };
  bitmap("two_bits.bmp", 2, 4);
  // A bottom-up file made top-down by a negative height.
  std::vector<uint8_t> top_down = ReadFileBytes(dir.File("a.bmp"));
  ASSERT_GT(top_down.size(), 26u);
  const int32_t height = -(top_down[22] | top_down[23] << 8);
  for (int i = 0; i < 4; ++i) top_down[22 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * i));
  WriteFileBytes(dir.File("top_down.bmp"), top_down);

  const struct {
    const char* name;
    const char* command;  // makes `file` in the folder; empty when made above
    const char* file;
    int32_t format;
  } cases[] = {
      {"TIFF LZW", "tiffcp -c lzw rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF Deflate", "tiffcp -c zip rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF JPEG", "tiffcp -c jpeg rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF tiles", "tiffcp -t rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF planar separate", "tiffcp -p separate rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"BigTIFF", "tiffcp -8 rgb.tif f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF CMYK", "convert-im6.q16 a.ppm -colorspace CMYK -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF CIELab", "convert-im6.q16 a.ppm -colorspace Lab -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF YCbCr", "cp rgb.tif f.tif && tiffset -s 262 6 f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF signed samples", "convert-im6.q16 a.ppm -define quantum:format=signed -compress none f.tif", "f.tif",
       kCmiFormatTiff},
      {"TIFF 2 bits", "convert-im6.q16 a.ppm -depth 2 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 6 bits", "convert-im6.q16 a.ppm -depth 6 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 10 bits", "convert-im6.q16 a.ppm -depth 10 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 12 bits", "convert-im6.q16 a.ppm -depth 12 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 14 bits", "convert-im6.q16 a.ppm -depth 14 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 16 bits", "convert-im6.q16 a.ppm -depth 16 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 24 bits", "convert-im6.q16 a.ppm -depth 24 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"TIFF 32 bits", "convert-im6.q16 a.ppm -depth 32 -compress none f.tif", "f.tif", kCmiFormatTiff},
      {"BMP top-down", "", "top_down.bmp", kCmiFormatBmp},
      {"BMP bit fields", "convert-im6.q16 a.ppm -define bmp:subtype=RGB565 f.bmp", "f.bmp", kCmiFormatBmp},
      {"BMP OS/2 header", "convert-im6.q16 a.ppm BMP2:f.bmp", "f.bmp", kCmiFormatBmp},
      {"BMP 2 bits", "", "two_bits.bmp", kCmiFormatBmp},
      {"PNG 2 bits", "pnmtopng a3.pgm > f.png", "f.png", kCmiFormatPng},
      {"PNG 16 bits", "pnmtopng a16.pgm > f.png", "f.png", kCmiFormatPng},
      {"PCX CGA 2 bits", "ppmtopcx -packed four.ppm > f.pcx", "f.pcx", kCmiFormatPcx},
      {"PCX 3 planes of 1 bit", "ppmtopcx -planes 3 eight.ppm > f.pcx", "f.pcx", kCmiFormatPcx},
      {"JPEG CMYK", "convert-im6.q16 a.ppm -colorspace CMYK f.jpg", "f.jpg", kCmiFormatJpeg},
      {"GIF", "convert-im6.q16 a.ppm f.gif", "f.gif", kCmiFormatGif},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.command[0] != '\0') {
      ASSERT_EQ(testing_support::RunCommand(cd + "rm -f f.* && " + c.command + " 2>/dev/null"), 0);
    }
    int32_t status = 0;
    ScopedHandle image(ReadOne(dir.File(c.file), c.format, &status));
    EXPECT_EQ(image.get(), HGLOBAL{0});
    EXPECT_NE(status, 0);
    EXPECT_NE(status, kCmiStatusSystemFailure);
  }
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
