// The window system: classes, windows and their procedures, subclass chains,
// the message queue and its loops, timers, input state and the caret. All of
// it runs on one GUI thread (the first that makes a window or calls
// InitGui); only PostMessage, PostThreadMessage and the backend's input
// events may come from other threads.
#ifndef PLAT_USER_H_
#define PLAT_USER_H_

#include <functional>

#include "plat/messages.h"
#include "plat/types.h"

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif

namespace plat {

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
using SUBCLASSPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR id, DWORD_PTR ref_data);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

struct WNDCLASSEX {
  UINT cbSize = sizeof(WNDCLASSEX);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};

struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = HOVER_DEFAULT;
};

struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

// Makes the calling thread the GUI thread (it stays so for the process).
// FALSE when another thread already is.
BOOL InitGui();
// Whether the calling thread is the GUI thread.
bool IsGuiThread();

// Classes. Names compare case-insensitively; a class of one module does not
// clash with the same name of another module unless CS_GLOBALCLASS.
ATOM RegisterClassEx(const WNDCLASSEX* wc);
BOOL UnregisterClass(const char* class_name, HINSTANCE instance);
BOOL GetClassInfoEx(HINSTANCE instance, const char* class_name, WNDCLASSEX* out);
int GetClassName(HWND hwnd, char* out, int max_chars);
ULONG_PTR GetClassLongPtr(HWND hwnd, int index);
ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value);

// Windows.
HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, void* param);
inline HWND CreateWindow(const char* class_name, const char* window_name, DWORD style, int x, int y, int width,
                         int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, void* param) {
  return CreateWindowEx(0, class_name, window_name, style, x, y, width, height, parent, menu_or_id, instance, param);
}
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND hwnd, HWND new_parent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetTopWindow(HWND parent);  // null parent: the top-most top-level window
HWND GetDesktopWindow();
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND hwnd);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM param);
HWND FindWindow(const char* class_name, const char* window_name);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id);

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
inline LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }
inline LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
}

// Window text (UTF-8).
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* out, int max_chars);
int GetWindowTextLength(HWND hwnd);

// Properties.
BOOL SetProp(HWND hwnd, const char* name, HANDLE value);
HANDLE GetProp(HWND hwnd, const char* name);
HANDLE RemoveProp(HWND hwnd, const char* name);

// Procedures and subclass chains. A chain runs its hooks newest first, then
// the window's procedure; DefSubclassProc passes a message to the next one.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR ref_data);
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref_data);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Geometry. Window rectangles are in screen coordinates, client rectangles
// start at (0, 0).
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL ShowWindow(HWND hwnd, int command);
BOOL EnableWindow(HWND hwnd, BOOL enable);  // gives whether it was disabled before
BOOL BringWindowToTop(HWND hwnd);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
HWND WindowFromPoint(POINT screen);
HWND ChildWindowFromPoint(HWND parent, POINT client);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL has_menu, DWORD ex_style);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL has_menu);
// The window owns the region from here on (a DeleteObject of it fails);
// null removes the shape. The region is in window coordinates.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN copy_into);
BOOL LockWindowUpdate(HWND hwnd);  // not provided: always FALSE

// Activation and focus.
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Messages.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostThreadMessage(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);
// > 0 for a message, 0 for WM_QUIT, -1 for a bad window filter.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT min_filter, UINT max_filter);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min_filter, UINT max_filter, UINT remove);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
UINT RegisterWindowMessage(const char* name);
DWORD GetMessageTime();
DWORD GetMessagePos();
BOOL InSendMessage();
DWORD GetCurrentThreadId();

// Runs the queue until `done` gives true (TRUE), `modal` is destroyed or
// WM_QUIT arrives (FALSE; WM_QUIT is posted again for the loop outside).
// `owner_to_disable` is disabled meanwhile and enabled again afterwards if
// it was enabled before.
BOOL RunModalLoop(HWND modal, HWND owner_to_disable, const std::function<bool()>& done);
// Runs paint, timers, posted messages and clipboard events until `done`
// gives true, dropping user input to every window; it blocks for the
// wake-up of another thread's PostMessage. FALSE when WM_QUIT ended it (the
// quit is posted again).
BOOL RunRestrictedLoop(const std::function<bool()>& done);

// Timers on the process clock; periods below 10 ms run at 10 ms.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT period_ms, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Input state.
SHORT GetKeyState(int virtual_key);  // as of the message being handled
SHORT GetAsyncKeyState(int virtual_key);
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
UINT GetDoubleClickTime();
BOOL MessageBeep(UINT type);
BOOL DragDetect(HWND hwnd, POINT screen);

// The caret: one per GUI thread, drawn by inverting its rectangle (with a
// bitmap: the bitmap's size, inverting where the bitmap is white); it
// blinks at the blink time (530 ms at start) and shows while its hide
// count is 0. The bitmap stays the caller's; it must outlive the caret.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);
UINT GetCaretBlinkTime();
// Sets the blink time of every caret of the process; kCaretBlinkNever stops
// the blinking. 0 is refused (ERROR_INVALID_PARAMETER).
constexpr UINT kCaretBlinkNever = 0xFFFFFFFF;
BOOL SetCaretBlinkTime(UINT ms);

// Painting. Update regions are in client coordinates; BeginPaint erases
// first (WM_ERASEBKGND) and hides the caret until EndPaint.
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{};
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC GetDC(HWND hwnd);  // null: the screen (drawing into it is dropped)
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
// Gives the complexity of the uncovered area (NULLREGION ...), ERROR for a bad window.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* update_rect,
                   UINT flags);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);
BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* update_rect);

// The scroll bars of a window (WS_HSCROLL/WS_VSCROLL). The position is kept
// in [min, max - max(page - 1, 0)].
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

// System colours (the classic scheme) and their stock brushes.
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Resource names: an integer id passed where a name is expected.
inline const char* MAKEINTRESOURCE(int id) {
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(const char* name) { return reinterpret_cast<uintptr_t>(name) <= 0xFFFF; }

// Cursors: IDC_* with a null module, else the module's registered cursors.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
HCURSOR CreateCursor(HINSTANCE instance, int hot_x, int hot_y, int width, int height, const void* and_mask,
                     const void* xor_mask);
BOOL DestroyCursor(HCURSOR cursor);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// Icons share the cursors' handles: an AND mask (1 keeps the destination)
// and a colour image XORed over it, or an image with per-pixel alpha.
struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;   // monochrome; twice the height when hbmColor is null
  HBITMAP hbmColor = nullptr;  // any depth; 32 bits with a non-zero fourth byte carry alpha
};
// Copies the bitmaps (the caller keeps them); NULL with
// ERROR_INVALID_PARAMETER for a missing or mismatched mask.
HICON CreateIconIndirect(const ICONINFO* info);
// Monochrome (planes 1, bits 1) or 32-bit rows of `width` pixels, padded to
// 16 bits (monochrome) or 32 bits.
HICON CreateIcon(HINSTANCE instance, int width, int height, BYTE planes, BYTE bits_per_pixel, const BYTE* and_bits,
                 const BYTE* xor_bits);
// New bitmaps the caller deletes: a monochrome mask and a 32-bit colour image
// (or, for a monochrome icon, the mask alone at twice the height).
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr UINT DI_NOMIRROR = 0x0010;
// Draws at (x, y) scaled by nearest neighbour to width × height (0: the
// icon's own size, or with DI_DEFAULTSIZE the system icon or cursor size).
// DI_MASK ANDs the mask, DI_IMAGE XORs the colours (copies them without
// DI_MASK); an image with alpha is blended instead. With `flicker_brush`
// the area is first filled with it off screen and copied at once.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker_brush,
                UINT flags);
// DrawIconEx with DI_NORMAL | DI_DEFAULTSIZE.
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// Three-dimensional edges in the system colours. Each edge is up to two
// one-pixel rings, outer then inner; the top and left sides take the light
// colour of a raised ring (the dark of a sunken one), the bottom and right
// sides are drawn last and own the bottom-left and top-right corners.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = 0x0003;
constexpr UINT BDR_INNER = 0x000C;
constexpr UINT BDR_RAISED = 0x0005;
constexpr UINT BDR_SUNKEN = 0x000A;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x0010;
constexpr UINT BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT;
constexpr UINT BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;
// BF_ADJUST leaves in `rect` what lies inside the rings drawn.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

// Frame controls: buttons, caption buttons, menu marks and scroll-bar parts
// drawn into `rect` with their glyphs scaled to it.
constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFC_POPUPMENU = 5;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIOIMAGE = 0x0001;
constexpr UINT DFCS_BUTTONRADIOMASK = 0x0002;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTON3STATE = 0x0008;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_CAPTIONHELP = 0x0004;
constexpr UINT DFCS_MENUARROW = 0x0000;
constexpr UINT DFCS_MENUCHECK = 0x0001;
constexpr UINT DFCS_MENUBULLET = 0x0002;
constexpr UINT DFCS_MENUARROWRIGHT = 0x0004;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
constexpr UINT DFCS_SCROLLSIZEGRIPRIGHT = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_TRANSPARENT = 0x0800;
constexpr UINT DFCS_HOT = 0x1000;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;
// DFCS_ADJUSTRECT (push buttons) leaves the face inside the edge in `rect`.
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// Metrics.
int GetSystemMetrics(int index);
BOOL SystemParametersInfo(UINT action, UINT param, void* out, UINT win_ini);

}  // namespace plat

#endif  // PLAT_USER_H_
