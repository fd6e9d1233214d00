// The LISTBOX control, also the list of every combo box: items with text
// and data, sorted or in order, single, multiple or extended selection,
// fixed-height owner drawing, a vertical scroll bar and type-ahead. A bad
// index or a null buffer gives LB_ERR and changes nothing.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "plat/utf8.h"

namespace plat::comctl {

namespace {

struct Item {
  std::string text;
  ULONG_PTR data = 0;
  bool is_selected = false;
};

struct ListBox {
  std::vector<Item> items;
  int cur_sel = -1;  // single selection
  int caret = -1;    // the focus item
  int anchor = -1;
  int top = 0;
  int item_height = 0;
  HFONT font = nullptr;
  bool has_focus = false;
  bool is_tracking = false;
  HWND combo = nullptr;  // the combo box this list belongs to
  LCID locale = 0;
  int horizontal_extent = 0;
  std::string type_ahead;
  DWORD type_ahead_time = 0;
};

using ListPtr = std::shared_ptr<ListBox>;

bool IsOwnerDraw(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND hwnd) { return !IsOwnerDraw(hwnd) || (StyleOf(hwnd) & LBS_HASSTRINGS) != 0; }
bool IsMultiSel(HWND hwnd) { return (StyleOf(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
int Count(const ListBox& list) { return static_cast<int>(list.items.size()); }
bool IsValid(const ListBox& list, WPARAM index) { return index < list.items.size(); }

// Owner-draw messages name the combo box for a combo's list.
HWND OwnerWindow(HWND hwnd, const ListBox& list) { return list.combo != nullptr ? GetParent(list.combo) : GetParent(hwnd); }
HWND ItemWindow(HWND hwnd, const ListBox& list) { return list.combo != nullptr ? list.combo : hwnd; }
UINT ControlType(const ListBox& list) { return list.combo != nullptr ? ODT_COMBOBOX : ODT_LISTBOX; }

void Notify(HWND hwnd, const ListBox& list, WORD code) {
  if (list.combo != nullptr) {
    SendMessage(list.combo, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                reinterpret_cast<LPARAM>(hwnd));
    return;
  }
  if ((StyleOf(hwnd) & LBS_NOTIFY) != 0 || code == LBN_ERRSPACE) NotifyParent(hwnd, code);
}

int VisibleCount(HWND hwnd, const ListBox& list) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return std::max(1, static_cast<int>(client.bottom - client.top) / std::max(1, list.item_height));
}

void UpdateScrollBar(HWND hwnd, const ListBox& list) {
  if ((StyleOf(hwnd) & WS_VSCROLL) == 0) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if ((StyleOf(hwnd) & LBS_DISABLENOSCROLL) != 0) info.fMask |= SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = std::max(0, Count(list) - 1);
  info.nPage = static_cast<UINT>(VisibleCount(hwnd, list));
  info.nPos = list.top;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void SetTop(HWND hwnd, ListBox& list, int top) {
  top = std::clamp(top, 0, std::max(0, Count(list) - VisibleCount(hwnd, list)));
  if (top == list.top) return;
  list.top = top;
  UpdateScrollBar(hwnd, list);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void EnsureVisible(HWND hwnd, ListBox& list, int index) {
  if (index < 0) return;
  const int visible = VisibleCount(hwnd, list);
  if (index < list.top) SetTop(hwnd, list, index);
  if (index >= list.top + visible) SetTop(hwnd, list, index - visible + 1);
}

void Changed(HWND hwnd, ListBox& list) {
  if (list.top > std::max(0, Count(list) - 1)) list.top = std::max(0, Count(list) - 1);
  UpdateScrollBar(hwnd, list);
  if ((StyleOf(hwnd) & LBS_NOREDRAW) == 0) InvalidateRect(hwnd, nullptr, TRUE);
}

// Where a new item goes in a sorted list: after every item that does not
// sort after it.
int SortedPosition(HWND hwnd, const ListBox& list, const Item& item) {
  if (HasStrings(hwnd)) {
    int at = 0;
    while (at < Count(list) && lstrcmpi(list.items[static_cast<size_t>(at)].text.c_str(), item.text.c_str()) <= 0) ++at;
    return at;
  }
  int at = 0;
  for (; at < Count(list); ++at) {
    COMPAREITEMSTRUCT compare;
    compare.CtlType = ControlType(list);
    compare.CtlID = static_cast<UINT>(GetDlgCtrlID(ItemWindow(hwnd, list)));
    compare.hwndItem = ItemWindow(hwnd, list);
    compare.itemID1 = static_cast<UINT>(at);
    compare.itemData1 = list.items[static_cast<size_t>(at)].data;
    compare.itemID2 = static_cast<UINT>(-1);
    compare.itemData2 = item.data;
    compare.dwLocaleId = list.locale;
    const LRESULT order = SendMessage(OwnerWindow(hwnd, list), WM_COMPAREITEM, compare.CtlID,
                                      reinterpret_cast<LPARAM>(&compare));
    if (order > 0) break;
  }
  return at;
}

LRESULT Insert(HWND hwnd, ListBox& list, WPARAM index_param, LPARAM lparam, bool is_sorted_add) {
  const bool has_strings = HasStrings(hwnd);
  if (has_strings && lparam == 0) return LB_ERR;
  Item item;
  if (has_strings) {
    item.text = std::string(TextParam(lparam));
  } else {
    item.data = static_cast<ULONG_PTR>(lparam);
  }
  int index;
  if (is_sorted_add) {
    index = (StyleOf(hwnd) & LBS_SORT) != 0 ? SortedPosition(hwnd, list, item) : Count(list);
  } else {
    const auto asked = static_cast<intptr_t>(index_param);
    if (asked == -1) {
      index = Count(list);
    } else if (asked < 0 || asked > Count(list)) {
      return LB_ERR;
    } else {
      index = static_cast<int>(asked);
    }
  }
  list.items.insert(list.items.begin() + index, std::move(item));
  if (list.cur_sel >= index) ++list.cur_sel;
  if (list.caret >= index) ++list.caret;
  if (list.anchor >= index) ++list.anchor;
  Changed(hwnd, list);
  return index;
}

void SendDeleteItem(HWND hwnd, const ListBox& list, int index) {
  if (!IsOwnerDraw(hwnd)) return;
  DELETEITEMSTRUCT gone;
  gone.CtlType = ControlType(list);
  gone.CtlID = static_cast<UINT>(GetDlgCtrlID(ItemWindow(hwnd, list)));
  gone.itemID = static_cast<UINT>(index);
  gone.hwndItem = ItemWindow(hwnd, list);
  gone.itemData = list.items[static_cast<size_t>(index)].data;
  SendMessage(OwnerWindow(hwnd, list), WM_DELETEITEM, gone.CtlID, reinterpret_cast<LPARAM>(&gone));
}

LRESULT Delete(HWND hwnd, ListBox& list, WPARAM index_param) {
  if (!IsValid(list, index_param)) return LB_ERR;
  const int index = static_cast<int>(index_param);
  SendDeleteItem(hwnd, list, index);
  list.items.erase(list.items.begin() + index);
  const auto shift = [index](int& value) {
    if (value == index) {
      value = -1;
    } else if (value > index) {
      --value;
    }
  };
  shift(list.cur_sel);
  shift(list.caret);
  shift(list.anchor);
  Changed(hwnd, list);
  return Count(list);
}

void Reset(HWND hwnd, ListBox& list) {
  for (int i = Count(list) - 1; i >= 0; --i) SendDeleteItem(hwnd, list, i);
  list.items.clear();
  list.cur_sel = list.caret = list.anchor = -1;
  list.top = 0;
  Changed(hwnd, list);
}

// Text compare for the find messages: a prefix or the whole text, ignoring case.
bool Matches(const Item& item, std::string_view wanted, bool is_exact) {
  const std::string have = AnsiLowerCase(item.text);
  const std::string want = AnsiLowerCase(wanted);
  return is_exact ? have == want : have.compare(0, want.size(), want) == 0;
}

LRESULT Find(HWND hwnd, const ListBox& list, WPARAM start_param, LPARAM lparam, bool is_exact) {
  const int count = Count(list);
  if (count == 0) return LB_ERR;
  const bool has_strings = HasStrings(hwnd);
  if (has_strings && lparam == 0) return LB_ERR;
  const auto start = static_cast<intptr_t>(start_param);
  const int first = (start < -1 || start >= count) ? 0 : static_cast<int>(start + 1) % count;
  for (int step = 0; step < count; ++step) {
    const int at = (first + step) % count;
    const Item& item = list.items[static_cast<size_t>(at)];
    const bool found = has_strings ? Matches(item, TextParam(lparam), is_exact) : item.data == static_cast<ULONG_PTR>(lparam);
    if (found) return at;
  }
  return LB_ERR;
}

// Single selection: selects `index` (-1: none). Multiple: the caret only.
void SelectSingle(HWND hwnd, ListBox& list, int index) {
  if (list.cur_sel == index && list.caret == index) return;
  list.cur_sel = index;
  list.caret = index;
  list.anchor = index;
  EnsureVisible(hwnd, list, index);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void SetRange(HWND hwnd, ListBox& list, int first, int last, bool select) {
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, Count(list) - 1);
  for (int i = first; i <= last; ++i) list.items[static_cast<size_t>(i)].is_selected = select;
  InvalidateRect(hwnd, nullptr, TRUE);
}

bool IsSelected(HWND hwnd, const ListBox& list, int index) {
  if (IsMultiSel(hwnd)) return list.items[static_cast<size_t>(index)].is_selected;
  return index == list.cur_sel;
}

RECT ItemRect(HWND hwnd, const ListBox& list, int index) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int top = (index - list.top) * list.item_height;
  return RECT{0, top, client.right, top + list.item_height};
}

void DrawItem(HWND hwnd, const ListBox& list, HDC dc, int index, HBRUSH background) {
  const RECT rect = ItemRect(hwnd, list, index);
  const Item& item = list.items[static_cast<size_t>(index)];
  const bool is_selected = IsSelected(hwnd, list, index);
  const bool is_focus = list.has_focus && index == list.caret;
  if (IsOwnerDraw(hwnd)) {
    DRAWITEMSTRUCT draw;
    draw.CtlType = ControlType(list);
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(ItemWindow(hwnd, list)));
    draw.itemID = static_cast<UINT>(index);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = (is_selected ? ODS_SELECTED : 0) | (is_focus ? ODS_FOCUS : 0) |
                     (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
    draw.hwndItem = ItemWindow(hwnd, list);
    draw.hDC = dc;
    draw.rcItem = rect;
    draw.itemData = item.data;
    SendMessage(OwnerWindow(hwnd, list), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    return;
  }
  FillRect(dc, &rect, is_selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : background);
  SetTextColor(dc, GetSysColor(!IsWindowEnabled(hwnd) ? COLOR_GRAYTEXT
                               : is_selected        ? COLOR_HIGHLIGHTTEXT
                                                    : COLOR_WINDOWTEXT));
  RECT text_rect = rect;
  text_rect.left += 2;
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                      ((StyleOf(hwnd) & LBS_USETABSTOPS) != 0 ? DT_EXPANDTABS : 0);
  DrawText(dc, item.text.data(), static_cast<int>(item.text.size()), &text_rect, format);
  if (is_focus) DrawFocusFrame(dc, rect);
}

void Paint(HWND hwnd, const ListBox& list) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  HBRUSH background = ControlBrush(list.combo != nullptr ? list.combo : hwnd, dc, WM_CTLCOLORLISTBOX);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, background);
  HFONT previous = SelectObject(dc, list.font != nullptr ? list.font : DefaultControlFont());
  SetBkMode(dc, TRANSPARENT);
  const int visible = VisibleCount(hwnd, list) + 1;
  for (int i = list.top; i < Count(list) && i < list.top + visible; ++i) DrawItem(hwnd, list, dc, i, background);
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

int ItemAtPoint(HWND hwnd, const ListBox& list, POINT point, bool* is_outside) {
  RECT client{};
  GetClientRect(hwnd, &client);
  *is_outside = point.x < 0 || point.y < 0 || point.x >= client.right || point.y >= client.bottom;
  if (Count(list) == 0) return -1;
  const int index = list.top + (point.y < 0 ? -1 : point.y / std::max(1, list.item_height));
  if (index < 0) return 0;
  if (index >= Count(list)) {
    *is_outside = true;
    return Count(list) - 1;
  }
  return index;
}

// A click or drag on item `index` with the modifier keys of `flags`.
void ClickItem(HWND hwnd, ListBox& list, int index, WPARAM flags, bool is_press) {
  const DWORD style = StyleOf(hwnd);
  if ((style & LBS_NOSEL) != 0) return;
  if ((style & LBS_EXTENDEDSEL) != 0) {
    if ((flags & MK_SHIFT) != 0 && list.anchor >= 0) {
      if ((flags & MK_CONTROL) == 0) SetRange(hwnd, list, 0, Count(list) - 1, false);
      SetRange(hwnd, list, list.anchor, index, true);
    } else if ((flags & MK_CONTROL) != 0) {
      if (is_press) {
        list.items[static_cast<size_t>(index)].is_selected = !list.items[static_cast<size_t>(index)].is_selected;
        list.anchor = index;
      }
    } else {
      SetRange(hwnd, list, 0, Count(list) - 1, false);
      SetRange(hwnd, list, index, index, true);
      if (is_press) list.anchor = index;
    }
    list.caret = index;
  } else if ((style & LBS_MULTIPLESEL) != 0) {
    if (!is_press) return;
    list.items[static_cast<size_t>(index)].is_selected = !list.items[static_cast<size_t>(index)].is_selected;
    list.caret = index;
  } else {
    if (list.cur_sel == index) return;
    SelectSingle(hwnd, list, index);
  }
  EnsureVisible(hwnd, list, index);
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, list, LBN_SELCHANGE);
}

void OnMouse(HWND hwnd, const ListPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  ListBox& list = *state;
  const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  bool is_outside = false;
  const int index = ItemAtPoint(hwnd, list, point, &is_outside);
  const bool is_drop_list = list.combo != nullptr && (StyleOf(hwnd) & WS_CHILD) == 0;
  if (is_drop_list) {
    // The pop-up list of a combo box: it follows the pointer and reports a
    // choice or a dismissal to its combo box.
    if (message == WM_MOUSEMOVE && !is_outside && index >= 0 && index != list.cur_sel) SelectSingle(hwnd, list, index);
    if (message == WM_LBUTTONDOWN && is_outside) SendMessage(list.combo, kComboListDismissed, 0, 0);
    if (message == WM_LBUTTONUP && !is_outside && index >= 0) {
      SelectSingle(hwnd, list, index);
      SendMessage(list.combo, kComboListChosen, static_cast<WPARAM>(index), 0);
    }
    return;
  }
  switch (message) {
    case WM_LBUTTONDOWN:
      if (GetFocus() != hwnd && list.combo == nullptr) SetFocus(hwnd);
      if (index < 0 || is_outside) return;
      list.is_tracking = true;
      SetCapture(hwnd);
      ClickItem(hwnd, list, index, wparam, true);
      return;
    case WM_MOUSEMOVE:
      if (list.is_tracking && index >= 0 && (StyleOf(hwnd) & LBS_MULTIPLESEL) == 0) {
        ClickItem(hwnd, list, index, wparam | (IsMultiSel(hwnd) ? MK_SHIFT : 0), false);
      }
      return;
    case WM_LBUTTONUP:
      if (list.is_tracking) {
        list.is_tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return;
    case WM_LBUTTONDBLCLK:
      if (index >= 0 && !is_outside) Notify(hwnd, list, LBN_DBLCLK);
      return;
    default: return;
  }
}

void OnKey(HWND hwnd, const ListPtr& state, WPARAM key) {
  ListBox& list = *state;
  const int count = Count(list);
  if (count == 0) return;
  const int from = list.caret < 0 ? 0 : list.caret;
  const int page = std::max(1, VisibleCount(hwnd, list) - 1);
  int to;
  switch (key) {
    case VK_UP: to = from - 1; break;
    case VK_DOWN: to = list.caret < 0 ? 0 : from + 1; break;
    case VK_PRIOR: to = from - page; break;
    case VK_NEXT: to = from + page; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    case VK_SPACE:
      if ((StyleOf(hwnd) & LBS_MULTIPLESEL) != 0 && list.caret >= 0) ClickItem(hwnd, list, list.caret, 0, true);
      return;
    default: return;
  }
  to = std::clamp(to, 0, count - 1);
  if ((StyleOf(hwnd) & LBS_MULTIPLESEL) != 0) {
    list.caret = to;
    EnsureVisible(hwnd, list, to);
    InvalidateRect(hwnd, nullptr, TRUE);
    return;
  }
  const WPARAM flags = GetKeyState(VK_SHIFT) < 0 ? MK_SHIFT : 0;
  ClickItem(hwnd, list, to, flags, true);
}

// Type-ahead: characters typed within a second form a prefix to find.
void OnChar(HWND hwnd, const ListPtr& state, char32_t code) {
  ListBox& list = *state;
  if (code < 0x20 || !HasStrings(hwnd) || Count(list) == 0) return;
  const DWORD now = GetMessageTime();
  if (now - list.type_ahead_time > 1000) list.type_ahead.clear();
  list.type_ahead_time = now;
  list.type_ahead += ToUtf8(code);
  const WPARAM start = list.type_ahead.size() == ToUtf8(code).size() ? static_cast<WPARAM>(list.caret)
                                                                       : static_cast<WPARAM>(list.caret - 1);
  const LRESULT found = Find(hwnd, list, start, reinterpret_cast<LPARAM>(list.type_ahead.c_str()), false);
  if (found >= 0) ClickItem(hwnd, list, static_cast<int>(found), 0, true);
}

LRESULT GetText(HWND hwnd, const ListBox& list, WPARAM index, LPARAM lparam) {
  if (!IsValid(list, index) || lparam == 0) return LB_ERR;
  const Item& item = list.items[index];
  if (!HasStrings(hwnd)) {
    std::memcpy(reinterpret_cast<void*>(lparam), &item.data, sizeof(item.data));
    return sizeof(item.data);
  }
  auto* out = reinterpret_cast<char*>(lparam);
  std::memcpy(out, item.text.c_str(), item.text.size() + 1);
  return static_cast<LRESULT>(item.text.size());
}

LRESULT HandleSelection(HWND hwnd, ListBox& list, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool is_multi = IsMultiSel(hwnd);
  switch (message) {
    case LB_SETCURSEL: {
      if (is_multi) return LB_ERR;
      const auto index = static_cast<intptr_t>(wparam);
      if (index == -1) {
        SelectSingle(hwnd, list, -1);
        return LB_ERR;
      }
      if (!IsValid(list, wparam)) return LB_ERR;
      SelectSingle(hwnd, list, static_cast<int>(index));
      return index;
    }
    case LB_GETCURSEL: return is_multi ? list.caret : list.cur_sel;
    case LB_SETSEL: {
      if (!is_multi) return LB_ERR;
      const auto index = static_cast<intptr_t>(lparam);
      if (index == -1) {
        SetRange(hwnd, list, 0, Count(list) - 1, wparam != 0);
        return LB_OKAY;
      }
      if (index < 0 || index >= Count(list)) return LB_ERR;
      list.items[static_cast<size_t>(index)].is_selected = wparam != 0;
      list.caret = static_cast<int>(index);
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    }
    case LB_GETSEL:
      if (!IsValid(list, wparam)) return LB_ERR;
      return IsSelected(hwnd, list, static_cast<int>(wparam)) ? 1 : 0;
    case LB_GETSELCOUNT:
      if (!is_multi) return LB_ERR;
      return std::count_if(list.items.begin(), list.items.end(), [](const Item& item) { return item.is_selected; });
    case LB_GETSELITEMS: {
      if (!is_multi || lparam == 0) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lparam);
      int written = 0;
      for (int i = 0; i < Count(list) && static_cast<WPARAM>(written) < wparam; ++i) {
        if (list.items[static_cast<size_t>(i)].is_selected) out[written++] = i;
      }
      return written;
    }
    case LB_SELITEMRANGE:
      if (!is_multi) return LB_ERR;
      SetRange(hwnd, list, LOWORD(static_cast<uintptr_t>(lparam)), HIWORD(static_cast<uintptr_t>(lparam)), wparam != 0);
      return LB_OKAY;
    case LB_SELITEMRANGEEX: {
      if (!is_multi) return LB_ERR;
      const auto first = static_cast<int>(static_cast<intptr_t>(wparam));
      const auto last = static_cast<int>(lparam);
      SetRange(hwnd, list, first, last, first <= last);
      return LB_OKAY;
    }
    case LB_SELECTSTRING: {
      const LRESULT found = Find(hwnd, list, wparam, lparam, false);
      if (found == LB_ERR) return LB_ERR;
      if (is_multi) {
        list.caret = static_cast<int>(found);
        list.items[static_cast<size_t>(found)].is_selected = true;
        EnsureVisible(hwnd, list, static_cast<int>(found));
        InvalidateRect(hwnd, nullptr, TRUE);
      } else {
        SelectSingle(hwnd, list, static_cast<int>(found));
      }
      return found;
    }
    case LB_SETCARETINDEX:
      if (!IsValid(list, wparam)) return LB_ERR;
      list.caret = static_cast<int>(wparam);
      if (!is_multi) list.cur_sel = list.caret;
      EnsureVisible(hwnd, list, list.caret);
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    case LB_GETCARETINDEX: return list.caret;
    case LB_SETANCHORINDEX:
      if (!IsValid(list, wparam)) return LB_ERR;
      list.anchor = static_cast<int>(wparam);
      return LB_OKAY;
    case LB_GETANCHORINDEX: return list.anchor;
    default: return LB_ERR;
  }
}

LRESULT Handle(HWND hwnd, const ListPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  ListBox& list = *state;
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
      if (HasClass(hwnd, kComboListClass)) list.combo = static_cast<HWND>(create->lpCreateParams);
      list.item_height = LineHeight(nullptr);
      if (IsOwnerDraw(hwnd) && list.combo == nullptr) {
        MEASUREITEMSTRUCT measure;
        measure.CtlType = ODT_LISTBOX;
        measure.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        measure.itemHeight = static_cast<UINT>(list.item_height);
        measure.itemWidth = static_cast<UINT>(create->cx);
        SendMessage(GetParent(hwnd), WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
        if (measure.itemHeight > 0) list.item_height = static_cast<int>(measure.itemHeight);
      }
      UpdateScrollBar(hwnd, list);
      return 0;
    }
    case WM_PAINT: Paint(hwnd, list); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: UpdateScrollBar(hwnd, list); InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SETFONT:
      list.font = reinterpret_cast<HFONT>(wparam);
      if (!IsOwnerDraw(hwnd)) list.item_height = LineHeight(list.font);
      UpdateScrollBar(hwnd, list);
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(list.font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      list.has_focus = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, list, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      list.has_focus = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, list, LBN_KILLFOCUS);
      return 0;
    case WM_MOUSEACTIVATE:
      if (list.combo != nullptr && (StyleOf(hwnd) & WS_CHILD) == 0) return MA_NOACTIVATE;
      return DefWindowProc(hwnd, message, wparam, lparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE: OnMouse(hwnd, state, message, wparam, lparam); return 0;
    case WM_CAPTURECHANGED:
      list.is_tracking = false;
      return 0;
    case WM_KEYDOWN: OnKey(hwnd, state, wparam); return 0;
    case WM_CHAR: OnChar(hwnd, state, static_cast<char32_t>(wparam)); return 0;
    case WM_VSCROLL: {
      const int visible = VisibleCount(hwnd, list);
      switch (LOWORD(wparam)) {
        case SB_LINEUP: SetTop(hwnd, list, list.top - 1); break;
        case SB_LINEDOWN: SetTop(hwnd, list, list.top + 1); break;
        case SB_PAGEUP: SetTop(hwnd, list, list.top - visible); break;
        case SB_PAGEDOWN: SetTop(hwnd, list, list.top + visible); break;
        case SB_TOP: SetTop(hwnd, list, 0); break;
        case SB_BOTTOM: SetTop(hwnd, list, Count(list)); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(hwnd, list, HIWORD(wparam)); break;
        default: break;
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      SetTop(hwnd, list, list.top - GET_Y_LPARAM(static_cast<LPARAM>(wparam)) / WHEEL_DELTA * 3);
      return 0;
    case LB_ADDSTRING: return Insert(hwnd, list, 0, lparam, true);
    case LB_INSERTSTRING: return Insert(hwnd, list, wparam, lparam, false);
    case LB_DELETESTRING: return Delete(hwnd, list, wparam);
    case LB_RESETCONTENT: Reset(hwnd, list); return TRUE;
    case LB_GETCOUNT: return Count(list);
    case LB_GETTEXT: return GetText(hwnd, list, wparam, lparam);
    case LB_GETTEXTLEN:
      if (!IsValid(list, wparam)) return LB_ERR;
      return HasStrings(hwnd) ? static_cast<LRESULT>(list.items[wparam].text.size()) : sizeof(ULONG_PTR);
    case LB_GETITEMDATA:
      if (!IsValid(list, wparam)) return LB_ERR;
      return static_cast<LRESULT>(list.items[wparam].data);
    case LB_SETITEMDATA:
      if (!IsValid(list, wparam)) return LB_ERR;
      list.items[wparam].data = static_cast<ULONG_PTR>(lparam);
      return TRUE;
    case LB_FINDSTRING: return Find(hwnd, list, wparam, lparam, false);
    case LB_FINDSTRINGEXACT: return Find(hwnd, list, wparam, lparam, true);
    case LB_GETTOPINDEX: return list.top;
    case LB_SETTOPINDEX:
      if (!IsValid(list, wparam) && !(wparam == 0 && list.items.empty())) return LB_ERR;
      SetTop(hwnd, list, static_cast<int>(wparam));
      return LB_OKAY;
    case LB_GETITEMRECT:
      if (lparam == 0 || (!IsValid(list, wparam) && wparam != 0)) return LB_ERR;
      *reinterpret_cast<RECT*>(lparam) = ItemRect(hwnd, list, static_cast<int>(wparam));
      return LB_OKAY;
    case LB_GETITEMHEIGHT: return list.item_height;
    case LB_SETITEMHEIGHT:
      if (lparam <= 0 || lparam > 255) return LB_ERR;
      list.item_height = static_cast<int>(lparam);
      Changed(hwnd, list);
      return LB_OKAY;
    case LB_ITEMFROMPOINT: {
      bool is_outside = false;
      const int index = ItemAtPoint(hwnd, list, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, &is_outside);
      return MAKELRESULT(static_cast<WORD>(index < 0 ? 0 : index), is_outside ? 1 : 0);
    }
    case LB_SETTABSTOPS: return TRUE;
    case LB_SETCOLUMNWIDTH: return 0;
    case LB_GETHORIZONTALEXTENT: return list.horizontal_extent;
    case LB_SETHORIZONTALEXTENT: list.horizontal_extent = static_cast<int>(wparam); return 0;
    case LB_SETLOCALE: {
      const LCID previous = list.locale;
      list.locale = static_cast<LCID>(wparam);
      return previous;
    }
    case LB_GETLOCALE: return list.locale;
    case LB_INITSTORAGE:
      list.items.reserve(list.items.size() + wparam);
      return static_cast<LRESULT>(list.items.size() + wparam);
    case LB_SETCURSEL:
    case LB_GETCURSEL:
    case LB_SETSEL:
    case LB_GETSEL:
    case LB_GETSELCOUNT:
    case LB_GETSELITEMS:
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX:
    case LB_SELECTSTRING:
    case LB_SETCARETINDEX:
    case LB_GETCARETINDEX:
    case LB_SETANCHORINDEX:
    case LB_GETANCHORINDEX: return HandleSelection(hwnd, list, message, wparam, lparam);
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<ListBox, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
