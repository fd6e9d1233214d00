// The control's window: class "<ProgID>.Ctl", painting through OnDraw, and
// the stock mouse and key events fired from its messages while the
// control is held alive.
#include <string>

#include "plat/ctl/control.h"

namespace plat {
namespace {

constexpr short kLeftButton = 1;
constexpr short kRightButton = 2;
constexpr short kMiddleButton = 4;
constexpr short kShiftMask = 1;
constexpr short kCtrlMask = 2;
constexpr short kAltMask = 4;

short ButtonsOf(UINT flags) {
  short buttons = 0;
  if ((flags & MK_LBUTTON) != 0) buttons |= kLeftButton;
  if ((flags & MK_RBUTTON) != 0) buttons |= kRightButton;
  if ((flags & MK_MBUTTON) != 0) buttons |= kMiddleButton;
  return buttons;
}

// The mouse message's own key flags, and Alt from the keyboard state.
short ShiftOf(UINT flags) {
  short shift = 0;
  if ((flags & MK_SHIFT) != 0) shift |= kShiftMask;
  if ((flags & MK_CONTROL) != 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

}  // namespace

short COleControl::ShiftState() {
  short shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

std::shared_ptr<void> COleControl::HoldForMessage() {
  // No reference: the control is being destroyed and must not be revived.
  if (ReferenceCount() == 0) return nullptr;
  IUnknown* unknown = GetUnknown();
  unknown->AddRef();
  return std::shared_ptr<void>(unknown, [](void* held) { static_cast<IUnknown*>(held)->Release(); });
}

BOOL COleControl::CreateControlWindow(HWND parent, const RECT& rect) {
  if (m_hWnd != nullptr) return FALSE;
  const char* prog_id = GetControlRegistration().prog_id;
  const std::string class_name = std::string(prog_id != nullptr && prog_id[0] != '\0' ? prog_id : "Control") + ".Ctl";
  if (!RegisterNamedClass(class_name.c_str(), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                          LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)))) {
    return FALSE;
  }
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD ex_style = 0;
  if (GetBorderStyle() == 1) {
    if (GetAppearance() == 1) {
      ex_style |= WS_EX_CLIENTEDGE;
    } else {
      style |= WS_BORDER;
    }
  }
  if (!GetEnabled()) style |= WS_DISABLED;
  ComPtr<IUnknown> hold = KeepAlive();
  if (!CreateEx(ex_style, class_name.c_str(), "", style, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, parent, nullptr)) {
    return FALSE;
  }
  return TRUE;
}

HRESULT COleControl::InPlaceActivate(HWND parent, const RECT& rect) {
  if (parent == nullptr) return E_INVALIDARG;
  if (m_hWnd == nullptr) return CreateControlWindow(parent, rect) ? S_OK : E_FAIL;
  ComPtr<IUnknown> hold = KeepAlive();
  if (::plat::GetParent(m_hWnd) != parent) ::plat::SetParent(m_hWnd, parent);
  MoveWindow(rect);
  ShowWindow(SW_SHOWNA);
  return S_OK;
}

HRESULT COleControl::InPlaceDeactivate() {
  if (m_hWnd == nullptr) return S_OK;
  ComPtr<IUnknown> hold = KeepAlive();
  DestroyWindow();
  return S_OK;
}

HRESULT COleControl::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = m_hWnd;
  return m_hWnd != nullptr ? S_OK : E_FAIL;
}

void COleControl::OnDraw(CDC* dc, const CRect& bounds, const CRect&) {
  dc->FillSolidRect(&bounds, TranslateColor(GetBackColor()));
}

void COleControl::InvalidateControl(const RECT* rect, BOOL erase) {
  if (m_hWnd != nullptr) InvalidateRect(rect, erase);
}

void COleControl::OnPaint() {
  CPaintDC dc(this);
  if (dc.m_hDC == nullptr) return;
  CRect bounds;
  GetClientRect(&bounds);
  OnDraw(&dc, bounds, CRect(dc.m_ps.rcPaint));
}

void COleControl::OnSize(UINT type, int cx, int cy) {
  if (type != SIZE_MINIMIZED) extent_ = SIZE{cx, cy};
  CWnd::OnSize(type, cx, cy);
}

// ---- Mouse ----------------------------------------------------------------------------------

void COleControl::ButtonDown(short button, UINT flags, CPoint point) {
  // The control keeps the mouse while a button is down, so the up comes here.
  if (buttons_down_ == 0 && GetCapture() == nullptr) SetCapture();
  buttons_down_ |= button;
  FireMouseDown(button, ShiftOf(flags), point.x, point.y);
}

void COleControl::ButtonUp(short button, UINT flags, CPoint point) {
  const bool was_down = (buttons_down_ & button) != 0;
  buttons_down_ &= static_cast<short>(~button);
  if (buttons_down_ == 0 && m_hWnd != nullptr && ::plat::GetCapture() == m_hWnd) ReleaseCapture();
  FireMouseUp(button, ShiftOf(flags), point.x, point.y);
  if (button != kLeftButton || !was_down || m_hWnd == nullptr) return;
  CRect client;
  GetClientRect(&client);
  if (client.PtInRect(point)) FireClick();
}

void COleControl::OnLButtonDown(UINT flags, CPoint point) {
  ButtonDown(kLeftButton, flags, point);
  Default();
}
void COleControl::OnLButtonUp(UINT flags, CPoint point) {
  ButtonUp(kLeftButton, flags, point);
  Default();
}
void COleControl::OnLButtonDblClk(UINT flags, CPoint point) {
  // The second press: the up that follows fires MouseUp, not another Click.
  if (buttons_down_ == 0 && GetCapture() == nullptr) SetCapture();
  buttons_down_ |= kLeftButton;
  FireDblClick();
  Default();
}
void COleControl::OnRButtonDown(UINT flags, CPoint point) {
  ButtonDown(kRightButton, flags, point);
  Default();
}
void COleControl::OnRButtonUp(UINT flags, CPoint point) {
  ButtonUp(kRightButton, flags, point);
  Default();
}
void COleControl::OnRButtonDblClk(UINT flags, CPoint point) {
  ButtonDown(kRightButton, flags, point);
  Default();
}
void COleControl::OnMButtonDown(UINT flags, CPoint point) {
  ButtonDown(kMiddleButton, flags, point);
  Default();
}
void COleControl::OnMButtonUp(UINT flags, CPoint point) {
  ButtonUp(kMiddleButton, flags, point);
  Default();
}
void COleControl::OnMButtonDblClk(UINT flags, CPoint point) {
  ButtonDown(kMiddleButton, flags, point);
  Default();
}
void COleControl::OnMouseMove(UINT flags, CPoint point) {
  FireMouseMove(ButtonsOf(flags), ShiftOf(flags), point.x, point.y);
  Default();
}

// ---- Keys -------------------------------------------------------------------------------------

bool COleControl::FireKey(UINT message, UINT* key) {
  short code = static_cast<short>(*key);
  const short shift = ShiftState();
  if (message == WM_CHAR) {
    FireKeyPress(&code);
  } else if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    FireKeyDown(&code, shift);
  } else {
    FireKeyUp(&code, shift);
  }
  *key = static_cast<UINT>(static_cast<USHORT>(code));
  return code != 0;
}

namespace {

// The window's own handling of a key message with the key a handler left.
template <class Control>
void PassKeyOn(Control* control, UINT key) {
  const MSG* current = control->GetCurrentMessage();
  if (current == nullptr) return;
  control->DefWindowProc(current->message, key, current->lParam);
}

}  // namespace

void COleControl::OnKeyDown(UINT key, UINT, UINT) {
  if (FireKey(WM_KEYDOWN, &key)) PassKeyOn(this, key);
}
void COleControl::OnKeyUp(UINT key, UINT, UINT) {
  if (FireKey(WM_KEYUP, &key)) PassKeyOn(this, key);
}
void COleControl::OnSysKeyDown(UINT key, UINT, UINT) {
  if (FireKey(WM_SYSKEYDOWN, &key)) PassKeyOn(this, key);
}
void COleControl::OnSysKeyUp(UINT key, UINT, UINT) {
  if (FireKey(WM_SYSKEYUP, &key)) PassKeyOn(this, key);
}
void COleControl::OnChar(UINT ch, UINT, UINT) {
  if (FireKey(WM_CHAR, &ch)) PassKeyOn(this, ch);
}

}  // namespace plat
