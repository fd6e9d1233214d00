// TCanvas: a device context with the class library's pen, brush and font,
// selected into it lazily before each drawing call. A canvas either wraps a
// DC given to it (SetHandle) or makes one on demand (TBitmap's canvas).
#ifndef PLAT_FORMS_CANVAS_H_
#define PLAT_FORMS_CANVAS_H_

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "plat/forms/graphics.h"
#include "plat/types.h"

namespace plat {

class TGraphic;
class TBitmap;

using TCopyMode = DWORD;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC, made first when the canvas makes its own (CreateHandle).
  HDC Handle();
  // Wraps `dc` (not owned); null releases the current one.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont* Font() const { return font_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  void SetFont(const TFont* font) { font_->Assign(font); }
  void SetPen(const TPen* pen) { pen_->Assign(pen); }
  void SetBrush(const TBrush* brush) { brush_->Assign(brush); }
  TCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TCopyMode mode) { copy_mode_ = mode; }
  POINT PenPos();
  void SetPenPos(POINT position);
  // The clip box in logical coordinates (the whole surface without a clip).
  RECT ClipRect();
  // The pixel's colour; -1 (CLR_INVALID) outside the surface or the clip.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);
  TColor Pixel(int x, int y) { return Pixels(x, y); }
  void SetPixel(int x, int y, TColor color) { SetPixels(x, y, color); }

  // Lines in Pen from the pen position, which moves to their end; figures
  // outlined in Pen and filled with Brush. Right and bottom edges of boxes
  // are exclusive, and LineTo leaves its last pixel out.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const POINT> points);
  void Polygon(std::span<const POINT> points);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
  void RoundRect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height);
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const RECT& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
  // The part of the ellipse in the box from the ray through (x3, y3) to the
  // ray through (x4, y4), counter-clockwise.
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void DrawFocusRect(const RECT& rect);

  // The graphic at (x, y) at its own size / stretched into `rect`.
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const RECT& rect, TGraphic* graphic);
  // `source` of `canvas` into `dest` through CopyMode.
  void CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source);
  // `source` of `bitmap` into `dest`, its pixels of `color` replaced by the brush.
  void BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color);

  // Text in Font at (x, y); the pen position moves to its end. The
  // background is filled unless Brush is bsClear.
  void TextOut(int x, int y, const std::string& text);
  // Text at (x, y) clipped to `rect` (filled first unless Brush is bsClear).
  void TextRect(const RECT& rect, int x, int y, const std::string& text);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  // Serialises drawing from several threads on one canvas; nests.
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lock_count_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Makes the DC of a canvas that owns one; the base raises EInvalidOperation.
  virtual void CreateHandle();
  // Releases what SetHandle selected (the DC itself stays its owner's).
  void DeselectHandles();
  virtual void Changing();
  virtual void Changed();

 private:
  enum StateBit : unsigned { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
  // The DC with Font, Pen and Brush selected as asked.
  HDC RequireDc(unsigned wanted);
  // `draw` on the DC with `wanted` selected, between OnChanging and OnChange.
  template <class Draw>
  void Paint(unsigned wanted, Draw draw) {
    Changing();
    draw(RequireDc(wanted));
    Changed();
  }
  void SetBackgroundMode(HDC dc);

  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TCopyMode copy_mode_ = cmSrcCopy;
  HDC dc_ = nullptr;
  unsigned state_ = 0;
  HGDIOBJ old_font_ = nullptr, old_pen_ = nullptr, old_brush_ = nullptr;
  std::recursive_mutex lock_;
  int lock_count_ = 0;
};

}  // namespace plat

#endif  // PLAT_FORMS_CANVAS_H_
