// Text on device contexts: drawing runs and formatted blocks with the font,
// colours and alignment selected into the DC, and measuring them. Strings are
// UTF-8 with a byte count (-1: up to the terminating NUL); widths arrays and
// character counts are per code point.
#ifndef PLAT_TEXT_H_
#define PLAT_TEXT_H_

#include <string>

#include "plat/font.h"
#include "plat/types.h"

namespace plat {

// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// DrawText formats.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0;  // in average character widths
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0;  // out: code points processed
};

BOOL TextOut(HDC dc, int x, int y, const char* text, int bytes);
// `rect` is used with ETO_OPAQUE (filled with the background colour) and
// ETO_CLIPPED (drawing stays inside it); `dx`, when given, holds the advance of
// each code point.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, int bytes, const INT* dx);
// Answers the height of the text drawn (with DT_VCENTER or DT_BOTTOM the
// offset of its bottom from rect->top), 0 on failure.
int DrawText(HDC dc, const char* text, int bytes, RECT* rect, UINT format);
int DrawTextEx(HDC dc, const char* text, int bytes, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

BOOL GetTextExtentPoint32(HDC dc, const char* text, int bytes, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
// Advance widths of the code points first..last into buffer[0..last-first].
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, INT* buffer);
// Copies the selected font's face (UTF-8, cut at a character boundary) with
// its terminator into `out` of `count` bytes; answers the bytes copied
// without the terminator, or with `out` null the bytes needed with it.
int GetTextFace(HDC dc, int count, char* out);
std::string GetTextFace(HDC dc);
// Extra pixels after every character; answers the previous value.
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);

}  // namespace plat

#endif  // PLAT_TEXT_H_
