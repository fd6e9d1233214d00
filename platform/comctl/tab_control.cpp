// The tab control: one row of tabs over a display area. The parent may keep
// the current tab when the user picks another (TCN_SELCHANGING answered
// TRUE); a selection made by the program is not asked about.
#include <algorithm>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "plat/tab_control.h"

namespace plat::comctl {

namespace {

constexpr int kTabPaddingPx = 6;   // each side of a tab's text
constexpr int kSelectedRisePx = 2;  // the selected tab stands out this much
constexpr int kFramePx = 2;         // the display area's frame
constexpr int kMarginPx = 2;        // from the control's left edge to the first tab

struct TabItem {
  std::string text;
  int image = -1;
  LPARAM param = 0;
};

struct TabControl {
  std::vector<TabItem> items;
  int selected = -1;
  int focused = -1;
  HFONT font = nullptr;
};

using TabControlPtr = std::shared_ptr<TabControl>;

HFONT FontOf(const TabControl& tabs) { return tabs.font != nullptr ? tabs.font : DefaultControlFont(); }

int RowHeight(const TabControl& tabs) { return LineHeight(FontOf(tabs)) + 2 * kTabPaddingPx / 2 + 2; }

// The rectangles of the tabs, left to right, at their unselected size.
std::vector<RECT> TabRects(HWND hwnd, const TabControl& tabs) {
  std::vector<RECT> rects;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT previous = SelectObject(dc, FontOf(tabs));
  const int top = kSelectedRisePx;
  const int height = RowHeight(tabs);
  int x = kMarginPx;
  const bool is_fixed = (StyleOf(hwnd) & TCS_FIXEDWIDTH) != 0;
  int widest = 0;
  std::vector<int> widths;
  for (const TabItem& item : tabs.items) {
    SIZE extent{};
    GetTextExtentPoint32(dc, item.text.c_str(), static_cast<int>(item.text.size()), &extent);
    widths.push_back(extent.cx + 2 * kTabPaddingPx);
    widest = std::max(widest, widths.back());
  }
  for (int width : widths) {
    if (is_fixed) width = widest;
    rects.push_back(RECT{x, top, x + width, top + height});
    x += width;
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  return rects;
}

int TabAt(HWND hwnd, const TabControl& tabs, POINT point) {
  const std::vector<RECT> rects = TabRects(hwnd, tabs);
  for (size_t i = 0; i < rects.size(); ++i) {
    RECT rect = rects[i];
    if (static_cast<int>(i) == tabs.selected) InflateRect(&rect, kSelectedRisePx, kSelectedRisePx);
    if (PtInRect(&rect, point)) return static_cast<int>(i);
  }
  return -1;
}

// The display area inside a window rectangle, or the window around a display area.
void AdjustRect(const TabControl& tabs, bool to_window, RECT* rect) {
  const int top = kSelectedRisePx + RowHeight(tabs);
  if (to_window) {
    rect->left -= kFramePx;
    rect->right += kFramePx;
    rect->bottom += kFramePx;
    rect->top -= top + kFramePx;
  } else {
    rect->left += kFramePx;
    rect->right -= kFramePx;
    rect->bottom -= kFramePx;
    rect->top += top + kFramePx;
    if (rect->right < rect->left) rect->right = rect->left;
    if (rect->bottom < rect->top) rect->bottom = rect->top;
  }
}

// A selection the user asks for: the parent may refuse it.
void UserSelect(HWND hwnd, TabControl& tabs, int index) {
  if (index < 0 || index >= static_cast<int>(tabs.items.size())) return;
  tabs.focused = index;
  if (index == tabs.selected) return;
  NMHDR header;
  if (NotifyParentOf(hwnd, &header, TCN_SELCHANGING) != 0) return;
  // The receiver may have changed the items meanwhile.
  if (!IsWindow(hwnd) || index >= static_cast<int>(tabs.items.size())) return;
  tabs.selected = index;
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParentOf(hwnd, &header, TCN_SELCHANGE);
}

void Paint(HWND hwnd, const TabControl& tabs) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  HBRUSH background = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &client, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
  RECT panel = client;
  panel.top = kSelectedRisePx + RowHeight(tabs);
  DrawEdge(dc, &panel, EDGE_RAISED, BF_RECT | BF_SOFT);
  HFONT previous = SelectObject(dc, FontOf(tabs));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const std::vector<RECT> rects = TabRects(hwnd, tabs);
  for (size_t i = 0; i < rects.size(); ++i) {
    RECT tab = rects[i];
    const bool is_selected = static_cast<int>(i) == tabs.selected;
    if (is_selected) {
      InflateRect(&tab, kSelectedRisePx, 0);
      tab.top -= kSelectedRisePx;
      tab.bottom += 1;  // over the panel's top line
    }
    FillRect(dc, &tab, GetSysColorBrush(COLOR_BTNFACE));
    RECT frame = tab;
    DrawEdge(dc, &frame, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    RECT text = tab;
    DrawText(dc, tabs.items[i].text.c_str(), static_cast<int>(tabs.items[i].text.size()), &text,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (is_selected && GetFocus() == hwnd) {
      InflateRect(&text, -3, -3);
      DrawFocusFrame(dc, text);
    }
  }
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

LRESULT GetItem(const TabControl& tabs, WPARAM index, TCITEM* item) {
  if (item == nullptr || index >= tabs.items.size()) return FALSE;
  const TabItem& source = tabs.items[index];
  if ((item->mask & TCIF_TEXT) != 0) CopyTextOut(source.text, item->pszText, item->cchTextMax);
  if ((item->mask & TCIF_IMAGE) != 0) item->iImage = source.image;
  if ((item->mask & TCIF_PARAM) != 0) item->lParam = source.param;
  return TRUE;
}

void SetItem(TabItem& target, const TCITEM& item) {
  if ((item.mask & TCIF_TEXT) != 0) target.text = item.pszText != nullptr ? item.pszText : "";
  if ((item.mask & TCIF_IMAGE) != 0) target.image = item.iImage;
  if ((item.mask & TCIF_PARAM) != 0) target.param = item.lParam;
}

LRESULT Handle(HWND hwnd, const TabControlPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  TabControl& tabs = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd, tabs); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      tabs.font = reinterpret_cast<HFONT>(wparam);
      if (lparam != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(tabs.font);
    case WM_ENABLE:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int index = TabAt(hwnd, tabs, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (index < 0) return 0;
      if ((StyleOf(hwnd) & TCS_FOCUSNEVER) == 0) SetFocus(hwnd);
      UserSelect(hwnd, tabs, index);
      return 0;
    }
    case WM_KEYDOWN: {
      const int count = static_cast<int>(tabs.items.size());
      const int from = tabs.selected;
      switch (wparam) {
        case VK_LEFT: UserSelect(hwnd, tabs, from - 1); return 0;
        case VK_RIGHT: UserSelect(hwnd, tabs, from + 1); return 0;
        case VK_HOME: UserSelect(hwnd, tabs, 0); return 0;
        case VK_END: UserSelect(hwnd, tabs, count - 1); return 0;
        default: return DefWindowProc(hwnd, message, wparam, lparam);
      }
    }
    case TCM_GETITEMCOUNT: return static_cast<LRESULT>(tabs.items.size());
    case TCM_INSERTITEM: {
      const auto* item = reinterpret_cast<const TCITEM*>(lparam);
      if (item == nullptr) return -1;
      const size_t index = std::min<size_t>(wparam, tabs.items.size());
      TabItem added;
      SetItem(added, *item);
      tabs.items.insert(tabs.items.begin() + static_cast<ptrdiff_t>(index), std::move(added));
      if (tabs.selected >= static_cast<int>(index)) ++tabs.selected;
      if (tabs.selected < 0) tabs.selected = 0;  // the first tab is selected as it comes
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(index);
    }
    case TCM_SETITEM: {
      const auto* item = reinterpret_cast<const TCITEM*>(lparam);
      if (item == nullptr || wparam >= tabs.items.size()) return FALSE;
      SetItem(tabs.items[wparam], *item);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TCM_GETITEM: return GetItem(tabs, wparam, reinterpret_cast<TCITEM*>(lparam));
    case TCM_DELETEITEM: {
      if (wparam >= tabs.items.size()) return FALSE;
      const int index = static_cast<int>(wparam);
      tabs.items.erase(tabs.items.begin() + index);
      if (tabs.selected == index) {
        tabs.selected = -1;  // no tab is selected until the program picks one
      } else if (tabs.selected > index) {
        --tabs.selected;
      }
      if (tabs.focused >= static_cast<int>(tabs.items.size())) tabs.focused = -1;
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TCM_DELETEALLITEMS:
      tabs.items.clear();
      tabs.selected = tabs.focused = -1;
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case TCM_GETITEMRECT: {
      const std::vector<RECT> rects = TabRects(hwnd, tabs);
      if (wparam >= rects.size() || lparam == 0) return FALSE;
      *reinterpret_cast<RECT*>(lparam) = rects[wparam];
      return TRUE;
    }
    case TCM_GETCURSEL: return tabs.selected;
    case TCM_GETCURFOCUS: return tabs.focused >= 0 ? tabs.focused : tabs.selected;
    case TCM_SETCURSEL: {
      const auto index = static_cast<int>(static_cast<intptr_t>(wparam));
      if (index < 0 || index >= static_cast<int>(tabs.items.size())) return -1;
      const int previous = tabs.selected;
      tabs.selected = tabs.focused = index;
      InvalidateRect(hwnd, nullptr, TRUE);
      return previous;
    }
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(lparam);
      return info != nullptr ? TabAt(hwnd, tabs, info->pt) : -1;
    }
    case TCM_ADJUSTRECT:
      if (lparam != 0) AdjustRect(tabs, wparam != 0, reinterpret_cast<RECT*>(lparam));
      return 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK TabControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<TabControl, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
