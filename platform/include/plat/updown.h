// The up-down control ("msctls_updown32"): two arrows that step a position
// inside a range, optionally shown in a buddy window (UDS_SETBUDDYINT writes
// the position as text into it; UDS_ARROWKEYS lets the buddy's Up and Down
// keys step it). Each step asks the parent first with WM_NOTIFY UDN_DELTAPOS
// (a non-zero answer refuses it), then reports with WM_VSCROLL (WM_HSCROLL
// for UDS_HORZ) SB_THUMBPOSITION. Positions are clamped to the range (or
// wrap round with UDS_WRAP); a range given the wrong way round is swapped;
// buddy text that is not a number leaves the position as it was.
#ifndef PLAT_UPDOWN_H_
#define PLAT_UPDOWN_H_

#include "plat/controls.h"

namespace plat {

inline constexpr const char* kUpDownClass = "msctls_updown32";

constexpr DWORD UDS_WRAP = 0x0001;
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
constexpr DWORD UDS_ALIGNLEFT = 0x0008;
constexpr DWORD UDS_AUTOBUDDY = 0x0010;
constexpr DWORD UDS_ARROWKEYS = 0x0020;
constexpr DWORD UDS_HORZ = 0x0040;
constexpr DWORD UDS_NOTHOUSANDS = 0x0080;

constexpr UINT UDM_SETRANGE = WM_USER + 101;  // lparam MAKELONG(upper, lower), 16-bit
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;
constexpr UINT UDM_SETBUDDY = WM_USER + 105;  // wparam the buddy; gives the previous
constexpr UINT UDM_GETBUDDY = WM_USER + 106;
constexpr UINT UDM_SETBASE = WM_USER + 109;   // 10 or 16
constexpr UINT UDM_GETBASE = WM_USER + 110;
constexpr UINT UDM_SETRANGE32 = WM_USER + 111;  // wparam lower, lparam upper
constexpr UINT UDM_GETRANGE32 = WM_USER + 112;  // wparam int* lower, lparam int* upper
constexpr UINT UDM_SETPOS32 = WM_USER + 113;    // lparam position; gives the previous
constexpr UINT UDM_GETPOS32 = WM_USER + 114;    // lparam BOOL* error (buddy text not a number)

constexpr UINT UDN_FIRST = static_cast<UINT>(-721);
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;    // the position before the step
  int iDelta = 0;  // the step asked for; the parent may change it
};

}  // namespace plat

#endif  // PLAT_UPDOWN_H_
