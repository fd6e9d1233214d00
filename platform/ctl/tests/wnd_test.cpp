// Window objects: handlers reached from the window's messages, the window's
// own handling behind Default, subclassing, temporary objects, owners and
// the wait cursor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/ctl/dc.h"
#include "plat/ctl/wnd.h"
#include "plat/testing.h"

namespace plat {
namespace {

using test::GuiTest;
using WndTest = GuiTest;

std::string Format(const char* format, long a = 0, long b = 0, long c = 0) {
  char text[128];
  std::snprintf(text, sizeof(text), format, a, b, c);
  return text;
}

class RecordingWnd : public CWnd {
 public:
  std::vector<std::string> log;
  bool keeps_open = false;
  int post_nc_destroys = 0;

  int OnCreate(CREATESTRUCT* create) override {
    log.push_back(std::string("Create ") + create->lpszName);
    return CWnd::OnCreate(create);
  }
  void OnDestroy() override {
    log.push_back("Destroy");
    CWnd::OnDestroy();
  }
  void OnClose() override {
    log.push_back("Close");
    if (!keeps_open) CWnd::OnClose();
  }
  void PostNcDestroy() override { ++post_nc_destroys; }
  void OnPaint() override {
    CPaintDC dc(this);
    log.push_back(Format("Paint %ld,%ld", dc.m_ps.rcPaint.right, dc.m_ps.rcPaint.bottom));
  }
  void OnSize(UINT type, int cx, int cy) override { log.push_back(Format("Size %ld %ldx%ld", type, cx, cy)); }
  void OnMove(int x, int y) override { log.push_back(Format("Move %ld,%ld", x, y)); }
  void OnTimer(UINT_PTR id) override { log.push_back(Format("Timer %ld", static_cast<long>(id))); }
  void OnHScroll(UINT code, UINT pos, CWnd* bar) override {
    log.push_back(Format("HScroll %ld %ld %ld", code, pos, bar != nullptr));
  }
  void OnKeyDown(UINT key, UINT repeat, UINT flags) override { log.push_back(Format("KeyDown %ld %ld %ld", key, repeat, flags)); }
  void OnChar(UINT ch, UINT, UINT) override { log.push_back(Format("Char %ld", ch)); }
  void OnLButtonDown(UINT flags, CPoint p) override { log.push_back(Format("LDown %ld %ld,%ld", flags, p.x, p.y)); }
  void OnLButtonUp(UINT flags, CPoint p) override { log.push_back(Format("LUp %ld %ld,%ld", flags, p.x, p.y)); }
  void OnRButtonDblClk(UINT flags, CPoint p) override { log.push_back(Format("RDbl %ld %ld,%ld", flags, p.x, p.y)); }
  void OnMouseMove(UINT flags, CPoint p) override { log.push_back(Format("Move* %ld %ld,%ld", flags, p.x, p.y)); }
  BOOL OnMouseWheel(UINT flags, short delta, CPoint p) override {
    log.push_back(Format("Wheel %ld %ld %ld", flags, delta, p.x));
    return TRUE;
  }
  BOOL OnCommand(WPARAM wparam, LPARAM) override {
    log.push_back(Format("Command %ld", static_cast<long>(LOWORD(wparam))));
    return LOWORD(wparam) == 7;
  }
  BOOL OnSetCursor(CWnd* wnd, UINT hit, UINT message) override {
    log.push_back(Format("SetCursor %ld %ld %ld", wnd == this, hit, message));
    return 5;
  }
};

CRect TopRect() { return CRect(40, 30, 240, 130); }

TEST_F(WndTest, MessagesReachTheirHandlersWithDecodedArguments) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "rec", WS_POPUP | WS_VISIBLE, TopRect(), nullptr, 0));
  // Creation: the object was attached before the first message.
  ASSERT_GE(wnd.log.size(), 2u);
  EXPECT_EQ(wnd.log[0], "Create rec");
  EXPECT_EQ(wnd.log[1], "Size 0 200x100");
  EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);

  struct Case {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    const char* expected;
    LRESULT expected_result;
  };
  const Case cases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(3, 4), "LDown 5 3,4", 0},
      {WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(0xFFFF, 9), "RDbl 2 -1,9", 0},
      {WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(-5), 7), "Move -5,7", 0},
      {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0, "HScroll 5 300 0", 0},
      {WM_KEYDOWN, 'A', MAKELPARAM(3, 0x1E), "KeyDown 65 3 30", 0},
      {WM_CHAR, 0x3042, 1, "Char 12354", 0},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), MAKELPARAM(100, 50), "Wheel 8 -120 100", 1},
      {WM_COMMAND, 7, 0, "Command 7", 0},
      {WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), "SetCursor 0 1 512", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    wnd.log.clear();
    EXPECT_EQ(wnd.SendMessage(c.message, c.wparam, c.lparam), c.expected_result);
    ASSERT_EQ(wnd.log.size(), 1u);
    EXPECT_EQ(wnd.log[0], c.expected);
  }
  // WM_SETCURSOR names the window under the pointer.
  wnd.log.clear();
  wnd.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd.m_hWnd), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  EXPECT_EQ(wnd.log, std::vector<std::string>{"SetCursor 1 1 513"});
}

TEST_F(WndTest, QueuedInputTimersPaintAndPostedMessagesArrive) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "rec", WS_POPUP | WS_VISIBLE, TopRect(), nullptr, 0));
  test::Pump();
  wnd.log.clear();

  test::Click(wnd.m_hWnd, POINT{12, 13});
  wnd.SetTimer(3, 50);
  test::AdvanceTime(120);
  wnd.KillTimer(3);
  test::AdvanceTime(120);
  wnd.PostMessage(WM_COMMAND, 9);
  wnd.Invalidate();
  test::Pump();
  std::vector<std::string> seen;
  for (const std::string& entry : wnd.log) {
    if (entry.rfind("Move*", 0) != 0 && entry.rfind("SetCursor", 0) != 0) seen.push_back(entry);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"LDown 1 12,13", "LUp 0 12,13", "Timer 3", "Timer 3", "Command 9",
                                            "Paint 200,100"}));
  // CPaintDC validated the window: nothing more to paint.
  wnd.log.clear();
  test::Pump();
  EXPECT_TRUE(wnd.log.empty());
}

TEST_F(WndTest, DefaultRunsTheWindowsOwnHandling) {
  // The default close destroys the window; the object is detached and told.
  RecordingWnd closing;
  ASSERT_TRUE(closing.CreateEx(0, nullptr, "a", WS_POPUP, TopRect(), nullptr, 0));
  HWND hwnd = closing.m_hWnd;
  closing.SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(closing.m_hWnd, nullptr);
  EXPECT_EQ(closing.post_nc_destroys, 1);
  EXPECT_EQ(closing.log.back(), "Destroy");
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);

  // A handler that does not call the default keeps the window.
  RecordingWnd staying;
  staying.keeps_open = true;
  ASSERT_TRUE(staying.CreateEx(0, nullptr, "b", WS_POPUP, TopRect(), nullptr, 0));
  staying.SendMessage(WM_CLOSE);
  EXPECT_TRUE(IsWindow(staying.m_hWnd));
  // Its destructor destroys it.
}

TEST_F(WndTest, AWindowObjectMayDeleteItselfAfterItsLastMessage) {
  struct SelfDeleting : CWnd {
    explicit SelfDeleting(int* deleted) : deleted_(deleted) {}
    ~SelfDeleting() override { ++*deleted_; }
    void PostNcDestroy() override { delete this; }
    int* deleted_;
  };
  int deleted = 0;
  auto* wnd = new SelfDeleting(&deleted);
  ASSERT_TRUE(wnd->CreateEx(0, nullptr, "self", WS_POPUP, TopRect(), nullptr, 0));
  // A child object of its own goes with it.
  RecordingWnd child;
  ASSERT_TRUE(child.Create(nullptr, "child", WS_VISIBLE, CRect(0, 0, 10, 10), wnd, 5));
  EXPECT_EQ(wnd->GetDlgItem(5), &child);
  EXPECT_EQ(child.GetParent(), wnd);
  wnd->DestroyWindow();
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(child.m_hWnd, nullptr);
  EXPECT_EQ(child.post_nc_destroys, 1);
}

// A window class that is not the framework's: it answers WM_USER + 1 with
// 42 and counts the left-button downs it sees.
int g_foreign_downs = 0;
LRESULT ForeignProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER + 1) return 42;
  if (message == WM_LBUTTONDOWN) ++g_foreign_downs;
  return DefWindowProc(hwnd, message, wparam, lparam);
}

class ForeignClass {
 public:
  ForeignClass() {
    WNDCLASSEX wc;
    wc.lpfnWndProc = &ForeignProc;
    wc.lpszClassName = "WndTestForeign";
    RegisterClassEx(&wc);
  }
  ~ForeignClass() { UnregisterClass("WndTestForeign", nullptr); }
};

LRESULT OtherHook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR ref_data) {
  if (message == WM_LBUTTONDOWN) ++*reinterpret_cast<int*>(ref_data);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEST_F(WndTest, SubclassingRoutesAWindowOfAnotherClassAndUnsubclassingStops) {
  ForeignClass foreign;
  g_foreign_downs = 0;
  HWND hwnd = CreateWindowEx(0, "WndTestForeign", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  // One object per window, one window per object, live windows only.
  RecordingWnd second;
  EXPECT_FALSE(second.SubclassWindow(hwnd));
  EXPECT_FALSE(wnd.SubclassWindow(hwnd));
  EXPECT_FALSE(second.SubclassWindow(HandleFromId<HWND>(0x00FFFFF0)));

  // A hook installed later stays in the chain when ours goes.
  int other_downs = 0;
  ASSERT_TRUE(SetWindowSubclass(hwnd, &OtherHook, 1, reinterpret_cast<DWORD_PTR>(&other_downs)));

  SendMessage(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
  // The handler ran; it did not call the default, so the window's procedure did not see it.
  EXPECT_EQ(wnd.log, std::vector<std::string>{"LDown 0 1,2"});
  EXPECT_EQ(g_foreign_downs, 0);
  EXPECT_EQ(other_downs, 1);
  // Unhandled messages go on to the window's own procedure.
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 0, 0), 42);

  EXPECT_EQ(wnd.UnsubclassWindow(), hwnd);
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  wnd.log.clear();
  SendMessage(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
  EXPECT_TRUE(wnd.log.empty());
  EXPECT_EQ(g_foreign_downs, 1);
  EXPECT_EQ(other_downs, 2);
  EXPECT_EQ(wnd.UnsubclassWindow(), nullptr);
  RemoveWindowSubclass(hwnd, &OtherHook, 1);

  // Subclassed again, the window's destruction detaches the object.
  ASSERT_TRUE(second.SubclassWindow(hwnd));
  DestroyWindow(hwnd);
  EXPECT_EQ(second.m_hWnd, nullptr);
  EXPECT_EQ(second.post_nc_destroys, 1);
}

TEST_F(WndTest, CreatingOverAnotherClassSubclassesTheNewWindow) {
  ForeignClass foreign;
  g_foreign_downs = 0;
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, "WndTestForeign", "", WS_POPUP, TopRect(), nullptr, 0));
  EXPECT_EQ(wnd.SendMessage(WM_USER + 1), 42);
  wnd.SendMessage(WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(wnd.log.back(), "LDown 0 0,0");
  EXPECT_EQ(g_foreign_downs, 0);
  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST_F(WndTest, TemporaryObjectsAndSafeOwners) {
  HWND raw = CreateWindowEx(0, CWnd::RegisterWindowClass(0), "", WS_POPUP, 0, 0, 80, 80, nullptr, nullptr, nullptr,
                            nullptr);
  ASSERT_NE(raw, nullptr);
  HWND raw_child = CreateWindowEx(0, CWnd::RegisterWindowClass(0), "", WS_CHILD, 0, 0, 8, 8, raw,
                                  reinterpret_cast<HMENU>(3), nullptr, nullptr);
  CWnd* temporary = CWnd::FromHandle(raw);
  ASSERT_NE(temporary, nullptr);
  EXPECT_EQ(temporary->m_hWnd, raw);
  EXPECT_EQ(CWnd::FromHandle(raw), temporary);
  EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
  EXPECT_EQ(temporary->GetDlgItem(3)->m_hWnd, raw_child);
  EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

  // The owner of a pop-up is the top-level window, never a child.
  CWnd* child = CWnd::FromHandle(raw_child);
  EXPECT_EQ(CWnd::GetSafeOwner(child)->m_hWnd, raw);
  EXPECT_EQ(CWnd::GetSafeOwner(nullptr), nullptr);
  CWnd::SetMainWnd(child);
  EXPECT_EQ(CWnd::GetSafeOwnerHwnd(nullptr), raw);
  CWnd::SetMainWnd(nullptr);

  // A temporary object never destroys its window; a dead window has none.
  CWnd::DeleteTempMap();
  EXPECT_TRUE(IsWindow(raw));
  DestroyWindow(raw);
  EXPECT_EQ(CWnd::FromHandle(raw), nullptr);
}

TEST_F(WndTest, PreTranslationOffersInputToTheWindowAndItsParents) {
  struct ArrowTaker : CWnd {
    BOOL PreTranslateMessage(MSG* msg) override {
      return msg->message == WM_KEYDOWN && msg->wParam == VK_LEFT ? TRUE : FALSE;
    }
  };
  ArrowTaker parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "", WS_POPUP, TopRect(), nullptr, 0));
  CWnd child;
  ASSERT_TRUE(child.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 10, 10), &parent, 1));
  struct Case {
    UINT key;
    HWND stop;
    BOOL expected;
  };
  const Case cases[] = {
      {VK_LEFT, nullptr, TRUE},           // the parent takes it
      {VK_RIGHT, nullptr, FALSE},         // nobody does
      {VK_LEFT, child.m_hWnd, FALSE},     // the walk stops below the parent
      {VK_LEFT, parent.m_hWnd, TRUE},
  };
  for (const Case& c : cases) {
    MSG msg;
    msg.hwnd = child.m_hWnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = c.key;
    EXPECT_EQ(CWnd::WalkPreTranslateTree(c.stop, &msg), c.expected) << c.key;
  }
}

TEST_F(WndTest, WaitCursorNestsAndHoldsOverFrameworkWindows) {
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, TopRect(), nullptr, 0));
  HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  HCURSOR wait = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT));
  SetCursor(arrow);
  {
    CWaitCursor outer;
    EXPECT_EQ(GetCursor(), wait);
    {
      CWaitCursor inner;
      SetCursor(arrow);
      inner.Restore();
      EXPECT_EQ(GetCursor(), wait);
    }
    EXPECT_TRUE(CWaitCursor::IsWaiting());
    EXPECT_EQ(wnd.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), wait);
  }
  EXPECT_FALSE(CWaitCursor::IsWaiting());
  EXPECT_EQ(GetCursor(), arrow);
  // Without a wait, the class cursor comes back through the window's own handling.
  SetCursor(nullptr);
  wnd.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
}  // namespace plat
