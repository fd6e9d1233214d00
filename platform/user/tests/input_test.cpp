// Input routing: mouse activation, capture, double clicks, leave and hover,
// key state as of the message; timers and the caret.
#include <gtest/gtest.h>

#include "plat/gdi.h"
#include "plat/testing.h"
#include "plat/user.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using InputTest = WindowTest;

TEST_F(InputTest, PressOnAnInactiveWindowActivatesBeforeTheButton) {
  struct Case {
    const char* name;
    LRESULT answer;
    bool activates;
    bool delivers;
  };
  const Case cases[] = {
      {"activate", MA_ACTIVATE, true, true},
      {"activate and eat", MA_ACTIVATEANDEAT, true, false},
      {"no activate", MA_NOACTIVATE, false, true},
      {"no activate and eat", MA_NOACTIVATEANDEAT, false, false},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    const HWND other = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{400, 0, 600, 200});
    const HWND target = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
    SetActiveWindow(other);
    MoveMouse(target, POINT{50, 50});
    Recorder::Log().clear();
    Recorder::Handlers()[target] = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message != WM_MOUSEACTIVATE) return false;
      *result = test_case.answer;
      return true;
    };
    backend::InputEvent press;
    press.kind = backend::EventKind::kMouseDown;
    press.screen = POINT{50, 50};
    ClientToScreen(target, &press.screen);
    Inject(press);
    Pump();
    EXPECT_EQ(GetActiveWindow() == target, test_case.activates);
    std::vector<UINT> order;
    for (const Seen& seen : Recorder::Only({WM_MOUSEACTIVATE, WM_ACTIVATE, WM_SETCURSOR, WM_LBUTTONDOWN})) {
      if (seen.hwnd == target) order.push_back(seen.message);
    }
    std::vector<UINT> expected = {WM_MOUSEACTIVATE};
    if (test_case.activates) expected.push_back(WM_ACTIVATE);
    if (test_case.delivers) expected.insert(expected.end(), {WM_SETCURSOR, WM_LBUTTONDOWN});
    EXPECT_EQ(order, expected);
    MouseUp(target, POINT{50, 50});
    DestroyWindow(target);
    DestroyWindow(other);
  }
}

TEST_F(InputTest, CaptureKeepsTheDragWithItsWindow) {
  const HWND parent = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 200});
  const HWND child = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 60, 60}, parent);
  Recorder::Handlers()[child] = [](HWND self, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_LBUTTONDOWN) SetCapture(self);
    if (message == WM_LBUTTONUP) ReleaseCapture();
    return false;
  };
  Drag(child, POINT{5, 5}, POINT{200, 100});
  const auto moves = Recorder::Only({WM_MOUSEMOVE, WM_LBUTTONUP});
  ASSERT_FALSE(moves.empty());
  for (const Seen& seen : moves) EXPECT_EQ(seen.hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(moves.back().lparam), 200);
  EXPECT_EQ(GET_Y_LPARAM(moves.back().lparam), 100);
  EXPECT_EQ(GetCapture(), nullptr);
  // Without capture the same drag ends on the parent.
  Recorder::Handlers().erase(child);
  Recorder::Log().clear();
  Drag(child, POINT{5, 5}, POINT{200, 100});
  EXPECT_EQ(Recorder::Only({WM_LBUTTONUP}).back().hwnd, parent);
  DestroyWindow(parent);
}

TEST_F(InputTest, DoubleClickNeedsTimeAndPlace) {
  struct Case {
    uint64_t gap_ms;
    POINT second;
    bool is_double;
  };
  const Case cases[] = {
      {499, {20, 20}, true}, {500, {20, 20}, true}, {501, {20, 20}, false}, {100, {22, 18}, true}, {100, {23, 20}, false},
  };
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 200});
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.gap_ms);
    AdvanceTime(1000);
    Recorder::Log().clear();
    Click(hwnd, POINT{20, 20});
    GuiClock().Advance(test_case.gap_ms);
    Click(hwnd, test_case.second);
    const auto presses = Recorder::Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[1].message, test_case.is_double ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN);
  }
  DestroyWindow(hwnd);
}

TEST_F(InputTest, LeaveGoesToTheWindowThePointerLeftAndHoverWaits) {
  const HWND parent = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 200});
  const HWND first = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 100}, parent);
  const HWND second = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{100, 0, 200, 100}, parent);
  MoveMouse(first, POINT{50, 50});
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE | TME_HOVER;
  track.hwndTrack = first;
  ASSERT_TRUE(TrackMouseEvent(&track));
  AdvanceTime(399);
  EXPECT_TRUE(Recorder::Only({WM_MOUSEHOVER}).empty());
  AdvanceTime(1);
  const auto hovers = Recorder::Only({WM_MOUSEHOVER});
  ASSERT_EQ(hovers.size(), 1u);
  EXPECT_EQ(hovers[0].hwnd, first);
  MoveMouse(second, POINT{10, 10});
  const auto leaves = Recorder::Only({WM_MOUSELEAVE});
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves[0].hwnd, first);
  DestroyWindow(parent);
}

TEST_F(InputTest, KeyStateIsThatOfTheMessageBeingHandled) {
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 200});
  std::vector<bool> shifted;
  Recorder::Handlers()[hwnd] = [&](HWND, UINT message, WPARAM wparam, LPARAM, LRESULT*) {
    if (message == WM_LBUTTONDOWN) {
      shifted.push_back(GetKeyState(VK_SHIFT) < 0);
      EXPECT_EQ((wparam & MK_SHIFT) != 0, shifted.back());
    }
    return false;
  };
  KeyDown(VK_SHIFT);
  Click(hwnd, POINT{10, 10});
  KeyUp(VK_SHIFT);
  AdvanceTime(1000);
  Click(hwnd, POINT{10, 10});
  EXPECT_EQ(shifted, (std::vector<bool>{true, false}));
  DestroyWindow(hwnd);
}

TEST_F(InputTest, TimersComeEarliestFirstAndNeverTwicePending) {
  const HWND hwnd = Recorder::Create(WS_POPUP, RECT{0, 0, 50, 50});
  SetTimer(hwnd, 1, 20, nullptr);
  SetTimer(hwnd, 2, 10, nullptr);
  SetTimer(hwnd, 3, 5, nullptr);  // runs at the 10 ms floor
  KillTimer(hwnd, 3);
  GuiClock().Advance(45);  // timer 2 was due four times, timer 1 twice
  Pump();
  std::vector<WPARAM> ids;
  for (const Seen& seen : Recorder::Only({WM_TIMER})) ids.push_back(seen.wparam);
  EXPECT_EQ(ids, (std::vector<WPARAM>{2, 1}));
  KillTimer(hwnd, 1);
  KillTimer(hwnd, 2);
  AdvanceTime(100);
  EXPECT_EQ(Recorder::Only({WM_TIMER}).size(), 2u);
  DestroyWindow(hwnd);
}

int g_thread_timer_calls = 0;
void CALLBACK CountThreadTimer(HWND, UINT, UINT_PTR, DWORD) { ++g_thread_timer_calls; }

TEST_F(InputTest, ThreadTimersRunTheirCallbackAndForgedOnesNothing) {
  g_thread_timer_calls = 0;
  const UINT_PTR id = SetTimer(nullptr, 0, 10, CountThreadTimer);
  ASSERT_NE(id, 0u);
  AdvanceTime(35);
  EXPECT_EQ(g_thread_timer_calls, 3);
  // A WM_TIMER naming a callback no timer has calls nothing.
  const HWND hwnd = Recorder::Create(WS_POPUP, RECT{0, 0, 50, 50});
  PostMessage(hwnd, WM_TIMER, 77, reinterpret_cast<LPARAM>(&CountThreadTimer));
  Pump();
  KillTimer(nullptr, id);
  AdvanceTime(50);
  EXPECT_EQ(g_thread_timer_calls, 3);
  DestroyWindow(hwnd);
}

TEST_F(InputTest, CaretShowsOnlyWhenEveryHideIsUndone) {
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  Pump();
  const auto caret_pixel = [hwnd] { return Snapshot(hwnd).At(11, 11); };
  const uint32_t background = caret_pixel();
  ASSERT_TRUE(CreateCaret(hwnd, nullptr, 2, 12));
  SetCaretPos(10, 10);
  EXPECT_EQ(caret_pixel(), background);  // a new caret is hidden
  HideCaret(hwnd);
  ShowCaret(hwnd);
  EXPECT_EQ(caret_pixel(), background);
  ShowCaret(hwnd);
  EXPECT_EQ(caret_pixel(), background ^ 0xFFFFFFu);  // drawn by inverting
  EXPECT_FALSE(ShowCaret(hwnd));  // the count does not go below zero
  AdvanceTime(530);
  EXPECT_EQ(caret_pixel(), background);  // blinked off
  AdvanceTime(530);
  EXPECT_EQ(caret_pixel(), background ^ 0xFFFFFFu);
  DestroyCaret();
  EXPECT_EQ(caret_pixel(), background);
  DestroyWindow(hwnd);
}

TEST_F(InputTest, CaretTakesABitmapShapeAndTheBlinkTime) {
  const HWND hwnd = Recorder::Create(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  Pump();
  const uint32_t background = Snapshot(hwnd).At(30, 30);
  // A 3 x 4 shape: white in its left column only.
  HDC screen = GetDC(nullptr);
  HBITMAP shape = CreateCompatibleBitmap(screen, 3, 4);
  ReleaseDC(nullptr, screen);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP old = SelectObject(dc, shape);
  PatBlt(dc, 0, 0, 3, 4, BLACKNESS);
  PatBlt(dc, 0, 0, 1, 4, WHITENESS);
  SelectObject(dc, old);
  DeleteDC(dc);
  ASSERT_TRUE(CreateCaret(hwnd, shape, 20, 20));  // the bitmap's size wins
  SetCaretPos(30, 30);
  ShowCaret(hwnd);
  const Image shot = Snapshot(hwnd);
  EXPECT_EQ(shot.At(30, 33), background ^ 0xFFFFFFu);
  EXPECT_EQ(shot.At(31, 30), background);
  EXPECT_EQ(shot.At(30, 34), background);

  EXPECT_FALSE(SetCaretBlinkTime(0));
  ASSERT_TRUE(SetCaretBlinkTime(200));
  EXPECT_EQ(GetCaretBlinkTime(), 200u);
  AdvanceTime(199);
  EXPECT_EQ(Snapshot(hwnd).At(30, 30), background ^ 0xFFFFFFu);
  AdvanceTime(1);
  EXPECT_EQ(Snapshot(hwnd).At(30, 30), background);  // blinked off
  SetCaretBlinkTime(kCaretBlinkNever);
  AdvanceTime(5000);
  EXPECT_EQ(Snapshot(hwnd).At(30, 30), background);
  SetCaretBlinkTime(530);
  DestroyCaret();
  DeleteObject(shape);
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace plat::test
