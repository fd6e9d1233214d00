// Pop-up menus run in their own modal loop: chosen by the mouse, by keys or
// by the harness's responder, dismissed by default.
#include <gtest/gtest.h>

#include "plat/menu.h"
#include "plat/testing.h"
#include "plat/user.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using MenuTest = WindowTest;

HMENU ThreeItems() {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 101, "&Open");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenu(menu, MF_STRING | MF_GRAYED, 102, "&Save");
  AppendMenu(menu, MF_STRING, 103, "E&xit");
  return menu;
}

HWND MenuWindow() { return FindWindow(kMenuWindowClass, nullptr); }

TEST_F(MenuTest, TrackPopupMenuChoosesOrDismisses) {
  const HWND owner = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  HMENU menu = ThreeItems();
  struct Case {
    const char* name;
    std::vector<IdleStep> steps;
    ModalResponder responder;
    UINT_PTR expected;
    JournalEntry journal;
  };
  const Case cases[] = {
      {"click the last item", {[] { Click(MenuWindow(), POINT{10, 19 + 9 + 19 + 5}); }}, nullptr, 103, {}},
      {"click a greyed item, then outside", {[] { Click(MenuWindow(), POINT{10, 19 + 9 + 5}); }, [] { Click(MenuWindow(), POINT{-20, -20}); }}, nullptr, 0, {}},
      // A greyed item is passed over by the keys but cannot be chosen.
      {"keys", {[] { Key(VK_DOWN); }, [] { Key(VK_DOWN); }, [] { Key(VK_RETURN); }, [] { Key(VK_DOWN); }, [] { Key(VK_RETURN); }}, nullptr, 103, {}},
      {"responder", {}, [](ModalContext& context) { context.ChooseMenu(101); }, 101, {"menu", "chose 101"}},
      {"no responder", {}, nullptr, 0, {"menu", "dismissed"}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    ClearJournal();
    SetIdleScript(test_case.steps);
    SetModalResponder(test_case.responder);
    const UINT_PTR chosen = static_cast<UINT_PTR>(TrackPopupMenu(menu, TPM_RETURNCMD, 20, 20, 0, owner, nullptr));
    EXPECT_EQ(chosen, test_case.expected);
    EXPECT_EQ(MenuWindow(), nullptr);
    const auto journal = GetJournal();
    if (test_case.journal.kind.empty()) {
      EXPECT_TRUE(journal.empty());
    } else {
      EXPECT_EQ(journal, std::vector<JournalEntry>{test_case.journal});
    }
  }
  // Without TPM_RETURNCMD the choice arrives as WM_COMMAND.
  SetModalResponder([](ModalContext& context) { context.ChooseMenu(103); });
  Recorder::Log().clear();
  EXPECT_TRUE(TrackPopupMenu(menu, 0, 20, 20, 0, owner, nullptr));
  Pump();
  const auto commands = Recorder::Only({WM_COMMAND});
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wparam, 103u);
  EXPECT_FALSE(Recorder::Only({WM_INITMENUPOPUP}).empty());
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(menu));
  DestroyWindow(owner);
}

TEST_F(MenuTest, ItemStateAndMenuBars) {
  HMENU bar = CreateMenu();
  HMENU file = ThreeItems();
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  EXPECT_EQ(EnableMenuItem(bar, 102, MF_ENABLED), MF_GRAYED);  // found through the sub-menu
  EXPECT_EQ(CheckMenuItem(bar, 101, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(file, 101, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuItemID(file, 2), 102u);
  EXPECT_EQ(GetSubMenu(bar, 0), file);
  EXPECT_EQ(EnableMenuItem(bar, 999, MF_GRAYED), static_cast<UINT>(-1));
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  RECT before{};
  GetClientRect(hwnd, &before);
  ASSERT_TRUE(SetMenu(hwnd, bar));
  RECT after{};
  GetClientRect(hwnd, &after);
  EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(GetMenu(hwnd), bar);
  HMENU system = GetSystemMenu(hwnd, FALSE);
  EXPECT_EQ(GetMenuItemID(system, GetMenuItemCount(system) - 1), static_cast<UINT>(SC_CLOSE));
  DestroyWindow(hwnd);
  // The menu bar and the system menu went with the window.
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(file));
  EXPECT_FALSE(IsMenu(system));
}

}  // namespace
}  // namespace plat::test
