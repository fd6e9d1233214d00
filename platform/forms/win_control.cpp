// TWinControl: the window behind a control. The window's messages reach
// WndProc through one subclass hook (set at the window's first message for
// our own classes, right after creation for standard controls); the hooks of
// AddWindowProcHook are further subclass hooks, newer ones first. An
// exception of a handler ends at the hook, in Application->HandleException.
#include <algorithm>
#include <set>

#include "control_internal.h"
#include "plat/controls.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/forms/menus.h"
#include "plat/gdi.h"
#include "plat/headless.h"

namespace plat {

using forms::internal::CaptureControl;
using forms::internal::LParamFromPoint;
using forms::internal::PointFromLParam;

namespace {

constexpr UINT_PTR kMainHookId = 0x7C0;

// The control whose window CreateWindowEx is making now (our own classes
// attach at the window's first message).
thread_local TWinControl* t_creating = nullptr;

// The hook frames running now, innermost last: DefaultHandler goes on down
// the chain only from the control's own hook.
struct HookFrame {
  HWND hwnd;
  bool is_main;
};
thread_local std::vector<HookFrame> t_hook_frames;

struct FramePush {
  FramePush(HWND hwnd, bool is_main) { t_hook_frames.push_back(HookFrame{hwnd, is_main}); }
  ~FramePush() { t_hook_frames.pop_back(); }
};

LRESULT InitialWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

std::set<std::string>& RegisteredClasses() {
  static auto* classes = new std::set<std::string>;
  return *classes;
}

UINT_PTR NextHookToken() {
  static UINT_PTR next = kMainHookId + 1;
  return ++next;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }

}  // namespace

// Access to TWinControl's private parts for the initial window procedure.
struct WinControlAccess {
  static LRESULT AttachAndRun(TWinControl* control, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    control->Attach(hwnd);
    return TWinControl::MainHookProc(hwnd, msg, wparam, lparam, kMainHookId, reinterpret_cast<DWORD_PTR>(control));
  }
};

namespace {

LRESULT InitialWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  TWinControl* control = t_creating;
  if (control != nullptr && !control->HandleAllocated()) {
    t_creating = nullptr;
    return WinControlAccess::AttachAndRun(control, hwnd, msg, wparam, lparam);
  }
  return DefWindowProc(hwnd, msg, wparam, lparam);
}

}  // namespace

namespace forms::internal {

void HandleDispatchException(TObject* sender) {
  try {
    throw;
  } catch (const test::StallError&) {
    throw;
  } catch (...) {
    if (Application == nullptr) return;
    try {
      Application->HandleException(sender);
    } catch (const test::StallError&) {
      throw;
    } catch (...) {
      // Showing the exception failed as well: nothing more can be told.
    }
  }
}

}  // namespace forms::internal

TWinControl* FindControl(HWND hwnd) {
  DWORD_PTR ref = 0;
  if (hwnd == nullptr || !GetWindowSubclass(hwnd, &TWinControl::MainHookProc, kMainHookId, &ref)) {
    return nullptr;
  }
  return reinterpret_cast<TWinControl*>(ref);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  DestroyHandle();
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    delete child;
  }
}

// ---- Window lifetime ------------------------------------------------------------------------

HWND TWinControl::Handle() {
  if (handle_ == nullptr) CreateHandle();
  return handle_;
}

void TWinControl::SetParentWindow(HWND parent_window) {
  if (parent_window == parent_window_) return;
  parent_window_ = parent_window;
  if (Parent() == nullptr && handle_ != nullptr) {
    if (parent_window != nullptr) {
      ::plat::SetParent(handle_, parent_window);
    } else {
      DestroyHandle();
    }
  }
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = text_;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (control_style_.Contains(csAcceptsControls)) params.Style |= WS_CLIPCHILDREN;
  if (is_tab_stop_) params.Style |= WS_TABSTOP;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (Visible()) params.Style |= WS_VISIBLE;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  if (Parent() != nullptr) {
    params.WndParent = Parent()->Handle();
  } else {
    params.WndParent = parent_window_;
  }
  params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClassCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* class_name) {
  params.SubclassOf = class_name;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) != 0 && params.WndParent == nullptr) {
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  subclass_of_ = params.SubclassOf;
  if (subclass_of_.empty()) {
    if (RegisteredClasses().insert(params.WinClassName).second) {
      WNDCLASSEX wc;
      wc.style = params.WindowClassStyle;
      wc.lpfnWndProc = &InitialWndProc;
      wc.hCursor = params.WindowClassCursor;
      wc.lpszClassName = params.WinClassName.c_str();
      if (RegisterClassEx(&wc) == 0) {
        RegisteredClasses().erase(params.WinClassName);
        throw EOutOfResources("Cannot register the window class " + params.WinClassName);
      }
    }
  }
  CreateWindowHandle(params);
  ApplyFont();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  const char* class_name = subclass_of_.empty() ? params.WinClassName.c_str() : subclass_of_.c_str();
  TWinControl* previous = t_creating;
  t_creating = subclass_of_.empty() ? this : nullptr;
  HWND hwnd = CreateWindowEx(params.ExStyle, class_name, params.Caption.c_str(), params.Style, params.X, params.Y,
                             params.Width, params.Height, params.WndParent, nullptr, nullptr, params.Param);
  t_creating = previous;
  if (hwnd == nullptr) throw EOutOfResources("Error creating window " + std::string(class_name));
  if (handle_ == nullptr) Attach(hwnd);
}

void TWinControl::AdoptWindow(HWND hwnd) {
  char class_name[256] = {};
  GetClassName(hwnd, class_name, static_cast<int>(sizeof(class_name)));
  subclass_of_ = class_name[0] != '\0' ? class_name : "?";
  if (handle_ == nullptr) Attach(hwnd);
}

void TWinControl::CreateHandle() {
  if (handle_ == nullptr) {
    if (control_state_.Contains(csCreating)) return;
    control_state_.Include(csCreating);
    struct Clear {
      TControlState& state;
      ~Clear() { state.Exclude(csCreating); }
    } clear{control_state_};
    CreateWnd();
  }
  for (TControl* child : std::vector<TControl*>(controls_)) {
    auto* windowed = dynamic_cast<TWinControl*>(child);
    if (windowed != nullptr && !windowed->HandleAllocated()) windowed->CreateHandle();
  }
}

void TWinControl::SaveState() {
  // Once per window: a later call, as the window goes, may find it emptied.
  if (handle_ == nullptr || !IsWindow(handle_) || is_state_saved_) return;
  is_state_saved_ = true;
  SaveWindowState();
  const int length = GetWindowTextLength(handle_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowText(handle_, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  text_ = text;
}

void TWinControl::DestroyWnd() {
  HWND hwnd = handle_;
  // The child windows go with this one: each child control keeps its state
  // first, while every window still answers.
  std::function<void(TWinControl*)> save = [&](TWinControl* control) {
    control->SaveState();
    for (TControl* child : control->controls_) {
      if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed != nullptr) save(windowed);
    }
  };
  save(this);
  Detach();
  DestroyWindow(hwnd);
}

void TWinControl::DestroyHandle() {
  if (handle_ == nullptr) return;
  control_state_.Include(csDestroyingHandle);
  struct Clear {
    TControlState& state;
    ~Clear() { state.Exclude(csDestroyingHandle); }
  } clear{control_state_};
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (handle_ == nullptr) return;
  DestroyHandle();
  CreateHandle();
}

void TWinControl::Attach(HWND hwnd) {
  handle_ = hwnd;
  is_state_saved_ = false;
  SetWindowSubclass(hwnd, &MainHookProc, kMainHookId, reinterpret_cast<DWORD_PTR>(this));
  for (const Hook& hook : hooks_) SetWindowSubclass(hwnd, &UserHookProc, hook.token, reinterpret_cast<DWORD_PTR>(this));
}

void TWinControl::Detach() {
  if (handle_ == nullptr) return;
  HWND hwnd = handle_;
  RemoveWindowSubclass(hwnd, &MainHookProc, kMainHookId);
  for (const Hook& hook : hooks_) RemoveWindowSubclass(hwnd, &UserHookProc, hook.token);
  handle_ = nullptr;
  if (CaptureControl() != nullptr) {
    for (TControl* c = CaptureControl(); c != nullptr; c = c->Parent()) {
      if (c == this) {
        CaptureControl() = nullptr;
        break;
      }
    }
  }
}

LRESULT TWinControl::MainHookProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR ref) {
  auto* control = reinterpret_cast<TWinControl*>(ref);
  FramePush frame(hwnd, true);
  if (msg == WM_NCDESTROY) {
    control->Detach();
    return DefSubclassProc(hwnd, msg, wparam, lparam);
  }
  // A window taken by the end of a parent that is not ours: what only it
  // holds is kept as far as its procedure still answers.
  if (msg == WM_DESTROY) control->SaveState();
  TMessage message{msg, wparam, lparam, 0};
  const std::weak_ptr<void> alive = control->AliveToken();
  try {
    control->WndProc(message);
  } catch (...) {
    forms::internal::HandleDispatchException(alive.expired() ? nullptr : control);
  }
  return message.Result;
}

LRESULT TWinControl::UserHookProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR ref) {
  auto* control = reinterpret_cast<TWinControl*>(ref);
  TWindowProcHook hook;
  for (const Hook& entry : control->hooks_) {
    if (entry.token == id) hook = entry.hook;  // a copy: the hook may remove itself
  }
  if (hook) {
    FramePush frame(hwnd, false);
    TMessage message{msg, wparam, lparam, 0};
    const std::weak_ptr<void> alive = control->AliveToken();
    try {
      if (hook(message)) return message.Result;
    } catch (...) {
      forms::internal::HandleDispatchException(alive.expired() ? nullptr : control);
      return message.Result;
    }
  }
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

UINT_PTR TWinControl::AddWindowProcHook(TWindowProcHook hook) {
  const UINT_PTR token = NextHookToken();
  hooks_.push_back(Hook{token, std::move(hook)});
  if (handle_ != nullptr) SetWindowSubclass(handle_, &UserHookProc, token, reinterpret_cast<DWORD_PTR>(this));
  return token;
}

bool TWinControl::RemoveWindowProcHook(UINT_PTR token) {
  auto found = std::find_if(hooks_.begin(), hooks_.end(), [&](const Hook& hook) { return hook.token == token; });
  if (found == hooks_.end()) return false;
  hooks_.erase(found);
  if (handle_ != nullptr) RemoveWindowSubclass(handle_, &UserHookProc, token);
  return true;
}

void TWinControl::DefaultHandler(TMessage& msg) {
  if (handle_ == nullptr) return;
  for (auto frame = t_hook_frames.rbegin(); frame != t_hook_frames.rend(); ++frame) {
    if (frame->hwnd != handle_) continue;
    if (frame->is_main) {
      msg.Result = DefSubclassProc(handle_, msg.Msg, msg.WParam, msg.LParam);
      return;
    }
    break;
  }
  // Outside the control's own hook (Perform from code, or from a later hook):
  // straight to the window's procedure, so no hook sees the message twice.
  auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(handle_, GWLP_WNDPROC));
  msg.Result = CallWindowProc(proc, handle_, msg.Msg, msg.WParam, msg.LParam);
}

// ---- Children -------------------------------------------------------------------------------

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) RaiseRes<EListError>(SListIndexError, {index});
  return controls_[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr) {
    tab_list_.push_back(windowed);
    if (handle_ != nullptr) {
      if (windowed->HandleAllocated()) {
        ::plat::SetParent(windowed->handle_, handle_);
      } else {
        windowed->CreateHandle();
      }
    }
  }
  control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  control->Perform(CM_PARENTFONTCHANGED, 0, 0);
  control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  control->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
  control->Invalidate();
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
  if (control->Align() != alNone) AlignControls(control);
}

void TWinControl::RemoveControl(TControl* control) {
  auto found = std::find(controls_.begin(), controls_.end(), control);
  if (found == controls_.end()) return;
  control->Invalidate();
  if (Application != nullptr) Application->ControlDestroyed(control);
  if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr) {
    tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), windowed), tab_list_.end());
    if (!ComponentState().Contains(csDestroying)) {
      if (TCustomForm* form = GetParentForm(); form != nullptr && form->ActiveControl() != nullptr &&
                                                windowed->ContainsControl(form->ActiveControl())) {
        form->SetFocusedControl(nullptr);
      }
    }
    windowed->DestroyHandle();
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), control));
  control->parent_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
    if (control->Align() != alNone) AlignControls(nullptr);
  }
}

TControl* TWinControl::ControlAtPos(POINT point, bool allow_disabled, bool allow_windowed) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    if (!allow_windowed && dynamic_cast<TWinControl*>(control) != nullptr) continue;
    if (!control->Visible() && !ComponentState().Contains(csDesigning)) continue;
    if (!control->Enabled() && !allow_disabled) continue;
    const RECT bounds = control->BoundsRect();
    if (!PtInRect(&bounds, point)) continue;
    const POINT local{point.x - control->Left(), point.y - control->Top()};
    if (control->Perform(CM_HITTEST, 0, LParamFromPoint(local)) != 0) return control;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& msg) {
  for (TControl* child : std::vector<TControl*>(controls_)) {
    child->WndProc(msg);
    if (msg.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  for (TControl* child : std::vector<TControl*>(controls_)) child->Perform(msg, 0, 0);
}

void TWinControl::ScaleBy(int multiplier, int divider) {
  if (divider == 0) return;
  auto scale = [&](int value) { return static_cast<int>(static_cast<int64_t>(value) * multiplier / divider); };
  DisableAlign();
  struct Enable {
    TWinControl* self;
    ~Enable() { self->EnableAlign(); }
  } enable{this};
  for (TControl* child : std::vector<TControl*>(controls_)) {
    child->SetBounds(scale(child->Left()), scale(child->Top()), scale(child->Width()), scale(child->Height()));
    if (!child->ParentFont()) child->Font()->SetHeight(scale(child->Font()->Height()));
    if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed != nullptr) windowed->ScaleBy(multiplier, divider);
  }
  if (!ParentFont()) Font()->SetHeight(scale(Font()->Height()));
  if (Parent() == nullptr) {
    SetClientWidth(scale(ClientWidth()));
    SetClientHeight(scale(ClientHeight()));
  }
}

void TWinControl::EnableAlign() {
  if (align_disabled_ > 0 && --align_disabled_ == 0) AlignControls(nullptr);
}

void TWinControl::AlignControls(TControl* changed) {
  if (align_disabled_ > 0 || is_aligning_ || ComponentState().Contains(csLoading)) {
    if (align_disabled_ > 0 || ComponentState().Contains(csLoading)) control_state_.Include(csAlignmentNeeded);
    return;
  }
  is_aligning_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{is_aligning_};
  control_state_.Exclude(csAlignmentNeeded);
  RECT rect = AlignRect();
  AlignControls(changed, rect);
}

void TWinControl::AlignControls(TControl* changed, RECT& rect) {
  // Top, bottom, left, right, then client, each in list order (the changed
  // control first among its own alignment, so a moved one keeps its place).
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* child : controls_) {
      if (child->Align() == align && (child->Visible() || ComponentState().Contains(csDesigning))) list.push_back(child);
    }
    if (changed != nullptr && changed->Align() == align) {
      auto found = std::find(list.begin(), list.end(), changed);
      if (found != list.end()) std::rotate(list.begin(), found, found + 1);
    }
    for (TControl* child : list) {
      const int width = child->Width();
      const int height = child->Height();
      switch (align) {
        case alTop:
          child->SetBounds(rect.left, rect.top, rect.right - rect.left, height);
          rect.top += child->Height();
          break;
        case alBottom:
          child->SetBounds(rect.left, rect.bottom - height, rect.right - rect.left, height);
          rect.bottom -= child->Height();
          break;
        case alLeft:
          child->SetBounds(rect.left, rect.top, width, rect.bottom - rect.top);
          rect.left += child->Width();
          break;
        case alRight:
          child->SetBounds(rect.right - width, rect.top, width, rect.bottom - rect.top);
          rect.right -= child->Width();
          break;
        case alClient:
          child->SetBounds(rect.left, rect.top, std::max(0, static_cast<int>(rect.right - rect.left)),
                           std::max(0, static_cast<int>(rect.bottom - rect.top)));
          break;
        case alNone:
          break;
      }
    }
  }
}

// ---- Focus and tab order --------------------------------------------------------------------

bool TWinControl::Focused() { return handle_ != nullptr && GetFocus() == handle_; }

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm();
  if (form == nullptr || !form->Visible() || !form->Enabled()) return false;
  for (TControl* c = this; c != form; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
  }
  return true;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm();
  if (form != nullptr) {
    form->SetFocusedControl(this);
  } else if (Showing()) {
    ::plat::SetFocus(Handle());
  }
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->tab_list_;
  auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->tab_list_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

void TWinControl::SetTabStop(bool is_tab_stop) {
  if (is_tab_stop == is_tab_stop_) return;
  is_tab_stop_ = is_tab_stop;
  if (handle_ != nullptr) {
    LONG style = GetWindowLong(handle_, GWL_STYLE);
    style = is_tab_stop ? (style | static_cast<LONG>(WS_TABSTOP)) : (style & ~static_cast<LONG>(WS_TABSTOP));
    SetWindowLong(handle_, GWL_STYLE, style);
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool go_forward, bool check_tab_stop,
                                          bool check_parent) {
  // Every windowed descendant in tab order, depth first.
  std::vector<TWinControl*> order;
  std::function<void(TWinControl*)> collect = [&](TWinControl* parent) {
    for (TWinControl* child : parent->tab_list_) {
      order.push_back(child);
      collect(child);
    }
  };
  collect(this);
  if (order.empty()) return nullptr;
  const auto start = std::find(order.begin(), order.end(), current);
  size_t index = start == order.end() ? (go_forward ? order.size() - 1 : 0) : static_cast<size_t>(start - order.begin());
  for (size_t step = 0; step < order.size(); ++step) {
    index = go_forward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
    TWinControl* candidate = order[index];
    if (candidate == current) break;
    if (check_tab_stop && !candidate->TabStop()) continue;
    if (check_parent && candidate->Parent() != this) continue;
    if (candidate->CanFocus()) return candidate;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop) {
  TWinControl* next = FindNextControl(current, go_forward, check_tab_stop, false);
  if (next != nullptr) next->SetFocus();
}

void TWinControl::SetCtl3D(bool is_ctl3d) {
  if (is_ctl3d == is_ctl3d_) return;
  is_ctl3d_ = is_ctl3d;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

bool TWinControl::Showing() {
  if (!Visible()) return false;
  if (Parent() != nullptr) return Parent()->Showing();
  return handle_ != nullptr && IsWindowVisible(handle_);
}

// ---- Geometry and painting ------------------------------------------------------------------

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  if (handle_ != nullptr && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
  } else {
    const bool is_sized = ApplyBounds(left, top, width, height);
    if (is_sized) Resize();
  }
  RequestAlign();
}

void TWinControl::UpdateBoundsFromWindow() {
  if (handle_ == nullptr || IsIconic(handle_)) return;
  RECT rect;
  GetWindowRect(handle_, &rect);
  if ((GetWindowLong(handle_, GWL_STYLE) & static_cast<LONG>(WS_CHILD)) != 0) {
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (rect.left == Left() && rect.top == Top() && width == Width() && height == Height()) return;
  if (ApplyBounds(rect.left, rect.top, width, height)) Resize();
}

void TWinControl::Resize() {
  AlignControls(nullptr);
  if (OnResize) OnResize(this);
}

RECT TWinControl::ClientRect() {
  RECT rect{0, 0, Width(), Height()};
  if (handle_ != nullptr) GetClientRect(handle_, &rect);
  return rect;
}

POINT TWinControl::ClientOrigin() {
  if (handle_ == nullptr) return TControl::ClientOrigin();
  POINT origin{0, 0};
  ::plat::ClientToScreen(handle_, &origin);
  return origin;
}

void TWinControl::SetVisible(bool is_visible) {
  if (is_visible == Visible()) return;
  TControl::SetVisible(is_visible);
  if (Parent() != nullptr && handle_ != nullptr) ShowWindow(handle_, is_visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool is_enabled) {
  if (is_enabled == Enabled()) return;
  TControl::SetEnabled(is_enabled);
  if (handle_ != nullptr) EnableWindow(handle_, is_enabled ? TRUE : FALSE);
}

void TWinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, control_style_.Contains(csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
  if (handle_ != nullptr) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

std::string TWinControl::GetText() {
  if (handle_ == nullptr) return text_;
  const int length = GetWindowTextLength(handle_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowText(handle_, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

void TWinControl::SetTextContent(const std::string& text) {
  text_ = text;
  if (handle_ != nullptr) SetWindowText(handle_, text.c_str());
}

LRESULT TWinControl::ControlColor(HDC dc) {
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
  return reinterpret_cast<LRESULT>(brush_->Handle());
}

void TWinControl::ApplyFont() {
  if (handle_ != nullptr && IsSubclassed()) SendMessage(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
}

void TWinControl::PaintWindow(HDC dc) {
  if (!IsSubclassed()) return;
  TMessage msg{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(msg);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto start = controls_.begin();
  if (first != nullptr) start = std::find(controls_.begin(), controls_.end(), first);
  for (auto it = start; it != controls_.end(); ++it) {
    TControl* control = *it;
    if (dynamic_cast<TWinControl*>(control) != nullptr) continue;
    if (!control->Visible() && !ComponentState().Contains(csDesigning)) continue;
    const RECT bounds = control->BoundsRect();
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) continue;
    const int saved = SaveDC(dc);
    struct Restore {
      HDC dc;
      int saved;
      ~Restore() { RestoreDC(dc, saved); }
    } restore{dc, saved};
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::PaintHandler(TMessage& msg) {
  bool has_graphic_children = false;
  for (TControl* control : controls_) has_graphic_children |= dynamic_cast<TWinControl*>(control) == nullptr;
  if (IsSubclassed() && !has_graphic_children) {
    DefaultHandler(msg);
    return;
  }
  HDC dc = reinterpret_cast<HDC>(msg.WParam);
  PAINTSTRUCT paint;
  const bool is_own_dc = dc == nullptr;
  if (is_own_dc) dc = BeginPaint(handle_, &paint);
  struct End {
    HWND hwnd;
    PAINTSTRUCT* paint;
    bool is_own;
    ~End() {
      if (is_own) EndPaint(hwnd, paint);
    }
  } end{handle_, &paint, is_own_dc};
  const int saved = SaveDC(dc);
  PaintWindow(dc);
  RestoreDC(dc, saved);
  PaintControls(dc, nullptr);
}

// ---- Messages -------------------------------------------------------------------------------

bool TWinControl::IsControlMouseMsg(TMessage& msg) {
  TControl* target = nullptr;
  TControl* capture = CaptureControl();
  const POINT point = PointFromLParam(msg.LParam);
  if (capture != nullptr && capture != this) {
    if (capture->Parent() != this || dynamic_cast<TWinControl*>(capture) != nullptr) return false;
    target = capture;
  } else if (capture == nullptr) {
    target = ControlAtPos(point, false);
  }
  if (target == nullptr) return false;
  const POINT local{point.x - target->Left(), point.y - target->Top()};
  msg.Result = target->Perform(msg.Msg, msg.WParam, LParamFromPoint(local));
  return true;
}

void TWinControl::WndProc(TMessage& msg) {
  if (IsMouseMessage(msg.Msg)) {
    if (msg.Msg == WM_MOUSEMOVE && handle_ != nullptr) {
      // Asked on every move: the window system tracks one window at a time.
      TRACKMOUSEEVENT track;
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = handle_;
      TrackMouseEvent(&track);
    }
    if (msg.Msg != WM_MOUSEWHEEL && IsControlMouseMsg(msg)) return;
    if (!control_style_.Contains(csDoubleClicks)) {
      if (msg.Msg == WM_LBUTTONDBLCLK) msg.Msg = WM_LBUTTONDOWN;
      if (msg.Msg == WM_RBUTTONDBLCLK) msg.Msg = WM_RBUTTONDOWN;
      if (msg.Msg == WM_MBUTTONDBLCLK) msg.Msg = WM_MBUTTONDOWN;
    }
  }
  TControl::WndProc(msg);
}

void TWinControl::ReflectToChild(TMessage& msg, HWND child) {
  TWinControl* control = FindControl(child);
  if (control != nullptr && control != this) {
    msg.Result = control->Perform(CN_BASE + msg.Msg, msg.WParam, msg.LParam);
    return;
  }
  DefaultHandler(msg);
}

void TWinControl::SetCursorFor(TMessage& msg) {
  if (reinterpret_cast<HWND>(msg.WParam) == handle_ && LOWORD(static_cast<uintptr_t>(msg.LParam)) == HTCLIENT) {
    TCursor cursor = Screen != nullptr ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
      POINT point;
      GetCursorPos(&point);
      ::plat::ScreenToClient(handle_, &point);
      TControl* control = ControlAtPos(point, false);
      cursor = control != nullptr && control->Cursor() != crDefault ? control->Cursor() : Cursor();
    }
    if (cursor != crDefault && Screen != nullptr) {
      ::plat::SetCursor(Screen->Cursors(cursor));
      msg.Result = TRUE;
      return;
    }
  }
  DefaultHandler(msg);
}

void TWinControl::DoKey(TMessage& msg, bool is_down) {
  const std::weak_ptr<void> alive = AliveToken();
  WORD key = static_cast<WORD>(msg.WParam);
  const TShiftState shift = KeyboardStateToShiftState();
  auto run = [&](TWinControl* control) {
    if (is_down) control->KeyDown(key, shift);
    else control->KeyUp(key, shift);
  };
  TCustomForm* form = GetParentForm();
  if (form != nullptr && form != this && form->KeyPreview()) {
    run(form);
    if (alive.expired() || key == 0) return;
  }
  run(this);
  if (alive.expired() || key == 0) return;
  msg.WParam = key;
  DefaultHandler(msg);
}

void TWinControl::DoKeyPress(TMessage& msg) {
  const std::weak_ptr<void> alive = AliveToken();
  auto key = static_cast<char32_t>(msg.WParam);
  TCustomForm* form = GetParentForm();
  if (form != nullptr && form != this && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyPress(key);
    if (alive.expired() || key == 0) return;
  }
  KeyPress(key);
  if (alive.expired() || key == 0) return;
  msg.WParam = key;
  DefaultHandler(msg);
}

bool TWinControl::IsMenuKey(TMessage& msg) {
  // The pop-up menus of this control and its parents, then the form's menu.
  const TMessage key{msg.Msg == CN_SYSKEYDOWN ? WM_SYSKEYDOWN : WM_KEYDOWN, msg.WParam, msg.LParam, 0};
  for (TControl* control = this; control != nullptr; control = control->Parent()) {
    if (control->PopupMenu() != nullptr && control->PopupMenu()->IsShortCut(key)) return true;
  }
  TCustomForm* form = GetParentForm();
  return form != nullptr && form->IsShortCut(key);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case WM_PAINT:
      PaintHandler(msg);
      return;
    case WM_ERASEBKGND:
      if (IsSubclassed()) break;
      {
        RECT client;
        GetClientRect(handle_, &client);
        FillRect(reinterpret_cast<HDC>(msg.WParam), &client, brush_->Handle());
        msg.Result = 1;
      }
      return;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      if (msg.LParam != 0) return ReflectToChild(msg, reinterpret_cast<HWND>(msg.LParam));
      break;
    case WM_NOTIFY:
      if (msg.LParam != 0) return ReflectToChild(msg, reinterpret_cast<const NMHDR*>(msg.LParam)->hwndFrom);
      break;
    case WM_DRAWITEM:
      if (msg.LParam != 0) return ReflectToChild(msg, reinterpret_cast<const DRAWITEMSTRUCT*>(msg.LParam)->hwndItem);
      break;
    case WM_MEASUREITEM:
      if (msg.WParam != 0) return ReflectToChild(msg, GetDlgItem(handle_, static_cast<int>(msg.WParam)));
      break;
    case WM_WINDOWPOSCHANGED: {
      const std::weak_ptr<void> alive = AliveToken();
      DefaultHandler(msg);
      if (!alive.expired()) UpdateBoundsFromWindow();
      return;
    }
    case WM_SETCURSOR:
      SetCursorFor(msg);
      return;
    case WM_MOUSELEAVE: {
      DefaultHandler(msg);
      POINT point;
      GetCursorPos(&point);
      if (Application != nullptr && FindControl(WindowFromPoint(point)) == nullptr) Application->MouseOver(nullptr);
      return;
    }
    case WM_CAPTURECHANGED:
      if (TControl* capture = CaptureControl(); capture != nullptr && (capture == this || capture->Parent() == this) &&
                                               reinterpret_cast<HWND>(msg.LParam) != handle_) {
        CaptureControl() = nullptr;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      DoKey(msg, true);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      DoKey(msg, false);
      return;
    case WM_CHAR:
      DoKeyPress(msg);
      return;
    case WM_SETFOCUS: {
      const std::weak_ptr<void> alive = AliveToken();
      if (TCustomForm* form = GetParentForm(); form != nullptr && form != this) form->SetFocusedControl(this);
      if (!alive.expired()) DefaultHandler(msg);
      return;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
      if (IsMenuKey(msg)) {
        msg.Result = 1;
        return;
      }
      // A dialog key the control does not want goes to its form.
      msg.Result = 1;
      const auto key = static_cast<WORD>(msg.WParam);
      LRESULT mask = 0;
      if (key == VK_TAB) mask = DLGC_WANTTAB;
      if (key >= VK_LEFT && key <= VK_LEFT + 3) mask = DLGC_WANTARROWS;
      if (key == VK_RETURN || key == VK_ESCAPE || key == VK_CANCEL) mask = DLGC_WANTALLKEYS;
      if (mask != 0 && Perform(CM_WANTSPECIALKEY, key, 0) == 0 && (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
        if (TCustomForm* form = GetParentForm(); form != nullptr && form->Perform(CM_DIALOGKEY, key, msg.LParam) != 0) {
          return;
        }
      }
      msg.Result = 0;
      return;
    }
    case CM_COLORCHANGED:
      brush_->SetColor(Color());
      NotifyControls(CM_PARENTCOLORCHANGED);
      Invalidate();
      return;
    case CM_FONTCHANGED:
      ApplyFont();
      NotifyControls(CM_PARENTFONTCHANGED);
      AdjustSize();
      Invalidate();
      return;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_CTL3DCHANGED:
      NotifyControls(CM_PARENTCTL3DCHANGED);
      return;
    case CM_PARENTCTL3DCHANGED:
      if (Parent() != nullptr) SetCtl3D(Parent()->Ctl3D());
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      Broadcast(msg);
      return;
    case CM_FOCUSCHANGED:
      Broadcast(msg);
      msg.Result = 0;
      return;
    case CM_ENTER:
      if (OnEnter) OnEnter(this);
      return;
    case CM_EXIT:
      if (OnExit) OnExit(this);
      return;
    case CM_SYSCOLORCHANGE:
    case CM_WININICHANGE:
    case CM_SYSFONTCHANGED:
      NotifyControls(msg.Msg);
      return;
    case CM_CONTROLLISTCHANGE:
    case CM_TABSTOPCHANGED:
      return;
    default:
      break;
  }
  TControl::Dispatch(msg);
}

}  // namespace plat
