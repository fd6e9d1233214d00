// Menus: menu bars and pop-up menus with their items, and TrackPopupMenu,
// whose pop-up is a top-level window of class "#32768" run in a modal loop.
#ifndef PLAT_MENU_H_
#define PLAT_MENU_H_

#include "plat/types.h"

namespace plat {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_END = 0x0080;  // the last item of its level in a menu template
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

// The class name of pop-up menu windows.
constexpr const char* kMenuWindowClass = "#32768";

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);  // sub-menus go with it
BOOL IsMenu(HMENU menu);
// `item` is the command id, or the sub-menu (an HMENU) with MF_POPUP.
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR item, const char* text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);  // a sub-menu is kept
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);  // a sub-menu is destroyed
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text);
// The previous state (MF_GRAYED/MF_DISABLED, MF_CHECKED), or -1 for no such item.
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuString(HMENU menu, UINT item, char* out, int max_chars, UINT flags);
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
BOOL DrawMenuBar(HWND hwnd);
// The window's system menu (Restore, Move, Size, Minimize, Maximize, Close);
// `revert` puts the standard one back.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
// Runs the pop-up at screen (x, y) until an item is chosen or the menu is
// dismissed. With TPM_RETURNCMD gives the chosen id (0: none); else posts
// WM_COMMAND to `owner` and gives TRUE when an item was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);
BOOL EndMenu();

}  // namespace plat

#endif  // PLAT_MENU_H_
