// TCustomForm: a top-level window built in code. Showing places it once
// (Position), ShowModal runs the application's loop until ModalResult is set
// and the form agrees to close, and Release frees the form from a posted
// CM_RELEASE, after the handler that asked for it has returned.
#include <algorithm>

#include "control_internal.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/forms/menus.h"
#include "plat/forms/stdctrls.h"
#include "plat/gdi.h"
#include "plat/menu.h"

namespace plat {

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {
  control_style_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
  SetColor(clBtnFace);
  if (Screen != nullptr) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (has_fired_create_ && OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      forms::internal::HandleDispatchException(nullptr);
    }
  }
  if (Screen != nullptr) Screen->RemoveForm(this);
  if (Application != nullptr && Application->main_form_ == this) Application->main_form_ = nullptr;
  DestroyHandle();
}

void TCustomForm::DoCreate() {
  if (has_fired_create_) return;
  has_fired_create_ = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::Loaded() {
  TScrollingWinControl::Loaded();
  if (control_state_.Contains(csAlignmentNeeded)) Realign();
  DoCreate();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TScrollingWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == active_control_) active_control_ = nullptr;
  if (component == focused_control_) focused_control_ = nullptr;
  if (component == menu_) menu_ = nullptr;
  if (component == last_focus_told_) last_focus_told_ = nullptr;
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_) return;
  if (menu_ != nullptr) {
    if (menu_->form_ == this) menu_->form_ = nullptr;
    RemoveFreeNotification(menu_);
  }
  menu_ = menu;
  if (menu != nullptr) {
    if (menu->form_ != nullptr && menu->form_ != this) menu->form_->SetMenu(nullptr);
    menu->form_ = this;
    FreeNotification(menu);
  }
  Perform(CM_MENUCHANGED, 0, 0);
}

void TCustomForm::MenuGone(TMainMenu* menu) {
  if (menu != menu_) return;
  // The bar goes before the menu that owns it.
  if (WindowHandle() != nullptr && Parent() == nullptr) ::plat::SetMenu(WindowHandle(), nullptr);
  menu_ = nullptr;
}

bool TCustomForm::IsShortCut(const TMessage& msg) { return menu_ != nullptr && menu_->IsShortCut(msg); }

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  if (style == form_style_) return;
  form_style_ = style;
  if (HandleAllocated()) {
    SetWindowPos(Handle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

TWindowState TCustomForm::WindowState() const {
  if (WindowHandle() != nullptr) {
    if (IsIconic(WindowHandle())) return wsMinimized;
    if (IsZoomed(WindowHandle())) return wsMaximized;
    if (IsWindowVisible(WindowHandle())) return wsNormal;
  }
  return window_state_;
}

void TCustomForm::SetWindowState(TWindowState state) {
  window_state_ = state;
  if (WindowHandle() != nullptr && IsWindowVisible(WindowHandle())) {
    ShowWindow(WindowHandle(), state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
  }
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (Parent() != nullptr || ParentWindow() != nullptr) return;  // a form inside another window
  params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  params.Style |= WS_CLIPCHILDREN;
  params.WndParent = nullptr;
  switch (border_style_) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      params.Style |= WS_CAPTION;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (border_style_ != bsNone) {
    if (border_icons_.Contains(biSystemMenu)) params.Style |= WS_SYSMENU;
    const bool has_boxes = border_style_ != bsDialog && border_style_ != bsToolWindow && border_style_ != bsSizeToolWin;
    if (has_boxes && border_icons_.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
    if (has_boxes && border_icons_.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
  }
  if (form_style_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
  // The window system picks the place (its cascade) and, for a sizeable
  // form, the size, once: later windows of the form keep what it picked.
  if (!has_default_bounds_) {
    if (position_ == poDefault || position_ == poDefaultPosOnly) params.X = params.Y = CW_USEDEFAULT;
    if ((position_ == poDefault || position_ == poDefaultSizeOnly) &&
        (border_style_ == bsSizeable || border_style_ == bsSizeToolWin)) {
      params.Width = params.Height = CW_USEDEFAULT;
    }
  }
}

void TCustomForm::CreateWnd() {
  TScrollingWinControl::CreateWnd();
  if (Parent() != nullptr || ParentWindow() != nullptr) return;
  has_default_bounds_ = true;
  if (menu_ != nullptr) ::plat::SetMenu(WindowHandle(), menu_->Handle());
  // The window system may have fitted the size to the frame; keep what it made.
  UpdateBoundsFromWindow();
}

void TCustomForm::PlaceOnShow() {
  if (Parent() != nullptr || Screen == nullptr) return;
  TCustomForm* center_on = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: {
      const int left = (Screen->Width() - Width()) / 2;
      const int top = (Screen->Height() - Height()) / 2;
      SetBounds(std::max(0, left), std::max(0, top), Width(), Height());
      return;
    }
    case poMainFormCenter:
      center_on = Application != nullptr ? Application->MainForm() : nullptr;
      break;
    case poOwnerFormCenter:
      center_on = dynamic_cast<TCustomForm*>(Owner());
      break;
    default:
      return;
  }
  if (center_on == nullptr || center_on == this) center_on = nullptr;
  const RECT area = center_on != nullptr ? center_on->BoundsRect() : RECT{0, 0, Screen->Width(), Screen->Height()};
  const int left = area.left + (area.right - area.left - Width()) / 2;
  const int top = area.top + (area.bottom - area.top - Height()) / 2;
  SetBounds(std::max(0, left), std::max(0, top), Width(), Height());
}

void TCustomForm::SetVisible(bool is_visible) {
  if (Parent() != nullptr) {
    TScrollingWinControl::SetVisible(is_visible);
    return;
  }
  const bool is_shown = HandleAllocated() && IsWindowVisible(WindowHandle());
  if (is_visible == Visible() && is_visible == is_shown) return;
  const std::weak_ptr<void> alive = AliveToken();
  if (is_visible) {
    if (!is_placed_) {
      is_placed_ = true;
      PlaceOnShow();
    }
    TControl::SetVisible(true);
    HandleNeeded();
    DoShow();
    if (alive.expired() || !Visible()) return;
    ShowWindow(WindowHandle(), window_state_ == wsMaximized   ? SW_SHOWMAXIMIZED
                        : window_state_ == wsMinimized ? SW_SHOWMINIMIZED
                                                       : SW_SHOW);
    if (alive.expired()) return;
    TWinControl* target = active_control_;
    if (target == nullptr) target = FindNextControl(nullptr, true, true, false);
    if (target != nullptr && target->CanFocus()) SetFocusedControl(target);
  } else {
    DoHide();
    if (alive.expired()) return;
    TControl::SetVisible(false);
    if (WindowHandle() != nullptr) ShowWindow(WindowHandle(), SW_HIDE);
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::SetFocus() {
  if (!Visible() || !Enabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetActiveWindow(Handle());
  if (active_control_ != nullptr && active_control_->CanFocus()) {
    SetFocusedControl(active_control_);
  } else {
    ::plat::SetFocus(Handle());
  }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == active_control_) return;
  if (control != nullptr && (control == this || !ContainsControl(control) ||
                             (Visible() && !control->CanFocus()))) {
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  }
  active_control_ = control;
  if (Visible() && control != nullptr) SetFocusedControl(control);
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control != nullptr && control != this && !ContainsControl(control)) return false;
  if (control == this) control = nullptr;
  if (control != focused_control_) {
    TWinControl* previous = focused_control_;
    focused_control_ = control;
    if (control != nullptr) active_control_ = control;
    if (Screen != nullptr && Screen->ActiveForm() == this) Screen->SetActiveControl(control);
    if (previous != nullptr) {
      const std::weak_ptr<void> alive = AliveToken();
      previous->Perform(CM_EXIT, 0, 0);
      if (alive.expired() || focused_control_ != control) return false;
    }
    if (control != nullptr) {
      const std::weak_ptr<void> alive = AliveToken();
      control->Perform(CM_ENTER, 0, 0);
      if (alive.expired() || focused_control_ != control) return false;
    }
  }
  // The focus may already be in the control's own child (a combo box's edit).
  if (control != nullptr && control->HandleAllocated() && HandleAllocated() && IsWindowVisible(WindowHandle())) {
    HWND focus = GetFocus();
    if (focus != control->Handle() && !IsChild(control->Handle(), focus)) ::plat::SetFocus(control->Handle());
  }
  if (control != last_focus_told_) {
    last_focus_told_ = control;
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  }
  return true;
}

void TCustomForm::Activated(bool is_active) {
  is_active_ = is_active;
  if (is_active && Screen != nullptr) {
    Screen->SetActiveForm(this);
    Screen->SetActiveControl(focused_control_);
  }
  Perform(is_active ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
}

bool TCustomForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TCustomForm::Close() {
  if (is_modal_) {
    modal_result_ = mrCancel;
    return;
  }
  const std::weak_ptr<void> alive = AliveToken();
  if (!CloseQuery() || alive.expired()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (alive.expired() || action == caNone) return;
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::CloseModal() {
  const std::weak_ptr<void> alive = AliveToken();
  TCloseAction action = caNone;
  if (CloseQuery()) {
    if (alive.expired()) return;
    action = caHide;
    if (OnClose) OnClose(this, action);
  }
  if (alive.expired()) return;
  if (action == caNone) {
    modal_result_ = mrNone;
  } else if (action == caFree) {
    Release();
  }
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

TModalResult TCustomForm::ShowModal() {
  if (Visible() || is_modal_ || !Enabled() || Parent() != nullptr) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  if (Application == nullptr) throw EInvalidOperation("The application is not running");
  if (GetCapture() != nullptr) {
    SendMessage(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  Application->CancelHint();
  HWND previous_active = GetActiveWindow();
  // Every other shown form waits while this one is modal.
  std::vector<HWND> disabled;
  if (Screen != nullptr) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* form = Screen->Forms(i);
      if (form == this || !form->HandleAllocated()) continue;
      HWND hwnd = form->Handle();
      if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        disabled.push_back(hwnd);
      }
    }
  }
  const std::weak_ptr<void> alive = AliveToken();
  struct Restore {
    std::vector<HWND>& disabled;
    HWND previous_active;
    ~Restore() {
      for (HWND hwnd : disabled) {
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
      }
      if (previous_active != nullptr && IsWindow(previous_active)) SetActiveWindow(previous_active);
    }
  } restore{disabled, previous_active};
  is_modal_ = true;
  modal_result_ = mrNone;
  struct EndModal {
    const std::weak_ptr<void>& alive;
    bool& is_modal;
    ~EndModal() {
      if (!alive.expired()) is_modal = false;
    }
  } end_modal{alive, is_modal_};
  SetVisible(true);
  if (alive.expired()) return mrCancel;
  SetActiveWindow(Handle());
  while (true) {
    try {
      Application->HandleMessage();
    } catch (...) {
      forms::internal::HandleDispatchException(Application);
    }
    if (alive.expired()) return mrCancel;
    if (Application->Terminated()) {
      modal_result_ = mrCancel;
    } else if (modal_result_ != mrNone) {
      try {
        CloseModal();
      } catch (...) {
        if (alive.expired()) return mrCancel;
        forms::internal::HandleDispatchException(this);
        modal_result_ = mrNone;
      }
      if (alive.expired()) return mrCancel;
    }
    if (modal_result_ != mrNone) break;
    if (WindowHandle() == nullptr) {
      modal_result_ = mrCancel;
      break;
    }
  }
  const TModalResult result = modal_result_;
  is_modal_ = false;
  Hide();
  return result;
}

void TCustomForm::HandleDialogKey(TMessage& msg) {
  const auto key = static_cast<WORD>(msg.WParam);
  if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
    SelectNext(active_control_, GetKeyState(VK_SHIFT) >= 0, true);
    msg.Result = 1;
    return;
  }
  if (key >= VK_LEFT && key <= VK_LEFT + 3 && active_control_ != nullptr && active_control_->Parent() != nullptr) {
    const bool go_forward = key == VK_RIGHT || key == VK_DOWN;
    TWinControl* next = active_control_->Parent()->FindNextControl(active_control_, go_forward, false, true);
    if (next != nullptr) next->SetFocus();
    msg.Result = 1;
    return;
  }
  Broadcast(msg);
}

namespace {

// Every windowed control under `parent`, depth first in z order.
void CollectWindowed(TWinControl* parent, std::vector<TWinControl*>& out) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    if (auto* windowed = dynamic_cast<TWinControl*>(parent->Controls(i)); windowed != nullptr) {
      out.push_back(windowed);
      CollectWindowed(windowed, out);
    }
  }
}

}  // namespace

TWinControl* TCustomForm::DefaultButton() {
  std::vector<TWinControl*> all;
  CollectWindowed(this, all);
  for (TWinControl* control : all) {
    auto* button = dynamic_cast<TButton*>(control);
    if (button != nullptr && button->Default() && button->CanFocus()) return button;
  }
  return nullptr;
}

int TCustomForm::NextControlId() {
  // Above the menu-bar commands, so the two never meet in WM_COMMAND.
  std::vector<TWinControl*> all;
  CollectWindowed(this, all);
  int id = kFirstControlId;
  for (TWinControl* control : all) {
    if (control->HandleAllocated()) id = std::max(id, GetDlgCtrlID(control->Handle()) + 1);
  }
  return std::min(id, 0xFFFF);
}

void TCustomForm::HandleCommand(TMessage& msg) {
  const WORD id = LOWORD(msg.WParam);
  if (menu_ != nullptr && menu_->DispatchCommand(id)) return;
  if (HIWORD(msg.WParam) != BN_CLICKED) return;
  // A button named by its id (the default button a dialog protocol asked
  // for), or IDCANCEL: the Cancel button, else the form closes.
  std::vector<TWinControl*> all;
  CollectWindowed(this, all);
  TButton* cancel = nullptr;
  for (TWinControl* control : all) {
    auto* button = dynamic_cast<TButton*>(control);
    if (button == nullptr) continue;
    if (id >= kFirstControlId && button->HandleAllocated() && GetDlgCtrlID(button->Handle()) == id) {
      if (button->CanFocus()) button->Click();
      return;
    }
    if (cancel == nullptr && button->Cancel() && button->CanFocus()) cancel = button;
  }
  if (id != IDCANCEL) return;
  if (cancel != nullptr) {
    cancel->Click();
  } else {
    Close();
  }
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC dc) {
  canvas_->FreeHandle();
  canvas_->Lock();
  canvas_->SetHandle(dc);
  struct Let {
    TControlCanvas* canvas;
    ~Let() {
      canvas->SetHandle(nullptr);
      canvas->Unlock();
    }
  } let{canvas_.get()};
  Paint();
}

void TCustomForm::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CM_RELEASE:
      // Posted by Release: the handler that asked has returned by now.
      delete this;
      return;
    case WM_CLOSE:
      Close();
      return;
    case WM_ACTIVATE: {
      const std::weak_ptr<void> alive = AliveToken();
      DefaultHandler(msg);
      if (!alive.expired()) Activated(LOWORD(msg.WParam) != WA_INACTIVE);
      return;
    }
    case WM_SETFOCUS:
      if (focused_control_ != nullptr && focused_control_->HandleAllocated() && focused_control_->CanFocus()) {
        ::plat::SetFocus(focused_control_->Handle());
        return;
      }
      DefaultHandler(msg);
      return;
    case WM_SIZE:
      if (msg.WParam == SIZE_MINIMIZED) window_state_ = wsMinimized;
      else if (msg.WParam == SIZE_MAXIMIZED) window_state_ = wsMaximized;
      else if (msg.WParam == SIZE_RESTORED) window_state_ = wsNormal;
      break;
    case CM_DIALOGKEY:
      HandleDialogKey(msg);
      return;
    case CM_ACTIVATE:
      if (OnActivate) OnActivate(this);
      return;
    case CM_DEACTIVATE:
      if (OnDeactivate) OnDeactivate(this);
      return;
    case CM_MENUCHANGED:
      if (WindowHandle() != nullptr && Parent() == nullptr && ParentWindow() == nullptr) {
        ::plat::SetMenu(WindowHandle(), menu_ != nullptr ? menu_->Handle() : nullptr);
      }
      return;
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      if (menu_ != nullptr) {
        menu_->is_in_menu_loop_ = msg.Msg == WM_ENTERMENULOOP;
        if (!menu_->is_in_menu_loop_ && menu_->is_rebuild_pending_) menu_->Rebuild();
      }
      break;
    case WM_COMMAND:
      if (msg.LParam == 0) {
        HandleCommand(msg);
        return;
      }
      break;
    case DM_GETDEFID: {
      TWinControl* button = DefaultButton();
      if (button == nullptr) {
        msg.Result = 0;
        return;
      }
      HWND hwnd = button->Handle();
      if (GetDlgCtrlID(hwnd) == 0) SetWindowLongPtr(hwnd, GWLP_ID, NextControlId());
      msg.Result = MAKELRESULT(static_cast<WORD>(GetDlgCtrlID(hwnd)), DC_HASDEFID);
      return;
    }
    case WM_SYSCHAR: {
      // Alt with a caption's accelerator.
      TMessage accel{CM_DIALOGCHAR, msg.WParam, msg.LParam, 0};
      Broadcast(accel);
      if (accel.Result != 0) return;
      break;
    }
    default:
      break;
  }
  TScrollingWinControl::Dispatch(msg);
}

// ---- TScrollBox -----------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  control_style_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle style) {
  style = style == bsNone ? bsNone : bsSingle;
  if (style == border_style_) return;
  border_style_ = style;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (border_style_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

}  // namespace plat
