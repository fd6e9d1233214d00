// File images in memory converted to another format: byte for byte the file
// the file conversion writes, `size` bytes taken from the caller, sizes past
// a handle's end refused, and no temporary file left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::MakeDib;
using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;

std::vector<uint8_t> HandleBytes(HGLOBAL handle) {
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(handle));
  std::vector<uint8_t> out(bytes, bytes + GlobalSize(handle));
  GlobalUnlock(handle);
  return out;
}

HGLOBAL HandleOf(const std::vector<uint8_t>& bytes, size_t extra) {
  const HGLOBAL handle = GlobalAlloc(GHND, bytes.size() + extra);
  auto* out = static_cast<uint8_t*>(GlobalLock(handle));
  std::copy(bytes.begin(), bytes.end(), out);
  for (size_t i = 0; i < extra; ++i) out[bytes.size() + i] = 0x5A;  // trailing bytes the call must not take
  GlobalUnlock(handle);
  return handle;
}

TEST(MemoryConvert, EqualsTheFileConversion) {
  testing_support::ScopedTempDir dir;
  ScopedHandle source(MakeDib({24, 29, 11, {}}, [](int32_t x, int32_t y) {
    return static_cast<uint32_t>(x * 0x0A0B0C + y * 0x030201) & 0xFFFFFF;
  }));
  const HGLOBAL images[] = {source.get()};
  const std::string png = dir.File("in.png");
  int32_t status = 99;
  ASSERT_EQ(CmiGenerateAndWrite(images, 1, png.c_str(), kCmiFormatPng, nullptr, 0, &status), 0);
  const std::vector<uint8_t> input = ReadFileBytes(png);
  const auto size = static_cast<int32_t>(input.size());
  for (int32_t target : {kCmiFormatBmp, kCmiFormatTiff, kCmiFormatJpeg, kCmiFormatPcx}) {
    SCOPED_TRACE(target);
    const std::string out = dir.File("out");
    ASSERT_EQ(CmiFileFormatConvert(png.c_str(), out.c_str(), kCmiFormatPng, target, nullptr, 0, &status), 0);
    const std::vector<uint8_t> file = ReadFileBytes(out);

    int32_t out_size = -9;
    void* block = CmiAddressSpaceFormatConvert(input.data(), kCmiFormatPng, target, size, &out_size, nullptr, 0,
                                               &status);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(out_size, static_cast<int32_t>(file.size()));
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + out_size), file);
    std::free(block);

    // `size` bytes of a larger handle are taken, not the handle's size.
    ScopedHandle handle(HandleOf(input, 100));
    ScopedHandle converted(
        CmiHandleFormatConvert(handle.get(), kCmiFormatPng, target, size, &out_size, nullptr, 0, &status));
    ASSERT_NE(converted.get(), HGLOBAL{0});
    EXPECT_EQ(HandleBytes(converted.get()), file);
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST(MemoryConvert, BadSizesAndFailuresKeepTheByteCount) {
  const std::vector<uint8_t> input(64, 0x11);  // no known format
  ScopedHandle handle(HandleOf(input, 0));
  struct Case {
    const char* name;
    int32_t size;
    int32_t source_format;
    int32_t expected;
  } cases[] = {
      {"size 0", 0, kCmiFormatPng, -100},
      {"negative size", -5, kCmiFormatPng, -100},
      {"past the handle", 65, kCmiFormatPng, -100},
      {"unknown format", 64, 99, -100},
      {"not a PNG file", 64, kCmiFormatPng, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t out_size = -9, status = 0;
    EXPECT_EQ(CmiHandleFormatConvert(handle.get(), c.source_format, kCmiFormatBmp, c.size, &out_size, nullptr, 0,
                                     &status),
              HGLOBAL{0});
    if (c.expected != 0) {
      EXPECT_EQ(status, c.expected);
    } else {
      EXPECT_NE(status, 0);
    }
    if (c.name != std::string("past the handle")) {
      EXPECT_EQ(CmiAddressSpaceFormatConvert(input.data(), c.source_format, kCmiFormatBmp, c.size, &out_size,
                                             nullptr, 0, &status),
                nullptr);
      EXPECT_NE(status, 0);
    }
    EXPECT_EQ(out_size, -9);
  }
  int32_t status = 0;
  EXPECT_EQ(CmiAddressSpaceFormatConvert(nullptr, kCmiFormatPng, kCmiFormatBmp, 64, nullptr, nullptr, 0, &status),
            nullptr);
  EXPECT_EQ(status, -100);
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
