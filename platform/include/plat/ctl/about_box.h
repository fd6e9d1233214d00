// The control modules' about box: a module's dialog template whose icon
// static shows the module's icon.
#ifndef PLAT_CTL_ABOUT_BOX_H_
#define PLAT_CTL_ABOUT_BOX_H_

#include "plat/types.h"

namespace plat {

// Runs the module's about dialog modally over owner; OK or Cancel ends it.
INT_PTR ShowAboutBox(HINSTANCE module, int dialog_id, int icon_item, int icon_id, HWND owner);

}  // namespace plat

#endif  // PLAT_CTL_ABOUT_BOX_H_
