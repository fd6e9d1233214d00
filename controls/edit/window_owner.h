// What the image edit control's windows tell the control: the view's drag
// notifications and the mouse and key messages it passes on, and the
// acquisition notifications the callback window receives. The control
// implements it; a window without an owner sends its input to its parent
// window and drops the rest.
#ifndef CONTROLS_EDIT_WINDOW_OWNER_H_
#define CONTROLS_EDIT_WINDOW_OWNER_H_

#include "plat/types.h"

namespace ondavel {

class WindowOwner {
 public:
  virtual ~WindowOwner() = default;
  // A rectangle being dragged, in bitmap pixels, normalised.
  virtual void NotifyDraggingRect(const plat::RECT& rect) = 0;
  // The selection that a drag (bitmap pixels) or SetSelectionRect (zoomed
  // pixels) made, normalised.
  virtual void NotifyDraggedRect(const plat::RECT& rect) = 0;
  // A click without a drag, or a new image: no selection.
  virtual void NotifyCancelDrag() = 0;
  // A mouse or key message of the view, unchanged (the control fires its
  // stock events from these).
  virtual void ForwardViewMessage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) = 0;
  // The acquisition notification record that came with WM_QRVN_ACQNOTIFY.
  virtual void HandleAcqNotify(plat::LPARAM record) = 0;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_WINDOW_OWNER_H_
