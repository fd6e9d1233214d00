// CWnd: the class library's window object. A CWnd is attached to at most one
// window and a window to at most one CWnd; the window's messages reach the
// object's virtual On* handlers through one window procedure (windows of the
// framework's classes) or one subclass hook (windows of other classes), and
// a handler's default is the window's own handling (Default). The object is
// detached when its window is destroyed; PostNcDestroy comes last and may
// delete the object. Window objects live on the GUI thread only.
#ifndef PLAT_CTL_WND_H_
#define PLAT_CTL_WND_H_

#include <memory>

#include "plat/controls.h"
#include "plat/ctl/cstring.h"
#include "plat/ctl/geometry.h"
#include "plat/types.h"
#include "plat/user.h"

namespace plat {

class CDC;
class CFont;
class CRgn;

class CWnd {
 public:
  CWnd() = default;
  // Destroys a window still attached (the handlers then run as CWnd's own).
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // ---- Creation and attachment ----------------------------------------------------------
  // A null class is the framework's default class. A class of another
  // procedure (a standard control) is subclassed once it exists, so its
  // creation messages do not reach the handlers. FALSE when this object
  // already has a window or the window could not be made.
  virtual BOOL Create(const char* class_name, const char* window_name, DWORD style, const RECT& rect, CWnd* parent,
                      UINT id, void* param = nullptr);
  virtual BOOL CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id, void* param = nullptr);
  BOOL CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menu_or_id, void* param = nullptr);
  // May change the creation values (class, styles, position) before the window is made.
  virtual BOOL PreCreateWindow(CREATESTRUCT& create) { return TRUE; }
  virtual BOOL DestroyWindow();
  // After the window's last message; the object is detached. A window
  // object made with new for the window's lifetime deletes itself here.
  virtual void PostNcDestroy() {}

  // Binds the object to a window without routing its messages.
  BOOL Attach(HWND hwnd);
  HWND Detach();
  // Routes the window's messages to this object ahead of the window's own
  // procedure. FALSE for a dead window, one that already has a window
  // object, or an object that already has a window.
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  // Stops routing and detaches; the window keeps running on its own procedure.
  HWND UnsubclassWindow();

  // The window object of a window: its own one, else a temporary one that
  // lives until DeleteTempMap, until the window is gone or until it gets an
  // object of its own. Null for a dead or null handle.
  static CWnd* FromHandle(HWND hwnd);
  // Only a window's own object; null for windows without one.
  static CWnd* FromHandlePermanent(HWND hwnd);
  static void DeleteTempMap();

  // A window class of the framework's procedure with these attributes (one
  // class per distinct set; the name stays valid for the process).
  static const char* RegisterWindowClass(UINT class_style, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                         HICON icon = nullptr);
  // A window class of the framework's procedure under a name of its own;
  // TRUE also when it exists already with the framework's procedure.
  static BOOL RegisterNamedClass(const char* name, UINT class_style, HCURSOR cursor = nullptr,
                                 HBRUSH background = nullptr, HICON icon = nullptr);

  // The process's main window, the default owner of dialogs and message boxes.
  static void SetMainWnd(CWnd* wnd);
  static CWnd* GetMainWnd();
  // The window a pop-up (dialog, message box) should be owned by: the
  // top-level window of `parent` (of the main window when null); a pop-up
  // is never owned by a child window. Null when there is none.
  static CWnd* GetSafeOwner(CWnd* parent = nullptr);
  static HWND GetSafeOwnerHwnd(HWND parent);

  // ---- Messages --------------------------------------------------------------------------
  LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const;
  // The window's own handling of the message being handled.
  LRESULT Default();
  // The message this object is handling now (null outside a handler).
  const MSG* GetCurrentMessage() const;
  // Every message of the window: OnWndMsg, else DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // Calls the handler of the message; FALSE when it has none.
  virtual BOOL OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // The window's own procedure (the class's, or the subclassed window's).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // Input filtering before dispatch; TRUE takes the message.
  virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }
  // Offers `msg` to the window objects from its window up to `stop`
  // (parents only); TRUE when one took it. Message loops call this.
  static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

  // ---- Timers ------------------------------------------------------------------------------
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // ---- Painting and scrolling -------------------------------------------------------------
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  void InvalidateRgn(CRgn* region, BOOL erase = TRUE);
  void ValidateRect(const RECT* rect);
  void UpdateWindow();
  BOOL RedrawWindow(const RECT* rect = nullptr, CRgn* region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void ScrollWindow(int dx, int dy, const RECT* scroll = nullptr, const RECT* clip = nullptr);
  int ScrollWindowEx(int dx, int dy, const RECT* scroll, const RECT* clip, CRgn* update, RECT* update_rect,
                     UINT flags);
  BOOL SetScrollInfo(int bar, const SCROLLINFO* info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(int bar, SCROLLINFO* info, UINT mask = SIF_ALL) const;
  int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
  int GetScrollPos(int bar) const;
  void SetScrollRange(int bar, int min, int max, BOOL redraw = TRUE);
  void GetScrollRange(int bar, int* min, int* max) const;
  void ShowScrollBar(int bar, BOOL show = TRUE);

  // ---- Geometry, state, relations ----------------------------------------------------------
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insert_after, int x, int y, int width, int height, UINT flags);
  void ClientToScreen(POINT* point) const;
  void ClientToScreen(RECT* rect) const;
  void ScreenToClient(POINT* point) const;
  void ScreenToClient(RECT* rect) const;
  BOOL ShowWindow(int command);
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowVisible() const;
  BOOL IsWindowEnabled() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  CWnd* GetParent() const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  void SetWindowText(const char* text);
  int GetWindowText(char* out, int max_chars) const;
  void GetWindowText(CString& out) const;
  int GetWindowTextLength() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  // Removes then adds style bits; with `swp_flags`, the frame is recomputed too.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swp_flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swp_flags = 0);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  HFONT GetFont() const;

  // ---- Handlers ------------------------------------------------------------------------------
  // Each runs the window's own handling (Default) unless overridden.
  virtual int OnCreate(CREATESTRUCT* create);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnClose();
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnMove(int x, int y);
  virtual void OnShowWindow(BOOL show, UINT status);
  virtual void OnGetMinMaxInfo(MINMAXINFO* info);
  virtual void OnWindowPosChanged(WINDOWPOS* pos);
  virtual void OnActivate(UINT state, CWnd* other, BOOL minimized);
  virtual int OnMouseActivate(CWnd* top_level, UINT hit_test, UINT message);
  virtual void OnEnable(BOOL enable);
  virtual void OnSetFocus(CWnd* old_focus);
  virtual void OnKillFocus(CWnd* new_focus);
  virtual void OnTimer(UINT_PTR id);
  // `scroll_bar` is the scroll-bar control that sent it; null for the window's own bars.
  virtual void OnHScroll(UINT code, UINT pos, CWnd* scroll_bar);
  virtual void OnVScroll(UINT code, UINT pos, CWnd* scroll_bar);
  virtual void OnKeyDown(UINT key, UINT repeat, UINT flags);
  virtual void OnKeyUp(UINT key, UINT repeat, UINT flags);
  virtual void OnSysKeyDown(UINT key, UINT repeat, UINT flags);
  virtual void OnSysKeyUp(UINT key, UINT repeat, UINT flags);
  virtual void OnChar(UINT ch, UINT repeat, UINT flags);
  virtual void OnSysChar(UINT ch, UINT repeat, UINT flags);
  virtual void OnMouseMove(UINT flags, CPoint point);
  virtual void OnLButtonDown(UINT flags, CPoint point);
  virtual void OnLButtonUp(UINT flags, CPoint point);
  virtual void OnLButtonDblClk(UINT flags, CPoint point);
  virtual void OnRButtonDown(UINT flags, CPoint point);
  virtual void OnRButtonUp(UINT flags, CPoint point);
  virtual void OnRButtonDblClk(UINT flags, CPoint point);
  virtual void OnMButtonDown(UINT flags, CPoint point);
  virtual void OnMButtonUp(UINT flags, CPoint point);
  virtual void OnMButtonDblClk(UINT flags, CPoint point);
  // `point` in screen coordinates, as the message gives it.
  virtual BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  virtual void OnMouseLeave();
  virtual void OnCaptureChanged(CWnd* new_capture);
  virtual BOOL OnSetCursor(CWnd* wnd, UINT hit_test, UINT message);
  virtual void OnContextMenu(CWnd* wnd, CPoint screen_point);
  virtual void OnSysCommand(UINT id, LPARAM lparam);
  // TRUE when handled; otherwise the window's own handling runs.
  virtual BOOL OnCommand(WPARAM wparam, LPARAM lparam);
  virtual BOOL OnNotify(WPARAM wparam, LPARAM lparam, LRESULT* result);
  // Owner-drawn items of child controls (`id` is the control's id).
  virtual void OnDrawItem(int id, DRAWITEMSTRUCT* item);
  virtual void OnMeasureItem(int id, MEASUREITEMSTRUCT* item);
  virtual void OnPaletteChanged(CWnd* focus_wnd);
  virtual BOOL OnQueryNewPalette();

  HWND m_hWnd = nullptr;

 protected:
  // Something to hold while a message of this window is handled (a counted
  // object keeps itself alive across handlers that may release it).
  virtual std::shared_ptr<void> HoldForMessage() { return nullptr; }

 private:
  friend struct WndRouting;
  bool is_hooked_ = false;     // messages come through the subclass hook
  bool is_temporary_ = false;  // made by FromHandle; never destroys its window
};

// The wait cursor while at least one of these lives (nested ones count);
// the cursor before the first comes back when the last goes. Windows of the
// framework keep the wait cursor over their client area meanwhile.
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  // Shows the wait cursor again (after something changed the cursor).
  void Restore();
  static bool IsWaiting();
};

}  // namespace plat

#endif  // PLAT_CTL_WND_H_
