// Subclass chains and the dispatch frame: hooks removed in any order (also
// from inside a hook) never skip or repeat a message, and a window destroyed
// inside its own handler stays safe to return through.
#include <gtest/gtest.h>

#include <string>

#include "plat/testing.h"
#include "plat/user.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using SubclassTest = WindowTest;

constexpr UINT kProbe = WM_USER + 7;

std::string& Trail() {
  static std::string trail;
  return trail;
}

// Hook ids 'A', 'B', 'C'; ref_data: the hook id that this hook removes when
// it sees kProbe with wparam 1 (0: none).
LRESULT Hook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR removes) {
  if (message == kProbe) {
    Trail() += static_cast<char>(id);
    if (wparam == 1 && removes != 0) RemoveWindowSubclass(hwnd, &Hook, removes);
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT Base(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kProbe) Trail() += '*';
  return DefWindowProc(hwnd, message, wparam, lparam);
}

TEST_F(SubclassTest, RemovalInAnyOrderPassesEveryMessageOnce) {
  struct Case {
    const char* name;
    std::string removal_order;  // removed from outside, one between two probes
    char self_removing;         // this hook removes itself while handling the first probe
    std::vector<std::string> trails;  // the probe's way after each step
  };
  const Case cases[] = {
      {"B,A,C", "BAC", 0, {"CBA*", "CA*", "C*", "*"}},
      {"A,C,B", "ACB", 0, {"CBA*", "CB*", "B*", "*"}},
      {"B removes itself", "", 'B', {"CBA*", "CA*"}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 50, 50});
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Base));
    for (char id : std::string("ABC")) {
      const DWORD_PTR removes = id == test_case.self_removing ? static_cast<DWORD_PTR>(id) : 0;
      ASSERT_TRUE(SetWindowSubclass(hwnd, &Hook, static_cast<UINT_PTR>(id), removes));
    }
    std::vector<std::string> trails;
    Trail().clear();
    SendMessage(hwnd, kProbe, test_case.self_removing != 0 ? 1 : 0, 0);
    trails.push_back(Trail());
    for (char id : test_case.removal_order) {
      EXPECT_TRUE(RemoveWindowSubclass(hwnd, &Hook, static_cast<UINT_PTR>(id)));
      Trail().clear();
      SendMessage(hwnd, kProbe, 0, 0);
      trails.push_back(Trail());
    }
    if (test_case.self_removing != 0) {
      Trail().clear();
      SendMessage(hwnd, kProbe, 0, 0);
      trails.push_back(Trail());
      EXPECT_FALSE(GetWindowSubclass(hwnd, &Hook, static_cast<UINT_PTR>(test_case.self_removing), nullptr));
    }
    EXPECT_EQ(trails, test_case.trails);
    DestroyWindow(hwnd);
  }
}

// A hook that removes the hook below it while handling a message: the
// message goes on past the removed one to the base.
TEST_F(SubclassTest, RemovingTheNextHookFromInsideSkipsItForThatMessage) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 50, 50});
  SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Base));
  SetWindowSubclass(hwnd, &Hook, 'A', 0);
  SetWindowSubclass(hwnd, &Hook, 'B', 'A');
  Trail().clear();
  SendMessage(hwnd, kProbe, 1, 0);
  EXPECT_EQ(Trail(), "B*");
  DestroyWindow(hwnd);
}

LRESULT CountingHook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR count) {
  if (message == WM_NCDESTROY) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEST_F(SubclassTest, HooksSeeNcDestroyAndTheChainGoesWithTheWindow) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 50, 50});
  int seen = 0;
  SetWindowSubclass(hwnd, &CountingHook, 1, reinterpret_cast<DWORD_PTR>(&seen));
  SetWindowSubclass(hwnd, &CountingHook, 2, reinterpret_cast<DWORD_PTR>(&seen));
  DestroyWindow(hwnd);
  EXPECT_EQ(seen, 2);
  EXPECT_FALSE(Recorder::Only({WM_NCDESTROY}).empty());  // the base saw it after both hooks
  EXPECT_FALSE(GetWindowSubclass(hwnd, &CountingHook, 1, nullptr));
}

TEST_F(SubclassTest, WindowProcedureReplacedUnderTheChain) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 50, 50});
  SetWindowSubclass(hwnd, &Hook, 'A', 0);
  const auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Base)));
  EXPECT_NE(previous, nullptr);
  Trail().clear();
  SendMessage(hwnd, kProbe, 0, 0);
  EXPECT_EQ(Trail(), "A*");
  DestroyWindow(hwnd);
}

TEST_F(SubclassTest, WindowDestroyedInsideItsOwnButtonHandler) {
  const HWND parent = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 200, 150});
  const HWND hwnd = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 60}, parent);
  SetWindowSubclass(hwnd, &Hook, 'A', 0);
  bool was_window_after = true;
  Recorder::Handlers()[hwnd] = [&](HWND self, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_LBUTTONDOWN) return false;
    DestroyWindow(self);
    was_window_after = IsWindow(self) != FALSE;
    // Still inside the handler: the dead window answers nothing and crashes nothing.
    EXPECT_EQ(SendMessage(self, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessage(self, WM_USER, 0, 0));
    EXPECT_EQ(DefWindowProc(self, WM_GETTEXTLENGTH, 0, 0), 0);
    return true;
  };
  Click(hwnd, POINT{5, 5});
  EXPECT_FALSE(was_window_after);
  EXPECT_FALSE(IsWindow(hwnd));
  const auto order = Recorder::Only({WM_DESTROY, WM_NCDESTROY});
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0].hwnd, hwnd);
  EXPECT_EQ(order[1].message, static_cast<UINT>(WM_NCDESTROY));
  DestroyWindow(parent);
}

TEST_F(SubclassTest, DestroyOrderParentsFirstThenChildrenFirst) {
  const HWND parent = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 200, 150});
  const HWND child = Recorder::Create(WS_CHILD, RECT{0, 0, 50, 50}, parent);
  const HWND grandchild = Recorder::Create(WS_CHILD, RECT{0, 0, 20, 20}, child);
  Recorder::Log().clear();
  DestroyWindow(parent);
  std::vector<std::pair<HWND, UINT>> order;
  for (const Seen& seen : Recorder::Only({WM_DESTROY, WM_NCDESTROY})) order.emplace_back(seen.hwnd, seen.message);
  const std::vector<std::pair<HWND, UINT>> expected = {{parent, WM_DESTROY},       {child, WM_DESTROY},
                                                       {grandchild, WM_DESTROY},   {grandchild, WM_NCDESTROY},
                                                       {child, WM_NCDESTROY},      {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(grandchild));
}

}  // namespace
}  // namespace plat::test
