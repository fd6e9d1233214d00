// Timers on the process clock and the caret. A timer is never pending twice:
// its WM_TIMER is made when it is retrieved, and the next one is due a
// period after that. Due timers come out earliest first, ties in the order
// they were set.
#include <algorithm>

#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::State;

namespace user {

namespace {

constexpr UINT kMinTimerPeriodMs = 10;
// Ids handed out for timers without a window.
UINT_PTR next_thread_timer_id = 0x7FFF;

bool TimerMatches(const Timer& timer, HWND filter) {
  if (filter == nullptr) return true;
  return timer.hwnd == filter || IsChild(filter, timer.hwnd);
}

// Text input goes where the caret of the focus window is.
void TellTextInput(const Caret& caret) {
  if (caret.hwnd == nullptr || caret.hwnd != GetFocus()) return;
  POINT origin = caret.pos;
  ClientToScreen(caret.hwnd, &origin);
  const RECT rect{origin.x, origin.y, origin.x + caret.width, origin.y + caret.height};
  Backend().SetTextInput(RootOf(caret.hwnd), &rect);
}

void DrawCaret(Caret& caret) {
  caret.is_drawn = !caret.is_drawn;
  DrawCaretShape(caret);
}

// When the caret blinks next after a change at `now_ms`.
uint64_t NextBlink(uint64_t now_ms) {
  const UINT period = State().caret_blink_ms;
  return period == kCaretBlinkNever ? backend::WaitRequest::kNoDeadline : now_ms + period;
}

// Takes the caret off the screen (if drawn) before it moves or hides.
void Undraw(Caret& caret) {
  if (caret.is_drawn) DrawCaret(caret);
}

}  // namespace

std::optional<MSG> TakeDueTimer(uint64_t now_ms, HWND filter, UINT min_filter, UINT max_filter, bool remove) {
  if ((min_filter != 0 || max_filter != 0) && (WM_TIMER < min_filter || WM_TIMER > max_filter)) return std::nullopt;
  auto& timers = State().timers;
  Timer* due = nullptr;
  for (Timer& timer : timers) {
    if (timer.due_ms > now_ms || !TimerMatches(timer, filter)) continue;
    if (due == nullptr || timer.due_ms < due->due_ms || (timer.due_ms == due->due_ms && timer.sequence < due->sequence)) {
      due = &timer;
    }
  }
  if (due == nullptr) return std::nullopt;
  if (remove) due->due_ms = now_ms + due->period_ms;
  MSG msg;
  msg.hwnd = due->hwnd;
  msg.message = WM_TIMER;
  msg.wParam = due->id;
  msg.lParam = reinterpret_cast<LPARAM>(due->proc);
  msg.time = static_cast<DWORD>(now_ms);
  msg.pt = State().cursor;
  return msg;
}

bool IsLiveTimer(HWND hwnd, UINT_PTR id, TIMERPROC proc) {
  for (const Timer& timer : State().timers) {
    if (timer.hwnd == hwnd && timer.id == id && timer.proc == proc) return true;
  }
  return false;
}

uint64_t NextTimerDue() {
  uint64_t next = backend::WaitRequest::kNoDeadline;
  for (const Timer& timer : State().timers) next = std::min(next, timer.due_ms);
  return next;
}

void ForgetWindowTimers(HWND hwnd) {
  auto& timers = State().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& timer) { return timer.hwnd == hwnd; }),
               timers.end());
}

uint64_t CaretDeadline() {
  const GuiState& state = State();
  if (!state.has_caret || state.caret.hide_count > 0) return backend::WaitRequest::kNoDeadline;
  return state.caret.next_blink_ms;
}

void RunCaretBlink(uint64_t now_ms) {
  GuiState& state = State();
  if (!state.has_caret || state.caret.hide_count > 0 || now_ms < state.caret.next_blink_ms) return;
  DrawCaret(state.caret);
  state.caret.next_blink_ms = NextBlink(now_ms);
}

void HideCaretForPaint(HWND hwnd) {
  GuiState& state = State();
  if (state.has_caret && state.caret.hwnd == hwnd) Undraw(state.caret);
}

}  // namespace user

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT period_ms, TIMERPROC proc) {
  if (!user::EnsureGuiThread()) return FailWith<UINT_PTR>(0, ERROR_INVALID_THREAD_ID);
  if (hwnd != nullptr && !user::RequireWindow(hwnd)) return 0;
  auto& state = State();
  period_ms = std::max(period_ms, user::kMinTimerPeriodMs);
  if (hwnd == nullptr) {
    // A thread timer: an existing id is replaced, else a new id is chosen.
    bool is_known = false;
    for (const user::Timer& timer : state.timers) is_known |= timer.hwnd == nullptr && timer.id == id;
    if (!is_known) id = ++user::next_thread_timer_id;
  }
  const uint64_t due = user::NowMs() + period_ms;
  for (user::Timer& timer : state.timers) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer.period_ms = period_ms;
      timer.proc = proc;
      timer.due_ms = due;
      return hwnd != nullptr ? 1 : id;
    }
  }
  state.timers.push_back(user::Timer{hwnd, id, period_ms, proc, due, ++state.next_timer_sequence});
  return hwnd != nullptr ? (id != 0 ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& timers = State().timers;
  auto found = std::find_if(timers.begin(), timers.end(),
                            [&](const user::Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
  if (found == timers.end()) return FALSE;
  timers.erase(found);
  return TRUE;
}

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  if (!user::RequireWindow(hwnd)) return FALSE;
  // A bitmap gives its own size; the value 1 (a grey caret) and a handle
  // that is no bitmap give a solid block of the sizes asked for.
  BITMAP info{};
  const bool has_shape = bitmap != nullptr && bitmap != reinterpret_cast<HBITMAP>(1) &&
                         GetObject(bitmap, sizeof(info), &info) != 0 && info.bmWidth > 0 && info.bmHeight > 0;
  DestroyCaret();
  auto& state = State();
  state.has_caret = true;
  state.caret = user::Caret{};
  state.caret.hwnd = hwnd;
  if (has_shape) {
    state.caret.bitmap = bitmap;
    width = info.bmWidth;
    height = info.bmHeight;
  }
  state.caret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  state.caret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  user::TellTextInput(state.caret);
  return TRUE;
}

BOOL DestroyCaret() {
  auto& state = State();
  if (!state.has_caret) return FALSE;
  user::Undraw(state.caret);
  if (state.caret.hwnd == GetFocus()) user::Backend().SetTextInput(nullptr, nullptr);
  state.has_caret = false;
  state.caret = user::Caret{};
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  auto& state = State();
  if (!state.has_caret || (hwnd != nullptr && state.caret.hwnd != hwnd)) return FALSE;
  if (state.caret.hide_count == 0) return FALSE;
  if (--state.caret.hide_count == 0) {
    user::DrawCaret(state.caret);
    state.caret.next_blink_ms = user::NextBlink(user::NowMs());
  }
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  auto& state = State();
  if (!state.has_caret || (hwnd != nullptr && state.caret.hwnd != hwnd)) return FALSE;
  user::Undraw(state.caret);
  ++state.caret.hide_count;
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  auto& state = State();
  if (!state.has_caret) return FALSE;
  user::Undraw(state.caret);
  state.caret.pos = POINT{x, y};
  user::TellTextInput(state.caret);
  if (state.caret.hide_count == 0) {
    user::DrawCaret(state.caret);
    state.caret.next_blink_ms = user::NextBlink(user::NowMs());
  }
  return TRUE;
}

BOOL GetCaretPos(POINT* point) {
  auto& state = State();
  if (!state.has_caret || point == nullptr) return FALSE;
  *point = state.caret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return State().caret_blink_ms; }

BOOL SetCaretBlinkTime(UINT ms) {
  if (ms == 0) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  auto& state = State();
  state.caret_blink_ms = ms;
  // A shown caret keeps its state; its next blink follows the new time.
  if (state.has_caret && state.caret.hide_count == 0) state.caret.next_blink_ms = user::NextBlink(user::NowMs());
  return TRUE;
}

}  // namespace plat
