// Every entry point that takes a caller's packed bitmap checks it against its
// handle before reading it: a bitmap whose rows or colour table reach past
// the handle is refused (-100) with no result and no file, and a bitmap whose
// pixels index past a short colour table is read without reading past it
// (the sanitizer build shows any read beyond the handle).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::MakeDib;
using api_testing::ScopedHandle;

constexpr int32_t kGrey = 17;     // 8 bits taken as grey
constexpr int32_t kIndexed = 16;  // 8 bits with a palette

// One call of an entry point on `h`; returns the status and frees whatever
// the call made.
struct EntryPoint {
  const char* name;
  std::function<int32_t(HGLOBAL h, const std::string& file)> call;
};

// Frees a handle result and gives the status (taken after the call made it).
int32_t Done(HGLOBAL result, int32_t status) {
  if (result != 0) GlobalFree(result);
  return status;
}

// An entry point that returns a new handle: `expression` uses `h` and `&s`.
#define HANDLE_CALL(label, expression)         \
  {                                            \
    label, [](HGLOBAL h, const std::string&) { \
      int32_t s = 99;                          \
      const HGLOBAL r = expression;            \
      return Done(r, s);                       \
    }                                          \
  }

std::vector<EntryPoint> EntryPoints() {
  auto write = [](int32_t format, std::vector<IpiAttributePair> options) {
    return [format, options](HGLOBAL h, const std::string& file) {
      int32_t s = 99;
      const HGLOBAL images[] = {h};
      (void)CmiGenerateAndWrite(images, 1, file.c_str(), format, options.data(), static_cast<int32_t>(options.size()),
                                &s);
      return s;
    };
  };
  return {
      HANDLE_CALL("Resize", CmiResize(h, 9, 5, 8, 0, nullptr, 0, &s)),
      HANDLE_CALL("Rotate", CmiRotate(h, 4, 6, 1, nullptr, 0, &s)),
      HANDLE_CALL("RotateArbitrary", CmiRotateArbitrary(h, 8, 8, 30.0, nullptr, 0, &s)),
      HANDLE_CALL("Flip", CmiFlip(h, 49, nullptr, 0, &s)),
      HANDLE_CALL("Skew", CmiSkew(h, 10, 4, 48, 20.0, nullptr, 0, &s)),
      HANDLE_CALL("Subsample", CmiSubsample(h, 0, 0, 6, 4, 3, 2, 0, 0, 3, 2, 8, 0, nullptr, 0, &s)),
      HANDLE_CALL("Constant", CmiConstant(h, 1, 1, 2, 2, 7, 7, 7, nullptr, 0, &s)),
      HANDLE_CALL("ModeRGBColor", CmiModeRGBColor(h, kIndexed, nullptr, 0, &s)),
      HANDLE_CALL("ModeGrayscale", CmiModeGrayscale(h, kIndexed, nullptr, 0, &s)),
      HANDLE_CALL("ModeBitmap", CmiModeBitmap(h, kIndexed, 20, 0, nullptr, 0, &s)),
      HANDLE_CALL("ModeIndexedColor16", CmiModeIndexedColor16(h, kIndexed, 20, 22, 2, 4, 2, nullptr, 0, &s)),
      HANDLE_CALL("Invert", CmiInvert(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("Invert palette", CmiInvert(h, kIndexed, nullptr, 0, &s)),
      HANDLE_CALL("BrightnessAndContrast", CmiBrightnessAndContrast(h, kGrey, 20, 10, nullptr, 0, &s)),
      HANDLE_CALL("GammaCorrection", CmiGammaCorrection(h, kIndexed, 2.0, nullptr, 0, &s)),
      HANDLE_CALL("Solarize", CmiSolarize(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("ColourBalance", CmiColourBalance(h, kIndexed, 10, 0, -10, nullptr, 0, &s)),
      HANDLE_CALL("HueSaturation", CmiHueSaturation(h, kIndexed, 30, 10, 0, nullptr, 0, &s)),
      HANDLE_CALL("Equalize", CmiEqualize(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("Blend", CmiBlend(h, h, kGrey, 1, 0.5, nullptr, 0, &s)),
      HANDLE_CALL("Calculate", CmiCalculate(h, h, kGrey, 0, 56, nullptr, 0, &s)),
      HANDLE_CALL("Blur", CmiBlur(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("Sharpen", CmiSharpen(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("Median", CmiMedian(h, kGrey, 1, nullptr, 0, &s)),
      HANDLE_CALL("FindEdges", CmiFindEdges(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("EdgeEnhance", CmiEdgeEnhance(h, kGrey, nullptr, 0, &s)),
      HANDLE_CALL("EdgeDetection", CmiEdgeDetection(h, kGrey, 54, nullptr, 0, &s)),
      HANDLE_CALL("Pinch", CmiPinch(h, 40, nullptr, 0, &s)),
      HANDLE_CALL("Spherize", CmiSpherize(h, 0, 40, nullptr, 0, &s)),
      HANDLE_CALL("RankOrder", CmiRankOrder(h, kGrey, 52, 1, nullptr, 0, &s)),
      HANDLE_CALL("Emboss", CmiEmboss(h, kGrey, nullptr, 0, &s)),
      {"GenerateAndWrite bmp", write(kCmiFormatBmp, {})},
      {"GenerateAndWrite bmp rle", write(kCmiFormatBmp, {{"compression", 31}})},
      {"GenerateAndWrite tiff", write(kCmiFormatTiff, {{"compression", 30}})},
      {"GenerateAndWrite jpeg", write(kCmiFormatJpeg, {})},
      {"GenerateAndWrite png", write(kCmiFormatPng, {})},
      {"GenerateAndWrite pcx", write(kCmiFormatPcx, {})},
      {"GenerateAndExport",
       [](HGLOBAL h, const std::string&) {
         int32_t s = 99, size = 0;
         const HGLOBAL images[] = {h};
         void* block = CmiGenerateAndExport(images, 1, kCmiFormatPng, &size, nullptr, 0, &s);
         std::free(block);
         return s;
       }},
      {"GenerateAndExportHandle",
       [](HGLOBAL h, const std::string&) {
         int32_t s = 99, size = 0;
         const HGLOBAL images[] = {h};
         const HGLOBAL r = CmiGenerateAndExportHandle(images, 1, kCmiFormatTiff, &size, nullptr, 0, &s);
         return Done(r, s);
       }},
      {"GenerateAndWriteAndControl",
       [](HGLOBAL h, const std::string& file) {
         int32_t s = 99;
         const HGLOBAL images[] = {h};
         (void)CmiGenerateAndWriteAndControl(images, 1, file.c_str(), kCmiFormatTiff, 56, 0, nullptr, 0, &s);
         return s;
       }},
  };
}

// An 8-bit bitmap of 6 x 4 pixels, every value 0..255 used.
HGLOBAL Bitmap(std::vector<api_testing::Rgb> palette) {
  return MakeDib({8, 6, 4, std::move(palette)}, [](int32_t x, int32_t y) { return uint32_t(x * 47 + y * 61) % 256; });
}

void Patch(HGLOBAL h, size_t offset, uint32_t value) {
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  std::memcpy(p + offset, &value, 4);
  GlobalUnlock(h);
}

TEST(CallerBitmaps, DamagedBitmapsAreRefusedByEveryEntryPoint) {
  testing_support::ScopedTempDir dir;
  struct Damage {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const Damage damages[] = {
      {"more rows than the handle", 8, 40},
      {"a colour table past the handle", 32, 255},
      {"a header longer than the handle", 0, 4000},
  };
  for (const EntryPoint& entry : EntryPoints()) {
    for (const Damage& d : damages) {
      SCOPED_TRACE(testing::Message() << entry.name << ", " << d.what);
      // A short table, so the widened one of the damage would not fit.
      ScopedHandle bitmap(Bitmap({{0, 0, 0}, {255, 255, 255}}));
      Patch(bitmap.get(), d.offset, d.value);
      const std::string file = dir.File("out");
      EXPECT_EQ(entry.call(bitmap.get(), file), kCmiStatusBadArgument);
      EXPECT_FALSE(std::filesystem::exists(file));
    }
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST(CallerBitmaps, PixelsPastAShortColourTableAreReadInsideTheHandle) {
  testing_support::ScopedTempDir dir;
  for (const EntryPoint& entry : EntryPoints()) {
    SCOPED_TRACE(entry.name);
    // Two colours, pixels up to 255: the handle holds no colour for most of them.
    ScopedHandle bitmap(Bitmap({{10, 20, 30}, {200, 100, 50}}));
    const std::string file = dir.File("out");
    std::filesystem::remove(file);
    EXPECT_EQ(entry.call(bitmap.get(), file), 0);
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
