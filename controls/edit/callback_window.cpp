// The hidden window that passes acquisition notifications to its control.
#include "callback_window.h"

#include "plat/acquire/acquire_notify.h"

namespace ondavel {

using namespace plat;

UINT AcqNotifyMessage() {
  static const UINT message = RegisterWindowMessage(kAcquireNotifyMessageName);
  return message;
}

CallbackWindow::~CallbackWindow() {
  if (m_hWnd != nullptr) DestroyWindow();
}

BOOL CallbackWindow::Create() {
  AcqNotifyMessage();
  if (!RegisterNamedClass(kCallbackWindowName, 0)) return FALSE;
  return CreateEx(0, kCallbackWindowName, kCallbackWindowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
}

LRESULT CallbackWindow::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == AcqNotifyMessage()) {
    if (control_ != nullptr) control_->HandleAcqNotify(lparam);
    return 0;
  }
  return CWnd::WindowProc(message, wparam, lparam);
}

}  // namespace ondavel
