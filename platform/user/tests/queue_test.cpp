// The queue: retrieval order, dead windows, WM_QUIT through nested loops,
// wake-ups from worker threads and the restricted loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "plat/last_error.h"
#include "plat/testing.h"
#include "plat/user.h"
#include "user/tests/recorder.h"

namespace plat::test {
namespace {

using QueueTest = WindowTest;

constexpr UINT kPosted = WM_USER + 1;

enum class Source { kPosted, kInput, kQuit, kPaint, kTimer };

TEST_F(QueueTest, RetrievalOrderDoesNotDependOnArrival) {
  const std::vector<std::vector<Source>> arrivals = {
      {Source::kPosted, Source::kInput, Source::kQuit, Source::kPaint, Source::kTimer},
      {Source::kTimer, Source::kPaint, Source::kQuit, Source::kInput, Source::kPosted},
      {Source::kPaint, Source::kTimer, Source::kPosted, Source::kQuit, Source::kInput},
      {Source::kQuit, Source::kPosted, Source::kTimer, Source::kInput, Source::kPaint},
  };
  for (const auto& arrival : arrivals) {
    SCOPED_TRACE(static_cast<int>(arrival.front()));
    const HWND parent = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{10, 10, 210, 160});
    const HWND child = Recorder::Create(WS_CHILD | WS_VISIBLE, RECT{5, 5, 55, 55}, parent);
    SetFocus(parent);
    Pump();
    for (Source source : arrival) {
      switch (source) {
        case Source::kPosted: PostMessage(parent, kPosted, 0, 0); break;
        case Source::kInput: {
          backend::InputEvent key;
          key.kind = backend::EventKind::kKeyDown;
          key.virtual_key = 'A';
          Inject(key);
          break;
        }
        case Source::kQuit: PostQuitMessage(3); break;
        case Source::kPaint:
          // The child is invalidated first; its parent still paints first.
          InvalidateRect(child, nullptr, TRUE);
          InvalidateRect(parent, nullptr, TRUE);
          break;
        case Source::kTimer:
          SetTimer(parent, 1, 10, nullptr);
          GuiClock().Advance(10);
          break;
      }
    }
    std::vector<std::pair<HWND, UINT>> order;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      order.emplace_back(msg.hwnd, msg.message);
      if (msg.message == WM_TIMER) KillTimer(parent, 1);
      DispatchMessage(&msg);
    }
    const std::vector<std::pair<HWND, UINT>> expected = {{parent, kPosted},   {parent, WM_KEYDOWN}, {nullptr, WM_QUIT},
                                                         {parent, WM_PAINT},  {child, WM_PAINT},    {parent, WM_TIMER}};
    EXPECT_EQ(order, expected);
    KeyUp('A');
    DestroyWindow(parent);
  }
}

TEST_F(QueueTest, MessagesForDeadWindowsAreDropped) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 100, 100});
  PostMessage(hwnd, kPosted, 1, 0);
  DestroyWindow(hwnd);
  EXPECT_FALSE(PostMessage(hwnd, kPosted, 2, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessage(hwnd, kPosted, 3, 0), 0);
  Recorder::Log().clear();
  Pump();
  EXPECT_TRUE(Recorder::Only({kPosted}).empty());
}

TEST_F(QueueTest, QuitInsideModalLoopEndsItAndReachesTheOuterLoop) {
  const HWND owner = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  const HWND modal = Recorder::Create(WS_POPUP | WS_CAPTION | WS_VISIBLE, RECT{50, 50, 150, 120}, owner);
  SetIdleScript({[] { PostQuitMessage(7); }});
  EXPECT_FALSE(RunModalLoop(modal, owner, [] { return false; }));
  EXPECT_TRUE(IsWindowEnabled(owner));
  MSG msg;
  EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 7u);

  // A modal window destroyed from outside its loop ends the loop too.
  SetIdleScript({[modal] { DestroyWindow(modal); }});
  EXPECT_FALSE(RunModalLoop(modal, owner, [] { return false; }));
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(GetJournal().empty());
  DestroyWindow(owner);
}

TEST_F(QueueTest, DefaultModalResponsePressesTheDefaultButtonAndIsJournalled) {
  const HWND modal = Recorder::Create(WS_POPUP | WS_CAPTION | WS_VISIBLE, RECT{50, 50, 150, 120});
  SetWindowText(modal, "Ask");
  int pressed = 0;
  Recorder::Handlers()[modal] = [&](HWND, UINT message, WPARAM wparam, LPARAM, LRESULT*) {
    if (message == WM_COMMAND) pressed = LOWORD(wparam);
    return false;
  };
  EXPECT_TRUE(RunModalLoop(modal, nullptr, [&] { return pressed != 0; }));
  EXPECT_EQ(pressed, IDOK);
  EXPECT_EQ(GetJournal(), (std::vector<JournalEntry>{{"modal", "Ask: pressed 1"}}));
  DestroyWindow(modal);
}

TEST_F(QueueTest, WorkerPostWakesBlockedLoops) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 100, 100});
  const auto post_later = [hwnd](UINT message) {
    return std::thread([hwnd, message] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      PostMessage(hwnd, message, 0, 0);
    });
  };
  std::thread first = post_later(kPosted);
  MSG msg;
  ASSERT_EQ(GetMessage(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, kPosted);
  first.join();

  bool is_done = false;
  Recorder::Handlers()[hwnd] = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == kPosted + 1) is_done = true;
    return false;
  };
  std::thread second = post_later(kPosted + 1);
  EXPECT_TRUE(RunRestrictedLoop([&] { return is_done; }));
  second.join();
  DestroyWindow(hwnd);
}

TEST_F(QueueTest, SendFromAnotherThreadFailsWithoutCallingTheWindow) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPED, RECT{0, 0, 100, 100});
  LRESULT result = -1;
  DWORD error = 0;
  std::thread worker([&] {
    result = SendMessage(hwnd, kPosted, 0, 0);
    error = GetLastError();
  });
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  EXPECT_TRUE(Recorder::Only({kPosted}).empty());
  DestroyWindow(hwnd);
}

TEST_F(QueueTest, RestrictedLoopPaintsButDropsInput) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 200, 150});
  Pump();
  Recorder::Log().clear();
  InvalidateRect(hwnd, nullptr, TRUE);
  std::atomic<bool> is_done{false};
  std::thread worker([&] {
    backend::InputEvent press;
    press.kind = backend::EventKind::kMouseDown;
    press.window = hwnd;
    press.screen = POINT{100, 100};
    PostInputEvent(press);
    press.kind = backend::EventKind::kMouseUp;
    PostInputEvent(press);
    backend::InputEvent key;
    key.kind = backend::EventKind::kKeyDown;
    key.virtual_key = VK_RETURN;
    PostInputEvent(key);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    is_done = true;
    PostMessage(hwnd, kPosted, 0, 0);
  });
  EXPECT_TRUE(RunRestrictedLoop([&] { return is_done.load(); }));
  worker.join();
  Pump();
  EXPECT_TRUE(Recorder::Only({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_MOUSEACTIVATE}).empty());
  EXPECT_FALSE(Recorder::Only({WM_PAINT}).empty());
  KeyUp(VK_RETURN);
  DestroyWindow(hwnd);
}

TEST_F(QueueTest, RegisteredMessagesAreStableAndCaseInsensitive) {
  const UINT first = RegisterWindowMessage("Qrvc_Thumb_SelChangeMsg");
  EXPECT_GE(first, kFirstRegisteredMessage);
  EXPECT_EQ(RegisterWindowMessage("QRVC_THUMB_SELCHANGEMSG"), first);
  EXPECT_NE(RegisterWindowMessage("Qrvc_Thumb_ItemDblclkMsg"), first);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST_F(QueueTest, TranslateMessagePostsTheAttachedCharacters) {
  const HWND hwnd = Recorder::Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 200, 150});
  SetFocus(hwnd);
  Type("aé日");
  std::vector<WPARAM> chars;
  for (const Seen& seen : Recorder::Only({WM_CHAR})) chars.push_back(seen.wparam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 0xE9, 0x65E5}));
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace plat::test
