// Fixed metrics of the classic look, the screen's from the backend, and the
// classic system colours with one brush each.
#include <array>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/last_error.h"
#include "plat/sys_colors.h"
#include "plat/system.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace {

// Indices GetSysColorBrush keeps one brush for; the colours are the kernel's
// fixed table (GetSysColor).
constexpr size_t kSysColourCount = COLOR_MENUBAR + 1;

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXMAXIMIZED:
    case SM_CXMAXTRACK:
      return user::Backend().Screen().width_px;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
    case SM_CYVIRTUALSCREEN:
    case SM_CYMAXIMIZED:
    case SM_CYMAXTRACK:
      return user::Backend().Screen().height_px;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
      return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 16;
    case SM_CYCAPTION: return 18;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
      return 3;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME:
      return 4;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 13;
    case SM_CYMENU:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
      return 19;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_DBCSENABLED:
    case SM_CMONITORS:
      return 1;
    case SM_SWAPBUTTON:
    case SM_MENUDROPALIGNMENT:
      return 0;
    default: return 0;
  }
}

BOOL SystemParametersInfo(UINT action, UINT param, void* out, UINT win_ini) {
  (void)param;
  (void)win_ini;
  if (action == SPI_GETWORKAREA && out != nullptr) {
    *static_cast<RECT*>(out) = user::Backend().Screen().work_area;
    return TRUE;
  }
  // No screen saver is known to the platform: time-out 0, not active.
  if ((action == SPI_GETSCREENSAVETIMEOUT || action == SPI_GETSCREENSAVEACTIVE) && out != nullptr) {
    *static_cast<int*>(out) = 0;
    return TRUE;
  }
  return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || static_cast<size_t>(index) >= kSysColourCount) return nullptr;
  SetLastError(ERROR_SUCCESS);
  const COLORREF colour = GetSysColor(index);
  if (GetLastError() != ERROR_SUCCESS) return nullptr;  // an index that names no colour
  // One brush per colour for the process, never deleted (DeleteObject of it is refused).
  static std::array<HBRUSH, kSysColourCount> brushes{};
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  HBRUSH& brush = brushes[static_cast<size_t>(index)];
  if (brush == nullptr) {
    brush = CreateSolidBrush(colour);
    if (auto object = gdi::FindBrush(brush)) ++object->owners;
  }
  return brush;
}

}  // namespace plat
