// Our own non-client area in the classic look: frame widths and the caption
// from the style, hit testing, drawing of borders, caption, buttons and
// scroll bars, and the tracking loops for moving, sizing and scroll-bar
// arrows when the backend does not take them over.
#include <algorithm>

#include "plat/gdi.h"
#include "plat/menu.h"
#include "plat/resources.h"
#include "plat/text.h"
#include "user/nonclient.h"
#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::State;
using user::Window;

namespace user {

namespace {

constexpr UINT_PTR kScrollRepeatTimer = 0xFFF0;
constexpr UINT kScrollFirstRepeatMs = 400;
constexpr UINT kScrollRepeatMs = 100;

bool Contains(const RECT& rect, POINT point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

int FrameWidth(const Window& window) {
  if ((window.style & WS_THICKFRAME) != 0) return GetSystemMetrics(SM_CXSIZEFRAME);
  if ((window.style & WS_DLGFRAME) != 0 || (window.ex_style & WS_EX_DLGMODALFRAME) != 0) {
    return GetSystemMetrics(SM_CXFIXEDFRAME);
  }
  if ((window.style & WS_BORDER) != 0) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

void Fill(HDC dc, const RECT& rect, int colour_index) {
  FillRect(dc, &rect, GetSysColorBrush(colour_index));
}

void ScrollArrow(HDC dc, RECT rect, UINT kind, bool is_disabled) {
  DrawFrameControl(dc, &rect, DFC_SCROLL, kind | (is_disabled ? DFCS_INACTIVE : 0));
}

void CaptionButton(HDC dc, RECT rect, UINT kind, bool is_disabled) {
  DrawFrameControl(dc, &rect, DFC_CAPTION, kind | (is_disabled ? DFCS_INACTIVE : 0));
}

}  // namespace

void DrawMenuText(HDC dc, const std::string& text, RECT rect, COLORREF colour, UINT format) {
  if (text.empty()) return;
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_VCENTER);
}

NonClientLayout LayoutOf(const Window& window) {
  NonClientLayout layout;
  const RECT& w = window.window_rect;
  layout.window = RECT{0, 0, w.right - w.left, w.bottom - w.top};
  layout.client = ShiftedRect(window.client_rect, -w.left, -w.top);
  layout.frame = FrameWidth(window);
  int inner_top = layout.frame;
  if ((window.style & WS_CAPTION) == WS_CAPTION) {
    const bool is_small = (window.ex_style & WS_EX_TOOLWINDOW) != 0;
    const int height = is_small ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    layout.caption = RECT{layout.frame, inner_top, layout.window.right - layout.frame, inner_top + height - 1};
    inner_top += height;
    const int button_width = is_small ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE) - 2;
    const int button_height = is_small ? GetSystemMetrics(SM_CYSMSIZE) : GetSystemMetrics(SM_CYSIZE) - 4;
    const int top = layout.caption.top + (layout.caption.bottom - layout.caption.top - button_height) / 2;
    int right = layout.caption.right - 2;
    if ((window.style & WS_SYSMENU) != 0) {
      layout.close_button = RECT{right - button_width, top, right, top + button_height};
      right -= button_width + 2;
      if (!is_small && (window.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0 && (window.style & WS_CHILD) == 0) {
        layout.max_button = RECT{right - button_width, top, right, top + button_height};
        layout.min_button = RECT{right - 2 * button_width, top, right - button_width, top + button_height};
      }
      if (!is_small) {
        layout.sys_menu = RECT{layout.caption.left + 1, top, layout.caption.left + 1 + button_height, top + button_height};
      }
    }
  }
  if (window.parent == nullptr && window.control_id != 0) {
    layout.menu = RECT{layout.frame, inner_top, layout.window.right - layout.frame, inner_top + GetSystemMetrics(SM_CYMENU)};
  }
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  if ((window.style & WS_VSCROLL) != 0) {
    layout.vscroll = RECT{layout.client.right, layout.client.top, layout.client.right + bar, layout.client.bottom};
  }
  if ((window.style & WS_HSCROLL) != 0) {
    layout.hscroll = RECT{layout.client.left, layout.client.bottom, layout.client.right, layout.client.bottom + bar};
  }
  if ((window.style & WS_VSCROLL) != 0 && (window.style & WS_HSCROLL) != 0) {
    layout.size_box = RECT{layout.client.right, layout.client.bottom, layout.client.right + bar, layout.client.bottom + bar};
  }
  return layout;
}

ScrollPart ScrollPartAt(const Window& window, int bar, POINT window_point, int* thumb_pos) {
  const NonClientLayout layout = LayoutOf(window);
  const RECT area = bar == SB_VERT ? layout.vscroll : layout.hscroll;
  if (!Contains(area, window_point)) return ScrollPart::kNone;
  const bool is_vertical = bar == SB_VERT;
  const int start = is_vertical ? area.top : area.left;
  const int end = is_vertical ? area.bottom : area.right;
  const int at = is_vertical ? window_point.y : window_point.x;
  const int arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), (end - start) / 2);
  if (at < start + arrow) return ScrollPart::kLineUp;
  if (at >= end - arrow) return ScrollPart::kLineDown;
  const ThumbSpan thumb = ThumbOf(window, bar);
  if (thumb_pos != nullptr) *thumb_pos = thumb.start;
  if (thumb.length > 0 && at >= thumb.start && at < thumb.start + thumb.length) return ScrollPart::kThumb;
  return at < thumb.start ? ScrollPart::kPageUp : ScrollPart::kPageDown;
}

ThumbSpan ThumbOf(const Window& window, int bar) {
  const NonClientLayout layout = LayoutOf(window);
  const RECT area = bar == SB_VERT ? layout.vscroll : layout.hscroll;
  const bool is_vertical = bar == SB_VERT;
  const int start = is_vertical ? area.top : area.left;
  const int end = is_vertical ? area.bottom : area.right;
  const int arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), (end - start) / 2);
  const int track = end - start - 2 * arrow;
  const ScrollBarState& state = window.scroll[bar == SB_VERT ? 1 : 0];
  const int range = state.max - state.min + 1;
  ThumbSpan thumb;
  thumb.track_start = start + arrow;
  thumb.track_length = track;
  if (track <= 0 || range <= 0 || state.disabled_arrows == ESB_DISABLE_BOTH) return thumb;
  int length = state.page > 0 ? static_cast<int>(static_cast<int64_t>(track) * state.page / range) : GetSystemMetrics(SM_CXHTHUMB);
  length = std::clamp(length, std::min(8, track), track);
  const int max_pos = state.max - std::max(state.page - 1, 0);
  const int span = max_pos - state.min;
  const int free = track - length;
  const int offset = span > 0 ? static_cast<int>(static_cast<int64_t>(free) * (state.pos - state.min) / span) : 0;
  thumb.start = start + arrow + offset;
  thumb.length = length;
  return thumb;
}

LRESULT HitTestNonClient(const Window& window, POINT screen) {
  const RECT on_screen = WindowRectOnScreen(window);
  const POINT at{screen.x - on_screen.left, screen.y - on_screen.top};
  const NonClientLayout layout = LayoutOf(window);
  if (!Contains(layout.window, at)) return HTNOWHERE;
  if (Contains(layout.client, at)) return HTCLIENT;
  if ((window.style & WS_THICKFRAME) != 0 && !window.is_maximized) {
    const int frame = layout.frame;
    const int corner = GetSystemMetrics(SM_CYCAPTION);
    const bool left = at.x < frame;
    const bool right = at.x >= layout.window.right - frame;
    const bool top = at.y < frame;
    const bool bottom = at.y >= layout.window.bottom - frame;
    const bool near_left = at.x < corner;
    const bool near_right = at.x >= layout.window.right - corner;
    const bool near_top = at.y < corner;
    const bool near_bottom = at.y >= layout.window.bottom - corner;
    if ((top && near_left) || (left && near_top)) return HTTOPLEFT;
    if ((top && near_right) || (right && near_top)) return HTTOPRIGHT;
    if ((bottom && near_left) || (left && near_bottom)) return HTBOTTOMLEFT;
    if ((bottom && near_right) || (right && near_bottom)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  if (Contains(layout.close_button, at)) return HTCLOSE;
  if (Contains(layout.max_button, at)) return HTMAXBUTTON;
  if (Contains(layout.min_button, at)) return HTMINBUTTON;
  if (Contains(layout.sys_menu, at)) return HTSYSMENU;
  RECT caption = layout.caption;
  caption.bottom += 1;
  if (Contains(caption, at)) return HTCAPTION;
  if (Contains(layout.menu, at)) return HTMENU;
  if (Contains(layout.vscroll, at)) return HTVSCROLL;
  if (Contains(layout.hscroll, at)) return HTHSCROLL;
  if (Contains(layout.size_box, at)) return (window.style & WS_THICKFRAME) != 0 ? HTBOTTOMRIGHT : HTGROWBOX;
  return HTBORDER;
}

void DrawScrollBar(HDC dc, const Window& window, int bar) {
  const NonClientLayout layout = LayoutOf(window);
  const RECT area = bar == SB_VERT ? layout.vscroll : layout.hscroll;
  if (gdi::IsEmptyRect(area)) return;
  Fill(dc, area, COLOR_SCROLLBAR);
  const int arrow = GetSystemMetrics(SM_CYVSCROLL);
  const ScrollBarState& state = window.scroll[bar == SB_VERT ? 1 : 0];
  const bool first_off = state.disabled_arrows == ESB_DISABLE_BOTH || state.disabled_arrows == ESB_DISABLE_LTUP;
  const bool second_off = state.disabled_arrows == ESB_DISABLE_BOTH || state.disabled_arrows == ESB_DISABLE_RTDN;
  if (bar == SB_VERT) {
    ScrollArrow(dc, RECT{area.left, area.top, area.right, std::min(area.bottom, area.top + arrow)}, DFCS_SCROLLUP, first_off);
    ScrollArrow(dc, RECT{area.left, std::max(area.top, area.bottom - arrow), area.right, area.bottom}, DFCS_SCROLLDOWN,
                second_off);
  } else {
    ScrollArrow(dc, RECT{area.left, area.top, std::min(area.right, area.left + arrow), area.bottom}, DFCS_SCROLLLEFT,
                first_off);
    ScrollArrow(dc, RECT{std::max(area.left, area.right - arrow), area.top, area.right, area.bottom}, DFCS_SCROLLRIGHT,
                second_off);
  }
  const ThumbSpan thumb = ThumbOf(window, bar);
  if (thumb.length > 0) {
    RECT rect = bar == SB_VERT ? RECT{area.left, thumb.start, area.right, thumb.start + thumb.length}
                               : RECT{thumb.start, area.top, thumb.start + thumb.length, area.bottom};
    DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

void PaintNonClient(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  if (!window || !IsVisibleChain(*window)) return;
  const NonClientLayout layout = LayoutOf(*window);
  if (layout.client.left == 0 && layout.client.top == 0 && layout.client.right == layout.window.right &&
      layout.client.bottom == layout.window.bottom) {
    return;
  }
  HDC dc = GetWindowDC(hwnd);
  if (dc == nullptr) return;
  // Everything outside the client area belongs to the frame.
  ExcludeClipRect(dc, layout.client.left, layout.client.top, layout.client.right, layout.client.bottom);
  Fill(dc, layout.window, COLOR_BTNFACE);
  RECT frame = layout.window;
  if ((window->style & WS_THICKFRAME) != 0 || (window->style & WS_DLGFRAME) != 0) {
    DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  } else if ((window->style & WS_BORDER) != 0) {
    DrawEdge(dc, &frame, BDR_RAISEDOUTER, BF_RECT | BF_MONO);
  }
  if ((window->ex_style & WS_EX_CLIENTEDGE) != 0) {
    const int edge = GetSystemMetrics(SM_CXEDGE);
    RECT sunken{layout.client.left - edge, layout.client.top - edge, layout.client.right + edge, layout.client.bottom + edge};
    if ((window->style & WS_VSCROLL) != 0) sunken.right += GetSystemMetrics(SM_CXVSCROLL);
    if ((window->style & WS_HSCROLL) != 0) sunken.bottom += GetSystemMetrics(SM_CYHSCROLL);
    DrawEdge(dc, &sunken, EDGE_SUNKEN, BF_RECT);
  }
  if (!gdi::IsEmptyRect(layout.caption)) {
    const bool is_active = State().active == RootOf(hwnd);
    Fill(dc, layout.caption, is_active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    RECT title = layout.caption;
    title.left = (gdi::IsEmptyRect(layout.sys_menu) ? title.left : layout.sys_menu.right) + 2;
    for (const RECT& button : {layout.min_button, layout.max_button, layout.close_button}) {
      if (!gdi::IsEmptyRect(button)) title.right = std::min(title.right, button.left - 2);
    }
    DrawMenuText(dc, window->text, title, GetSysColor(is_active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT),
                 DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (!gdi::IsEmptyRect(layout.close_button)) CaptionButton(dc, layout.close_button, DFCS_CAPTIONCLOSE, false);
    if (!gdi::IsEmptyRect(layout.max_button)) {
      CaptionButton(dc, layout.max_button, window->is_maximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX,
                    (window->style & WS_MAXIMIZEBOX) == 0);
    }
    if (!gdi::IsEmptyRect(layout.min_button)) {
      CaptionButton(dc, layout.min_button, DFCS_CAPTIONMIN, (window->style & WS_MINIMIZEBOX) == 0);
    }
    if (!gdi::IsEmptyRect(layout.sys_menu)) {
      HICON icon = window->window_class->icon_small != nullptr ? window->window_class->icon_small
                                                               : window->window_class->icon;
      if (icon == nullptr) icon = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION));
      const RECT& box = layout.sys_menu;
      DrawIconEx(dc, box.left, box.top, icon, box.right - box.left, box.bottom - box.top, 0, nullptr, DI_NORMAL);
    }
  }
  if (!gdi::IsEmptyRect(layout.menu)) {
    Fill(dc, layout.menu, COLOR_MENU);
    for (const MenuBarItem& item : MenuBarLayout(*window)) {
      const bool is_grey = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
      DrawMenuText(dc, item.text, item.rect, GetSysColor(is_grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT), DT_CENTER);
    }
  }
  DrawScrollBar(dc, *window, SB_VERT);
  DrawScrollBar(dc, *window, SB_HORZ);
  if (!gdi::IsEmptyRect(layout.size_box)) Fill(dc, layout.size_box, COLOR_BTNFACE);
  ReleaseDC(hwnd, dc);
}

namespace {

// Runs the loop of one mouse drag with the capture on `hwnd`: `on_move`
// gets each screen position, the loop ends at the button's release or
// Escape (then `on_cancel` runs).
void TrackDrag(HWND hwnd, const std::function<void(POINT)>& on_move, const std::function<void()>& on_cancel,
               const std::function<void(const MSG&)>& on_timer = nullptr) {
  SetCapture(hwnd);
  bool is_done = false;
  while (!is_done && IsWindow(hwnd) && GetCapture() == hwnd) {
    MSG msg;
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    switch (msg.message) {
      case WM_MOUSEMOVE:
        on_move(msg.pt);
        break;
      case WM_LBUTTONUP:
        on_move(msg.pt);
        is_done = true;
        break;
      case WM_KEYDOWN:
        if (msg.wParam == VK_ESCAPE) {
          on_cancel();
          is_done = true;
        }
        break;
      case WM_TIMER:
        if (msg.hwnd == hwnd && msg.wParam == kScrollRepeatTimer && on_timer) {
          on_timer(msg);
        } else {
          DispatchMessage(&msg);
        }
        break;
      default:
        if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) {
          TranslateMessage(&msg);
          DispatchMessage(&msg);
        }
        break;
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
}

}  // namespace

void TrackMoveOrSize(HWND hwnd, LRESULT hit, POINT start) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return;
  if (hit == HTCAPTION ? Backend().BeginSystemMove(RootOf(hwnd), start) : Backend().BeginSystemResize(RootOf(hwnd), static_cast<int>(hit), start)) {
    return;  // the system tracks it and reports the new geometry
  }
  const RECT original = window->window_rect;
  const int min_width = (window->style & WS_THICKFRAME) != 0 ? GetSystemMetrics(SM_CXMINTRACK) : 0;
  const int min_height = (window->style & WS_THICKFRAME) != 0 ? GetSystemMetrics(SM_CYMINTRACK) : 0;
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  const auto on_move = [&](POINT at) {
    const int dx = at.x - start.x;
    const int dy = at.y - start.y;
    RECT rect = original;
    if (hit == HTCAPTION) {
      rect = ShiftedRect(rect, dx, dy);
      SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect));
    } else {
      if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) rect.left = std::min(rect.left + dx, rect.right - min_width);
      if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) rect.right = std::max(rect.right + dx, rect.left + min_width);
      if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) rect.top = std::min(rect.top + dy, rect.bottom - min_height);
      if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) rect.bottom = std::max(rect.bottom + dy, rect.top + min_height);
      SendMessage(hwnd, WM_SIZING, static_cast<WPARAM>(hit - HTLEFT + 1), reinterpret_cast<LPARAM>(&rect));
    }
    SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const auto on_cancel = [&] {
    SetWindowPos(hwnd, nullptr, original.left, original.top, original.right - original.left,
                 original.bottom - original.top, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  TrackDrag(hwnd, on_move, on_cancel);
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

void TrackScrollBar(HWND hwnd, int bar, POINT start_screen) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return;
  const UINT message = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  const RECT on_screen = WindowRectOnScreen(*window);
  const POINT start{start_screen.x - on_screen.left, start_screen.y - on_screen.top};
  int thumb_start = 0;
  const ScrollPart part = ScrollPartAt(*window, bar, start, &thumb_start);
  if (part == ScrollPart::kNone) return;
  ScrollBarState& state = window->scroll[bar == SB_VERT ? 1 : 0];
  if (part == ScrollPart::kThumb) {
    const ThumbSpan thumb = ThumbOf(*window, bar);
    const int grab = (bar == SB_VERT ? start.y : start.x) - thumb.start;
    const int original = state.pos;
    int last = state.pos;
    const auto position_at = [&](POINT at_screen) {
      const int at = (bar == SB_VERT ? at_screen.y - on_screen.top : at_screen.x - on_screen.left) - grab;
      const int free = thumb.track_length - thumb.length;
      const int max_pos = state.max - std::max(state.page - 1, 0);
      if (free <= 0) return state.min;
      const int offset = std::clamp(at - thumb.track_start, 0, free);
      return state.min + static_cast<int>((static_cast<int64_t>(offset) * (max_pos - state.min) + free / 2) / free);
    };
    TrackDrag(
        hwnd,
        [&](POINT at) {
          const int pos = position_at(at);
          if (pos == last) return;
          last = pos;
          state.track_pos = pos;
          SendMessage(hwnd, message, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(pos)), 0);
        },
        [&] { last = original; });
    if (!IsWindow(hwnd)) return;
    SendMessage(hwnd, message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(last)), 0);
    SendMessage(hwnd, message, SB_ENDSCROLL, 0);
    return;
  }
  const WORD code = part == ScrollPart::kLineUp     ? SB_LINEUP
                    : part == ScrollPart::kLineDown ? SB_LINEDOWN
                    : part == ScrollPart::kPageUp   ? SB_PAGEUP
                                                    : SB_PAGEDOWN;
  // Arrows and pages repeat while held over their part: first after 400 ms, then every 100 ms.
  POINT pointer = start_screen;
  SendMessage(hwnd, message, code, 0);
  SetTimer(hwnd, kScrollRepeatTimer, kScrollFirstRepeatMs, nullptr);
  TrackDrag(
      hwnd, [&](POINT at) { pointer = at; }, [] {},
      [&](const MSG&) {
        auto record = FindWindowRecord(hwnd);
        if (!record) return;
        const POINT at{pointer.x - on_screen.left, pointer.y - on_screen.top};
        if (ScrollPartAt(*record, bar, at, nullptr) == part) SendMessage(hwnd, message, code, 0);
        SetTimer(hwnd, kScrollRepeatTimer, kScrollRepeatMs, nullptr);
      });
  if (!IsWindow(hwnd)) return;
  KillTimer(hwnd, kScrollRepeatTimer);
  SendMessage(hwnd, message, SB_ENDSCROLL, 0);
}

}  // namespace user

}  // namespace plat
