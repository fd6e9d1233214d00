// What the dialog manager's files share: the state of a dialog and focus
// moves that keep the default button's look right.
#ifndef PLAT_COMCTL_DIALOG_MANAGER_H_
#define PLAT_COMCTL_DIALOG_MANAGER_H_

#include <memory>

#include "plat/dialog.h"

namespace plat::comctl {

struct DialogState {
  int default_id = IDOK;
  bool is_ended = false;
  INT_PTR result = 0;
  HWND saved_focus = nullptr;
  HFONT font = nullptr;
  bool owns_font = false;
  SIZE base_units{};  // average character width and height of the font, in pixels
};

// The state of a dialog made by the manager, or null.
std::shared_ptr<DialogState> FindDialog(HWND dialog);

// Moves the focus to `control` of `dialog` as the keyboard does: an edit's
// text is selected, and a push button getting the focus looks like the
// default button while it has it.
void FocusControl(HWND dialog, HWND control);

// The base units of a font: average width of the Latin letters and height.
SIZE FontBaseUnits(HFONT font);

}  // namespace plat::comctl

#endif  // PLAT_COMCTL_DIALOG_MANAGER_H_
