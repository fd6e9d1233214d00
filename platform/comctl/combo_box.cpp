// The COMBOBOX control: a selection field (an EDIT for the drop-down and
// simple styles) over a list. The list is a LISTBOX: a child for the simple
// style, a hidden top-level pop-up ("ComboLBox") for the drop-down styles
// that shows below the field while dropped. Item messages are passed on to
// the list with SendMessage; the field is owner-drawn with ODS_COMBOBOXEDIT.
#include <algorithm>
#include <string>

#include "comctl/control_base.h"
#include "plat/dialog.h"

namespace plat::comctl {

namespace {

constexpr int kListId = 1000;
constexpr int kEditId = 1001;
constexpr int kMinDropItems = 1;
constexpr UINT kVkF4 = 0x73;

struct Combo {
  HWND edit = nullptr;
  HWND list = nullptr;
  HFONT font = nullptr;
  int field_item_height = 0;  // the height of the field's item
  int drop_height = 0;        // the list's height when dropped
  int dropped_width = 0;
  bool is_dropped = false;
  bool is_extended_ui = false;
  bool has_focus = false;
  int sel_before_drop = -1;
  int announced_sel = -1;  // the selection CBN_SELCHANGE last told of while dropped
  bool is_showing_selection = false;  // the edit's text changes for a selection, not the user
};

using ComboPtr = std::shared_ptr<Combo>;

DWORD Kind(HWND hwnd) { return StyleOf(hwnd) & 0x3; }
bool IsDropDownList(HWND hwnd) { return Kind(hwnd) == CBS_DROPDOWNLIST; }
bool IsSimple(HWND hwnd) { return Kind(hwnd) == CBS_SIMPLE; }
bool IsOwnerDraw(HWND hwnd) { return (StyleOf(hwnd) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }

int FieldHeight(const Combo& combo) { return combo.field_item_height + 6; }

RECT ButtonRect(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  if (IsSimple(hwnd)) return RECT{client.right, 0, client.right, 0};
  const int width = GetSystemMetrics(SM_CXVSCROLL);
  return RECT{client.right - 2 - width, 2, client.right - 2, client.bottom - 2};
}

RECT ItemRect(HWND hwnd, const Combo& combo) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const RECT button = ButtonRect(hwnd);
  return RECT{3, 3, std::max<LONG>(3, button.left - 1), std::min<LONG>(client.bottom - 3, FieldHeight(combo) - 3)};
}

LRESULT ToList(const Combo& combo, UINT message, WPARAM wparam, LPARAM lparam) {
  return combo.list != nullptr ? SendMessage(combo.list, message, wparam, lparam) : CB_ERR;
}

int CurSel(const Combo& combo) { return static_cast<int>(ToList(combo, LB_GETCURSEL, 0, 0)); }

std::string ItemText(const Combo& combo, int index) {
  const LRESULT length = ToList(combo, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT written = ToList(combo, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(written < 0 ? 0 : static_cast<size_t>(written));
  return text;
}

// Shows the current item in the field: the edit's text, or a repaint.
void ShowSelection(HWND hwnd, Combo& combo) {
  if (combo.edit != nullptr) {
    const int sel = CurSel(combo);
    combo.is_showing_selection = true;
    SetWindowText(combo.edit, sel >= 0 ? ItemText(combo, sel).c_str() : "");
    combo.is_showing_selection = false;
    if (combo.has_focus) SendMessage(combo.edit, EM_SETSEL, 0, -1);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void SelectAndNotify(HWND hwnd, Combo& combo, int index) {
  if (index == CurSel(combo)) return;
  ToList(combo, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  combo.announced_sel = index;
  ShowSelection(hwnd, combo);
  NotifyParent(hwnd, CBN_SELCHANGE);
}

void Drop(HWND hwnd, const ComboPtr& state) {
  Combo& combo = *state;
  if (combo.is_dropped || IsSimple(hwnd) || combo.list == nullptr) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd)) return;
  combo.sel_before_drop = CurSel(combo);
  combo.announced_sel = combo.sel_before_drop;
  RECT window{};
  GetWindowRect(hwnd, &window);
  const int count = static_cast<int>(ToList(combo, LB_GETCOUNT, 0, 0));
  const int item_height = static_cast<int>(ToList(combo, LB_GETITEMHEIGHT, 0, 0));
  const int wanted = std::max(count, kMinDropItems) * item_height + 2;
  const int height = std::max(item_height + 2, std::min(wanted, combo.drop_height));
  const int width = std::max<int>(window.right - window.left, combo.dropped_width);
  int y = window.bottom;
  if (y + height > GetSystemMetrics(SM_CYSCREEN) && window.top - height >= 0) y = window.top - height;
  SetWindowPos(combo.list, HWND_TOPMOST, window.left, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  const int sel = CurSel(combo);
  if (sel >= 0) ToList(combo, LB_SETTOPINDEX, static_cast<WPARAM>(sel), 0);
  combo.is_dropped = true;
  SetCapture(combo.list);
  InvalidateRect(hwnd, nullptr, TRUE);
}

enum class Close { kChosen, kCancelled };

void CloseUp(HWND hwnd, const ComboPtr& state, Close how) {
  Combo& combo = *state;
  if (!combo.is_dropped) return;
  combo.is_dropped = false;
  if (GetCapture() == combo.list) ReleaseCapture();
  ShowWindow(combo.list, SW_HIDE);
  if (how == Close::kChosen) {
    const int sel = CurSel(combo);
    ShowSelection(hwnd, combo);
    if (sel != combo.announced_sel) NotifyParent(hwnd, CBN_SELCHANGE);
    if (IsWindow(hwnd)) NotifyParent(hwnd, CBN_SELENDOK);
  } else {
    ToList(combo, LB_SETCURSEL, static_cast<WPARAM>(combo.sel_before_drop), 0);
    ShowSelection(hwnd, combo);
    NotifyParent(hwnd, CBN_SELENDCANCEL);
  }
  if (IsWindow(hwnd)) NotifyParent(hwnd, CBN_CLOSEUP);
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

void DrawArrow(HDC dc, RECT rect, bool is_enabled) {
  const int cx = (rect.left + rect.right) / 2;
  const int cy = (rect.top + rect.bottom) / 2 - 1;
  HBRUSH brush = GetSysColorBrush(is_enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (int row = 0; row < 4; ++row) {
    const RECT line{cx - 3 + row, cy + row, cx + 4 - row, cy + row + 1};
    FillRect(dc, &line, brush);
  }
}

void DrawField(HWND hwnd, const Combo& combo, HDC dc) {
  const RECT item = ItemRect(hwnd, combo);
  const int sel = CurSel(combo);
  const bool is_focus = combo.has_focus && !combo.is_dropped;
  if (IsOwnerDraw(hwnd)) {
    DRAWITEMSTRUCT draw;
    draw.CtlType = ODT_COMBOBOX;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    draw.itemID = static_cast<UINT>(sel);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = ODS_COMBOBOXEDIT | (is_focus ? ODS_SELECTED | ODS_FOCUS : 0) |
                     (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
    draw.hwndItem = hwnd;
    draw.hDC = dc;
    draw.rcItem = item;
    draw.itemData = sel >= 0 ? static_cast<ULONG_PTR>(ToList(combo, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0)) : 0;
    SendMessage(GetParent(hwnd), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    return;
  }
  if (is_focus) FillRect(dc, &item, GetSysColorBrush(COLOR_HIGHLIGHT));
  SetTextColor(dc, GetSysColor(!IsWindowEnabled(hwnd) ? COLOR_GRAYTEXT
                               : is_focus             ? COLOR_HIGHLIGHTTEXT
                                                      : COLOR_WINDOWTEXT));
  if (sel >= 0) {
    const std::string text = ItemText(combo, sel);
    RECT text_rect = item;
    text_rect.left += 2;
    DrawText(dc, text.data(), static_cast<int>(text.size()), &text_rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (is_focus) DrawFocusFrame(dc, item);
}

void Paint(HWND hwnd, const Combo& combo) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  HBRUSH field = ControlBrush(hwnd, dc, IsDropDownList(hwnd) ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT);
  if (IsSimple(hwnd)) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    EndPaint(hwnd, &paint);
    return;
  }
  RECT well{0, 0, client.right, std::min<LONG>(client.bottom, FieldHeight(combo))};
  FillRect(dc, &well, field);
  DrawSunkenFrame(dc, well);
  const RECT button = ButtonRect(hwnd);
  FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
  DrawRaisedFrame(dc, button, combo.is_dropped);
  DrawArrow(dc, button, IsWindowEnabled(hwnd) != FALSE);
  if (combo.edit == nullptr) {
    HFONT previous = SelectObject(dc, combo.font != nullptr ? combo.font : DefaultControlFont());
    SetBkMode(dc, TRANSPARENT);
    DrawField(hwnd, combo, dc);
    SelectObject(dc, previous);
  }
  EndPaint(hwnd, &paint);
}

// The edit of a drop-down or simple combo box passes the list keys to it.
LRESULT CALLBACK EditHook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR combo_ref) {
  const auto combo = reinterpret_cast<HWND>(combo_ref);
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    const bool is_list_key = wparam == VK_UP || wparam == VK_DOWN || wparam == VK_PRIOR || wparam == VK_NEXT ||
                             wparam == kVkF4 || ((wparam == VK_RETURN || wparam == VK_ESCAPE) &&
                                                 SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0);
    if (is_list_key) return SendMessage(combo, message, wparam, lparam);
  }
  if (message == WM_CHAR && (wparam == '\r' || wparam == 0x1B) && SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0) {
    return 0;
  }
  if (message == WM_GETDLGCODE) {
    // While the list is down, Enter and Esc close it instead of the dialog.
    const LRESULT code = DefSubclassProc(hwnd, message, wparam, lparam);
    const auto* msg = reinterpret_cast<const MSG*>(lparam);
    const bool is_closing_key = msg != nullptr && msg->message == WM_KEYDOWN &&
                                (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
    return is_closing_key && SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0 ? code | DLGC_WANTMESSAGE : code;
  }
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
    SendMessage(combo, message, wparam, lparam);
    return result;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &EditHook, 1);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void Create(HWND hwnd, const ComboPtr& state, const CREATESTRUCT& create) {
  Combo& combo = *state;
  const DWORD style = static_cast<DWORD>(create.style);
  combo.field_item_height = LineHeight(nullptr) + 2;
  int list_item_height = LineHeight(nullptr);
  if (IsOwnerDraw(hwnd)) {
    for (UINT item : {static_cast<UINT>(-1), 0U}) {
      MEASUREITEMSTRUCT measure;
      measure.CtlType = ODT_COMBOBOX;
      measure.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      measure.itemID = item;
      measure.itemWidth = static_cast<UINT>(create.cx);
      measure.itemHeight = static_cast<UINT>(item == static_cast<UINT>(-1) ? combo.field_item_height : list_item_height);
      SendMessage(GetParent(hwnd), WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
      if (measure.itemHeight == 0) continue;
      if (item == 0) {
        list_item_height = static_cast<int>(measure.itemHeight);
      } else {
        combo.field_item_height = static_cast<int>(measure.itemHeight);
      }
    }
  }
  DWORD list_style = LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
  if ((style & CBS_SORT) != 0) list_style |= LBS_SORT;
  if ((style & CBS_HASSTRINGS) != 0) list_style |= LBS_HASSTRINGS;
  if ((style & CBS_OWNERDRAWFIXED) != 0) list_style |= LBS_OWNERDRAWFIXED;
  if ((style & CBS_OWNERDRAWVARIABLE) != 0) list_style |= LBS_OWNERDRAWVARIABLE;
  if ((style & CBS_DISABLENOSCROLL) != 0) list_style |= LBS_DISABLENOSCROLL;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtr(hwnd, GWLP_HINSTANCE));
  const int width = create.cx;
  if (IsSimple(hwnd)) {
    combo.list = CreateWindowEx(0, kComboListClass, "", WS_CHILD | WS_VISIBLE | LBS_COMBOBOX | list_style, 0,
                                FieldHeight(combo), width, std::max(0, create.cy - FieldHeight(combo)), hwnd,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(kListId)), instance, hwnd);
  } else {
    combo.drop_height = std::max(create.cy - FieldHeight(combo), list_item_height + 2);
    combo.list = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kComboListClass, "",
                                WS_POPUP | LBS_COMBOBOX | list_style, 0, 0, width, combo.drop_height,
                                GetAncestor(hwnd, GA_ROOT), nullptr, instance, hwnd);
    SetWindowPos(hwnd, nullptr, 0, 0, width, FieldHeight(combo), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (combo.list != nullptr) SendMessage(combo.list, LB_SETITEMHEIGHT, 0, list_item_height);
  if (!IsDropDownList(hwnd)) {
    DWORD edit_style = WS_CHILD | WS_VISIBLE;
    if ((style & CBS_AUTOHSCROLL) != 0) edit_style |= ES_AUTOHSCROLL;
    if ((style & CBS_UPPERCASE) != 0) edit_style |= ES_UPPERCASE;
    if ((style & CBS_LOWERCASE) != 0) edit_style |= ES_LOWERCASE;
    const RECT item = ItemRect(hwnd, combo);
    combo.edit = CreateWindowEx(0, kEditClass, create.lpszName != nullptr ? create.lpszName : "", edit_style,
                                item.left, item.top, item.right - item.left, item.bottom - item.top, hwnd,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(kEditId)), instance, nullptr);
    if (combo.edit != nullptr) SetWindowSubclass(combo.edit, &EditHook, 1, reinterpret_cast<DWORD_PTR>(hwnd));
  }
}

void Layout(HWND hwnd, const Combo& combo) {
  if (combo.edit != nullptr) {
    const RECT item = ItemRect(hwnd, combo);
    MoveWindow(combo.edit, item.left, item.top, item.right - item.left, item.bottom - item.top, TRUE);
  }
  if (IsSimple(hwnd) && combo.list != nullptr) {
    RECT client{};
    GetClientRect(hwnd, &client);
    MoveWindow(combo.list, 0, FieldHeight(combo), client.right, std::max<LONG>(0, client.bottom - FieldHeight(combo)),
               TRUE);
  }
}

void OnKey(HWND hwnd, const ComboPtr& state, UINT message, WPARAM key) {
  Combo& combo = *state;
  const bool alt = message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
  if (key == kVkF4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    if (combo.is_dropped) {
      CloseUp(hwnd, state, Close::kChosen);
    } else {
      Drop(hwnd, state);
    }
    return;
  }
  if (combo.is_dropped && key == VK_RETURN) return CloseUp(hwnd, state, Close::kChosen);
  if (combo.is_dropped && key == VK_ESCAPE) return CloseUp(hwnd, state, Close::kCancelled);
  if (message != WM_KEYDOWN) return;
  const int count = static_cast<int>(ToList(combo, LB_GETCOUNT, 0, 0));
  if (count == 0) return;
  const int sel = CurSel(combo);
  int to;
  switch (key) {
    case VK_UP: to = sel - 1; break;
    case VK_DOWN: to = sel + 1; break;
    case VK_PRIOR: to = sel - 8; break;
    case VK_NEXT: to = sel + 8; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    default: return;
  }
  if (combo.edit != nullptr && (key == VK_HOME || key == VK_END)) return;
  if (!combo.is_dropped && combo.is_extended_ui && key == VK_DOWN) return Drop(hwnd, state);
  SelectAndNotify(hwnd, combo, std::clamp(to, 0, count - 1));
}

LRESULT SetCurSel(HWND hwnd, Combo& combo, WPARAM index) {
  const LRESULT result = ToList(combo, LB_SETCURSEL, index, 0);
  if (result == CB_ERR && static_cast<intptr_t>(index) != -1) return CB_ERR;
  ShowSelection(hwnd, combo);
  return result;
}

LRESULT Handle(HWND hwnd, const ComboPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Combo& combo = *state;
  switch (message) {
    case WM_CREATE:
      Create(hwnd, state, *reinterpret_cast<const CREATESTRUCT*>(lparam));
      return combo.list != nullptr ? 0 : -1;
    case WM_DESTROY:
      if (combo.list != nullptr && (StyleOf(combo.list) & WS_CHILD) == 0) DestroyWindow(combo.list);
      combo.list = nullptr;
      return 0;
    case WM_PAINT: Paint(hwnd, combo); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Layout(hwnd, combo); InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_ENABLE:
      if (combo.edit != nullptr) EnableWindow(combo.edit, static_cast<BOOL>(wparam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      combo.font = reinterpret_cast<HFONT>(wparam);
      if (combo.edit != nullptr) SendMessage(combo.edit, WM_SETFONT, wparam, lparam);
      if (combo.list != nullptr) SendMessage(combo.list, WM_SETFONT, wparam, lparam);
      if (!IsOwnerDraw(hwnd)) {
        combo.field_item_height = LineHeight(combo.font) + 2;
        RECT window{};
        GetWindowRect(hwnd, &window);
        if (!IsSimple(hwnd)) {
          SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, FieldHeight(combo),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        Layout(hwnd, combo);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(combo.font);
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      const auto* msg = reinterpret_cast<const MSG*>(lparam);
      if (combo.is_dropped && msg != nullptr && msg->message == WM_KEYDOWN &&
          (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_SETFOCUS:
      if (combo.edit != nullptr && reinterpret_cast<HWND>(wparam) != combo.edit && GetFocus() != combo.edit) {
        SetFocus(combo.edit);  // the edit holds the focus; its hook tells us
        return 0;
      }
      if (combo.has_focus) return 0;
      combo.has_focus = true;
      if (combo.edit != nullptr) SendMessage(combo.edit, EM_SETSEL, 0, -1);
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS: {
      const auto next = reinterpret_cast<HWND>(wparam);
      if (next != nullptr && (next == combo.edit || next == hwnd)) return 0;
      if (!combo.has_focus) return 0;
      CloseUp(hwnd, state, Close::kCancelled);
      combo.has_focus = false;
      if (combo.edit != nullptr) SendMessage(combo.edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, CBN_KILLFOCUS);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd && GetFocus() != combo.edit) SetFocus(hwnd);
      if (combo.is_dropped) {
        CloseUp(hwnd, state, Close::kChosen);
        return 0;
      }
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const RECT button = ButtonRect(hwnd);
      if (IsDropDownList(hwnd) || PtInRect(&button, point)) Drop(hwnd, state);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      OnKey(hwnd, state, message, wparam);
      return message == WM_SYSKEYDOWN ? DefWindowProc(hwnd, message, wparam, lparam) : 0;
    case WM_CHAR:
      if (IsDropDownList(hwnd) && combo.list != nullptr && wparam >= 0x20) {
        const int before = CurSel(combo);
        SendMessage(combo.list, WM_CHAR, wparam, lparam);  // type-ahead in the list
        const int after = CurSel(combo);
        if (after != before) {
          ShowSelection(hwnd, combo);
          NotifyParent(hwnd, CBN_SELCHANGE);
        }
      }
      return 0;
    case WM_COMMAND: {
      const auto from = reinterpret_cast<HWND>(lparam);
      const WORD code = HIWORD(wparam);
      if (from == combo.edit && combo.edit != nullptr) {
        if (combo.is_showing_selection) return 0;
        if (code == EN_CHANGE) NotifyParent(hwnd, CBN_EDITCHANGE);
        if (code == EN_UPDATE) NotifyParent(hwnd, CBN_EDITUPDATE);
        return 0;
      }
      if (from == combo.list && combo.list != nullptr && IsSimple(hwnd)) {
        if (code == LBN_SELCHANGE) {
          ShowSelection(hwnd, combo);
          NotifyParent(hwnd, CBN_SELCHANGE);
        }
        if (code == LBN_DBLCLK) NotifyParent(hwnd, CBN_DBLCLK);
      }
      return 0;
    }
    case kComboListChosen:
      CloseUp(hwnd, state, Close::kChosen);
      return 0;
    case kComboListDismissed: {
      // A press outside the list: on the field it only closes the list.
      CloseUp(hwnd, state, Close::kCancelled);
      return 0;
    }
    case WM_SETTEXT: {
      if (combo.edit != nullptr) return SendMessage(combo.edit, WM_SETTEXT, wparam, lparam);
      const LRESULT found = ToList(combo, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lparam);
      if (found < 0) return CB_ERR;
      SetCurSel(hwnd, combo, static_cast<WPARAM>(found));
      return TRUE;
    }
    case WM_GETTEXT:
      if (combo.edit != nullptr) return SendMessage(combo.edit, WM_GETTEXT, wparam, lparam);
      return CopyTextOut(CurSel(combo) >= 0 ? ItemText(combo, CurSel(combo)) : std::string(),
                         reinterpret_cast<char*>(lparam), static_cast<int>(wparam));
    case WM_GETTEXTLENGTH:
      if (combo.edit != nullptr) return SendMessage(combo.edit, WM_GETTEXTLENGTH, 0, 0);
      return CurSel(combo) >= 0 ? static_cast<LRESULT>(ItemText(combo, CurSel(combo)).size()) : 0;
    case CB_ADDSTRING: return ToList(combo, LB_ADDSTRING, wparam, lparam);
    case CB_INSERTSTRING: return ToList(combo, LB_INSERTSTRING, wparam, lparam);
    case CB_DELETESTRING: {
      const LRESULT result = ToList(combo, LB_DELETESTRING, wparam, lparam);
      if (result != CB_ERR) InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case CB_RESETCONTENT:
      ToList(combo, LB_RESETCONTENT, 0, 0);
      ShowSelection(hwnd, combo);
      InvalidateRect(hwnd, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return ToList(combo, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL: return ToList(combo, LB_GETCURSEL, 0, 0);
    case CB_SETCURSEL: return SetCurSel(hwnd, combo, wparam);
    case CB_GETLBTEXT: return ToList(combo, LB_GETTEXT, wparam, lparam);
    case CB_GETLBTEXTLEN: return ToList(combo, LB_GETTEXTLEN, wparam, lparam);
    case CB_GETITEMDATA: return ToList(combo, LB_GETITEMDATA, wparam, lparam);
    case CB_SETITEMDATA: return ToList(combo, LB_SETITEMDATA, wparam, lparam);
    case CB_FINDSTRING: return ToList(combo, LB_FINDSTRING, wparam, lparam);
    case CB_FINDSTRINGEXACT: return ToList(combo, LB_FINDSTRINGEXACT, wparam, lparam);
    case CB_SELECTSTRING: {
      const LRESULT found = ToList(combo, LB_FINDSTRING, wparam, lparam);
      if (found < 0) return CB_ERR;
      SetCurSel(hwnd, combo, static_cast<WPARAM>(found));
      return found;
    }
    case CB_GETTOPINDEX: return ToList(combo, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX: return ToList(combo, LB_SETTOPINDEX, wparam, 0) == LB_ERR ? CB_ERR : 0;
    case CB_SETLOCALE: return ToList(combo, LB_SETLOCALE, wparam, 0);
    case CB_GETLOCALE: return ToList(combo, LB_GETLOCALE, 0, 0);
    case CB_INITSTORAGE: return ToList(combo, LB_INITSTORAGE, wparam, lparam);
    case CB_GETHORIZONTALEXTENT: return ToList(combo, LB_GETHORIZONTALEXTENT, 0, 0);
    case CB_SETHORIZONTALEXTENT: return ToList(combo, LB_SETHORIZONTALEXTENT, wparam, 0);
    case CB_SETITEMHEIGHT: {
      if (lparam <= 0 || lparam > 255) return CB_ERR;
      if (static_cast<intptr_t>(wparam) == -1) {
        combo.field_item_height = static_cast<int>(lparam);
        if (!IsSimple(hwnd)) {
          RECT window{};
          GetWindowRect(hwnd, &window);
          SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, FieldHeight(combo),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        Layout(hwnd, combo);
        return CB_OKAY;
      }
      return ToList(combo, LB_SETITEMHEIGHT, 0, lparam) == LB_ERR ? CB_ERR : CB_OKAY;
    }
    case CB_GETITEMHEIGHT:
      if (static_cast<intptr_t>(wparam) == -1) return combo.field_item_height;
      return ToList(combo, LB_GETITEMHEIGHT, 0, 0);
    case CB_SHOWDROPDOWN:
      if (wparam != 0) {
        Drop(hwnd, state);
      } else {
        CloseUp(hwnd, state, Close::kCancelled);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE: return combo.is_dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (lparam == 0) return CB_ERR;
      RECT window{};
      GetWindowRect(hwnd, &window);
      *reinterpret_cast<RECT*>(lparam) =
          RECT{window.left, window.top, window.left + std::max<LONG>(window.right - window.left, combo.dropped_width),
               window.bottom + combo.drop_height};
      return TRUE;
    }
    case CB_SETEXTENDEDUI: combo.is_extended_ui = wparam != 0; return CB_OKAY;
    case CB_GETEXTENDEDUI: return combo.is_extended_ui ? TRUE : FALSE;
    case CB_SETDROPPEDWIDTH:
      combo.dropped_width = static_cast<int>(wparam);
      return combo.dropped_width;
    case CB_GETDROPPEDWIDTH: {
      RECT window{};
      GetWindowRect(hwnd, &window);
      return std::max<LRESULT>(window.right - window.left, combo.dropped_width);
    }
    case CB_LIMITTEXT:
      if (combo.edit == nullptr) return TRUE;
      SendMessage(combo.edit, EM_LIMITTEXT, wparam, 0);
      return TRUE;
    case CB_GETEDITSEL:
      if (combo.edit == nullptr) return CB_ERR;
      return SendMessage(combo.edit, EM_GETSEL, wparam, lparam);
    case CB_SETEDITSEL:
      if (combo.edit == nullptr) return CB_ERR;
      SendMessage(combo.edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)))),
                  static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam))));
      return TRUE;
    case CB_GETCOMBOBOXINFO: {
      auto* info = reinterpret_cast<COMBOBOXINFO*>(lparam);
      if (info == nullptr || info->cbSize != sizeof(COMBOBOXINFO)) return FALSE;
      info->rcItem = ItemRect(hwnd, combo);
      info->rcButton = ButtonRect(hwnd);
      info->stateButton = combo.is_dropped ? 0x8 : 0;
      info->hwndCombo = hwnd;
      info->hwndItem = combo.edit != nullptr ? combo.edit : hwnd;
      info->hwndList = combo.list;
      return TRUE;
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Combo, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl

namespace plat {

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  if (info == nullptr) return FALSE;
  return SendMessage(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)) != 0 ? TRUE : FALSE;
}

}  // namespace plat
