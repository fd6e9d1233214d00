// The one dispatch frame: every message a window procedure sees goes through
// Dispatch, which keeps the window's record alive while the handler runs (a
// window destroyed inside its own handler is freed when the last frame
// leaves) and walks the window's subclass chain. A chain is walked by
// sequence number, not by position, so hooks may be removed in any order,
// also from inside a hook, and each remaining hook still sees each message
// once, newest first, before the window's procedure.
#include <algorithm>
#include <vector>

#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::State;
using user::Window;

namespace user {

namespace {

// One message on its way through a window's chain.
struct ChainFrame {
  Window* window;
  uint64_t below_sequence;  // the next hook to run has a smaller sequence than this
};

thread_local std::vector<ChainFrame> chain_frames;

// The next hook under `below` (the newest one when below is UINT64_MAX).
const SubclassHook* NextHook(const Window& window, uint64_t below) {
  const SubclassHook* next = nullptr;
  for (const SubclassHook& hook : window.hooks) {
    if (hook.sequence < below && (next == nullptr || hook.sequence > next->sequence)) next = &hook;
  }
  return next;
}

LRESULT RunChain(Window& window, uint64_t below, UINT message, WPARAM wparam, LPARAM lparam) {
  const SubclassHook* hook = NextHook(window, below);
  if (hook == nullptr) {
    WNDPROC proc = window.proc;
    return proc != nullptr ? proc(window.hwnd, message, wparam, lparam) : DefWindowProc(window.hwnd, message, wparam, lparam);
  }
  // Copy: the hook may remove itself (and so its entry) while it runs.
  const SubclassHook current = *hook;
  chain_frames.push_back(ChainFrame{&window, current.sequence});
  struct Pop {
    ~Pop() { chain_frames.pop_back(); }
  } pop;
  return current.proc(window.hwnd, message, wparam, lparam, current.id, current.ref_data);
}

}  // namespace

// Holds a window's record while a handler of it runs: the record survives
// DestroyWindow inside the handler.
class KeepAlive {
 public:
  explicit KeepAlive(std::shared_ptr<Window> window) : window_(std::move(window)) { ++window_->dispatch_depth; }
  ~KeepAlive() { --window_->dispatch_depth; }
  KeepAlive(const KeepAlive&) = delete;
  KeepAlive& operator=(const KeepAlive&) = delete;
  Window& window() const { return *window_; }

 private:
  std::shared_ptr<Window> window_;
};

LRESULT Dispatch(const std::shared_ptr<Window>& window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window) return 0;
  KeepAlive keep(window);
  return RunChain(keep.window(), UINT64_MAX, message, wparam, lparam);
}

LRESULT SendTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return Dispatch(FindWindowRecord(hwnd), message, wparam, lparam);
}

}  // namespace user

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (hwnd == HWND_BROADCAST) {
    const std::vector<HWND> tops = State().top_levels;
    for (HWND top : tops) SendMessage(top, message, wparam, lparam);
    return 0;
  }
  auto window = user::RequireWindow(hwnd);
  if (!window) return 0;
  // Sending across threads is not provided.
  if (!user::IsGuiThread()) return FailWith<LRESULT>(0, ERROR_INVALID_THREAD_ID);
  ++State().send_depth;
  struct Leave {
    ~Leave() { --State().send_depth; }
  } leave;
  return user::Dispatch(window, message, wparam, lparam);
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!user::IsGuiThread()) return PostMessage(hwnd, message, wparam, lparam);
  if (!user::RequireWindow(hwnd) && hwnd != HWND_BROADCAST) return FALSE;
  SendMessage(hwnd, message, wparam, lparam);
  return TRUE;
}

BOOL InSendMessage() { return FALSE; }  // sends come only from the GUI thread itself

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (proc == nullptr) return 0;
  auto window = FindWindowRecord(hwnd);
  if (!window) return proc(hwnd, message, wparam, lparam);
  user::KeepAlive keep(window);
  return proc(hwnd, message, wparam, lparam);
}

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR ref_data) {
  auto window = user::RequireWindow(hwnd);
  if (!window || proc == nullptr) return FALSE;
  if (!user::IsGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  for (user::SubclassHook& hook : window->hooks) {
    if (hook.proc == proc && hook.id == id) {
      hook.ref_data = ref_data;  // an installed hook keeps its place
      return TRUE;
    }
  }
  window->hooks.push_back(user::SubclassHook{proc, id, ref_data, ++State().next_hook_sequence});
  return TRUE;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref_data) {
  auto window = FindWindowRecord(hwnd);
  if (window) {
    for (const user::SubclassHook& hook : window->hooks) {
      if (hook.proc == proc && hook.id == id) {
        if (ref_data != nullptr) *ref_data = hook.ref_data;
        return TRUE;
      }
    }
  }
  if (ref_data != nullptr) *ref_data = 0;
  return FALSE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return FALSE;
  auto& hooks = window->hooks;
  auto found = std::find_if(hooks.begin(), hooks.end(),
                            [&](const user::SubclassHook& hook) { return hook.proc == proc && hook.id == id; });
  if (found == hooks.end()) return FALSE;
  hooks.erase(found);
  return TRUE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // The innermost hook frame of this window says where the chain goes on.
  for (auto frame = user::chain_frames.rbegin(); frame != user::chain_frames.rend(); ++frame) {
    if (frame->window->hwnd == hwnd) return user::RunChain(*frame->window, frame->below_sequence, message, wparam, lparam);
  }
  // Called outside a hook: the window's procedure.
  auto window = FindWindowRecord(hwnd);
  if (!window) return 0;
  return CallWindowProc(window->proc, hwnd, message, wparam, lparam);
}

}  // namespace plat
