// What a display backend gives the window system: the screen, one native
// window per top-level window to present its back buffer in, native input
// turned into InputEvents, the wake-up of the GUI thread's wait, the cursor,
// the system clipboard and beeps. The window system owns every window record,
// queue and procedure; a backend only mirrors top-level windows and enqueues
// events through PostInputEvent, it never calls a window procedure itself.
// Every member is called on the GUI thread except Wake and PostInputEvent,
// which any thread may call.
#ifndef PLAT_BACKEND_H_
#define PLAT_BACKEND_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plat/types.h"

namespace plat::backend {

// The screen the windows live on, in pixels.
struct ScreenInfo {
  int width_px = 1024;
  int height_px = 768;
  int bits_per_pixel = 32;
  RECT work_area{0, 0, 1024, 768};
  int dpi = 96;
};

enum class TopLevelKind : uint8_t {
  kNormal,  // an overlapped window with its own task-bar presence
  kTool,    // an owned tool or dialog window
  kPopup,   // menus, tips and drop-downs: no decoration, no activation by the system
};

// A top-level window as the backend mirrors it. The window system draws the
// whole window, non-client area included, so `rect` is the full window in
// screen coordinates and the native window carries no decoration of its own.
struct TopLevelSpec {
  HWND hwnd = nullptr;
  TopLevelKind kind = TopLevelKind::kNormal;
  RECT rect{};
  HWND owner = nullptr;  // a top-level window that this one stays above
  bool is_topmost = false;
  std::string title;  // UTF-8
};

// A top-level window's back buffer: 32-bit pixels 0x00RRGGBB, top-down, the
// size of the window. Valid only during the Present call.
struct PixelView {
  const uint32_t* pixels = nullptr;
  int width_px = 0;
  int height_px = 0;
  size_t stride_bytes = 0;
};

enum class MouseButton : uint8_t { kLeft, kRight, kMiddle };

enum class EventKind : uint8_t {
  kMouseMove,
  kMouseDown,
  kMouseUp,
  kWheel,
  kKeyDown,
  kKeyUp,
  kPointerLeft,        // the pointer left every window of the process
  kCloseRequested,     // the user asked to close a top-level window
  kGeometryChanged,    // the system moved or sized a top-level window; `rect` is new
  kActivated,          // the system activated a top-level window
  kDeactivated,        // the process lost activation
  kExposed,            // the native window lost its pixels; present `rect` again
  kClipboardChanged,   // another program took the clipboard
};

// One native event. Positions are screen coordinates; `window` is the
// top-level window it arrived at (null where the backend does not know one:
// the window system routes pointer events by position and capture).
struct InputEvent {
  EventKind kind = EventKind::kMouseMove;
  HWND window = nullptr;
  POINT screen{};
  MouseButton button = MouseButton::kLeft;
  int wheel_delta = 0;  // multiples of 120, positive away from the user
  UINT virtual_key = 0;  // VK_* of key events
  UINT scan_code = 0;
  bool is_repeat = false;
  bool is_extended = false;
  // The characters a key-down produces, UTF-8; TranslateMessage posts them as WM_CHAR.
  std::string text;
  RECT rect{};
};

// A cursor image: a system cursor (an IDC_* id) or 32-bit ARGB pixels.
struct CursorImage {
  int system_id = 0;  // IDC_* value, 0 for an image cursor
  POINT hotspot{};
  int width_px = 0;
  int height_px = 0;
  std::vector<uint32_t> argb;
};

// One format of what the process offers on the system clipboard. Standard
// formats carry their CF_* id; registered formats also their name, since
// their ids mean nothing to other programs.
struct ClipboardItem {
  UINT format = 0;
  std::string name;
  std::vector<uint8_t> bytes;  // CF_DIB: a packed DIB; CF_TEXT: UTF-8 without the terminator
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Offers `items` to other programs in place of what was offered before;
  // an empty list withdraws the offer.
  virtual void Publish(const std::vector<ClipboardItem>& items) = 0;
  // Whether another program offers `format` (named for registered formats).
  virtual bool Available(UINT format, std::string_view name) = 0;
  // Another program's data: CF_DIB as a packed DIB (foreign images converted
  // to 24-bit bottom-up BI_RGB), CF_TEXT as UTF-8. Nothing when none is offered.
  virtual std::optional<std::vector<uint8_t>> Fetch(UINT format, std::string_view name) = 0;
};

// How the window system waits for the next event.
struct WaitRequest {
  // The process clock's time (ms) to return by at the latest: the next timer
  // or caret blink; kNoDeadline when nothing is due.
  uint64_t deadline_ms = kNoDeadline;
  // The innermost modal window whose loop is waiting, or null.
  HWND modal = nullptr;
  // The loop waits for another thread (a worker's PostMessage), not for the
  // user: a backend without a user still blocks for the real wake-up.
  bool is_waiting_for_worker = false;
  static constexpr uint64_t kNoDeadline = UINT64_MAX;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::string_view Name() const = 0;

  virtual ScreenInfo Screen() const = 0;

  // Native top-level windows. Create gives false when it could not make one.
  virtual bool Create(const TopLevelSpec& spec) = 0;
  virtual void Destroy(HWND hwnd) = 0;
  virtual void SetGeometry(HWND hwnd, const RECT& screen_rect) = 0;
  virtual void Show(HWND hwnd, bool is_visible) = 0;
  virtual void SetTitle(HWND hwnd, std::string_view utf8) = 0;
  // The window's shape as rectangles in window coordinates; null: the whole window.
  virtual void SetShape(HWND hwnd, const std::vector<RECT>* shape) = 0;
  // Shows the back buffer's `dirty` rectangles (window coordinates).
  virtual void Present(HWND hwnd, const PixelView& back_buffer, const std::vector<RECT>& dirty) = 0;
  virtual void Raise(HWND hwnd) = 0;
  virtual void Activate(HWND hwnd) = 0;
  // Hands a move or resize (hit code HTLEFT ... HTBOTTOMRIGHT) started at
  // `screen` to the system; false when the window system must track it itself.
  virtual bool BeginSystemMove(HWND hwnd, POINT screen) = 0;
  virtual bool BeginSystemResize(HWND hwnd, int hit_code, POINT screen) = 0;

  // The pointer: its shape (null hides it), a grab that sends every pointer
  // event to `hwnd` (null releases it), and its position.
  virtual void SetCursor(const CursorImage* cursor) = 0;
  virtual void SetPointerGrab(HWND hwnd) = 0;
  virtual POINT CursorPos() const = 0;
  virtual void SetCursorPos(POINT screen) = 0;
  // Where text input goes: the caret's rectangle in screen coordinates, or
  // null when no window takes text.
  virtual void SetTextInput(HWND hwnd, const RECT* caret) = 0;

  // Blocks until an event was posted, Wake was called or the deadline passed.
  virtual void WaitForEvents(const WaitRequest& request) = 0;
  // Ends a WaitForEvents early; any thread.
  virtual void Wake() = 0;

  virtual void Beep(UINT type) = 0;
  virtual Clipboard& SystemClipboard() = 0;
  // Records what the user would have seen or heard (message boxes, shell
  // calls, ...): a backend that shows them ignores it, the headless backend
  // keeps it in its journal.
  virtual void Journal(std::string_view kind, std::string_view detail) = 0;
};

// Native events enter the window system here, from any thread; the GUI
// thread's wait is woken.
void PostInputEvent(InputEvent event);

// The backend of the process. Installing one replaces the previous one,
// which must have no windows left. Without an installed backend the first
// use picks one from PLAT_BACKEND: "headless", "qt" (loads kQtBackendLibrary
// and calls its kQtBackendFactory) or "auto" (the default: qt when a display
// is set and the library loads, else headless).
void InstallBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();

// The Qt backend's library and the C factory it exports:
// `extern "C" plat::backend::Backend* PlatCreateQtBackend();` (null when no
// display can be opened).
constexpr const char* kQtBackendLibrary = "libplat_qt.so";
constexpr const char* kQtBackendFactory = "PlatCreateQtBackend";

}  // namespace plat::backend

#endif  // PLAT_BACKEND_H_
