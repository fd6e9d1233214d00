// Our own non-client area: hit codes from the style, moving and sizing in
// our tracking loop (the headless backend refuses system moves), scroll-bar
// ranges and arrow repeat.
#include <gtest/gtest.h>

#include "plat/menu.h"
#include "plat/testing.h"
#include "plat/user.h"
#include "user/nonclient.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using NonClientTest = WindowTest;

TEST_F(NonClientTest, CreationSendsItsMessagesInOrder) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW, RECT{10, 10, 210, 160});
  std::vector<UINT> order;
  for (const Seen& seen : Recorder::Log()) {
    if (seen.hwnd == hwnd) order.push_back(seen.message);
  }
  const std::vector<UINT> expected = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE};
  EXPECT_EQ(order, expected);
  DestroyWindow(hwnd);
}

TEST_F(NonClientTest, HitCodesFollowTheStyle) {
  // 200x150 at (100, 100): sizing frame 4, caption 18, buttons at the right.
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_VISIBLE, RECT{100, 100, 300, 250});
  struct Case {
    POINT at;  // window coordinates
    LRESULT hit;
  };
  const Case cases[] = {
      {{100, 10}, HTCAPTION}, {{190, 12}, HTCLOSE},      {{1, 75}, HTLEFT},     {{198, 75}, HTRIGHT},
      {{100, 1}, HTTOP},      {{199, 149}, HTBOTTOMRIGHT}, {{0, 0}, HTTOPLEFT},  {{100, 80}, HTCLIENT},
      {{185, 80}, HTVSCROLL}, {{250, 80}, HTNOWHERE},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << test_case.at.x << "," << test_case.at.y);
    const LPARAM screen = MAKELPARAM(static_cast<WORD>(100 + test_case.at.x), static_cast<WORD>(100 + test_case.at.y));
    EXPECT_EQ(SendMessage(hwnd, WM_NCHITTEST, 0, screen), test_case.hit);
  }
  DestroyWindow(hwnd);
}

TEST_F(NonClientTest, CaptionAndBorderDragsMoveAndSizeInOurOwnLoop) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 400, 300});
  // Points in window coordinates; the pointer moves on the screen while the window follows it.
  const auto drag_window_point = [hwnd](POINT from, POINT to) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const auto at = [&](backend::EventKind kind, POINT point) {
      backend::InputEvent event;
      event.kind = kind;
      event.screen = POINT{rect.left + point.x, rect.top + point.y};
      return event;
    };
    SetIdleScript({[=] { Inject(at(backend::EventKind::kMouseMove, to)); },
                   [=] { Inject(at(backend::EventKind::kMouseUp, to)); }});
    Inject(at(backend::EventKind::kMouseMove, from));
    Inject(at(backend::EventKind::kMouseDown, from));
    Pump();
  };
  drag_window_point(POINT{150, 10}, POINT{180, 50});
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 130);
  EXPECT_EQ(rect.top, 140);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_FALSE(Recorder::Only({WM_ENTERSIZEMOVE}).empty());
  EXPECT_FALSE(Recorder::Only({WM_EXITSIZEMOVE}).empty());
  // Sizing from the bottom-right corner stops at the smallest track size.
  drag_window_point(POINT{299, 199}, POINT{-500, -500});
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXMINTRACK));
  EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYMINTRACK));
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(hwnd);
}

TEST_F(NonClientTest, ScrollPositionIsClampedToTheLastPage) {
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VSCROLL, RECT{0, 0, 100, 100});
  struct Case {
    int min, max;
    UINT page;
    int pos, expected;
  };
  const Case cases[] = {
      {0, 100, 10, 95, 91}, {0, 100, 0, 150, 100}, {0, 100, 1, 150, 100}, {10, 20, 0, -5, 10},
      {0, 9, 20, 5, 0},     {0, 100, 10, 50, 50},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << test_case.max << "/" << test_case.page << "/" << test_case.pos);
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = test_case.min;
    info.nMax = test_case.max;
    info.nPage = test_case.page;
    info.nPos = test_case.pos;
    EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &info, FALSE), test_case.expected);
    EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), test_case.expected);
  }
  DestroyWindow(hwnd);
}

TEST_F(NonClientTest, HeldArrowRepeatsAfter400ThenEvery100Ms) {
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VSCROLL | WS_VISIBLE, RECT{0, 0, 100, 200});
  // The down arrow: the last 16 pixels of the bar, right of the client area.
  POINT arrow{100 - 8, 200 - 8};
  ScreenToClient(hwnd, &arrow);
  SetIdleScript({[] { GuiClock().Advance(399); },
                 [] { GuiClock().Advance(1); },
                 [] { GuiClock().Advance(100); },
                 [] { GuiClock().Advance(99); },
                 [=] { MouseUp(hwnd, arrow); }});
  MouseDown(hwnd, arrow);
  std::vector<WPARAM> codes;
  for (const Seen& seen : Recorder::Only({WM_VSCROLL})) codes.push_back(seen.wparam);
  EXPECT_EQ(codes, (std::vector<WPARAM>{SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL}));
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(NonClientTest, CaptionShowsTheWindowText) {
  const auto caption_text_pixels = [](const char* text) {
    const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 100});
    SetWindowText(hwnd, text);
    Pump();
    const Image image = Snapshot(hwnd);
    int count = 0;
    for (int y = 4; y < 4 + 17; ++y) {
      // Right of the system-menu icon: caption text on navy.
      for (int x = 24; x < 200; ++x) count += image.At(x, y) == 0xFFFFFF ? 1 : 0;
    }
    DestroyWindow(hwnd);
    return count;
  };
  EXPECT_EQ(caption_text_pixels(""), 0);
  EXPECT_GT(caption_text_pixels("Scan to file"), 20);
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

// '#' for each pixel of `colour` in `area`, row after row.
std::string InkOf(const Image& image, RECT area, uint32_t colour) {
  std::string ink;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) ink += image.At(x, y) == colour ? '#' : '.';
  }
  return ink;
}

int CountPixels(const Image& image, RECT area, uint32_t colour) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += image.At(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST_F(NonClientTest, CaptionButtonsShowTheirGlyphs) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 100});
  Pump();
  // Frame 4, caption 18: close at (278, 5), maximise 18 to its left, minimise next to that.
  const RECT close{278, 5, 294, 19}, maximise{260, 5, 276, 19}, minimise{244, 5, 260, 19};
  const Image normal = Snapshot(hwnd);
  EXPECT_EQ(CountPixels(normal, close, 0x000000), 7 * 2 + 7 * 2 - 2);  // two crossing strokes, 2 px wide
  EXPECT_EQ(CountPixels(normal, minimise, 0x000000), 10);
  const std::string max_ink = InkOf(normal, maximise, 0x000000);
  EXPECT_GT(CountPixels(normal, maximise, 0x000000), 20);
  ShowWindow(hwnd, SW_MAXIMIZE);
  Pump();
  // Maximised, the button shows restore.
  const Image maximised = Snapshot(hwnd);
  const RECT restore = user::LayoutOf(*user::FindWindowRecord(hwnd)).max_button;
  EXPECT_GT(CountPixels(maximised, restore, 0x000000), 10);
  EXPECT_NE(InkOf(maximised, restore, 0x000000), max_ink);
  DestroyWindow(hwnd);
}

TEST_F(NonClientTest, MenuBarAndSystemMenuSendTheirCommands) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 101, "&Open");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenu(bar, MF_STRING, 200, "&Help");
  AppendMenu(bar, MF_STRING | MF_GRAYED, 300, "&Off");
  ASSERT_TRUE(SetMenu(hwnd, bar));
  Pump();
  // The bar lies under the caption (4 + 18) and above the client area (41).
  const auto items = user::MenuBarLayout(*user::FindWindowRecord(hwnd));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].rect.left, 4);
  EXPECT_EQ(items[0].rect.top, 22);
  EXPECT_EQ(items[1].rect.left, items[0].rect.right);
  EXPECT_GT(CountPixels(Snapshot(hwnd), items[0].rect, 0x000000), 10);  // "File" in menu text

  const auto click_item = [&](size_t i) {
    const RECT& r = items[i].rect;
    Click(hwnd, POINT{(r.left + r.right) / 2 - 4, (r.top + r.bottom) / 2 - 41});
    Pump();
  };
  const auto commands = [] {
    std::vector<WPARAM> ids;
    for (const Seen& seen : Recorder::Only({WM_COMMAND, WM_SYSCOMMAND})) ids.push_back(seen.wparam);
    return ids;
  };
  SetModalResponder([](ModalContext& context) { context.ChooseMenu(101); });
  click_item(0);
  EXPECT_EQ(commands(), (std::vector<WPARAM>{101}));
  click_item(1);
  click_item(2);  // greyed: nothing
  EXPECT_EQ(commands(), (std::vector<WPARAM>{101, 200}));

  // The icon at the caption's left opens the system menu; Restore is grey
  // while the window is neither maximised nor minimised.
  SetModalResponder([](ModalContext& context) { context.ChooseMenu(SC_CLOSE); });
  Click(hwnd, POINT{8 - 4, 12 - 41});
  Pump();
  EXPECT_EQ(commands(), (std::vector<WPARAM>{101, 200, SC_CLOSE}));
  EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
}  // namespace plat::test
