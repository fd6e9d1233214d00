// The toolbar: one row of buttons and separators with images cut from bitmap
// strips. A press captures the mouse; releasing over the same enabled button
// sends WM_COMMAND (id, BN_CLICKED) with the toolbar's handle to its parent.
// With TBSTYLE_TOOLTIPS it owns a tooltip with one tool per button (text by
// callback), relays its mouse messages to it and passes the tooltip's
// notifications on to its parent. Light grey (192, 192, 192) in an image is
// the button face.
#include <algorithm>
#include <vector>

#include "comctl/control_base.h"
#include "plat/control_bars.h"
#include "plat/resources.h"

namespace plat::comctl {

namespace {

constexpr int kDefaultBitmapWidth = 16;
constexpr int kDefaultBitmapHeight = 15;
constexpr int kButtonPadWidth = 7;
constexpr int kButtonPadHeight = 7;
constexpr int kSeparatorWidth = 8;
constexpr int kMargin = 2;  // around the row of buttons
constexpr COLORREF kImageFace = RGB(192, 192, 192);

struct Strip {
  HBITMAP bitmap = nullptr;
  int images = 0;
  bool is_owned = false;
};

struct Toolbar {
  std::vector<TBBUTTON> buttons;
  std::vector<Strip> strips;
  SIZE bitmap{kDefaultBitmapWidth, kDefaultBitmapHeight};
  SIZE button{kDefaultBitmapWidth + kButtonPadWidth, kDefaultBitmapHeight + kButtonPadHeight};
  HWND tooltip = nullptr;
  std::vector<UINT_PTR> tool_ids;  // the tools this toolbar added to its tooltip
  int pressed = -1;  // the button held down with the mouse
  bool is_inside = false;
  int hot = -1;
  bool is_tracking_leave = false;
  bool is_placing = false;
};

using ToolbarPtr = std::shared_ptr<Toolbar>;

bool IsSeparator(const TBBUTTON& button) { return (button.fsStyle & TBSTYLE_SEP) != 0; }
bool IsHidden(const TBBUTTON& button) { return (button.fsState & TBSTATE_HIDDEN) != 0; }
bool IsEnabled(const TBBUTTON& button) { return (button.fsState & TBSTATE_ENABLED) != 0; }

int WidthOf(const Toolbar& bar, const TBBUTTON& button) {
  if (IsHidden(button)) return 0;
  if (IsSeparator(button)) return button.iBitmap > 0 ? button.iBitmap : kSeparatorWidth;
  return bar.button.cx;
}

RECT ItemRect(const Toolbar& bar, size_t index) {
  int left = 0;
  for (size_t i = 0; i < index && i < bar.buttons.size(); ++i) left += WidthOf(bar, bar.buttons[i]);
  const int width = index < bar.buttons.size() ? WidthOf(bar, bar.buttons[index]) : 0;
  return RECT{left, kMargin, left + width, kMargin + bar.button.cy};
}

int HitTest(const Toolbar& bar, POINT point) {
  for (size_t i = 0; i < bar.buttons.size(); ++i) {
    const RECT rect = ItemRect(bar, i);
    if (!IsSeparator(bar.buttons[i]) && !IsHidden(bar.buttons[i]) && PtInRect(&rect, point)) return static_cast<int>(i);
  }
  return -1;
}

int IndexOf(const Toolbar& bar, WPARAM id) {
  for (size_t i = 0; i < bar.buttons.size(); ++i) {
    if (bar.buttons[i].idCommand == static_cast<int>(id) && !IsSeparator(bar.buttons[i])) return static_cast<int>(i);
  }
  return -1;
}

int BarHeight(const Toolbar& bar) { return bar.button.cy + 2 * kMargin; }

// One tool per button, keyed by the toolbar and the command id.
void SyncTools(HWND hwnd, Toolbar& bar) {
  if (bar.tooltip == nullptr) return;
  for (UINT_PTR id : bar.tool_ids) {
    TOOLINFO info;
    info.hwnd = hwnd;
    info.uId = id;
    SendMessage(bar.tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&info));
  }
  bar.tool_ids.clear();
  for (size_t i = 0; i < bar.buttons.size(); ++i) {
    const TBBUTTON& button = bar.buttons[i];
    if (IsSeparator(button)) continue;
    TOOLINFO info;
    info.hwnd = hwnd;
    info.uId = static_cast<UINT_PTR>(button.idCommand);
    info.rect = ItemRect(bar, i);
    info.lpszText = LPSTR_TEXTCALLBACK;
    if (SendMessage(bar.tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info)) != 0) bar.tool_ids.push_back(info.uId);
  }
}

void PlaceInParent(HWND hwnd, Toolbar& bar);

// After buttons or sizes changed: the tools, the bar's height, the picture.
void Relayout(HWND hwnd, Toolbar& bar) {
  SyncTools(hwnd, bar);
  PlaceInParent(hwnd, bar);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void PlaceInParent(HWND hwnd, Toolbar& bar) {
  PlaceBarInParent(hwnd, BarHeight(bar), (StyleOf(hwnd) & CCS_BOTTOM) == CCS_BOTTOM, bar.is_placing);
}

void DrawImage(HDC dc, const Toolbar& bar, const TBBUTTON& button, int x, int y) {
  int index = button.iBitmap;
  for (const Strip& strip : bar.strips) {
    if (index >= strip.images) {
      index -= strip.images;
      continue;
    }
    if (index < 0) return;
    HDC source = CreateCompatibleDC(dc);
    HBITMAP previous = SelectObject(source, strip.bitmap);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const bool is_enabled = IsEnabled(button);
    for (int row = 0; row < bar.bitmap.cy; ++row) {
      for (int col = 0; col < bar.bitmap.cx; ++col) {
        const COLORREF colour = GetPixel(source, index * bar.bitmap.cx + col, row);
        if (colour == kImageFace || colour == CLR_INVALID) continue;
        SetPixel(dc, x + col, y + row, is_enabled ? colour : shadow);
      }
    }
    SelectObject(source, previous);
    DeleteDC(source);
    return;
  }
}

void Paint(HWND hwnd, const Toolbar& bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const DWORD style = StyleOf(hwnd);
  if ((style & CCS_NODIVIDER) == 0) {
    const RECT dark{0, 0, client.right, 1};
    const RECT light{0, 1, client.right, 2};
    FillRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  }
  const bool is_flat = (style & TBSTYLE_FLAT) != 0;
  for (size_t i = 0; i < bar.buttons.size(); ++i) {
    const TBBUTTON& button = bar.buttons[i];
    if (IsHidden(button)) continue;
    RECT rect = ItemRect(bar, i);
    if (IsSeparator(button)) {
      if (is_flat) {
        const int mid = (rect.left + rect.right) / 2;
        RECT line{mid - 1, rect.top, mid + 1, rect.bottom};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
      }
      continue;
    }
    const bool is_down = (button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    if (is_down) {
      DrawEdge(dc, &rect, is_flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    } else if (!is_flat) {
      DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT);
    } else if (static_cast<int>(i) == bar.hot && IsEnabled(button)) {
      DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
    }
    const int x = rect.left + (bar.button.cx - bar.bitmap.cx) / 2 + (is_down ? 1 : 0);
    const int y = rect.top + (bar.button.cy - bar.bitmap.cy) / 2 + (is_down ? 1 : 0);
    DrawImage(dc, bar, button, x, y);
  }
  EndPaint(hwnd, &paint);
}

void InvalidateItem(HWND hwnd, const Toolbar& bar, int index) {
  if (index < 0 || index >= static_cast<int>(bar.buttons.size())) return;
  const RECT rect = ItemRect(bar, static_cast<size_t>(index));
  InvalidateRect(hwnd, &rect, TRUE);
}

void RelayToTip(HWND hwnd, const Toolbar& bar, UINT message, WPARAM wparam, LPARAM lparam) {
  if (bar.tooltip == nullptr) return;
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  SendMessage(bar.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void SetHot(HWND hwnd, Toolbar& bar, int hot) {
  if (hot == bar.hot) return;
  InvalidateItem(hwnd, bar, bar.hot);
  bar.hot = hot;
  InvalidateItem(hwnd, bar, bar.hot);
}

// Changes bits of a button's state; FALSE for an unknown id.
LRESULT ChangeState(HWND hwnd, Toolbar& bar, WPARAM id, BYTE bits, bool is_set) {
  const int index = IndexOf(bar, id);
  if (index < 0) return FALSE;
  BYTE& state = bar.buttons[static_cast<size_t>(index)].fsState;
  const BYTE old = state;
  state = is_set ? static_cast<BYTE>(state | bits) : static_cast<BYTE>(state & ~bits);
  if ((old ^ state) & TBSTATE_HIDDEN) {
    Relayout(hwnd, bar);
  } else if (old != state) {
    InvalidateItem(hwnd, bar, index);
  }
  return TRUE;
}

LRESULT AddBitmap(Toolbar& bar, int images, const TBADDBITMAP* add) {
  if (add == nullptr || images <= 0) return -1;
  Strip strip;
  strip.images = images;
  if (add->hInst == nullptr) {
    strip.bitmap = reinterpret_cast<HBITMAP>(add->nID);  // the caller's; it keeps it alive
  } else {
    strip.bitmap = LoadBitmap(add->hInst, MAKEINTRESOURCE(static_cast<int>(add->nID)));
    strip.is_owned = true;
  }
  if (strip.bitmap == nullptr) return -1;
  int first = 0;
  for (const Strip& s : bar.strips) first += s.images;
  bar.strips.push_back(strip);
  return first;
}

LRESULT Handle(HWND hwnd, const ToolbarPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Toolbar& bar = *state;
  switch (message) {
    case WM_CREATE:
      if ((StyleOf(hwnd) & TBSTYLE_TOOLTIPS) != 0) {
        HWND owner = GetParent(hwnd) != nullptr ? GetAncestor(GetParent(hwnd), GA_ROOT) : nullptr;
        bar.tooltip = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASS, "", WS_POPUP, 0, 0, 0, 0, owner,
                                     nullptr, nullptr, nullptr);
      }
      PlaceInParent(hwnd, bar);
      return 0;
    case WM_DESTROY:
      if (bar.tooltip != nullptr && IsWindow(bar.tooltip)) DestroyWindow(bar.tooltip);
      bar.tooltip = nullptr;
      for (Strip& strip : bar.strips) {
        if (strip.is_owned) DeleteObject(strip.bitmap);
      }
      bar.strips.clear();
      return 0;
    case WM_PAINT: Paint(hwnd, bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      PlaceInParent(hwnd, bar);
      return 0;
    case WM_NOTIFY:
      // The tooltip asks (or tells) the toolbar's parent.
      if (const auto* header = reinterpret_cast<const NMHDR*>(lparam);
          header != nullptr && header->hwndFrom == bar.tooltip && GetParent(hwnd) != nullptr) {
        return SendMessage(GetParent(hwnd), WM_NOTIFY, wparam, lparam);
      }
      return 0;
    case WM_MOUSEMOVE: {
      RelayToTip(hwnd, bar, message, wparam, lparam);
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const int at = HitTest(bar, point);
      if (!bar.is_tracking_leave) {
        TRACKMOUSEEVENT track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd;
        bar.is_tracking_leave = TrackMouseEvent(&track) != FALSE;
      }
      if (bar.pressed >= 0) {
        const bool is_inside = at == bar.pressed;
        if (is_inside != bar.is_inside) {
          bar.is_inside = is_inside;
          BYTE& held = bar.buttons[static_cast<size_t>(bar.pressed)].fsState;
          held = is_inside ? static_cast<BYTE>(held | TBSTATE_PRESSED) : static_cast<BYTE>(held & ~TBSTATE_PRESSED);
          InvalidateItem(hwnd, bar, bar.pressed);
        }
      } else {
        SetHot(hwnd, bar, at);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      bar.is_tracking_leave = false;
      RelayToTip(hwnd, bar, message, wparam, lparam);
      if (bar.pressed < 0) SetHot(hwnd, bar, -1);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RelayToTip(hwnd, bar, WM_LBUTTONDOWN, wparam, lparam);
      const int at = HitTest(bar, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (at < 0 || !IsEnabled(bar.buttons[static_cast<size_t>(at)])) return 0;
      bar.pressed = at;
      bar.is_inside = true;
      bar.buttons[static_cast<size_t>(at)].fsState |= TBSTATE_PRESSED;
      SetCapture(hwnd);
      InvalidateItem(hwnd, bar, at);
      return 0;
    }
    case WM_LBUTTONUP: {
      RelayToTip(hwnd, bar, message, wparam, lparam);
      if (bar.pressed < 0) return 0;
      const int index = bar.pressed;
      const bool is_click = bar.is_inside;
      bar.pressed = -1;
      bar.is_inside = false;
      TBBUTTON& button = bar.buttons[static_cast<size_t>(index)];
      button.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
      if (is_click && (button.fsStyle & TBSTYLE_CHECK) != 0) button.fsState ^= TBSTATE_CHECKED;
      const int id = button.idCommand;
      InvalidateItem(hwnd, bar, index);
      if (GetCapture() == hwnd) ReleaseCapture();
      if (is_click && GetParent(hwnd) != nullptr) {
        SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                    reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (bar.pressed >= 0 && reinterpret_cast<HWND>(lparam) != hwnd) {
        bar.buttons[static_cast<size_t>(bar.pressed)].fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
        InvalidateItem(hwnd, bar, bar.pressed);
        bar.pressed = -1;
        bar.is_inside = false;
      }
      return 0;
    case TB_BUTTONSTRUCTSIZE: return 0;
    case TB_SETBITMAPSIZE:
      bar.bitmap = SIZE{std::max(1, static_cast<int>(LOWORD(lparam))), std::max(1, static_cast<int>(HIWORD(lparam)))};
      bar.button.cx = std::max<LONG>(bar.button.cx, bar.bitmap.cx + kButtonPadWidth);
      bar.button.cy = std::max<LONG>(bar.button.cy, bar.bitmap.cy + kButtonPadHeight);
      Relayout(hwnd, bar);
      return TRUE;
    case TB_SETBUTTONSIZE:
      bar.button = SIZE{std::max<LONG>(LOWORD(lparam), bar.bitmap.cx), std::max<LONG>(HIWORD(lparam), bar.bitmap.cy)};
      Relayout(hwnd, bar);
      return TRUE;
    case TB_GETBUTTONSIZE:
      return MAKELRESULT(static_cast<WORD>(bar.button.cx), static_cast<WORD>(bar.button.cy));
    case TB_ADDBITMAP: return AddBitmap(bar, static_cast<int>(wparam), reinterpret_cast<const TBADDBITMAP*>(lparam));
    case TB_ADDBUTTONS: {
      const auto* add = reinterpret_cast<const TBBUTTON*>(lparam);
      if (add == nullptr) return FALSE;
      bar.buttons.insert(bar.buttons.end(), add, add + wparam);
      Relayout(hwnd, bar);
      return TRUE;
    }
    case TB_DELETEBUTTON: {
      if (wparam >= bar.buttons.size()) return FALSE;
      bar.buttons.erase(bar.buttons.begin() + static_cast<ptrdiff_t>(wparam));
      bar.hot = -1;
      Relayout(hwnd, bar);
      return TRUE;
    }
    case TB_GETBUTTON: {
      auto* out = reinterpret_cast<TBBUTTON*>(lparam);
      if (out == nullptr || wparam >= bar.buttons.size()) return FALSE;
      *out = bar.buttons[wparam];
      return TRUE;
    }
    case TB_BUTTONCOUNT: return static_cast<LRESULT>(bar.buttons.size());
    case TB_COMMANDTOINDEX: return IndexOf(bar, wparam);
    case TB_GETITEMRECT: {
      auto* out = reinterpret_cast<RECT*>(lparam);
      if (out == nullptr || wparam >= bar.buttons.size()) return FALSE;
      *out = ItemRect(bar, wparam);
      return TRUE;
    }
    case TB_AUTOSIZE: PlaceInParent(hwnd, bar); return 0;
    case TB_GETTOOLTIPS: return reinterpret_cast<LRESULT>(bar.tooltip);
    case TB_SETTOOLTIPS:
      bar.tooltip = reinterpret_cast<HWND>(wparam);
      SyncTools(hwnd, bar);
      return 0;
    case TB_HITTEST: {
      const auto* point = reinterpret_cast<const POINT*>(lparam);
      return point != nullptr ? HitTest(bar, *point) : -1;
    }
    case TB_GETHOTITEM: return bar.hot;
    case TB_ENABLEBUTTON: return ChangeState(hwnd, bar, wparam, TBSTATE_ENABLED, LOWORD(lparam) != 0);
    case TB_CHECKBUTTON: return ChangeState(hwnd, bar, wparam, TBSTATE_CHECKED, LOWORD(lparam) != 0);
    case TB_PRESSBUTTON: return ChangeState(hwnd, bar, wparam, TBSTATE_PRESSED, LOWORD(lparam) != 0);
    case TB_HIDEBUTTON: return ChangeState(hwnd, bar, wparam, TBSTATE_HIDDEN, LOWORD(lparam) != 0);
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONPRESSED: {
      const int index = IndexOf(bar, wparam);
      if (index < 0) return FALSE;
      const BYTE bit = message == TB_ISBUTTONENABLED   ? TBSTATE_ENABLED
                       : message == TB_ISBUTTONCHECKED ? TBSTATE_CHECKED
                                                       : TBSTATE_PRESSED;
      return (bar.buttons[static_cast<size_t>(index)].fsState & bit) != 0 ? TRUE : FALSE;
    }
    case TB_GETSTATE: {
      const int index = IndexOf(bar, wparam);
      return index < 0 ? -1 : bar.buttons[static_cast<size_t>(index)].fsState;
    }
    case TB_SETSTATE: {
      const int index = IndexOf(bar, wparam);
      if (index < 0) return FALSE;
      bar.buttons[static_cast<size_t>(index)].fsState = static_cast<BYTE>(LOWORD(lparam));
      Relayout(hwnd, bar);
      return TRUE;
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ToolbarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Toolbar, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
