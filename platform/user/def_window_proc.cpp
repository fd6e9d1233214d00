// DefWindowProc: what a window does with a message its procedure passes on,
// and the scroll bars of windows.
#include <algorithm>
#include <cstring>

#include "plat/controls.h"
#include "plat/gdi.h"
#include "user/nonclient.h"
#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::State;
using user::Window;

namespace {

POINT PointFrom(LPARAM lparam) { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

bool HasMenuBar(const Window& window) { return window.parent == nullptr && window.control_id != 0; }

int SizeCursorFor(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return IDC_SIZENESW;
    default: return 0;
  }
}

LRESULT EraseBackground(Window& window, HDC dc) {
  HBRUSH brush = window.window_class->background;
  if (brush == nullptr) return 0;
  const auto value = reinterpret_cast<uintptr_t>(brush);
  // A class brush of COLOR_* + 1 stands for that system colour.
  if (value <= static_cast<uintptr_t>(COLOR_GRADIENTINACTIVECAPTION) + 1) brush = GetSysColorBrush(static_cast<int>(value) - 1);
  RECT client{};
  GetClientRect(window.hwnd, &client);
  FillRect(dc, &client, brush);
  return 1;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return 0;
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
      if (create != nullptr && create->lpszName != nullptr) window->text = create->lpszName;
      if ((window->style & (WS_HSCROLL | WS_VSCROLL)) != 0) {
        window->scroll[0].is_shown = (window->style & WS_HSCROLL) != 0;
        window->scroll[1].is_shown = (window->style & WS_VSCROLL) != 0;
      }
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* rect = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
      if (rect != nullptr) *rect = user::ClientRectForStyle(*rect, window->style, window->ex_style, HasMenuBar(*window));
      return 0;
    }
    case WM_NCHITTEST: return user::HitTestNonClient(*window, PointFrom(lparam));
    case WM_NCPAINT: user::PaintNonClient(hwnd); return 0;
    case WM_NCACTIVATE:
      window->needs_frame = true;
      if (user::IsVisibleChain(*window)) {
        window->needs_frame = false;
        user::PaintNonClient(hwnd);
      }
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (BeginPaint(hwnd, &paint) != nullptr) EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND: return EraseBackground(*window, reinterpret_cast<HDC>(wparam));
    case WM_SETTEXT: {
      window->text = lparam != 0 ? reinterpret_cast<const char*>(lparam) : "";
      if (window->has_native) user::Backend().SetTitle(hwnd, window->text);
      if ((window->style & WS_CAPTION) == WS_CAPTION) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
      return TRUE;
    }
    case WM_GETTEXT: return user::CopyTextOut(window->text, reinterpret_cast<char*>(lparam), static_cast<int>(wparam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); return 0;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); return 0;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
        case SC_MOVE: user::TrackMoveOrSize(hwnd, HTCAPTION, State().cursor); return 0;
        case SC_SIZE: user::TrackMoveOrSize(hwnd, HTBOTTOMRIGHT, State().cursor); return 0;
        default: return 0;
      }
    case WM_NCLBUTTONDOWN: {
      const POINT at = PointFrom(lparam);
      switch (static_cast<LRESULT>(wparam)) {
        case HTCAPTION:
        case HTLEFT:
        case HTRIGHT:
        case HTTOP:
        case HTBOTTOM:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
          if (window->parent == nullptr || (window->style & WS_CAPTION) != 0 || wparam != HTCAPTION) {
            SetActiveWindow(hwnd);
            user::TrackMoveOrSize(hwnd, static_cast<LRESULT>(wparam), at);
          }
          return 0;
        case HTVSCROLL: user::TrackScrollBar(hwnd, SB_VERT, at); return 0;
        case HTHSCROLL: user::TrackScrollBar(hwnd, SB_HORZ, at); return 0;
        case HTCLOSE: PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lparam); return 0;
        case HTMENU: user::TrackMenuBar(hwnd, at); return 0;
        case HTSYSMENU: user::TrackSystemMenu(hwnd); return 0;
        case HTMINBUTTON: PostMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, lparam); return 0;
        case HTMAXBUTTON:
          PostMessage(hwnd, WM_SYSCOMMAND, window->is_maximized ? SC_RESTORE : SC_MAXIMIZE, lparam);
          return 0;
        default: return 0;
      }
    }
    case WM_NCLBUTTONDBLCLK:
      if (wparam == HTCAPTION && (window->style & WS_MAXIMIZEBOX) != 0 && window->parent == nullptr) {
        PostMessage(hwnd, WM_SYSCOMMAND, window->is_maximized ? SC_RESTORE : SC_MAXIMIZE, lparam);
      }
      return 0;
    case WM_MOUSEACTIVATE:
      // The parent answers first.
      if ((window->style & WS_CHILD) != 0 && window->parent != nullptr) {
        const LRESULT answer = SendMessage(window->parent, WM_MOUSEACTIVATE, wparam, lparam);
        if (answer != 0) return answer;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR: {
      if ((window->style & WS_CHILD) != 0 && window->parent != nullptr &&
          SendMessage(window->parent, WM_SETCURSOR, wparam, lparam) != 0) {
        return TRUE;
      }
      const LRESULT hit = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
      if (hit == HTCLIENT) {
        if (window->window_class->cursor != nullptr) SetCursor(window->window_class->cursor);
        return window->window_class->cursor != nullptr ? TRUE : FALSE;
      }
      const int size_cursor = SizeCursorFor(hit);
      SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(size_cursor != 0 ? size_cursor : IDC_ARROW)));
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && !window->is_minimized) {
        const HWND focus = GetFocus();
        if (focus == nullptr || (focus != hwnd && !IsChild(hwnd, focus))) SetFocus(hwnd);
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
      const RECT& client = window->client_rect;
      if (pos != nullptr && (pos->flags & SWP_NOMOVE) == 0) {
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
      }
      if (pos != nullptr && (pos->flags & SWP_NOSIZE) == 0 && IsWindow(hwnd)) {
        const WPARAM kind = window->is_maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, kind,
                    MAKELPARAM(static_cast<WORD>(client.right - client.left), static_cast<WORD>(client.bottom - client.top)));
      }
      return 0;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      if (info != nullptr) {
        info->ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        info->ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
      }
      return 0;
    }
    case WM_KEYDOWN: return 0;
    case WM_SYSKEYDOWN:
      if (wparam == VK_F1 + 3 && (HIWORD(static_cast<uintptr_t>(lparam)) & 0x2000) != 0) {
        PostMessage(user::RootOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
      }
      return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      if ((window->style & WS_CHILD) != 0 && window->parent != nullptr) {
        return SendMessage(window->parent, message, wparam, lparam);
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      const bool is_field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
      SetBkColor(dc, GetSysColor(is_field ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(is_field ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_PRINTCLIENT:
    case WM_PRINT:
      return 0;
    default: return 0;
  }
}

namespace {

user::ScrollBarState* BarOf(Window& window, int bar) {
  if (bar == SB_HORZ) return &window.scroll[0];
  if (bar == SB_VERT) return &window.scroll[1];
  return nullptr;
}

int ClampPos(const user::ScrollBarState& state, int pos) {
  const int max_pos = state.max - std::max(state.page - 1, 0);
  return std::max(state.min, std::min(pos, std::max(max_pos, state.min)));
}

void RedrawBar(HWND hwnd, int bar) {
  auto window = FindWindowRecord(hwnd);
  if (!window || !user::IsVisibleChain(*window)) return;
  HDC dc = GetWindowDC(hwnd);
  if (dc == nullptr) return;
  user::DrawScrollBar(dc, *window, bar);
  ReleaseDC(hwnd, dc);
}

}  // namespace

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  auto window = user::RequireWindow(hwnd);
  if (!window || info == nullptr) return 0;
  // SB_CTL: the window is a scroll-bar control and keeps its own state.
  if (bar == SB_CTL) return static_cast<int>(SendMessage(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  user::ScrollBarState* state = BarOf(*window, bar);
  if (state == nullptr) return FailWith<int>(0, ERROR_NO_SCROLLBARS);
  if ((info->fMask & SIF_RANGE) != 0) {
    state->min = info->nMin;
    state->max = std::max(info->nMin, info->nMax);
  }
  if ((info->fMask & SIF_PAGE) != 0) {
    const int64_t range = static_cast<int64_t>(state->max) - state->min + 1;
    state->page = static_cast<int>(std::min<int64_t>(info->nPage, range));
  }
  if ((info->fMask & SIF_POS) != 0) state->pos = info->nPos;
  state->pos = ClampPos(*state, state->pos);
  if (redraw) RedrawBar(hwnd, bar);
  return state->pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  auto window = user::RequireWindow(hwnd);
  if (!window || info == nullptr) return FALSE;
  if (bar == SB_CTL) return SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) != 0 ? TRUE : FALSE;
  const user::ScrollBarState* state = BarOf(*window, bar);
  if (state == nullptr) return FailWith<BOOL>(FALSE, ERROR_NO_SCROLLBARS);
  if ((info->fMask & SIF_RANGE) != 0) {
    info->nMin = state->min;
    info->nMax = state->max;
  }
  if ((info->fMask & SIF_PAGE) != 0) info->nPage = static_cast<UINT>(state->page);
  if ((info->fMask & SIF_POS) != 0) info->nPos = state->pos;
  if ((info->fMask & SIF_TRACKPOS) != 0) info->nTrackPos = state->track_pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return 0;
  if (bar == SB_CTL) return static_cast<int>(SendMessage(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
  user::ScrollBarState* state = BarOf(*window, bar);
  if (state == nullptr) return FailWith<int>(0, ERROR_NO_SCROLLBARS);
  const int previous = state->pos;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return previous;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO info;
  info.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  if (!user::RequireWindow(hwnd)) return FALSE;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, &info)) return FALSE;
  if (min != nullptr) *min = info.nMin;
  if (max != nullptr) *max = info.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return FALSE;
  DWORD style = window->style;
  const DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : 0;
  if (bits == 0) return FailWith<BOOL>(FALSE, ERROR_NO_SCROLLBARS);
  style = show ? (style | bits) : (style & ~bits);
  if (style == window->style) return TRUE;
  window->style = style;
  window->scroll[0].is_shown = (style & WS_HSCROLL) != 0;
  window->scroll[1].is_shown = (style & WS_VSCROLL) != 0;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return FALSE;
  if (bar == SB_CTL) return SendMessage(hwnd, SBM_ENABLE_ARROWS, arrows, 0) != 0 ? TRUE : FALSE;
  bool changed = false;
  for (int which : {SB_HORZ, SB_VERT}) {
    if (bar != SB_BOTH && static_cast<int>(bar) != which) continue;
    user::ScrollBarState* state = BarOf(*window, which);
    changed |= state->disabled_arrows != arrows;
    state->disabled_arrows = arrows;
    RedrawBar(hwnd, which);
  }
  return changed ? TRUE : FALSE;
}

}  // namespace plat
