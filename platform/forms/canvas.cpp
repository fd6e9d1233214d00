// TCanvas: the pen, brush and font are selected into the DC just before a
// call that needs them, and again only after they changed. Drawing calls fire
// OnChanging before and OnChange after.
#include "plat/forms/canvas.h"

#include <algorithm>

#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/gdi.h"
#include "plat/text.h"

namespace plat {

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {
  font_->OnChange = [this](TObject*) { state_ &= ~kFontValid; };
  pen_->OnChange = [this](TObject*) { state_ &= ~kPenValid; };
  brush_->OnChange = [this](TObject*) { state_ &= ~kBrushValid; };
  // A handle about to be freed leaves the DC first (the DC's own goes back).
  const auto release = [this](HGDIOBJ& old, unsigned bit) {
    if (dc_ != nullptr && old != nullptr) SelectObject(dc_, old);
    old = nullptr;
    state_ &= ~bit;
  };
  font_->OnChanging = [this, release](TObject*) { release(old_font_, kFontValid); };
  pen_->OnChanging = [this, release](TObject*) { release(old_pen_, kPenValid); };
  brush_->OnChanging = [this, release](TObject*) { release(old_brush_, kBrushValid); };
}

TCanvas::~TCanvas() {
  DeselectHandles();
  for (TGraphicsObject* object : {static_cast<TGraphicsObject*>(font_.get()), static_cast<TGraphicsObject*>(pen_.get()),
                                  static_cast<TGraphicsObject*>(brush_.get())}) {
    object->OnChange = nullptr;
    object->OnChanging = nullptr;
  }
}

HDC TCanvas::Handle() {
  if (dc_ == nullptr) CreateHandle();
  return dc_;
}

void TCanvas::CreateHandle() { throw EInvalidOperation("Canvas does not allow drawing"); }

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DeselectHandles();
  dc_ = dc;
  state_ = 0;
}

void TCanvas::DeselectHandles() {
  if (dc_ != nullptr) {
    if (old_font_ != nullptr) SelectObject(dc_, old_font_);
    if (old_pen_ != nullptr) SelectObject(dc_, old_pen_);
    if (old_brush_ != nullptr) SelectObject(dc_, old_brush_);
  }
  old_font_ = old_pen_ = old_brush_ = nullptr;
  state_ = 0;
}

HDC TCanvas::RequireDc(unsigned wanted) {
  HDC dc = Handle();
  const unsigned missing = wanted & ~state_;
  if (missing & kFontValid) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font_->Handle()));
    if (old_font_ == nullptr) old_font_ = old;
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(font_->Color())));
  }
  if (missing & kPenValid) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen_->Handle()));
    if (old_pen_ == nullptr) old_pen_ = old;
    SetROP2(dc, PenModeToRop2(pen_->Mode()));
  }
  if (missing & kBrushValid) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(brush_->Handle()));
    if (old_brush_ == nullptr) old_brush_ = old;
    SetBackgroundMode(dc);
  }
  state_ |= wanted;
  return dc;
}

void TCanvas::SetBackgroundMode(HDC dc) {
  // A clear brush draws text and hatches transparently; otherwise the brush
  // colour is the background.
  if (brush_->Style() == bsClear) {
    SetBkMode(dc, TRANSPARENT);
  } else {
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush_->Color())));
    SetBkMode(dc, OPAQUE);
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

POINT TCanvas::PenPos() {
  POINT position{};
  GetCurrentPositionEx(Handle(), &position);
  return position;
}

void TCanvas::SetPenPos(POINT position) { MoveTo(position.x, position.y); }

RECT TCanvas::ClipRect() {
  RECT rect{};
  GetClipBox(Handle(), &rect);
  return rect;
}

TColor TCanvas::Pixels(int x, int y) { return static_cast<TColor>(GetPixel(Handle(), x, y)); }

void TCanvas::SetPixels(int x, int y, TColor color) {
  Paint(kPenValid, [&](HDC dc) { ::plat::SetPixel(dc, x, y, static_cast<COLORREF>(ColorToRGB(color))); });
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  Paint(kPenValid, [&](HDC dc) { ::plat::LineTo(dc, x, y); });
}

void TCanvas::Polyline(std::span<const POINT> points) {
  Paint(kPenValid, [&](HDC dc) { ::plat::Polyline(dc, points.data(), static_cast<int>(points.size())); });
}

void TCanvas::Polygon(std::span<const POINT> points) {
  Paint(kPenValid | kBrushValid,
        [&](HDC dc) { ::plat::Polygon(dc, points.data(), static_cast<int>(points.size())); });
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  Paint(kPenValid | kBrushValid, [&](HDC dc) { ::plat::Rectangle(dc, left, top, right, bottom); });
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
  Paint(kPenValid | kBrushValid,
        [&](HDC dc) { ::plat::RoundRect(dc, left, top, right, bottom, ellipse_width, ellipse_height); });
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  Paint(kPenValid | kBrushValid, [&](HDC dc) { ::plat::Ellipse(dc, left, top, right, bottom); });
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Paint(kPenValid, [&](HDC dc) { ::plat::Arc(dc, x1, y1, x2, y2, x3, y3, x4, y4); });
}

void TCanvas::FillRect(const RECT& rect) {
  Paint(kBrushValid, [&](HDC dc) { ::plat::FillRect(dc, &rect, brush_->Handle()); });
}

void TCanvas::FrameRect(const RECT& rect) {
  Paint(kBrushValid, [&](HDC dc) { ::plat::FrameRect(dc, &rect, brush_->Handle()); });
}

void TCanvas::DrawFocusRect(const RECT& rect) {
  Paint(kBrushValid, [&](HDC dc) { ::plat::DrawFocusRect(dc, &rect); });
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Paint(kBrushValid, [&](HDC) { graphic->Draw(this, RECT{x, y, x + graphic->Width(), y + graphic->Height()}); });
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Paint(kBrushValid, [&](HDC) { graphic->Draw(this, rect); });
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source) {
  if (canvas == nullptr) return;
  Paint(kBrushValid, [&](HDC target) {
    StretchBlt(target, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               canvas->RequireDc(kBrushValid), source.left, source.top, source.right - source.left,
               source.bottom - source.top, copy_mode_);
  });
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color) {
  if (bitmap == nullptr || bitmap->Empty()) return;
  Changing();
  const int width = dest.right - dest.left, height = dest.bottom - dest.top;
  const int source_width = source.right - source.left, source_height = source.bottom - source.top;
  HDC target = RequireDc(kBrushValid);
  HDC from = bitmap->Canvas()->Handle();
  // A mask that is white where the bitmap has `color`.
  HDC mask_dc = CreateCompatibleDC(target);
  HBITMAP mask = CreateBitmap(std::max(source_width, 1), std::max(source_height, 1), 1, 1, nullptr);
  HGDIOBJ old_mask = SelectObject(mask_dc, reinterpret_cast<HGDIOBJ>(mask));
  const COLORREF old_background = SetBkColor(from, static_cast<COLORREF>(ColorToRGB(color)));
  BitBlt(mask_dc, 0, 0, source_width, source_height, from, source.left, source.top, SRCCOPY);
  SetBkColor(from, old_background);
  // The bitmap, then the brush through the mask (destination where the mask is black).
  StretchBlt(target, dest.left, dest.top, width, height, from, source.left, source.top, source_width,
             source_height, SRCCOPY);
  const COLORREF old_text = SetTextColor(target, RGB(0, 0, 0));
  const COLORREF old_back = SetBkColor(target, RGB(255, 255, 255));
  StretchBlt(target, dest.left, dest.top, width, height, mask_dc, 0, 0, source_width, source_height, 0x00E20746);
  SetTextColor(target, old_text);
  SetBkColor(target, old_back);
  SelectObject(mask_dc, old_mask);
  DeleteObject(mask);
  DeleteDC(mask_dc);
  state_ &= ~kBrushValid;  // the background colour was borrowed
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Paint(kFontValid | kBrushValid, [&](HDC dc) {
    ::plat::TextOut(dc, x, y, text.data(), static_cast<int>(text.size()));
    SIZE size{};
    GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
    MoveToEx(dc, x + size.cx, y, nullptr);
  });
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
  const UINT options = ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0);
  Paint(kFontValid | kBrushValid, [&](HDC dc) {
    ExtTextOut(dc, x, y, options, &rect, text.data(), static_cast<int>(text.size()), nullptr);
  });
}

SIZE TCanvas::TextExtent(const std::string& text) {
  SIZE size{};
  GetTextExtentPoint32(RequireDc(kFontValid), text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::Lock() {
  lock_.lock();
  ++lock_count_;
}

void TCanvas::Unlock() {
  --lock_count_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lock_count_;
  return true;
}

}  // namespace plat
