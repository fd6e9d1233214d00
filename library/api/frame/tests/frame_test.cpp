// The entry-point frame: packed bitmaps through a context and back, the
// checks of a caller's bitmap, options, fill levels and rectangles.
#include <gtest/gtest.h>

#include <cstring>

#include "api/frame/call_frame.h"
#include "api/frame/fill_levels.h"
#include "api/frame/rectangle.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "packed_dib.h"

namespace {

using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::ScopedHandle;

// The bitmap through import and export, as every operation entry point ends.
HGLOBAL RoundTrip(HGLOBAL handle, int32_t* status, const IpiAttributePair* pairs = nullptr, int32_t n = 0) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(true)) return 0;
  const CmiSource* source = call.LockSource(handle);
  if (source == nullptr || !call.OpenContext()) return 0;
  IpiObject* image = call.ImportSource(*source);
  if (image == nullptr) return 0;
  return call.Finish(image);
}

uint32_t Pattern(int32_t bits, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + x * y);
  return bits == 24 ? v * 0x010305u & 0xFFFFFF : v % (1u << bits);
}

TEST(PackedBitmapFrame, RoundTripsEveryDepthAndPadding) {
  for (int32_t bits : {1, 4, 8, 24}) {
    for (int32_t width : {1, 7, 8, 9, 13, 33}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
      ScopedHandle source(MakeDib({bits, width, 3, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
      int32_t status = -5;
      ScopedHandle result(RoundTrip(source.get(), &status));
      ASSERT_EQ(status, 0);
      ASSERT_NE(result.get(), 0u);
      const api_testing::DibImage image = ReadDib(result.get());
      ASSERT_EQ(image.bits, bits);
      for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < width; ++x) ASSERT_EQ(image.Index(x, y), Pattern(bits, x, y)) << x << "," << y;
      }
    }
  }
}

TEST(PackedBitmapFrame, LayoutSizes) {
  struct Case { int64_t x, bands, precision; uint64_t total; };
  const Case cases[] = {
      {9, 1, 1, 4 * 2 + 48},  {1, 3, 8, 4 * 2 + 40}, {5, 1, 8, 8 * 2 + 1064},
      {3, 1, 4, 4 * 2 + 104}, {1, 1, 24, 4 * 2 + 40}, {4, 4, 8, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackedDibLayoutFor(c.x, 2, c.bands, c.precision).total_bytes, c.total) << c.x << " " << c.precision;
  }
}

// Damaged bitmaps and handles are refused before anything is read past them.
TEST(PackedBitmapFrame, RefusesDamagedHandles) {
  const auto patch = [](HGLOBAL h, size_t offset, uint32_t value) {
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    std::memcpy(p + offset, &value, 4);
    GlobalUnlock(h);
  };
  struct Case { const char* what; size_t offset; uint32_t value; int32_t status; };
  const Case cases[] = {
      {"header size", 0, 12345, kCmiStatusBadArgument},
      {"width 0", 4, 0, kCmiStatusBadArgument},
      {"more rows than the handle", 8, 400, kCmiStatusBadArgument},
      {"top-down rows", 8, 0xFFFFFFFE, kCmiStatusBadArgument},
      {"colour table too large", 32, 1000000, kCmiStatusBadArgument},
      {"16 bits", 14, 16, kCmiStatusBadArgument},
      {"bit fields", 16, 3, kCmiStatusBadArgument},
      {"beyond the limits", 4, 0x7FFFFFFF, 3},
  };
  for (const Case& c : cases) {
    ScopedHandle source(MakeDib({8, 4, 4, {}}, [](int32_t, int32_t) { return 1u; }));
    patch(source.get(), c.offset, c.value);
    int32_t status = 0;
    EXPECT_EQ(RoundTrip(source.get(), &status), 0u) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
    EXPECT_NE(GlobalLock(source.get()), nullptr) << "the caller's handle stays usable";
    GlobalUnlock(source.get());
    GlobalUnlock(source.get());
  }
  int32_t status = 0;
  ScopedHandle tiny(GlobalAlloc(GHND, 10));
  EXPECT_EQ(RoundTrip(tiny.get(), &status), 0u);
  EXPECT_EQ(status, kCmiStatusBadArgument);
  HGLOBAL freed = GlobalAlloc(GHND, 100);
  GlobalFree(freed);
  EXPECT_EQ(RoundTrip(freed, &status), 0u);
  EXPECT_EQ(status, kCmiStatusSystemFailure);
  EXPECT_EQ(RoundTrip(0, nullptr), 0u) << "a null status is tolerated";
}

TEST(PackedBitmapFrame, OptionsAndRepository) {
  const IpiAttributePair pairs[] = {{"repository", 0}, {"other", 1}, {"Repository", 33}, {"repository", 33}};
  EXPECT_EQ(CmiOptions(pairs, 4).Repository(), kRepositoryGlobalBlock) << "the later pair wins";
  EXPECT_EQ(CmiOptions(pairs, 3).Repository(), kRepositoryFile) << "names are case-sensitive";
  EXPECT_EQ(CmiOptions(pairs, 0).Repository(), kRepositoryGlobalBlock);
  EXPECT_FALSE(CmiOptions(nullptr, 2).valid());
  EXPECT_TRUE(CmiOptions(nullptr, -1).valid());
  // Intermediate images in temporary files give the same result.
  ScopedHandle source(MakeDib({24, 5, 3, {}}, [](int32_t x, int32_t y) { return Pattern(24, x, y); }));
  int32_t status = -5;
  ScopedHandle result(RoundTrip(source.get(), &status, pairs, 1));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadDib(result.get()).indices, ReadDib(source.get()).indices);
}

TEST(PackedBitmapFrame, DefaultFillLevelIsTheWhitestEntry) {
  struct Case { int32_t bits; std::vector<api_testing::Rgb> palette; int32_t level; };
  const Case cases[] = {
      {1, {{255, 255, 255}, {0, 0, 0}}, 0},
      {1, {{0, 0, 0}, {255, 255, 255}}, 255},
      {4, {{0, 0, 0}, {9, 9, 9}, {255, 255, 255}, {255, 255, 255}}, 0x33},  // the later of equals wins
      {8, {{0, 0, 0}, {255, 0, 0}, {200, 200, 200}}, 2},
      {24, {}, 255},
  };
  for (const Case& c : cases) {
    ScopedHandle source(MakeDib({c.bits, 2, 2, c.palette}, [](int32_t, int32_t) { return 0u; }));
    int32_t status = 0;
    CmiCall call(&status, nullptr, 0);
    const CmiSource* locked = call.LockSource(source.get());
    ASSERT_TRUE(locked != nullptr && call.OpenContext());
    IpiObject* image = call.ImportSource(*locked);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(DefaultFillLevel(call.sys(), image, &status), c.level) << c.bits;
    EXPECT_EQ(status, 0);
  }
}

// Levels fill each band; a rectangle operation leaves the outside alone.
TEST(PackedBitmapFrame, LevelsAndRectangles) {
  ScopedHandle source(MakeDib({24, 6, 4, {}}, [](int32_t x, int32_t y) { return Pattern(24, x, y); }));
  int32_t status = 0;
  const IpiAttributePair pairs[] = {{"sourceXPoint", 1}, {"sourceYPoint", 2}, {"sourceWidth", 3}, {"sourceHeight", 2}};
  CmiCall call(&status, pairs, 4);
  const CmiSource* locked = call.LockSource(source.get());
  ASSERT_TRUE(locked != nullptr && call.OpenContext());
  IpiObject* image = call.ImportSource(*locked);
  CmiRectangle rect;
  ASSERT_TRUE(ReadRectangle(call.options(), locked->info, &rect));
  IpiObject* result = OperateOnRectangle(call, image, rect, [&](IpiObject* window) -> IpiObject* {
    IpiObject* filled = call.CreateImage("oImage3", window);
    if (filled == nullptr || !call.Ok(FillImageWithLevels(call.sys(), filled, {0x11, 0x22, 0x33}))) return nullptr;
    return filled;
  });
  ASSERT_NE(result, nullptr) << status;
  CmiRectangle outside;
  const IpiAttributePair too_wide[] = {{"sourceXPoint", 4}, {"sourceWidth", 3}};
  EXPECT_FALSE(ReadRectangle(CmiOptions(too_wide, 2), locked->info, &outside));
  ScopedHandle out(call.Finish(result));
  ASSERT_EQ(status, 0);
  const api_testing::DibImage image_out = ReadDib(out.get());
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 4 && y >= 2;
      EXPECT_EQ(image_out.Index(x, y), inside ? 0x112233u : Pattern(24, x, y)) << x << "," << y;
    }
  }
}

// A fill level of a 4-bit image (both halves of a byte) paints whole pixels.
TEST(PackedBitmapFrame, FourBitLevelsFillWholePixels) {
  for (int32_t width : {1, 3, 8}) {
    ScopedHandle source(MakeDib({4, width, 2, {}}, [](int32_t x, int32_t) { return static_cast<uint32_t>(x); }));
    int32_t status = 0;
    CmiCall call(&status, nullptr, 0);
    const CmiSource* locked = call.LockSource(source.get());
    ASSERT_TRUE(locked != nullptr && call.OpenContext());
    IpiObject* image = call.ImportSource(*locked);
    ASSERT_NE(image, nullptr);
    const int32_t level = DefaultFillLevel(call.sys(), image, &status);
    EXPECT_EQ(level, 0xFF);
    ASSERT_EQ(FillImageWithLevels(call.sys(), image, {level, level, level}), 0);
    ScopedHandle out(call.Finish(image));
    ASSERT_EQ(status, 0);
    const api_testing::DibImage filled = ReadDib(out.get());
    for (int32_t x = 0; x < width; ++x) EXPECT_EQ(filled.Index(x, 1), 15u) << width << " " << x;
  }
}

}  // namespace
