// Colours and their names, and the graphic objects TFont, TPen and TBrush.
// A setter that changes nothing fires nothing; a change frees the object's
// drawing handle (made again on the next use) and fires OnChange once.
#include <algorithm>
#include <array>
#include <cstring>

#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/graphics.h"
#include "plat/forms/sysutils.h"
#include "plat/gdi.h"
#include "plat/user.h"

namespace plat {

namespace {

struct ColorName {
  TColor color;
  const char* name;
};

// Named colours, the plain ones first so that a value finds its usual name.
constexpr std::array<ColorName, 42> kColorNames = {{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"}, {clNone, "clNone"},
}};
constexpr ColorName kDefaultName{clDefault, "clDefault"};

constexpr int kPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color < 0) return static_cast<TColor>(GetSysColor(color & 0xFF));
  return color;
}

bool ColorToIdent(int32_t color, std::string& ident) {
  for (const ColorName& entry : kColorNames) {
    if (entry.color == color) {
      ident = entry.name;
      return true;
    }
  }
  if (color == kDefaultName.color) {
    ident = kDefaultName.name;
    return true;
  }
  return false;
}

bool IdentToColor(const std::string& ident, int32_t& color) {
  for (const ColorName& entry : kColorNames) {
    if (SameText(ident, entry.name)) {
      color = entry.color;
      return true;
    }
  }
  if (SameText(ident, kDefaultName.name)) {
    color = kDefaultName.color;
    return true;
  }
  // The two second names of silver and grey.
  if (SameText(ident, "clLtGray")) return color = clLtGray, true;
  if (SameText(ident, "clDkGray")) return color = clDkGray, true;
  return false;
}

std::string ColorToString(TColor color) {
  std::string ident;
  if (ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(static_cast<uint32_t>(color), 8);
}

TColor StringToColor(const std::string& text) {
  int32_t color = 0;
  if (IdentToColor(text, color)) return color;
  return StrToInt(text);  // EConvertError for what is neither
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphicsObject::Changing() {
  if (OnChanging) OnChanging(this);
}

// TFont.

TFont::TFont() {
  logfont_.lfHeight = -MulDiv(8, kPixelsPerInch, kPointsPerInch);
  logfont_.lfFaceName = "MS Sans Serif";
  logfont_.lfCharSet = DEFAULT_CHARSET;
}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (handle_ == nullptr) return;
  Changing();
  DeleteObject(handle_);
  handle_ = nullptr;
}

HFONT TFont::Handle() {
  if (handle_ == nullptr) handle_ = CreateFontIndirect(&logfont_);
  return handle_;
}

void TFont::Change(LOGFONT next) {
  FreeHandle();
  logfont_ = std::move(next);
  Changed();
}

void TFont::SetHandle(HFONT font) {
  LOGFONT logfont;
  if (GetObject(font, sizeof(LOGFONT), &logfont) == 0) return;
  Change(std::move(logfont));
}

void TFont::Assign(const TPersistent* source) {
  if (const auto* font = dynamic_cast<const TFont*>(source)) {
    if (font == this) return;
    color_ = font->color_;
    Change(font->logfont_);
    return;
  }
  TPersistent::Assign(source);
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == logfont_.lfHeight) return;
  LOGFONT next = logfont_;
  next.lfHeight = height;
  Change(std::move(next));
}

int TFont::Size() const { return -MulDiv(logfont_.lfHeight, kPointsPerInch, kPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, kPixelsPerInch, kPointsPerInch)); }

void TFont::SetName(const std::string& name) {
  if (name.empty() || name == logfont_.lfFaceName) return;
  LOGFONT next = logfont_;
  next.lfFaceName = name;
  Change(std::move(next));
}

TFontStyles TFont::Style() const {
  TFontStyles style;
  if (logfont_.lfWeight >= FW_BOLD) style.Include(fsBold);
  if (logfont_.lfItalic) style.Include(fsItalic);
  if (logfont_.lfUnderline) style.Include(fsUnderline);
  if (logfont_.lfStrikeOut) style.Include(fsStrikeOut);
  return style;
}

void TFont::SetStyle(TFontStyles style) {
  if (style == Style()) return;
  LOGFONT next = logfont_;
  next.lfWeight = style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  next.lfItalic = style.Contains(fsItalic);
  next.lfUnderline = style.Contains(fsUnderline);
  next.lfStrikeOut = style.Contains(fsStrikeOut);
  Change(std::move(next));
}

TFontPitch TFont::Pitch() const {
  switch (logfont_.lfPitchAndFamily & 0x03) {
    case FIXED_PITCH: return fpFixed;
    case VARIABLE_PITCH: return fpVariable;
    default: return fpDefault;
  }
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == Pitch()) return;
  LOGFONT next = logfont_;
  const BYTE bits = pitch == fpFixed ? FIXED_PITCH : pitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  next.lfPitchAndFamily = static_cast<BYTE>((next.lfPitchAndFamily & ~0x03) | bits);
  Change(std::move(next));
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == logfont_.lfCharSet) return;
  LOGFONT next = logfont_;
  next.lfCharSet = charset;
  Change(std::move(next));
}

// TPen.

int PenModeToRop2(TPenMode mode) {
  static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                                  R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                  R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                  R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
  return kRop2[static_cast<int>(mode)];
}

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
  if (handle_ == nullptr) return;
  Changing();
  DeleteObject(handle_);
  handle_ = nullptr;
}

HPEN TPen::Handle() {
  if (handle_ == nullptr) {
    static constexpr int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_ = CreatePen(kStyles[static_cast<int>(style_)], width_, static_cast<COLORREF>(ColorToRGB(color_)));
  }
  return handle_;
}

void TPen::Assign(const TPersistent* source) {
  if (const auto* pen = dynamic_cast<const TPen*>(source)) {
    if (pen == this) return;
    FreeHandle();
    color_ = pen->color_;
    width_ = pen->width_;
    style_ = pen->style_;
    mode_ = pen->mode_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  FreeHandle();
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0 || width == width_) return;
  FreeHandle();
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  FreeHandle();
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed();
}

// TBrush.

TBrush::~TBrush() {
  FreeHandle();
  delete bitmap_;
}

void TBrush::FreeHandle() {
  if (handle_ == nullptr) return;
  Changing();
  DeleteObject(handle_);
  handle_ = nullptr;
}

HBRUSH TBrush::Handle() {
  if (handle_ != nullptr) return handle_;
  if (bitmap_ != nullptr && !bitmap_->Empty()) {
    handle_ = CreatePatternBrush(bitmap_->Handle());
  } else if (style_ == bsClear) {
    LOGBRUSH log{BS_NULL, 0, 0};
    handle_ = CreateBrushIndirect(&log);
  } else if (style_ == bsSolid) {
    handle_ = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color_)));
  } else {
    static constexpr int kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
    handle_ = CreateHatchBrush(kHatches[static_cast<int>(style_) - static_cast<int>(bsHorizontal)],
                               static_cast<COLORREF>(ColorToRGB(color_)));
  }
  return handle_;
}

void TBrush::Assign(const TPersistent* source) {
  if (const auto* brush = dynamic_cast<const TBrush*>(source)) {
    if (brush == this) return;
    FreeHandle();
    color_ = brush->color_;
    style_ = brush->style_;
    delete bitmap_;
    bitmap_ = nullptr;
    if (brush->bitmap_ != nullptr) {
      bitmap_ = new TBitmap;
      bitmap_->Assign(brush->bitmap_);
    }
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != bsClear) return;
  FreeHandle();
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;  // a colour makes a clear brush solid again
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  FreeHandle();
  style_ = style;
  Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  FreeHandle();
  delete bitmap_;
  bitmap_ = nullptr;
  if (bitmap != nullptr) {
    bitmap_ = new TBitmap;
    bitmap_->Assign(bitmap);
  }
  Changed();
}

}  // namespace plat
