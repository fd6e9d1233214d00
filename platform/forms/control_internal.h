// State the control tree's sources share and nothing else sees: the control
// that holds the mouse capture and the dispatch boundary that turns an
// exception of a handler into Application->HandleException.
#ifndef PLATFORM_FORMS_CONTROL_INTERNAL_H_
#define PLATFORM_FORMS_CONTROL_INTERNAL_H_

#include "plat/forms/controls.h"

namespace plat::forms::internal {

// The control that has the mouse captured (a graphic control's capture is
// its windowed parent's), or null.
TControl*& CaptureControl();

// Inside a catch block: hands the exception being handled to the
// application (its message box), or drops it quietly without one. A stall
// of the headless test backend is not a handler's failure and is raised again.
void HandleDispatchException(TObject* sender);

// A point from a mouse message's LPARAM.
inline POINT PointFromLParam(LPARAM lparam) { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }
inline LPARAM LParamFromPoint(POINT point) {
  return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(point.x)), static_cast<WORD>(static_cast<int16_t>(point.y)));
}

}  // namespace plat::forms::internal

#endif  // PLATFORM_FORMS_CONTROL_INTERNAL_H_
