// Window geometry and state: positions, sizes, z-order, showing, enabling and
// point mapping. Top-level windows are mirrored to the backend; children
// exist only here.
#include <algorithm>

#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::RequireWindow;
using user::State;
using user::Window;

namespace user {

POINT ClientOriginOnScreen(const Window& window) {
  POINT origin{window.client_rect.left, window.client_rect.top};
  for (auto parent = FindWindowRecord(window.parent); parent; parent = FindWindowRecord(parent->parent)) {
    origin.x += parent->client_rect.left;
    origin.y += parent->client_rect.top;
  }
  return origin;
}

RECT WindowRectOnScreen(const Window& window) {
  RECT rect = window.window_rect;
  if (auto parent = FindWindowRecord(window.parent)) {
    const POINT origin = ClientOriginOnScreen(*parent);
    rect.left += origin.x;
    rect.right += origin.x;
    rect.top += origin.y;
    rect.bottom += origin.y;
  }
  return rect;
}

bool IsVisibleChain(const Window& window) {
  if ((window.style & WS_VISIBLE) == 0) return false;
  for (auto parent = FindWindowRecord(window.parent); parent; parent = FindWindowRecord(parent->parent)) {
    if ((parent->style & WS_VISIBLE) == 0) return false;
  }
  return true;
}

bool IsEnabledChain(const Window& window) {
  if ((window.style & WS_DISABLED) != 0) return false;
  for (auto parent = FindWindowRecord(window.parent); parent; parent = FindWindowRecord(parent->parent)) {
    if ((parent->style & WS_DISABLED) != 0) return false;
  }
  return true;
}

RECT ClientRectForStyle(const RECT& window, DWORD style, DWORD ex_style, bool has_menu) {
  RECT client = window;
  int frame = 0;
  if ((style & WS_THICKFRAME) != 0) {
    frame = GetSystemMetrics(SM_CXSIZEFRAME);
  } else if ((style & WS_DLGFRAME) != 0 || (ex_style & WS_EX_DLGMODALFRAME) != 0) {
    frame = GetSystemMetrics(SM_CXFIXEDFRAME);
  } else if ((style & WS_BORDER) != 0) {
    frame = GetSystemMetrics(SM_CXBORDER);
  }
  if ((ex_style & WS_EX_CLIENTEDGE) != 0) frame += GetSystemMetrics(SM_CXEDGE);
  if ((ex_style & WS_EX_STATICEDGE) != 0) frame += GetSystemMetrics(SM_CXBORDER);
  client.left += frame;
  client.right -= frame;
  client.top += frame;
  client.bottom -= frame;
  if ((style & WS_CAPTION) == WS_CAPTION) {
    client.top += (ex_style & WS_EX_TOOLWINDOW) != 0 ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  }
  if (has_menu && (style & WS_CHILD) == 0) client.top += GetSystemMetrics(SM_CYMENU);
  if ((style & WS_VSCROLL) != 0) client.right -= GetSystemMetrics(SM_CXVSCROLL);
  if ((style & WS_HSCROLL) != 0) client.bottom -= GetSystemMetrics(SM_CYHSCROLL);
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
  return client;
}

HWND WindowAtPoint(POINT screen, bool include_disabled) {
  (void)include_disabled;
  for (HWND top : State().top_levels) {
    auto window = FindWindowRecord(top);
    if (!window || (window->style & WS_VISIBLE) == 0) continue;
    const RECT rect = WindowRectOnScreen(*window);
    if (screen.x < rect.left || screen.x >= rect.right || screen.y < rect.top || screen.y >= rect.bottom) continue;
    if (!PointInWindowRegion(*window, screen.x - rect.left, screen.y - rect.top)) continue;
    HWND found = top;
    for (;;) {
      POINT client = screen;
      ScreenToClient(found, &client);
      HWND child = ChildWindowFromPoint(found, client);
      if (child == nullptr || child == found) break;
      auto record = FindWindowRecord(child);
      if (!record || (record->style & WS_VISIBLE) == 0) break;
      found = child;
    }
    return found;
  }
  return nullptr;
}

namespace {

void MoveWithin(std::vector<HWND>& order, HWND hwnd, HWND insert_after) {
  auto at = std::find(order.begin(), order.end(), hwnd);
  if (at == order.end()) return;
  order.erase(at);
  if (insert_after == HWND_TOP || insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
    order.insert(order.begin(), hwnd);
  } else if (insert_after == HWND_BOTTOM) {
    order.push_back(hwnd);
  } else {
    auto after = std::find(order.begin(), order.end(), insert_after);
    order.insert(after == order.end() ? order.begin() : after + 1, hwnd);
  }
}

// The area a window covered in its parent's client, for repainting there.
void ExposeInParent(const Window& window, const RECT& rect) {
  if (window.parent == nullptr) return;
  InvalidateRect(window.parent, &rect, TRUE);
}

bool SetPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags, bool from_system) {
  auto window = RequireWindow(hwnd);
  if (!window) return false;
  WINDOWPOS pos;
  pos.hwnd = hwnd;
  pos.hwndInsertAfter = insert_after;
  pos.x = (flags & SWP_NOMOVE) != 0 ? window->window_rect.left : x;
  pos.y = (flags & SWP_NOMOVE) != 0 ? window->window_rect.top : y;
  pos.cx = (flags & SWP_NOSIZE) != 0 ? window->window_rect.right - window->window_rect.left : std::max(width, 0);
  pos.cy = (flags & SWP_NOSIZE) != 0 ? window->window_rect.bottom - window->window_rect.top : std::max(height, 0);
  pos.flags = flags;
  if ((flags & SWP_NOSENDCHANGING) == 0) {
    Dispatch(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!IsWindow(hwnd)) return false;
  }
  flags = pos.flags;
  const RECT old_window = window->window_rect;
  const RECT old_client = window->client_rect;
  const bool was_visible = (window->style & WS_VISIBLE) != 0;
  const RECT new_window{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
  const bool is_moved = new_window.left != old_window.left || new_window.top != old_window.top;
  const bool is_sized = new_window.right - new_window.left != old_window.right - old_window.left ||
                        new_window.bottom - new_window.top != old_window.bottom - old_window.top;
  if (is_moved || is_sized || (flags & SWP_FRAMECHANGED) != 0) {
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = new_window;
    params.rgrc[1] = old_window;
    params.rgrc[2] = old_client;
    params.lppos = &pos;
    window->window_rect = new_window;
    Dispatch(window, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (!IsWindow(hwnd)) return false;
    window->client_rect = params.rgrc[0];
  }
  if ((flags & SWP_NOZORDER) == 0) {
    if (window->parent == nullptr) {
      MoveWithin(State().top_levels, hwnd, insert_after);
      if (insert_after == HWND_TOPMOST) window->ex_style |= WS_EX_TOPMOST;
      if (insert_after == HWND_NOTOPMOST) window->ex_style &= ~WS_EX_TOPMOST;
      if (!from_system && window->has_native && insert_after != HWND_BOTTOM) Backend().Raise(hwnd);
    } else if (auto parent = FindWindowRecord(window->parent)) {
      MoveWithin(parent->children, hwnd, insert_after);
    }
  }
  if ((flags & SWP_SHOWWINDOW) != 0) window->style |= WS_VISIBLE;
  if ((flags & SWP_HIDEWINDOW) != 0) window->style &= ~WS_VISIBLE;
  const bool is_visible = (window->style & WS_VISIBLE) != 0;
  if (window->has_native && !from_system) {
    if (is_moved || is_sized) Backend().SetGeometry(hwnd, window->window_rect);
    if (is_visible != was_visible) Backend().Show(hwnd, is_visible);
  }
  if (is_sized || (flags & SWP_FRAMECHANGED) != 0) ResizeBackBuffer(*window);
  if ((flags & SWP_NOREDRAW) == 0) {
    const bool changed = is_moved || is_sized || is_visible != was_visible || (flags & SWP_FRAMECHANGED) != 0;
    if (changed && was_visible) ExposeInParent(*window, old_window);
    if (changed && is_visible) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  if (is_visible != was_visible && !is_visible) {
    // A hidden window gives up focus and activation.
    GuiState& state = State();
    if (state.focus != nullptr && (state.focus == hwnd || IsChild(hwnd, state.focus))) SetFocus(window->parent);
    if (state.active == hwnd) {
      HWND next = nullptr;
      for (HWND top : state.top_levels) {
        if (top != hwnd && IsWindowVisible(top) && IsWindowEnabled(top)) {
          next = top;
          break;
        }
      }
      Activate(next, false, false);
    }
  }
  pos.x = window->window_rect.left;
  pos.y = window->window_rect.top;
  pos.cx = window->window_rect.right - window->window_rect.left;
  pos.cy = window->window_rect.bottom - window->window_rect.top;
  if (!is_moved) pos.flags |= SWP_NOMOVE;
  if (!is_sized) pos.flags |= SWP_NOSIZE;
  Dispatch(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (is_visible && !was_visible && window->parent == nullptr && (flags & SWP_NOACTIVATE) == 0 && IsWindow(hwnd)) {
    Activate(hwnd, false, false);
  }
  return IsWindow(hwnd);
}

}  // namespace

void ApplyNativeGeometry(HWND hwnd, const RECT& rect) {
  SetPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
         SWP_NOZORDER | SWP_NOACTIVATE, true);
}

}  // namespace user

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  auto window = RequireWindow(hwnd);
  if (!window || rect == nullptr) return FALSE;
  *rect = user::WindowRectOnScreen(*window);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  auto window = RequireWindow(hwnd);
  if (!window || rect == nullptr) return FALSE;
  *rect = RECT{0, 0, window->client_rect.right - window->client_rect.left,
               window->client_rect.bottom - window->client_rect.top};
  return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags) {
  if (!user::IsGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  return user::SetPos(hwnd, insert_after, x, y, width, height, flags, false) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) {
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  const BOOL was_visible = (window->style & WS_VISIBLE) != 0 ? TRUE : FALSE;
  const bool show = command != SW_HIDE;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  if (command == SW_SHOWNA || command == SW_SHOWNOACTIVATE || command == SW_SHOWMINNOACTIVE || command == SW_HIDE ||
      window->parent != nullptr) {
    flags |= SWP_NOACTIVATE;
  }
  if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
    if (!window->is_minimized) {
      window->restore_rect = window->window_rect;
      window->is_minimized = true;
      window->style |= WS_MINIMIZE;
    }
    // A minimised window keeps its record but leaves the screen.
    user::Dispatch(window, WM_SIZE, SIZE_MINIMIZED, 0);
    return was_visible;
  }
  if (command == SW_MAXIMIZE && !window->is_maximized) {
    window->restore_rect = window->window_rect;
    window->is_maximized = true;
    window->style |= WS_MAXIMIZE;
    const RECT work = user::Backend().Screen().work_area;
    user::SetPos(hwnd, nullptr, work.left, work.top, work.right - work.left, work.bottom - work.top,
                 SWP_NOZORDER | SWP_SHOWWINDOW, false);
    return was_visible;
  }
  if ((command == SW_RESTORE || command == SW_SHOWNORMAL) && (window->is_minimized || window->is_maximized)) {
    window->is_minimized = false;
    window->is_maximized = false;
    window->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    const RECT& rect = window->restore_rect;
    user::SetPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_SHOWWINDOW, false);
    return was_visible;
  }
  if (show == (was_visible != FALSE)) {
    if (show && (flags & SWP_NOACTIVATE) == 0 && window->parent == nullptr) SetActiveWindow(hwnd);
    return was_visible;
  }
  user::Dispatch(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!IsWindow(hwnd)) return was_visible;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  return was_visible;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  const BOOL was_disabled = (window->style & WS_DISABLED) != 0 ? TRUE : FALSE;
  if ((enable != FALSE) == (was_disabled == FALSE)) return was_disabled;
  if (enable) {
    window->style &= ~WS_DISABLED;
  } else {
    window->style |= WS_DISABLED;
    user::GuiState& state = State();
    if (state.focus != nullptr && (state.focus == hwnd || IsChild(hwnd, state.focus))) SetFocus(nullptr);
    if (state.capture != nullptr && (state.capture == hwnd || IsChild(hwnd, state.capture))) ReleaseCapture();
  }
  user::Dispatch(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return was_disabled;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  auto window = RequireWindow(hwnd);
  if (!window || point == nullptr) return FALSE;
  const POINT origin = user::ClientOriginOnScreen(*window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  auto window = RequireWindow(hwnd);
  if (!window || point == nullptr) return FALSE;
  const POINT origin = user::ClientOriginOnScreen(*window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT from_origin{};
  POINT to_origin{};
  if (from != nullptr) {
    auto window = RequireWindow(from);
    if (!window) return 0;
    from_origin = user::ClientOriginOnScreen(*window);
  }
  if (to != nullptr) {
    auto window = RequireWindow(to);
    if (!window) return 0;
    to_origin = user::ClientOriginOnScreen(*window);
  }
  const int dx = from_origin.x - to_origin.x;
  const int dy = from_origin.y - to_origin.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND WindowFromPoint(POINT screen) { return user::WindowAtPoint(screen, true); }

HWND ChildWindowFromPoint(HWND parent, POINT client) {
  auto window = RequireWindow(parent);
  if (!window) return nullptr;
  const RECT& rect = window->client_rect;
  if (client.x < 0 || client.y < 0 || client.x >= rect.right - rect.left || client.y >= rect.bottom - rect.top) {
    return nullptr;
  }
  for (HWND child : window->children) {
    auto record = FindWindowRecord(child);
    if (!record) continue;
    const RECT& r = record->window_rect;
    if (client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom &&
        user::PointInWindowRegion(*record, client.x - r.left, client.y - r.top)) {
      return child;
    }
  }
  return parent;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL has_menu, DWORD ex_style) {
  if (rect == nullptr) return FALSE;
  // The non-client widths of the style, without scroll bars.
  const RECT probe{0, 0, 10000, 10000};
  const RECT client = user::ClientRectForStyle(probe, style & ~(WS_VSCROLL | WS_HSCROLL), ex_style, has_menu != FALSE);
  rect->left -= client.left - probe.left;
  rect->top -= client.top - probe.top;
  rect->right += probe.right - client.right;
  rect->bottom += probe.bottom - client.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL has_menu) { return AdjustWindowRectEx(rect, style, has_menu, 0); }

BOOL LockWindowUpdate(HWND hwnd) {
  (void)hwnd;
  return FALSE;
}

}  // namespace plat
