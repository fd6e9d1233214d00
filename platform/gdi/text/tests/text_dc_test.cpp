// Text on device contexts with the built-in font: exact metrics and extents,
// where runs land for every alignment and quarter turn, clipping, opaque
// boxes, underlines and DrawText's placement.
#include <gtest/gtest.h>

#include <string>

#include "gdi/tests/gdi_fixture.h"
#include "plat/font_engine.h"
#include "plat/text.h"

namespace plat {
namespace {

using gdi::test::Canvas;

constexpr COLORREF kWhite = RGB(255, 255, 255);

class TextTest : public gdi::test::GdiTest {
 protected:
  void SetUp() override { SetFontEngine(&BuiltinFonts()); }
};

// Selects a new built-in font for the scope and deletes it afterwards.
struct ScopedFont {
  HDC dc;
  HFONT font;
  HFONT old;
  ScopedFont(HDC target, int height, int escapement = 0, const char* face = "PlatTest", bool underline = false)
      : dc(target) {
    font = CreateFont(height, 0, escapement, 0, FW_NORMAL, 0, underline, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    old = SelectObject(dc, font);
  }
  ~ScopedFont() {
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(font));
  }
};

RECT InkBox(HDC dc, int width, int height, COLORREF background = kWhite) {
  RECT box{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (GetPixel(dc, x, y) == background) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

::testing::AssertionResult SameBox(const RECT& a, const RECT& b, int tolerance) {
  if (std::abs(a.left - b.left) <= tolerance && std::abs(a.top - b.top) <= tolerance &&
      std::abs(a.right - b.right) <= tolerance && std::abs(a.bottom - b.bottom) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom
                                       << ") against (" << b.left << "," << b.top << ")-(" << b.right << ","
                                       << b.bottom << ")";
}

TEST_F(TextTest, MetricsAndExtentsHoldExactly) {
  Canvas canvas(8, 8);
  struct Case {
    int height;
    const char* text;
    int extra;
    LONG tm_height, ascent, descent, internal_leading, ave_width;
    LONG cx;
  };
  const Case cases[] = {
      {16, "ABC", 0, 16, 13, 3, 3, 8, 24},
      {-16, "ABC", 0, 20, 16, 4, 4, 10, 30},
      {16, "ｽｷｬﾅ設定値", 0, 16, 13, 3, 3, 8, 80},
      {16, "ｽｷｬﾅ設定値", 2, 16, 13, 3, 3, 8, 94},
      {-12, "Scan 設定", -1, 15, 12, 3, 3, 7, 5 * 7 + 2 * 15 - 7},
      {25, "", 0, 25, 20, 5, 5, 12, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScopedFont font(canvas.dc, c.height);
    SetTextCharacterExtra(canvas.dc, c.extra);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(canvas.dc, &tm));
    EXPECT_EQ(tm.tmHeight, c.tm_height);
    EXPECT_EQ(tm.tmAscent, c.ascent);
    EXPECT_EQ(tm.tmDescent, c.descent);
    EXPECT_EQ(tm.tmInternalLeading, c.internal_leading);
    EXPECT_EQ(tm.tmAveCharWidth, c.ave_width);
    EXPECT_NE(tm.tmPitchAndFamily & TMPF_TRUETYPE, 0);
    SIZE size;
    ASSERT_TRUE(GetTextExtentPoint32(canvas.dc, c.text, -1, &size));
    EXPECT_EQ(size.cx, c.cx);
    EXPECT_EQ(size.cy, c.tm_height);
    SetTextCharacterExtra(canvas.dc, 0);
  }
  ScopedFont font(canvas.dc, 16);
  INT widths[3] = {};
  ASSERT_TRUE(GetCharWidth32(canvas.dc, 0x8A2D, 0x8A2F, widths));
  EXPECT_EQ(widths[0], 16);
  EXPECT_EQ(widths[2], 16);
  EXPECT_FALSE(GetCharWidth32(canvas.dc, 'B', 'A', widths));
  EXPECT_FALSE(GetTextExtentPoint32(nullptr, "A", 1, nullptr));
}

TEST_F(TextTest, FaceIsTheOneAskedForAndRasterFamilyIsNotTrueType) {
  Canvas canvas(8, 8);
  {
    ScopedFont font(canvas.dc, 16, 0, "ＭＳ Ｐゴシック");
    EXPECT_EQ(GetTextFace(canvas.dc), "ＭＳ Ｐゴシック");
    char small[8];
    EXPECT_EQ(GetTextFace(canvas.dc, sizeof small, small), 7);  // cut before the third whole character
    EXPECT_STREQ(small, "ＭＳ ");
    EXPECT_EQ(GetTextFace(canvas.dc, 0, nullptr), 23);
  }
  {
    ScopedFont font(canvas.dc, 16, 0, "");
    EXPECT_EQ(GetTextFace(canvas.dc), "PlatTest");
  }
  {
    ScopedFont font(canvas.dc, 16, 0, "PlatTest Raster");
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(canvas.dc, &tm));
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_TRUETYPE, 0);
  }
  // A selected font is not deleted; GetObject through the drawing layer fills its LOGFONT.
  const HFONT font = CreateFont(-13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Face");
  const HGDIOBJ old = SelectObject(canvas.dc, reinterpret_cast<HGDIOBJ>(font));
  EXPECT_FALSE(DeleteObject(font));
  LOGFONT logfont;
  EXPECT_EQ(GetObject(reinterpret_cast<HGDIOBJ>(font), sizeof logfont, &logfont), static_cast<int>(sizeof logfont));
  EXPECT_EQ(logfont.lfHeight, -13);
  EXPECT_EQ(logfont.lfFaceName, "Face");
  SelectObject(canvas.dc, old);
  EXPECT_TRUE(DeleteObject(font));
}

TEST_F(TextTest, OpaqueBoxFollowsTheAlignment) {
  // "AB" at height 16: 16 wide, ascent 13, descent 3, reference (40, 30).
  struct Case {
    UINT align;
    RECT box;
  };
  const Case cases[] = {
      {TA_LEFT | TA_TOP, {40, 30, 56, 46}},       {TA_RIGHT | TA_TOP, {24, 30, 40, 46}},
      {TA_CENTER | TA_TOP, {32, 30, 48, 46}},     {TA_LEFT | TA_BASELINE, {40, 17, 56, 33}},
      {TA_LEFT | TA_BOTTOM, {40, 14, 56, 30}},    {TA_CENTER | TA_BASELINE, {32, 17, 48, 33}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    Canvas canvas(80, 60);
    ScopedFont font(canvas.dc, 16);
    SetTextAlign(canvas.dc, c.align);
    SetBkMode(canvas.dc, OPAQUE);
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    ASSERT_TRUE(TextOut(canvas.dc, 40, 30, "AB", 2));
    EXPECT_TRUE(SameBox(InkBox(canvas.dc, 80, 60), c.box, 0));
  }
}

TEST_F(TextTest, QuarterTurnsTurnTheInkBoxAboutTheReferencePoint) {
  for (UINT align : {TA_LEFT | TA_TOP, TA_CENTER | TA_BASELINE, TA_RIGHT | TA_BOTTOM}) {
    RECT upright{};
    for (int quarter = 0; quarter < 4; ++quarter) {
      SCOPED_TRACE(::testing::Message() << "align " << align << ", " << quarter * 90 << " degrees");
      Canvas canvas(160, 160);
      ScopedFont font(canvas.dc, -14, quarter * 900);
      SetTextAlign(canvas.dc, align);
      SetBkMode(canvas.dc, TRANSPARENT);
      ASSERT_TRUE(TextOut(canvas.dc, 80, 80, "Scan設定", -1));
      RECT box = InkBox(canvas.dc, 160, 160);
      if (quarter == 0) {
        upright = box;
        ASSERT_LT(upright.left, upright.right);
        continue;
      }
      RECT expected = upright;
      for (int i = 0; i < quarter; ++i) {
        expected = RECT{80 + (expected.top - 80), 80 - (expected.right - 80), 80 + (expected.bottom - 80),
                        80 - (expected.left - 80)};
      }
      EXPECT_TRUE(SameBox(box, expected, 1));
    }
  }
}

TEST_F(TextTest, TextStaysInsideTheClipAndIgnoresRop2) {
  Canvas canvas(100, 40);
  ScopedFont font(canvas.dc, 16);
  const HRGN clip = CreateRectRgn(10, 0, 30, 40);
  SelectClipRgn(canvas.dc, clip);
  DeleteObject(clip);
  SetROP2(canvas.dc, R2_NOT);
  SetTextColor(canvas.dc, RGB(200, 0, 0));
  SetBkMode(canvas.dc, TRANSPARENT);
  ASSERT_TRUE(TextOut(canvas.dc, 0, 0, "MMMMMMMM", -1));
  SelectClipRgn(canvas.dc, nullptr);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const COLORREF pixel = GetPixel(canvas.dc, x, y);
      if (x < 10 || x >= 30) {
        ASSERT_EQ(pixel, kWhite) << x << "," << y;
      } else {
        ASSERT_TRUE(pixel == kWhite || pixel == RGB(200, 0, 0)) << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(SameBox(InkBox(canvas.dc, 100, 40), RECT{10, 3, 30, 13}, 0));

  // ETO_CLIPPED and ETO_OPAQUE with a rectangle.
  Canvas second(100, 40);
  ScopedFont font2(second.dc, 16);
  SetBkColor(second.dc, RGB(0, 255, 0));
  SetBkMode(second.dc, TRANSPARENT);
  const RECT limit{5, 5, 20, 20};
  ASSERT_TRUE(ExtTextOut(second.dc, 0, 0, ETO_CLIPPED | ETO_OPAQUE, &limit, "MMMM", 4, nullptr));
  EXPECT_TRUE(SameBox(InkBox(second.dc, 100, 40), limit, 0));
}

TEST_F(TextTest, UnderlineStrikeOutAndExplicitAdvances) {
  Canvas canvas(100, 40);
  ScopedFont font(canvas.dc, 16, 0, "PlatTest", true);
  SetBkMode(canvas.dc, TRANSPARENT);
  ASSERT_TRUE(TextOut(canvas.dc, 10, 0, "A A", 3));
  // The underline runs below the baseline (13) across all three cells, the blank included.
  for (int x = 10; x < 34; ++x) EXPECT_NE(GetPixel(canvas.dc, x, 14), kWhite) << x;
  EXPECT_EQ(GetPixel(canvas.dc, 9, 14), kWhite);
  EXPECT_EQ(GetPixel(canvas.dc, 34, 14), kWhite);

  Canvas spaced(100, 40);
  ScopedFont plain(spaced.dc, 16);
  SetBkMode(spaced.dc, TRANSPARENT);
  const INT dx[] = {20, 20};
  ASSERT_TRUE(ExtTextOut(spaced.dc, 0, 0, 0, nullptr, "AA", 2, dx));
  EXPECT_TRUE(SameBox(InkBox(spaced.dc, 100, 40), RECT{1, 3, 27, 13}, 0));
}

TEST_F(TextTest, UpdateCurrentPositionMovesAlongTheRun) {
  Canvas canvas(100, 40);
  ScopedFont font(canvas.dc, 16);
  SetTextAlign(canvas.dc, TA_UPDATECP);
  MoveToEx(canvas.dc, 5, 7, nullptr);
  ASSERT_TRUE(TextOut(canvas.dc, 50, 50, "ABC", 3));
  POINT position;
  ASSERT_TRUE(GetCurrentPositionEx(canvas.dc, &position));
  EXPECT_EQ(position.x, 29);
  EXPECT_EQ(position.y, 7);
}

TEST_F(TextTest, DrawTextPlacesAndMeasures) {
  Canvas canvas(120, 60);
  ScopedFont font(canvas.dc, 16);
  SetBkMode(canvas.dc, TRANSPARENT);
  RECT rect{0, 0, 120, 60};
  EXPECT_EQ(DrawText(canvas.dc, "Hi", -1, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 38);
  // "Hi" is 16 wide: cells 52..68, boxes 53..59 and 61..67; rows 22 + 3 .. 22 + 13.
  EXPECT_TRUE(SameBox(InkBox(canvas.dc, 120, 60), RECT{53, 25, 67, 35}, 0));

  RECT calc{10, 10, 50, 10};
  EXPECT_EQ(DrawText(canvas.dc, "aa bb cc", -1, &calc, DT_CALCRECT | DT_WORDBREAK), 32);
  EXPECT_EQ(calc.right, 10 + 40);
  EXPECT_EQ(calc.bottom, 10 + 32);

  // The prefix underlines its character only.
  Canvas marked(120, 30);
  ScopedFont font2(marked.dc, 16);
  SetBkMode(marked.dc, TRANSPARENT);
  RECT line{0, 0, 120, 30};
  EXPECT_EQ(DrawText(marked.dc, "a&bc", -1, &line, DT_SINGLELINE), 16);
  for (int x = 0; x < 24; ++x) EXPECT_EQ(GetPixel(marked.dc, x, 14) != kWhite, x >= 8 && x < 16) << x;

  // Without DT_NOCLIP the rectangle clips.
  Canvas clipped(120, 30);
  ScopedFont font3(clipped.dc, 16);
  SetBkMode(clipped.dc, TRANSPARENT);
  RECT narrow{0, 0, 12, 30};
  DrawText(clipped.dc, "MMMM", -1, &narrow, DT_SINGLELINE);
  EXPECT_EQ(InkBox(clipped.dc, 120, 30).right, 12);
  EXPECT_EQ(DrawText(clipped.dc, "x", -1, nullptr, 0), 0);
}

TEST_F(TextTest, TextInsideAPathBracketBecomesItsOutline) {
  // Drawn plainly, then as a path filled black: the same ink box, turned
  // or not, and nothing drawn while the bracket is open.
  for (int escapement : {0, 900}) {
    SCOPED_TRACE(escapement);
    Canvas plain(80, 80), outlined(80, 80);
    ScopedFont plain_font(plain.dc, -14, escapement), outlined_font(outlined.dc, -14, escapement);
    SetBkMode(plain.dc, TRANSPARENT);
    SetTextColor(plain.dc, RGB(0, 0, 0));
    ASSERT_TRUE(TextOut(plain.dc, 30, 50, "AbW", -1));
    ASSERT_TRUE(BeginPath(outlined.dc));
    ASSERT_TRUE(TextOut(outlined.dc, 30, 50, "AbW", -1));
    EXPECT_TRUE(SameBox(InkBox(outlined.dc, 80, 80), RECT{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)}, 0));
    ASSERT_TRUE(EndPath(outlined.dc));
    SelectObject(outlined.dc, GetStockObject(BLACK_BRUSH));
    ASSERT_TRUE(FillPath(outlined.dc));
    const RECT box = InkBox(plain.dc, 80, 80);
    ASSERT_LT(box.left, box.right);
    EXPECT_TRUE(SameBox(InkBox(outlined.dc, 80, 80), box, 1));
  }
}

}  // namespace
}  // namespace plat
