// The frame window headless: menu from a resource, layout of a toolbar from a
// toolbar resource, a status bar with panes and the client window, command
// routing, fly-by prompts and tips from string resources, and the progress
// control.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plat/ctl/frame_wnd.h"
#include "plat/menu.h"
#include "plat/resources.h"
#include "plat/testing.h"

namespace plat {
namespace {

using test::GuiTest;

const auto kModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A33));
constexpr UINT kTake = 32769;
constexpr UINT kExit = 32768;

// "File" with "Take" and "Exit".
const std::vector<uint8_t> kMenu = {0, 0, 0, 0, 0x90, 0, 'F', 'i', 'l', 'e', 0, 0x00, 0, 0x01, 0x80,
                                    'T', 'a', 'k', 'e', 0, 0x80, 0, 0x00, 0x80, 'E', 'x', 'i', 't', 0};
// Version 1, 16 x 15 images, three entries: take, a separator, exit.
const std::vector<uint8_t> kToolbar = {1, 0, 16, 0, 15, 0, 3, 0, 0x01, 0x80, 0, 0, 0x00, 0x80};
constexpr char kTakeText[] = "Take the page\nTake";
constexpr char kExitText[] = "Close the list";

// A packed 24-bit DIB of 32 x 15: the take image green, the exit image red.
std::vector<uint8_t> MakeStrip() {
  constexpr int kWidth = 32;
  constexpr int kHeight = 15;
  constexpr int kStride = kWidth * 3;
  std::vector<uint8_t> dib(40 + kStride * kHeight, 0);
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(0, 40);
  put32(4, kWidth);
  put32(8, kHeight);
  dib[12] = 1;
  dib[14] = 24;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* pixel = &dib[40 + y * kStride + x * 3];  // blue, green, red
      pixel[x < 16 ? 1 : 2] = 0xFF;
    }
  }
  return dib;
}

class FrameTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    static const std::vector<uint8_t> strip = MakeStrip();
    static const ResourceEntry entries[] = {
        {RT_MENU, 203, nullptr, kMenu.data(), kMenu.size()},
        {RT_TOOLBAR, 201, nullptr, kToolbar.data(), kToolbar.size()},
        {RT_BITMAP, 201, nullptr, strip.data(), strip.size()},
        {RT_STRING, static_cast<int>(kTake), nullptr, kTakeText, sizeof(kTakeText) - 1},
        {RT_STRING, static_cast<int>(kExit), nullptr, kExitText, sizeof(kExitText) - 1},
    };
    ASSERT_TRUE(RegisterModuleResources(kModule, entries, std::size(entries)));
  }
  void TearDown() override {
    UnregisterModuleResources(kModule);
    GuiTest::TearDown();
  }
};

class PageFrame : public CFrameWnd {
 public:
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    commands.push_back(LOWORD(wparam));
    return TRUE;
  }
  int OnCreate(CREATESTRUCT* create) override {
    if (CFrameWnd::OnCreate(create) == -1) return -1;
    if (!toolbar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) ||
        !toolbar.LoadToolBar(GetResourceInstance(), 201)) {
      return -1;
    }
    static const UINT kIndicators[] = {ID_SEPARATOR, 2002, 2001};
    if (!status.Create(this) || !status.SetIndicators(kIndicators, 3, GetResourceInstance())) return -1;
    return client.CreateEx(WS_EX_CLIENTEDGE, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this,
                           AFX_IDW_PANE_FIRST)
               ? 0
               : -1;
  }
  CToolBar toolbar;
  CStatusBar status;
  CWnd client;
  std::vector<int> commands;
};

CRect ChildRect(HWND child, HWND frame) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rect), 2);
  return CRect(rect);
}

TEST_F(FrameTest, LaysOutItsBarsAroundTheClientWindowAndRoutesCommands) {
  PageFrame frame;
  ASSERT_TRUE(frame.Create(nullptr, "Pages", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(20, 20, 420, 320), nullptr,
                           MAKEINTRESOURCE(203), 0, kModule));
  HMENU menu = GetMenu(frame);
  ASSERT_NE(menu, nullptr);
  char text[32] = {};
  GetMenuString(GetSubMenu(menu, 0), kTake, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "Take");

  for (const SIZE size : {SIZE{400, 300}, SIZE{520, 260}}) {
    SCOPED_TRACE(size.cx);
    frame.SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    CRect client;
    frame.GetClientRect(&client);
    const CRect bar = ChildRect(frame.toolbar, frame);
    const CRect status = ChildRect(frame.status, frame);
    const CRect pane = ChildRect(frame.client, frame);
    EXPECT_EQ(bar, CRect(0, 0, client.right, 22 + 4));
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(status.right, client.right);
    EXPECT_GT(status.Height(), 10);
    EXPECT_EQ(pane, CRect(0, bar.bottom, client.right, status.top));
    EXPECT_EQ(frame.GetPaneRect(), pane);
    // The stretching first pane takes what the two fixed panes leave.
    frame.status.SetPaneInfo(1, 2002, SBPS_NOBORDERS, 80);
    frame.status.SetPaneInfo(2, 2001, SBPS_NORMAL, 40);
    RECT second{};
    RECT third{};
    frame.status.GetItemRect(1, &second);
    frame.status.GetItemRect(2, &third);
    EXPECT_EQ(second.right - second.left, 80 + 2 * CStatusBar::kPaneInset);
    EXPECT_EQ(third.right, client.right);
    EXPECT_EQ(third.right - third.left, 40 + 2 * CStatusBar::kPaneInset);
  }
  EXPECT_TRUE(frame.status.SetPaneText(2, " 5 "));
  EXPECT_EQ(frame.status.GetPaneText(2), " 5 ");
  EXPECT_FALSE(frame.status.SetPaneText(3, "x"));
  EXPECT_EQ(frame.status.CommandToIndex(2001), 2);

  // The toolbar's buttons from the resource, and their clicks.
  EXPECT_EQ(frame.toolbar.GetCount(), 3);
  EXPECT_EQ(frame.toolbar.GetItemID(0), kTake);
  EXPECT_EQ(frame.toolbar.GetItemID(1), ID_SEPARATOR);
  EXPECT_EQ(frame.toolbar.CommandToIndex(kExit), 2);
  RECT take{};
  RECT exit{};
  frame.toolbar.GetItemRect(0, &take);
  frame.toolbar.GetItemRect(2, &exit);
  UpdateWindow(frame);
  test::Pump();
  const test::Image shot = test::Snapshot(frame.toolbar);
  EXPECT_EQ(shot.At(take.left + 8, take.top + 8), 0x00FF00u);
  EXPECT_EQ(shot.At(exit.left + 8, exit.top + 8), 0xFF0000u);
  const POINT on_take{(take.left + take.right) / 2, (take.top + take.bottom) / 2};
  const POINT on_exit{(exit.left + exit.right) / 2, (exit.top + exit.bottom) / 2};
  test::Click(frame.toolbar, on_exit);
  EXPECT_EQ(frame.commands, std::vector<int>{static_cast<int>(kExit)});

  // Fly-by: the prompt of the button under the pointer, the idle text after.
  frame.SetIdleMessage("idle");
  test::MoveMouse(frame.toolbar, on_take);
  EXPECT_EQ(frame.status.GetPaneText(0), "Take the page");
  test::MoveMouse(frame.toolbar, on_exit);
  EXPECT_EQ(frame.status.GetPaneText(0), "Close the list");  // no "\n": the whole string
  HWND tip = reinterpret_cast<HWND>(frame.toolbar.SendMessage(TB_GETTOOLTIPS));
  ASSERT_NE(tip, nullptr);
  test::MoveMouse(frame.toolbar, on_take);
  test::AdvanceTime(600);
  ASSERT_TRUE(IsWindowVisible(tip));
  GetWindowText(tip, text, sizeof(text));
  EXPECT_STREQ(text, "Take");
  test::MoveMouse(frame.client, POINT{20, 20});
  EXPECT_EQ(frame.status.GetPaneText(0), "idle");
  EXPECT_FALSE(IsWindowVisible(tip));
  // The menu's commands reach the same handler.
  frame.SendMessage(WM_COMMAND, kTake, 0);
  EXPECT_EQ(frame.commands.back(), static_cast<int>(kTake));

  // A progress control in a pane.
  RECT pane_rect{};
  frame.status.GetItemRect(1, &pane_rect);
  CProgressCtrl progress;
  ASSERT_TRUE(progress.Create(WS_CHILD | WS_VISIBLE, pane_rect, &frame.status, 1));
  progress.SetRange32(0, 5);
  progress.SetStep(1);
  EXPECT_EQ(progress.StepIt(), 0);
  EXPECT_EQ(progress.OffsetPos(10), 1);
  EXPECT_EQ(progress.GetPos(), 5);
  int low = -1;
  int high = -1;
  progress.GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 5);
  progress.DestroyWindow();
  frame.DestroyWindow();
}

TEST_F(FrameTest, MissingResourcesFailWithoutLeavingAnything) {
  CFrameWnd frame;
  EXPECT_FALSE(frame.Create(nullptr, "x", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, MAKEINTRESOURCE(999), 0,
                            kModule));
  EXPECT_EQ(frame.GetSafeHwnd(), nullptr);
  ASSERT_TRUE(frame.Create(nullptr, "x", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, nullptr, 0, kModule));
  CToolBar toolbar;
  ASSERT_TRUE(toolbar.Create(&frame));
  EXPECT_FALSE(toolbar.LoadToolBar(kModule, 999));
  EXPECT_EQ(toolbar.GetCount(), 0);
  frame.DestroyWindow();
}

}  // namespace
}  // namespace plat
