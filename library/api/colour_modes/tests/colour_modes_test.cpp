// The colour-mode entry points: which modes each takes at which bit count,
// the luminance weights, thresholds, the palettes of indexed results and the
// refusals of bad arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"

namespace {

using api_testing::DibImage;
using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::Rgb;
using api_testing::ScopedHandle;

// One call of any of the five entry points with the conversion arguments the
// case gives (the indexed ones take method, palette kind and levels).
enum class Export { kRgb, kGrey, kBitmap, kIndexed256, kIndexed16 };

struct Arguments {
  int32_t method = 20;
  int32_t threshold = 128;
  int32_t palette = 22;
  std::array<int32_t, 3> levels = {2, 4, 2};
};

HGLOBAL Call(Export which, HGLOBAL handle, int32_t mode, const Arguments& a, int32_t* status,
             const IpiAttributePair* pairs = nullptr, int32_t n = 0) {
  switch (which) {
    case Export::kRgb: return CmiModeRGBColor(handle, mode, pairs, n, status);
    case Export::kGrey: return CmiModeGrayscale(handle, mode, pairs, n, status);
    case Export::kBitmap: return CmiModeBitmap(handle, mode, a.method, a.threshold, pairs, n, status);
    case Export::kIndexed256:
      return CmiModeIndexedColor256(handle, mode, a.method, a.palette, a.levels[0], a.levels[1], a.levels[2], pairs, n,
                                    status);
    case Export::kIndexed16:
      return CmiModeIndexedColor16(handle, mode, a.method, a.palette, a.levels[0], a.levels[1], a.levels[2], pairs, n,
                                   status);
  }
  return 0;
}

const char* Name(Export which) {
  static const char* const kNames[] = {"RGB", "grey", "bitmap", "256", "16"};
  return kNames[static_cast<int>(which)];
}

// A colourful picture at any depth: palettes of distinct colours.
std::vector<Rgb> ColourPalette(int32_t entries) {
  std::vector<Rgb> palette;
  for (int32_t i = 0; i < entries; ++i) {
    palette.push_back({static_cast<uint8_t>(i * 37 + 11), static_cast<uint8_t>(255 - i * 23), static_cast<uint8_t>(i * 91)});
  }
  return palette;
}

HGLOBAL Picture(int32_t bits, int32_t width, int32_t height) {
  const int32_t entries = bits == 24 ? 0 : 1 << bits;
  return MakeDib({bits, width, height, ColourPalette(entries)}, [&](int32_t x, int32_t y) -> uint32_t {
    if (bits == 24) return static_cast<uint32_t>((x * 40) << 16 | (y * 50) << 8 | ((x + y) * 20));
    return static_cast<uint32_t>(x * 3 + y * 5) % static_cast<uint32_t>(entries);
  });
}

uint32_t Packed(const Rgb& c) { return uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2]; }

std::set<uint32_t> ColoursOf(const DibImage& image) {
  std::set<uint32_t> colours;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) colours.insert(Packed(image.Colour(x, y)));
  }
  return colours;
}

// Which source modes each entry point takes, and the depth of its result.
struct ExportRule {
  Export which;
  std::vector<int32_t> accepted;
  int32_t result_bits;
};
const ExportRule kRules[] = {
    {Export::kRgb, {14, 15, 16, 17}, 24},
    {Export::kGrey, {14, 15, 16, 18, 50}, 8},
    {Export::kBitmap, {15, 16, 17, 18}, 1},
    {Export::kIndexed256, {14, 15, 18}, 8},
    {Export::kIndexed16, {14, 16, 17, 18}, 4},
};

TEST(ColourModes, AcceptsListedModesAtTheirBitCountOnly) {
  for (const ExportRule& rule : kRules) {
    for (int32_t mode : {0, 13, 14, 15, 16, 17, 18, 19, 50}) {
      for (int32_t bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(testing::Message() << Name(rule.which) << " mode " << mode << " bits " << bits);
        ScopedHandle source(Picture(bits, 9, 3));
        const bool listed = std::count(rule.accepted.begin(), rule.accepted.end(), mode) > 0;
        const bool ok = listed && api_testing::BitsOfColourMode(mode) == bits;
        int32_t status = 7;
        ScopedHandle result(Call(rule.which, source.get(), mode, Arguments{}, &status));
        EXPECT_EQ(status, ok ? 0 : kCmiStatusBadArgument);
        ASSERT_EQ(result.get() != 0, ok);
        if (ok) {
          const DibImage image = ReadDib(result.get());
          EXPECT_EQ(image.bits, rule.result_bits);
          EXPECT_EQ(image.width, 9);
          EXPECT_EQ(image.height, 3);
        }
      }
    }
  }
}

// The palette's colours arrive exactly in RGB, at every width that pads rows.
TEST(ColourModes, RgbKeepsEveryColour) {
  for (int32_t bits : {1, 4, 8}) {
    for (int32_t width : {1, 7, 9, 13, 33}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
      ScopedHandle source(Picture(bits, width, 3));
      int32_t status = 7;
      ScopedHandle result(CmiModeRGBColor(source.get(), bits == 1 ? 14 : bits == 4 ? 15 : 16, nullptr, 0, &status));
      ASSERT_EQ(status, 0);
      const DibImage in = ReadDib(source.get());
      const DibImage out = ReadDib(result.get());
      for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < width; ++x) ASSERT_EQ(out.Index(x, y), Packed(in.Colour(x, y))) << x << "," << y;
      }
    }
  }
}

// Grey is 0.29889531 R + 0.58662247 G + 0.11448223 B, rounded.
TEST(ColourModes, GreyWeightsOnPrimaries) {
  const std::vector<Rgb> colours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {10, 20, 30}};
  const std::vector<uint32_t> expected = {76, 150, 29, 255, 0, 18};
  // The same colours as RGB pixels and as palette entries.
  ScopedHandle rgb(MakeDib({24, 6, 1, {}}, [&](int32_t x, int32_t) { return Packed(colours[static_cast<size_t>(x)]); }));
  ScopedHandle indexed(MakeDib({8, 6, 1, colours}, [](int32_t x, int32_t) { return static_cast<uint32_t>(x); }));
  for (auto [handle, mode] : {std::pair{rgb.get(), 18}, std::pair{indexed.get(), 16}}) {
    int32_t status = 7;
    ScopedHandle grey(CmiModeGrayscale(handle, mode, nullptr, 0, &status));
    ASSERT_EQ(status, 0) << mode;
    const DibImage image = ReadDib(grey.get());
    for (int32_t x = 0; x < 6; ++x) {
      EXPECT_EQ(image.Index(x, 0), expected[static_cast<size_t>(x)]) << "mode " << mode << " pixel " << x;
      const auto level = static_cast<uint8_t>(expected[static_cast<size_t>(x)]);
      EXPECT_EQ(image.Colour(x, 0), (Rgb{level, level, level}));
    }
  }
  // Mode 50 complements the 8-bit values, whatever the palette.
  int32_t status = 7;
  ScopedHandle inverted(CmiModeGrayscale(indexed.get(), 50, nullptr, 0, &status));
  ASSERT_EQ(status, 0);
  const DibImage image = ReadDib(inverted.get());
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(image.Index(x, 0), 255u - static_cast<uint32_t>(x));
}

TEST(ColourModes, ThresholdBounds) {
  // A grey ramp 0..255 (mode 17 takes the values as grey).
  ScopedHandle ramp(MakeDib({8, 16, 16, {}}, [](int32_t x, int32_t y) { return static_cast<uint32_t>(y * 16 + x); }));
  struct Case { int32_t threshold; int32_t first_white; };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{128, 128}, Case{255, 255}}) {
    int32_t status = 7;
    ScopedHandle bitmap(CmiModeBitmap(ramp.get(), 17, 19, c.threshold, nullptr, 0, &status));
    ASSERT_EQ(status, 0) << c.threshold;
    const DibImage image = ReadDib(bitmap.get());
    ASSERT_EQ(image.bits, 1);
    for (int32_t v = 0; v < 256; ++v) {
      const Rgb colour = image.Colour(v % 16, v / 16);
      EXPECT_EQ(colour[0], v >= c.first_white ? 255 : 0) << "threshold " << c.threshold << " value " << v;
    }
  }
}

// Dithering a flat mid grey: the ordered matrix sets exactly half the pixels,
// error diffusion about half; both give only black and white.
TEST(ColourModes, DitheredBitmapsOfMidGrey) {
  ScopedHandle grey(MakeDib({24, 32, 32, {}}, [](int32_t, int32_t) { return 0x808080u; }));
  for (int32_t method : {20, 21}) {
    int32_t status = 7;
    ScopedHandle bitmap(CmiModeBitmap(grey.get(), 18, method, 999, nullptr, 0, &status));
    ASSERT_EQ(status, 0) << method;
    const DibImage image = ReadDib(bitmap.get());
    int32_t white = 0;
    for (int32_t y = 0; y < 32; ++y) {
      for (int32_t x = 0; x < 32; ++x) white += image.Colour(x, y)[0] == 255 ? 1 : 0;
    }
    EXPECT_EQ(ColoursOf(image), (std::set<uint32_t>{0x000000, 0xFFFFFF})) << method;
    if (method == 21) {
      EXPECT_EQ(white, 512);
    }
    EXPECT_NEAR(white, 512, 40) << method;
  }
}

// Two-colour and 16-colour sources keep their colours and indices in the
// wider palette; the entries past them are black.
TEST(ColourModes, IndexedKeepsSmallPalettes) {
  const std::vector<Rgb> red_blue = {{255, 0, 0}, {0, 0, 255}};
  ScopedHandle bitmap(MakeDib({1, 13, 3, red_blue}, [](int32_t x, int32_t y) { return uint32_t((x + y) % 3 == 0); }));
  ScopedHandle sixteen(Picture(4, 13, 3));
  struct Case { Export which; HGLOBAL source; int32_t mode; int32_t bits; };
  const Case cases[] = {{Export::kIndexed256, bitmap.get(), 14, 8},
                        {Export::kIndexed16, bitmap.get(), 14, 4},
                        {Export::kIndexed256, sixteen.get(), 15, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Name(c.which) << " from mode " << c.mode);
    // Method, palette kind and levels do not matter for these sources, even
    // values that a quantized source would be refused for.
    Arguments arguments;
    arguments.method = 99;
    arguments.palette = 99;
    arguments.levels = {0, 300, 1};
    int32_t status = 7;
    ScopedHandle result(Call(c.which, c.source, c.mode, arguments, &status));
    ASSERT_EQ(status, 0);
    const DibImage in = ReadDib(c.source);
    const DibImage out = ReadDib(result.get());
    ASSERT_EQ(out.bits, c.bits);
    ASSERT_EQ(out.palette.size(), size_t{1} << c.bits);
    for (size_t i = 0; i < out.palette.size(); ++i) {
      const Rgb expected = i < in.palette.size() ? in.palette[i] : Rgb{0, 0, 0};
      EXPECT_EQ(out.palette[i], expected) << "entry " << i;
    }
    EXPECT_EQ(out.indices, in.indices);
  }
}

// Every method and palette kind gives at most the palette's colours; the
// uniform palette gives only its even steps (levels 2, 4, 2: red and blue 0
// or 255, green a multiple of 85).
TEST(ColourModes, IndexedResultsStayInTheirPalette) {
  ScopedHandle rgb(Picture(24, 40, 30));
  ScopedHandle grey(Picture(8, 40, 30));
  struct Case { Export which; HGLOBAL source; int32_t mode; };
  const Case cases[] = {{Export::kIndexed16, rgb.get(), 18},
                        {Export::kIndexed16, grey.get(), 16},
                        {Export::kIndexed16, grey.get(), 17},
                        {Export::kIndexed256, rgb.get(), 18}};
  for (const Case& c : cases) {
    for (int32_t method : {0, 20, 21}) {
      for (int32_t kind : {22, 23}) {
        SCOPED_TRACE(testing::Message() << Name(c.which) << " mode " << c.mode << " method " << method << " kind "
                                        << kind);
        Arguments arguments;
        arguments.method = method;
        arguments.palette = kind;
        int32_t status = 7;
        ScopedHandle result(Call(c.which, c.source, c.mode, arguments, &status));
        ASSERT_EQ(status, 0);
        const DibImage out = ReadDib(result.get());
        const std::set<uint32_t> colours = ColoursOf(out);
        EXPECT_LE(colours.size(), 16u);
        EXPECT_GE(colours.size(), 2u);
        if (kind != 23) continue;
        for (uint32_t colour : colours) {
          const uint32_t r = colour >> 16, g = colour >> 8 & 0xFF, b = colour & 0xFF;
          EXPECT_TRUE((r == 0 || r == 255) && g % 85 == 0 && (b == 0 || b == 255)) << std::hex << colour;
        }
      }
    }
  }
}

TEST(ColourModes, RefusesBadArguments) {
  ScopedHandle rgb(Picture(24, 5, 4));
  const auto with = [](std::function<void(Arguments&)> change) {
    Arguments a;
    change(a);
    return a;
  };
  struct Case {
    const char* what;
    Export which;
    Arguments arguments;
    int32_t status;
  };
  const Case cases[] = {
      {"bitmap method 0", Export::kBitmap, with([](Arguments& a) { a.method = 0; }), kCmiStatusBadArgument},
      {"bitmap method 22", Export::kBitmap, with([](Arguments& a) { a.method = 22; }), kCmiStatusBadArgument},
      {"threshold 256", Export::kBitmap, with([](Arguments& a) { a.method = 19; a.threshold = 256; }), kCmiStatusBadArgument},
      {"threshold -1", Export::kBitmap, with([](Arguments& a) { a.method = 19; a.threshold = -1; }), kCmiStatusBadArgument},
      {"indexed method 19", Export::kIndexed256, with([](Arguments& a) { a.method = 19; }), kCmiStatusBadArgument},
      {"palette kind 25", Export::kIndexed16, with([](Arguments& a) { a.palette = 25; }), kCmiStatusBadArgument},
      // Levels reach the quantizer, which refuses more colours than its palette holds.
      {"16 colours from 32 levels", Export::kIndexed16, with([](Arguments& a) { a.levels = {4, 4, 2}; }), 18},
      {"256 colours from 512 levels", Export::kIndexed256, with([](Arguments& a) { a.levels = {8, 8, 8}; }), 18},
      {"256 colours from 257 levels, no dither", Export::kIndexed256,
       with([](Arguments& a) { a.method = 0; a.levels = {257, 2, 2}; }), 18},
      {"a level above the palette", Export::kIndexed16, with([](Arguments& a) { a.levels = {17, 2, 2}; }), 18},
      {"palette kind 24 reaches the quantizer", Export::kIndexed256, with([](Arguments& a) { a.palette = 24; }), 12},
      {"a level below 2", Export::kIndexed256, with([](Arguments& a) { a.levels = {1, 4, 2}; }), 18},
  };
  for (const Case& c : cases) {
    int32_t status = 7;
    EXPECT_EQ(Call(c.which, rgb.get(), 18, c.arguments, &status), 0u) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
  // Argument checks come before the handle is touched: a freed handle gives
  // -100 for a bad mode and -1 only once the arguments are good.
  HGLOBAL freed = GlobalAlloc(GHND, 64);
  GlobalFree(freed);
  int32_t status = 7;
  EXPECT_EQ(CmiModeRGBColor(freed, 18, nullptr, 0, &status), 0u);
  EXPECT_EQ(status, kCmiStatusBadArgument);
  EXPECT_EQ(CmiModeRGBColor(freed, 16, nullptr, 0, &status), 0u);
  EXPECT_EQ(status, kCmiStatusSystemFailure);
  EXPECT_EQ(CmiModeGrayscale(rgb.get(), 18, nullptr, 3, &status), 0u) << "a count without pairs";
  EXPECT_EQ(status, kCmiStatusBadArgument);
  ScopedHandle tolerated(CmiModeGrayscale(rgb.get(), 18, nullptr, 0, nullptr));
  EXPECT_NE(tolerated.get(), 0u) << "a null status is tolerated";
}

}  // namespace
