// The control tree of the class library: TControl (a rectangle with a parent,
// text, colour, font, hint and mouse events), TWinControl (a control with a
// window), TGraphicControl (painted by its parent, no window), TCustomControl
// (a window with a canvas) and TScrollingWinControl. Every message a control
// handles passes WndProc -> Dispatch -> DefaultHandler; a windowed control's
// window runs through one subclass hook that hands its messages to WndProc and
// catches every exception there for Application->HandleException.
#ifndef PLAT_FORMS_CONTROLS_H_
#define PLAT_FORMS_CONTROLS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plat/forms/canvas.h"
#include "plat/forms/component.h"
#include "plat/forms/graphics.h"
#include "plat/types.h"
#include "plat/user.h"

namespace plat {

// ---- The control messages -------------------------------------------------------------------
// One block from CM_BASE; the toolkit's own messages start above CM_LAST.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;  // WParam: the virtual key; Result non-zero when used
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;  // LParam: the control that has the focus now
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;  // WParam: group index; LParam: the button
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;  // WParam: the control; LParam: 1 inserted, 0 removed
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;  // LParam: THintInfo*; Result non-zero cancels the hint
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_LAST = 0xB0BF;  // the class library's block ends here

// Notifications a parent window receives for a child (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR*, WM_DRAWITEM, ...) go back to the child's control as
// CN_BASE + the message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + 0x002F;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + 0x0039;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + 0x002D;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + 0x002E;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// A message as the class library's handlers see it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// ---- Enumerations ---------------------------------------------------------------------------
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using enum TAlign;

enum class TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
};
using enum TControlStyleItem;
using TControlStyle = TSet<TControlStyleItem>;

enum class TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
};
using enum TControlStateItem;
using TControlState = TSet<TControlStateItem>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using enum TShiftStateItem;
using TShiftState = TSet<TShiftStateItem>;

// Cursor ids of the screen's cursor table (Screen->Cursors).
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Key codes of key events are virtual keys; characters are Unicode code points.
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char32_t& key)>;

// The shift state of a mouse message's key flags (MK_*), and of the keyboard now.
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyboardStateToShiftState();

class TWinControl;
class TCustomForm;
class TPopupMenu;

// ---- TControl -------------------------------------------------------------------------------
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // Parent-client coordinates (screen coordinates for a top-level form).
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  void SetBoundsRect(const RECT& rect) { SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top); }
  virtual RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  // Where the client area's (0, 0) lies on the screen.
  virtual POINT ClientOrigin();

  bool Visible() const { return is_visible_; }
  virtual void SetVisible(bool is_visible);
  void Show();
  void Hide() { SetVisible(false); }
  bool Enabled() const { return is_enabled_; }
  virtual void SetEnabled(bool is_enabled);
  // Caption and Text are one string.
  std::string Caption() { return GetText(); }
  void SetCaption(const std::string& text) { SetText(text); }
  std::string Text() { return GetText(); }
  void SetText(const std::string& text);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return is_parent_color_; }
  void SetParentColor(bool is_parent_color);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* font) { font_->Assign(font); }
  bool ParentFont() const { return is_parent_font_; }
  void SetParentFont(bool is_parent_font);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const { return is_show_hint_; }
  void SetShowHint(bool is_show_hint);
  bool ParentShowHint() const { return is_parent_show_hint_; }
  void SetParentShowHint(bool is_parent_show_hint);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  bool AutoSize() const { return is_auto_size_; }
  virtual void SetAutoSize(bool is_auto_size);
  TControlStyle ControlStyle() const { return control_style_; }
  void SetControlStyle(TControlStyle style) { control_style_ = style; }
  TControlState ControlState() const { return control_state_; }
  void SetControlState(TControlState state) { control_state_ = state; }
  // The menu a right-click (WM_CONTEXTMENU) pops up when it has AutoPopup;
  // a control without one leaves the click to its parent. Cleared when the
  // menu is freed.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // Drawing: Invalidate marks the control's area for the next paint,
  // Update paints what is marked now, Repaint does both.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // Runs `msg` through this control's WndProc now and gives its result.
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);
  POINT ClientToScreen(POINT point);
  POINT ScreenToClient(POINT point);
  bool MouseCapture();
  void SetMouseCapture(bool is_captured);
  void BringToFront();
  void SendToBack();
  // The control is visible and so is every parent up to a shown form.
  virtual bool Showing();
  // The form this control sits on (null outside a form).
  TCustomForm* GetParentForm();

  // A token that expires when this control is freed: code that fires an
  // event which may free the control checks it before touching the control again.
  std::weak_ptr<void> AliveToken() const { return alive_; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // The entry of every message; windowed controls run their window's
  // messages through it.
  virtual void WndProc(TMessage& msg);

 protected:
  friend class TWinControl;

  // Handles a message by its number; what a class does not handle goes to DefaultHandler.
  virtual void Dispatch(TMessage& msg);
  virtual void DefaultHandler(TMessage& msg);
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual std::string GetText();
  virtual void SetTextContent(const std::string& text);
  // Called when the bounds changed (and only then).
  virtual void Resize() {}
  // The size AutoSize would give; false when it has none.
  virtual bool CanAutoSize(int& width, int& height) { return false; }
  void AdjustSize();
  // Asks the parent to lay out its aligned children again.
  void RequestAlign();
  void Notification(TComponent* component, TOperation operation) override;

  TControlStyle control_style_;
  TControlState control_state_;
  std::string text_;

 private:
  void FontChanged(TObject* sender);
  void HandleMouseButton(TMessage& msg, TMouseButton button, bool is_down, bool is_double);
  // Stores new bounds; true when the size changed.
  bool ApplyBounds(int left, int top, int width, int height);
  // WM_CONTEXTMENU: pops up PopupMenu, else hands the message to the parent.
  void ContextMenu(TMessage& msg);

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool is_visible_ = true;
  bool is_enabled_ = true;
  TColor color_ = clWindow;
  bool is_parent_color_ = true;
  std::unique_ptr<TFont> font_;
  bool is_parent_font_ = true;
  bool is_font_assigning_ = false;
  std::string hint_;
  bool is_show_hint_ = false;
  bool is_parent_show_hint_ = true;
  TCursor cursor_ = crDefault;
  TAlign align_ = alNone;
  bool is_auto_size_ = false;
  TPopupMenu* popup_menu_ = nullptr;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// ---- TWinControl ----------------------------------------------------------------------------
// What CreateWnd makes the window from; CreateParams fills it in.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  UINT WindowClassStyle = 0;
  HCURSOR WindowClassCursor = nullptr;
  // The class to register and make the window of; with SubclassOf set, the
  // window is made of that existing class (a standard control) instead.
  std::string WinClassName;
  std::string SubclassOf;
};

// A function that sees a window's messages before the control does; true
// means it answered the message (in msg.Result) and nothing else sees it.
using TWindowProcHook = std::function<bool(TMessage& msg)>;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, made first when there is none yet.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // The parent window of a control without a Parent (a control hosted in a
  // window of another kind); null for none.
  HWND ParentWindow() const { return parent_window_; }
  void SetParentWindow(HWND parent_window);

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // Raises EListError for an index out of range.
  TControl* Controls(int index) const;
  // The child whose bounds hold `point` (client coordinates), topmost first;
  // disabled children only with `allow_disabled`, windowed ones only with `allow_windowed`.
  TControl* ControlAtPos(POINT point, bool allow_disabled, bool allow_windowed = false);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;

  bool Focused();
  virtual bool CanFocus();
  virtual void SetFocus();
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return is_tab_stop_; }
  void SetTabStop(bool is_tab_stop);
  // The next control in tab order after `current` among this control's descendants.
  TWinControl* FindNextControl(TWinControl* current, bool go_forward, bool check_tab_stop, bool check_parent);
  void SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop);
  bool Ctl3D() const { return is_ctl3d_; }
  void SetCtl3D(bool is_ctl3d);
  bool Showing() override;

  // Sends `msg` to every child until one answers with a non-zero result.
  void Broadcast(TMessage& msg);
  // Sends a message to every child control.
  void NotifyControls(UINT msg);
  // Scales the bounds and fonts of this control and its children by m / d.
  void ScaleBy(int multiplier, int divider);
  void DisableAlign() { ++align_disabled_; }
  void EnableAlign();
  void Realign() { AlignControls(nullptr); }

  // Hooks of the window procedure, installed with SetWindowSubclass and
  // kept across RecreateWnd. Tokens are never reused; removal works in any
  // order, also from inside a hook. RemoveWindowProcHook gives false for
  // an unknown token.
  UINT_PTR AddWindowProcHook(TWindowProcHook hook);
  bool RemoveWindowProcHook(UINT_PTR token);

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool is_visible) override;
  void SetEnabled(bool is_enabled) override;
  RECT ClientRect() override;
  POINT ClientOrigin() override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  // Paints the graphic children over `dc`, starting at `first` (all when null).
  void PaintControls(HDC dc, TControl* first);

  void WndProc(TMessage& msg) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TNotifyEvent OnResize;

 protected:
  friend class TControl;
  friend class TApplication;
  friend struct WinControlAccess;
  friend TWinControl* FindControl(HWND hwnd);

  virtual void CreateParams(TCreateParams& params);
  // Makes the window: CreateParams, registers the class, CreateWindowHandle.
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  // Makes the window and those of the windowed children.
  virtual void CreateHandle();
  void DestroyHandle();
  void RecreateWnd();
  void CreateSubClass(TCreateParams& params, const char* class_name);
  virtual void PaintWindow(HDC dc);
  // Lays out the children with an Align other than alNone inside `rect`.
  virtual void AlignControls(TControl* changed, RECT& rect);
  void AlignControls(TControl* changed);
  virtual RECT AlignRect() { return ClientRect(); }
  void Dispatch(TMessage& msg) override;
  void DefaultHandler(TMessage& msg) override;
  void Resize() override;

  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char32_t& key);
  // The brush the background is erased with (Color).
  TBrush* Brush() const { return brush_.get(); }
  // The answer to a reflected CN_CTLCOLOR*: Font's colour and Color on
  // `dc`, and the brush of Color.
  LRESULT ControlColor(HDC dc);
  std::string GetText() override;
  void SetTextContent(const std::string& text) override;
  // A window of another procedure's class: the message goes on to it.
  bool IsSubclassed() const { return !subclass_of_.empty(); }
  // The window if there is one (never makes it).
  HWND WindowHandle() const { return handle_; }
  // Takes the bounds the window has now.
  void UpdateBoundsFromWindow();
  // Takes a window another module made (an embedded control's) as this
  // control's window, from CreateWnd: its messages pass through this
  // control's hooks, and what the control leaves goes on to the window's
  // own procedure, as for a standard control.
  void AdoptWindow(HWND hwnd);
  // Keeps what only the window holds (a list's items) before the window
  // goes, also when a parent's destruction takes it.
  virtual void SaveWindowState() {}

 private:
  struct Hook {
    UINT_PTR token;
    TWindowProcHook hook;
  };
  static LRESULT MainHookProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR ref);
  static LRESULT UserHookProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR ref);
  void Attach(HWND hwnd);
  void Detach();
  // Keeps the window's text and SaveWindowState's part before the window goes.
  void SaveState();
  bool IsControlMouseMsg(TMessage& msg);
  void PaintHandler(TMessage& msg);
  void ReflectToChild(TMessage& msg, HWND child);
  void DoKey(TMessage& msg, bool is_down);
  void DoKeyPress(TMessage& msg);
  // A key-down (CN_KEYDOWN) that is a shortcut of a pop-up menu of this
  // control or a parent, or of the form's menu, has clicked its item.
  bool IsMenuKey(TMessage& msg);
  void SetCursorFor(TMessage& msg);
  void ApplyFont();

  HWND handle_ = nullptr;
  HWND parent_window_ = nullptr;
  std::vector<TControl*> controls_;      // every child, bottom of the z order first
  std::vector<TWinControl*> tab_list_;  // windowed children in tab order
  std::vector<Hook> hooks_;
  std::unique_ptr<TBrush> brush_;
  WNDPROC default_proc_ = nullptr;
  std::string subclass_of_;
  bool is_tab_stop_ = false;
  bool is_ctl3d_ = true;
  bool is_state_saved_ = false;
  int align_disabled_ = 0;
  bool is_aligning_ = false;
};

// The window control of `hwnd` (one of ours), else null.
TWinControl* FindControl(HWND hwnd);

// ---- Painted controls -----------------------------------------------------------------------
// A canvas over a control's area: the window's DC for a windowed control, the
// parent's DC moved and clipped to the control for a graphic one.
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* control) : control_(control) {}
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  // Releases a DC this canvas took itself (after painting outside WM_PAINT).
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  HDC own_dc_ = nullptr;
  HWND own_window_ = nullptr;
  int saved_dc_ = 0;
};

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void Dispatch(TMessage& msg) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control whose children may lie beyond its client area; it
// scrolls them with its window scroll bars.
class TScrollingWinControl : public TWinControl {
 public:
  explicit TScrollingWinControl(TComponent* owner);
  // The scroll offset of the children, in pixels.
  POINT ScrollPos() const { return scroll_pos_; }
  void ScrollBy(int dx, int dy);
  // Moves `control` into view.
  void ScrollInView(TControl* control);
  bool AutoScroll() const { return is_auto_scroll_; }
  void SetAutoScroll(bool is_auto_scroll);

 protected:
  void Dispatch(TMessage& msg) override;
  void AlignControls(TControl* changed, RECT& rect) override;
  void CreateParams(TCreateParams& params) override;
  // Fits the scroll ranges to the children's extent.
  void UpdateScrollBars();

 private:
  void Scroll(int bar, WORD code);
  POINT scroll_pos_{};
  SIZE range_{};
  bool is_auto_scroll_ = true;
  bool is_updating_bars_ = false;
};

}  // namespace plat

#endif  // PLAT_FORMS_CONTROLS_H_
