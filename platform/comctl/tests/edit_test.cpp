// The EDIT control: selections snapped to characters and normalised, the
// byte limit with the clipboard, read-only refusals, one level of undo,
// text copied out at character boundaries and typing through the queue.
#include <gtest/gtest.h>

#include <string>

#include "control_host.h"
#include "plat/clipboard.h"
#include "plat/controls.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

class EditTest : public GuiTest {
 protected:
  // The clipboard's copies are global blocks: empty it before the count.
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    GuiTest::TearDown();
  }
};

constexpr int kEditId = 100;

std::pair<DWORD, DWORD> Selection(HWND edit) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

// Puts `text` on the clipboard the way a user would: copied from an edit.
void CopyToClipboard(ControlHost& host, const char* text) {
  HWND source = host.Add(kEditClass, text, 0, 999);
  SendMessage(source, EM_SETSEL, 0, -1);
  SendMessage(source, WM_COPY, 0, 0);
  DestroyWindow(source);
}

TEST_F(EditTest, SelectionsAreClampedSnappedAndNormalised) {
  struct Case {
    const char* text;
    intptr_t start;
    intptr_t end;
    DWORD want_start;
    DWORD want_end;
    const char* replaced;  // the text after replacing the selection with "|"
  };
  // "設定a": 設 is bytes 0-2, 定 3-5, a 6.
  const Case cases[] = {
      {"設定a", 1, 2, 0, 3, "|定a"},      // inside one character: the whole character
      {"設定a", 4, 7, 3, 7, "設|"},       // the lower end snaps back, the upper end on
      {"設定a", 1, 1, 0, 0, "|設定a"},    // an empty selection snaps back
      {"abcdefg", 5, 2, 2, 5, "ab|fg"},   // reversed
      {"abcdefg", 3, 100, 3, 7, "abc|"},  // past the end
      {"abcdefg", -7, 2, 0, 2, "|cdefg"}, // before the start
      {"abcdefg", 0, -1, 0, 7, "|"},      // all
      {"abcdefg", 200, 300, 7, 7, "abcdefg|"},
  };
  ControlHost host;
  for (const Case& test_case : cases) {
    SCOPED_TRACE(std::string(test_case.text) + " " + std::to_string(test_case.start) + "," +
                 std::to_string(test_case.end));
    HWND edit = host.Add(kEditClass, test_case.text, ES_AUTOHSCROLL, kEditId);
    SendMessage(edit, EM_SETSEL, static_cast<WPARAM>(test_case.start), test_case.end);
    EXPECT_EQ(Selection(edit), std::make_pair(test_case.want_start, test_case.want_end));
    SendMessage(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("|"));
    EXPECT_EQ(WindowTextOf(edit), test_case.replaced);
    DestroyWindow(edit);
  }
}

TEST_F(EditTest, StartMinusOneDropsTheSelectionAndKeepsTheCaret) {
  ControlHost host;
  HWND edit = host.Add(kEditClass, "abcdef", 0, kEditId);
  SendMessage(edit, EM_SETSEL, 4, 1);  // caret at 1
  SendMessage(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{1}, DWORD{1}));
}

TEST_F(EditTest, LimitCutsPastesAtCharactersAndReportsMaxText) {
  struct Case {
    const char* start_text;
    WPARAM limit;
    const char* pasted;
    const char* want;
    bool wants_max_text;
  };
  const Case cases[] = {
      {"", 3, "12345", "123", true},
      {"", 4, "設定", "設", true},  // 6 bytes into 4: cut before 定
      {"ab", 3, "設", "ab", true},  // no whole character fits: nothing changes
      {"", 10, "12345", "12345", false},
      {"", 10, "12\r\n34", "12", false},  // one line only
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.pasted);
    ControlHost host;
    CopyToClipboard(host, test_case.pasted);
    HWND edit = host.Add(kEditClass, test_case.start_text, ES_AUTOHSCROLL, kEditId);
    SendMessage(edit, EM_LIMITTEXT, test_case.limit, 0);
    SendMessage(edit, EM_SETSEL, 100, 100);
    host.notices.clear();
    SendMessage(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowTextOf(edit), test_case.want);
    const auto codes = CodesFrom(host.notices, kEditId);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT), test_case.wants_max_text ? 1 : 0);
    const bool changed = std::string(test_case.want) != test_case.start_text;
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), changed ? 1 : 0);
  }
}

TEST_F(EditTest, ReadOnlyRefusesTypingPastingCuttingAndUndo) {
  ControlHost host;
  CopyToClipboard(host, "xyz");
  HWND edit = host.Add(kEditClass, "abc", ES_READONLY, kEditId);
  SendMessage(edit, EM_SETSEL, 0, 1);
  host.notices.clear();
  SendMessage(edit, WM_PASTE, 0, 0);
  SendMessage(edit, WM_CHAR, 'q', 0);
  SendMessage(edit, WM_CUT, 0, 0);
  SendMessage(edit, WM_CLEAR, 0, 0);
  SendMessage(edit, WM_CHAR, 0x08, 0);
  EXPECT_EQ(WindowTextOf(edit), "abc");
  EXPECT_FALSE(SendMessage(edit, EM_GETMODIFY, 0, 0));
  EXPECT_TRUE(host.notices.empty());
  // The program may still change it; the flag can be cleared.
  SendMessage(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("A"));
  EXPECT_EQ(WindowTextOf(edit), "Abc");
  SendMessage(edit, EM_SETREADONLY, FALSE, 0);
  SendMessage(edit, WM_CHAR, 'q', 0);
  EXPECT_EQ(WindowTextOf(edit), "Aqbc");
}

TEST_F(EditTest, OneLevelOfUndoSwapsBackAndForth) {
  ControlHost host;
  HWND edit = host.Add(kEditClass, "", 0, kEditId);
  EXPECT_FALSE(SendMessage(edit, EM_CANUNDO, 0, 0));
  for (char c : std::string("ab")) SendMessage(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
  SendMessage(edit, EM_SETSEL, 0, 1);
  SendMessage(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("日本"));
  EXPECT_EQ(WindowTextOf(edit), "日本b");
  ASSERT_TRUE(SendMessage(edit, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessage(edit, EM_UNDO, 0, 0));
  EXPECT_EQ(WindowTextOf(edit), "ab");
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{1}));
  EXPECT_TRUE(SendMessage(edit, WM_UNDO, 0, 0));  // undoing the undo
  EXPECT_EQ(WindowTextOf(edit), "日本b");
  // A typed run is one step; a replacement that may not be undone empties it.
  SendMessage(edit, EM_SETSEL, 100, 100);
  for (char c : std::string("xyz")) SendMessage(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
  SendMessage(edit, EM_UNDO, 0, 0);
  EXPECT_EQ(WindowTextOf(edit), "日本b");
  SendMessage(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("!"));
  EXPECT_FALSE(SendMessage(edit, EM_CANUNDO, 0, 0));
  EXPECT_FALSE(SendMessage(edit, EM_UNDO, 0, 0));
}

TEST_F(EditTest, TextComesOutWholeCharactersAndNulTerminated) {
  ControlHost host;
  HWND edit = host.Add(kEditClass, "設定a", 0, kEditId);
  EXPECT_EQ(GetWindowTextLength(edit), 7);
  char buffer[8];
  std::memset(buffer, 'X', sizeof(buffer));
  EXPECT_EQ(SendMessage(edit, WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, "設");
  EXPECT_EQ(buffer[4], 'X');
  EXPECT_EQ(SendMessage(edit, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(buffer)), 7);
  EXPECT_STREQ(buffer, "設定a");
  EXPECT_EQ(SendMessage(edit, WM_GETTEXT, 8, 0), 0);  // no buffer
  EXPECT_EQ(SendMessage(edit, EM_REPLACESEL, TRUE, 0), 0);
  EXPECT_EQ(WindowTextOf(edit), "設定a");
}

TEST_F(EditTest, MultiLineLines) {
  ControlHost host;
  HWND edit = host.Add(kEditClass, "one\r\n二行目\r\n", ES_MULTILINE | ES_WANTRETURN, kEditId);
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 5);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 3, 0), -1);
  EXPECT_EQ(SendMessage(edit, EM_LINELENGTH, 6, 0), 9);
  EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, 14, 0), 1);
  char line[16] = {};
  const WORD capacity = 8;
  std::memcpy(line, &capacity, sizeof(capacity));
  EXPECT_EQ(SendMessage(edit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 6);  // 二行 and the terminator
  EXPECT_STREQ(line, "二行");
  SendMessage(edit, EM_SETSEL, 3, 3);
  SendMessage(edit, WM_CHAR, '\r', 0);
  EXPECT_EQ(WindowTextOf(edit), "one\r\n\r\n二行目\r\n");
  SendMessage(edit, WM_CHAR, 0x08, 0);  // one backspace takes the whole line break
  EXPECT_EQ(WindowTextOf(edit), "one\r\n二行目\r\n");
  // The formatting rectangle stays where it is put.
  const RECT format{4, 3, 150, 90};
  SendMessage(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&format));
  RECT got{};
  SendMessage(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.left, 4);
  EXPECT_EQ(got.bottom, 90);
}

TEST_F(EditTest, TypingThroughTheQueueHonoursNumberAndCaseStyles) {
  struct Case {
    DWORD style;
    const char* typed;
    const char* want;
  };
  const Case cases[] = {
      {0, "ab c", "ab c"},
      {ES_NUMBER, "1a2", "12"},
      {ES_UPPERCASE, "abc", "ABC"},
      {ES_PASSWORD, "pw", "pw"},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.typed);
    ControlHost host;
    HWND edit = host.Add(kEditClass, "", test_case.style, kEditId);
    SetFocus(edit);
    host.notices.clear();
    Type(test_case.typed);
    EXPECT_EQ(WindowTextOf(edit), test_case.want);
    EXPECT_TRUE(SendMessage(edit, EM_GETMODIFY, 0, 0));
    const auto codes = CodesFrom(host.notices, kEditId);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), static_cast<long>(std::string(test_case.want).size()));
  }
}

TEST_F(EditTest, KeysMoveAndExtendTheSelectionByCharacters) {
  ControlHost host;
  HWND edit = host.Add(kEditClass, "設定ab", 0, kEditId);
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 0, 0);
  Key(VK_RIGHT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{3}, DWORD{3}));
  KeyDown(VK_SHIFT);
  Key(VK_RIGHT);
  Key(VK_END);
  KeyUp(VK_SHIFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{3}, DWORD{8}));
  Key(VK_DELETE);
  EXPECT_EQ(WindowTextOf(edit), "設");
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(EditTest, MultiLineScrollBarsFollowTheTextAndTheCaret) {
  ControlHost host;
  std::string text;
  for (int i = 0; i < 30; ++i) text += "line " + std::to_string(i) + "\r\n";
  HWND edit = host.Add(kEditClass, text.c_str(), ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, kEditId,
                       RECT{10, 10, 200, 110});
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
  EXPECT_EQ(info.nMax, 30);
  EXPECT_GT(info.nPage, 0u);
  EXPECT_EQ(info.nPos, 0);
  host.notices.clear();
  SendMessage(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), static_cast<LRESULT>(info.nPage));
  EXPECT_EQ(GetScrollPos(edit, SB_VERT), static_cast<int>(info.nPage));
  EXPECT_EQ(CodesFrom(host.notices, kEditId), std::vector<WORD>{EN_VSCROLL});
  SendMessage(edit, WM_VSCROLL, SB_BOTTOM, 0);
  SendMessage(edit, WM_VSCROLL, SB_LINEDOWN, 0);  // nothing below the last line
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 30);
  // Moving the caret to the top scrolls it into view.
  SendMessage(edit, EM_SETSEL, 0, 0);
  SendMessage(edit, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_EQ(GetScrollPos(edit, SB_VERT), 0);
}

}  // namespace
}  // namespace plat::test
