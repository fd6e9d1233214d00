// Forms, the application and the screen: TCustomForm/TForm (a top-level
// window built in code, shown modeless or modal), TApplication (the message
// loop, exception display and hints), TScreen (size, forms, cursors) and
// THintWindow. Application and Screen exist between plat::forms::Init() and
// the outermost Shutdown(); Shutdown frees the forms the application owns.
#ifndef PLAT_FORMS_FORMS_H_
#define PLAT_FORMS_FORMS_H_

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "plat/forms/controls.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/menus.h"

namespace plat {

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// Controls take bsNone and bsSingle only.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TFormBorderStyle;
using TBorderStyle = TFormBorderStyle;
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
};
using enum TPosition;
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;
// MDI styles are kept as data only.
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using enum TFormStyle;
enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using enum TBorderIcon;
using TBorderIcons = TSet<TBorderIcon>;
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& can_close)>;

// ---- Forms ----------------------------------------------------------------------------------
class TCustomForm : public TScrollingWinControl {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle style);
  bool KeyPreview() const { return is_key_preview_; }
  void SetKeyPreview(bool is_key_preview) { is_key_preview_ = is_key_preview; }
  TWinControl* ActiveControl() const { return active_control_; }
  // Raises EInvalidOperation for a control that is not on this form or cannot take the focus.
  void SetActiveControl(TWinControl* control);
  bool Active() const { return is_active_; }
  // The menu bar; a form inside another window shows none.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);
  // A key-down that is a shortcut of the form's menu clicks its item: true.
  virtual bool IsShortCut(const TMessage& msg);

  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result) { modal_result_ = result; }
  // Shows the form and runs the loop until ModalResult is set (and
  // OnCloseQuery lets it close); the other forms are disabled meanwhile.
  // Raises EInvalidOperation for a form that is shown or already modal.
  TModalResult ShowModal();
  bool IsModal() const { return is_modal_; }
  // OnCloseQuery, then OnClose; hides (or, with caFree, releases) the form.
  // Closing the main form ends the application.
  void Close();
  bool CloseQuery();
  // Frees the form once the handler running now has returned (posted CM_RELEASE).
  void Release();
  // Gives the focus to `control`'s window and tells the old and new
  // focused controls (CM_EXIT, CM_ENTER). False when it could not be moved.
  bool SetFocusedControl(TWinControl* control);
  void SetFocus() override;
  void SetVisible(bool is_visible) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnPaint;

  void DoCreate();

 protected:
  friend class TMainMenu;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& msg) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void PaintWindow(HDC dc) override;
  virtual void Paint();
  TCanvas* Canvas() const { return canvas_.get(); }
  virtual void DoShow();
  virtual void DoHide();

 private:
  void PlaceOnShow();
  void CloseModal();
  void Activated(bool is_active);
  void HandleDialogKey(TMessage& msg);
  // WM_COMMAND without a control window: a menu-bar command, or a button
  // the dialog protocol names by its id (DM_GETDEFID, IDCANCEL).
  void HandleCommand(TMessage& msg);
  // The default button that can take a click; null when none.
  TWinControl* DefaultButton();
  // The first control id (GWLP_ID) above every one this form's windows have.
  int NextControlId();
  void MenuGone(TMainMenu* menu);
  static constexpr int kFirstControlId = 0x8000;

  TMainMenu* menu_ = nullptr;
  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TWindowState window_state_ = wsNormal;
  TFormStyle form_style_ = fsNormal;
  bool is_key_preview_ = false;
  TWinControl* active_control_ = nullptr;
  TWinControl* focused_control_ = nullptr;
  TWinControl* last_focus_told_ = nullptr;  // compared only, never used
  bool is_active_ = false;
  TModalResult modal_result_ = mrNone;
  bool is_modal_ = false;
  bool has_fired_create_ = false;
  bool is_placed_ = false;
  bool has_default_bounds_ = false;
  std::unique_ptr<TControlCanvas> canvas_;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
  using TCustomForm::Canvas;
};

// A framed container whose children may lie beyond its client area: its
// window scroll bars cover their extent.
class TScrollBox : public TScrollingWinControl {
 public:
  explicit TScrollBox(TComponent* owner);
  // bsSingle (a sunken edge) or bsNone.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TBorderStyle border_style_ = bsSingle;
};

// ---- Hints ----------------------------------------------------------------------------------
class THintWindow;
using THintWindowClass = THintWindow* (*)(TComponent* owner);

// What the application hands to CM_HINTSHOW and OnShowHint before a hint shows.
struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass = nullptr;
  POINT HintPos{};       // screen position of the hint window's top left
  int HintMaxWidth = 0;  // pixels
  TColor HintColor = clInfoBk;
  RECT CursorRect{};     // HintControl's client coordinates: moving out of it hides the hint
  POINT CursorPos{};     // HintControl's client coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;   // ms; 0 for the application's HintHidePause
  std::string HintStr;
  void* HintData = nullptr;
};

using TShowHintEvent = std::function<void(std::string& hint_str, bool& can_show, THintInfo& hint_info)>;

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* owner);
  // Shows `text` in `rect` (screen coordinates) without taking the focus.
  virtual void ActivateHint(RECT rect, const std::string& text);
  virtual void ActivateHintData(RECT rect, const std::string& text, void* data) { ActivateHint(rect, text); }
  // The rectangle (at 0, 0) the text needs, lines broken at `max_width` pixels.
  virtual RECT CalcHintRect(int max_width, const std::string& text, void* data);
  // Hides the window and gives its handle back.
  void ReleaseHandle();
  bool IsShowing();

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Dispatch(TMessage& msg) override;
};

template <class T>
THintWindow* MakeHintWindow(TComponent* owner) {
  return new T(owner);
}

// The class the application makes its hint window of. Replace it, then
// toggle Application->ShowHint for the next hint to use the new class.
extern THintWindowClass HintWindowClass;

std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// ---- The application ------------------------------------------------------------------------
using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  void Initialize() {}
  // Makes a form owned by the application; the first one becomes MainForm.
  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    FormCreated(reference);
  }
  // Shows the main form and runs the loop until Terminate or the main form closes.
  void Run();
  void Terminate();
  bool Terminated() const { return is_terminated_; }
  // Handles every message waiting now, without waiting for more.
  void ProcessMessages();
  // Handles one message, or idles (OnIdle, then waits) when none waits.
  void HandleMessage();
  // The hidden window that owns the forms, the hint timers and the clipboard.
  HWND Handle();

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  // The program's full path.
  std::string ExeName() const;
  TCustomForm* MainForm() const { return main_form_; }
  bool ShowMainForm() const { return is_show_main_form_; }
  void SetShowMainForm(bool is_show) { is_show_main_form_ = is_show; }

  // The exception being handled now (inside a catch): OnException, else
  // ShowException; EAbort is dropped silently.
  void HandleException(TObject* sender);
  // The standard message box of an exception (its message ends with a period).
  void ShowException(const std::exception& e);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  // Hints.
  bool ShowHint() const { return is_show_hint_; }
  // Switching it off frees the hint window; on again makes the next one of HintWindowClass.
  void SetShowHint(bool is_show);
  int HintPause() const { return hint_pause_ms_; }
  void SetHintPause(int ms) { hint_pause_ms_ = ms; }
  int HintHidePause() const { return hint_hide_pause_ms_; }
  void SetHintHidePause(int ms) { hint_hide_pause_ms_ = ms; }
  int HintShortPause() const { return hint_short_pause_ms_; }
  void SetHintShortPause(int ms) { hint_short_pause_ms_ = ms; }
  TColor HintColor() const { return hint_color_; }
  void SetHintColor(TColor color) { hint_color_ = color; }
  // The long hint of the control under the pointer (OnHint fires when it changes).
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  void CancelHint();
  void HideHint();
  // Shows the hint of the control under `screen_point` now, if it has one.
  void ActivateHint(POINT screen_point);
  // The hint window while it exists (made on the first hint).
  THintWindow* HintWindow() const { return hint_window_; }
  // Called by controls for every mouse message: hint timing and the
  // CM_MOUSEENTER / CM_MOUSELEAVE pair when the control under the pointer changes.
  void HintMouseMessage(TControl* control, const TMessage& msg);
  void MouseOver(TControl* control);
  TControl* MouseControl() const { return mouse_control_; }
  // Forgets a control that is being freed.
  void ControlDestroyed(TControl* control);

  // Hooks of the application's window: each sees its messages before the
  // application does, first added first; true means answered (the hooks
  // after it and the application see nothing). Removal works in any
  // order, also from inside a hook; the first matching token goes.
  UINT_PTR HookMainWindow(TWindowProcHook hook);
  bool UnhookMainWindow(UINT_PTR token);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCustomForm;
  static LRESULT AppWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void FormCreated(TCustomForm* form);
  bool ProcessMessage(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  void Idle();
  void HintTimerExpired();
  void StartHintTimer(int ms, UINT_PTR id);
  void StopHintTimers();
  // Tells every form of a change of the system's settings.
  void NotifyForms(UINT msg);

  struct MainWindowHook {
    UINT_PTR token;
    TWindowProcHook hook;
  };
  std::vector<MainWindowHook> main_window_hooks_;
  UINT_PTR next_hook_token_ = 0;
  HWND handle_ = nullptr;
  std::string title_;
  TCustomForm* main_form_ = nullptr;
  bool is_terminated_ = false;
  bool is_show_main_form_ = true;
  bool is_running_ = false;
  bool is_show_hint_ = true;
  int hint_pause_ms_ = 500;
  int hint_hide_pause_ms_ = 2500;
  int hint_short_pause_ms_ = 50;
  TColor hint_color_ = clInfoBk;
  std::string hint_;
  THintWindow* hint_window_ = nullptr;
  TControl* hint_control_ = nullptr;
  TControl* mouse_control_ = nullptr;
  bool is_hint_active_ = false;
  RECT hint_cursor_rect_{};
};

// ---- The screen -----------------------------------------------------------------------------
class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  int Width() const;
  int Height() const;
  RECT WorkAreaRect() const;
  int PixelsPerInch() const { return 96; }
  TCustomForm* ActiveForm() const { return active_form_; }
  TWinControl* ActiveControl() const { return active_control_; }
  int FormCount() const { return static_cast<int>(forms_.size()); }
  // Raises EListError for an index out of range.
  TCustomForm* Forms(int index) const;
  // The cursor shown over every control while it is not crDefault.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The cursor of an id; the default arrow for ids without one.
  HCURSOR Cursors(int index) const;
  // Installs `cursor` under `index` (the screen destroys it later); null removes it.
  void SetCursors(int index, HCURSOR cursor);

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);
  void SetActiveControl(TWinControl* control) { active_control_ = control; }

  std::vector<TCustomForm*> forms_;
  TCustomForm* active_form_ = nullptr;
  TWinControl* active_control_ = nullptr;
  TCursor cursor_ = crDefault;
  std::map<int, HCURSOR> cursors_;
  std::map<int, HCURSOR> own_cursors_;
};

// Made by plat::forms::Init(), freed by the outermost Shutdown(); null otherwise.
extern TApplication* Application;
extern TScreen* Screen;

}  // namespace plat

#endif  // PLAT_FORMS_FORMS_H_
