// The point and colour adjustment entry points on small bitmaps built here:
// values worked out by hand or by ImageMagick, identities, rectangles,
// palette images, the modes each entry point takes, and refused arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibImage;
using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::Rgb;
using api_testing::ScopedHandle;
using Bytes = std::vector<uint8_t>;

// One entry point with fixed values: (handle, mode, pairs, n, status).
using Call = std::function<HGLOBAL(HGLOBAL, int32_t, const IpiAttributePair*, int32_t, int32_t*)>;

struct Operation {
  const char* name;
  Call call;
  std::vector<int32_t> modes;  // the modes it takes
};

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> operations = {
      {"invert", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                    int32_t* s) { return CmiInvert(h, m, p, n, s); },
       {14, 15, 16, 17, 18}},
      {"brightness", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                        int32_t* s) { return CmiBrightnessAndContrast(h, m, 30, -20, p, n, s); },
       {15, 16, 17, 18}},
      {"gamma", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                   int32_t* s) { return CmiGammaCorrection(h, m, 2.0, p, n, s); },
       {15, 16, 17, 18}},
      {"solarize", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                      int32_t* s) { return CmiSolarize(h, m, p, n, s); },
       {15, 16, 17, 18}},
      {"balance", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                     int32_t* s) { return CmiColourBalance(h, m, 50, -1, 0, p, n, s); },
       {15, 16, 18}},
      {"hue", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                 int32_t* s) { return CmiHueSaturation(h, m, 40, -30, 10, p, n, s); },
       {15, 16, 18}},
      {"equalize", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                      int32_t* s) { return CmiEqualize(h, m, p, n, s); },
       {17, 18}},
  };
  return operations;
}

const Operation& Find(const std::string& name) {
  for (const Operation& op : Operations()) {
    if (name == op.name) return op;
  }
  throw std::runtime_error("no operation " + name);
}

Bytes HandleBytes(HGLOBAL handle) {
  const auto* p = static_cast<const uint8_t*>(GlobalLock(handle));
  Bytes bytes(p, p + GlobalSize(handle));
  GlobalUnlock(handle);
  return bytes;
}

uint32_t Pattern(int32_t bits, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 37 + y * 91 + x * y * 5 + 3);
  return bits == 24 ? (v * 0x2F1B07u) & 0xFFFFFF : v % (1u << bits);
}

uint32_t Rgb24(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

// A colour palette of `n` entries, unlike a grey ramp.
std::vector<Rgb> ColourPalette(int n) {
  std::vector<Rgb> palette;
  for (int i = 0; i < n; ++i) {
    palette.push_back({static_cast<uint8_t>(i * 53 + 7), static_cast<uint8_t>(200 - i * 11),
                       static_cast<uint8_t>(i * i * 3 % 256)});
  }
  return palette;
}

HGLOBAL Apply(const Operation& op, HGLOBAL source, int32_t mode, std::vector<IpiAttributePair> pairs = {},
            int32_t* status_out = nullptr) {
  int32_t status = -5;
  HGLOBAL result = op.call(source, mode, pairs.data(), static_cast<int32_t>(pairs.size()), &status);
  if (status_out != nullptr) *status_out = status;
  EXPECT_EQ(status, 0) << op.name;
  EXPECT_NE(result, 0u) << op.name;
  return result;
}

// Invert is its own inverse: on the rows of grey and RGB bitmaps (padding
// included) and through the import on a rectangle.
TEST(AdjustEntryPoints, InvertTwiceIsTheIdentity) {
  for (int32_t bits : {8, 24}) {
    for (int32_t width : {1, 7, 13}) {
      for (bool with_rectangle : {false, true}) {
        SCOPED_TRACE(testing::Message() << bits << " bits, width " << width << (with_rectangle ? ", rect" : ""));
        const int32_t mode = bits == 8 ? 17 : 18;
        ScopedHandle source(MakeDib({bits, width, 3, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
        std::vector<IpiAttributePair> rect;
        if (with_rectangle) rect = {{"sourceYPoint", 1}, {"sourceHeight", 2}};
        ScopedHandle once(Apply(Find("invert"), source.get(), mode, rect));
        ScopedHandle twice(Apply(Find("invert"), once.get(), mode, rect));
        ASSERT_NE(twice.get(), 0u);
        const DibImage original = ReadDib(source.get()), inverted = ReadDib(once.get());
        EXPECT_EQ(ReadDib(twice.get()).indices, original.indices);
        const uint32_t mask = bits == 8 ? 0xFF : 0xFFFFFF;
        EXPECT_EQ(inverted.Index(0, 2), original.Index(0, 2) ^ mask);
        EXPECT_EQ(inverted.Index(0, 0), with_rectangle ? original.Index(0, 0) : original.Index(0, 0) ^ mask);
        if (!with_rectangle) {
          EXPECT_EQ(HandleBytes(twice.get()), HandleBytes(source.get())) << "byte for byte";
        }
      }
    }
  }
}

// Hand-worked values on a grey and an RGB bitmap.
TEST(AdjustEntryPoints, ValuesOnGreyAndRgb) {
  struct Case {
    const char* what;
    std::function<HGLOBAL(HGLOBAL, int32_t, int32_t*)> call;
    int32_t bits;
    uint32_t in, out;
  };
  const Case cases[] = {
      {"invert grey", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiInvert(h, m, nullptr, 0, s); }, 8, 10, 245},
      {"solarize low", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiSolarize(h, m, nullptr, 0, s); }, 8, 127, 127},
      {"solarize high", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiSolarize(h, m, nullptr, 0, s); }, 8, 128,
       127},
      // 255 x sqrt(64 / 255) = 127.75, rounded.
      {"gamma 2", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiGammaCorrection(h, m, 2.0, nullptr, 0, s); }, 8,
       64, 128},
      // 255 x (64 / 255)^2 = 16.06.
      {"gamma 0.5", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiGammaCorrection(h, m, 0.5, nullptr, 0, s); },
       24, Rgb24(64, 255, 0), Rgb24(16, 255, 0)},
      {"invert rgb", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiInvert(h, m, nullptr, 0, s); }, 24,
       Rgb24(0x10, 0x20, 0x30), Rgb24(0xEF, 0xDF, 0xCF)},
      // 50% of 255 is 128 more red; 1% is 3 less green, at least 0.
      {"balance", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiColourBalance(h, m, 50, -1, 0, nullptr, 0, s); },
       24, Rgb24(100, 2, 100), Rgb24(228, 0, 100)},
      {"balance clamps", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiColourBalance(h, m, 0, 0, 100, nullptr, 0, s); },
       24, Rgb24(1, 2, 3), Rgb24(1, 2, 255)},
      // No saturation leaves the mean: (255 + 0 + 0) / 3 = 85.
      {"desaturate",
       [](HGLOBAL h, int32_t m, int32_t* s) { return CmiHueSaturation(h, m, 0, -100, 0, nullptr, 0, s); }, 24,
       Rgb24(255, 0, 0), Rgb24(85, 85, 85)},
      // Grey has no hue to turn.
      {"hue of grey",
       [](HGLOBAL h, int32_t m, int32_t* s) { return CmiHueSaturation(h, m, 180, 0, 0, nullptr, 0, s); }, 24,
       Rgb24(90, 90, 90), Rgb24(90, 90, 90)},
      {"full lightness",
       [](HGLOBAL h, int32_t m, int32_t* s) { return CmiHueSaturation(h, m, 0, 0, 100, nullptr, 0, s); }, 24,
       Rgb24(10, 200, 30), Rgb24(255, 255, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedHandle source(MakeDib({c.bits, 3, 2, {}}, [&](int32_t, int32_t) { return c.in; }));
    int32_t status = -5;
    ScopedHandle result(c.call(source.get(), c.bits == 8 ? 17 : 18, &status));
    ASSERT_EQ(status, 0);
    const DibImage image = ReadDib(result.get());
    for (uint32_t v : image.indices) EXPECT_EQ(v, c.out);
  }
}

// Equalization spreads the cumulative share of each value over 0..255:
// values 10, 10, 20, 30 end as 255 x (1/2, 1/2, 3/4, 1), rounded down after
// adding a half.
TEST(AdjustEntryPoints, EqualizeSpreadsTheHistogram) {
  const uint32_t values[] = {10, 10, 20, 30};
  const uint32_t expected[] = {128, 128, 191, 255};
  ScopedHandle source(MakeDib({8, 2, 2, {}}, [&](int32_t x, int32_t y) { return values[y * 2 + x]; }));
  ScopedHandle result(Apply(Find("equalize"), source.get(), 17));
  const DibImage image = ReadDib(result.get());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image.indices[i], expected[i]) << i;
  // Inside a rectangle only its own histogram counts: the right column
  // (10, 30) becomes (128, 255), the left column stays.
  const std::vector<IpiAttributePair> right = {{"sourceXPoint", 1}, {"sourceWidth", 1}};
  ScopedHandle part(Apply(Find("equalize"), source.get(), 17, right));
  EXPECT_EQ(ReadDib(part.get()).indices, (std::vector<uint32_t>{10, 128, 20, 255}));
}

// ImageMagick negates and solarizes a 24-bit bitmap whose rows are padded.
TEST(AdjustEntryPoints, InvertAndSolarizeAgreeWithImageMagick) {
  testing_support::ScopedTempDir dir;
  ScopedHandle source(MakeDib({24, 7, 5, {}}, [](int32_t x, int32_t y) { return Pattern(24, x, y); }));
  const DibImage original = ReadDib(source.get());
  const std::string ppm = api_testing::ToPpm(original);
  testing_support::WriteFileBytes(dir.File("in.ppm"), Bytes(ppm.begin(), ppm.end()));
  struct Case { const char* name; const char* im_option; };
  for (const Case& c : {Case{"invert", "-negate"}, Case{"solarize", "-solarize 50%"}}) {
    SCOPED_TRACE(c.name);
    std::string expected_ppm;
    ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 " + dir.File("in.ppm") + " " + c.im_option +
                                              " -depth 8 ppm:-",
                                          &expected_ppm),
              0);
    const api_testing::PnmImage expected = api_testing::ParsePnm(expected_ppm);
    ScopedHandle result(Apply(Find(c.name), source.get(), 18));
    const DibImage image = ReadDib(result.get());
    ASSERT_EQ(expected.pixels.size(), image.indices.size());
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        EXPECT_EQ(image.Colour(x, y), expected.pixels[static_cast<size_t>(y) * image.width + x]) << x << "," << y;
      }
    }
  }
}

// Settings that change nothing give back the caller's bitmap, pixel for
// pixel, in every mode they take.
TEST(AdjustEntryPoints, NeutralSettingsAreIdentities) {
  struct Neutral {
    const char* name;
    std::function<HGLOBAL(HGLOBAL, int32_t, int32_t*)> call;
    std::vector<int32_t> modes;
  };
  const Neutral neutrals[] = {
      {"brightness 0, contrast 0",
       [](HGLOBAL h, int32_t m, int32_t* s) { return CmiBrightnessAndContrast(h, m, 0, 0, nullptr, 0, s); },
       {15, 16, 17, 18}},
      {"gamma 1", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiGammaCorrection(h, m, 1.0, nullptr, 0, s); },
       {15, 16, 17, 18}},
      {"balance 0", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiColourBalance(h, m, 0, 0, 0, nullptr, 0, s); },
       {15, 16, 18}},
      {"hue 0", [](HGLOBAL h, int32_t m, int32_t* s) { return CmiHueSaturation(h, m, 0, 0, 0, nullptr, 0, s); },
       {15, 16, 18}},
  };
  for (const Neutral& neutral : neutrals) {
    for (int32_t mode : neutral.modes) {
      const int32_t bits = mode == 15 ? 4 : mode == 18 ? 24 : 8;
      SCOPED_TRACE(testing::Message() << neutral.name << ", mode " << mode);
      const std::vector<Rgb> palette = bits == 24 || mode == 17 ? std::vector<Rgb>{} : ColourPalette(1 << bits);
      ScopedHandle source(MakeDib({bits, 9, 3, palette},
                                  [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
      int32_t status = -5;
      ScopedHandle result(neutral.call(source.get(), mode, &status));
      ASSERT_EQ(status, 0);
      const DibImage in = ReadDib(source.get()), out = ReadDib(result.get());
      EXPECT_EQ(out.indices, in.indices);
      EXPECT_EQ(out.palette, in.palette);
    }
  }
}

// A rectangle changes what lies inside it as the whole-image call does, and
// nothing outside it.
TEST(AdjustEntryPoints, RectanglesLeaveTheOutsideUntouched) {
  struct Case { const char* op; int32_t bits; int32_t mode; };
  const Case cases[] = {{"invert", 8, 17},     {"invert", 24, 18},     {"brightness", 8, 17}, {"gamma", 24, 18},
                        {"solarize", 24, 18},  {"balance", 24, 18},    {"hue", 24, 18},       {"invert", 1, 14}};
  const std::vector<IpiAttributePair> rect = {
      {"sourceXPoint", 2}, {"sourceYPoint", 1}, {"sourceWidth", 3}, {"sourceHeight", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.op << ", " << c.bits << " bits");
    const Operation& op = Find(c.op);
    ScopedHandle source(MakeDib({c.bits, 9, 4, {}}, [&](int32_t x, int32_t y) { return Pattern(c.bits, x, y); }));
    ScopedHandle whole(Apply(op, source.get(), c.mode));
    ScopedHandle part(Apply(op, source.get(), c.mode, rect));
    if (whole.get() == 0 || part.get() == 0) continue;
    const DibImage in = ReadDib(source.get()), all = ReadDib(whole.get()), out = ReadDib(part.get());
    EXPECT_EQ(out.palette, in.palette);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 9; ++x) {
        const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
        // The bitmap mode inverts its palette on the whole image, its bits in a rectangle.
        const uint32_t changed = c.bits == 1 ? in.Index(x, y) ^ 1 : all.Index(x, y);
        EXPECT_EQ(out.Index(x, y), inside ? changed : in.Index(x, y)) << x << "," << y;
      }
    }
  }
}

// Whole RGB pages are changed strip by strip on their rows; a rectangle goes
// through the imported image. Both give the same pixels, across strip
// boundaries and a last short strip (601 x 500 is more than one strip), also
// when the strips share colours whose results one strip works out for the
// next (a few colours over a page of five strips).
TEST(AdjustEntryPoints, ColourRowsMatchTheImportedImageAcrossStrips) {
  struct Page {
    int32_t width, height;
    uint32_t (*colour)(int32_t x, int32_t y);
  };
  const Page pages[] = {
      {601, 500, [](int32_t x, int32_t y) { return Pattern(24, x, y); }},
      {2003, 650, [](int32_t x, int32_t y) { return Pattern(24, (x + 3 * y) % 41, 0); }},
  };
  for (const Page& page : pages) {
    const int32_t w = page.width, h = page.height;
    ScopedHandle source(MakeDib({24, w, h, {}}, page.colour));
    const std::vector<IpiAttributePair> all_but_last_column = {{"sourceWidth", w - 1}};
    for (const char* name : {"hue", "balance"}) {
      SCOPED_TRACE(testing::Message() << name << ", " << w << " x " << h);
      ScopedHandle whole(Apply(Find(name), source.get(), 18));
      ScopedHandle part(Apply(Find(name), source.get(), 18, all_but_last_column));
      const DibImage a = ReadDib(whole.get()), b = ReadDib(part.get()), in = ReadDib(source.get());
      int differing = 0;
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w - 1; ++x) differing += a.Index(x, y) != b.Index(x, y);
        ASSERT_EQ(b.Index(w - 1, y), in.Index(w - 1, y));
      }
      EXPECT_EQ(differing, 0);
    }
  }
}

// Palette images: the colour table changes (reserved bytes end as 0), the
// pixel bytes do not, and a rectangle does not narrow it.
TEST(AdjustEntryPoints, PaletteImagesChangeOnlyThePalette) {
  struct Case { const char* op; int32_t bits; int32_t mode; std::function<Rgb(Rgb)> entry; };
  const auto inverse = [](Rgb c) { return Rgb{uint8_t(255 - c[0]), uint8_t(255 - c[1]), uint8_t(255 - c[2])}; };
  const auto solarized = [](Rgb c) {
    for (auto& v : c) v = v < 128 ? v : uint8_t(255 - v);
    return c;
  };
  const auto balanced = [](Rgb c) {
    return Rgb{uint8_t(std::min(c[0] + 128, 255)), uint8_t(std::max(c[1] - 3, 0)), c[2]};
  };
  const Case cases[] = {
      {"invert", 1, 14, inverse},      {"invert", 4, 15, inverse},   {"invert", 8, 16, inverse},
      {"solarize", 4, 15, solarized},  {"balance", 8, 16, balanced}, {"balance", 4, 15, balanced},
      {"hue", 8, 16, nullptr},         {"gamma", 8, 16, nullptr},    {"brightness", 4, 15, nullptr},
      // The colour table is changed by the bit count, whatever mode names it.
      {"invert", 4, 16, inverse},      {"invert", 8, 18, inverse},   {"solarize", 1, 17, solarized},
      {"balance", 1, 16, balanced},    {"hue", 4, 16, nullptr},      {"gamma", 1, 15, nullptr},
  };
  for (const Case& c : cases) {
    for (bool with_rectangle : {false, true}) {
      // Only the palette modes ignore a rectangle; other modes work on the pixels there.
      if (with_rectangle && c.mode != 15 && c.mode != 16) continue;
      SCOPED_TRACE(testing::Message() << c.op << ", " << c.bits << " bits" << (with_rectangle ? ", rect" : ""));
      const std::vector<Rgb> palette = ColourPalette(c.bits == 8 ? 200 : 1 << c.bits);
      ScopedHandle source(MakeDib({c.bits, 13, 3, palette}, [&](int32_t x, int32_t y) {
        return Pattern(c.bits, x, y) % palette.size();
      }));
      // Non-zero reserved bytes in the caller's table.
      auto* table = static_cast<uint8_t*>(GlobalLock(source.get())) + 40;
      for (size_t i = 0; i < palette.size(); ++i) table[4 * i + 3] = 0x5A;
      GlobalUnlock(source.get());
      std::vector<IpiAttributePair> rect;
      if (with_rectangle) rect = {{"sourceXPoint", 1}, {"sourceWidth", 2}};
      ScopedHandle result(Apply(Find(c.op), source.get(), c.mode, rect));
      if (result.get() == 0) continue;
      const Bytes in = HandleBytes(source.get()), out = HandleBytes(result.get());
      ASSERT_EQ(out.size(), in.size());
      const size_t rows = 40 + 4 * palette.size();
      EXPECT_TRUE(std::equal(in.begin(), in.begin() + 40, out.begin())) << "header";
      EXPECT_TRUE(std::equal(in.begin() + rows, in.end(), out.begin() + rows)) << "pixel bytes";
      const DibImage image = ReadDib(result.get());
      bool any_changed = false;
      for (size_t i = 0; i < palette.size(); ++i) {
        EXPECT_EQ(out[40 + 4 * i + 3], 0) << "reserved byte of entry " << i;
        if (c.entry) {
          EXPECT_EQ(image.palette[i], c.entry(palette[i])) << "entry " << i;
        }
        any_changed = any_changed || image.palette[i] != palette[i];
      }
      EXPECT_TRUE(any_changed);
    }
  }
}

// The colour table and rows are found where the checked bitmap says, not at
// fixed offsets: a longer info header, and a 24-bit bitmap carrying a table.
TEST(AdjustEntryPoints, DirectPathsFollowTheCheckedLayout) {
  // 8-bit, 4 colours, behind a 108-byte header.
  const std::vector<Rgb> palette = ColourPalette(4);
  ScopedHandle plain(MakeDib({8, 5, 2, palette}, [](int32_t x, int32_t y) { return uint32_t(x + y) % 4; }));
  Bytes bytes = HandleBytes(plain.get());
  bytes.insert(bytes.begin() + 40, 68, 0);
  bytes[0] = 108;
  ScopedHandle longer(GlobalAlloc(GHND, bytes.size()));
  std::memcpy(GlobalLock(longer.get()), bytes.data(), bytes.size());
  GlobalUnlock(longer.get());
  ScopedHandle inverted(Apply(Find("invert"), longer.get(), 16));
  const Bytes out = HandleBytes(inverted.get());
  ASSERT_EQ(out.size(), bytes.size());
  for (size_t i = 0; i < 4; ++i) {
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(out[108 + 4 * i + k], 255 - bytes[108 + 4 * i + k]) << i;
  }
  EXPECT_TRUE(std::equal(bytes.begin() + 108 + 16, bytes.end(), out.begin() + 108 + 16)) << "pixel bytes";

  // 24 bits with two table entries before the rows: the table stays, the rows change.
  ScopedHandle rgb(MakeDib({24, 3, 2, {{1, 2, 3}, {4, 5, 6}}}, [](int32_t, int32_t) { return Rgb24(10, 20, 30); }));
  ScopedHandle rgb_inverted(Apply(Find("invert"), rgb.get(), 18));
  const DibImage image = ReadDib(rgb_inverted.get());
  EXPECT_EQ(image.palette, (std::vector<Rgb>{{1, 2, 3}, {4, 5, 6}}));
  for (uint32_t v : image.indices) EXPECT_EQ(v, Rgb24(245, 235, 225));
}

// Run-length coded grey rows are codes, not samples: they are decoded, and
// the result comes back plain. A coded palette image keeps its codes.
TEST(AdjustEntryPoints, RunLengthCodedBitmaps) {
  ScopedHandle plain(MakeDib({8, 2, 2, {}}, [](int32_t, int32_t) { return 0u; }));
  Bytes bytes = HandleBytes(plain.get());
  bytes.resize(40 + 1024);
  // Bottom row two samples of 20, top row two of 10, end of bitmap.
  const Bytes codes = {2, 20, 0, 0, 2, 10, 0, 1};
  bytes.insert(bytes.end(), codes.begin(), codes.end());
  bytes[16] = 1;  // RLE8
  bytes[20] = static_cast<uint8_t>(codes.size());
  ScopedHandle coded(GlobalAlloc(GHND, bytes.size()));
  std::memcpy(GlobalLock(coded.get()), bytes.data(), bytes.size());
  GlobalUnlock(coded.get());

  ScopedHandle grey(Apply(Find("invert"), coded.get(), 17));
  const DibImage image = ReadDib(grey.get());
  EXPECT_EQ(image.indices, (std::vector<uint32_t>{245, 245, 235, 235}));

  ScopedHandle palette(Apply(Find("invert"), coded.get(), 16));
  const Bytes out = HandleBytes(palette.get());
  ASSERT_EQ(out.size(), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin() + 40 + 1024, bytes.end(), out.begin() + 40 + 1024)) << "codes kept";
  EXPECT_EQ(out[40 + 4 * 10], 255 - 10) << "entry 10 inverted";
}

// Each entry point takes its own modes, with the bit count the mode names or
// where the colour table is changed (which the bit count decides: every
// bitmap with a table, but an 8-bit one named grey, for the point
// operations; any bitmap with a table named by a palette mode for the colour
// ones); everything else is -100 and no handle.
TEST(AdjustEntryPoints, ModeMatrix) {
  const int32_t modes[] = {0, 14, 15, 16, 17, 18, 50};
  for (const Operation& op : Operations()) {
    for (int32_t bits : {1, 4, 8, 24}) {
      ScopedHandle source(MakeDib({bits, 6, 2, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
      for (int32_t mode : modes) {
        const bool fits = (mode == 14 && bits == 1) || (mode == 15 && bits == 4) ||
                          ((mode == 16 || mode == 17) && bits == 8) || (mode == 18 && bits == 24);
        const bool taken = std::find(op.modes.begin(), op.modes.end(), mode) != op.modes.end();
        const std::string name = op.name;
        const bool colour_op = name == "balance" || name == "hue";
        const bool table_road =
            name == "equalize" ? false
            : colour_op        ? (mode == 15 || mode == 16) && bits != 24
                               : bits != 24 && !(bits == 8 && mode == 17);
        const bool ok = taken && (fits || table_road);
        int32_t status = -5;
        ScopedHandle result(op.call(source.get(), mode, nullptr, 0, &status));
        EXPECT_EQ(status, ok ? 0 : kCmiStatusBadArgument) << op.name << ", " << bits << " bits, mode " << mode;
        EXPECT_EQ(result.get() != 0, ok) << op.name << ", " << bits << " bits, mode " << mode;
      }
    }
  }
}

// Values out of range are refused before the handle is locked: a freed
// handle then gives -100, not the -1 of a handle that does not lock.
TEST(AdjustEntryPoints, RefusesBadArgumentsBeforeLocking) {
  HGLOBAL freed = GlobalAlloc(GHND, 100);
  GlobalFree(freed);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case { const char* what; std::function<HGLOBAL(HGLOBAL, int32_t*)> call; };
  const Case cases[] = {
      {"brightness 101", [](HGLOBAL h, int32_t* s) { return CmiBrightnessAndContrast(h, 17, 101, 0, nullptr, 0, s); }},
      {"contrast -101", [](HGLOBAL h, int32_t* s) { return CmiBrightnessAndContrast(h, 17, 0, -101, nullptr, 0, s); }},
      {"gamma 0", [](HGLOBAL h, int32_t* s) { return CmiGammaCorrection(h, 17, 0.0, nullptr, 0, s); }},
      {"gamma -1", [](HGLOBAL h, int32_t* s) { return CmiGammaCorrection(h, 17, -1.0, nullptr, 0, s); }},
      {"gamma NaN", [&](HGLOBAL h, int32_t* s) { return CmiGammaCorrection(h, 17, nan, nullptr, 0, s); }},
      {"gamma inf", [&](HGLOBAL h, int32_t* s) { return CmiGammaCorrection(h, 17, inf, nullptr, 0, s); }},
      {"gamma 1e-320", [](HGLOBAL h, int32_t* s) { return CmiGammaCorrection(h, 17, 1e-320, nullptr, 0, s); }},
      {"red 101", [](HGLOBAL h, int32_t* s) { return CmiColourBalance(h, 18, 101, 0, 0, nullptr, 0, s); }},
      {"blue -101", [](HGLOBAL h, int32_t* s) { return CmiColourBalance(h, 18, 0, 0, -101, nullptr, 0, s); }},
      {"hue 181", [](HGLOBAL h, int32_t* s) { return CmiHueSaturation(h, 18, 181, 0, 0, nullptr, 0, s); }},
      {"hue -181", [](HGLOBAL h, int32_t* s) { return CmiHueSaturation(h, 18, -181, 0, 0, nullptr, 0, s); }},
      {"saturation 101", [](HGLOBAL h, int32_t* s) { return CmiHueSaturation(h, 18, 0, 101, 0, nullptr, 0, s); }},
      {"lightness -101", [](HGLOBAL h, int32_t* s) { return CmiHueSaturation(h, 18, 0, 0, -101, nullptr, 0, s); }},
      {"invert mode 13", [](HGLOBAL h, int32_t* s) { return CmiInvert(h, 13, nullptr, 0, s); }},
      {"solarize mode 14", [](HGLOBAL h, int32_t* s) { return CmiSolarize(h, 14, nullptr, 0, s); }},
      {"balance mode 17", [](HGLOBAL h, int32_t* s) { return CmiColourBalance(h, 17, 0, 0, 0, nullptr, 0, s); }},
      {"equalize mode 16", [](HGLOBAL h, int32_t* s) { return CmiEqualize(h, 16, nullptr, 0, s); }},
      {"list without pairs", [](HGLOBAL h, int32_t* s) { return CmiInvert(h, 17, nullptr, 2, s); }},
      {"copy: list without pairs", [](HGLOBAL h, int32_t* s) { return CmiConvert(h, nullptr, 1, s); }},
  };
  for (const Case& c : cases) {
    int32_t status = 0;
    EXPECT_EQ(c.call(freed, &status), 0u) << c.what;
    EXPECT_EQ(status, kCmiStatusBadArgument) << c.what;
    EXPECT_EQ(c.call(freed, nullptr), 0u) << c.what << ": a null status is tolerated";
  }
  // The edges of the ranges are taken.
  ScopedHandle grey(MakeDib({8, 3, 2, {}}, [](int32_t x, int32_t) { return uint32_t(x * 100); }));
  ScopedHandle rgb(MakeDib({24, 3, 2, {}}, [](int32_t x, int32_t) { return Pattern(24, x, 0); }));
  int32_t status = -5;
  ScopedHandle a(CmiBrightnessAndContrast(grey.get(), 17, -100, 100, nullptr, 0, &status));
  EXPECT_EQ(status, 0);
  ScopedHandle b(CmiHueSaturation(rgb.get(), 18, -180, 100, -100, nullptr, 0, &status));
  EXPECT_EQ(status, 0);
  ScopedHandle c(CmiGammaCorrection(grey.get(), 17, 0.01, nullptr, 0, &status));
  EXPECT_EQ(status, 0);
}

// Damaged handles and rectangles outside the bitmap.
TEST(AdjustEntryPoints, RefusesDamagedHandlesAndRectangles) {
  const auto patched = [](size_t offset, uint32_t value) {
    HGLOBAL h = MakeDib({8, 4, 4, {}}, [](int32_t, int32_t) { return 7u; });
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    std::memcpy(p + offset, &value, 4);
    GlobalUnlock(h);
    return h;
  };
  HGLOBAL freed = GlobalAlloc(GHND, 100);
  GlobalFree(freed);
  struct Case { const char* what; HGLOBAL handle; std::vector<IpiAttributePair> pairs; int32_t status; };
  std::vector<Case> cases;
  cases.push_back({"null handle", 0, {}, kCmiStatusSystemFailure});
  cases.push_back({"freed handle", freed, {}, kCmiStatusSystemFailure});
  cases.push_back({"10-byte handle", GlobalAlloc(GHND, 10), {}, kCmiStatusBadArgument});
  cases.push_back({"colour table of a million entries", patched(32, 1000000), {}, kCmiStatusBadArgument});
  cases.push_back({"more rows than the handle", patched(8, 40), {}, kCmiStatusBadArgument});
  cases.push_back({"top-down", patched(8, 0xFFFFFFFC), {}, kCmiStatusBadArgument});
  cases.push_back({"width 0", patched(4, 0), {}, kCmiStatusBadArgument});
  const HGLOBAL good = MakeDib({8, 4, 4, {}}, [](int32_t, int32_t) { return 7u; });
  cases.push_back({"rectangle past the right edge", good, {{"sourceXPoint", 2}, {"sourceWidth", 3}},
                   kCmiStatusBadArgument});
  cases.push_back({"rectangle of height 0", good, {{"sourceHeight", 0}}, kCmiStatusBadArgument});
  cases.push_back({"negative origin", good, {{"sourceYPoint", -1}, {"sourceHeight", 2}}, kCmiStatusBadArgument});
  for (const Operation& op : Operations()) {
    for (const Case& c : cases) {
      // Palette modes ignore a rectangle, but not one outside the bitmap.
      for (int32_t mode : {16, 17}) {
        if (std::find(op.modes.begin(), op.modes.end(), mode) == op.modes.end()) continue;
        int32_t status = 0;
        EXPECT_EQ(op.call(c.handle, mode, c.pairs.data(), static_cast<int32_t>(c.pairs.size()), &status), 0u);
        EXPECT_EQ(status, c.status) << op.name << ": " << c.what << ", mode " << mode;
      }
    }
  }
  for (const Case& c : cases) {
    if (c.handle != freed && c.handle != good) GlobalFree(c.handle);
  }
  GlobalFree(good);
}

// CmiConvert copies any handle byte for byte into a new one.
TEST(AdjustEntryPoints, ConvertCopiesTheHandle) {
  for (int32_t bits : {1, 4, 8, 24}) {
    ScopedHandle source(MakeDib({bits, 7, 3, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
    int32_t status = -5;
    ScopedHandle copy(CmiConvert(source.get(), nullptr, 0, &status));
    ASSERT_EQ(status, 0);
    ASSERT_NE(copy.get(), source.get());
    EXPECT_EQ(HandleBytes(copy.get()), HandleBytes(source.get()));
    EXPECT_EQ(GlobalLock(source.get()) != nullptr && GlobalUnlock(source.get()) == 0, true) << "unlocked again";
  }
  const IpiAttributePair pairs[] = {{"sourceWidth", 1}};
  ScopedHandle odd(GlobalAlloc(GHND, 3));
  int32_t status = -5;
  ScopedHandle copy(CmiConvert(odd.get(), pairs, 1, &status));
  EXPECT_EQ(status, 0) << "any block is copied; the options are not read";
  EXPECT_EQ(GlobalSize(copy.get()), 3u);
  HGLOBAL freed = GlobalAlloc(GHND, 10);
  GlobalFree(freed);
  EXPECT_EQ(CmiConvert(freed, nullptr, 0, &status), 0u);
  EXPECT_EQ(status, kCmiStatusSystemFailure);
}

// The caller's handle is never changed, whatever path the call takes.
TEST(AdjustEntryPoints, LeaveTheCallersHandleAsItWas) {
  for (const Operation& op : Operations()) {
    for (int32_t mode : op.modes) {
      const int32_t bits = mode == 14 ? 1 : mode == 15 ? 4 : mode == 18 ? 24 : 8;
      ScopedHandle source(MakeDib({bits, 5, 3, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x, y); }));
      const Bytes before = HandleBytes(source.get());
      for (bool with_rectangle : {false, true}) {
        std::vector<IpiAttributePair> rect;
        if (with_rectangle) rect = {{"sourceXPoint", 1}, {"sourceWidth", 2}};
        ScopedHandle result(Apply(op, source.get(), mode, rect));
        EXPECT_EQ(HandleBytes(source.get()), before) << op.name << ", mode " << mode;
      }
    }
  }
}

}  // namespace
