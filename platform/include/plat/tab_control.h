// The tab control ("SysTabControl32"): a row of tabs over a display area.
// A click or an arrow key on another tab asks the parent with WM_NOTIFY
// TCN_SELCHANGING (TRUE keeps the current tab), then selects it and sends
// TCN_SELCHANGE; TCM_SETCURSEL selects without asking. Item texts are UTF-8.
#ifndef PLAT_TAB_CONTROL_H_
#define PLAT_TAB_CONTROL_H_

#include "plat/controls.h"

namespace plat {

inline constexpr const char* kTabControlClass = "SysTabControl32";

constexpr DWORD TCS_FOCUSNEVER = 0x8000;
constexpr DWORD TCS_FIXEDWIDTH = 0x0400;

constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
constexpr UINT TCM_GETITEM = TCM_FIRST + 5;      // wparam index, lparam TCITEM*
constexpr UINT TCM_SETITEM = TCM_FIRST + 6;
constexpr UINT TCM_INSERTITEM = TCM_FIRST + 7;   // wparam index (past the end appends); gives the index or -1
constexpr UINT TCM_DELETEITEM = TCM_FIRST + 8;
constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;  // wparam index, lparam RECT*
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;    // gives the previous selection, -1 for a bad index
constexpr UINT TCM_HITTEST = TCM_FIRST + 13;
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;   // wparam FALSE: window -> display area; TRUE: back
constexpr UINT TCM_GETCURFOCUS = TCM_FIRST + 47;

constexpr UINT TCIF_TEXT = 0x0001;
constexpr UINT TCIF_IMAGE = 0x0002;
constexpr UINT TCIF_PARAM = 0x0008;

struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  char* pszText = nullptr;  // set: the text; get: a buffer of cchTextMax bytes
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};

struct TCHITTESTINFO {
  POINT pt{};
  UINT flags = 0;
};

constexpr UINT TCN_FIRST = static_cast<UINT>(-550);
constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0;
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1;
constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2;

}  // namespace plat

#endif  // PLAT_TAB_CONTROL_H_
