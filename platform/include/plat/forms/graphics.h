// The class library's colours and graphic objects: TColor with its names,
// and TFont, TPen and TBrush, which own a drawing object made on demand from
// their properties and fire OnChange once for every property that changes.
#ifndef PLAT_FORMS_GRAPHICS_H_
#define PLAT_FORMS_GRAPHICS_H_

#include <cstdint>
#include <string>

#include "plat/font.h"
#include "plat/forms/object.h"
#include "plat/types.h"

namespace plat {

// 0x00BBGGRR; system colours are 0x80000000 | index.
using TColor = int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index)); }

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour resolved to its RGB value; other colours unchanged.
TColor ColorToRGB(TColor color);
// "clRed" for a named colour, else "$00BBGGRR".
std::string ColorToString(TColor color);
// A colour name (any case) or a number ("$00FF0000", "255"); EConvertError otherwise.
TColor StringToColor(const std::string& text);
bool ColorToIdent(int32_t color, std::string& ident);
bool IdentToColor(const std::string& ident, int32_t& color);

// The shared base: OnChange after every change; OnChanging before a change
// frees the drawing handle, so a canvas can take it out of its DC first.
class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  void Changing();
};

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using enum TFontStyle;
using TFontStyles = TSet<TFontStyle>;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };
using enum TFontPitch;
using TFontCharset = BYTE;

class TFont : public TGraphicsObject {
 public:
  TFont();
  ~TFont() override;
  void Assign(const TPersistent* source) override;

  // A font object for the current properties, made on first use and after a change.
  HFONT Handle();
  // Takes the properties of `font`'s logical font (the handle is not kept).
  void SetHandle(HFONT font);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // Pixels: > 0 cell height, < 0 character height.
  int Height() const { return logfont_.lfHeight; }
  void SetHeight(int height);
  // Points at PixelsPerInch (96): Size = -Height * 72 / 96.
  int Size() const;
  void SetSize(int points);
  const std::string& Name() const { return logfont_.lfFaceName; }
  void SetName(const std::string& name);
  TFontStyles Style() const;
  void SetStyle(TFontStyles style);
  TFontPitch Pitch() const;
  void SetPitch(TFontPitch pitch);
  TFontCharset Charset() const { return logfont_.lfCharSet; }
  void SetCharset(TFontCharset charset);
  int PixelsPerInch() const { return 96; }
  // The logical font the handle is made from.
  const LOGFONT& Logfont() const { return logfont_; }

 private:
  void Change(LOGFONT next);
  void FreeHandle();

  LOGFONT logfont_;
  TColor color_ = clWindowText;
  HFONT handle_ = nullptr;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
using enum TPenStyle;
enum class TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
using enum TPenMode;
// The binary raster operation (R2_*) of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(const TPersistent* source) override;

  HPEN Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);

 private:
  void FreeHandle();

  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
using enum TBrushStyle;

class TBitmap;

class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(const TPersistent* source) override;

  HBRUSH Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A pattern of any size, copied when set; null clears it. While a pattern
  // is set it is what the brush paints.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* bitmap);

 private:
  void FreeHandle();

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;  // owned copy
  HBRUSH handle_ = nullptr;
};

}  // namespace plat

#endif  // PLAT_FORMS_GRAPHICS_H_
