// The control's own window: the view "EditView" over its client area, the
// acquisition callbacks moved to it on creation, palettes, arrow keys,
// activation by the mouse and the acquisition notification message; and the
// events the view's drags and forwarded input fire.
#include "image_edit_ctrl.h"

#include "plat/gdi.h"
#include "plat/user.h"

namespace ondavel {

using namespace plat;

namespace {

bool IsArrowKey(WPARAM key) { return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN; }

CPoint PointOf(LPARAM lparam) {
  return CPoint(static_cast<short>(LOWORD(static_cast<DWORD>(lparam))),
                static_cast<short>(HIWORD(static_cast<DWORD>(lparam))));
}

}  // namespace

int CQRVNImgEditCtrl::OnCreate(CREATESTRUCT* create) {
  if (COleControl::OnCreate(create) == -1) return -1;
  // The control's window takes over the notifications of both acquisition
  // objects from the hidden window that stood in for it.
  if (callback_window_) {
    callback_window_.reset();
    const auto self = reinterpret_cast<intptr_t>(m_hWnd);
    if (scanner_) scanner_->SetCallback(1, kAcquireNotifyByMessage, self);
    if (photo_disc_) photo_disc_->SetCallback(2, kAcquireNotifyByMessage, self);
  }
  CRect client;
  GetClientRect(&client);
  if (!view_.Create(this, client, kViewWindowId, this)) return -1;
  view_.SetViewBackColor(TranslateColor(GetBackColor()));
  view_.SetViewZoom(zoom_);
  if (ambient_palette_ != nullptr) view_.SetAmbientPalette(ambient_palette_);
  if (current_image_ != 0) view_.SetViewImage(display_copy_ != 0 ? display_copy_ : current_image_);
  return 0;
}

void CQRVNImgEditCtrl::OnSize(UINT type, int cx, int cy) {
  COleControl::OnSize(type, cx, cy);
  if (AmbientUserMode() && HasView()) view_.MoveWindow(0, 0, cx, cy, TRUE);
}

void CQRVNImgEditCtrl::OnPaint() {
  CRect window;
  GetWindowRect(&window);
  ::plat::SetWindowRgn(m_hWnd, CreateRectRgn(0, 0, window.Width(), window.Height()), FALSE);
  COleControl::OnPaint();
}

void CQRVNImgEditCtrl::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (HasView()) {
    switch (key) {
      case VK_LEFT: view_.ScrollView(SB_HORZ, SB_LINEUP, 0); break;
      case VK_RIGHT: view_.ScrollView(SB_HORZ, SB_LINEDOWN, 0); break;
      case VK_UP: view_.ScrollView(SB_VERT, SB_LINEUP, 0); break;
      case VK_DOWN: view_.ScrollView(SB_VERT, SB_LINEDOWN, 0); break;
      default: break;
    }
  }
  COleControl::OnKeyDown(key, repeat, flags);
}

// An arrow key meant for the control or its view is handled here, before
// the view would scroll by it too.
BOOL CQRVNImgEditCtrl::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN || !IsArrowKey(msg->wParam)) return FALSE;
  if (msg->hwnd != m_hWnd && !(HasView() && msg->hwnd == view_.m_hWnd)) return FALSE;
  const DWORD data = static_cast<DWORD>(msg->lParam);
  OnKeyDown(static_cast<UINT>(msg->wParam), LOWORD(data), HIWORD(data));
  return TRUE;
}

int CQRVNImgEditCtrl::OnMouseActivate(CWnd* top_level, UINT hit_test, UINT message) {
  if (!AmbientUserMode()) return COleControl::OnMouseActivate(top_level, hit_test, message);
  ::plat::SetFocus(m_hWnd);
  return MA_ACTIVATE;
}

void CQRVNImgEditCtrl::OnPaletteChanged(CWnd* focus_wnd) {
  // A change this control or one of its windows caused needs no answer.
  if (focus_wnd != nullptr && (focus_wnd->m_hWnd == m_hWnd || ::plat::IsChild(m_hWnd, focus_wnd->m_hWnd))) return;
  if (HasView()) view_.RealizeViewPalette(TRUE);
}

BOOL CQRVNImgEditCtrl::OnQueryNewPalette() {
  if (!HasView()) return FALSE;
  return view_.RealizeViewPalette(FALSE) != 0 ? TRUE : FALSE;
}

LRESULT CQRVNImgEditCtrl::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == AcqNotifyMessage()) {
    HandleAcqNotify(lparam);
    return 0;
  }
  return COleControl::WindowProc(message, wparam, lparam);
}

// ---- What the view and the callback window tell the control ---------------------------------

void CQRVNImgEditCtrl::NotifyDraggingRect(const RECT& rect) {
  ClearError();
  FireEvent(kEventNotifyDraggingRect, int32_t{rect.left}, int32_t{rect.top}, int32_t{rect.right},
            int32_t{rect.bottom});
}

void CQRVNImgEditCtrl::NotifyDraggedRect(const RECT& rect) {
  ClearError();
  FireEvent(kEventNotifyDraggedRect, int32_t{rect.left}, int32_t{rect.top}, int32_t{rect.right},
            int32_t{rect.bottom});
}

void CQRVNImgEditCtrl::NotifyCancelDrag() {
  ClearError();
  FireEvent(kEventNotifyCancelDrag);
}

// The stock events of the view's input, as if the control's own window had
// received it (the view covers the client area, so the points agree). The
// view has scrolled by its arrow keys already.
void CQRVNImgEditCtrl::ForwardViewMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const UINT flags = static_cast<UINT>(wparam);
  const DWORD data = static_cast<DWORD>(lparam);
  switch (message) {
    case WM_LBUTTONDOWN: COleControl::OnLButtonDown(flags, PointOf(lparam)); break;
    case WM_LBUTTONUP: COleControl::OnLButtonUp(flags, PointOf(lparam)); break;
    case WM_LBUTTONDBLCLK: COleControl::OnLButtonDblClk(flags, PointOf(lparam)); break;
    case WM_RBUTTONDOWN: COleControl::OnRButtonDown(flags, PointOf(lparam)); break;
    case WM_RBUTTONUP: COleControl::OnRButtonUp(flags, PointOf(lparam)); break;
    case WM_RBUTTONDBLCLK: COleControl::OnRButtonDblClk(flags, PointOf(lparam)); break;
    case WM_MBUTTONDOWN: COleControl::OnMButtonDown(flags, PointOf(lparam)); break;
    case WM_MBUTTONUP: COleControl::OnMButtonUp(flags, PointOf(lparam)); break;
    case WM_MBUTTONDBLCLK: COleControl::OnMButtonDblClk(flags, PointOf(lparam)); break;
    case WM_MOUSEMOVE: COleControl::OnMouseMove(flags, PointOf(lparam)); break;
    case WM_KEYDOWN: COleControl::OnKeyDown(flags, LOWORD(data), HIWORD(data)); break;
    case WM_KEYUP: COleControl::OnKeyUp(flags, LOWORD(data), HIWORD(data)); break;
    case WM_SYSKEYDOWN: COleControl::OnSysKeyDown(flags, LOWORD(data), HIWORD(data)); break;
    case WM_SYSKEYUP: COleControl::OnSysKeyUp(flags, LOWORD(data), HIWORD(data)); break;
    default: break;
  }
}

void CQRVNImgEditCtrl::HandleAcqNotify(LPARAM record) {
  if (record == 0) return;
  (void)HandleAcqNotify(*reinterpret_cast<const AcquireNotifyRecord*>(record));
}

}  // namespace ondavel
