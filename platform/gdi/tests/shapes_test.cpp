#include <gtest/gtest.h>

#include <functional>

#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi.h"

namespace plat::gdi::test {
namespace {

using Rows = std::vector<std::string>;

struct GeometryCase {
  const char* name;
  int size;
  int pen_style;
  int pen_width;
  bool fill;  // black brush inside, else no brush
  std::function<void(HDC)> draw;
  Rows expected;
};

TEST_F(GdiTest, GeometryFollowsTheOriginalPixelRules) {
  const GeometryCase cases[] = {
      {"rectangle pen 1", 8, PS_SOLID, 1, false, [](HDC dc) { Rectangle(dc, 1, 1, 7, 6); },
       {"........", ".######.", ".#....#.", ".#....#.", ".#....#.", ".######.", "........", "........"}},
      {"rectangle pen 1 inside frame", 8, PS_INSIDEFRAME, 1, false, [](HDC dc) { Rectangle(dc, 1, 1, 7, 6); },
       {"........", ".######.", ".#....#.", ".#....#.", ".#....#.", ".######.", "........", "........"}},
      {"rectangle pen 3 centred", 12, PS_SOLID, 3, false, [](HDC dc) { Rectangle(dc, 2, 2, 10, 10); },
       {"............", ".##########.", ".##########.", ".##########.", ".###....###.", ".###....###.",
        ".###....###.", ".###....###.", ".##########.", ".##########.", ".##########.", "............"}},
      {"rectangle pen 3 inside frame", 12, PS_INSIDEFRAME, 3, false, [](HDC dc) { Rectangle(dc, 2, 2, 10, 10); },
       {"............", "............", "..########..", "..########..", "..########..", "..###..###..",
        "..###..###..", "..########..", "..########..", "..########..", "............", "............"}},
      {"rectangle without pen fills one less", 8, PS_NULL, 1, true, [](HDC dc) { Rectangle(dc, 1, 1, 5, 4); },
       {"........", ".###....", ".###....", "........", "........", "........", "........", "........"}},
      {"ellipse 1x1", 8, PS_SOLID, 1, false, [](HDC dc) { Ellipse(dc, 2, 2, 3, 3); },
       {"........", "........", "..#.....", "........", "........", "........", "........", "........"}},
      {"ellipse 2x2", 8, PS_SOLID, 1, false, [](HDC dc) { Ellipse(dc, 2, 2, 4, 4); },
       {"........", "........", "..##....", "..##....", "........", "........", "........", "........"}},
      {"ellipse 7x5 ring", 8, PS_SOLID, 1, false, [](HDC dc) { Ellipse(dc, 0, 0, 7, 5); },
       {".#####..", "##...##.", "#.....#.", "##...##.", ".#####..", "........", "........", "........"}},
      {"ellipse 7x5 filled", 8, PS_SOLID, 1, true, [](HDC dc) { Ellipse(dc, 0, 0, 7, 5); },
       {".#####..", "#######.", "#######.", "#######.", ".#####..", "........", "........", "........"}},
      {"circle pen 3 inside frame", 12, PS_INSIDEFRAME, 3, false, [](HDC dc) { Ellipse(dc, 1, 1, 11, 11); },
       {"............", "....####....", "..########..", "..########..", ".####..####.", ".###....###.",
        ".###....###.", ".####..####.", "..########..", "..########..", "....####....", "............"}},
      {"round rectangle", 8, PS_SOLID, 1, false, [](HDC dc) { RoundRect(dc, 0, 0, 8, 6, 4, 4); },
       {".######.", "#......#", "#......#", "#......#", "#......#", ".######."}},
      {"dotted line", 12, PS_DOT, 1, false,
       [](HDC dc) {
         SetBkMode(dc, TRANSPARENT);
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 12, 0);
       },
       {"###...###..."}},
      {"line leaves out its end", 8, PS_SOLID, 1, false,
       [](HDC dc) {
         MoveToEx(dc, 1, 1, nullptr);
         LineTo(dc, 6, 3);
       },
       {"........", ".##.....", "...##...", ".....#.."}},
      {"line pen 3", 8, PS_SOLID, 3, false,
       [](HDC dc) {
         MoveToEx(dc, 2, 3, nullptr);
         LineTo(dc, 5, 3);
       },
       {"........", "........", ".######.", ".######.", ".######.", "........"}},
  };
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(c.size, c.size);
    HPEN pen = CreatePen(c.pen_style, c.pen_width, RGB(0, 0, 0));
    HPEN old_pen = SelectObject(canvas.dc, pen);
    HBRUSH old_brush =
        SelectObject(canvas.dc, reinterpret_cast<HBRUSH>(GetStockObject(c.fill ? BLACK_BRUSH : NULL_BRUSH)));
    c.draw(canvas.dc);
    EXPECT_EQ(InkMask(canvas.dc, c.size, static_cast<int>(c.expected.size())), c.expected);
    SelectObject(canvas.dc, old_pen);
    SelectObject(canvas.dc, old_brush);
    DeleteObject(pen);
  }
}

TEST_F(GdiTest, LinesInEightDirectionsLeaveOutTheirEnd) {
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      if (dx == 0 && dy == 0) continue;
      SCOPED_TRACE(dx * 10 + dy);
      Canvas c(13, 13);
      MoveToEx(c.dc, 6, 6, nullptr);
      LineTo(c.dc, 6 + 4 * dx, 6 + 4 * dy);
      int inked = 0;
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) inked += GetPixel(c.dc, x, y) != RGB(255, 255, 255);
      EXPECT_EQ(inked, 4);
      for (int k = 0; k < 4; ++k) EXPECT_EQ(GetPixel(c.dc, 6 + k * dx, 6 + k * dy), RGB(0, 0, 0)) << k;
      POINT at;
      GetCurrentPositionEx(c.dc, &at);
      EXPECT_EQ(at.x, 6 + 4 * dx);
    }
  }
}

TEST_F(GdiTest, XorLinesAndFocusRectanglesUndoThemselves) {
  Canvas c(12, 12);
  SetPixel(c.dc, 3, 3, RGB(10, 200, 30));
  const RECT r{1, 1, 9, 7};
  DrawFocusRect(c.dc, &r);
  EXPECT_NE(InkMask(c.dc, 12, 12), InkMask(Canvas(12, 12).dc, 12, 12));
  EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 2, 1), RGB(255, 255, 255));
  DrawFocusRect(c.dc, &r);
  SetROP2(c.dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
  HPEN old = SelectObject(c.dc, pen);
  const POINT frame[5] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  Polyline(c.dc, frame, 5);
  Polyline(c.dc, frame, 5);
  SelectObject(c.dc, old);
  DeleteObject(pen);
  Rows clean(12, std::string(12, '.'));
  clean[3][3] = '#';
  EXPECT_EQ(InkMask(c.dc, 12, 12), clean);
  EXPECT_EQ(GetPixel(c.dc, 3, 3), RGB(10, 200, 30));
}

TEST_F(GdiTest, SelfCrossingStarFillsByMode) {
  const POINT star[5] = {{6, 0}, {10, 12}, {0, 4}, {12, 4}, {2, 12}};
  for (int mode : {ALTERNATE, WINDING}) {
    SCOPED_TRACE(mode);
    Canvas c(13, 13);
    SelectObject(c.dc, reinterpret_cast<HPEN>(GetStockObject(NULL_PEN)));
    SelectObject(c.dc, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPolyFillMode(c.dc, mode);
    Polygon(c.dc, star, 5);
    EXPECT_EQ(GetPixel(c.dc, 6, 7) == RGB(0, 0, 0), mode == WINDING);  // the pentagon in the middle
    EXPECT_EQ(GetPixel(c.dc, 6, 2), RGB(0, 0, 0));                       // a point of the star
    EXPECT_EQ(GetPixel(c.dc, 1, 11), RGB(255, 255, 255));
    SelectObject(c.dc, reinterpret_cast<HPEN>(GetStockObject(BLACK_PEN)));
    SelectObject(c.dc, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
}

TEST_F(GdiTest, ArcRunsCounterClockwise) {
  Canvas c(12, 12);
  // From the right-hand point to the top point counter-clockwise: the upper
  // right quarter only.
  Arc(c.dc, 0, 0, 12, 12, 12, 6, 6, 0);
  EXPECT_EQ(GetPixel(c.dc, 9, 1) == RGB(0, 0, 0) || GetPixel(c.dc, 10, 2) == RGB(0, 0, 0), true);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      if (GetPixel(c.dc, x, y) != RGB(0, 0, 0)) continue;
      EXPECT_GE(x, 6) << x << "," << y;
      EXPECT_LT(y, 6) << x << "," << y;
    }
  }
}

TEST_F(GdiTest, HatchAndPatternBrushesFollowTheBrushOrigin) {
  Canvas c(8, 8);
  HBRUSH hatch = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
  SetBkMode(c.dc, TRANSPARENT);
  const RECT all{0, 0, 8, 8};
  FillRect(c.dc, &all, hatch);
  EXPECT_EQ(InkMask(c.dc, 8, 1), (Rows{".......#"}));
  SetBrushOrgEx(c.dc, 2, 0, nullptr);
  FillRect(c.dc, &all, hatch);
  EXPECT_EQ(InkMask(c.dc, 8, 1), (Rows{".#.....#"}));
  // A monochrome pattern: 0 bits take the text colour, 1 bits the background.
  const BYTE bits[4] = {0x80, 0, 0x40, 0};  // 2×2: rows "10" and "01"
  HBITMAP pattern = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH brush = CreatePatternBrush(pattern);
  DeleteObject(pattern);  // the brush keeps its own copy
  SetBrushOrgEx(c.dc, 0, 0, nullptr);
  SetTextColor(c.dc, RGB(255, 0, 0));
  SetBkColor(c.dc, RGB(0, 0, 255));
  FillRect(c.dc, &all, brush);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 7, 6), RGB(255, 0, 0));
  DeleteObject(hatch);
  DeleteObject(brush);
}

}  // namespace
}  // namespace plat::gdi::test

namespace plat::gdi::test {
namespace {

TEST_F(GdiTest, PathsRecordFiguresAndUseThemUp) {
  Canvas c(10, 8);
  // Two figures: an open one closed by CloseFigure, and a rectangle.
  ASSERT_TRUE(BeginPath(c.dc));
  MoveToEx(c.dc, 1, 1, nullptr);
  LineTo(c.dc, 6, 1);
  LineTo(c.dc, 6, 5);
  LineTo(c.dc, 1, 5);
  CloseFigure(c.dc);
  Rectangle(c.dc, 7, 0, 9, 3);
  EXPECT_EQ(InkMask(c.dc, 10, 8), std::vector<std::string>(8, std::string(10, '.')));  // nothing drawn yet
  ASSERT_TRUE(EndPath(c.dc));
  HRGN region = PathToRegion(c.dc);
  ASSERT_NE(region, nullptr);
  EXPECT_FALSE(FillPath(c.dc));  // used up
  HRGN want = CreateRectRgn(1, 1, 6, 5);
  HRGN box = CreateRectRgn(7, 0, 8, 2);  // the rectangle's outline points (7,0)-(8,2) enclose this
  CombineRgn(want, want, box, RGN_OR);
  EXPECT_TRUE(EqualRgn(region, want));
  // A path as the clip region.
  BeginPath(c.dc);
  Rectangle(c.dc, 2, 2, 5, 6);
  EndPath(c.dc);
  ASSERT_TRUE(SelectClipPath(c.dc, RGN_COPY));
  const RECT all{0, 0, 10, 8};
  FillRect(c.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(InkMask(c.dc, 6, 6), (std::vector<std::string>{"......", "......", "..##..", "..##..", "..##..",
                                                            "......"}));
  for (HRGN r : {region, want, box}) DeleteObject(r);
}

}  // namespace
}  // namespace plat::gdi::test
