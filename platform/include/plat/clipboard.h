// The clipboard: copies of images (CF_DIB, checked by the packed-DIB gate),
// text (CF_TEXT, UTF-8) and registered formats, offered to other programs
// through the display backend when the clipboard is closed.
#ifndef PLAT_CLIPBOARD_H_
#define PLAT_CLIPBOARD_H_

#include "plat/global_memory.h"
#include "plat/messages.h"
#include "plat/types.h"

namespace plat {

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Takes the block: on success it belongs to the clipboard (a GlobalFree of it
// by the caller fails and frees nothing); a refused block stays the
// caller's. A CF_DIB the packed-DIB gate refuses gives 0 (ERROR_INVALID_DATA).
HGLOBAL SetClipboardData(UINT format, HGLOBAL data);
// CF_BITMAP: stored as a 24-bit CF_DIB; the bitmap goes to the clipboard.
HBITMAP SetClipboardData(UINT format, HBITMAP bitmap);
// A block owned by the clipboard (do not free it); for CF_BITMAP the id of
// a bitmap owned by the clipboard (HandleFromId<HBITMAP>). 0 when absent.
HGLOBAL GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
UINT RegisterClipboardFormat(const char* name);
int GetClipboardFormatName(UINT format, char* out, int max_chars);
HWND GetClipboardOwner();

}  // namespace plat

#endif  // PLAT_CLIPBOARD_H_
