// The built-in font's exact metrics and advances, and its glyphs turned by
// quarter circles about the run's origin.
#include <gtest/gtest.h>

#include <string>

#include "plat/font_engine.h"

namespace plat {
namespace {

struct MetricsCase {
  int request_height;
  int request_width;
  int height, ascent, descent, internal_leading, ave_width, max_width;
};

TEST(BuiltinFont, MetricsFollowTheCellHeight) {
  const MetricsCase cases[] = {
      {16, 0, 16, 13, 3, 3, 8, 16},   {-16, 0, 20, 16, 4, 4, 10, 20}, {0, 0, 16, 13, 3, 3, 8, 16},
      {25, 0, 25, 20, 5, 5, 12, 25},  {-12, 0, 15, 12, 3, 3, 7, 15},  {7, 0, 7, 6, 1, 1, 3, 7},
      {16, 5, 16, 13, 3, 3, 5, 10},   {-1, 0, 2, 2, 0, 0, 1, 2},
  };
  BuiltinFontEngine engine;
  for (const MetricsCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "height " << c.request_height << " width " << c.request_width);
    FaceRequest request;
    request.face = "Anything";
    request.height = c.request_height;
    request.width = c.request_width;
    const FontMetrics m = engine.Metrics(request);
    EXPECT_EQ(m.height, c.height);
    EXPECT_EQ(m.ascent, c.ascent);
    EXPECT_EQ(m.descent, c.descent);
    EXPECT_EQ(m.internal_leading, c.internal_leading);
    EXPECT_EQ(m.ave_char_width, c.ave_width);
    EXPECT_EQ(m.max_char_width, c.max_width);
    EXPECT_EQ(m.family, "PlatTest");
    EXPECT_TRUE(m.is_scalable);
    // A negative height asks for the character height: the cell less its internal leading.
    if (c.request_height < -1) {
      EXPECT_EQ(m.height - m.internal_leading, -c.request_height);
    }
  }
}

TEST(BuiltinFont, RasterFamilyIsNotScalable) {
  BuiltinFontEngine engine;
  FaceRequest request;
  request.face = "platTEST raster";
  const FontMetrics m = engine.Metrics(request);
  EXPECT_FALSE(m.is_scalable);
  EXPECT_EQ(m.family, "PlatTest Raster");
}

TEST(BuiltinFont, WideCharactersTakeADoubleCell) {
  BuiltinFontEngine engine;
  FaceRequest request;
  request.height = 16;
  const std::u32string text = U"Aｽ設ゴ ａ";
  std::vector<int> advances(text.size());
  engine.Advances(request, text, advances);
  EXPECT_EQ(advances, (std::vector<int>{8, 8, 16, 16, 8, 16}));
}

struct Box {
  int left, top, right, bottom;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
}

Box InkBox(const CoverageMask& mask) {
  Box box{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.alpha[static_cast<size_t>(y) * mask.width + x] == 0) continue;
      box.left = std::min(box.left, mask.left + x);
      box.top = std::min(box.top, mask.top + y);
      box.right = std::max(box.right, mask.left + x + 1);
      box.bottom = std::max(box.bottom, mask.top + y + 1);
    }
  }
  return box;
}

// The box turned counter-clockwise (on a y-down device) by `quarters` about (x, y).
Box Turn(Box b, int quarters, int x, int y) {
  for (int i = 0; i < quarters; ++i) {
    b = Box{x + (b.top - y), y - (b.right - x), x + (b.bottom - y), y - (b.left - x)};
  }
  return b;
}

TEST(BuiltinFont, GlyphBoxesSitBetweenInternalLeadingAndBaseline) {
  BuiltinFontEngine engine;
  FaceRequest request;
  request.height = 16;
  const std::u32string text = U"A B";
  const int offsets[] = {0, 8, 16};
  const CoverageMask mask = engine.Render(request, GlyphRun{text, offsets, 10, 20}, false);
  // Cells 8 wide; boxes from x 1 to 7 of their cell, y from 3 (internal leading) to 13 (ascent).
  EXPECT_EQ(InkBox(mask), (Box{11, 10, 33, 20}));
  // The blank cell is empty.
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 18 - mask.left; x < 26 - mask.left; ++x) EXPECT_EQ(mask.alpha[y * mask.width + x], 0);
  }
}

TEST(BuiltinFont, QuarterTurnsTurnTheInkBoxAboutTheOrigin) {
  BuiltinFontEngine engine;
  const std::u32string text = U"Scan 設定";
  for (int height : {13, 16, -21}) {
    FaceRequest request;
    request.height = height;
    std::vector<int> advances(text.size()), offsets(text.size());
    engine.Advances(request, text, advances);
    for (size_t i = 1; i < text.size(); ++i) offsets[i] = offsets[i - 1] + advances[i - 1];
    const Box upright = InkBox(engine.Render(request, GlyphRun{text, offsets, 40, 50}, false));
    for (int quarters : {1, 2, 3}) {
      SCOPED_TRACE(::testing::Message() << "height " << height << ", " << quarters * 90 << " degrees");
      request.escapement = quarters * 900;
      const CoverageMask turned = engine.Render(request, GlyphRun{text, offsets, 40, 50}, false);
      EXPECT_EQ(InkBox(turned), Turn(upright, quarters, 40, 50));
      // Mono: every pixel is all or nothing.
      for (uint8_t a : turned.alpha) EXPECT_TRUE(a == 0 || a == 255);
    }
  }
}

TEST(BuiltinFont, OutlineHoldsTheRenderedPixels) {
  BuiltinFontEngine engine;
  FaceRequest request;
  request.height = 20;
  request.escapement = 300;
  const std::u32string text = U"Wg";
  const int offsets[] = {0, 10};
  const Outline outline = engine.GetOutline(request, GlyphRun{text, offsets, 5.5, 30});
  ASSERT_FALSE(outline.contours.empty());
  const CoverageMask mask = engine.Render(request, GlyphRun{text, offsets, 5.5, 30}, true);
  ASSERT_FALSE(mask.empty());
  double min_x = 1e9, max_x = -1e9;
  for (const auto& contour : outline.contours) {
    for (const PointF& p : contour) {
      min_x = std::min(min_x, p.x);
      max_x = std::max(max_x, p.x);
    }
  }
  const Box ink = InkBox(mask);
  EXPECT_GE(ink.left, static_cast<int>(min_x) - 1);
  EXPECT_LE(ink.right, static_cast<int>(max_x) + 2);
}

TEST(BuiltinFont, HugeRunsGiveAnEmptyMask) {
  BuiltinFontEngine engine;
  FaceRequest request;
  request.height = 16384;
  const std::u32string text(64, U'M');
  std::vector<int> offsets(text.size());
  for (size_t i = 0; i < offsets.size(); ++i) offsets[i] = static_cast<int>(i) * 8192;
  EXPECT_TRUE(engine.Render(request, GlyphRun{text, offsets, 0, 0}, false).empty());
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8("a\xE8\xA8\xAD" "b"), U"a設b");
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");          // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(DecodeUtf8("\xE8\xA8"), U"\uFFFD\uFFFD");           // cut short
  EXPECT_EQ(EncodeUtf8(U"ｽｷｬﾅ設定値"), "ｽｷｬﾅ設定値");
}

}  // namespace
}  // namespace plat
