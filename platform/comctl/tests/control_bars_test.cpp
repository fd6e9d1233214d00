// The bar controls headless: progress clamping and painting, status-bar
// placement, parts and texts, toolbar layout, clicks and tooltips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/control_bars.h"
#include "plat/gdi.h"
#include "plat/testing.h"
#include "plat/user.h"

namespace plat::test {
namespace {

using ControlBarsTest = GuiTest;

// A top-level window that records its children's commands and notifications
// and answers tooltip text requests with "tip <id>".
class BarHost {
 public:
  BarHost() {
    static const bool registered = [] {
      WNDCLASSEX wc;
      wc.lpfnWndProc = &Proc;
      wc.lpszClassName = "BarHost";
      wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
      return RegisterClassEx(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowEx(0, "BarHost", "Bars", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 400, 300, nullptr,
                           nullptr, nullptr, this);
  }
  ~BarHost() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }
  HWND Add(const char* class_name, DWORD style, int id, RECT rect = {10, 10, 210, 40}) {
    return CreateWindowEx(0, class_name, "", WS_CHILD | WS_VISIBLE | style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, hwnd_, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr,
                          nullptr);
  }
  std::vector<int> commands;
  std::vector<UINT> notifications;

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtr(hwnd, GWLP_USERDATA,
                       reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCT*>(lparam)->lpCreateParams));
    }
    auto* host = reinterpret_cast<BarHost*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (host != nullptr && message == WM_COMMAND) {
      host->commands.push_back(LOWORD(wparam));
      return 0;
    }
    if (host != nullptr && message == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      host->notifications.push_back(header->code);
      if (header->code == TTN_GETDISPINFO) {
        auto* display = reinterpret_cast<NMTTDISPINFO*>(lparam);
        std::snprintf(display->szText, sizeof(display->szText), "tip %d", static_cast<int>(header->idFrom));
      }
      return 0;
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};

uint32_t Rgb(COLORREF colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF); }

TEST_F(ControlBarsTest, ProgressKeepsItsPositionInsideTheRangeAndFillsFromTheLeft) {
  BarHost host;
  HWND bar = host.Add(PROGRESS_CLASS, PBS_SMOOTH, 7, RECT{10, 10, 112, 30});
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 100);
  SendMessage(bar, PBM_SETRANGE32, 50, 0);  // a reversed pair is swapped
  PBRANGE range;
  SendMessage(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 50);
  struct Case {
    const char* name;
    UINT message;
    WPARAM wparam;
    LRESULT old_pos;
    int new_pos;
  };
  const Case cases[] = {
      {"set", PBM_SETPOS, 20, 0, 20},           {"above the range", PBM_SETPOS, 80, 20, 50},
      {"below the range", PBM_SETPOS, static_cast<WPARAM>(-3), 50, 0},
      {"delta", PBM_DELTAPOS, 45, 0, 45},       {"step wraps past the end", PBM_STEPIT, 0, 45, 5},
      {"step", PBM_STEPIT, 0, 5, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SendMessage(bar, c.message, c.wparam, 0), c.old_pos);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), c.new_pos);
  }
  SendMessage(bar, PBM_SETPOS, 25, 0);  // half of 0..50
  UpdateWindow(host.hwnd());
  Pump();
  const Image shot = Snapshot(bar);
  ASSERT_EQ(shot.width_px, 102);
  EXPECT_EQ(shot.At(10, 10), Rgb(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(shot.At(49, 10), Rgb(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(shot.At(52, 10), Rgb(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(ControlBarsTest, StatusBarSitsAtTheBottomAndKeepsItsParts) {
  BarHost host;
  HWND status = host.Add(STATUSCLASSNAME, 0, 59393);
  ASSERT_NE(status, nullptr);
  RECT client{};
  GetClientRect(host.hwnd(), &client);
  RECT bar{};
  GetWindowRect(status, &bar);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  const int height = bar.bottom - bar.top;
  EXPECT_GT(height, 10);

  // The parent grows; passing its WM_SIZE on puts the bar back at the bottom.
  SetWindowPos(host.hwnd(), nullptr, 0, 0, 500, 360, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(host.hwnd(), &client);
  SendMessage(status, WM_SIZE, 0, 0);
  GetWindowRect(status, &bar);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.bottom - bar.top, height);

  const int rights[] = {100, 180, -1};
  ASSERT_TRUE(SendMessage(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(rights)));
  int got[4] = {};
  EXPECT_EQ(SendMessage(status, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(got)), 3);
  EXPECT_EQ(got[1], 180);
  int borders[3] = {};
  SendMessage(status, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  const RECT expected[] = {{0, borders[1], 100, height},
                           {100 + borders[2], borders[1], 180, height},
                           {180 + borders[2], borders[1], client.right, height}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    RECT part{};
    ASSERT_TRUE(SendMessage(status, SB_GETRECT, i, reinterpret_cast<LPARAM>(&part)));
    EXPECT_EQ(part.left, expected[i].left);
    EXPECT_EQ(part.top, expected[i].top);
    EXPECT_EQ(part.right, expected[i].right);
    EXPECT_EQ(part.bottom, expected[i].bottom);
  }
  EXPECT_FALSE(SendMessage(status, SB_GETRECT, 3, reinterpret_cast<LPARAM>(&client)));

  ASSERT_TRUE(SendMessage(status, SB_SETTEXT, 1 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(" 5 ")));
  char text[16] = {};
  const LRESULT answer = SendMessage(status, SB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, " 5 ");
  EXPECT_EQ(LOWORD(answer), 3);
  EXPECT_EQ(HIWORD(answer), SBT_NOBORDERS);
  EXPECT_FALSE(SendMessage(status, SB_SETTEXT, 5, reinterpret_cast<LPARAM>("x")));
  // A well is drawn sunken: its top-left pixel has the shadow colour.
  UpdateWindow(host.hwnd());
  Pump();
  const Image shot = Snapshot(status);
  EXPECT_EQ(shot.At(expected[0].left, expected[0].top), Rgb(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(shot.At(expected[1].left, expected[1].top), Rgb(GetSysColor(COLOR_BTNFACE)));  // no borders
}

// Two 16 x 15 images: a red square and a blue one on the light-grey face.
HBITMAP MakeStrip() {
  HBITMAP strip = CreateBitmap(32, 15, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP previous = SelectObject(dc, strip);
  const RECT all{0, 0, 32, 15};
  HBRUSH grey = CreateSolidBrush(RGB(192, 192, 192));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &all, grey);
  const RECT first{4, 4, 12, 11};
  const RECT second{20, 4, 28, 11};
  FillRect(dc, &first, red);
  FillRect(dc, &second, blue);
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(grey);
  DeleteObject(red);
  DeleteObject(blue);
  return strip;
}

TEST_F(ControlBarsTest, ToolbarLaysOutClicksAndShowsTooltips) {
  BarHost host;
  HBITMAP strip = MakeStrip();
  {
    HWND toolbar = host.Add(TOOLBARCLASSNAME, TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP, 59392);
    ASSERT_NE(toolbar, nullptr);
    TBADDBITMAP add;
    add.nID = reinterpret_cast<UINT_PTR>(strip);
    EXPECT_EQ(SendMessage(toolbar, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&add)), 0);
    TBBUTTON buttons[3];
    buttons[0].iBitmap = 0;
    buttons[0].idCommand = 32769;
    buttons[0].fsState = TBSTATE_ENABLED;
    buttons[1].fsStyle = TBSTYLE_SEP;
    buttons[2].iBitmap = 1;
    buttons[2].idCommand = 32768;
    buttons[2].fsState = TBSTATE_ENABLED;
    ASSERT_TRUE(SendMessage(toolbar, TB_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(buttons)));
    SendMessage(toolbar, TB_AUTOSIZE, 0, 0);

    RECT client{};
    GetClientRect(host.hwnd(), &client);
    RECT bar{};
    GetWindowRect(toolbar, &bar);
    MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.top, 0);
    EXPECT_EQ(bar.right, client.right);
    RECT first{};
    RECT third{};
    SendMessage(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessage(toolbar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
    EXPECT_EQ(first.right - first.left, 23);
    EXPECT_EQ(third.left, first.right + 8);  // the separator between
    EXPECT_EQ(SendMessage(toolbar, TB_COMMANDTOINDEX, 32768, 0), 2);
    EXPECT_EQ(SendMessage(toolbar, TB_BUTTONCOUNT, 0, 0), 3);

    UpdateWindow(host.hwnd());
    Pump();
    const Image shot = Snapshot(toolbar);
    EXPECT_EQ(shot.At(first.left + 3 + 8, first.top + 3 + 7), 0xFF0000u);
    EXPECT_EQ(shot.At(third.left + 3 + 8, third.top + 3 + 7), 0x0000FFu);
    EXPECT_EQ(shot.At(first.left + 3 + 1, first.top + 3 + 1), Rgb(GetSysColor(COLOR_BTNFACE)));

    const POINT on_first{(first.left + first.right) / 2, (first.top + first.bottom) / 2};
    const POINT on_third{(third.left + third.right) / 2, (third.top + third.bottom) / 2};
    Click(toolbar, on_first);
    EXPECT_EQ(host.commands, std::vector<int>{32769});
    // Pressed on one button and let go elsewhere: no command, no capture.
    MouseDown(toolbar, on_first);
    EXPECT_TRUE(SendMessage(toolbar, TB_ISBUTTONPRESSED, 32769, 0));
    MoveMouse(toolbar, POINT{on_first.x, 200});
    MouseUp(toolbar, POINT{on_first.x, 200});
    EXPECT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(SendMessage(toolbar, TB_ISBUTTONPRESSED, 32769, 0));
    // A disabled button does nothing.
    SendMessage(toolbar, TB_ENABLEBUTTON, 32768, FALSE);
    Click(toolbar, on_third);
    EXPECT_EQ(host.commands.size(), 1u);
    SendMessage(toolbar, TB_ENABLEBUTTON, 32768, TRUE);

    // Resting over a button shows its tip after the initial delay; another
    // button's tip follows at once; leaving the buttons hides it.
    HWND tip = reinterpret_cast<HWND>(SendMessage(toolbar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    host.notifications.clear();
    MoveMouse(toolbar, POINT{on_first.x + 1, on_first.y});
    EXPECT_FALSE(IsWindowVisible(tip));
    AdvanceTime(600);
    ASSERT_TRUE(IsWindowVisible(tip));
    char text[32] = {};
    GetWindowText(tip, text, sizeof(text));
    EXPECT_STREQ(text, "tip 32769");
    EXPECT_EQ(host.notifications, (std::vector<UINT>{TTN_GETDISPINFO, TTN_SHOW}));
    MoveMouse(toolbar, on_third);
    GetWindowText(tip, text, sizeof(text));
    EXPECT_STREQ(text, "tip 32768");
    MoveMouse(toolbar, POINT{client.right - 5, on_first.y});
    EXPECT_FALSE(IsWindowVisible(tip));
    EXPECT_EQ(host.notifications.back(), TTN_POP);
    DestroyWindow(toolbar);
    EXPECT_FALSE(IsWindow(tip));
  }
  DeleteObject(strip);
}

}  // namespace
}  // namespace plat::test
