// TTrackBar: the trackbar window class made through CreateSubClass, its
// settings mirrored in the control, and OnChange from the scroll
// notifications the parent reflects back as CN_HSCROLL / CN_VSCROLL.
#include "plat/forms/comctrls.h"

#include <algorithm>
#include <utility>

#include "plat/forms/exceptions.h"
#include "plat/trackbar.h"

namespace plat {

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
  control_style_ = {csCaptureMouse, csClickEvents};
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, kTrackbarClass);
  params.Style |= orientation_ == trVertical ? TBS_VERT : TBS_HORZ;
  switch (tick_style_) {
    case tsNone: params.Style |= TBS_NOTICKS; break;
    case tsAuto: params.Style |= TBS_AUTOTICKS; break;
    case tsManual: break;
  }
  switch (tick_marks_) {
    case tmBottomRight: params.Style |= TBS_BOTTOM; break;
    case tmTopLeft: params.Style |= TBS_TOP; break;
    case tmBoth: params.Style |= TBS_BOTH; break;
  }
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND hwnd = Handle();
  SendRange(FALSE);
  SendMessage(hwnd, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
  SendMessage(hwnd, TBM_SETPAGESIZE, 0, page_size_);
  SendMessage(hwnd, TBM_SETLINESIZE, 0, line_size_);
  SendMessage(hwnd, TBM_SETPOS, TRUE, position_);
}

void TTrackBar::SendRange(BOOL redraw) {
  // Max first when it does not fall below the window's minimum, else min
  // first, so the window never sees a reversed range (which it would swap).
  HWND hwnd = Handle();
  if (max_ >= SendMessage(hwnd, TBM_GETRANGEMIN, 0, 0)) {
    SendMessage(hwnd, TBM_SETRANGEMAX, FALSE, max_);
    SendMessage(hwnd, TBM_SETRANGEMIN, redraw, min_);
  } else {
    SendMessage(hwnd, TBM_SETRANGEMIN, FALSE, min_);
    SendMessage(hwnd, TBM_SETRANGEMAX, redraw, max_);
  }
}

void TTrackBar::SaveWindowState() {
  if (WindowHandle() != nullptr) position_ = static_cast<int>(SendMessage(WindowHandle(), TBM_GETPOS, 0, 0));
}

int TTrackBar::Position() {
  if (HandleAllocated()) position_ = static_cast<int>(SendMessage(Handle(), TBM_GETPOS, 0, 0));
  return position_;
}

void TTrackBar::SetParams(int position, int min, int max) {
  if (max < min) RaiseRes<EInvalidOperation>(SInvalidPropertyValue);
  position = std::clamp(position, min, max);
  const int old = Position();
  if (min != min_ || max != max_) {
    min_ = min;
    max_ = max;
    if (HandleAllocated()) SendRange(TRUE);
  }
  position_ = position;
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETPOS, TRUE, position_);
  if (old != position_) Changed();
}

void TTrackBar::SetFrequency(int frequency) {
  frequency_ = std::max(1, frequency);
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
}

void TTrackBar::SetPageSize(int size) {
  page_size_ = std::max(1, size);
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETPAGESIZE, 0, page_size_);
}

void TTrackBar::SetLineSize(int size) {
  line_size_ = std::max(1, size);
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETLINESIZE, 0, line_size_);
}

void TTrackBar::SetOrientation(TTrackBarOrientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark marks) {
  if (marks == tick_marks_) return;
  tick_marks_ = marks;
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle style) {
  if (style == tick_style_) return;
  tick_style_ = style;
  RecreateWnd();
}

void TTrackBar::SetTick(int value) {
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETTIC, 0, value);
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
      const int old = position_;
      if (Position() != old) Changed();
      msg.Result = 0;
      return;
    }
    default:
      break;
  }
  TWinControl::Dispatch(msg);
}

}  // namespace plat
