// The message queue of the GUI thread and its loops. Retrieval order:
// posted messages, input, WM_QUIT, WM_PAINT (parents first), WM_TIMER
// (earliest due). Posts may come from any thread and wake the loop through
// the backend; messages for windows that died meanwhile are dropped.
#include <algorithm>
#include <cstring>

#include "plat/clock.h"
#include "plat/headless.h"
#include "plat/last_error.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::State;

namespace user {

GuiState& State() {
  static GuiState* state = new GuiState;  // never destroyed: windows may outlive static teardown
  return *state;
}

bool EnsureGuiThread() {
  GuiState& state = State();
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  if (!state.has_gui_thread) {
    state.gui_thread = std::this_thread::get_id();
    state.has_gui_thread = true;
  }
  return state.gui_thread == std::this_thread::get_id();
}

uint64_t NowMs() { return CurrentClock().MonotonicMs(); }

void WakeLoop() { Backend().Wake(); }

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool MatchesFilter(const MSG& msg, HWND filter, UINT min_filter, UINT max_filter) {
  if (min_filter != 0 || max_filter != 0) {
    if (msg.message < min_filter || msg.message > max_filter) return false;
  }
  if (filter == nullptr) return true;
  if (filter == kThreadMessagesOnly) return msg.hwnd == nullptr;
  return msg.hwnd == filter || IsChild(filter, msg.hwnd);
}

MSG Stamp(MSG msg) {
  if (msg.time == 0) msg.time = static_cast<DWORD>(NowMs());
  return msg;
}

// Runs the time-driven work (hover, caret blink) that is due.
void RunDeadlines() {
  const uint64_t now = NowMs();
  RunInputDeadlines(now);
  RunCaretBlink(now);
}

uint64_t NextDeadline() {
  return std::min({NextTimerDue(), InputDeadline(), CaretDeadline()});
}

enum class Removal : uint8_t { kKeep, kRemove };

bool TakePosted(MSG* out, HWND filter, UINT min_filter, UINT max_filter, Removal removal) {
  GuiState& state = State();
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  for (auto it = state.posted.begin(); it != state.posted.end();) {
    if (it->hwnd != nullptr && !WindowHandles::Find(HandleId(it->hwnd))) {
      it = state.posted.erase(it);  // its window died
      continue;
    }
    if (MatchesFilter(*it, filter, min_filter, max_filter)) {
      *out = *it;
      if (removal == Removal::kRemove) state.posted.erase(it);
      return true;
    }
    ++it;
  }
  return false;
}

// Routes the backend's events waiting in the queue; in a restricted loop
// the user's input is dropped.
void RouteEvents() {
  GuiState& state = State();
  for (;;) {
    backend::InputEvent event;
    {
      std::lock_guard<std::mutex> lock(state.queue_mutex);
      if (state.input_events.empty()) return;
      event = std::move(state.input_events.front());
      state.input_events.pop_front();
    }
    RouteInputEvent(event);
  }
}

bool TakeInput(MSG* out, HWND filter, UINT min_filter, UINT max_filter, Removal removal) {
  GuiState& state = State();
  RouteEvents();
  for (auto it = state.routed_input.begin(); it != state.routed_input.end();) {
    if (!FindWindowRecord(it->msg.hwnd)) {
      it = state.routed_input.erase(it);
      continue;
    }
    if (MatchesFilter(it->msg, filter, min_filter, max_filter)) {
      *out = it->msg;
      if (removal == Removal::kRemove) {
        std::memcpy(state.key_state, it->keys.data(), sizeof(state.key_state));
        if (it->msg.message == WM_KEYDOWN || it->msg.message == WM_SYSKEYDOWN) state.last_key_down = *it;
        state.routed_input.erase(it);
      }
      return true;
    }
    ++it;
  }
  return false;
}

// The next message in retrieval order, or false when none is waiting.
bool TakeNext(MSG* out, HWND filter, UINT min_filter, UINT max_filter, Removal removal) {
  GuiState& state = State();
  RunDeadlines();
  if (TakePosted(out, filter, min_filter, max_filter, removal)) return true;
  if (TakeInput(out, filter, min_filter, max_filter, removal)) return true;
  {
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    if (state.is_quit_posted && (min_filter == 0 && max_filter == 0 ? true : WM_QUIT >= min_filter && WM_QUIT <= max_filter)) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(state.quit_code);
      if (removal == Removal::kRemove) state.is_quit_posted = false;
      return true;
    }
  }
  if ((min_filter == 0 && max_filter == 0) || (WM_PAINT >= min_filter && WM_PAINT <= max_filter)) {
    if (HWND paint = NextWindowToPaint(filter == kThreadMessagesOnly ? nullptr : filter); paint != nullptr) {
      *out = MSG{};
      out->hwnd = paint;
      out->message = WM_PAINT;
      return true;
    }
  }
  if (auto timer = TakeDueTimer(NowMs(), filter, min_filter, max_filter, removal == Removal::kRemove)) {
    *out = *timer;
    return true;
  }
  return false;
}

bool HasWaitingEvents() {
  GuiState& state = State();
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  return !state.posted.empty() || !state.input_events.empty() || state.is_quit_posted;
}

void WaitForMore() {
  GuiState& state = State();
  backend::WaitRequest request;
  request.deadline_ms = NextDeadline();
  request.modal = state.modal_stack.empty() ? nullptr : state.modal_stack.back();
  request.is_waiting_for_worker = state.restricted_depth > 0;
  if (HasWaitingEvents()) return;
  Backend().WaitForEvents(request);
}

// Blocks for the next message; false when `stop` became true first.
bool NextMessage(MSG* out, HWND filter, UINT min_filter, UINT max_filter, const std::function<bool()>& stop) {
  for (;;) {
    if (stop && stop()) return false;
    if (TakeNext(out, filter, min_filter, max_filter, Removal::kRemove)) {
      *out = Stamp(*out);
      if (out->pt.x == 0 && out->pt.y == 0) out->pt = State().cursor;
      return true;
    }
    if (stop && stop()) return false;
    WaitForMore();
  }
}

struct ModalScope {
  explicit ModalScope(HWND modal) { State().modal_stack.push_back(modal); }
  ~ModalScope() { State().modal_stack.pop_back(); }
};

struct RestrictedScope {
  RestrictedScope() { ++State().restricted_depth; }
  ~RestrictedScope() { --State().restricted_depth; }
};

}  // namespace

}  // namespace user

uint64_t headless::NextDeadlineMs() { return user::NextDeadline(); }

BOOL InitGui() { return user::EnsureGuiThread() ? TRUE : FALSE; }

bool user::IsGuiThread() {
  GuiState& state = State();
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  return !state.has_gui_thread || state.gui_thread == std::this_thread::get_id();
}

bool IsGuiThread() { return user::IsGuiThread(); }

DWORD GetCurrentThreadId() {
  return static_cast<DWORD>(std::hash<std::thread::id>()(std::this_thread::get_id()) & 0x7FFFFFFF) | 1;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  user::GuiState& state = State();
  if (hwnd == HWND_BROADCAST) {
    if (!user::IsGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
    const std::vector<HWND> tops = state.top_levels;
    for (HWND top : tops) PostMessage(top, message, wparam, lparam);
    return TRUE;
  }
  if (hwnd != nullptr && !user::FindWindowRecord(hwnd)) return FailWith<BOOL>(FALSE, ERROR_INVALID_WINDOW_HANDLE);
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = static_cast<DWORD>(user::NowMs());
  {
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    msg.pt = state.cursor;
    state.posted.push_back(msg);
  }
  user::WakeLoop();
  return TRUE;
}

BOOL PostThreadMessage(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
  (void)thread_id;  // one GUI thread: its queue is the only one
  return PostMessage(nullptr, message, wparam, lparam);
}

void PostQuitMessage(int exit_code) {
  user::GuiState& state = State();
  {
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    state.is_quit_posted = true;
    state.quit_code = exit_code;
  }
  user::WakeLoop();
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT min_filter, UINT max_filter) {
  if (msg == nullptr) return FailWith<BOOL>(-1, ERROR_INVALID_PARAMETER);
  if (!user::EnsureGuiThread()) return FailWith<BOOL>(-1, ERROR_INVALID_THREAD_ID);
  if (hwnd != nullptr && hwnd != user::kThreadMessagesOnly && !user::RequireWindow(hwnd)) return -1;
  user::NextMessage(msg, hwnd, min_filter, max_filter, nullptr);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min_filter, UINT max_filter, UINT remove) {
  if (msg == nullptr) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  if (!user::EnsureGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  if (hwnd != nullptr && hwnd != user::kThreadMessagesOnly && !user::RequireWindow(hwnd)) return FALSE;
  const auto removal = (remove & PM_REMOVE) != 0 ? user::Removal::kRemove : user::Removal::kKeep;
  if (!user::TakeNext(msg, hwnd, min_filter, max_filter, removal)) return FALSE;
  *msg = user::Stamp(*msg);
  return TRUE;
}

BOOL WaitMessage() {
  if (!user::EnsureGuiThread()) return FALSE;
  MSG msg;
  if (user::TakeNext(&msg, nullptr, 0, 0, user::Removal::kKeep)) return TRUE;
  user::WaitForMore();
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const user::RoutedInput& last = State().last_key_down;
  if (last.msg.hwnd != msg->hwnd || last.msg.wParam != msg->wParam || last.msg.lParam != msg->lParam ||
      last.msg.time != msg->time || last.text.empty()) {
    return FALSE;
  }
  const UINT char_message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  // Each code point of the attached UTF-8 text becomes one character message.
  const std::string& text = last.text;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (lead >= 0x80 && lead < 0xC0) {
      ++i;  // a stray continuation byte carries no character
      continue;
    }
    uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    bool is_whole = i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; is_whole && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) is_whole = false;
      code = (code << 6) | (next & 0x3F);
    }
    if (!is_whole) break;
    PostMessage(msg->hwnd, char_message, code, msg->lParam);
    i += static_cast<size_t>(length);
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (msg == nullptr) return 0;
  const bool is_timer_callback = msg->message == WM_TIMER && msg->lParam != 0;
  // A timer with a callback runs it, with or without a window; only a live
  // timer's own callback is called, since a posted WM_TIMER could name any
  // address.
  if (is_timer_callback && !user::IsLiveTimer(msg->hwnd, msg->wParam, reinterpret_cast<TIMERPROC>(msg->lParam))) {
    return 0;
  }
  std::shared_ptr<user::Window> window;
  if (!is_timer_callback) {
    if (msg->hwnd == nullptr || !(window = user::FindWindowRecord(msg->hwnd))) return 0;
  }
  user::GuiState& state = State();
  const MSG previous = state.current_message;
  state.current_message = *msg;
  struct Restore {
    const MSG& previous;
    ~Restore() { State().current_message = previous; }
  } restore{previous};
  if (is_timer_callback) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  return user::Dispatch(window, msg->message, msg->wParam, msg->lParam);
}

UINT RegisterWindowMessage(const char* name) {
  if (name == nullptr || name[0] == '\0') return FailWith<UINT>(0, ERROR_INVALID_PARAMETER);
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  user::GuiState& state = State();
  const std::string key = user::Folded(name);
  auto found = state.registered_messages.find(key);
  if (found != state.registered_messages.end()) return found->second;
  if (state.next_registered_message > kLastRegisteredMessage) return FailWith<UINT>(0, ERROR_NOT_ENOUGH_QUOTA);
  const UINT id = state.next_registered_message++;
  state.registered_messages.emplace(key, id);
  return id;
}

DWORD GetMessageTime() { return State().current_message.time; }

DWORD GetMessagePos() {
  const POINT& pt = State().current_message.pt;
  return MAKELONG(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

BOOL user::RunLoop(HWND modal, const std::function<bool()>& done, const std::function<bool(MSG&)>& pre_dispatch) {
  const bool has_modal = modal != nullptr;
  user::ModalScope scope(modal);
  bool is_done = false;
  const auto stop = [&] {
    if (done && done()) {
      is_done = true;
      return true;
    }
    return has_modal && !IsWindow(modal);
  };
  MSG msg;
  while (user::NextMessage(&msg, nullptr, 0, 0, stop)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
      return FALSE;
    }
    if (pre_dispatch && pre_dispatch(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return is_done ? TRUE : FALSE;
}

BOOL RunModalLoop(HWND modal, HWND owner_to_disable, const std::function<bool()>& done) {
  if (!user::EnsureGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  const bool reenable_owner = owner_to_disable != nullptr && IsWindowEnabled(owner_to_disable);
  if (reenable_owner) EnableWindow(owner_to_disable, FALSE);
  struct Reenable {
    HWND owner;
    bool reenable;
    ~Reenable() {
      if (reenable && IsWindow(owner)) EnableWindow(owner, TRUE);
    }
  } reenable{owner_to_disable, reenable_owner};
  return user::RunLoop(modal, done, nullptr);
}

BOOL RunRestrictedLoop(const std::function<bool()>& done) {
  if (!user::EnsureGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  user::RestrictedScope scope;
  MSG msg;
  while (user::NextMessage(&msg, nullptr, 0, 0, done)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return FALSE;
    }
    DispatchMessage(&msg);
  }
  return TRUE;
}

}  // namespace plat
