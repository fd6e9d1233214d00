// The image view: zoom and scroll model, painting of the update rectangle
// only, the selection with its handles, the three drags with capture and
// auto-scroll, and the messages passed on to the control.
#include "image_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "dib_drawing.h"
#include "module_resources.h"
#include "plat/ctl/dc.h"
#include "plat/acquire/acquire_constants.h"
#include "plat/global_memory.h"
#include "plat/resources.h"

namespace ondavel {

using namespace plat;

namespace {

constexpr int kMaxScrollRange = 32767;
constexpr int kHandleSize = 4;
constexpr int kFrameReach = 3;  // how far a selection frame's strips reach beyond its edges
constexpr int kMinAutoScrollStep = 15;

// The cursor of each hit value 0..8.
constexpr int kCursorIds[9] = {kCursorSizeNwse, kCursorSizeNs, kCursorSizeNesw, kCursorSizeWe,
                               kCursorSizeNwse, kCursorSizeNs, kCursorSizeNesw, kCursorSizeWe, kCursorMove};

RECT Normalised(RECT rect) {
  if (rect.left > rect.right) std::swap(rect.left, rect.right);
  if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
  return rect;
}

bool IsAllZero(const RECT& rect) { return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0; }

int Trunc(double value) { return static_cast<int>(std::trunc(value)); }

}  // namespace

int ScrollScaleFor(int64_t range) {
  if (range <= kMaxScrollRange) return 1;
  return static_cast<int>((range + kMaxScrollRange - 1) / kMaxScrollRange);
}

int ZoomedLength(int pixels, double zoom) {
  if (pixels <= 0) return 0;
  return std::max(1, Trunc(pixels * zoom));
}

RECT GetHandleRect(const RECT& r, int index) {
  const int mx = r.left + (r.right - r.left) / 2;
  const int my = r.top + (r.bottom - r.top) / 2;
  switch (index) {
    case 0: return RECT{r.left, r.top, r.left + kHandleSize, r.top + kHandleSize};
    case 1: return RECT{mx - 2, r.top, mx + 2, r.top + kHandleSize};
    case 2: return RECT{r.right - kHandleSize, r.top, r.right, r.top + kHandleSize};
    case 3: return RECT{r.right - kHandleSize, my - 2, r.right, my + 2};
    case 4: return RECT{r.right - kHandleSize, r.bottom - kHandleSize, r.right, r.bottom};
    case 5: return RECT{mx - 2, r.bottom - kHandleSize, mx + 2, r.bottom};
    case 6: return RECT{r.left, r.bottom - kHandleSize, r.left + kHandleSize, r.bottom};
    case 7: return RECT{r.left, my - 2, r.left + kHandleSize, my + 2};
    default: return RECT{};
  }
}

int HitTestSelection(POINT point, const RECT& rect) {
  const RECT area = Normalised(rect);
  if (!PtInRect(&area, point)) return -1;
  for (int index = 0; index < 8; ++index) {
    const RECT handle = GetHandleRect(area, index);
    if (PtInRect(&handle, point)) return index;
  }
  return 8;
}

ImageView::ImageView() {
  const HINSTANCE module = OndavelResources();
  for (size_t i = 0; i < cursors_.size(); ++i) cursors_[i] = LoadCursor(module, MAKEINTRESOURCE(kCursorIds[i]));
}

ImageView::~ImageView() {
  if (m_hWnd != nullptr) DestroyWindow();
  ReleaseBitmap();
}

BOOL ImageView::Create(CWnd* parent, const RECT& rect, UINT id, WindowOwner* owner) {
  owner_ = owner;
  const char* view_class = RegisterWindowClass(CS_DBLCLKS, LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  return CWnd::CreateEx(0, view_class, kImageViewName, WS_CHILD | WS_VISIBLE, rect, parent, id);
}

// ---- The picture -------------------------------------------------------------------------------

void ImageView::ReleaseBitmap() {
  bitmap_ = 0;
  dib_.reset();
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
}

int ImageView::SetViewImage(HGLOBAL bitmap) {
  AbandonDrag();
  ReleaseBitmap();
  int error = 0;
  if (bitmap != 0) {
    // Checked against its block before any field is used; drawing checks
    // again, so nothing outside the block is ever read.
    const std::optional<DibView> view = ValidatePackedDib(bitmap);
    if (view) {
      bitmap_ = bitmap;
      dib_ = view;
    } else {
      error = qrvErrInvalidParam;
    }
  }
  bitmap_width_ = dib_ ? dib_->width : 0;
  bitmap_height_ = dib_ ? dib_->height : 0;
  BuildDibPalette();
  zoomed_width_ = ZoomedLength(bitmap_width_, zoom_);
  zoomed_height_ = ZoomedLength(bitmap_height_, zoom_);
  if (m_hWnd != nullptr) UpdateScrollBars();
  drag_ = RECT{};
  selection_ = RECT{};
  if (owner_ != nullptr) owner_->NotifyCancelDrag();
  if (m_hWnd != nullptr) Invalidate(bitmap_ == 0);
  return error;
}

void ImageView::ClearViewImage() {
  AbandonDrag();
  ReleaseBitmap();
  bitmap_width_ = bitmap_height_ = zoomed_width_ = zoomed_height_ = 0;
  max_pos_ = {0, 0};
  is_shown_ = {false, false};
  scale_ = {1, 1};
  drag_ = RECT{};
  selection_ = RECT{};
  if (m_hWnd == nullptr) return;
  for (int bar : {SB_HORZ, SB_VERT}) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(bar, &info, TRUE);
    ShowScrollBar(bar, FALSE);
  }
  Invalidate(TRUE);
}

void ImageView::SetViewBackColor(COLORREF colour) {
  back_colour_ = colour;
  if (m_hWnd != nullptr) Invalidate(TRUE);
}

void ImageView::SetViewZoom(double percent) {
  zoom_ = percent * 0.01;
  zoomed_width_ = ZoomedLength(bitmap_width_, zoom_);
  zoomed_height_ = ZoomedLength(bitmap_height_, zoom_);
  if (m_hWnd != nullptr && bitmap_ != 0) {
    UpdateScrollBars();
    Invalidate(TRUE);
  }
}

void ImageView::BuildDibPalette() {
  if (!dib_) return;
  int count = dib_->colors;
  if (count == 0 && dib_->bpp <= 8) count = 1 << dib_->bpp;
  std::vector<uint8_t> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  if (count > 0 && dib_->bpp <= 8) {
    logical->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
      const COLORREF colour = dib_->PaletteColour(i);
      logical->palPalEntry[i] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    }
  } else {
    // A colour cube of 8 reds, 8 greens and 4 blues.
    logical->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      logical->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(32 * (i % 8)), static_cast<BYTE>(32 * ((i / 8) % 8)),
                                             static_cast<BYTE>(64 * (i / 64)), 0};
    }
  }
  palette_ = CreatePalette(logical);
}

bool ImageView::DrawDib(HDC dc, const RECT& source) {
  if (bitmap_ == 0 || source.right <= source.left || source.bottom <= source.top) return false;
  const RECT dest = ToClient(Zoomed(source));
  HPALETTE palette = ambient_palette_ != nullptr ? ambient_palette_ : palette_;
  return DrawDibStretched(dc, bitmap_, palette, dest, source) != FALSE;
}

// ---- Geometry ----------------------------------------------------------------------------------

POINT ImageView::ScrollOffset() const {
  if (m_hWnd == nullptr) return POINT{0, 0};
  return POINT{GetScrollPos(SB_HORZ) * scale_[0], GetScrollPos(SB_VERT) * scale_[1]};
}

RECT ImageView::Zoomed(const RECT& rect) const {
  // The bitmap's far edges are the zoomed size itself, which is never 0.
  const auto x = [&](LONG v) { return v == bitmap_width_ && v > 0 ? zoomed_width_ : Trunc(v * zoom_); };
  const auto y = [&](LONG v) { return v == bitmap_height_ && v > 0 ? zoomed_height_ : Trunc(v * zoom_); };
  return RECT{x(rect.left), y(rect.top), x(rect.right), y(rect.bottom)};
}

RECT ImageView::ToClient(const RECT& zoomed) const {
  const POINT offset = ScrollOffset();
  return RECT{zoomed.left - offset.x, zoomed.top - offset.y, zoomed.right - offset.x, zoomed.bottom - offset.y};
}

void ImageView::UpdateScrollBars() {
  if (is_laying_out_ || m_hWnd == nullptr) return;
  if (!has_bar_metrics_) {
    bar_width_ = GetSystemMetrics(SM_CXVSCROLL);
    bar_height_ = GetSystemMetrics(SM_CYHSCROLL);
    has_bar_metrics_ = true;
  }
  // The window's own style says which bars show now.
  is_shown_ = {(GetStyle() & WS_HSCROLL) != 0, (GetStyle() & WS_VSCROLL) != 0};
  RECT client{};
  GetClientRect(&client);
  // The client size as if no bar were shown.
  const int cx = client.right + (is_shown_[1] ? bar_width_ : 0);
  const int cy = client.bottom + (is_shown_[0] ? bar_height_ : 0);
  const int w = zoomed_width_;
  const int h = zoomed_height_;
  std::array<bool, 2> show{false, false};
  std::array<int64_t, 2> page{0, 0};
  std::array<int64_t, 2> range{0, 0};
  if ((w > cx && h > cy) || (w > cx && h <= cy && h > cy - bar_height_) || (w <= cx && h > cy && w > cx - bar_width_)) {
    show = {true, true};
    page = {std::abs(cx - bar_width_), std::abs(cy - bar_height_)};
    range = {w, h};
  } else if (w > cx && h <= cy - bar_height_) {
    show[0] = true;
    page[0] = cx;
    range[0] = w;
  } else if (h > cy && w <= cx - bar_width_) {
    show[1] = true;
    page[1] = cy;
    range[1] = h;
  }
  const POINT old_offset = ScrollOffset();
  is_laying_out_ = true;
  for (int axis = 0; axis < 2; ++axis) {
    scale_[axis] = ScrollScaleFor(range[axis]);
    range[axis] /= scale_[axis];
    page[axis] /= scale_[axis];
    max_pos_[axis] = static_cast<int>(range[axis] - page[axis]);
    const int bar = axis == 0 ? SB_HORZ : SB_VERT;
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMax = static_cast<int>(range[axis]);
    info.nPage = static_cast<UINT>(page[axis]);
    SetScrollInfo(bar, &info, TRUE);
    if (show[axis] != is_shown_[axis]) ShowScrollBar(bar, show[axis]);
    is_shown_[axis] = show[axis];
  }
  is_laying_out_ = false;
  // A range that shrank may have moved a position: the picture follows.
  const POINT offset = ScrollOffset();
  if (offset.x != old_offset.x || offset.y != old_offset.y) Invalidate(FALSE);
}

POINT ImageView::ScrollBy(int dx, int dy) {
  POINT moved{0, 0};
  const int deltas[2] = {dx, dy};
  for (int axis = 0; axis < 2; ++axis) {
    if (deltas[axis] == 0) continue;
    const int bar = axis == 0 ? SB_HORZ : SB_VERT;
    const int old_pos = GetScrollPos(bar);
    SetScrollPos(bar, old_pos + deltas[axis] / scale_[axis], TRUE);
    const int pixels = (GetScrollPos(bar) - old_pos) * scale_[axis];
    (axis == 0 ? moved.x : moved.y) = pixels;
  }
  if (moved.x != 0 || moved.y != 0) ScrollWindowEx(-moved.x, -moved.y, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  return moved;
}

void ImageView::ScrollView(int bar, UINT code, int thumb) {
  if (m_hWnd == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return;
  SCROLLINFO info;
  GetScrollInfo(bar, &info, SIF_ALL);
  const int p = info.nPos;
  const int g = static_cast<int>(info.nPage);
  const int m = info.nMax;
  int target = p;
  switch (code) {
    case SB_LINEUP: target = p - g / 16 < 1 ? 0 : p - std::max(1, g / 16); break;
    case SB_LINEDOWN: target = p + g / 16 >= m - g ? m - g + 1 : p + std::max(1, g / 16); break;
    case SB_PAGEUP: target = p - g < 1 ? 0 : p - std::max(1, g); break;
    case SB_PAGEDOWN: target = p + g >= m - g ? m - g + 1 : p + std::max(1, g); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: target = thumb; break;
    default: return;
  }
  const int axis = bar == SB_HORZ ? 0 : 1;
  SetScrollPos(bar, target, TRUE);
  const int pixels = (GetScrollPos(bar) - p) * scale_[axis];
  if (pixels != 0) {
    ScrollWindowEx(axis == 0 ? -pixels : 0, axis == 1 ? -pixels : 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  }
}

// ---- Painting ----------------------------------------------------------------------------------

void ImageView::OnPaint() {
  CPaintDC paint(this);
  const HDC dc = paint.m_hDC;
  const RECT update = paint.m_ps.rcPaint;
  const POINT offset = ScrollOffset();
  if (dib_ && zoom_ != 0.0) {
    // The whole source pixels under the update rectangle, drawn at their
    // exact zoomed places (the paint clip keeps the rest as it is).
    const double left = (update.left + offset.x) / zoom_;
    const double top = (update.top + offset.y) / zoom_;
    const double right = (update.right + offset.x) / zoom_;
    const double bottom = (update.bottom + offset.y) / zoom_;
    RECT source{static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)),
                static_cast<int>(std::ceil(right)), static_cast<int>(std::ceil(bottom))};
    source.left = std::clamp<LONG>(source.left, 0, bitmap_width_);
    source.top = std::clamp<LONG>(source.top, 0, bitmap_height_);
    source.right = std::clamp<LONG>(source.right, 0, bitmap_width_);
    source.bottom = std::clamp<LONG>(source.bottom, 0, bitmap_height_);
    DrawDib(dc, source);
  }
  // Beyond the image the background shows, also where the update came
  // without erasing (a new, smaller image; a scroll to the last position).
  const RECT image = ToClient(RECT{0, 0, dib_ ? zoomed_width_ : 0, dib_ ? zoomed_height_ : 0});
  const RECT beyond[2] = {{std::max(image.right, update.left), update.top, update.right, update.bottom},
                          {update.left, std::max(image.bottom, update.top), std::min(image.right, update.right), update.bottom}};
  for (const RECT& area : beyond) {
    if (area.right > area.left && area.bottom > area.top) paint.FillSolidRect(&area, back_colour_);
  }
  if (has_feedback_ && timer_ != 0) {
    // The auto-scroll repaint covered the frame: draw it afresh.
    has_feedback_ = false;
    DrawDragFeedback();
  }
  if (!IsAllZero(selection_)) DrawSelectionFrame(dc, Zoomed(selection_));
}

BOOL ImageView::OnEraseBkgnd(CDC* dc) {
  RECT client{};
  GetClientRect(&client);
  dc->FillSolidRect(&client, back_colour_);
  return TRUE;
}

void ImageView::DrawSelectionFrame(HDC dc, const RECT& zoomed) {
  const RECT frame = ToClient(Normalised(zoomed));
  HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HPEN old_pen = SelectObject(dc, pen);
  HBRUSH old_brush = SelectObject(dc, reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
  const COLORREF old_bk = SetBkColor(dc, RGB(255, 255, 255));
  const int old_mode = SetBkMode(dc, OPAQUE);
  const int old_rop = SetROP2(dc, R2_COPYPEN);
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  HBRUSH black = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  for (int index = 0; index < 8; ++index) {
    const RECT handle = GetHandleRect(frame, index);
    FillRect(dc, &handle, black);
  }
  SetROP2(dc, old_rop);
  SetBkMode(dc, old_mode);
  SetBkColor(dc, old_bk);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
}

void ImageView::DrawDragFeedback() {
  if (m_hWnd == nullptr) return;
  const RECT now = ToClient(Normalised(Zoomed(drag_)));
  CClientDC dc(this);
  const SIZE border{1, 1};
  dc.DrawDragRect(&now, border, has_feedback_ ? &feedback_ : nullptr, border);
  const bool had_feedback = has_feedback_;
  const RECT old = feedback_;
  feedback_ = now;
  has_feedback_ = true;
  if (!IsAllZero(selection_)) {
    RECT either{};
    UnionRect(&either, had_feedback ? &old : &now, &now);
    if (!IsRectEmpty(&either)) DrawSelectionFrame(dc.m_hDC, Zoomed(selection_));
  }
}

void ImageView::EraseDragFeedback() {
  if (!has_feedback_ || m_hWnd == nullptr) return;
  CClientDC dc(this);
  dc.DrawDragRect(nullptr, SIZE{0, 0}, &feedback_, SIZE{1, 1});
  has_feedback_ = false;
}

void ImageView::InvalidateFrame(const RECT& zoomed) {
  if (m_hWnd == nullptr) return;
  const RECT r = ToClient(Normalised(zoomed));
  const RECT strips[4] = {
      {r.left - kFrameReach, r.top - kFrameReach, r.right + kFrameReach, r.top + kFrameReach + 1},
      {r.left - kFrameReach, r.bottom - kFrameReach - 1, r.right + kFrameReach, r.bottom + kFrameReach},
      {r.left - kFrameReach, r.top - kFrameReach, r.left + kFrameReach + 1, r.bottom + kFrameReach},
      {r.right - kFrameReach - 1, r.top - kFrameReach, r.right + kFrameReach, r.bottom + kFrameReach},
  };
  for (const RECT& strip : strips) InvalidateRect(&strip, FALSE);
}

// ---- Palettes ----------------------------------------------------------------------------------

UINT ImageView::RealizeViewPalette(BOOL background) {
  HPALETTE palette = ambient_palette_ != nullptr ? ambient_palette_ : palette_;
  if (palette == nullptr || m_hWnd == nullptr) return 0;
  CClientDC dc(this);
  HPALETTE previous = SelectPalette(dc.m_hDC, palette, background);
  const UINT changed = RealizePalette(dc.m_hDC);
  SelectPalette(dc.m_hDC, previous, TRUE);
  if (changed > 0) Invalidate(FALSE);
  return changed;
}

void ImageView::OnPaletteChanged(CWnd* focus_wnd) {
  if (focus_wnd == nullptr || focus_wnd->m_hWnd != m_hWnd) RealizeViewPalette(TRUE);
}

BOOL ImageView::OnQueryNewPalette() { return RealizeViewPalette(FALSE) > 0 ? TRUE : FALSE; }

// ---- Input ---------------------------------------------------------------------------------------

void ImageView::Forward(UINT message, WPARAM wparam, LPARAM lparam) {
  if (owner_ != nullptr) {
    owner_->ForwardViewMessage(message, wparam, lparam);
  } else if (HWND parent = ::plat::GetParent(m_hWnd); parent != nullptr) {
    ::plat::SendMessage(parent, message, wparam, lparam);
  }
}

LRESULT ImageView::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    // Passed on before the view's own handling (the left button's down and
    // the mouse move in their handlers, the key down after its scrolling).
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      Forward(message, wparam, lparam);
      break;
    default: break;
  }
  return CWnd::WindowProc(message, wparam, lparam);
}

void ImageView::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (bitmap_ != 0) UpdateScrollBars();
}

void ImageView::OnHScroll(UINT code, UINT pos, CWnd* bar) {
  ScrollView(SB_HORZ, code, static_cast<int>(pos));
  CWnd::OnHScroll(code, pos, bar);
}

void ImageView::OnVScroll(UINT code, UINT pos, CWnd* bar) {
  ScrollView(SB_VERT, code, static_cast<int>(pos));
  CWnd::OnVScroll(code, pos, bar);
}

BOOL ImageView::OnSetCursor(CWnd* wnd, UINT hit_test, UINT message) {
  if (wnd != nullptr && wnd->m_hWnd == m_hWnd && hit_test == HTCLIENT && !IsAllZero(selection_)) {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(&point);
    const POINT offset = ScrollOffset();
    const int hit = HitTestSelection(POINT{point.x + offset.x, point.y + offset.y}, Zoomed(selection_));
    if (hit >= 0 && cursors_[static_cast<size_t>(hit)] != nullptr) {
      SetCursor(cursors_[static_cast<size_t>(hit)]);
      return TRUE;
    }
  }
  return CWnd::OnSetCursor(wnd, hit_test, message);
}

void ImageView::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  switch (key) {
    case VK_LEFT: ScrollView(SB_HORZ, SB_LINEUP, 0); break;
    case VK_RIGHT: ScrollView(SB_HORZ, SB_LINEDOWN, 0); break;
    case VK_UP: ScrollView(SB_VERT, SB_LINEUP, 0); break;
    case VK_DOWN: ScrollView(SB_VERT, SB_LINEDOWN, 0); break;
    default: break;
  }
  const MSG* current = GetCurrentMessage();
  Forward(WM_KEYDOWN, key, current != nullptr ? current->lParam : MAKELPARAM(static_cast<WORD>(repeat), static_cast<WORD>(flags)));
  CWnd::OnKeyDown(key, repeat, flags);
}

void ImageView::OnLButtonDown(UINT flags, CPoint point) {
  Forward(WM_LBUTTONDOWN, flags, MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
  if (bitmap_ == 0) return;
  const POINT offset = ScrollOffset();
  const POINT p{point.x + offset.x, point.y + offset.y};
  hit_ = HitTestSelection(p, Zoomed(selection_));
  if (IsAllZero(selection_)) hit_ = -1;
  if (hit_ >= 0 && hit_ <= 7) {
    drag_ = Normalised(selection_);
    mode_ = kDragging | kResizeSelection;
  } else if (hit_ == 8) {
    drag_ = Normalised(selection_);
    move_origin_ = drag_;
    last_drag_point_ = p;
    mode_ = kDragging | kMoveSelection;
  } else {
    RECT client{};
    GetClientRect(&client);
    const RECT visible{0, 0, std::min<LONG>(zoomed_width_ - offset.x, client.right),
                       std::min<LONG>(zoomed_height_ - offset.y, client.bottom)};
    if (zoom_ == 0.0 || !PtInRect(&visible, point)) return;
    const int x = Trunc(p.x / zoom_);
    const int y = Trunc(p.y / zoom_);
    drag_ = RECT{x, y, x, y};
    mode_ = kDragging | kNewSelection;
  }
  has_feedback_ = false;
  SetCapture();
}

void ImageView::FollowPoint(POINT p) {
  p.x = std::clamp<LONG>(p.x, 0, zoomed_width_);
  p.y = std::clamp<LONG>(p.y, 0, zoomed_height_);
  const int x = Trunc(p.x / zoom_);
  const int y = Trunc(p.y / zoom_);
  if ((mode_ & kNewSelection) != 0) {
    drag_.right = x;
    drag_.bottom = y;
    return;
  }
  switch (hit_) {
    case 0: drag_.left = x; drag_.top = y; break;
    case 1: drag_.top = y; break;
    case 2: drag_.right = x; drag_.top = y; break;
    case 3: drag_.right = x; break;
    case 4: drag_.right = x; drag_.bottom = y; break;
    case 5: drag_.bottom = y; break;
    case 6: drag_.left = x; drag_.bottom = y; break;
    case 7: drag_.left = x; break;
    default: break;
  }
}

void ImageView::MoveSelectionTo(POINT p) {
  // The rectangle follows the pointer's whole way since the press, in whole
  // bitmap pixels, and stays inside the image: a slow drag at a high zoom
  // moves it too, and nothing drifts at a low one.
  p.x = std::clamp<LONG>(p.x, 0, zoomed_width_);
  p.y = std::clamp<LONG>(p.y, 0, zoomed_height_);
  int dx = Trunc((p.x - last_drag_point_.x) / zoom_);
  int dy = Trunc((p.y - last_drag_point_.y) / zoom_);
  dx = std::clamp<int>(dx, -move_origin_.left, bitmap_width_ - move_origin_.right);
  dy = std::clamp<int>(dy, -move_origin_.top, bitmap_height_ - move_origin_.bottom);
  drag_ = move_origin_;
  OffsetRect(&drag_, dx, dy);
}

void ImageView::OnMouseMove(UINT flags, CPoint point) {
  const LPARAM original = MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
  if ((mode_ & kDragging) == 0 || zoom_ == 0.0) {
    Forward(WM_MOUSEMOVE, flags, original);
    return;
  }
  RECT client{};
  GetClientRect(&client);
  const POINT offset = ScrollOffset();
  // The pointer is held inside the visible part of the image.
  POINT held = point;
  const int right_limit = client.right < zoomed_width_ ? client.right - 1 : zoomed_width_;
  const int bottom_limit = client.bottom < zoomed_height_ ? client.bottom - 1 : zoomed_height_;
  held.x = std::clamp<LONG>(held.x, 0, std::max(0, right_limit));
  held.y = std::clamp<LONG>(held.y, 0, std::max(0, bottom_limit));
  if (held.x != point.x || held.y != point.y) {
    POINT screen = held;
    ClientToScreen(&screen);
    SetCursorPos(screen.x, screen.y);
  }
  // On an edge with more picture beyond it, auto-scroll takes over.
  const bool at_left = held.x <= 0 && offset.x > 0;
  const bool at_right = held.x >= client.right - 1 && client.right != zoomed_width_ - offset.x && client.right < zoomed_width_ - offset.x;
  const bool at_top = held.y <= 0 && offset.y > 0;
  const bool at_bottom = held.y >= client.bottom - 1 && client.bottom < zoomed_height_ - offset.y;
  if (at_left || at_right || at_top || at_bottom) {
    if (timer_ == 0) timer_ = SetTimer(kAutoScrollTimer, kAutoScrollMs);
    Forward(WM_MOUSEMOVE, flags, original);
    return;
  }
  const POINT p{held.x + offset.x, held.y + offset.y};
  if ((mode_ & kMoveSelection) != 0) {
    MoveSelectionTo(p);
  } else {
    FollowPoint(p);
  }
  DrawDragFeedback();
  if (owner_ != nullptr) owner_->NotifyDraggingRect(Normalised(drag_));
  Forward(WM_MOUSEMOVE, flags, original);
}

void ImageView::OnTimer(UINT_PTR id) {
  if (id != kAutoScrollTimer) {
    CWnd::OnTimer(id);
    return;
  }
  if ((mode_ & kDragging) == 0 || zoom_ == 0.0) {
    StopTimer();
    return;
  }
  RECT client{};
  GetClientRect(&client);
  POINT pointer{};
  GetCursorPos(&pointer);
  ScreenToClient(&pointer);
  const POINT offset = ScrollOffset();
  const int step = std::max(kMinAutoScrollStep, Trunc(zoom_));
  const RECT before = drag_;
  const RECT zoomed = Zoomed(drag_);
  const bool is_moving = (mode_ & kMoveSelection) != 0;
  int dx = 0;
  int dy = 0;
  if (pointer.x <= 0) {
    dx = -std::min(step, static_cast<int>(offset.x));
    if (is_moving) dx = std::max<int>(dx, -zoomed.left);
  } else if (pointer.x >= client.right - 1) {
    dx = std::min(step, std::max(0, zoomed_width_ - static_cast<int>(offset.x) - static_cast<int>(client.right)));
    if (is_moving) dx = std::min<int>(dx, zoomed_width_ - zoomed.right);
  }
  if (pointer.y <= 0) {
    dy = -std::min(step, static_cast<int>(offset.y));
    if (is_moving) dy = std::max<int>(dy, -zoomed.top);
  } else if (pointer.y >= client.bottom - 1) {
    dy = std::min(step, std::max(0, zoomed_height_ - static_cast<int>(offset.y) - static_cast<int>(client.bottom)));
    if (is_moving) dy = std::min<int>(dy, zoomed_height_ - zoomed.bottom);
  }
  EraseDragFeedback();
  const POINT moved = ScrollBy(dx, dy);
  const POINT now_offset = ScrollOffset();
  const POINT p{std::clamp<LONG>(pointer.x, 0, client.right - 1) + now_offset.x,
                std::clamp<LONG>(pointer.y, 0, client.bottom - 1) + now_offset.y};
  if (is_moving) {
    MoveSelectionTo(p);
  } else {
    FollowPoint(p);
  }
  const bool is_unchanged = EqualRect(&before, &drag_) != FALSE;
  if (moved.x == 0 && moved.y == 0 && (is_unchanged || is_moving)) {
    // Nothing left to scroll towards: the timer stops until the next edge.
    StopTimer();
    DrawDragFeedback();
  } else {
    Invalidate(FALSE);
    UpdateWindow();
    if (!has_feedback_) DrawDragFeedback();
  }
  if (owner_ != nullptr) owner_->NotifyDraggingRect(Normalised(drag_));
}

void ImageView::StopTimer() {
  if (timer_ != 0 && m_hWnd != nullptr) KillTimer(kAutoScrollTimer);
  timer_ = 0;
}

void ImageView::OnLButtonUp(UINT /*flags*/, CPoint /*point*/) {
  // Passed on to the parent by WindowProc already.
  if ((mode_ & kDragging) == 0) return;
  const RECT old_selection = selection_;
  const RECT dragged = Normalised(drag_);
  mode_ = 0;  // first: losing the capture below is not an abandoned drag
  StopTimer();
  EraseDragFeedback();
  if (GetCapture() == this) ReleaseCapture();
  InvalidateFrame(Zoomed(old_selection));
  drag_ = RECT{};
  hit_ = -1;
  if (dragged.left != dragged.right || dragged.top != dragged.bottom) {
    selection_ = dragged;
    InvalidateFrame(Zoomed(selection_));
    if (owner_ != nullptr) owner_->NotifyDraggedRect(selection_);
  } else {
    selection_ = RECT{};
    if (owner_ != nullptr) owner_->NotifyCancelDrag();
  }
}

void ImageView::OnCaptureChanged(CWnd* new_capture) {
  if ((mode_ & kDragging) != 0 && (new_capture == nullptr || new_capture->m_hWnd != m_hWnd)) AbandonDrag();
  CWnd::OnCaptureChanged(new_capture);
}

void ImageView::AbandonDrag() {
  if ((mode_ & kDragging) == 0) return;
  mode_ = 0;
  hit_ = -1;
  StopTimer();
  EraseDragFeedback();
  drag_ = RECT{};
  if (m_hWnd != nullptr && GetCapture() == this) ReleaseCapture();
  if (m_hWnd != nullptr) Invalidate(FALSE);
}

int ImageView::SetSelectionRect(const RECT& rect) {
  if (bitmap_ == 0) return qrvErrSequenceError;
  const RECT zoomed = Zoomed(rect);
  for (const LONG x : {zoomed.left, zoomed.right}) {
    if (x < 0 || x > zoomed_width_) return qrvErrInvalidRectValue;
  }
  for (const LONG y : {zoomed.top, zoomed.bottom}) {
    if (y < 0 || y > zoomed_height_) return qrvErrInvalidRectValue;
  }
  InvalidateFrame(Zoomed(selection_));
  selection_ = rect;
  InvalidateFrame(zoomed);
  if (owner_ != nullptr) owner_->NotifyDraggedRect(Normalised(zoomed));
  return 0;
}

}  // namespace ondavel
