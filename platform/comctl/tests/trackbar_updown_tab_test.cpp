// Trackbar, up-down and tab control: positions clamped to normalised
// ranges, buddy text, and what the parent hears (scroll codes, UDN_DELTAPOS,
// TCN_SELCHANGING refusals).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plat/dialog.h"
#include "plat/tab_control.h"
#include "plat/testing.h"
#include "plat/trackbar.h"
#include "plat/updown.h"

namespace plat::test {
namespace {

// A parent that records scroll reports and notifications, and answers
// UDN_DELTAPOS / TCN_SELCHANGING as the test says.
class NotifyHost {
 public:
  NotifyHost() {
    static const bool registered = [] {
      WNDCLASSEX wc;
      wc.lpfnWndProc = &Proc;
      wc.lpszClassName = "NotifyHost";
      return RegisterClassEx(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowEx(0, "NotifyHost", "Host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 400, 300,
                           nullptr, nullptr, nullptr, this);
  }
  ~NotifyHost() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  NotifyHost(const NotifyHost&) = delete;
  NotifyHost& operator=(const NotifyHost&) = delete;

  HWND Add(const char* class_name, DWORD style, int id, RECT rect) {
    return CreateWindowEx(0, class_name, "", WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  HWND hwnd() const { return hwnd_; }

  struct Scroll {
    UINT message;
    WORD code;
    int pos;
    bool operator==(const Scroll&) const = default;
  };
  std::vector<Scroll> scrolls;
  std::vector<UINT> notify_codes;
  std::vector<NMUPDOWN> deltas;
  LRESULT answer = 0;  // to UDN_DELTAPOS and TCN_SELCHANGING
  int delta_override = 0;

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtr(hwnd, GWLP_USERDATA,
                       reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCT*>(lparam)->lpCreateParams));
    }
    auto* host = reinterpret_cast<NotifyHost*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (host != nullptr) {
      switch (message) {
        case WM_HSCROLL:
        case WM_VSCROLL:
          host->scrolls.push_back({message, LOWORD(wparam), static_cast<short>(HIWORD(wparam))});
          return 0;
        case WM_NOTIFY: {
          auto* header = reinterpret_cast<NMHDR*>(lparam);
          host->notify_codes.push_back(header->code);
          if (header->code == UDN_DELTAPOS) {
            auto* change = reinterpret_cast<NMUPDOWN*>(lparam);
            host->deltas.push_back(*change);
            if (host->delta_override != 0) change->iDelta = host->delta_override;
          }
          return host->answer;
        }
        default: break;
      }
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};

std::vector<WORD> CodesOf(const std::vector<NotifyHost::Scroll>& scrolls) {
  std::vector<WORD> codes;
  for (const auto& scroll : scrolls) codes.push_back(scroll.code);
  return codes;
}

std::string TextOf(HWND hwnd) {
  char text[64] = {};
  GetWindowText(hwnd, text, sizeof(text));
  return text;
}

using RangeControlTest = GuiTest;

TEST_F(RangeControlTest, TrackbarClampsToANormalisedRange) {
  NotifyHost host;
  HWND bar = host.Add(kTrackbarClass, TBS_AUTOTICKS, 10, RECT{10, 10, 210, 40});
  struct Case {
    const char* name;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    int min, max, pos;
  };
  const Case cases[] = {
      {"set pos inside", TBM_SETPOS, TRUE, 40, 0, 100, 40},
      {"set pos above", TBM_SETPOS, TRUE, 1000, 0, 100, 100},
      {"set pos below", TBM_SETPOS, TRUE, -5, 0, 100, 0},
      {"reversed range swaps", TBM_SETRANGE, TRUE, MAKELONG(50, 10), 10, 50, 10},
      {"max below pos pulls pos", TBM_SETPOS, TRUE, 45, 10, 50, 45},
      {"range max lowered", TBM_SETRANGEMAX, TRUE, 30, 10, 30, 30},
      {"range min above max swaps", TBM_SETRANGEMIN, TRUE, 60, 30, 60, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SendMessage(bar, c.message, c.wparam, c.lparam);
    EXPECT_EQ(SendMessage(bar, TBM_GETRANGEMIN, 0, 0), c.min);
    EXPECT_EQ(SendMessage(bar, TBM_GETRANGEMAX, 0, 0), c.max);
    EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), c.pos);
  }
  SendMessage(bar, TBM_SETTICFREQ, 10, 0);
  EXPECT_EQ(SendMessage(bar, TBM_GETNUMTICS, 0, 0), 4);  // 30, 40, 50, 60
  EXPECT_TRUE(host.scrolls.empty());                     // the program's changes are not reported
}

TEST_F(RangeControlTest, TrackbarKeysStepAndReport) {
  NotifyHost host;
  HWND bar = host.Add(kTrackbarClass, 0, 10, RECT{10, 10, 210, 40});
  SendMessage(bar, TBM_SETRANGE, FALSE, MAKELONG(0, 20));
  SendMessage(bar, TBM_SETPAGESIZE, 0, 8);
  SendMessage(bar, TBM_SETLINESIZE, 0, 3);
  SetFocus(bar);
  struct Case {
    UINT key;
    WORD code;
    int pos;
  };
  const Case cases[] = {
      {VK_RIGHT, TB_LINEDOWN, 3}, {VK_NEXT, TB_PAGEDOWN, 11}, {VK_NEXT, TB_PAGEDOWN, 19},
      {VK_NEXT, TB_PAGEDOWN, 20}, {VK_LEFT, TB_LINEUP, 17},   {VK_HOME, TB_TOP, 0},
      {VK_UP, TB_LINEUP, 0},      {VK_END, TB_BOTTOM, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    host.scrolls.clear();
    Key(c.key);
    EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), c.pos);
    EXPECT_EQ(CodesOf(host.scrolls), (std::vector<WORD>{c.code, TB_ENDTRACK}));
    EXPECT_EQ(host.scrolls.front().message, WM_HSCROLL);
  }
}

TEST_F(RangeControlTest, TrackbarThumbDragTracksThenEnds) {
  NotifyHost host;
  HWND bar = host.Add(kTrackbarClass, TBS_VERT, 10, RECT{10, 10, 40, 210});
  SendMessage(bar, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
  RECT thumb{};
  SendMessage(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  Drag(bar, grab, POINT{grab.x, grab.y + 500});  // far past the end: clamped
  ASSERT_GE(host.scrolls.size(), 3u);
  EXPECT_EQ(host.scrolls.front().code, TB_THUMBTRACK);
  EXPECT_EQ(host.scrolls.front().message, WM_VSCROLL);
  EXPECT_EQ(host.scrolls[host.scrolls.size() - 2], (NotifyHost::Scroll{WM_VSCROLL, TB_THUMBPOSITION, 100}));
  EXPECT_EQ(host.scrolls.back().code, TB_ENDTRACK);
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 100);
  // A click on the channel below the thumb pages towards the pointer.
  SendMessage(bar, TBM_SETPOS, TRUE, 0);
  host.scrolls.clear();
  SendMessage(bar, TBM_SETPAGESIZE, 0, 30);
  Click(bar, POINT{grab.x, 190});
  EXPECT_EQ(CodesOf(host.scrolls), (std::vector<WORD>{TB_PAGEDOWN, TB_ENDTRACK}));
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 30);
}

TEST_F(RangeControlTest, UpDownStepsClampWrapAndAskTheParent) {
  struct Case {
    const char* name;
    DWORD style;
    int lower, upper, start;
    LRESULT answer;
    int override_delta;
    int clicks_up;
    int expected;
    int first_report;  // the position of the first SB_THUMBPOSITION; none when refused
  };
  const Case cases[] = {
      {"steps up", 0, 0, 10, 4, 0, 0, 2, 6, 5},
      {"clamps at the top", 0, 0, 10, 9, 0, 0, 3, 10, 10},
      {"wraps past the top", UDS_WRAP, 0, 10, 10, 0, 0, 1, 0, 0},
      {"reversed range swapped", 0, 10, 0, 9, 0, 0, 1, 10, 10},
      {"parent refuses", 0, 0, 10, 4, 1, 0, 2, 4, 0},
      {"parent changes the delta", 0, -50, 50, 0, 0, -7, 2, -14, -7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NotifyHost host;
    host.answer = c.answer;
    host.delta_override = c.override_delta;
    HWND spin = host.Add(kUpDownClass, c.style, 20, RECT{100, 10, 116, 40});
    SendMessage(spin, UDM_SETRANGE32, static_cast<WPARAM>(c.lower), c.upper);
    SendMessage(spin, UDM_SETPOS32, 0, c.start);
    for (int i = 0; i < c.clicks_up; ++i) Click(spin, POINT{8, 4});
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), c.expected);
    ASSERT_EQ(host.deltas.size(), static_cast<size_t>(c.clicks_up));
    EXPECT_EQ(host.deltas.front().iDelta, 1);
    EXPECT_EQ(host.deltas.front().iPos, std::clamp(c.start, std::min(c.lower, c.upper), std::max(c.lower, c.upper)));
    if (c.answer == 0) {
      ASSERT_FALSE(host.scrolls.empty());
      EXPECT_EQ(host.scrolls.front(), (NotifyHost::Scroll{WM_VSCROLL, SB_THUMBPOSITION, c.first_report}));
      EXPECT_EQ(host.scrolls.back().code, SB_ENDSCROLL);
    } else {
      EXPECT_EQ(CodesOf(host.scrolls), std::vector<WORD>(static_cast<size_t>(c.clicks_up), SB_ENDSCROLL));
    }
  }
}

TEST_F(RangeControlTest, UpDownBuddyShowsAndReadsItsNumber) {
  NotifyHost host;
  HWND edit = host.Add(kEditClass, WS_BORDER, 30, RECT{10, 10, 110, 34});
  HWND spin = host.Add(kUpDownClass, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 31, RECT{0, 0, 16, 24});
  SendMessage(spin, UDM_SETRANGE32, 0, 5000);
  SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(spin, UDM_GETBUDDY, 0, 0)), edit);
  // Aligned inside the buddy's right edge, the buddy narrowed.
  RECT edit_rect{};
  RECT spin_rect{};
  GetWindowRect(edit, &edit_rect);
  GetWindowRect(spin, &spin_rect);
  EXPECT_EQ(spin_rect.right, edit_rect.right + 16 - 2);
  EXPECT_EQ(spin_rect.top, edit_rect.top);
  EXPECT_EQ(TextOf(edit), "0");
  SendMessage(spin, UDM_SETPOS32, 0, 1234);
  EXPECT_EQ(TextOf(edit), "1,234");

  struct Case {
    const char* text;
    int pos;
    BOOL error;
  };
  const Case cases[] = {
      {"77", 77, FALSE}, {" 2,500 ", 2500, FALSE}, {"abc", 2500, TRUE},
      {"12x", 2500, TRUE}, {"", 2500, TRUE}, {"9999", 5000, TRUE}, {"-3", 0, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SetWindowText(edit, c.text);
    BOOL error = -1;
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)), c.pos);
    EXPECT_EQ(error, c.error);
  }
  // The buddy's Up key steps from what it shows.
  SetWindowText(edit, "41");
  SetFocus(edit);
  Key(VK_UP);
  EXPECT_EQ(TextOf(edit), "42");
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 40);
  // Text that is not a number: the step starts from the position kept.
  SetWindowText(edit, "many");
  Key(VK_UP);
  EXPECT_EQ(TextOf(edit), "41");
}

TEST_F(RangeControlTest, TabSelectionAsksTheParent) {
  NotifyHost host;
  HWND tabs = host.Add(kTabControlClass, 0, 40, RECT{10, 10, 390, 200});
  const char* names[] = {"一般", "Colors", "Files"};
  for (int i = 0; i < 3; ++i) {
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(names[i]);
    item.lParam = 100 + i;
    EXPECT_EQ(SendMessage(tabs, TCM_INSERTITEM, 99, reinterpret_cast<LPARAM>(&item)), i);  // past the end appends
  }
  EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
  RECT second{};
  ASSERT_TRUE(SendMessage(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
  const POINT on_second{(second.left + second.right) / 2, (second.top + second.bottom) / 2};

  host.answer = TRUE;  // refused: the old tab stays
  Click(tabs, on_second);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(host.notify_codes, (std::vector<UINT>{TCN_SELCHANGING}));

  host.answer = FALSE;
  host.notify_codes.clear();
  Click(tabs, on_second);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(host.notify_codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));

  host.notify_codes.clear();
  Key(VK_RIGHT);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  Key(VK_RIGHT);  // no tab beyond the last
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(host.notify_codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));

  // The program's selection is not asked about; bad indexes change nothing.
  host.notify_codes.clear();
  EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 7, 0), -1);
  EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, static_cast<WPARAM>(-2), 0), -1);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(host.notify_codes.empty());

  // Deleting before the selection moves it; deleting it leaves none.
  SendMessage(tabs, TCM_SETCURSEL, 2, 0);
  EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 0, 0));
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(SendMessage(tabs, TCM_DELETEITEM, 5, 0));
  char text[16] = {};
  TCITEM item;
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  ASSERT_TRUE(SendMessage(tabs, TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(text, "Files");
  EXPECT_EQ(item.lParam, 102);
  EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 1, 0));
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), -1);

  // The display area and the window round it are inverse adjustments.
  RECT area{0, 0, 380, 190};
  SendMessage(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_GT(area.top, second.bottom - 1);
  EXPECT_LT(area.right, 380);
  SendMessage(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, 380);
  EXPECT_EQ(area.bottom, 190);
}

}  // namespace
}  // namespace plat::test
