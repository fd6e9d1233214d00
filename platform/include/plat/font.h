// Logical fonts: font objects made from a LOGFONT, read back with GetObject,
// stock fonts, and the enumeration of installed families. Faces are UTF-8.
#ifndef PLAT_FONT_H_
#define PLAT_FONT_H_

#include <string>

#include "plat/gdi.h"
#include "plat/types.h"

namespace plat {

constexpr int LF_FACESIZE = 32;  // characters of a face name, the terminator included

// Weights.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;

// Character sets.
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE OEM_CHARSET = 255;

// Precisions (accepted and kept; the engines choose by face).
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;

// Quality: NONANTIALIASED_QUALITY asks for a mono mask.
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;

// Pitch and family.
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;

// TEXTMETRIC::tmPitchAndFamily bits. TMPF_FIXED_PITCH set means a variable pitch.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;
constexpr BYTE TMPF_DEVICE = 0x08;

// Font types of the family enumeration.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

struct LOGFONT {
  LONG lfHeight = 0;  // > 0 cell height, < 0 character height, 0 default
  LONG lfWidth = 0;
  LONG lfEscapement = 0;   // tenths of a degree, counter-clockwise
  LONG lfOrientation = 0;  // kept, not used
  LONG lfWeight = FW_DONTCARE;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  std::string lfFaceName;  // UTF-8, at most LF_FACESIZE - 1 characters
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 0x20;
  char32_t tmLastChar = 0xFFFF;
  char32_t tmDefaultChar = 0x3F;
  char32_t tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// A new font object; NULL for a null argument. The face is cut to
// LF_FACESIZE - 1 characters.
HFONT CreateFontIndirect(const LOGFONT* logfont);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision, DWORD clip_precision,
                 DWORD quality, DWORD pitch_and_family, const char* face);
// GetObject of a font (through the drawing layer's GetObject) fills a
// LOGFONT; DeleteObject refuses a font still selected into a DC.
// The stock font of a GetStockObject index (OEM_FIXED_FONT .. DEFAULT_GUI_FONT), or NULL.
HFONT GetStockFont(int index);

// Family enumeration: the callback gets a logical font and metrics of each
// family once per character set (only the asked set unless DEFAULT_CHARSET;
// only the asked face unless the face is empty) and stops at a 0 answer,
// which is then the function's answer; otherwise the last answer (1 when none).
using FONTENUMPROC = int (*)(const LOGFONT* logfont, const TEXTMETRIC* metrics, DWORD font_type, LPARAM data);
int EnumFontFamiliesEx(HDC dc, const LOGFONT* logfont, FONTENUMPROC callback, LPARAM data, DWORD flags);

}  // namespace plat

#endif  // PLAT_FONT_H_
