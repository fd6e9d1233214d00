// Input routing: backend events become mouse and key messages for the
// window that should see them (capture first, else the deepest visible,
// enabled window under the pointer whose WM_NCHITTEST is not HTTRANSPARENT),
// with mouse activation, WM_SETCURSOR, double clicks, enter/leave and hover
// on the way; and the focus, capture, activation and key state behind them.
#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <set>

#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::State;

namespace user {

namespace {

constexpr uint64_t kDoubleClickMs = 500;
constexpr int kDoubleClickBox = 4;  // pixels, centred on the first press
constexpr DWORD kDefaultHoverMs = 400;
constexpr int kHoverBox = 4;

bool ContainsInRegion(const Window& window, POINT screen) {
  const RECT rect = WindowRectOnScreen(window);
  if (screen.x < rect.left || screen.x >= rect.right || screen.y < rect.top || screen.y >= rect.bottom) return false;
  return PointInWindowRegion(window, screen.x - rect.left, screen.y - rect.top);
}

// The deepest visible window under `screen` inside `hwnd`, skipping
// `excluded` windows (they answered HTTRANSPARENT) and disabled children.
HWND DeepestAt(HWND hwnd, POINT screen, const std::set<HWND>& excluded) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return nullptr;
  const RECT client = window->client_rect;
  const POINT origin = ClientOriginOnScreen(*window);
  const bool in_client = screen.x >= origin.x && screen.x < origin.x + (client.right - client.left) &&
                         screen.y >= origin.y && screen.y < origin.y + (client.bottom - client.top);
  if (in_client) {
    for (HWND child : window->children) {
      auto record = FindWindowRecord(child);
      if (!record || (record->style & WS_VISIBLE) == 0 || excluded.count(child) != 0) continue;
      if (!ContainsInRegion(*record, screen)) continue;
      if ((record->style & WS_DISABLED) != 0) return hwnd;  // the parent stands in for a disabled child
      if (HWND deeper = DeepestAt(child, screen, excluded)) return deeper;
    }
  }
  return excluded.count(hwnd) != 0 ? nullptr : hwnd;
}

struct Target {
  HWND hwnd = nullptr;
  LRESULT hit = HTNOWHERE;
};

Target HitTest(POINT screen) {
  std::set<HWND> excluded;
  for (int guard = 0; guard < 64; ++guard) {
    HWND found = nullptr;
    for (HWND top : State().top_levels) {
      auto window = FindWindowRecord(top);
      if (!window || (window->style & WS_VISIBLE) == 0 || excluded.count(top) != 0) continue;
      if (!ContainsInRegion(*window, screen)) continue;
      found = DeepestAt(top, screen, excluded);
      if (found != nullptr) break;
    }
    if (found == nullptr) return {};
    const LRESULT hit = SendTo(found, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    if (hit != HTTRANSPARENT) return Target{found, hit};
    excluded.insert(found);
  }
  return {};
}

WPARAM MouseKeyFlags(const uint8_t* keys) {
  WPARAM flags = 0;
  if (keys[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) flags |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
  return flags;
}

UINT ButtonVirtualKey(backend::MouseButton button) {
  switch (button) {
    case backend::MouseButton::kLeft: return VK_LBUTTON;
    case backend::MouseButton::kRight: return VK_RBUTTON;
    case backend::MouseButton::kMiddle: return VK_MBUTTON;
  }
  return VK_LBUTTON;
}

// The client message of a button event: down, up or double click.
UINT ButtonMessage(backend::MouseButton button, backend::EventKind kind, bool is_double) {
  UINT down = WM_LBUTTONDOWN;
  if (button == backend::MouseButton::kRight) down = WM_RBUTTONDOWN;
  if (button == backend::MouseButton::kMiddle) down = WM_MBUTTONDOWN;
  if (kind == backend::EventKind::kMouseUp) return down + 1;
  return is_double ? down + 2 : down;
}

void SetKey(uint8_t* keys, UINT vk, bool is_down) {
  if (vk > 0xFF) return;
  if (is_down) {
    if ((keys[vk] & 0x80) == 0) keys[vk] ^= 0x01;  // toggles on each new press
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= static_cast<uint8_t>(~0x80);
  }
}

// Keeps the generic and the sided modifier keys in step.
void SetKeyWithSides(uint8_t* keys, UINT vk, bool is_down) {
  SetKey(keys, vk, is_down);
  struct Pair {
    UINT generic, left, right;
  };
  static constexpr Pair kPairs[] = {{VK_SHIFT, VK_LSHIFT, VK_RSHIFT},
                                    {VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
                                    {VK_MENU, VK_LMENU, VK_RMENU}};
  for (const Pair& pair : kPairs) {
    if (vk == pair.left || vk == pair.right) {
      SetKey(keys, pair.generic, ((keys[pair.left] | keys[pair.right]) & 0x80) != 0);
    } else if (vk == pair.generic) {
      SetKey(keys, pair.left, is_down);
    }
  }
}

void Enqueue(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, POINT screen, std::string text = {}) {
  GuiState& state = State();
  RoutedInput input;
  input.msg.hwnd = hwnd;
  input.msg.message = message;
  input.msg.wParam = wparam;
  input.msg.lParam = lparam;
  input.msg.time = static_cast<DWORD>(NowMs());
  input.msg.pt = screen;
  input.text = std::move(text);
  std::memcpy(input.keys.data(), state.async_key_state, sizeof(state.async_key_state));
  state.routed_input.push_back(std::move(input));
}

LPARAM PackPoint(POINT point) { return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)); }

void LeaveHovered(HWND new_hover) {
  GuiState& state = State();
  if (state.hovered == new_hover) return;
  MouseTracking& tracking = state.tracking;
  if (tracking.hwnd != nullptr && tracking.hwnd == state.hovered && (tracking.flags & TME_LEAVE) != 0) {
    PostMessage(tracking.hwnd, WM_MOUSELEAVE, 0, 0);
    tracking = MouseTracking{};
  }
  state.hovered = new_hover;
}

void RouteMouse(const backend::InputEvent& event) {
  GuiState& state = State();
  state.cursor = event.screen;
  const bool is_button = event.kind == backend::EventKind::kMouseDown || event.kind == backend::EventKind::kMouseUp;
  if (is_button) {
    SetKey(state.async_key_state, ButtonVirtualKey(event.button), event.kind == backend::EventKind::kMouseDown);
  }
  if (state.restricted_depth > 0) return;  // input is dropped while the restricted loop runs

  if (event.kind == backend::EventKind::kWheel) {
    HWND target = state.focus != nullptr ? state.focus : state.active;
    if (target == nullptr || !IsWindowEnabled(target)) return;
    Enqueue(target, WM_MOUSEWHEEL,
            MAKEWPARAM(static_cast<WORD>(MouseKeyFlags(state.async_key_state)), static_cast<WORD>(event.wheel_delta)),
            PackPoint(event.screen), event.screen);
    return;
  }

  Target target;
  if (state.capture != nullptr && IsWindow(state.capture)) {
    target = Target{state.capture, HTCLIENT};
  } else {
    target = HitTest(event.screen);
  }
  LeaveHovered(target.hwnd);
  if (target.hwnd == nullptr) return;
  auto window = FindWindowRecord(target.hwnd);
  if (!window) return;
  if (!IsEnabledChain(*window)) {
    if (event.kind == backend::EventKind::kMouseDown) MessageBeep(0);
    return;
  }
  if (state.tracking.hwnd == target.hwnd && (state.tracking.flags & TME_HOVER) != 0 &&
      (std::abs(event.screen.x - state.tracking.hover_origin.x) > kHoverBox / 2 ||
       std::abs(event.screen.y - state.tracking.hover_origin.y) > kHoverBox / 2)) {
    state.tracking.hover_origin = event.screen;
    state.tracking.hover_due_ms = NowMs() + state.tracking.hover_ms;
  }

  UINT client_message = WM_MOUSEMOVE;
  bool is_double = false;
  const bool is_client = target.hit == HTCLIENT || state.capture == target.hwnd;
  if (is_button) {
    if (event.kind == backend::EventKind::kMouseDown) {
      const UINT down = ButtonMessage(event.button, event.kind, false);
      const uint64_t now = NowMs();
      const LastClick& last = state.last_click;
      const bool wants_double = !is_client || (window->window_class->style & CS_DBLCLKS) != 0;
      is_double = wants_double && last.hwnd == target.hwnd && last.message == down && now - last.time_ms <= kDoubleClickMs &&
                  std::abs(event.screen.x - last.screen.x) <= kDoubleClickBox / 2 &&
                  std::abs(event.screen.y - last.screen.y) <= kDoubleClickBox / 2;
      state.last_click = is_double ? LastClick{} : LastClick{target.hwnd, down, now, event.screen};
    }
    client_message = ButtonMessage(event.button, event.kind, is_double);
  }
  const UINT message = is_client ? client_message : client_message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;

  if (event.kind == backend::EventKind::kMouseDown) {
    // A press on a window of an inactive top-level window asks before activating.
    const HWND root = RootOf(target.hwnd);
    if (root != state.active && state.capture == nullptr) {
      const LRESULT answer = SendTo(target.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                                    MAKELPARAM(static_cast<WORD>(target.hit), static_cast<WORD>(client_message)));
      if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) {
        auto root_record = FindWindowRecord(root);
        if (root_record && (root_record->ex_style & WS_EX_NOACTIVATE) == 0) SetActiveWindow(root);
      }
      if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return;
      if (!IsWindow(target.hwnd)) return;
    }
  }
  if (state.capture == nullptr) {
    SendTo(target.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(target.hwnd),
           MAKELPARAM(static_cast<WORD>(target.hit), static_cast<WORD>(client_message)));
    if (!IsWindow(target.hwnd)) return;
  }
  if (is_client) {
    POINT client = event.screen;
    ScreenToClient(target.hwnd, &client);
    Enqueue(target.hwnd, message, MouseKeyFlags(state.async_key_state), PackPoint(client), event.screen);
  } else {
    Enqueue(target.hwnd, message, static_cast<WPARAM>(target.hit), PackPoint(event.screen), event.screen);
  }
}

void RouteKey(const backend::InputEvent& event) {
  GuiState& state = State();
  const bool is_down = event.kind == backend::EventKind::kKeyDown;
  const bool was_down = event.virtual_key <= 0xFF && (state.async_key_state[event.virtual_key] & 0x80) != 0;
  SetKeyWithSides(state.async_key_state, event.virtual_key, is_down);
  if (state.restricted_depth > 0) return;
  HWND target = state.focus != nullptr ? state.focus : state.active;
  if (target == nullptr) return;
  auto window = FindWindowRecord(target);
  if (!window || !IsEnabledChain(*window)) return;
  const bool is_alt = (state.async_key_state[VK_MENU] & 0x80) != 0;
  const bool is_system = is_alt || event.virtual_key == VK_F10 || event.virtual_key == VK_MENU;
  // Repeat count 1, scan code, extended flag, context (Alt), previous state, transition.
  LPARAM lparam = 1 | (static_cast<LPARAM>(event.scan_code & 0xFF) << 16);
  if (event.is_extended) lparam |= LPARAM{1} << 24;
  if (is_alt) lparam |= LPARAM{1} << 29;
  if (!is_down || was_down || event.is_repeat) lparam |= LPARAM{1} << 30;
  if (!is_down) lparam |= LPARAM{1} << 31;
  UINT message = is_down ? WM_KEYDOWN : WM_KEYUP;
  if (is_system) message = is_down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  Enqueue(target, message, event.virtual_key, static_cast<LPARAM>(static_cast<int32_t>(lparam)), state.cursor,
          is_down ? event.text : std::string{});
}

}  // namespace

void RouteInputEvent(const backend::InputEvent& event) {
  GuiState& state = State();
  switch (event.kind) {
    case backend::EventKind::kMouseMove:
    case backend::EventKind::kMouseDown:
    case backend::EventKind::kMouseUp:
    case backend::EventKind::kWheel:
      RouteMouse(event);
      return;
    case backend::EventKind::kKeyDown:
    case backend::EventKind::kKeyUp:
      RouteKey(event);
      return;
    case backend::EventKind::kPointerLeft:
      LeaveHovered(nullptr);
      return;
    case backend::EventKind::kCloseRequested:
      if (state.restricted_depth == 0 && IsWindowEnabled(event.window)) {
        PostMessage(event.window, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return;
    case backend::EventKind::kGeometryChanged:
      if (auto window = FindWindowRecord(event.window); window && window->parent == nullptr) {
        ApplyNativeGeometry(event.window, event.rect);
      }
      return;
    case backend::EventKind::kActivated:
      if (IsWindow(event.window) && state.active != event.window) ActivateFromSystem(event.window);
      return;
    case backend::EventKind::kDeactivated:
      ActivateFromSystem(nullptr);
      return;
    case backend::EventKind::kExposed:
      PresentAgain(event.window, event.rect);
      return;
    case backend::EventKind::kClipboardChanged:
      ClipboardChangedElsewhere();
      return;
  }
}

uint64_t InputDeadline() {
  const MouseTracking& tracking = State().tracking;
  if (tracking.hwnd == nullptr || (tracking.flags & TME_HOVER) == 0) return backend::WaitRequest::kNoDeadline;
  return tracking.hover_due_ms;
}

void RunInputDeadlines(uint64_t now_ms) {
  GuiState& state = State();
  MouseTracking& tracking = state.tracking;
  if (tracking.hwnd == nullptr || (tracking.flags & TME_HOVER) == 0 || now_ms < tracking.hover_due_ms) return;
  tracking.flags &= ~TME_HOVER;
  if (state.hovered != tracking.hwnd || !IsWindow(tracking.hwnd)) return;
  POINT client = state.cursor;
  ScreenToClient(tracking.hwnd, &client);
  PostMessage(tracking.hwnd, WM_MOUSEHOVER, MouseKeyFlags(state.async_key_state), PackPoint(client));
  if (tracking.flags == 0) tracking = MouseTracking{};
}

void ForgetWindowInput(HWND hwnd) {
  GuiState& state = State();
  if (state.hovered == hwnd) state.hovered = nullptr;
  if (state.tracking.hwnd == hwnd) state.tracking = MouseTracking{};
  if (state.last_click.hwnd == hwnd) state.last_click = LastClick{};
  if (state.focus == hwnd) state.focus = nullptr;
  if (state.capture == hwnd) {
    state.capture = nullptr;
    Backend().SetPointerGrab(nullptr);
  }
  if (state.active == hwnd) state.active = nullptr;
}

// Activation both ways: `from_system` says the backend already changed it.
HWND Activate(HWND hwnd, bool from_system, bool by_click) {
  GuiState& state = State();
  const HWND root = hwnd != nullptr ? RootOf(hwnd) : nullptr;
  const HWND previous = state.active;
  if (root == previous) return previous;
  if (previous != nullptr && IsWindow(previous)) {
    SendTo(previous, WM_NCACTIVATE, FALSE, 0);
    SendTo(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(root));
    if (root == nullptr) SendTo(previous, WM_ACTIVATEAPP, FALSE, 0);
  }
  state.active = root;
  if (root == nullptr) {
    if (state.focus != nullptr) {
      const HWND old_focus = state.focus;
      state.focus = nullptr;
      SendTo(old_focus, WM_KILLFOCUS, 0, 0);
    }
    return previous;
  }
  auto& tops = state.top_levels;
  tops.erase(std::remove(tops.begin(), tops.end(), root), tops.end());
  tops.insert(tops.begin(), root);
  if (!from_system) {
    Backend().Raise(root);
    Backend().Activate(root);
  }
  if (previous == nullptr) SendTo(root, WM_ACTIVATEAPP, TRUE, 0);
  SendTo(root, WM_NCACTIVATE, TRUE, 0);
  SendTo(root, WM_ACTIVATE, MAKEWPARAM(by_click ? WA_CLICKACTIVE : WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
  return previous;
}

void ActivateFromSystem(HWND hwnd) { Activate(hwnd, true, false); }

}  // namespace user

HWND SetActiveWindow(HWND hwnd) {
  if (hwnd != nullptr && !user::RequireWindow(hwnd)) return nullptr;
  return user::Activate(hwnd, false, false);
}

HWND GetActiveWindow() { return State().active; }
HWND GetForegroundWindow() { return State().active; }

BOOL SetForegroundWindow(HWND hwnd) {
  if (!user::RequireWindow(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND SetFocus(HWND hwnd) {
  user::GuiState& state = State();
  const HWND previous = state.focus;
  if (hwnd == nullptr) {
    state.focus = nullptr;
    if (previous != nullptr) user::SendTo(previous, WM_KILLFOCUS, 0, 0);
    return previous;
  }
  if (!user::RequireWindow(hwnd)) return nullptr;
  if (hwnd == previous) return previous;
  const HWND root = user::RootOf(hwnd);
  if (root != state.active) {
    user::Activate(root, false, false);
    if (state.focus == hwnd || !IsWindow(hwnd)) return previous;
  }
  const HWND old_focus = state.focus;
  state.focus = hwnd;
  if (old_focus != nullptr) user::SendTo(old_focus, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (state.focus == hwnd) user::SendTo(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old_focus), 0);
  return old_focus;
}

HWND GetFocus() { return State().focus; }

HWND SetCapture(HWND hwnd) {
  user::GuiState& state = State();
  if (!user::RequireWindow(hwnd)) return nullptr;
  const HWND previous = state.capture;
  state.capture = hwnd;
  user::Backend().SetPointerGrab(user::RootOf(hwnd));
  if (previous != nullptr && previous != hwnd) {
    user::SendTo(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return previous;
}

BOOL ReleaseCapture() {
  user::GuiState& state = State();
  const HWND previous = state.capture;
  if (previous == nullptr) return TRUE;
  state.capture = nullptr;
  user::Backend().SetPointerGrab(nullptr);
  user::SendTo(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return State().capture; }

SHORT GetKeyState(int virtual_key) {
  if (virtual_key < 0 || virtual_key > 0xFF) return 0;
  const uint8_t key = State().key_state[virtual_key];
  return static_cast<SHORT>(((key & 0x80) != 0 ? 0x8000 : 0) | (key & 0x01));
}

SHORT GetAsyncKeyState(int virtual_key) {
  if (virtual_key < 0 || virtual_key > 0xFF) return 0;
  const uint8_t key = State().async_key_state[virtual_key];
  return static_cast<SHORT>((key & 0x80) != 0 ? 0x8000 : 0);
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (track == nullptr || track->cbSize != sizeof(TRACKMOUSEEVENT)) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  user::GuiState& state = State();
  user::MouseTracking& tracking = state.tracking;
  if ((track->dwFlags & TME_CANCEL) != 0) {
    if (tracking.hwnd == track->hwndTrack) {
      tracking.flags &= ~(track->dwFlags & (TME_HOVER | TME_LEAVE));
      if (tracking.flags == 0) tracking = user::MouseTracking{};
    }
    return TRUE;
  }
  if (!user::RequireWindow(track->hwndTrack)) return FALSE;
  if (state.hovered != track->hwndTrack) {
    // Not over the window: a leave request is answered at once.
    if ((track->dwFlags & TME_LEAVE) != 0) PostMessage(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (tracking.hwnd != track->hwndTrack) tracking = user::MouseTracking{};
  tracking.hwnd = track->hwndTrack;
  tracking.flags |= track->dwFlags & (TME_HOVER | TME_LEAVE);
  if ((track->dwFlags & TME_HOVER) != 0) {
    tracking.hover_ms = track->dwHoverTime == HOVER_DEFAULT ? user::kDefaultHoverMs : track->dwHoverTime;
    tracking.hover_due_ms = user::NowMs() + tracking.hover_ms;
    tracking.hover_origin = state.cursor;
  }
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) return FALSE;
  *point = State().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  State().cursor = POINT{x, y};
  user::Backend().SetCursorPos(POINT{x, y});
  return TRUE;
}

UINT GetDoubleClickTime() { return static_cast<UINT>(user::kDoubleClickMs); }

BOOL MessageBeep(UINT type) {
  user::Backend().Beep(type);
  return TRUE;
}

BOOL DragDetect(HWND hwnd, POINT screen) {
  (void)hwnd;
  const POINT now = State().cursor;
  return std::abs(now.x - screen.x) > GetSystemMetrics(SM_CXDRAG) / 2 ||
                 std::abs(now.y - screen.y) > GetSystemMetrics(SM_CYDRAG) / 2
             ? TRUE
             : FALSE;
}

}  // namespace plat
