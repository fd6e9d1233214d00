// TControl: bounds, visibility, text, colour, font and hint with their
// parent-following switches, and the mouse messages turned into events. A
// handler may free the control; code after an event checks AliveToken first.
#include <algorithm>

#include "control_internal.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/forms/menus.h"
#include "plat/gdi.h"

namespace plat {

using forms::internal::CaptureControl;
using forms::internal::PointFromLParam;

namespace forms::internal {

TControl*& CaptureControl() {
  static TControl* capture = nullptr;
  return capture;
}

}  // namespace forms::internal

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState shift;
  if ((keys & MK_SHIFT) != 0) shift.Include(ssShift);
  if ((keys & MK_CONTROL) != 0) shift.Include(ssCtrl);
  if ((keys & MK_LBUTTON) != 0) shift.Include(ssLeft);
  if ((keys & MK_RBUTTON) != 0) shift.Include(ssRight);
  if ((keys & MK_MBUTTON) != 0) shift.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) shift.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) shift.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) shift.Include(ssMiddle);
  return shift;
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  control_style_ = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  font_->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TControl::~TControl() {
  alive_.reset();
  font_->OnChange = nullptr;
  if (Application != nullptr) Application->ControlDestroyed(this);
  if (CaptureControl() == this) CaptureControl() = nullptr;
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
  for (TWinControl* up = parent; up != nullptr; up = up->Parent()) {
    if (up == this) throw EInvalidOperation("A control cannot be a parent of its parent");
  }
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

bool TControl::ApplyBounds(int left, int top, int width, int height) {
  const bool is_sized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  return is_sized;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();  // the old area
  const bool is_sized = ApplyBounds(left, top, width, height);
  Invalidate();
  if (is_sized) Resize();
  RequestAlign();
}

RECT TControl::ClientRect() { return RECT{0, 0, width_, height_}; }

void TControl::SetClientWidth(int width) { SetWidth(width_ - ClientWidth() + width); }
void TControl::SetClientHeight(int height) { SetHeight(height_ - ClientHeight() + height); }

POINT TControl::ClientOrigin() {
  if (parent_ == nullptr) return POINT{left_, top_};
  POINT origin = parent_->ClientOrigin();
  return POINT{origin.x + left_, origin.y + top_};
}

POINT TControl::ClientToScreen(POINT point) {
  const POINT origin = ClientOrigin();
  return POINT{point.x + origin.x, point.y + origin.y};
}

POINT TControl::ScreenToClient(POINT point) {
  const POINT origin = ClientOrigin();
  return POINT{point.x - origin.x, point.y - origin.y};
}

void TControl::SetVisible(bool is_visible) {
  if (is_visible == is_visible_) return;
  Invalidate();  // while still visible: the area it leaves
  is_visible_ = is_visible;
  Perform(CM_VISIBLECHANGED, is_visible ? 1 : 0, 0);
  Invalidate();
  RequestAlign();
}

void TControl::Show() {
  if (parent_ != nullptr) parent_->Show();
  SetVisible(true);
}

void TControl::SetEnabled(bool is_enabled) {
  if (is_enabled == is_enabled_) return;
  is_enabled_ = is_enabled;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

std::string TControl::GetText() { return text_; }
void TControl::SetTextContent(const std::string& text) { text_ = text; }

void TControl::SetText(const std::string& text) {
  if (GetText() == text) return;
  SetTextContent(text);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  is_parent_color_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool is_parent_color) {
  if (is_parent_color == is_parent_color_) return;
  is_parent_color_ = is_parent_color;
  if (is_parent_color && parent_ != nullptr) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  if (!is_font_assigning_) is_parent_font_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool is_parent_font) {
  if (is_parent_font == is_parent_font_) return;
  is_parent_font_ = is_parent_font;
  if (is_parent_font && parent_ != nullptr) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool is_show_hint) {
  is_parent_show_hint_ = false;
  if (is_show_hint == is_show_hint_) return;
  is_show_hint_ = is_show_hint;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool is_parent_show_hint) {
  if (is_parent_show_hint == is_parent_show_hint_) return;
  is_parent_show_hint_ = is_parent_show_hint;
  if (is_parent_show_hint && parent_ != nullptr) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  RequestAlign();
}

void TControl::SetAutoSize(bool is_auto_size) {
  if (is_auto_size == is_auto_size_) return;
  is_auto_size_ = is_auto_size;
  if (is_auto_size) AdjustSize();
}

void TControl::AdjustSize() {
  if (!is_auto_size_ || ComponentState().Contains(csLoading)) return;
  int width = width_;
  int height = height_;
  if (CanAutoSize(width, height)) SetBounds(left_, top_, width, height);
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->AlignControls(this);
}

void TControl::Invalidate() {
  if (parent_ == nullptr || !parent_->HandleAllocated() || !is_visible_) return;
  const RECT area = BoundsRect();
  InvalidateRect(parent_->Handle(), &area, control_style_.Contains(csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TMessage message{msg, wparam, lparam, 0};
  WndProc(message);
  return message.Result;
}

bool TControl::MouseCapture() { return CaptureControl() == this && GetCapture() != nullptr; }

void TControl::SetMouseCapture(bool is_captured) {
  if (is_captured) {
    TControl* windowed = this;
    while (windowed != nullptr && dynamic_cast<TWinControl*>(windowed) == nullptr) windowed = windowed->Parent();
    auto* window = static_cast<TWinControl*>(windowed);
    if (window == nullptr || !window->HandleAllocated()) return;
    CaptureControl() = this;
    if (GetCapture() != window->Handle()) SetCapture(window->Handle());
    CaptureControl() = this;  // SetCapture's WM_CAPTURECHANGED may have cleared it
  } else if (CaptureControl() == this) {
    CaptureControl() = nullptr;
    ReleaseCapture();
  }
}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  if (auto* windowed = dynamic_cast<TWinControl*>(this); windowed != nullptr && windowed->HandleAllocated()) {
    SetWindowPos(windowed->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Invalidate();
}

void TControl::SendToBack() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  if (auto* windowed = dynamic_cast<TWinControl*>(this); windowed != nullptr && windowed->HandleAllocated()) {
    SetWindowPos(windowed->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Invalidate();
}

bool TControl::Showing() { return is_visible_ && parent_ != nullptr && parent_->Showing(); }

TCustomForm* TControl::GetParentForm() {
  TControl* top = this;
  while (top->Parent() != nullptr) top = top->Parent();
  return dynamic_cast<TCustomForm*>(top);
}

void TControl::WndProc(TMessage& msg) {
  if (msg.Msg >= WM_MOUSEFIRST && msg.Msg <= WM_MOUSELAST && Application != nullptr) {
    const std::weak_ptr<void> alive = alive_;
    Application->HintMouseMessage(this, msg);
    if (alive.expired()) return;
  }
  Dispatch(msg);
}

void TControl::HandleMouseButton(TMessage& msg, TMouseButton button, bool is_down, bool is_double) {
  const std::weak_ptr<void> alive = alive_;
  const POINT point = PointFromLParam(msg.LParam);
  TShiftState shift = KeysToShiftState(msg.WParam);
  DefaultHandler(msg);
  if (alive.expired()) return;
  if (is_down) {
    if (button == mbLeft && control_style_.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (button == mbLeft && control_style_.Contains(csClickEvents)) control_state_.Include(csClicked);
    if (is_double) {
      shift.Include(ssDouble);
      if (button == mbLeft) {
        DblClick();
        if (alive.expired()) return;
      }
    }
    MouseDown(button, shift, point.x, point.y);
    return;
  }
  if (button == mbLeft) {
    if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (control_state_.Contains(csClicked)) {
      control_state_.Exclude(csClicked);
      const RECT client = ClientRect();
      if (PtInRect(&client, point)) {
        Click();
        if (alive.expired()) return;
      }
    }
  }
  MouseUp(button, shift, point.x, point.y);
  if (button != mbRight || alive.expired()) return;
  // The right button's release asks for the context menu at the pointer.
  auto* windowed = dynamic_cast<TWinControl*>(this);
  HWND source = windowed != nullptr ? windowed->WindowHandle() : parent_ != nullptr ? parent_->WindowHandle() : nullptr;
  const POINT screen = ClientToScreen(point);
  Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source),
          static_cast<LPARAM>(MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y))));
}

void TControl::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case WM_LBUTTONDOWN: return HandleMouseButton(msg, mbLeft, true, false);
    case WM_LBUTTONDBLCLK: return HandleMouseButton(msg, mbLeft, true, true);
    case WM_LBUTTONUP: return HandleMouseButton(msg, mbLeft, false, false);
    case WM_RBUTTONDOWN: return HandleMouseButton(msg, mbRight, true, false);
    case WM_RBUTTONDBLCLK: return HandleMouseButton(msg, mbRight, true, true);
    case WM_RBUTTONUP: return HandleMouseButton(msg, mbRight, false, false);
    case WM_MBUTTONDOWN: return HandleMouseButton(msg, mbMiddle, true, false);
    case WM_MBUTTONDBLCLK: return HandleMouseButton(msg, mbMiddle, true, true);
    case WM_MBUTTONUP: return HandleMouseButton(msg, mbMiddle, false, false);
    case WM_MOUSEMOVE: {
      const std::weak_ptr<void> alive = alive_;
      DefaultHandler(msg);
      if (alive.expired()) return;
      const POINT point = PointFromLParam(msg.LParam);
      MouseMove(KeysToShiftState(msg.WParam), point.x, point.y);
      return;
    }
    case CM_PARENTCOLORCHANGED:
      if (is_parent_color_ && parent_ != nullptr) {
        SetColor(parent_->Color());
        is_parent_color_ = true;
      }
      return;
    case CM_PARENTFONTCHANGED:
      if (is_parent_font_ && parent_ != nullptr) {
        is_font_assigning_ = true;
        struct Reset {
          bool& flag;
          ~Reset() { flag = false; }
        } reset{is_font_assigning_};
        font_->Assign(parent_->Font());
      }
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (is_parent_show_hint_ && parent_ != nullptr) {
        SetShowHint(parent_->ShowHint());
        is_parent_show_hint_ = true;
      }
      return;
    case CM_COLORCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      AdjustSize();
      Invalidate();
      return;
    case CM_HITTEST:
      msg.Result = HTCLIENT;
      return;
    case WM_CONTEXTMENU: return ContextMenu(msg);
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
    case CM_VISIBLECHANGED:
    case CM_SHOWHINTCHANGED:
    case CM_CURSORCHANGED:
      return;
    default:
      DefaultHandler(msg);
  }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popup_menu_) return;
  if (popup_menu_ != nullptr) RemoveFreeNotification(popup_menu_);
  popup_menu_ = menu;
  if (menu != nullptr) FreeNotification(menu);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TControl::ContextMenu(TMessage& msg) {
  if (popup_menu_ != nullptr && popup_menu_->AutoPopup()) {
    // From the keyboard the position is (-1, -1): the menu opens at the control's centre.
    POINT at{static_cast<short>(LOWORD(msg.LParam)), static_cast<short>(HIWORD(msg.LParam))};
    if (at.x == -1 && at.y == -1) at = ClientToScreen(POINT{width_ / 2, height_ / 2});
    popup_menu_->SetPopupComponent(this);
    popup_menu_->Popup(at.x, at.y);
    msg.Result = 1;
    return;
  }
  // A windowed control's window hands it on to the parent window itself.
  if (dynamic_cast<TWinControl*>(this) != nullptr) return DefaultHandler(msg);
  if (parent_ != nullptr) msg.Result = parent_->Perform(msg.Msg, msg.WParam, msg.LParam);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

}  // namespace plat
