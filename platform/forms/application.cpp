// TApplication: the message loop with the class library's key handling, the
// standard display of an exception that reached a dispatch boundary, and the
// hint timing on the process clock (HintPause, HintShortPause, HintHidePause
// through window timers of the application's hidden window).
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "control_internal.h"
#include "plat/dialog.h"
#include "plat/forms/forms.h"
#include "plat/gdi.h"

namespace plat {

TApplication* Application = nullptr;

namespace {

constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;
constexpr const char* kAppWindowClass = "TApplication";
// How far below the pointer's hot spot a hint starts, in pixels.
constexpr int kHintCursorMargin = 20;

std::string ProgramPath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

bool IsButtonMessage(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK || msg == WM_LBUTTONUP || msg == WM_RBUTTONUP ||
         msg == WM_MBUTTONUP || msg == WM_MOUSEWHEEL;
}

// The control whose hint shows: the control itself or the first parent with a hint.
TControl* HintSource(TControl* control) {
  for (TControl* c = control; c != nullptr; c = c->Parent()) {
    if (!c->Hint().empty()) return c;
  }
  return control;
}

}  // namespace

std::string GetShortHint(const std::string& hint) {
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  title_ = std::filesystem::path(ProgramPath()).stem().string();
}

TApplication::~TApplication() {
  Destroying();
  StopHintTimers();
  // The forms go while the application they refer to still exists.
  DestroyComponents();
  hint_window_ = nullptr;
  if (handle_ != nullptr && IsWindow(handle_)) DestroyWindow(handle_);
}

std::string TApplication::ExeName() const { return ProgramPath(); }

HWND TApplication::Handle() {
  if (handle_ != nullptr) return handle_;
  static bool is_registered = false;
  if (!is_registered) {
    WNDCLASSEX wc;
    wc.lpfnWndProc = &AppWndProc;
    wc.lpszClassName = kAppWindowClass;
    if (RegisterClassEx(&wc) == 0) throw EOutOfResources("Cannot register the application's window class");
    is_registered = true;
  }
  handle_ = CreateWindowEx(WS_EX_TOOLWINDOW, kAppWindowClass, title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           nullptr, nullptr);
  if (handle_ == nullptr) throw EOutOfResources("Cannot make the application's window");
  return handle_;
}

LRESULT TApplication::AppWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    if (Application != nullptr && hwnd == Application->handle_ && !Application->main_window_hooks_.empty()) {
      TMessage message{msg, wparam, lparam, 0};
      // A copy: a hook may remove itself or others; removed ones are skipped.
      const std::vector<MainWindowHook> hooks = Application->main_window_hooks_;
      for (const MainWindowHook& entry : hooks) {
        if (Application == nullptr) break;
        const auto& live = Application->main_window_hooks_;
        if (std::none_of(live.begin(), live.end(), [&](const MainWindowHook& h) { return h.token == entry.token; })) {
          continue;
        }
        if (entry.hook(message)) return message.Result;
      }
    }
    if (msg == WM_SYSCOLORCHANGE && Application != nullptr) {
      Application->NotifyForms(CM_SYSCOLORCHANGE);
      return 0;
    }
    if (msg == WM_TIMER && Application != nullptr && hwnd == Application->handle_ &&
        (wparam == kHintShowTimer || wparam == kHintHideTimer)) {
      KillTimer(hwnd, wparam);
      if (wparam == kHintShowTimer) {
        POINT point;
        GetCursorPos(&point);
        Application->ActivateHint(point);
      } else {
        Application->HideHint();
      }
      return 0;
    }
  } catch (...) {
    forms::internal::HandleDispatchException(Application);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wparam, lparam);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == hint_window_) {
    hint_window_ = nullptr;
    is_hint_active_ = false;
  }
  if (component == main_form_) main_form_ = nullptr;
}

UINT_PTR TApplication::HookMainWindow(TWindowProcHook hook) {
  const UINT_PTR token = ++next_hook_token_;
  main_window_hooks_.push_back(MainWindowHook{token, std::move(hook)});
  return token;
}

bool TApplication::UnhookMainWindow(UINT_PTR token) {
  auto found = std::find_if(main_window_hooks_.begin(), main_window_hooks_.end(),
                            [&](const MainWindowHook& hook) { return hook.token == token; });
  if (found == main_window_hooks_.end()) return false;
  main_window_hooks_.erase(found);
  return true;
}

void TApplication::NotifyForms(UINT msg) {
  if (Screen == nullptr) return;
  for (int i = Screen->FormCount() - 1; i >= 0; --i) {
    if (i < Screen->FormCount()) Screen->Forms(i)->Perform(msg, 0, 0);
  }
}

void TApplication::FormCreated(TCustomForm* form) {
  if (main_form_ == nullptr) main_form_ = form;
  form->DoCreate();
}

// ---- The loop -------------------------------------------------------------------------------

void TApplication::Run() {
  is_running_ = true;
  struct Stop {
    bool& flag;
    ~Stop() { flag = false; }
  } stop{is_running_};
  if (main_form_ != nullptr && is_show_main_form_) {
    try {
      main_form_->SetVisible(true);
    } catch (...) {
      forms::internal::HandleDispatchException(this);
    }
  }
  while (!is_terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      forms::internal::HandleDispatchException(this);
    }
  }
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    is_terminated_ = true;
    return true;
  }
  if (is_hint_active_ && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_ACTIVATE ||
                          msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCRBUTTONDOWN)) {
    CancelHint();
  }
  if (!IsKeyMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return true;
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TWinControl* control = FindControl(msg.hwnd);
  if (control == nullptr && msg.hwnd != nullptr) control = FindControl(GetParent(msg.hwnd));
  if (control == nullptr) return false;
  return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  if (done) WaitMessage();
}

// ---- Exceptions -----------------------------------------------------------------------------

void TApplication::HandleException(TObject* sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
    // The silent exception.
  } catch (const std::exception& e) {
    if (OnException) {
      OnException(sender, e);
    } else {
      ShowException(e);
    }
  } catch (...) {
    const Exception unknown("Unknown exception");
    if (OnException) {
      OnException(sender, unknown);
    } else {
      ShowException(unknown);
    }
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  // A sentence gets its period; text ending in a non-ASCII character is left as it is.
  if (!text.empty()) {
    const auto last = static_cast<unsigned char>(text.back());
    if (last > '.' && last < 0x80) text += '.';
  }
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND owner = nullptr;
  if (Screen != nullptr && Screen->ActiveForm() != nullptr && Screen->ActiveForm()->HandleAllocated()) {
    owner = Screen->ActiveForm()->Handle();
  } else if (main_form_ != nullptr && main_form_->HandleAllocated()) {
    owner = main_form_->Handle();
  }
  CancelHint();
  return ::plat::MessageBox(owner, text.c_str(), caption.c_str(), flags);
}

// ---- Hints ----------------------------------------------------------------------------------

void TApplication::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (OnHint) OnHint(this);
}

void TApplication::SetShowHint(bool is_show) {
  if (is_show == is_show_hint_) return;
  is_show_hint_ = is_show;
  CancelHint();
  // The next hint makes a window of the class that is current then.
  delete hint_window_;
  hint_window_ = nullptr;
}

void TApplication::StartHintTimer(int ms, UINT_PTR id) {
  SetTimer(Handle(), id, static_cast<UINT>(std::max(ms, 0)), nullptr);
}

void TApplication::StopHintTimers() {
  if (handle_ == nullptr) return;
  KillTimer(handle_, kHintShowTimer);
  KillTimer(handle_, kHintHideTimer);
}

void TApplication::HideHint() {
  if (handle_ != nullptr) KillTimer(handle_, kHintHideTimer);
  if (hint_window_ != nullptr && is_hint_active_) hint_window_->ReleaseHandle();
  is_hint_active_ = false;
}

void TApplication::CancelHint() {
  StopHintTimers();
  HideHint();
  hint_control_ = nullptr;
}

void TApplication::MouseOver(TControl* control) {
  if (control == mouse_control_) return;
  TControl* previous = mouse_control_;
  mouse_control_ = control;
  if (previous != nullptr) previous->Perform(CM_MOUSELEAVE, 0, 0);
  if (control != nullptr && mouse_control_ == control) control->Perform(CM_MOUSEENTER, 0, 0);
  if (control == nullptr) {
    CancelHint();
    SetHint({});
  }
}

void TApplication::ControlDestroyed(TControl* control) {
  if (control == mouse_control_) mouse_control_ = nullptr;
  if (control == hint_control_) CancelHint();
}

void TApplication::HintMouseMessage(TControl* control, const TMessage& msg) {
  if (IsButtonMessage(msg.Msg)) {
    CancelHint();
    return;
  }
  if (msg.Msg != WM_MOUSEMOVE) return;
  const std::weak_ptr<void> alive = control->AliveToken();
  MouseOver(control);
  if (alive.expired()) return;
  if (control == hint_control_) {
    // Leaving the area the hint was shown for takes the hint down.
    const POINT point = forms::internal::PointFromLParam(msg.LParam);
    if (is_hint_active_ && !PtInRect(&hint_cursor_rect_, point)) HideHint();
    return;
  }
  const bool was_active = is_hint_active_;
  StopHintTimers();
  HideHint();
  hint_control_ = control;
  SetHint(GetLongHint(HintSource(control)->Hint()));
  if (alive.expired() || hint_control_ != control) return;
  TControl* source = HintSource(control);
  if (is_show_hint_ && source->ShowHint() && !GetShortHint(source->Hint()).empty()) {
    StartHintTimer(was_active ? hint_short_pause_ms_ : hint_pause_ms_, kHintShowTimer);
  }
}

void TApplication::ActivateHint(POINT screen_point) {
  TControl* control = hint_control_;
  if (control == nullptr || !is_show_hint_) return;
  TControl* source = HintSource(control);
  if (!source->ShowHint()) return;
  THintInfo info;
  info.HintControl = control;
  info.HintWindowClass = HintWindowClass;
  info.HintPos = POINT{screen_point.x, screen_point.y + kHintCursorMargin};
  info.HintMaxWidth = Screen != nullptr ? Screen->Width() : 1024;
  info.HintColor = hint_color_;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(screen_point);
  info.HideTimeout = hint_hide_pause_ms_;
  info.HintStr = GetShortHint(source->Hint());
  if (info.HintStr.empty()) return;
  const std::weak_ptr<void> alive = control->AliveToken();
  if (control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0 || alive.expired()) return;
  bool can_show = true;
  if (OnShowHint) OnShowHint(info.HintStr, can_show, info);
  if (!can_show || info.HintStr.empty() || alive.expired() || hint_control_ != control) return;
  if (hint_window_ == nullptr) {
    THintWindowClass make = info.HintWindowClass != nullptr ? info.HintWindowClass : HintWindowClass;
    hint_window_ = make(this);
    FreeNotification(hint_window_);
  }
  hint_window_->SetColor(info.HintColor);
  RECT rect = hint_window_->CalcHintRect(std::max(info.HintMaxWidth, 1), info.HintStr, info.HintData);
  OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
  if (Screen != nullptr) {
    // Kept on the screen: moved left, or above the pointer when it would leave the bottom.
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (rect.right > Screen->Width()) OffsetRect(&rect, std::max(0, Screen->Width() - width) - rect.left, 0);
    if (rect.bottom > Screen->Height()) OffsetRect(&rect, 0, screen_point.y - height - rect.top);
  }
  hint_cursor_rect_ = info.CursorRect;
  is_hint_active_ = true;
  hint_window_->ActivateHintData(rect, info.HintStr, info.HintData);
  StartHintTimer(info.HideTimeout > 0 ? info.HideTimeout : hint_hide_pause_ms_, kHintHideTimer);
}

}  // namespace plat
