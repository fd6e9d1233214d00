// CallbackWindow: the hidden window "CallbackWnd" that receives the
// acquisition notification message for a control without a window of its
// own and hands the record to the control. It answers 0, with or without a
// control.
#ifndef CONTROLS_EDIT_CALLBACK_WINDOW_H_
#define CONTROLS_EDIT_CALLBACK_WINDOW_H_

#include "plat/ctl/wnd.h"
#include "window_owner.h"

namespace ondavel {

inline constexpr const char* kCallbackWindowName = "CallbackWnd";

// "WM_QRVN_ACQNOTIFY", registered once.
plat::UINT AcqNotifyMessage();

class CallbackWindow : public plat::CWnd {
 public:
  explicit CallbackWindow(WindowOwner* control = nullptr) : control_(control) {}
  ~CallbackWindow() override;
  // A hidden top-level window of its own class.
  plat::BOOL Create();
  void SetControl(WindowOwner* control) { control_ = control; }
  WindowOwner* control() const { return control_; }

  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) override;

 private:
  WindowOwner* control_;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_CALLBACK_WINDOW_H_
