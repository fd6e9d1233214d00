// Encoded files in memory: byte for byte the file the file-writing entry
// point writes, the byte count on success only, and no temporary file left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;

std::vector<uint8_t> HandleBytes(HGLOBAL handle) {
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(handle));
  std::vector<uint8_t> out(bytes, bytes + GlobalSize(handle));
  GlobalUnlock(handle);
  return out;
}

TEST(MemoryExport, EqualsTheFileTheSameCallWrites) {
  testing_support::ScopedTempDir dir;
  const DibSpec specs[] = {{24, 37, 23, {}}, {8, 13, 9, {}}, {1, 33, 5, {}}};
  for (const DibSpec& spec : specs) {
    ScopedHandle source(MakeDib(spec, [&](int32_t x, int32_t y) {
      const uint32_t v = static_cast<uint32_t>(x * 7 + y * 11 + x * y);
      return spec.bits == 24 ? v * 0x010305u & 0xFFFFFF : v % (1u << spec.bits);
    }));
    const HGLOBAL images[] = {source.get()};
    for (int32_t format : {kCmiFormatBmp, kCmiFormatTiff, kCmiFormatPng, kCmiFormatPcx, kCmiFormatJpeg}) {
      if (format == kCmiFormatJpeg && spec.bits == 1) continue;
      SCOPED_TRACE(testing::Message() << spec.bits << " bits, format " << format);
      const std::string path = dir.File("out");
      int32_t status = 99;
      ASSERT_EQ(CmiGenerateAndWrite(images, 1, path.c_str(), format, nullptr, 0, &status), 0);
      ASSERT_EQ(status, 0);
      const std::vector<uint8_t> file = ReadFileBytes(path);

      int32_t size = -9;
      void* heap = CmiGenerateAndExport(images, 1, format, &size, nullptr, 0, &status);
      ASSERT_NE(heap, nullptr);
      EXPECT_EQ(status, 0);
      ASSERT_EQ(size, static_cast<int32_t>(file.size()));
      EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(heap), static_cast<uint8_t*>(heap) + size), file);

      // The fourth argument of the handle export is the byte count too.
      int32_t handle_size = -9;
      ScopedHandle handle(CmiGenerateAndExportHandle(images, 1, format, &handle_size, nullptr, 0, &status));
      ASSERT_NE(handle.get(), HGLOBAL{0});
      EXPECT_EQ(handle_size, size);
      EXPECT_EQ(HandleBytes(handle.get()), file);

      // What went out in memory reads back in memory.
      HGLOBAL back = 0;
      EXPECT_EQ(CmiImportAndParse(heap, &back, 1, format, 0, size, nullptr, 0, &status), 1);
      ScopedHandle read_back(back);
      if (format != kCmiFormatJpeg && status == 0) {
        const api_testing::DibImage got = ReadDib(back), want = ReadDib(source.get());
        ASSERT_EQ(got.width, want.width);
        for (int32_t y = 0; y < want.height; ++y) {
          for (int32_t x = 0; x < want.width; ++x) ASSERT_EQ(got.Colour(x, y), want.Colour(x, y)) << x << "," << y;
        }
      }
      std::free(heap);
    }
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST(MemoryExport, FailuresKeepTheByteCountAndLeaveNoTemporaryFile) {
  ScopedHandle source(MakeDib({8, 5, 4, {}}, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x + y); }));
  const HGLOBAL images[] = {source.get()};
  struct Case {
    const char* name;
    const HGLOBAL* images;
    int32_t count, format;
    bool has_out_size;
  } cases[] = {
      {"no byte count", images, 1, kCmiFormatBmp, false},
      {"no images", nullptr, 1, kCmiFormatBmp, true},
      {"unknown format", images, 1, 99, true},
      {"GIF pixel data is not coded", images, 1, kCmiFormatGif, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t size = -9, status = 0;
    EXPECT_EQ(CmiGenerateAndExport(c.images, c.count, c.format, c.has_out_size ? &size : nullptr, nullptr, 0,
                                   &status),
              nullptr);
    EXPECT_NE(status, 0);
    EXPECT_EQ(CmiGenerateAndExportHandle(c.images, c.count, c.format, c.has_out_size ? &size : nullptr, nullptr,
                                         0, &status),
              HGLOBAL{0});
    EXPECT_NE(status, 0);
    EXPECT_EQ(size, -9);
    if (!c.has_out_size) {
      EXPECT_EQ(status, -100);
    }
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
