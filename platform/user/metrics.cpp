// Fixed metrics of the classic look, the screen's from the backend, and the
// classic system colours with one brush each.
#include <array>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace {

// Classic scheme, 0x00BBGGRR, by COLOR_* index.
constexpr std::array<COLORREF, 31> kSysColours = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(180, 180, 180), RGB(0, 0, 255),     RGB(16, 132, 208),  RGB(181, 181, 181), RGB(0, 0, 128),
    RGB(192, 192, 192)};

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
  return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
}

DWORD GetSysColor(int index) {
  if (index < 0 || static_cast<size_t>(index) >= kSysColours.size()) return 0;
  return kSysColours[static_cast<size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || static_cast<size_t>(index) >= kSysColours.size()) return nullptr;
  // One brush per colour for the process, never deleted (DeleteObject of it is refused).
  static std::array<HBRUSH, kSysColours.size()> brushes{};
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  HBRUSH& brush = brushes[static_cast<size_t>(index)];
  if (brush == nullptr) {
    brush = CreateSolidBrush(kSysColours[static_cast<size_t>(index)]);
    if (auto object = gdi::FindBrush(brush)) ++object->owners;
  }
  return brush;
}

}  // namespace plat
