// The bar controls: the progress bar ("msctls_progress32"), the status bar
// ("msctls_statusbar32"), the toolbar ("ToolbarWindow32") and tooltips
// ("tooltips_class32"), with the message, style and notification numbers
// their callers expect. The classes exist from the first CreateWindowEx that
// names them. Text is UTF-8.
//
// Notifications go to the parent as WM_NOTIFY with an NMHDR first; a toolbar
// sends its button clicks as WM_COMMAND (id, BN_CLICKED) with its handle, and
// passes its tooltip's WM_NOTIFY on to its parent unchanged.
#ifndef PLAT_CONTROL_BARS_H_
#define PLAT_CONTROL_BARS_H_

#include "plat/controls.h"
#include "plat/messages.h"
#include "plat/types.h"
#include "plat/user.h"

namespace plat {

inline constexpr const char* PROGRESS_CLASS = "msctls_progress32";
inline constexpr const char* STATUSCLASSNAME = "msctls_statusbar32";
inline constexpr const char* TOOLBARCLASSNAME = "ToolbarWindow32";
inline constexpr const char* TOOLTIPS_CLASS = "tooltips_class32";

// Styles shared by the bars: where a bar places itself in its parent when
// the parent is sized (the bar is sent WM_SIZE, or TB_AUTOSIZE).
constexpr DWORD CCS_TOP = 0x0001;
constexpr DWORD CCS_NOMOVEY = 0x0002;
constexpr DWORD CCS_BOTTOM = 0x0003;
constexpr DWORD CCS_NORESIZE = 0x0004;
constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
constexpr DWORD CCS_NODIVIDER = 0x0040;

// ---- Progress bar ---------------------------------------------------------------------------
// The range is kept with min <= max (a reversed pair is swapped); the
// position stays inside it. The bar fills from the left in whole chunks
// (PBS_SMOOTH: exactly) with the highlight colour.
constexpr DWORD PBS_SMOOTH = 0x0001;
constexpr DWORD PBS_VERTICAL = 0x0004;

constexpr UINT PBM_SETRANGE = WM_USER + 1;    // lparam: MAKELPARAM(min, max) 16-bit; answers the old range
constexpr UINT PBM_SETPOS = WM_USER + 2;      // answers the old position
constexpr UINT PBM_DELTAPOS = WM_USER + 3;    // answers the old position
constexpr UINT PBM_SETSTEP = WM_USER + 4;     // answers the old step
constexpr UINT PBM_STEPIT = WM_USER + 5;      // wraps to min past max; answers the old position
constexpr UINT PBM_SETRANGE32 = WM_USER + 6;  // wparam min, lparam max
constexpr UINT PBM_GETRANGE = WM_USER + 7;    // wparam TRUE: the min, else the max; lparam PBRANGE* or null
constexpr UINT PBM_GETPOS = WM_USER + 8;

struct PBRANGE {
  int iLow = 0;
  int iHigh = 0;
};

// ---- Status bar -----------------------------------------------------------------------------
// Parts are given by their right edges; -1 reaches the client's right edge.
// Each part but a borderless one is drawn as a sunken well with its text
// (tabs-free, one line, vertically centred).
constexpr DWORD SBARS_SIZEGRIP = 0x0100;

constexpr UINT SB_SETTEXT = WM_USER + 1;        // wparam: part | SBT_* flags; lparam: text
constexpr UINT SB_GETTEXT = WM_USER + 2;        // answers MAKELONG(length, SBT_* flags)
constexpr UINT SB_GETTEXTLENGTH = WM_USER + 3;  // answers MAKELONG(length, SBT_* flags)
constexpr UINT SB_SETPARTS = WM_USER + 4;       // wparam count (at most 256), lparam const int*
constexpr UINT SB_GETPARTS = WM_USER + 6;       // wparam size of the array, lparam int*; answers the count
constexpr UINT SB_GETBORDERS = WM_USER + 7;     // lparam int[3]: horizontal, vertical, between parts
constexpr UINT SB_SETMINHEIGHT = WM_USER + 8;
constexpr UINT SB_SIMPLE = WM_USER + 9;         // wparam TRUE: one part with the simple text
constexpr UINT SB_GETRECT = WM_USER + 10;       // wparam part, lparam RECT*
constexpr UINT SB_ISSIMPLE = WM_USER + 14;
constexpr WPARAM SB_SIMPLEID = 0x00FF;          // the part number of the simple text

constexpr UINT SBT_NOBORDERS = 0x0100;
constexpr UINT SBT_POPOUT = 0x0200;

// ---- Toolbar --------------------------------------------------------------------------------
// Buttons in one row, images from added bitmap strips (image i is the i-th
// cell of bitmap width in the strips, in the order they were added).
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_FLAT = 0x0800;

constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;

struct TBBUTTON {
  int iBitmap = 0;
  int idCommand = 0;
  BYTE fsState = 0;
  BYTE fsStyle = 0;
  DWORD_PTR dwData = 0;
  INT_PTR iString = 0;
};

// A bitmap strip: with a null hInst, nID is an HBITMAP the toolbar copies;
// else the id of an RT_BITMAP resource of that module.
struct TBADDBITMAP {
  HINSTANCE hInst = nullptr;
  UINT_PTR nID = 0;
};

constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;  // wparam id, lparam enable
constexpr UINT TB_CHECKBUTTON = WM_USER + 2;
constexpr UINT TB_PRESSBUTTON = WM_USER + 3;
constexpr UINT TB_HIDEBUTTON = WM_USER + 4;
constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9;
constexpr UINT TB_ISBUTTONCHECKED = WM_USER + 10;
constexpr UINT TB_ISBUTTONPRESSED = WM_USER + 11;
constexpr UINT TB_SETSTATE = WM_USER + 17;
constexpr UINT TB_GETSTATE = WM_USER + 18;      // -1 for an unknown id
constexpr UINT TB_ADDBITMAP = WM_USER + 19;     // wparam image count, lparam TBADDBITMAP*; the first index
constexpr UINT TB_ADDBUTTONS = WM_USER + 20;    // wparam count, lparam const TBBUTTON*
constexpr UINT TB_DELETEBUTTON = WM_USER + 22;  // wparam index
constexpr UINT TB_GETBUTTON = WM_USER + 23;     // wparam index, lparam TBBUTTON*
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25;
constexpr UINT TB_GETITEMRECT = WM_USER + 29;   // wparam index, lparam RECT*
constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30;
constexpr UINT TB_SETBUTTONSIZE = WM_USER + 31;  // lparam MAKELONG(cx, cy)
constexpr UINT TB_SETBITMAPSIZE = WM_USER + 32;  // lparam MAKELONG(cx, cy)
constexpr UINT TB_AUTOSIZE = WM_USER + 33;
constexpr UINT TB_GETTOOLTIPS = WM_USER + 35;
constexpr UINT TB_SETTOOLTIPS = WM_USER + 36;
constexpr UINT TB_GETBUTTONSIZE = WM_USER + 58;  // answers MAKELONG(cx, cy)
constexpr UINT TB_HITTEST = WM_USER + 69;        // lparam POINT* (client); the index, or -1
constexpr UINT TB_GETHOTITEM = WM_USER + 71;     // the index under the pointer, or -1

// ---- Tooltips -------------------------------------------------------------------------------
// A top-level pop-up that shows the text of the tool under the pointer. Its
// owner relays mouse messages to it (TTM_RELAYEVENT); after the initial delay
// over one tool it shows, a press or leaving the tool hides it, and it hides
// on its own after the auto-pop delay. A tool whose text is
// LPSTR_TEXTCALLBACK asks with TTN_GETDISPINFO, sent to the tool's window.
constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;

constexpr UINT TTF_IDISHWND = 0x0001;  // uId is a window; its whole client area is the tool
constexpr UINT TTF_SUBCLASS = 0x0010;  // not provided: the owner relays

inline char* const LPSTR_TEXTCALLBACK = reinterpret_cast<char*>(static_cast<intptr_t>(-1));

struct TOOLINFO {
  UINT cbSize = sizeof(TOOLINFO);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  UINT_PTR uId = 0;
  RECT rect{};
  HINSTANCE hinst = nullptr;  // with an integer lpszText: the module of that string resource
  char* lpszText = nullptr;   // text, LPSTR_TEXTCALLBACK, or MAKEINTRESOURCE of a string id
  LPARAM lParam = 0;
};

constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;  // wparam TTDT_*, lparam ms (-1: the default)
constexpr UINT TTM_ADDTOOL = WM_USER + 4;
constexpr UINT TTM_DELTOOL = WM_USER + 5;
constexpr UINT TTM_NEWTOOLRECT = WM_USER + 6;
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;  // lparam const MSG* (point in the message's window)
constexpr UINT TTM_GETTOOLINFO = WM_USER + 8;
constexpr UINT TTM_UPDATETIPTEXT = WM_USER + 12;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_GETCURRENTTOOL = WM_USER + 15;  // lparam TOOLINFO* or null; TRUE while one is shown
constexpr UINT TTM_POP = WM_USER + 28;

constexpr WPARAM TTDT_AUTOMATIC = 0;
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

constexpr UINT TTN_FIRST = static_cast<UINT>(-520);
constexpr UINT TTN_GETDISPINFO = TTN_FIRST - 0;
constexpr UINT TTN_NEEDTEXT = TTN_GETDISPINFO;
constexpr UINT TTN_SHOW = TTN_FIRST - 1;
constexpr UINT TTN_POP = TTN_FIRST - 2;

// The answer to TTN_GETDISPINFO: text in szText, or lpszText pointing at
// text that lives on, or MAKEINTRESOURCE of a string of hinst. hdr.idFrom is
// the tool's uId.
struct NMTTDISPINFO {
  NMHDR hdr;
  char* lpszText = nullptr;
  char szText[80] = {};
  HINSTANCE hinst = nullptr;
  UINT uFlags = 0;
  LPARAM lParam = 0;
};

}  // namespace plat

#endif  // PLAT_CONTROL_BARS_H_
