// Painting and window regions: invalidations merge into one WM_PAINT,
// scrolling exposes exactly the uncovered strip and moves the pixels, a
// window region lets clicks through to the window below, and the window owns
// its region.
#include <gtest/gtest.h>

#include "plat/gdi.h"
#include "plat/testing.h"
#include "plat/user.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using PaintTest = WindowTest;

bool RegionIs(HRGN region, const std::vector<RECT>& rects) {
  HRGN expected = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& rect : rects) {
    HRGN part = CreateRectRgnIndirect(&rect);
    CombineRgn(expected, expected, part, RGN_OR);
    DeleteObject(part);
  }
  const bool equal = EqualRgn(region, expected) != FALSE;
  DeleteObject(expected);
  return equal;
}

TEST_F(PaintTest, InvalidationsMergeIntoOnePaintOfTheirUnion) {
  struct Case {
    const char* name;
    std::vector<RECT> invalid;
    std::vector<RECT> update;  // the update region they make (client 200x100)
    RECT paint;
  };
  const Case cases[] = {
      {"overlapping", {{10, 10, 50, 50}, {30, 30, 80, 70}}, {{10, 10, 50, 50}, {30, 30, 80, 70}}, {10, 10, 80, 70}},
      {"disjoint", {{0, 0, 10, 10}, {150, 80, 160, 90}}, {{0, 0, 10, 10}, {150, 80, 160, 90}}, {0, 0, 160, 90}},
      {"nested", {{20, 20, 90, 90}, {30, 30, 40, 40}}, {{20, 20, 90, 90}}, {20, 20, 90, 90}},
      {"cut to the client area", {{190, 90, 400, 400}, {-5, -5, 5, 5}}, {{190, 90, 200, 100}, {0, 0, 5, 5}}, {0, 0, 200, 100}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
    Pump();
    Recorder::Log().clear();
    for (const RECT& rect : test_case.invalid) InvalidateRect(hwnd, &rect, TRUE);
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetUpdateRgn(hwnd, update, FALSE), ERROR);
    EXPECT_TRUE(RegionIs(update, test_case.update));
    DeleteObject(update);
    RECT painted{};
    Recorder::Handlers()[hwnd] = [&](HWND self, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message != WM_PAINT) return false;
      PAINTSTRUCT paint;
      BeginPaint(self, &paint);
      painted = paint.rcPaint;
      EndPaint(self, &paint);
      *result = 0;
      return true;
    };
    Pump();
    EXPECT_EQ(Recorder::Only({WM_PAINT}).size(), 1u);
    EXPECT_TRUE(EqualRect(&painted, &test_case.paint));
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(hwnd, &left, FALSE));
    DestroyWindow(hwnd);
  }
}

TEST_F(PaintTest, ScrollWindowExExposesTheUncoveredStripAndMovesPixels) {
  struct Case {
    int dx, dy;
    std::vector<RECT> exposed;  // client 100x100
    int complexity;
  };
  const Case cases[] = {
      {0, -10, {{0, 90, 100, 100}}, SIMPLEREGION},
      {0, 10, {{0, 0, 100, 10}}, SIMPLEREGION},
      {-10, 0, {{90, 0, 100, 100}}, SIMPLEREGION},
      {7, -3, {{0, 0, 7, 97}, {0, 97, 100, 100}}, COMPLEXREGION},
      {0, 0, {}, NULLREGION},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << test_case.dx << "," << test_case.dy);
    const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{100, 100, 200, 200});
    Pump();
    // Rows and columns of distinct colours, to see where pixels went.
    HDC dc = GetDC(hwnd);
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; x += 10) SetPixelV(dc, x, y, RGB(x, y, 7));
    }
    ReleaseDC(hwnd, dc);
    HRGN exposed = CreateRectRgn(0, 0, 0, 0);
    RECT bounds{};
    EXPECT_EQ(ScrollWindowEx(hwnd, test_case.dx, test_case.dy, nullptr, nullptr, exposed, &bounds, SW_INVALIDATE),
              test_case.complexity);
    EXPECT_TRUE(RegionIs(exposed, test_case.exposed));
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(hwnd, update, FALSE);
    EXPECT_TRUE(RegionIs(update, test_case.exposed));
    DeleteObject(update);
    DeleteObject(exposed);
    const Image image = Snapshot(hwnd);
    for (int y = 20; y < 80; y += 13) {
      for (int x = 20; x < 80; x += 10) {
        const int from_x = x - test_case.dx;
        const int from_y = y - test_case.dy;
        if (from_x % 10 != 0) continue;
        EXPECT_EQ(image.At(x, y), static_cast<uint32_t>((from_x << 16) | (from_y << 8) | 7)) << x << "," << y;
      }
    }
    ValidateRect(hwnd, nullptr);
    DestroyWindow(hwnd);
  }
}

TEST_F(PaintTest, ClicksOutsideAWindowRegionReachTheWindowBelow) {
  const HWND parent = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 200});
  const HWND round = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 110}, parent);
  const HWND transparent = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{150, 10, 250, 110}, parent);
  HRGN ellipse = CreateEllipticRgn(0, 0, 100, 100);
  ASSERT_NE(SetWindowRgn(round, ellipse, TRUE), 0);
  EXPECT_FALSE(DeleteObject(ellipse));  // the window owns it
  Recorder::Handlers()[transparent] = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_NCHITTEST) return false;
    *result = HTTRANSPARENT;
    return true;
  };
  struct Case {
    const char* name;
    POINT at;  // parent client
    HWND receiver;
  };
  const Case cases[] = {
      {"corner of the ellipse", {12, 12}, parent},
      {"centre of the ellipse", {60, 60}, round},
      {"edge inside", {60, 12}, round},
      {"transparent child", {200, 60}, parent},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    Recorder::Log().clear();
    Click(parent, test_case.at);
    const auto downs = Recorder::Only({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, test_case.receiver);
  }
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(round, copy), COMPLEXREGION);
  EXPECT_TRUE(DeleteObject(copy));
  DestroyWindow(parent);
  EXPECT_FALSE(DeleteObject(ellipse));  // went with the window
}

TEST_F(PaintTest, ChildrenPaintClippedToTheirParentAndSiblings) {
  const HWND parent = Recorder::Create(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 100, 100});
  const HWND low = Recorder::Create(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, RECT{60, 60, 140, 140}, parent);
  const HWND high = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{50, 50, 70, 70}, parent);
  SetWindowPos(high, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump();
  const auto fill = [](HWND hwnd, COLORREF colour) {
    HDC dc = GetDC(hwnd);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{-500, -500, 500, 500};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(hwnd, dc);
  };
  fill(parent, RGB(255, 0, 0));
  fill(low, RGB(0, 255, 0));
  fill(high, RGB(0, 0, 255));
  fill(parent, RGB(255, 0, 0));  // WS_CLIPCHILDREN keeps the children
  const Image image = Snapshot(parent);
  struct Probe {
    int x, y;
    uint32_t pixel;
  };
  const Probe probes[] = {{10, 10, 0xFF0000}, {55, 55, 0x0000FF}, {65, 65, 0x0000FF}, {80, 80, 0x00FF00}, {99, 99, 0x00FF00}};
  for (const Probe& probe : probes) EXPECT_EQ(image.At(probe.x, probe.y), probe.pixel) << probe.x << "," << probe.y;
  DestroyWindow(parent);
}

}  // namespace
}  // namespace plat::test
