// The shared floor of the standard controls: per-window state kept alive
// while a handler runs, notifications to the parent, fonts and colours,
// text copied out at character boundaries, and class registration.
#ifndef PLAT_COMCTL_CONTROL_BASE_H_
#define PLAT_COMCTL_CONTROL_BASE_H_

#include <memory>
#include <string>
#include <string_view>

#include "plat/controls.h"
#include "plat/gdi.h"
#include "plat/text.h"
#include "plat/user.h"

namespace plat::comctl {

// The state of a control lives in its first extra window bytes as a
// heap-held shared pointer; handlers take a copy, so a control destroyed by
// a notification's receiver stays safe to finish with.
constexpr int kStateBytes = static_cast<int>(sizeof(void*));

template <class T>
std::shared_ptr<T> StateOf(HWND hwnd) {
  auto* holder = reinterpret_cast<std::shared_ptr<T>*>(GetWindowLongPtr(hwnd, 0));
  return holder != nullptr ? *holder : nullptr;
}

template <class T>
std::shared_ptr<T> AttachState(HWND hwnd, std::shared_ptr<T> state) {
  auto* holder = new std::shared_ptr<T>(state);
  SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(holder));
  return state;
}

template <class T>
void DetachState(HWND hwnd) {
  auto* holder = reinterpret_cast<std::shared_ptr<T>*>(GetWindowLongPtr(hwnd, 0));
  SetWindowLongPtr(hwnd, 0, 0);
  delete holder;
}

template <class T>
using ControlHandler = LRESULT (*)(HWND, const std::shared_ptr<T>&, UINT, WPARAM, LPARAM);

// The one frame of every control's window procedure: the state is made on
// WM_NCCREATE, kept alive while the handler runs and let go on WM_NCDESTROY.
template <class T, ControlHandler<T> kHandler>
LRESULT RunControl(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) AttachState(hwnd, std::make_shared<T>());
  const std::shared_ptr<T> state = StateOf<T>(hwnd);
  if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    DetachState<T>(hwnd);
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  return kHandler(hwnd, state, message, wparam, lparam);
}

// The window's style bits.
inline DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

// Keeps a bar (a toolbar, a status bar) along the top or bottom of its
// parent at the parent's full width, `height` pixels high; with
// CCS_NOPARENTALIGN only its height is set (a frame places it), with
// CCS_NORESIZE nothing. `is_placing` guards against the WM_SIZE it causes.
void PlaceBarInParent(HWND bar, int height, bool is_bottom, bool& is_placing);

// Registers a global class of the standard set (once per process).
void RegisterControlClass(const char* name, WNDPROC proc, UINT class_style, int cursor_id);

// WM_COMMAND (id, code) with the control's handle to its parent; the answer.
LRESULT NotifyParent(HWND control, WORD code);
// WM_NOTIFY to the parent: fills `header` (the control, its id, `code`)
// and gives the parent's answer; 0 when the control has no parent.
LRESULT NotifyParentOf(HWND control, NMHDR* header, UINT code);
// The parent's WM_CTLCOLOR* answer for `dc` (colours set into it).
HBRUSH ControlBrush(HWND control, HDC dc, UINT ctlcolor_message);

// The control's WM_SETFONT font, or the dialog font.
HFONT DefaultControlFont();
// Height in pixels of a line of `font` (its cell height).
int LineHeight(HFONT font);

// Copies `text` into `out` of `max_bytes` bytes with its terminator, cut at
// a character boundary; the bytes copied without it. 0 for a null buffer.
int CopyTextOut(std::string_view text, char* out, int max_bytes);
// A byte offset snapped back to the start of the character it is in.
size_t SnapBack(std::string_view text, size_t offset);
// A byte offset snapped on to the end of the character it is in.
size_t SnapForward(std::string_view text, size_t offset);
// The start of the character after / before `offset`.
size_t NextCharOffset(std::string_view text, size_t offset);
size_t PrevCharOffset(std::string_view text, size_t offset);
// The text of a message parameter: empty for null.
inline std::string_view TextParam(LPARAM lparam) {
  const auto* text = reinterpret_cast<const char*>(lparam);
  return text != nullptr ? std::string_view(text) : std::string_view();
}

// Text without the mnemonic marks ("&&" stays one "&"), and the mnemonic
// character (lower-cased ASCII, or the code point), 0 when none.
char32_t MnemonicOf(std::string_view text);

// Frames drawn from the system colours. DrawFrameLines draws a one-pixel
// frame: its top and left lines in one system colour, the others in another.
void DrawFrameLines(HDC dc, RECT rect, int top_left_colour, int bottom_right_colour);
void DrawSunkenFrame(HDC dc, RECT rect);   // a field's well
void DrawRaisedFrame(HDC dc, RECT rect, bool is_pressed);  // a push button
void DrawFocusFrame(HDC dc, RECT rect);
// A bitmap copied at its own size into `area`: centred, or at its top-left corner.
enum class BitmapPlacement { kCentred, kTopLeft };
void DrawBitmapIn(HDC dc, HBITMAP bitmap, RECT area, BitmapPlacement placement);

// What a combo box's list tells its combo box: an item was chosen with the
// mouse (wparam its index), or the list was dismissed by a press outside.
constexpr UINT kComboListChosen = WM_USER + 0x200;
constexpr UINT kComboListDismissed = WM_USER + 0x201;
// The class of a combo box's drop-down list (a top-level pop-up window).
inline constexpr const char* kComboListClass = "ComboLBox";

// The classes' window procedures.
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TrackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TabControlProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StatusBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ToolbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TooltipProc(HWND, UINT, WPARAM, LPARAM);
// The dialog class's procedure is DefDlgProc ("plat/dialog.h").

// The class name of a window, for the dialog manager's decisions.
bool HasClass(HWND hwnd, const char* name);

}  // namespace plat::comctl

#endif  // PLAT_COMCTL_CONTROL_BASE_H_
