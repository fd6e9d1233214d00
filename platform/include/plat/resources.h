// Resources as tables in code: a module registers its table once, and the
// load functions find entries by module, type and id or name.
#ifndef PLAT_RESOURCES_H_
#define PLAT_RESOURCES_H_

#include <cstddef>

#include "plat/types.h"
#include "plat/user.h"

namespace plat {

constexpr int RT_CURSOR = 1;
constexpr int RT_BITMAP = 2;
constexpr int RT_ICON = 3;
constexpr int RT_MENU = 4;
constexpr int RT_DIALOG = 5;
constexpr int RT_STRING = 6;
constexpr int RT_RCDATA = 10;
constexpr int RT_GROUP_CURSOR = 12;
constexpr int RT_GROUP_ICON = 14;
// A toolbar: WORD version (1), WORD image width, WORD image height, WORD
// count, then count WORD command ids (0 a separator); its images are the
// RT_BITMAP of the same id.
constexpr int RT_TOOLBAR = 241;

// The data of a cursor or icon entry: 32-bit ARGB pixels, top-down.
struct CursorResource {
  int hot_x = 0;
  int hot_y = 0;
  int width = 0;
  int height = 0;
  const uint32_t* argb = nullptr;
};

// One entry: an RT_* type, an id (or a name, when not null), and its bytes:
// RT_STRING UTF-8 text, RT_BITMAP a packed DIB, RT_CURSOR and RT_ICON a
// CursorResource, anything else raw bytes.
struct ResourceEntry {
  int type = 0;
  int id = 0;
  const char* name = nullptr;
  const void* data = nullptr;
  size_t size = 0;
};

// Registers (or replaces) the table of `module`; the entries must outlive
// the registration. FALSE for a null module or table.
BOOL RegisterModuleResources(HMODULE module, const ResourceEntry* entries, size_t count);
BOOL UnregisterModuleResources(HMODULE module);

struct HRSRC__;
using HRSRC = HRSRC__*;

int LoadString(HINSTANCE instance, UINT id, char* out, int max_chars);
HBITMAP LoadBitmap(HINSTANCE instance, const char* name);
HICON LoadIcon(HINSTANCE instance, const char* name);
// An RT_MENU entry holds a menu template: two zero WORDs (version, offset of
// the items), then items, each a WORD of MF_GRAYED, MF_DISABLED, MF_CHECKED,
// MF_POPUP and MF_END (the last item of its level), a WORD id unless it is a
// pop-up, and UTF-8 text ending in NUL; a pop-up's items follow it. An item
// with id 0 and no text is a separator. NULL with ERROR_INVALID_DATA for
// anything else, leaving no menu behind.
HMENU LoadMenu(HINSTANCE instance, const char* name);
HRSRC FindResource(HMODULE module, const char* name, const char* type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// LoadImage kinds and flags.
constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_SHARED = 0x8000;
HANDLE LoadImage(HINSTANCE instance, const char* name, UINT type, int width, int height, UINT flags);

inline const char* MAKEINTRESOURCE_TYPE(int type) { return MAKEINTRESOURCE(type); }

}  // namespace plat

#endif  // PLAT_RESOURCES_H_
