// Image counts: TIFF files of several pages made by tiffcp, chains that end
// past the file or loop, short blocks, and the formats that are not counted.
#include "interchange/identify/image_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::RunCommand;

class ImageCountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    std::string pgm = "P5\n5 3\n255\n" + std::string(15, '\x40');
    testing_support::WriteFileBytes(dir_.File("a.pgm"), Bytes(pgm.begin(), pgm.end()));
    const std::string cd = "cd '" + dir_.path() + "' && ";
    ASSERT_EQ(RunCommand(cd + "pnmtotiff a.pgm > a.tif && tiffcp a.tif a.tif a.tif three.tif && "
                              "tiffcp -L a.tif a.tif two.tif"),
              0);
  }
  void TearDown() override { IpiCloseSystem(sys_); }
  int64_t CountMemory(const Bytes& bytes, int32_t format = kFormatTiff) {
    return IpiCountAddressSpaceImages(sys_, bytes.data(), format, static_cast<int64_t>(bytes.size()));
  }

  testing_support::ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

TEST_F(ImageCountTest, CountsTheDirectoriesOfTheChain) {
  for (const char* name : {"a.tif", "two.tif", "three.tif"}) {
    SCOPED_TRACE(name);
    const int64_t expected = name[0] == 'a' ? 1 : name[0] == 't' && name[1] == 'w' ? 2 : 3;
    EXPECT_EQ(IpiCountFileImages(sys_, dir_.File(name).c_str(), kFormatTiff), expected);
    EXPECT_EQ(CountMemory(testing_support::ReadFileBytes(dir_.File(name))), expected);
  }
}

TEST_F(ImageCountTest, FailuresGiveNoPartialCount) {
  // The first directory's link of a two-page little-endian file points
  // past the end: 0, with 8 for memory and 22 for the file.
  Bytes two = testing_support::ReadFileBytes(dir_.File("two.tif"));
  const uint32_t first = two[4] | (two[5] << 8) | (two[6] << 16) | (uint32_t{two[7]} << 24);
  const uint32_t entries = two[first] | (two[first + 1] << 8);
  const size_t link = first + 2 + 12 * entries;
  for (int i = 0; i < 4; ++i) two[link + i] = 0xFF;
  two[link + 3] = 0x0F;
  EXPECT_EQ(CountMemory(two), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  testing_support::WriteFileBytes(dir_.File("cut.tif"), two);
  EXPECT_EQ(IpiCountFileImages(sys_, dir_.File("cut.tif").c_str(), kFormatTiff), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);

  // The first directory's link back to itself: the loop ends the chain there.
  for (int i = 0; i < 4; ++i) two[link + i] = static_cast<uint8_t>(first >> (8 * i));
  EXPECT_EQ(CountMemory(two), 1);
  testing_support::WriteFileBytes(dir_.File("loop.tif"), two);
  EXPECT_EQ(IpiCountFileImages(sys_, dir_.File("loop.tif").c_str(), kFormatTiff), 1);

  // Malformed headers, short blocks, missing files.
  const Bytes not_tiff = {'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0};
  EXPECT_EQ(CountMemory(not_tiff), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  const Bytes eight = {'I', 'I', 42, 0, 8, 0, 0, 0};
  EXPECT_EQ(CountMemory(eight), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  EXPECT_EQ(IpiCountAddressSpaceImages(sys_, nullptr, kFormatTiff, 100), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  EXPECT_EQ(IpiCountFileImages(sys_, dir_.File("missing.tif").c_str(), kFormatTiff), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiFileOpenFailure);
}

TEST_F(ImageCountTest, OnlyMultiImageFormatsAreCounted) {
  const Bytes tiff = testing_support::ReadFileBytes(dir_.File("a.tif"));
  EXPECT_EQ(CountMemory(tiff, kFormatBmp), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiCountFileImages(sys_, dir_.File("a.tif").c_str(), kFormatGif), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiNonPermissibleOption);
  // A file of another format is no well-formed tagged raster file.
  EXPECT_EQ(CountMemory(tiff, kFormatZoltra), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
}

}  // namespace
