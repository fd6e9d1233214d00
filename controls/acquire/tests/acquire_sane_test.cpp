// The auto-acquire control against SANE's test device, driven as the
// scanning program drives it: properties put by dispatch id with the
// program's automation types, AcquireImages invoked, both events received.
// Every file written is read back by an independent tool (file, tiffinfo,
// ImageMagick).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "acquire_host.h"
#include "acquire_test_support.h"
#include "plat/packed_dib.h"
#include "plat/user.h"
#include "save_rules.h"

namespace mirrask::test {
namespace {

using namespace plat;
namespace fs = std::filesystem;
using plat::acquire::test::UseSaneConfig;
using plat::test::ModalContext;
using plat::test::SetModalResponder;

constexpr char kColorPattern[] = "test-picture \"Color pattern\"";

using plat::test::CommandOutput;

// What the independent tools say of a written file.
struct FileFacts {
  std::string format;       // "BMP", "TIFF", "JPEG", "PCX", "PNG"
  int width = 0;
  int height = 0;
  int bits_per_pixel = 0;
  std::string compression;  // as the tool names it; "" for none
  int x_dpi = 0;
  int y_dpi = 0;
  int pages = 0;
  bool interlaced = false;
};

int Number(const std::smatch& m, int i) { return std::stoi(m[i].str()); }

FileFacts Inspect(const std::string& path) {
  FileFacts f;
  const std::string what = CommandOutput("file -b '" + path + "'");
  std::smatch m;
  if (what.rfind("TIFF", 0) == 0) {
    f.format = "TIFF";
    const std::string info = CommandOutput("tiffinfo -D '" + path + "' 2>&1");
    for (auto it = info.find("TIFF Directory at offset"); it != std::string::npos;
         it = info.find("TIFF Directory at offset", it + 1)) {
      ++f.pages;
    }
    if (std::regex_search(info, m, std::regex("Image Width: (\\d+) Image Length: (\\d+)"))) {
      f.width = Number(m, 1);
      f.height = Number(m, 2);
    }
    int bits = 0;
    int samples = 1;
    if (std::regex_search(info, m, std::regex("Bits/Sample: (\\d+)"))) bits = Number(m, 1);
    if (std::regex_search(info, m, std::regex("Samples/Pixel: (\\d+)"))) samples = Number(m, 1);
    f.bits_per_pixel = bits * samples;
    if (std::regex_search(info, m, std::regex("Compression Scheme: ([^\\n]+)"))) {
      f.compression = m[1].str() == "None" ? "" : m[1].str();
    }
    if (std::regex_search(info, m, std::regex("Resolution: (\\d+), (\\d+) pixels/inch"))) {
      f.x_dpi = Number(m, 1);
      f.y_dpi = Number(m, 2);
    }
  } else if (what.rfind("PC bitmap", 0) == 0) {
    f.format = "BMP";
    if (std::regex_search(what, m, std::regex("(\\d+) x (\\d+) x (\\d+)"))) {
      f.width = Number(m, 1);
      f.height = Number(m, 2);
      f.bits_per_pixel = Number(m, 3);
    }
    if (std::regex_search(what, m, std::regex(", (\\d) compression"))) f.compression = "RLE" + m[1].str();
    if (std::regex_search(what, m, std::regex("resolution (\\d+) x (\\d+) px/m"))) {
      f.x_dpi = static_cast<int>(std::lround(Number(m, 1) * 0.0254));
      f.y_dpi = static_cast<int>(std::lround(Number(m, 2) * 0.0254));
    }
  } else if (what.rfind("PCX", 0) == 0) {
    f.format = "PCX";
    if (std::regex_search(what, m, std::regex("\\[0, 0\\] - \\[(\\d+), (\\d+)\\]"))) {
      f.width = Number(m, 1) + 1;
      f.height = Number(m, 2) + 1;
    }
    if (std::regex_search(what, m, std::regex("(\\d+) planes each of (\\d+)-bit"))) {
      f.bits_per_pixel = Number(m, 1) * Number(m, 2);
    } else if (std::regex_search(what, m, std::regex("(\\d+)-bit"))) {
      f.bits_per_pixel = Number(m, 1);
    }
    if (std::regex_search(what, m, std::regex("(\\d+) x (\\d+) dpi"))) {
      f.x_dpi = Number(m, 1);
      f.y_dpi = Number(m, 2);
    }
  } else if (what.rfind("PNG", 0) == 0) {
    f.format = "PNG";
    if (std::regex_search(what, m, std::regex("(\\d+) x (\\d+), (\\d+)-bit(/color)? (\\w+)"))) {
      f.width = Number(m, 1);
      f.height = Number(m, 2);
      f.bits_per_pixel = Number(m, 3) * (m[5].str() == "RGB" ? 3 : m[5].str() == "RGBA" ? 4 : 1);
    }
    f.interlaced = what.find(", interlaced") != std::string::npos;
  } else if (what.rfind("JPEG", 0) == 0) {
    f.format = "JPEG";
    if (std::regex_search(what, m, std::regex("(\\d+)x(\\d+), components (\\d)"))) {
      f.width = Number(m, 1);
      f.height = Number(m, 2);
      f.bits_per_pixel = 8 * Number(m, 3);
    }
    f.interlaced = what.find("progressive") != std::string::npos;
  }
  return f;
}

// One item of the program's save-format list.
struct SaveItem {
  const char* name;
  int32_t media_format;
  int32_t compression;
  int32_t interlaced;  // 0: not set
  const char* tool_format;
  const char* tool_compression;  // for 8-bit pages where it depends on depth
};

const SaveItem kSaveItems[] = {
    {"BMP", 101, 1, 0, "BMP", ""},
    {"BMP-RLE", 101, 101, 0, "BMP", "RLE"},
    {"TIFF", 102, 1, 0, "TIFF", ""},
    {"TIFF-PackBits", 102, 202, 0, "TIFF", "PackBits"},
    {"TIFF-Huffman", 102, 203, 0, "TIFF", "CCITT RLE"},
    {"TIFF-MH", 102, 204, 0, "TIFF", "CCITT Group 3"},
    {"TIFF-MR", 102, 205, 0, "TIFF", "CCITT Group 3"},
    {"TIFF-MMR", 102, 206, 0, "TIFF", "CCITT Group 4"},
    {"JPEG", 103, 1, 1, "JPEG", ""},
    {"JPEG-progressive", 103, 1, 2, "JPEG", ""},
    {"PCX", 104, 1, 0, "PCX", ""},
    {"PNG", 106, 1, 1, "PNG", ""},
    {"PNG-interlaced", 106, 1, 2, "PNG", ""},
};

const int16_t kDepths[] = {0, 1, 4, 8, 9, 12};

int BitsOfDepth(short depth) { return depth == 12 ? 24 : depth == 9 ? 8 : depth; }

// Records the size of every announced page, read from a copy the host
// takes with GetDIB inside AcquireNotify (and frees again).
void RecordPageSizes(AcquireHost& host, std::vector<SIZE>& sizes) {
  host.on_acquire = [&host, &sizes](const Fired&) {
    const HGLOBAL copy = host.GetDIB();
    const auto view = ValidatePackedDib(copy);
    sizes.push_back(view ? SIZE{view->width, view->height} : SIZE{0, 0});
    GlobalFree(copy);
  };
}

class SaneAcquireTest : public AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    UseSaneConfig({kColorPattern});
  }
  void TearDown() override {
    SetModalResponder(nullptr);
    AcquireTest::TearDown();
  }

  // The program's scan action (Part of the program's main window): the 13
  // properties in its order, for the test device.
  static void SetAsTheProgram(AcquireHost& host, const std::string& folder, bool feeder, int16_t paper_size,
                              const std::string& pattern, int32_t initial_number, const SaveItem& item,
                              int16_t quality, int32_t depth, int16_t dpi, int32_t rotation) {
    host.PutBool(kDispShowUI, false);
    host.PutBool(kDispTwainAutoFeeder, feeder);
    host.PutShort(kDispTwainResolution, 0);
    host.PutLong(kDispTwainPaperSize, paper_size);
    host.PutString(kDispSaveDataPath, folder);
    host.PutString(kDispFileNameFormat, pattern);
    if (initial_number >= 0) host.PutLong(kDispInitialNumber, initial_number);
    host.PutLong(kDispMediaFormat, item.media_format);
    host.PutLong(kDispCompression, item.compression);
    if (item.interlaced != 0) host.PutLong(kDispInterlacedImage, item.interlaced);
    host.PutShort(kDispQuality, quality);
    host.PutLong(kDispColorDepth, depth);
    host.PutShort(kDispXResolution, 0);
    host.PutShort(kDispYResolution, 0);
    host.PutShort(kDispXResolution, dpi);
    host.PutShort(kDispYResolution, dpi);
    host.PutLong(kDispRotation, rotation);
  }
  // A small area of the device, in pixels.
  static void UseArea(AcquireHost& host, float width_px, float height_px) {
    host.PutLong(kDispTwainPaperSize, qrvSizeUserDefined);
    host.PutLong(kDispSrcRectUnit, qrvUnitPixel);
    host.PutFloat(kDispSrcWidth, width_px);
    host.PutFloat(kDispSrcHeight, height_px);
  }
};

TEST_F(SaneAcquireTest, FeederRunOfTheProgramWritesTenFilesWithEventsInOrder) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizePortPostcard, "ScanImage<number:4>.<ext>", 1, kSaveItems[2], 4,
                  qrvColorRGB, 200, qrvRotate0);
  std::vector<SIZE> sizes;
  RecordPageSizes(host, sizes);
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(host.GetErrorCode(), 0);
  std::vector<Fired> expected;
  std::vector<std::string> names;
  for (int page = 1; page <= 10; ++page) {
    char name[32];
    std::snprintf(name, sizeof name, "ScanImage%04d.tif", page);
    names.push_back(name);
    expected.push_back(Acquired(page));
    expected.push_back(Saved(page, SaveFolder() + "/" + name));
  }
  EXPECT_EQ(host.fired, expected);
  EXPECT_EQ(SavedFiles(), names);
  EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(int32_t{10}));
  // Postcards (100 x 148 mm) at the device's 50 dpi, full colour, 200 dpi
  // written.
  ASSERT_EQ(sizes.size(), 10u);
  EXPECT_NEAR(sizes[9].cx, 197, 1);
  EXPECT_NEAR(sizes[9].cy, 291, 1);
  const FileFacts facts = Inspect(SaveFolder() + "/ScanImage0010.tif");
  EXPECT_EQ(facts.format, "TIFF");
  EXPECT_EQ(facts.bits_per_pixel, 24);
  EXPECT_EQ(facts.width, sizes[9].cx);
  EXPECT_EQ(facts.height, sizes[9].cy);
  EXPECT_EQ(facts.x_dpi, 200);
  EXPECT_EQ(facts.pages, 1);
}

TEST_F(SaneAcquireTest, EverySaveFormatOfTheProgramAtEveryDepthIsWrittenOrRefused) {
  for (const SaveItem& item : kSaveItems) {
    for (int16_t depth : kDepths) {
      SCOPED_TRACE(testing::Message() << item.name << " at depth " << depth);
      const std::string folder = WorkPath(std::string("t_") + item.name + "_" + std::to_string(depth));
      fs::create_directories(folder);
      AcquireHost host;
      ASSERT_TRUE(host.Create());
      SetAsTheProgram(host, folder, false, qrvSizeDefault, "page.<ext>", -1, item, 6, depth, 200, qrvRotate0);
      UseArea(host, 40, 30);
      std::vector<SIZE> sizes;
      RecordPageSizes(host, sizes);
      const bool valid = IsValidSaveFormat(static_cast<short>(item.media_format),
                                           static_cast<short>(item.compression), depth);
      const bool result = host.AcquireImages();
      if (!valid) {
        EXPECT_FALSE(result);
        EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidSaveFormat);
        EXPECT_TRUE(plat::test::ListFolder(folder).empty());
        EXPECT_TRUE(host.fired.empty());
        continue;
      }
      EXPECT_TRUE(result);
      EXPECT_EQ(host.GetErrorCode(), 0);
      const std::string ext = GetFormatExtension(static_cast<short>(item.media_format));
      ASSERT_EQ(plat::test::ListFolder(folder), std::vector<std::string>{"page." + ext});
      const FileFacts f = Inspect(folder + "/page." + ext);
      EXPECT_EQ(f.format, item.tool_format);
      ASSERT_EQ(sizes.size(), 1u);
      EXPECT_EQ(f.width, sizes[0].cx);
      EXPECT_EQ(f.height, sizes[0].cy);
      // A page scanned at the device's default depth arrives as 8-bit grey.
      const short target = depth != 0 ? depth
                                      : ChooseSaveColorDepth(static_cast<short>(item.media_format),
                                                             static_cast<short>(item.compression), qrvColor256);
      EXPECT_EQ(f.bits_per_pixel, BitsOfDepth(target));
      std::string compression = item.tool_compression;
      if (compression == "RLE") compression = target == qrvColor16 ? "RLE2" : "RLE1";
      EXPECT_EQ(f.compression, compression);
      if (item.media_format != qrvFileJPEG && item.media_format != qrvFilePNG) {
        EXPECT_EQ(f.x_dpi, 200);
        EXPECT_EQ(f.y_dpi, 200);
      }
      if (item.media_format == qrvFilePNG) {
        EXPECT_EQ(f.interlaced, item.interlaced == qrvInterlaced);
      }
      if (item.media_format == qrvFileJPEG) {
        EXPECT_FALSE(f.interlaced);
      }
      // ImageMagick reads every file back as well.
      EXPECT_EQ(std::system(("convert-im6.q16 '" + folder + "/page." + ext + "' null: 2>/dev/null").c_str()), 0);
    }
  }
}

TEST_F(SaneAcquireTest, MultiPageTiffKeepsThreePagesInOneFile) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "book<number:3>.<ext>", 1, kSaveItems[3], 4,
                  qrvColorGrayscale, 200, qrvRotate0);
  UseArea(host, 40, 30);
  host.PutLong(kDispAcquireCount, 3);
  host.PutBool(kDispMultiPage, true);
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(SavedFiles(), std::vector<std::string>{"book001.tif"});
  const std::vector<Fired> expected = {Acquired(1), Saved(1, SaveFolder() + "/book001.tif"),
                                       Acquired(2), Saved(2, SaveFolder() + "/book001.tif"),
                                       Acquired(3), Saved(3, SaveFolder() + "/book001.tif")};
  EXPECT_EQ(host.fired, expected);
  EXPECT_EQ(Inspect(SaveFolder() + "/book001.tif").pages, 3);
  // BMP with MultiPage writes one file per page.
  host.fired.clear();
  host.PutLong(kDispMediaFormat, qrvFileBMP);
  host.PutLong(kDispCompression, qrvCompNone);
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(SavedFiles(), (std::vector<std::string>{"book001.bmp", "book001.tif", "book002.bmp", "book003.bmp"}));
}

TEST_F(SaneAcquireTest, AspectRatioBoxGetsRedSideBandsAndTurnsSwapTheSize) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), false, qrvSizeDefault, "box.<ext>", -1, kSaveItems[0], 4, qrvColorRGB, 0,
                  qrvRotate0);
  UseArea(host, 40, 40);
  host.PutLong(kDispImageWidth, 200);
  host.PutLong(kDispImageHeight, 100);
  host.PutBool(kDispAspectRatio, true);
  host.PutLong(kDispFillingColor, 0x0000FF);  // red as an automation colour
  EXPECT_TRUE(host.AcquireImages());
  const std::string ppm = WorkPath("box.ppm");
  ASSERT_EQ(std::system(("convert-im6.q16 '" + SaveFolder() + "/box.bmp' -depth 8 'ppm:" + ppm + "'").c_str()), 0);
  const auto picture = plat::acquire::test::ReadPnm(ppm);
  ASSERT_EQ(picture.width, 200);
  ASSERT_EQ(picture.height, 100);
  for (int y : {0, 50, 99}) {
    for (int x : {0, 25, 49, 150, 175, 199}) {
      EXPECT_EQ(picture.pixels[static_cast<size_t>(y) * 200 + x], 0xFF0000u) << x << "," << y;
    }
  }
  EXPECT_NE(picture.pixels[50 * 200 + 100], 0xFF0000u);

  // A quarter turn of a 40 x 30 page gives 30 x 40.
  host.PutLong(kDispImageWidth, 0);
  host.PutLong(kDispImageHeight, 0);
  host.PutString(kDispFileNameFormat, "turned.<ext>");
  host.PutLong(kDispRotation, qrvRotate90);
  UseArea(host, 40, 30);
  std::vector<SIZE> sizes;
  RecordPageSizes(host, sizes);
  EXPECT_TRUE(host.AcquireImages());
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_LT(sizes[0].cx, sizes[0].cy) << "the page is announced turned";
  const FileFacts f = Inspect(SaveFolder() + "/turned.bmp");
  EXPECT_EQ(f.width, sizes[0].cx);
  EXPECT_EQ(f.height, sizes[0].cy);
}

TEST_F(SaneAcquireTest, TimeStampNamesWithinOneSecondNeverOverwrite) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "<year><month><day>_<hour><minute><second>.<ext>", -1,
                  kSaveItems[0], 4, qrvColorGrayscale, 0, qrvRotate0);
  UseArea(host, 20, 10);
  host.PutLong(kDispAcquireCount, 3);
  std::set<std::string> reported;
  for (int run = 0; run < 3; ++run) {
    host.fired.clear();
    EXPECT_TRUE(host.AcquireImages());
    for (const Fired& f : host.fired) {
      if (f.id == kEventFileSaveNotify) {
        EXPECT_TRUE(f.success);
        reported.insert(f.file_name);
      }
    }
  }
  EXPECT_EQ(reported.size(), 9u);
  EXPECT_EQ(SavedFiles().size(), 9u);
  // The names met: the clock stood within one second.
  EXPECT_EQ(std::count_if(reported.begin(), reported.end(),
                          [](const std::string& name) { return name.find("_2.bmp") != std::string::npos; }),
            1);
  for (const std::string& name : reported) EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_F(SaneAcquireTest, NumberedNamesWrapWithoutReplacingAnEarlierScanOrFollowingALink) {
  const std::string old_file = SaveFolder() + "/ScanImage0000.tif";
  plat::test::WriteFileBytes(old_file, "an earlier scan");
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "ScanImage<number:4>.<ext>", 9998, kSaveItems[2], 4,
                  qrvColorGrayscale, 0, qrvRotate0);
  UseArea(host, 20, 10);
  host.PutLong(kDispAcquireCount, 4);
  EXPECT_TRUE(host.AcquireImages());
  const std::vector<std::string> written = {"ScanImage9998.tif", "ScanImage9999.tif", "ScanImage0000_2.tif",
                                            "ScanImage0001.tif"};
  std::vector<std::string> reported;
  for (const Fired& f : host.fired) {
    if (f.id == kEventFileSaveNotify) reported.push_back(f.file_name);
  }
  ASSERT_EQ(reported.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(reported[i], SaveFolder() + "/" + written[i]);
  EXPECT_EQ(plat::test::ReadFileBytes(old_file), "an earlier scan");
  for (const std::string& name : written) EXPECT_EQ(Inspect(SaveFolder() + "/" + name).format, "TIFF") << name;

  // A dangling link named like the next output stays as it is.
  const std::string link = SaveFolder() + "/ScanImage0002.tif";
  ASSERT_EQ(::symlink("nowhere.tif", link.c_str()), 0);
  host.fired.clear();
  host.PutLong(kDispInitialNumber, 2);
  host.PutLong(kDispAcquireCount, 1);
  EXPECT_TRUE(host.AcquireImages());
  ASSERT_EQ(host.fired.size(), 2u);
  EXPECT_EQ(host.fired[1].file_name, SaveFolder() + "/ScanImage0002_2.tif");
  struct stat info;
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_FALSE(fs::exists(SaveFolder() + "/nowhere.tif"));
}

TEST_F(SaneAcquireTest, LargeInitialNumberAndAOnePixelWidthAreHandled) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "n<number>.<ext>", 2147483647, kSaveItems[0], 4,
                  qrvColorGrayscale, 0, qrvRotate0);
  UseArea(host, 20, 10);
  host.PutLong(kDispAcquireCount, 2);
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(SavedFiles(), (std::vector<std::string>{"n2147483647.bmp", "n2147483648.bmp"}));

  // A 1000 x 1 page scaled to width 1 keeps one pixel of height.
  host.PutString(kDispFileNameFormat, "thin.<ext>");
  host.PutLong(kDispAcquireCount, 1);
  host.PutShort(kDispTwainResolution, 100);
  UseArea(host, 1000, 1);
  host.PutLong(kDispImageWidth, 1);
  EXPECT_TRUE(host.AcquireImages());
  const FileFacts f = Inspect(SaveFolder() + "/thin.bmp");
  EXPECT_EQ(f.width, 1);
  EXPECT_EQ(f.height, 1);
}

TEST_F(SaneAcquireTest, AJammedDeviceFailsWithDeviceError) {
  UseSaneConfig({kColorPattern, "read-status-code \"SANE_STATUS_JAMMED\""});
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "j.<ext>", -1, kSaveItems[0], 4, 0, 0, qrvRotate0);
  UseArea(host, 20, 10);
  EXPECT_FALSE(host.AcquireImages());
  EXPECT_EQ(host.GetErrorCode(), qrvErrDeviceError);
  EXPECT_EQ(host.fired, std::vector<Fired>{Acquired(1, qrvAcquireAbort)});
  EXPECT_TRUE(SavedFiles().empty());
}

TEST_F(SaneAcquireTest, CancelFromAnEventStopsSavingAndReentryIsRefused) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  SetAsTheProgram(host, SaveFolder(), true, qrvSizeDefault, "c<number:2>.<ext>", 1, kSaveItems[0], 4,
                  qrvColorGrayscale, 0, qrvRotate0);
  UseArea(host, 20, 10);
  bool reentry = true;
  host.on_acquire = [&](const Fired& fired) {
    if (fired.data_no == 2) host.Cancel();
  };
  host.on_save = [&](const Fired&) {
    reentry = host.AcquireImages();
    EXPECT_EQ(host.GetErrorCode(), qrvErrDeviceBusy);
  };
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_FALSE(reentry);
  EXPECT_EQ(SavedFiles(), std::vector<std::string>{"c01.bmp"});
  ASSERT_GE(host.fired.size(), 3u);
  EXPECT_EQ(host.fired[2], Acquired(2));
  EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(int32_t{1}));
}

TEST_F(SaneAcquireTest, SourceSelectionReportsAMissingDeviceAndKeepsTheNameOnCancel) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  host.PutString(kDispTwainSourceName, "test:0");
  int shown = 0;
  SetModalResponder([&](ModalContext& modal) {
    ++shown;
    modal.Cancel();
  });
  EXPECT_TRUE(host.SelectTwainSource());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host.GetErrorCode(), 0);
  EXPECT_EQ(host.Get(kDispTwainSourceName), Variant("test:0"));

  // A host that changes InputSource inside an event still gets the
  // scanner's session closed: SANE is started afresh and reads the new
  // configuration, which has no device.
  SetAsTheProgram(host, SaveFolder(), false, qrvSizeDefault, "s.<ext>", -1, kSaveItems[0], 4, 0, 0, qrvRotate0);
  UseArea(host, 20, 10);
  host.on_acquire = [&](const Fired&) { host.PutLong(kDispInputSource, qrvSrcPhotoCD); };
  EXPECT_TRUE(host.AcquireImages());
  host.PutLong(kDispInputSource, qrvSrcTwain);
  UseSaneConfig({}, false);
  EXPECT_FALSE(host.SelectTwainSource());
  EXPECT_EQ(host.GetErrorCode(), qrvErrDeviceNotInstall);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host.Get(kDispTwainSourceName), Variant("test:0"));
}

}  // namespace
}  // namespace mirrask::test
