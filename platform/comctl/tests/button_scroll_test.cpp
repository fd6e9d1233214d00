// BUTTON states under clicks, the space bar and BM_CLICK; the SCROLLBAR
// control through SB_CTL and the mouse.
#include <gtest/gtest.h>

#include <vector>

#include "control_host.h"
#include "plat/controls.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

using ButtonScrollTest = GuiTest;

TEST_F(ButtonScrollTest, ClicksChangeTheAutomaticFormsOnly) {
  struct Case {
    DWORD type;
    std::vector<WPARAM> checks;  // after each of three clicks
  };
  const Case cases[] = {
      {BS_PUSHBUTTON, {0, 0, 0}},
      {BS_CHECKBOX, {0, 0, 0}},
      {BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
      {BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
      {BS_AUTORADIOBUTTON, {BST_CHECKED, BST_CHECKED, BST_CHECKED}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.type);
    ControlHost host;
    HWND button = host.Add(kButtonClass, "Press", test_case.type, 300, RECT{10, 10, 110, 40});
    std::vector<WPARAM> checks;
    Click(button, POINT{20, 10});                      // the mouse
    checks.push_back(static_cast<WPARAM>(SendMessage(button, BM_GETCHECK, 0, 0)));
    SetFocus(button);
    Key(VK_SPACE);                                     // the space bar
    checks.push_back(static_cast<WPARAM>(SendMessage(button, BM_GETCHECK, 0, 0)));
    SendMessage(button, BM_CLICK, 0, 0);               // the program
    checks.push_back(static_cast<WPARAM>(SendMessage(button, BM_GETCHECK, 0, 0)));
    EXPECT_EQ(checks, test_case.checks);
    EXPECT_EQ(CodesFrom(host.notices, 300), (std::vector<WORD>(3, BN_CLICKED)));
  }
}

TEST_F(ButtonScrollTest, ARadioClickClearsItsGroupOnly) {
  ControlHost host;
  HWND a = host.Add(kButtonClass, "a", BS_AUTORADIOBUTTON | WS_GROUP, 1, RECT{0, 0, 50, 20});
  HWND b = host.Add(kButtonClass, "b", BS_AUTORADIOBUTTON, 2, RECT{0, 20, 50, 40});
  HWND c = host.Add(kButtonClass, "c", BS_AUTORADIOBUTTON | WS_GROUP, 3, RECT{0, 40, 50, 60});
  SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(c, BM_SETCHECK, BST_CHECKED, 0);
  Click(b, POINT{5, 5});
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  // A press released outside is no click.
  MouseDown(a, POINT{5, 5});
  MouseUp(a, POINT{300, 300});
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(ButtonScrollTest, AnIconStaticDrawsItsIconAtItsOwnSize) {
  ControlHost host;
  HWND label = host.Add(kStaticClass, "", SS_ICON, 7, {10, 10, 40, 40});
  // 4x4, opaque everywhere, white image bits.
  constexpr BYTE kAnd[] = {0, 0, 0, 0, 0, 0, 0, 0};
  constexpr BYTE kXor[] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
  HICON icon = CreateIcon(nullptr, 4, 4, 1, 1, kAnd, kXor);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(SendMessage(label, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0), 0);
  UpdateWindow(host.hwnd());
  Pump();
  const Image shot = Snapshot(label);
  EXPECT_EQ(shot.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(shot.At(3, 3), 0xFFFFFFu);
  EXPECT_NE(shot.At(4, 4), 0xFFFFFFu);
  DestroyWindow(label);
  DestroyIcon(icon);
}

TEST_F(ButtonScrollTest, ScrollBarControlKeepsItsRangeAndReportsToItsParent) {
  ControlHost host;
  HWND bar = host.Add(kScrollBarClass, "", SBS_VERT, 400, RECT{10, 10, 26, 210});
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  info.nPos = 95;
  EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 90);  // clamped to max - page + 1
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 90);
  SetScrollPos(bar, SB_CTL, 0, TRUE);
  Click(bar, POINT{8, 4});     // the up arrow
  Click(bar, POINT{8, 195});   // the down arrow
  Click(bar, POINT{8, 150});   // the track below the thumb
  EXPECT_EQ(host.scroll_codes, (std::vector<WORD>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN,
                                                  SB_ENDSCROLL}));
  host.scroll_codes.clear();
  Drag(bar, POINT{8, 20}, POINT{8, 120});  // the thumb, at the top
  ASSERT_GE(host.scroll_codes.size(), 3u);
  EXPECT_EQ(host.scroll_codes.front(), SB_THUMBTRACK);
  EXPECT_EQ(host.scroll_codes[host.scroll_codes.size() - 2], SB_THUMBPOSITION);
  EXPECT_EQ(host.scroll_codes.back(), SB_ENDSCROLL);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);  // the parent moves it, not the bar
}

}  // namespace
}  // namespace plat::test
