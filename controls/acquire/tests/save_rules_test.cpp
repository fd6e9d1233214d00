// The fixed rules of saving, and output names on the platform's clock in a
// folder of the test's own: the token language, the unique fallback names
// and the rule that a page never replaces a file it did not write.
#include "save_rules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "control_id_map.h"
#include "output_name.h"
#include "plat/acquire/acquire_constants.h"
#include "plat/testing.h"

namespace mirrask {
namespace {

using namespace plat;
namespace fs = std::filesystem;

TEST(SaveRules, ValidSaveFormatsFollowTheTable) {
  struct Case {
    short format, compression, depth;
    bool valid;
  };
  const Case cases[] = {
      {101, 1, 12, true},  {101, 101, 0, true},  {101, 101, 4, true},  {101, 101, 8, true},
      {101, 101, 9, true}, {101, 101, 1, false}, {101, 101, 12, false}, {101, 202, 0, false},
      {102, 1, 4, true},   {102, 202, 12, true}, {102, 203, 8, false}, {102, 206, 1, true},
      {102, 204, 0, true}, {102, 101, 0, false}, {103, 1, 0, true},    {103, 206, 12, true},
      {103, 1, 9, true},   {103, 1, 1, false},   {103, 1, 4, false},   {103, 1, 8, false},
      {104, 1, 4, false},  {104, 1, 1, true},    {104, 203, 8, true},  {106, 1, 4, true},
      {106, 206, 1, true}, {999, 7, 3, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidSaveFormat(c.format, c.compression, c.depth), c.valid)
        << c.format << "/" << c.compression << "/" << c.depth;
  }
}

TEST(SaveRules, SaveDepthsOfEachFormat) {
  struct Case {
    short format, compression, depth, expected;
  };
  const Case cases[] = {
      {101, 101, 1, 4}, {101, 101, 12, 8}, {101, 101, 8, 8}, {101, 1, 1, 1},   {102, 203, 12, 1},
      {102, 206, 8, 1}, {102, 202, 12, 12}, {103, 1, 1, 12}, {103, 1, 4, 12}, {103, 1, 8, 12},
      {103, 1, 12, 12}, {104, 1, 4, 8},    {104, 1, 1, 1},   {106, 1, 4, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSaveColorDepth(c.format, c.compression, c.depth), c.expected)
        << c.format << "/" << c.compression << "/" << c.depth;
  }
  EXPECT_EQ(DepthOfBitCount(16), 0);
  EXPECT_EQ(DepthOfBitCount(32), 0);
  EXPECT_EQ(DepthOfBitCount(24), 12);
}

TEST(SaveRules, TargetSizesKeepTheAspectAndNeverReachZero) {
  struct Case {
    const char* name;
    int32_t w0, h0, width, height;
    bool aspect;
    TargetSize expected;
  };
  const Case cases[] = {
      {"no resampling", 400, 500, 0, 0, true, {400, 500, 0, 0, 400, 500}},
      {"width only", 400, 500, 200, 0, true, {200, 250, 0, 0, 200, 250}},
      {"height only", 400, 500, 0, 100, true, {80, 100, 0, 0, 80, 100}},
      {"side bands", 400, 400, 200, 100, true, {200, 100, 50, 0, 150, 100}},
      {"top and bottom bands", 400, 400, 100, 200, true, {100, 200, 0, 50, 100, 150}},
      {"same scale", 400, 200, 200, 100, true, {200, 100, 0, 0, 200, 100}},
      {"no aspect, width only", 400, 500, 300, 0, false, {300, 500, 0, 0, 300, 500}},
      {"no aspect, both", 400, 500, 30, 40, false, {30, 40, 0, 0, 30, 40}},
      {"thin page scaled to width 1", 1000, 1, 1, 0, true, {1, 1, 0, 0, 1, 1}},
      {"thin page in a box", 1000, 1, 10, 10, true, {10, 10, 0, 4, 10, 5}},
      {"tall page in a box", 1, 1000, 10, 10, true, {10, 10, 4, 0, 5, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TargetSize t = ComputeTargetSize(c.w0, c.h0, c.width, c.height, c.aspect);
    EXPECT_EQ(t.width, c.expected.width);
    EXPECT_EQ(t.height, c.expected.height);
    EXPECT_EQ(t.left, c.expected.left);
    EXPECT_EQ(t.top, c.expected.top);
    EXPECT_EQ(t.right, c.expected.right);
    EXPECT_EQ(t.bottom, c.expected.bottom);
  }
}

TEST(SaveRules, OptionListsAndStatusMapping) {
  ImageSaveParams params;
  params.XResolution = 300;
  params.YResolution = 200;
  struct Case {
    short format, compression, interlaced;
    std::vector<std::pair<std::string, intptr_t>> expected;
  };
  const std::vector<Case> cases = {
      {101, 101, 1, {{"compression", 31}, {"xResolution", 300}, {"yResolution", 200}}},
      {102, 206, 1, {{"compression", 29}, {"xResolution", 300}, {"yResolution", 200}}},
      {102, 203, 1, {{"compression", 26}, {"xResolution", 300}, {"yResolution", 200}}},
      {102, 202, 1, {{"compression", 30}, {"xResolution", 300}, {"yResolution", 200}}},
      {103, 1, 2, {{"quarityFactor", 2}}},
      {104, 1, 2, {{"xResolution", 300}, {"yResolution", 200}}},
      {106, 1, 2, {{"interlaced", 1}}},
      {106, 1, 1, {{"interlaced", 0}}},
  };
  for (const Case& c : cases) {
    params.MediaFormat = c.format;
    params.Compression = c.compression;
    params.InterlacedImage = c.interlaced;
    std::vector<std::pair<std::string, intptr_t>> got;
    for (const IpiAttributePair& pair : SaveOptions(params)) got.emplace_back(pair.name, pair.value);
    EXPECT_EQ(got, c.expected) << c.format << "/" << c.compression;
  }
  EXPECT_EQ(MapAcquireStatusToError(-1), qrvErrOutofMemory);
  EXPECT_EQ(MapAcquireStatusToError(25), qrvErrFileIOError);
  EXPECT_EQ(MapAcquireStatusToError(-100), qrvErrSystemError);
  EXPECT_EQ(MapAcquireStatusToError(22), qrvErrSystemError);
}

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t;
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = second;
  return t;
}

TEST(OutputName, TokenLanguage) {
  const SYSTEMTIME march = At(2024, 3, 5, 14, 3, 7);
  struct Case {
    const char* pattern;
    int64_t number;
    const char* ext;
    const char* expected;
  };
  const Case cases[] = {
      {"<year><month><day>_<hour><minute><second>.<ext>", 1, "bmp", "f/20240305_140307.bmp"},
      {"<year:2><month><day>.<ext>", 1, "bmp", "f/240305.bmp"},
      {"<year:3>", 1, "bmp", "f/2024"},
      {"ScanImage<number:4>.<ext>", 3, "tif", "f/ScanImage0003.tif"},
      {"ScanImage<number:4>.<ext>", 10000, "tif", "f/ScanImage0000.tif"},
      {"ScanImage<number>.<ext>", 10000, "tif", "f/ScanImage10000.tif"},
      {"ScanImage<NUMBER:4>.<EXT>", 3, "tif", "f/ScanImage0003.tif"},
      {"<number:>", 42, "tif", "f/42"},
      {"<number:11>", 42, "tif", "f/42"},
      {"<number:10>", 2147483648LL, "tif", "f/2147483648"},
      {"<number:3x>", 12345, "tif", "f/345"},
      {"a<<b.<ext>", 1, "png", "f/a<b.png"},
      {"keep<year", 1, "png", "f/keep"},
      {"x<>y", 1, "png", "f/xy"},
      {"<numbernumbernumber>", 7, "png", "f/"},
      {"<unknown>", 1, "png", "f/"},
      {"back\\slash.<ext>", 1, "jpg", "f/back\\slash.jpg"},
      {"", 1, "jpg", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandFileNamePattern(c.pattern, "f/", c.ext, c.number, march), c.expected) << c.pattern;
  }
}

class OutputNameFiles : public plat::test::PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    folder_ = WorkPath("out") + "/";
    fs::create_directories(folder_);
  }
  void Touch(const std::string& name) { plat::test::WriteFileBytes(folder_ + name, "old"); }
  std::string folder_;
};

TEST_F(OutputNameFiles, UniqueNamesSkipExistingFilesOnThePlatformClock) {
  // 7 December, page 12, PNG.
  plat::test::ScopedVirtualClock clock(0, 1'796'601'600'000'000);  // 2026-12-07 00:00 UTC
  ::setenv("TZ", "UTC", 1);
  EXPECT_EQ(MakeOutputFileName("", folder_, qrvFilePNG, 12, 1), folder_ + "a0c07012.png");
  Touch("a0c07012.png");
  EXPECT_EQ(MakeOutputFileName("<unknown>", folder_, qrvFilePNG, 12, 1), folder_ + "a1c07012.png");
  // All 416 taken: tick-count names, which move on while the clock stands.
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    for (int digit = 0; digit < 16; ++digit) {
      char name[32];
      std::snprintf(name, sizeof name, "%c%xc07012.png", letter, digit);
      Touch(name);
    }
  }
  clock.Advance(0x1234);
  EXPECT_EQ(MakeOutputFileName("", folder_, qrvFilePNG, 12, 1), folder_ + "00001234.png");
  Touch("00001234.png");
  EXPECT_EQ(MakeOutputFileName("", folder_, qrvFilePNG, 12, 1), folder_ + "00001235.png");
}

TEST_F(OutputNameFiles, ReservationNeverTakesAnExistingNameOrLink) {
  const std::set<std::string> none;
  // A free name is created empty.
  EXPECT_EQ(ReserveOutputName(folder_ + "scan.bmp", none, "bmp", 1), folder_ + "scan.bmp");
  struct stat info;
  ASSERT_EQ(::lstat((folder_ + "scan.bmp").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  // Taken names go to the next free variant before the extension.
  EXPECT_EQ(ReserveOutputName(folder_ + "scan.bmp", none, "bmp", 2), folder_ + "scan_2.bmp");
  EXPECT_EQ(ReserveOutputName(folder_ + "scan.bmp", none, "bmp", 3), folder_ + "scan_3.bmp");
  // A dangling link and a folder count as taken; the link stays as it was.
  ASSERT_EQ(::symlink("nowhere", (folder_ + "link.tif").c_str()), 0);
  EXPECT_EQ(ReserveOutputName(folder_ + "link.tif", none, "tif", 1), folder_ + "link_2.tif");
  char target[32] = {};
  EXPECT_EQ(::readlink((folder_ + "link.tif").c_str(), target, sizeof target - 1), 7);
  EXPECT_FALSE(fs::exists(folder_ + "nowhere"));
  fs::create_directories(folder_ + "dir.png");
  EXPECT_EQ(ReserveOutputName(folder_ + "dir.png", none, "png", 1), folder_ + "dir_2.png");
  // A name written earlier in the run counts as taken even when it is gone.
  const std::set<std::string> written = {folder_ + "gone.jpg"};
  EXPECT_EQ(ReserveOutputName(folder_ + "gone.jpg", written, "jpg", 1), folder_ + "gone_2.jpg");
  // A name without an extension, and a dot that belongs to a folder.
  EXPECT_EQ(ReserveOutputName(folder_ + "plain", none, "", 1), folder_ + "plain");
  EXPECT_EQ(ReserveOutputName(folder_ + "plain", none, "", 1), folder_ + "plain_2");
  fs::create_directories(folder_ + "d.x");
  EXPECT_EQ(ReserveOutputName(folder_ + "d.x/name", none, "", 1), folder_ + "d.x/name");
  EXPECT_EQ(ReserveOutputName(folder_ + "d.x/name", none, "", 1), folder_ + "d.x/name_2");
  // After _9999 the unique fallback names.
  for (int k = 2; k <= 9999; ++k) Touch("full_" + std::to_string(k) + ".png");
  Touch("full.png");
  const std::string fallback = ReserveOutputName(folder_ + "full.png", none, "png", 5);
  EXPECT_EQ(fallback.substr(0, folder_.size()), folder_);
  EXPECT_EQ(fallback.size(), folder_.size() + 12);  // "a0" month day "005.png"
  EXPECT_EQ(fallback.substr(fallback.size() - 7), "005.png");
  // A folder that cannot take a file gives no name and leaves nothing.
  EXPECT_EQ(ReserveOutputName(folder_ + "missing/x.bmp", none, "bmp", 1), "");
  Touch("file.txt");
  EXPECT_EQ(ReserveOutputName(folder_ + "file.txt/x.bmp", none, "bmp", 1), "");
}

TEST(ControlIdMap, IdsCountDownFromTheCountAndAreReused) {
  auto* first = reinterpret_cast<CQRVBImgAcquireCtrl*>(0x1000);
  auto* second = reinterpret_cast<CQRVBImgAcquireCtrl*>(0x2000);
  auto* third = reinterpret_cast<CQRVBImgAcquireCtrl*>(0x3000);
  EXPECT_EQ(RegisterControlId(first), 0) << "no map before the module starts";
  CreateControlIdMap();
  EXPECT_EQ(RegisterControlId(first), 1);
  EXPECT_EQ(RegisterControlId(second), 2);
  EXPECT_EQ(LookupControlId(2), second);
  UnregisterControlId(1);
  EXPECT_EQ(LookupControlId(1), nullptr);
  // Counting down from count + 1 = 2, which is taken, gives 1 again.
  EXPECT_EQ(RegisterControlId(third), 1);
  EXPECT_EQ(LookupControlId(1), third);
  EXPECT_EQ(LookupControlId(7), nullptr);
  DestroyControlIdMap();
  EXPECT_EQ(LookupControlId(1), nullptr);
}

}  // namespace
}  // namespace mirrask
