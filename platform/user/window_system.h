// The window system's records and its one process-wide state. Everything
// here is touched on the GUI thread only, except the queue's posted messages
// and input events, which sit behind `queue_mutex`.
#ifndef PLAT_USER_WINDOW_SYSTEM_H_
#define PLAT_USER_WINDOW_SYSTEM_H_

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plat/backend.h"
#include "plat/gdi_region.h"
#include "plat/gdi_surface.h"
#include "plat/handle_table.h"
#include "plat/user.h"

namespace plat::user {

struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON icon_small = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menu_name;
  int window_extra_bytes = 0;
  std::vector<uint8_t> class_extra;
  int window_count = 0;
};

struct SubclassHook {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR ref_data = 0;
  uint64_t sequence = 0;  // later hooks run first
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  int page = 0;
  int pos = 0;
  int track_pos = 0;
  bool is_shown = false;
  UINT disabled_arrows = ESB_ENABLE_BOTH;
};

struct Window {
  uint32_t id = 0;
  HWND hwnd = nullptr;
  std::shared_ptr<WindowClass> window_class;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  HWND parent = nullptr;  // null for a top-level window
  HWND owner = nullptr;   // top-level windows only
  std::vector<HWND> children;  // z-order, top first
  RECT window_rect{};  // in the parent's client coordinates (screen for top-level windows)
  RECT client_rect{};  // same coordinates
  std::string text;
  std::map<std::string, HANDLE> properties;  // keys folded to lower case
  LONG_PTR user_data = 0;
  LONG_PTR control_id = 0;  // children: the id; top-level windows: the menu
  HINSTANCE instance = nullptr;
  std::vector<uint8_t> extra;
  std::vector<SubclassHook> hooks;
  int dispatch_depth = 0;
  bool is_destroying = false;  // DestroyWindow has begun: no more creation messages
  bool has_native = false;     // the backend mirrors it
  bool is_minimized = false;
  bool is_maximized = false;
  RECT restore_rect{};
  HRGN window_region = nullptr;  // owned; window coordinates
  ScrollBarState scroll[2];
  // Painting state: the update region in client coordinates, and the back
  // buffer of a top-level window that it and its children draw into.
  gdi::Region update_region;
  std::shared_ptr<gdi::Surface> back_buffer;
  bool needs_erase = false;
  bool needs_frame = false;
  bool has_internal_paint = false;
  bool is_painting = false;
};

using WindowHandles = Handles<Window, HandleKind::kWindow>;

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT period_ms = 0;
  TIMERPROC proc = nullptr;
  uint64_t due_ms = 0;
  uint64_t sequence = 0;
};

struct Caret {
  HWND hwnd = nullptr;
  HBITMAP bitmap = nullptr;  // the shape (not owned); null for a solid block
  int width = 0;
  int height = 0;
  POINT pos{};
  int hide_count = 1;  // a new caret is hidden
  bool is_drawn = false;
  uint64_t next_blink_ms = 0;
};

struct MouseTracking {
  HWND hwnd = nullptr;
  DWORD flags = 0;
  DWORD hover_ms = 400;
  uint64_t hover_due_ms = 0;
  POINT hover_origin{};
};

// A mouse press remembered for double clicks.
struct LastClick {
  HWND hwnd = nullptr;
  UINT message = 0;
  uint64_t time_ms = 0;
  POINT screen{};
};

// A routed input message with the key state of its moment and, for key-downs,
// the characters the backend attached.
struct RoutedInput {
  MSG msg{};
  std::string text;
  std::array<uint8_t, 256> keys{};
};

struct GuiState {
  std::thread::id gui_thread;
  bool has_gui_thread = false;

  // Classes: per module, plus CS_GLOBALCLASS ones under a null module.
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM next_atom = 0xC000;

  std::vector<HWND> top_levels;  // z-order, top first

  // Queue: filled from any thread.
  std::mutex queue_mutex;
  std::deque<MSG> posted;
  std::deque<backend::InputEvent> input_events;
  // Input already routed to a window, waiting to be retrieved.
  std::deque<RoutedInput> routed_input;
  RoutedInput last_key_down;  // the key-down last retrieved, for TranslateMessage
  bool is_quit_posted = false;
  int quit_code = 0;

  std::map<std::string, UINT> registered_messages;  // folded names
  UINT next_registered_message = kFirstRegisteredMessage;

  std::vector<Timer> timers;
  uint64_t next_timer_sequence = 0;
  uint64_t next_hook_sequence = 0;

  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND hovered = nullptr;  // the window the pointer is over
  POINT cursor{};
  uint8_t key_state[256] = {};        // as of the message being handled: bit 7 down, bit 0 toggled
  uint8_t async_key_state[256] = {};  // as of the last input event read from the backend
  MouseTracking tracking;
  LastClick last_click;
  Caret caret;
  bool has_caret = false;
  UINT caret_blink_ms = 530;

  MSG current_message{};
  int send_depth = 0;
  int restricted_depth = 0;  // > 0 while RunRestrictedLoop runs: input is dropped
  std::vector<HWND> modal_stack;
};

GuiState& State();

// The record of a live window, or null (error ERROR_INVALID_WINDOW_HANDLE is
// left to the caller).
std::shared_ptr<Window> FindWindowRecord(HWND hwnd);
// Same, and sets the last error when it is not live.
std::shared_ptr<Window> RequireWindow(HWND hwnd);

// The GUI thread: the first caller of EnsureGuiThread becomes it.
bool EnsureGuiThread();
bool IsGuiThread();  // true also before any thread became it

// The time of the process clock in milliseconds.
uint64_t NowMs();

// The dispatch frame: calls the window's subclass chain and procedure with
// the record kept alive; dead windows give 0.
LRESULT Dispatch(const std::shared_ptr<Window>& window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The standard control classes are registered by the controls layer the
// first time a class name is not found on the GUI thread.
using SystemClassProvider = void (*)();
void SetSystemClassProvider(SystemClassProvider provider);

// Geometry helpers.
inline RECT ShiftedRect(RECT rect, int dx, int dy) {
  rect.left += dx;
  rect.right += dx;
  rect.top += dy;
  rect.bottom += dy;
  return rect;
}
POINT ClientOriginOnScreen(const Window& window);
RECT WindowRectOnScreen(const Window& window);
bool IsVisibleChain(const Window& window);
bool IsEnabledChain(const Window& window);
HWND RootOf(HWND hwnd);
// The deepest visible, enabled window containing `screen` (hit test aside).
HWND WindowAtPoint(POINT screen, bool include_disabled);

// Lifetime hooks run by DestroyWindow for the subsystems that keep per-window state.
void ForgetWindowTimers(HWND hwnd);
void ForgetWindowInput(HWND hwnd);

// Backend access.
backend::Backend& Backend();
void WakeLoop();

// Non-client layout from the style: the client rectangle inside `window`.
RECT ClientRectForStyle(const RECT& window, DWORD style, DWORD ex_style, bool has_menu);

// Input routing: turns one backend event into messages for routed_input.
void RouteInputEvent(const backend::InputEvent& event);
// Hover and other time-driven input; gives the next due time or kNoDeadline.
uint64_t InputDeadline();
void RunInputDeadlines(uint64_t now_ms);

// Timers: the earliest due timer message, if one is due at `now_ms`.
std::optional<MSG> TakeDueTimer(uint64_t now_ms, HWND filter, UINT min_filter, UINT max_filter, bool remove);
uint64_t NextTimerDue();
// Whether a timer of `hwnd` (null: a thread timer) with `id` and `proc` is set.
bool IsLiveTimer(HWND hwnd, UINT_PTR id, TIMERPROC proc);
// Caret blinking.
uint64_t CaretDeadline();
void RunCaretBlink(uint64_t now_ms);

// Painting: the next window that needs WM_PAINT (parents first), or null.
HWND NextWindowToPaint(HWND filter);

// Activation; `from_system` when the backend already made the change.
HWND Activate(HWND hwnd, bool from_system, bool by_click);
void ActivateFromSystem(HWND hwnd);
// The backend moved or sized a top-level window.
void ApplyNativeGeometry(HWND hwnd, const RECT& rect);
HCURSOR LoadModuleCursor(HINSTANCE instance, const char* name);
// A modal loop on `modal` until `done`; `pre_dispatch` may rewrite a message
// or take it (true) before it is dispatched. FALSE when WM_QUIT or the death
// of `modal` ended it.
BOOL RunLoop(HWND modal, const std::function<bool()>& done, const std::function<bool(MSG&)>& pre_dispatch);
void ForgetWindowMenus(Window& window);
// Another program took the system clipboard.
void ClipboardChangedElsewhere();

}  // namespace plat::user

#endif  // PLAT_USER_WINDOW_SYSTEM_H_
