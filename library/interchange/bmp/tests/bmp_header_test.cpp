#include "interchange/bmp/bmp_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/status.h"
#include "interchange/bmp/tests/bmp_test_support.h"

namespace {

using bmp_test::BmpSpec;
using bmp_test::BuildBmp;

// A 3 x 2 8-bit file with a 4-entry palette.
BmpSpec SmallSpec() {
  BmpSpec s;
  s.width = 3;
  s.height = 2;
  s.bits = 8;
  s.colours_used = 4;
  s.palette = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  s.body = {0, 1, 2, 0, 3, 2, 1, 0};
  return s;
}

int Parse(const std::vector<uint8_t>& bytes, BmpContainer container, BmpHeader* header = nullptr) {
  BmpHeader local;
  return ParseBmpHeader(bytes, container, header != nullptr ? header : &local);
}

TEST(BmpHeader, ReadsEveryInfoHeaderSizeWithThePaletteRightAfterIt) {
  for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(size);
    for (bool file : {true, false}) {
      BmpSpec s = SmallSpec();
      s.info_header_bytes = size;
      s.has_file_header = file;
      BmpHeader h;
      ASSERT_EQ(Parse(BuildBmp(s), file ? BmpContainer::kFile : BmpContainer::kPacked, &h), 0);
      const uint64_t front = (file ? 14 : 0) + size;
      EXPECT_EQ(h.palette_offset, front);
      EXPECT_EQ(h.palette_entries, 4u);
      EXPECT_EQ(h.table_entries, 256u);
      EXPECT_EQ(h.pixel_offset, front + 16);
      EXPECT_EQ(h.row_bytes, 4);
      EXPECT_EQ(h.data_bytes, 8u);
    }
  }
}

TEST(BmpHeader, PackedBitmapPixelsFollowAColourTableAboveEightBits) {
  BmpSpec s;
  s.has_file_header = false;
  s.width = 1;
  s.bits = 24;
  s.colours_used = 2;
  s.palette.assign(8, 0xEE);
  s.body = {1, 2, 3, 0};
  BmpHeader h;
  ASSERT_EQ(Parse(BuildBmp(s), BmpContainer::kPacked, &h), 0);
  EXPECT_EQ(h.pixel_offset, 48u);
  EXPECT_EQ(h.palette_entries, 0u);
}

TEST(BmpHeader, RefusesHostileAndUnsupportedHeaders) {
  struct Case {
    const char* name;
    void (*damage)(BmpSpec&);
    int expected;
  };
  const Case cases[] = {
      {"os2 core header", [](BmpSpec& s) { s.info_header_bytes = 12; }, kIpiNonPermissibleOption},
      {"os2 v2 header", [](BmpSpec& s) { s.info_header_bytes = 64; }, kIpiNonPermissibleOption},
      {"unknown header size", [](BmpSpec& s) { s.info_header_bytes = 44; }, kIpiSyntaxError},
      {"zero width", [](BmpSpec& s) { s.width = 0; }, kIpiSyntaxError},
      {"zero height", [](BmpSpec& s) { s.height = 0; }, kIpiSyntaxError},
      {"top-down", [](BmpSpec& s) { s.height = -2; }, kIpiSyntaxError},
      {"negative width", [](BmpSpec& s) { s.width = -3; }, kIpiSyntaxError},
      {"2 bits", [](BmpSpec& s) { s.bits = 2; }, kIpiSyntaxError},
      {"bit fields", [](BmpSpec& s) { s.compression = 3; }, kIpiSyntaxError},
      {"rle4 at 8 bits", [](BmpSpec& s) { s.compression = 2; }, kIpiSyntaxError},
      {"jpeg body", [](BmpSpec& s) { s.compression = 4; }, kIpiSyntaxError},
      {"257 colours", [](BmpSpec& s) { s.colours_used = 257; }, kIpiSyntaxError},
      {"2^32-1 colours", [](BmpSpec& s) { s.colours_used = 0xFFFFFFFF; }, kIpiSyntaxError},
      {"palette past the end", [](BmpSpec& s) { s.colours_used = 200; }, kIpiSyntaxError},
      {"wide beyond the limit", [](BmpSpec& s) { s.width = (1 << 24) + 1; }, kIpiExceedImplementation},
      {"too many pixels", [](BmpSpec& s) { s.width = 1 << 15; s.height = 1 << 14; }, kIpiExceedImplementation},
      {"widest int", [](BmpSpec& s) { s.width = 0x7FFFFFFF; s.height = 0x7FFFFFFF; }, kIpiExceedImplementation},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s = SmallSpec();
    c.damage(s);
    EXPECT_EQ(Parse(BuildBmp(s), BmpContainer::kFile), c.expected);
  }
}

TEST(BmpHeader, RefusesOffsetsOutsideTheFile) {
  std::vector<uint8_t> good = BuildBmp(SmallSpec());
  ASSERT_EQ(Parse(good, BmpContainer::kFile), 0);
  struct Case {
    const char* name;
    size_t offset;
    uint32_t value;
  };
  const Case cases[] = {
      {"pixels past the end", 10, 1000},
      {"pixels at 2^32-1", 10, 0xFFFFFFFF},
      {"pixels inside the info header", 10, 30},
      {"pixels inside the colour table", 10, 66},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = good;
    bmp_test::PatchU32(bytes, c.offset, 70, c.value);
    EXPECT_EQ(Parse(bytes, BmpContainer::kFile), kIpiSyntaxError);
  }
  std::vector<uint8_t> bad_magic = good;
  bmp_test::PatchByte(bad_magic, 0, 'B', 'b');
  EXPECT_EQ(Parse(bad_magic, BmpContainer::kFile), kIpiSyntaxError);
}

// The highest index the rows use, padding bits left out, and whether the
// file less its file header is a packed bitmap as it stands.
TEST(BmpHeader, HighestIndexAndPackedForm) {
  struct Case {
    const char* name;
    uint16_t bits;
    uint32_t colours_used;
    std::vector<uint8_t> body;  // 3 x 2 pixels, bottom row first
    int32_t highest;
  };
  const Case cases[] = {
      // The fourth nibble and the bits past the third are padding, set here.
      {"4 bits", 4, 16, {0x12, 0x0F, 0xFF, 0xFF, 0x30, 0x5F, 0xFF, 0xFF}, 5},
      {"1 bit", 1, 2, {0x1F, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}, 0},
      {"1 bit, set", 1, 2, {0x5F, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}, 1},
      {"8 bits", 8, 4, {0, 1, 200, 0xFF, 3, 2, 1, 0xFF}, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s = SmallSpec();
    s.bits = c.bits;
    s.colours_used = c.colours_used;
    s.palette.assign(4 * c.colours_used, 0x40);
    s.body = c.body;
    const std::vector<uint8_t> file = BuildBmp(s);
    BmpHeader h;
    ASSERT_EQ(Parse(file, BmpContainer::kFile, &h), 0);
    EXPECT_EQ(BmpHighestIndex(file, h), c.highest);
    EXPECT_TRUE(BmpFileIsPackedBitmap(h));
  }
  // A gap before the rows, or a larger info header: not a packed bitmap.
  BmpSpec larger = SmallSpec();
  larger.info_header_bytes = 124;
  BmpHeader h;
  ASSERT_EQ(Parse(BuildBmp(larger), BmpContainer::kFile, &h), 0);
  EXPECT_FALSE(BmpFileIsPackedBitmap(h));
  std::vector<uint8_t> gap = BuildBmp(SmallSpec());
  bmp_test::PatchU32(gap, 10, 70, 72);
  gap.insert(gap.begin() + 70, {0, 0});
  ASSERT_EQ(Parse(gap, BmpContainer::kFile, &h), 0);
  EXPECT_FALSE(BmpFileIsPackedBitmap(h));
}

TEST(BmpHeader, EveryCutIntoTheHeadersOrPaletteIsRefused) {
  const std::vector<uint8_t> good = BuildBmp(SmallSpec());
  for (size_t length = 0; length < 70; ++length) {
    SCOPED_TRACE(length);
    const std::vector<uint8_t> cut(good.begin(), good.begin() + length);
    EXPECT_EQ(Parse(cut, BmpContainer::kFile), kIpiSyntaxError);
  }
  // Rows that are missing are the data pass's to report.
  BmpHeader h;
  const std::vector<uint8_t> no_rows(good.begin(), good.begin() + 70);
  ASSERT_EQ(Parse(no_rows, BmpContainer::kFile, &h), 0);
  EXPECT_EQ(h.available_data_bytes, 0u);
}

TEST(BmpHeader, RunLengthSizesAreBoundedByTheBytesPresent) {
  BmpSpec s = SmallSpec();
  s.compression = 1;
  s.body = {3, 7, 0, 0, 3, 8, 0, 1};
  struct Case {
    const char* name;
    uint32_t image_size;
    int expected;
    uint64_t data_bytes;
  };
  const Case cases[] = {
      {"exact", 8, 0, 8},
      {"none given: to the end", 0, 0, 8},
      {"past the end: cut", 5000, 0, 8},
      {"shorter", 4, 0, 4},
      {"negative", 0x80000000u, kIpiSyntaxError, 0},
      {"one byte", 1, kIpiSyntaxError, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.image_size = c.image_size;
    BmpHeader h;
    ASSERT_EQ(Parse(BuildBmp(s), BmpContainer::kFile, &h), c.expected);
    if (c.expected == 0) {
      EXPECT_EQ(h.data_bytes, c.data_bytes);
    }
  }
}

}  // namespace
