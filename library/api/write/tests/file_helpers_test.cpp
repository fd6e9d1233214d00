// The file helpers: bitmap files to packed bitmaps and back, whole files and
// chunked copies, checked against ImageMagick and netpbm.
#include "api/frame/file_helpers.h"

#include <gtest/gtest.h>

#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibImage;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

TEST(FileHelpers, BitmapFilesOfOtherWritersBecomePlainPackedBitmaps) {
  // ImageMagick writes version 4/5 headers and 24-bit or palette rows; the
  // loaded bitmap has a 40-byte header and the same pixels.
  ScopedTempDir dir;
  ScopedHandle source(
      MakeDib({24, 13, 5, {}}, [](int32_t x, int32_t y) { return uint32_t(x * 0x0A0B0C + y * 0x301020) & 0xFFFFFF; }));
  const DibImage expected = ReadDib(source.get());
  const std::string ppm = api_testing::ToPpm(expected);
  WriteFileBytes(dir.File("in.ppm"), std::vector<uint8_t>(ppm.begin(), ppm.end()));
  for (const char* type : {"BMP", "BMP3"}) {
    SCOPED_TRACE(type);
    ASSERT_EQ(RunCommand("convert-im6.q16 '" + dir.File("in.ppm") + "' -type TrueColor " + type + ":'" +
                         dir.File("m.bmp") + "'"),
              0);
    int32_t status = 1;
    ScopedHandle loaded(LoadBitmapFileAsDib(dir.File("m.bmp").c_str(), &status));
    ASSERT_EQ(status, 0);
    const DibImage got = ReadDib(loaded.get());
    EXPECT_EQ(got.indices, expected.indices);
  }
  // A file cut short loses rows: refused, not handed on.
  std::vector<uint8_t> bytes = ReadFileBytes(dir.File("m.bmp"));
  bytes.resize(bytes.size() - 7);
  WriteFileBytes(dir.File("short.bmp"), bytes);
  int32_t status = 0;
  EXPECT_EQ(LoadBitmapFileAsDib(dir.File("short.bmp").c_str(), &status), 0u);
  EXPECT_EQ(status, 22);
  EXPECT_EQ(LoadBitmapFileAsDib(dir.File("none.bmp").c_str(), &status), 0u);
  EXPECT_EQ(status, 26);
}

TEST(FileHelpers, BitmapFileWrittenFromTheCheckedHeader) {
  ScopedTempDir dir;
  ScopedHandle image(MakeDib({4, 9, 3, {}}, [](int32_t x, int32_t y) { return uint32_t((x + y) % 16); }));
  ASSERT_EQ(WriteDibAsBitmapFile(image.get(), dir.File("o.bmp").c_str(), 3780, 2835), 0);
  std::string pnm;
  ASSERT_EQ(RunCommand("bmptopnm -quiet '" + dir.File("o.bmp") + "' | pamdepth 255", &pnm), 0);
  const api_testing::PnmImage got = api_testing::ParsePnm(pnm);
  const DibImage expected = ReadDib(image.get());
  ASSERT_EQ(got.width, 9);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(got.pixels[static_cast<size_t>(y * 9 + x)], expected.Colour(x, y));
  }
  // A handle shorter than its header claims is refused, the earlier file kept.
  const std::vector<uint8_t> earlier = ReadFileBytes(dir.File("o.bmp"));
  ScopedHandle short_handle(GlobalAlloc(GHND, 41));
  EXPECT_EQ(WriteDibAsBitmapFile(short_handle.get(), dir.File("o.bmp").c_str(), 0, 0), -100);
  EXPECT_EQ(ReadFileBytes(dir.File("o.bmp")), earlier);
}

TEST(FileHelpers, WholeFilesAndChunkedCopies) {
  ScopedTempDir dir;
  for (size_t size : {size_t{0}, size_t{65536}, size_t{65536 * 2 + 17}}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + i / 256);
    WriteFileBytes(dir.File("a"), bytes);
    int32_t status = 1;
    EXPECT_EQ(CopyFileByChunks(dir.File("a").c_str(), dir.File("b").c_str(), &status), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("b")), bytes);
    ScopedHandle whole(LoadFileToGlobal(dir.File("b").c_str(), &status));
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SaveGlobalToFile(whole.get(), dir.File("c").c_str(), size, &status), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("c")), bytes);
    // More bytes than the handle holds are refused.
    EXPECT_EQ(SaveGlobalToFile(whole.get(), dir.File("c").c_str(), GlobalSize(whole.get()) + 1, &status), -100);
    EXPECT_EQ(ReadFileBytes(dir.File("c")), bytes);
  }
  int32_t status = 0;
  EXPECT_EQ(CopyFileByChunks(dir.File("missing").c_str(), dir.File("d").c_str(), &status), 26);
  EXPECT_EQ(CopyFileByChunks(dir.File("a").c_str(), dir.File("no/d").c_str(), &status), 25);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
