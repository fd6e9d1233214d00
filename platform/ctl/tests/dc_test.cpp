// Device contexts and drawing objects of the class library: every handle is
// deleted on destruction, in whatever order objects and contexts go.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "plat/ctl/dc.h"
#include "plat/ctl/wnd.h"
#include "plat/testing.h"

namespace plat {
namespace {

using test::GuiTest;
using test::LiveGdiObjects;
using DcTest = GuiTest;

TEST_F(DcTest, EveryObjectDeletesItsHandle) {
  const size_t before = LiveGdiObjects();
  {
    CPen pen(PS_SOLID, 2, RGB(1, 2, 3));
    CBrush brush(RGB(4, 5, 6));
    CBrush hatch(HS_CROSS, RGB(7, 8, 9));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "Sans"));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(8, 8, 1, 32, nullptr));
    CRgn region;
    ASSERT_TRUE(region.CreateEllipticRgn(0, 0, 10, 10));
    LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
    CPalette logical;
    ASSERT_TRUE(logical.CreatePalette(&palette));
    EXPECT_EQ(LiveGdiObjects(), before + 7);

    LOGPEN log_pen{};
    ASSERT_GT(pen.GetLogPen(&log_pen), 0);
    EXPECT_EQ(log_pen.lopnColor, RGB(1, 2, 3));
    LOGFONT log_font;
    ASSERT_GT(font.GetLogFont(&log_font), 0);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // 12 points: a character height of 12/72 inch at the screen's resolution.
    EXPECT_EQ(log_font.lfHeight, -MulDiv(120, dpi, 720));
    EXPECT_EQ(logical.GetEntryCount(), 1);

    // A second creation is refused and frees what it made.
    EXPECT_FALSE(pen.CreatePen(PS_DASH, 1, 0));
    EXPECT_EQ(LiveGdiObjects(), before + 7);
    // A detached handle is the caller's.
    HGDIOBJ detached = brush.Detach();
    EXPECT_EQ(LiveGdiObjects(), before + 7);
    EXPECT_TRUE(DeleteObject(detached));
  }
  EXPECT_EQ(LiveGdiObjects(), before);
}

TEST_F(DcTest, ObjectsGoCleanlyWhateverTheOrderOfDestruction) {
  const size_t before = LiveGdiObjects();
  HPEN original_pen = reinterpret_cast<HPEN>(GetStockObject(BLACK_PEN));
  struct Case {
    const char* name;
    bool dc_goes_first;
  };
  for (const Case c : {Case{"object declared first", true}, Case{"object declared last", false}}) {
    SCOPED_TRACE(c.name);
    auto dc = std::make_unique<CDC>();
    ASSERT_TRUE(dc->CreateCompatibleDC(nullptr));
    auto pen = std::make_unique<CPen>(PS_SOLID, 1, RGB(255, 0, 0));
    auto bitmap = std::make_unique<CBitmap>();
    ASSERT_TRUE(bitmap->CreateCompatibleBitmap(dc.get(), 4, 4));
    dc->SelectObject(pen.get());
    dc->SelectObject(bitmap.get());
    if (c.dc_goes_first) {
      dc.reset();
      pen.reset();
      bitmap.reset();
    } else {
      // Still selected: the context takes its originals back first.
      HDC hdc = dc->m_hDC;
      pen.reset();
      bitmap.reset();
      EXPECT_EQ(reinterpret_cast<HPEN>(GetCurrentObject(hdc, OBJ_PEN)), original_pen);
      EXPECT_EQ(LiveGdiObjects(), before + 1);  // the context alone
      dc.reset();
    }
    EXPECT_EQ(LiveGdiObjects(), before);
  }
}

TEST_F(DcTest, SelectObjectGivesBackThePreviousObject) {
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  CPen first(PS_SOLID, 1, RGB(1, 0, 0));
  CPen second(PS_SOLID, 1, RGB(2, 0, 0));
  CPen* original = dc.SelectObject(&first);
  ASSERT_NE(original, nullptr);
  EXPECT_EQ(original->m_hObject, GetStockObject(BLACK_PEN));
  // The caller's own object comes back, not a copy.
  EXPECT_EQ(dc.SelectObject(&second), &first);
  EXPECT_EQ(dc.GetCurrentPen(), &second);
  EXPECT_EQ(dc.SelectObject(original), &second);
  // A view never deletes what it shows.
  EXPECT_FALSE(original->DeleteObject());
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
  CGdiObject* stock = dc.SelectStockObject(NULL_BRUSH);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(stock->m_hObject, GetStockObject(WHITE_BRUSH));
}

TEST_F(DcTest, DragFrameInvertedTwiceLeavesThePixels) {
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap(40, 30, 1, 32, nullptr));
  dc.SelectObject(&bitmap);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) dc.SetPixel(x, y, RGB(x * 6, y * 8, 100));
  }
  auto pixels = [&] {
    std::vector<COLORREF> all;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) all.push_back(dc.GetPixel(x, y));
    }
    return all;
  };
  const std::vector<COLORREF> start = pixels();
  const CRect first(5, 5, 25, 20);
  const CRect second(8, 6, 35, 28);
  dc.DrawDragRect(&first, SIZE{2, 2}, nullptr, SIZE{});
  const std::vector<COLORREF> framed = pixels();
  // Only the frame changed, and half of its pixels (the checker).
  int changed = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const size_t i = static_cast<size_t>(y * 40 + x);
      const bool in_frame = first.PtInRect(POINT{x, y}) && !CRect(7, 7, 23, 18).PtInRect(POINT{x, y});
      if (!in_frame) {
        EXPECT_EQ(framed[i], start[i]) << x << "," << y;
      }
      if (framed[i] != start[i]) ++changed;
    }
  }
  const int frame_pixels = 20 * 15 - 16 * 11;
  EXPECT_GT(changed, frame_pixels / 3);
  EXPECT_LT(changed, frame_pixels * 2 / 3);
  dc.DrawDragRect(&second, SIZE{1, 1}, &first, SIZE{2, 2});
  dc.DrawDragRect(nullptr, SIZE{}, &second, SIZE{1, 1});
  EXPECT_EQ(pixels(), start);
}

class PaintingWnd : public CWnd {
 public:
  void OnPaint() override {
    CPaintDC dc(this);
    CBrush brush(RGB(200, 10, 20));
    CPen pen(PS_SOLID, 1, RGB(0, 0, 255));
    dc.SelectObject(&pen);  // left selected on purpose: the objects still go
    CRect client;
    GetClientRect(&client);
    dc.FillRect(&client, &brush);
    dc.MoveTo(0, 5);
    dc.LineTo(client.right, 5);
    ++paints;
  }
  int paints = 0;
};

TEST_F(DcTest, PaintAndClientContextsDrawIntoTheWindow) {
  PaintingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 30, 20), nullptr, 0));
  test::Pump();
  EXPECT_EQ(wnd.paints, 1);
  test::Image shot = test::Snapshot(wnd.m_hWnd);
  EXPECT_EQ(shot.At(10, 10) & 0xFFFFFFu, 0xC80A14u);
  EXPECT_EQ(shot.At(10, 5) & 0xFFFFFFu, 0x0000FFu);
  {
    CClientDC dc(&wnd);
    dc.FillSolidRect(0, 0, 4, 4, RGB(0, 255, 0));
  }
  test::Pump();
  shot = test::Snapshot(wnd.m_hWnd);
  EXPECT_EQ(shot.At(1, 1) & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(shot.At(10, 10) & 0xFFFFFFu, 0xC80A14u);
}

}  // namespace
}  // namespace plat
