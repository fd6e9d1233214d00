// LISTBOX and COMBOBOX: the item messages of both (append with -1, a bad
// index changing nothing, byte lengths of multibyte items), a subclass that
// sees and changes what passes, the drop-down list as a top-level pop-up
// choosing with a click, and the owner-drawn selection field.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control_host.h"
#include "plat/controls.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

using ListComboTest = GuiTest;

constexpr int kControlId = 200;

// The messages of one item interface: a list box's or a combo box's.
struct ItemMessages {
  const char* class_name;
  DWORD style;
  UINT add, insert, remove, count, get_text, get_text_len, set_cur_sel, get_cur_sel, find_exact;
  LRESULT error;
};

const ItemMessages kListBox{kListBoxClass, WS_VSCROLL,       LB_ADDSTRING,  LB_INSERTSTRING,
                            LB_DELETESTRING, LB_GETCOUNT,    LB_GETTEXT,    LB_GETTEXTLEN,
                            LB_SETCURSEL,  LB_GETCURSEL,     LB_FINDSTRINGEXACT, LB_ERR};
const ItemMessages kComboBox{kComboBoxClass, CBS_DROPDOWNLIST, CB_ADDSTRING,  CB_INSERTSTRING,
                             CB_DELETESTRING, CB_GETCOUNT,     CB_GETLBTEXT,  CB_GETLBTEXTLEN,
                             CB_SETCURSEL,  CB_GETCURSEL,      CB_FINDSTRINGEXACT, CB_ERR};

LPARAM Text(const char* text) { return reinterpret_cast<LPARAM>(text); }

std::vector<std::string> Items(HWND control, const ItemMessages& messages) {
  std::vector<std::string> items;
  const auto count = SendMessage(control, messages.count, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<size_t>(SendMessage(control, messages.get_text_len, static_cast<WPARAM>(i), 0)) + 1, '\0');
    text.resize(static_cast<size_t>(SendMessage(control, messages.get_text, static_cast<WPARAM>(i), Text(text.data()))));
    items.push_back(text);
  }
  return items;
}

TEST_F(ListComboTest, ItemMessagesAppendRefuseBadIndexesAndCountBytes) {
  for (const ItemMessages& messages : {kListBox, kComboBox}) {
    SCOPED_TRACE(messages.class_name);
    ControlHost host;
    HWND control = host.Add(messages.class_name, "", messages.style, kControlId);
    EXPECT_EQ(SendMessage(control, messages.add, 0, Text("日本語")), 0);
    EXPECT_EQ(SendMessage(control, messages.insert, static_cast<WPARAM>(-1), Text("end")), 1);  // -1 appends
    EXPECT_EQ(SendMessage(control, messages.insert, 0, Text("first")), 0);
    EXPECT_EQ(SendMessage(control, messages.set_cur_sel, 1, 0), 1);
    const std::vector<std::string> before{"first", "日本語", "end"};
    ASSERT_EQ(Items(control, messages), before);

    struct BadCall {
      const char* name;
      UINT message;
      WPARAM wparam;
      LPARAM lparam;
    };
    const BadCall bad_calls[] = {
        {"insert past the end", messages.insert, 4, Text("x")},
        {"insert below -1", messages.insert, static_cast<WPARAM>(-2), Text("x")},
        {"insert null text", messages.insert, 0, 0},
        {"add null text", messages.add, 0, 0},
        {"delete past the end", messages.remove, 3, 0},
        {"select past the end", messages.set_cur_sel, 3, 0},
        {"text of a bad index", messages.get_text, 7, Text("buffer")},
        {"text into no buffer", messages.get_text, 0, 0},
        {"length of a bad index", messages.get_text_len, 3, 0},
        {"find no text", messages.find_exact, static_cast<WPARAM>(-1), 0},
    };
    for (const BadCall& call : bad_calls) {
      SCOPED_TRACE(call.name);
      EXPECT_EQ(SendMessage(control, call.message, call.wparam, call.lparam), messages.error);
      EXPECT_EQ(Items(control, messages), before);
      EXPECT_EQ(SendMessage(control, messages.get_cur_sel, 0, 0), 1);
    }
    // The length is what the text message writes: 9 bytes and the terminator.
    EXPECT_EQ(SendMessage(control, messages.get_text_len, 1, 0), 9);
    char buffer[12];
    std::memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(SendMessage(control, messages.get_text, 1, Text(buffer)), 9);
    EXPECT_STREQ(buffer, "日本語");
    EXPECT_EQ(buffer[10], 'X');
    EXPECT_EQ(SendMessage(control, messages.find_exact, static_cast<WPARAM>(-1), Text("END")), 2);
    // Deleting the selected item leaves no selection.
    EXPECT_EQ(SendMessage(control, messages.remove, 1, 0), 2);
    EXPECT_EQ(SendMessage(control, messages.get_cur_sel, 0, 0), -1);
  }
}

TEST_F(ListComboTest, SortedListsInsertInOrderIgnoringCase) {
  ControlHost host;
  HWND list = host.Add(kListBoxClass, "", LBS_SORT, kControlId);
  for (const char* item : {"pear", "Apple", "banana", "apple"}) SendMessage(list, LB_ADDSTRING, 0, Text(item));
  EXPECT_EQ(Items(list, kListBox), (std::vector<std::string>{"Apple", "apple", "banana", "pear"}));
  HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWNLIST | CBS_SORT, kControlId + 1);
  for (const char* item : {"b", "a"}) SendMessage(combo, CB_ADDSTRING, 0, Text(item));
  EXPECT_EQ(Items(combo, kComboBox), (std::vector<std::string>{"a", "b"}));
}

std::vector<UINT>& Seen() {
  static std::vector<UINT> seen;
  return seen;
}

// Records item messages; turns every added text into "<text>".
LRESULT Bracketing(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == CB_ADDSTRING || message == LB_ADDSTRING || message == CB_SETCURSEL || message == LB_SETCURSEL) {
    Seen().push_back(message);
  }
  if (message == CB_ADDSTRING && lparam != 0) {
    const std::string bracketed = "<" + std::string(reinterpret_cast<const char*>(lparam)) + ">";
    return DefSubclassProc(hwnd, message, wparam, reinterpret_cast<LPARAM>(bracketed.c_str()));
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEST_F(ListComboTest, SubclassesOfTheComboAndItsListSeeWhatPasses) {
  ControlHost host;
  HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWNLIST, kControlId);
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  ASSERT_TRUE(SetWindowSubclass(combo, &Bracketing, 1, 0));
  ASSERT_TRUE(SetWindowSubclass(info.hwndList, &Bracketing, 2, 0));
  Seen().clear();
  EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, Text("one")), 0);
  SendMessage(combo, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(Seen(), (std::vector<UINT>{CB_ADDSTRING, LB_ADDSTRING, CB_SETCURSEL, LB_SETCURSEL}));
  EXPECT_EQ(Items(combo, kComboBox), std::vector<std::string>{"<one>"});
  EXPECT_EQ(WindowTextOf(combo), "<one>");
  RemoveWindowSubclass(combo, &Bracketing, 1);
  RemoveWindowSubclass(info.hwndList, &Bracketing, 2);
}

TEST_F(ListComboTest, ClickOnADroppedItemSelectsItAndClosesTheList) {
  ControlHost host;
  HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWNLIST | WS_VSCROLL, kControlId, RECT{10, 10, 160, 200});
  for (const char* item : {"zero", "one", "two", "three"}) SendMessage(combo, CB_ADDSTRING, 0, Text(item));
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  // The list is a top-level pop-up, hidden until dropped.
  EXPECT_EQ(GetWindowLongPtr(info.hwndList, GWL_STYLE) & (WS_CHILD | WS_POPUP), static_cast<LONG_PTR>(WS_POPUP));
  EXPECT_FALSE(IsWindowVisible(info.hwndList));
  host.notices.clear();
  Click(combo, POINT{20, 8});
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  RECT list_rect{};
  RECT combo_rect{};
  GetWindowRect(info.hwndList, &list_rect);
  GetWindowRect(combo, &combo_rect);
  EXPECT_EQ(list_rect.top, combo_rect.bottom);
  RECT item{};
  ASSERT_EQ(SendMessage(info.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item)), LB_OKAY);
  Click(info.hwndList, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
  EXPECT_EQ(CodesFrom(host.notices, kControlId),
            (std::vector<WORD>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(WindowTextOf(combo), "two");
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_FALSE(IsWindowVisible(info.hwndList));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListComboTest, DroppedListKeysAndOutsideClicks) {
  struct Case {
    const char* name;
    std::vector<UINT> keys;  // after dropping with F4
    bool clicks_outside;
    LRESULT want_sel;
    std::vector<WORD> want_codes;
  };
  const Case cases[] = {
      {"arrow then enter", {VK_DOWN, VK_RETURN}, false, 1, {CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}},
      {"arrow then escape", {VK_DOWN, VK_ESCAPE}, false, 0,
       {CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDCANCEL, CBN_CLOSEUP}},
      {"press outside", {}, true, 0, {CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    ControlHost host;
    HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWNLIST, kControlId, RECT{10, 10, 160, 200});
    for (const char* item : {"zero", "one", "two"}) SendMessage(combo, CB_ADDSTRING, 0, Text(item));
    SendMessage(combo, CB_SETCURSEL, 0, 0);
    SetFocus(combo);
    host.notices.clear();
    Key(0x73);  // F4
    ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    for (UINT key : test_case.keys) Key(key);
    if (test_case.clicks_outside) {
      COMBOBOXINFO info;
      GetComboBoxInfo(combo, &info);
      Click(info.hwndList, POINT{-30, -30});
    }
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), test_case.want_sel);
    EXPECT_EQ(CodesFrom(host.notices, kControlId), test_case.want_codes);
  }
}

TEST_F(ListComboTest, OwnerDrawnFieldIsDrawnAsTheComboEdit) {
  ControlHost host;
  host.measured_height = 20;
  HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, kControlId, RECT{10, 10, 160, 200});
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 20);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 20);
  // Without CBS_HASSTRINGS the items are data.
  EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, 0x1234), 0);
  EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, 0x5678), 1);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMDATA, 1, 0), 0x5678);
  SendMessage(combo, CB_SETCURSEL, 1, 0);
  host.draws.clear();
  UpdateWindow(combo);
  ASSERT_FALSE(host.draws.empty());
  EXPECT_EQ(host.draws.back().type, ODT_COMBOBOX);
  EXPECT_EQ(host.draws.back().item, 1u);
  EXPECT_NE(host.draws.back().state & ODS_COMBOBOXEDIT, 0u);
  // The dropped list draws its items for the same owner, without the mark.
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  COMBOBOXINFO info;
  GetComboBoxInfo(combo, &info);
  host.draws.clear();
  UpdateWindow(info.hwndList);
  ASSERT_EQ(host.draws.size(), 2u);
  EXPECT_EQ(host.draws[0].state & ODS_COMBOBOXEDIT, 0u);
  EXPECT_NE(host.draws[1].state & ODS_SELECTED, 0u);
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(ListComboTest, ListBoxSelectionByClicksAndKeys) {
  struct Case {
    DWORD style;
    std::vector<int> clicked;  // rows clicked in order
    std::vector<int> want_selected;
  };
  const Case cases[] = {
      {LBS_NOTIFY, {1, 3}, {3}},
      {LBS_NOTIFY | LBS_MULTIPLESEL, {1, 3, 1}, {3}},
      {LBS_NOTIFY | LBS_EXTENDEDSEL, {2, 0}, {0}},
  };
  for (const Case& test_case : cases) {
    ControlHost host;
    HWND list = host.Add(kListBoxClass, "", test_case.style, kControlId);
    for (const char* item : {"a", "b", "c", "d"}) SendMessage(list, LB_ADDSTRING, 0, Text(item));
    const int height = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    for (int row : test_case.clicked) Click(list, POINT{5, row * height + height / 2});
    std::vector<int> selected;
    for (int i = 0; i < 4; ++i) {
      if (SendMessage(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) selected.push_back(i);
    }
    EXPECT_EQ(selected, test_case.want_selected);
    EXPECT_EQ(CodesFrom(host.notices, kControlId).front(), LBN_SETFOCUS);
  }
  ControlHost host;
  HWND list = host.Add(kListBoxClass, "", LBS_NOTIFY, kControlId);
  for (const char* item : {"apple", "banana", "cherry"}) SendMessage(list, LB_ADDSTRING, 0, Text(item));
  SetFocus(list);
  Key(VK_DOWN);
  Key(VK_END);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
  Type("b");
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  const auto codes = CodesFrom(host.notices, kControlId);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), LBN_SELCHANGE), 3);
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(ListComboTest, DropDownComboEditsAndSelectsThroughItsEdit) {
  ControlHost host;
  HWND combo = host.Add(kComboBoxClass, "", CBS_DROPDOWN | CBS_AUTOHSCROLL, kControlId, RECT{10, 10, 160, 200});
  for (const char* item : {"赤", "緑", "青"}) SendMessage(combo, CB_ADDSTRING, 0, Text(item));
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  ASSERT_NE(info.hwndItem, combo);  // the edit
  SetFocus(combo);
  EXPECT_EQ(GetFocus(), info.hwndItem);
  host.notices.clear();
  Key(VK_DOWN);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(WindowTextOf(combo), "赤");
  Key(VK_DOWN);
  EXPECT_EQ(WindowTextOf(info.hwndItem), "緑");
  Type("x");  // replaces the selected text
  EXPECT_EQ(WindowTextOf(combo), "x");
  EXPECT_EQ(SendMessage(combo, WM_GETTEXTLENGTH, 0, 0), 1);
  const auto codes = CodesFrom(host.notices, kControlId);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_SELCHANGE), 2);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_EDITCHANGE), 1);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_EDITUPDATE), 1);
  // Enter with the list down closes the list, not the dialog around it.
  Key(0x73);
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  MSG enter{};
  enter.hwnd = info.hwndItem;
  enter.message = WM_KEYDOWN;
  enter.wParam = VK_RETURN;
  EXPECT_NE(SendMessage(info.hwndItem, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE, 0);
  Key(VK_RETURN);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(ListComboTest, PaintedSelectionsShowInTheHighlightColour) {
  ControlHost host;
  HWND list = host.Add(kListBoxClass, "", 0, kControlId, RECT{10, 10, 110, 110});
  HWND edit = host.Add(kEditClass, "選択された", ES_NOHIDESEL, kControlId + 1, RECT{120, 10, 300, 40});
  SendMessage(list, LB_ADDSTRING, 0, Text("a"));
  SendMessage(list, LB_ADDSTRING, 0, Text("b"));
  SendMessage(list, LB_SETCURSEL, 1, 0);
  SendMessage(edit, EM_SETSEL, 0, 6);
  UpdateWindow(host.hwnd());
  Pump();
  const uint32_t highlight = (GetRValue(GetSysColor(COLOR_HIGHLIGHT)) << 16) |
                             (GetGValue(GetSysColor(COLOR_HIGHLIGHT)) << 8) | GetBValue(GetSysColor(COLOR_HIGHLIGHT));
  const Image shot = Snapshot(host.hwnd());
  const auto has_highlight_in = [&](HWND control, int top, int bottom) {
    RECT rect{};
    GetWindowRect(control, &rect);
    RECT host_rect{};
    GetWindowRect(host.hwnd(), &host_rect);
    for (int y = rect.top + top - host_rect.top; y < rect.top + bottom - host_rect.top; ++y) {
      for (int x = rect.left - host_rect.left; x < rect.right - host_rect.left; ++x) {
        if (x >= 0 && y >= 0 && x < shot.width_px && y < shot.height_px && shot.At(x, y) == highlight) return true;
      }
    }
    return false;
  };
  const int item_height = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_FALSE(has_highlight_in(list, 0, item_height));
  EXPECT_TRUE(has_highlight_in(list, item_height, 2 * item_height));
  EXPECT_TRUE(has_highlight_in(edit, 0, 30));
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(ListComboTest, SimpleComboShowsItsListAsAChild) {
  ControlHost host;
  HWND combo = host.Add(kComboBoxClass, "", CBS_SIMPLE, kControlId, RECT{10, 10, 160, 200});
  for (const char* item : {"一", "二", "三"}) SendMessage(combo, CB_ADDSTRING, 0, Text(item));
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  EXPECT_EQ(GetParent(info.hwndList), combo);
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  host.notices.clear();
  RECT item{};
  SendMessage(info.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  Click(info.hwndList, POINT{item.left + 5, (item.top + item.bottom) / 2});
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(WindowTextOf(info.hwndItem), "二");
  const auto codes = CodesFrom(host.notices, kControlId);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_SELCHANGE), 1);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_EDITCHANGE), 0);
}

}  // namespace
}  // namespace plat::test
