// The control modules' about box: the template comes from the module, the
// icon is set when the dialog starts.
#include "plat/ctl/about_box.h"

#include "plat/dialog.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace plat {

namespace {

struct AboutIcon {
  HINSTANCE module;
  int icon_item;
  int icon_id;
};

INT_PTR AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* icon = reinterpret_cast<const AboutIcon*>(lparam);
      SendDlgItemMessage(dialog, icon->icon_item, STM_SETICON,
                         reinterpret_cast<WPARAM>(LoadIcon(icon->module, MAKEINTRESOURCE(icon->icon_id))), 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR ShowAboutBox(HINSTANCE module, int dialog_id, int icon_item, int icon_id, HWND owner) {
  AboutIcon icon{module, icon_item, icon_id};
  return DialogBoxParam(module, MAKEINTRESOURCE(dialog_id), owner, &AboutProc, reinterpret_cast<LPARAM>(&icon));
}

}  // namespace plat
