// The thumbnail list: owned items, the grid layout with vertical scrolling,
// hit testing, cell drawing in parts, the focus frame, and selection by
// mouse and keyboard in its two modes.
#include "thumbnail_list.h"

#include <algorithm>
#include <cstdio>

#include "dib_drawing.h"
#include "plat/ctl/dc.h"
#include "plat/font.h"
#include "plat/gdi.h"
#include "plat/text.h"

namespace ondavel {

using namespace plat;

namespace {

constexpr int kCellInset = 2;      // the cell's outer ring, not part of any hit
constexpr int kCaptionInset = 6;   // caption and picture from the inner rectangle's sides
constexpr int kCaptionGap = 3;     // above the caption, and between caption and picture
constexpr int kFallbackFontPoints = 9;
constexpr char kFallbackFontName[] = "ＭＳ Ｐゴシック";

RECT Shrunk(RECT rect, int by) {
  InflateRect(&rect, -by, -by);
  return rect;
}

// Whether two rectangles meet, edges included.
bool Touches(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

UINT ThumbSelChangeMessage() {
  static const UINT message = RegisterWindowMessage("Qrvc_Thumb_SelChangeMsg");
  return message;
}

UINT ThumbItemDblclkMessage() {
  static const UINT message = RegisterWindowMessage("Qrvc_Thumb_ItemDblclkMsg");
  return message;
}

ThumbnailList::ThumbnailList() : background_(GetSysColor(COLOR_APPWORKSPACE)) {
  font_ = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (font_ == nullptr) {
    HDC screen = GetDC(nullptr);
    LOGFONT logical{};
    logical.lfHeight = -MulDiv(kFallbackFontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
    logical.lfFaceName = kFallbackFontName;
    ReleaseDC(nullptr, screen);
    font_ = CreateFontIndirect(&logical);
    owns_font_ = font_ != nullptr;
  }
  HDC screen = GetDC(nullptr);
  HFONT previous = SelectObject(screen, font_);
  TEXTMETRIC metrics{};
  GetTextMetrics(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  caption_height_ = metrics.tmHeight + metrics.tmExternalLeading;
}

ThumbnailList::~ThumbnailList() {
  if (m_hWnd != nullptr) DestroyWindow();
  RemoveAllThumbnails();
  if (owns_font_) DeleteObject(font_);
}

BOOL ThumbnailList::Create(CWnd* parent, UINT id) {
  ThumbSelChangeMessage();
  ThumbItemDblclkMessage();
  if (!RegisterNamedClass(kThumbnailListClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                          LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)), GetSysColorBrush(COLOR_BTNFACE))) {
    return FALSE;
  }
  return CreateEx(WS_EX_CLIENTEDGE, kThumbnailListClass, kThumbnailListName, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0},
                  parent, id);
}

// ---- Items ---------------------------------------------------------------------------------------

int ThumbnailList::AddThumbnail(HGLOBAL bitmap, const char* text) {
  auto item = std::make_unique<ThumbnailItem>();
  item->text = text != nullptr ? text : "";
  item->bitmap = bitmap;
  int32_t width = 0;
  int32_t height = 0;
  if (bitmap != 0 && GetDibDimensions(bitmap, &width, &height)) {
    item->width = width;
    item->height = height;
  }
  items_.push_back(std::move(item));
  const int index = GetCount() - 1;
  if (m_hWnd != nullptr) {
    Layout();
    InvalidateItem(index, TRUE);
  }
  return index;
}

void ThumbnailList::RemoveAllThumbnails() {
  for (auto& item : items_) {
    if (item->bitmap != 0) GlobalFree(item->bitmap);
    item->bitmap = 0;
  }
  items_.clear();
  selection_.clear();
  focus_ = 0;
  if (m_hWnd != nullptr) {
    Layout();
    Invalidate(TRUE);
  }
}

void ThumbnailList::SetThumbnailSize(int width, int height) {
  picture_width_ = std::max(1, width);
  picture_height_ = std::max(1, height);
  if (m_hWnd != nullptr) {
    Layout();
    Invalidate(TRUE);
  }
}

void ThumbnailList::ClearSelection() {
  if (selection_.empty()) return;
  for (int index : selection_) items_[static_cast<size_t>(index)]->is_selected = FALSE;
  selection_.clear();
  if (m_hWnd != nullptr) {
    DrawFocusFrame(true);
    Invalidate(FALSE);
  }
}

void ThumbnailList::SetSelectionMode(int mode) {
  ClearSelection();
  mode_ = mode;
}

void ThumbnailList::SetSelectionLimit(int limit) {
  ClearSelection();
  limit_ = limit;
}

void ThumbnailList::SetSelected(int index, bool is_selected) {
  items_[static_cast<size_t>(index)]->is_selected = is_selected ? TRUE : FALSE;
  const auto at = std::lower_bound(selection_.begin(), selection_.end(), index);
  const bool is_listed = at != selection_.end() && *at == index;
  if (is_selected && !is_listed) selection_.insert(at, index);
  if (!is_selected && is_listed) selection_.erase(at);
}

BOOL ThumbnailList::SelectThumbnail(int index, BOOL select) {
  if (index < 0 || index >= GetCount()) return FALSE;
  const bool was_selected = IsThumbnailSelected(index) != FALSE;
  if (mode_ == 0) {
    MoveFocus(index);
    if (select) {
      const int previous = GetSelectedThumbnail(0);
      if (previous >= 0 && previous != index) {
        SetSelected(previous, false);
        RepaintItem(previous, 2);
      }
    }
  } else if (select && !was_selected && limit_ >= 0 && GetSelectedCount() >= limit_) {
    return FALSE;
  }
  SetSelected(index, select != FALSE);
  if (was_selected != (select != FALSE)) RepaintItem(index, 2);
  return TRUE;
}

int ThumbnailList::GetSelectedThumbnail(int n) const {
  return n >= 0 && n < GetSelectedCount() ? selection_[static_cast<size_t>(n)] : -1;
}

BOOL ThumbnailList::IsThumbnailSelected(int index) const {
  return index >= 0 && index < GetCount() && items_[static_cast<size_t>(index)]->is_selected ? TRUE : FALSE;
}

CSize ThumbnailList::CalcListWindowSize(int rows, int columns, BOOL with_scroll_bar) const {
  const int bar = with_scroll_bar ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  return CSize(columns * cell_width() + bar, rows * cell_height());
}

void ThumbnailList::Notify(UINT message, int index) {
  HWND parent = ::plat::GetParent(m_hWnd);
  if (parent == nullptr) return;
  ::plat::SendMessage(parent, message, static_cast<WORD>(GetDlgCtrlID()), index);
}

void ThumbnailList::ClickThumbnail(int index) {
  if (index < 0 || index >= GetCount()) return;
  bool is_changed = false;
  if (mode_ == 0) {
    const int previous = GetSelectedThumbnail(0);
    if (previous >= 0 && previous != index) {
      SetSelected(previous, false);
      RepaintItem(previous, 2);
    }
    if (!IsThumbnailSelected(index)) {
      SetSelected(index, true);
      is_changed = true;
    }
  } else if (!IsThumbnailSelected(index)) {
    if (limit_ >= 0 && GetSelectedCount() >= limit_) {
      MessageBeep(MB_ICONEXCLAMATION);
      return;
    }
    SetSelected(index, true);
    is_changed = true;
  } else {
    SetSelected(index, false);
    is_changed = true;
  }
  if (!is_changed) return;
  Notify(ThumbSelChangeMessage(), index);
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) RepaintItem(index, 2);
}

// ---- Layout ------------------------------------------------------------------------------------

void ThumbnailList::Layout() {
  if (m_hWnd == nullptr) return;
  RECT client{};
  GetClientRect(&client);
  const DWORD style = GetStyle();
  const int bar_width = GetSystemMetrics(SM_CXVSCROLL);
  const int width = client.right + ((style & WS_VSCROLL) != 0 ? bar_width : 0);
  const int height = client.bottom + ((style & WS_HSCROLL) != 0 ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  columns_ = std::max(1, width / cell_width());
  rows_ = std::max(1, height / cell_height());
  if (rows_ * columns_ < GetCount()) columns_ = std::max(1, (width - bar_width) / cell_width());
  UpdateScrollBar();
}

void ThumbnailList::UpdateScrollBar() {
  if (is_laying_out_) return;
  is_laying_out_ = true;
  if (rows_ * columns_ < GetCount()) {
    ShowScrollBar(SB_HORZ, FALSE);
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMax = (GetCount() + columns_ - 1) / columns_ - 1;
    info.nPage = static_cast<UINT>(rows_);
    SetScrollInfo(SB_VERT, &info, TRUE);
    ShowScrollBar(SB_VERT, TRUE);
  } else {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(SB_VERT, &info, FALSE);
    ShowScrollBar(SB_BOTH, FALSE);
  }
  is_laying_out_ = false;
}

int ThumbnailList::FirstVisible() const {
  if (items_.empty()) return -1;
  const int pos = m_hWnd != nullptr && (GetStyle() & WS_VSCROLL) != 0 ? GetScrollPos(SB_VERT) : 0;
  return pos * columns_;
}

bool ThumbnailList::IsVisible(int index) const {
  const int first = FirstVisible();
  return first >= 0 && index >= first && index <= first + rows_ * columns_ - 1 && index < GetCount();
}

RECT ThumbnailList::CellRect(int index) const {
  if (!IsVisible(index) || columns_ <= 0) return RECT{};
  const int offset = index - FirstVisible();
  const int x = (offset % columns_) * cell_width();
  const int y = (offset / columns_) * cell_height();
  return RECT{x, y, x + cell_width(), y + cell_height()};
}

RECT ThumbnailList::CaptionRect(const RECT& cell) const {
  const RECT inner = Shrunk(cell, kCellInset);
  const int top = inner.top + kCaptionGap;
  return RECT{inner.left + kCaptionInset, top, inner.right - kCaptionInset, top + caption_height_};
}

RECT ThumbnailList::PictureRect(int index, const RECT& cell) const {
  const ThumbnailItem& thumb = item(index);
  if (thumb.width <= 0 || thumb.height <= 0) return RECT{};
  int w = thumb.width;
  int h = thumb.height;
  if (w > picture_width_ || h > picture_height_) {
    // Pictures are made smaller to fit, never larger.
    const double scale = std::min(static_cast<double>(picture_width_) / w, static_cast<double>(picture_height_) / h);
    w = static_cast<int>(w * scale);
    h = static_cast<int>(h * scale);
  }
  const RECT inner = Shrunk(cell, kCellInset);
  const int left = inner.left + kCaptionInset + (picture_width_ - w) / 2;
  const int top = CaptionRect(cell).bottom + kCaptionGap + (picture_height_ - h) / 2;
  return RECT{left, top, left + w, top + h};
}

int ThumbnailList::HitTest(POINT point) const {
  if (point.x < 0 || point.y < 0 || columns_ <= 0) return -1;
  const int row = point.y / cell_height();
  const int column = point.x / cell_width();
  if (row >= rows_ || column >= columns_) return -1;
  const int first = FirstVisible();
  if (first < 0) return -1;
  const int index = first + row * columns_ + column;
  if (index >= GetCount()) return -1;
  const RECT inside = Shrunk(CellRect(index), kCellInset);
  return PtInRect(&inside, point) ? index : -1;
}

// ---- Drawing -------------------------------------------------------------------------------------

void ThumbnailList::DrawItem(HDC dc, int index, const RECT& cell, int mask) {
  const ThumbnailItem& thumb = item(index);
  RECT inner = Shrunk(cell, kCellInset);
  if ((mask & 1) != 0) DrawEdge(dc, &inner, EDGE_RAISED, BF_RECT);
  const RECT face = Shrunk(inner, 2);
  const RECT picture = PictureRect(index, cell);
  const bool has_picture = !IsRectEmpty(&picture);
  const bool is_selected = thumb.is_selected != FALSE;
  if ((mask & 3) != 0) {
    HBRUSH brush = GetSysColorBrush(is_selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    if (!has_picture) {
      FillRect(dc, &face, brush);
    } else {
      // Around the picture and its one-pixel frame only.
      const RECT bands[4] = {
          {face.left, face.top, face.right, picture.top - 1},
          {face.left, picture.bottom + 1, face.right, face.bottom},
          {face.left, picture.top - 1, picture.left - 1, picture.bottom + 1},
          {picture.right + 1, picture.top - 1, face.right, picture.bottom + 1},
      };
      for (const RECT& band : bands) FillRect(dc, &band, brush);
    }
  }
  if (mask != 0) {
    char caption[16];
    const int length = std::snprintf(caption, sizeof(caption), "%d", index + 1);
    RECT area = CaptionRect(cell);
    HFONT previous_font = SelectObject(dc, font_);
    const COLORREF previous_text = SetTextColor(dc, GetSysColor(is_selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    const COLORREF previous_back = SetBkColor(dc, GetSysColor(is_selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    const int previous_mode = SetBkMode(dc, OPAQUE);
    plat::DrawText(dc, caption, length, &area, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SetBkMode(dc, previous_mode);
    SetBkColor(dc, previous_back);
    SetTextColor(dc, previous_text);
    SelectObject(dc, previous_font);
  }
  if ((mask & 1) != 0 && has_picture) {
    RECT frame = Shrunk(picture, -1);
    CDC view;
    view.Attach(dc);
    view.Draw3dRect(&frame, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    view.Detach();
    // Reduced pictures are averaged, not AND-combined into darkness.
    const int previous_stretch = SetStretchBltMode(dc, HALFTONE);
    DrawDib(dc, thumb.bitmap, nullptr, picture);
    SetStretchBltMode(dc, previous_stretch);
  }
}

void ThumbnailList::RepaintItem(int index, int mask) {
  if (m_hWnd == nullptr || !IsVisible(index)) return;
  CClientDC dc(this);
  DrawItem(dc.m_hDC, index, CellRect(index), mask);
  if (index == focus_) DrawFocusFrame(true);
}

void ThumbnailList::InvalidateItem(int index, BOOL erase) {
  if (m_hWnd == nullptr || !IsVisible(index)) return;
  const RECT cell = CellRect(index);
  InvalidateRect(&cell, erase);
}

void ThumbnailList::DrawFocusFrame(bool is_shown) {
  if (m_hWnd == nullptr || !IsVisible(focus_)) return;
  CClientDC dc(this);
  const RECT cell = CellRect(focus_);
  HBRUSH brush = is_shown ? GetSysColorBrush(COLOR_HIGHLIGHT) : CreateSolidBrush(background_);
  FrameRect(dc.m_hDC, &cell, brush);
  if (!is_shown) DeleteObject(brush);
}

void ThumbnailList::MoveFocus(int index) {
  if (index == focus_) {
    DrawFocusFrame(true);
    return;
  }
  DrawFocusFrame(false);
  focus_ = index;
  DrawFocusFrame(true);
}

void ThumbnailList::OnPaint() {
  CPaintDC paint(this);
  const RECT update = paint.m_ps.rcPaint;
  const int first = FirstVisible();
  if (first >= 0) {
    for (int index = first; index < GetCount() && index <= first + rows_ * columns_ - 1; ++index) {
      const RECT cell = CellRect(index);
      if (Touches(cell, update)) DrawItem(paint.m_hDC, index, cell, 3);
    }
    if (IsVisible(focus_)) {
      const RECT cell = CellRect(focus_);
      FrameRect(paint.m_hDC, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
  }
}

BOOL ThumbnailList::OnEraseBkgnd(CDC* dc) {
  RECT client{};
  GetClientRect(&client);
  dc->FillSolidRect(&client, background_);
  return TRUE;
}

// ---- Input and scrolling -------------------------------------------------------------------------

void ThumbnailList::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  Layout();
}

void ThumbnailList::ScrollRows(int rows) {
  if ((GetStyle() & WS_VSCROLL) == 0 || rows == 0) return;
  SCROLLINFO info;
  GetScrollInfo(SB_VERT, &info, SIF_ALL);
  const int limit = std::max(0, info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0));
  const int target = std::clamp(info.nPos + rows, 0, limit);
  const int change = target - info.nPos;
  if (change == 0) return;
  const RECT area{0, 0, columns_ * cell_width(), rows_ * cell_height()};
  ScrollWindowEx(0, -change * cell_height(), &area, &area, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  SetScrollPos(SB_VERT, target, TRUE);
}

void ThumbnailList::OnVScroll(UINT code, UINT pos, CWnd* bar) {
  const int current = (GetStyle() & WS_VSCROLL) != 0 ? GetScrollPos(SB_VERT) : 0;
  switch (code) {
    case SB_LINEUP: ScrollRows(-1); break;
    case SB_LINEDOWN: ScrollRows(1); break;
    case SB_PAGEUP: ScrollRows(-rows_); break;
    case SB_PAGEDOWN: ScrollRows(rows_); break;
    case SB_THUMBTRACK: ScrollRows(static_cast<int>(pos) - current); break;
    case SB_TOP: ScrollRows(-current); break;
    case SB_BOTTOM: ScrollRows(GetCount()); break;
    default: break;
  }
  (void)bar;
}

void ThumbnailList::OnHScroll(UINT code, UINT pos, CWnd* bar) { OnVScroll(code, pos, bar); }

void ThumbnailList::OnLButtonDown(UINT flags, CPoint point) {
  const int index = HitTest(point);
  if (index >= 0) {
    MoveFocus(index);
    ClickThumbnail(index);
  }
  if (m_hWnd != nullptr) CWnd::OnLButtonDown(flags, point);
}

void ThumbnailList::OnLButtonDblClk(UINT flags, CPoint point) {
  const int index = HitTest(point);
  if (index >= 0) Notify(ThumbItemDblclkMessage(), index);
  if (m_hWnd != nullptr) CWnd::OnLButtonDblClk(flags, point);
}

int ThumbnailList::OnMouseActivate(CWnd* top_level, UINT hit_test, UINT message) {
  const int answer = CWnd::OnMouseActivate(top_level, hit_test, message);
  if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT) SetFocus();
  return answer;
}

void ThumbnailList::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (items_.empty()) {
    CWnd::OnKeyDown(key, repeat, flags);
    return;
  }
  const int f = focus_;
  const int last = GetCount() - 1;
  const int page = rows_ * columns_;
  const bool stays = mode_ == 0 && !IsThumbnailSelected(f);
  int target = f;
  switch (key) {
    case VK_SPACE: ClickThumbnail(f); return;
    case VK_PRIOR: target = std::clamp(f - page, 0, last); break;
    case VK_NEXT: target = std::clamp(f + page, 0, last); break;
    case VK_END: target = last; break;
    case VK_HOME: target = 0; break;
    case VK_LEFT: target = stays ? f : std::max(f - 1, 0); break;
    case VK_UP: target = stays ? f : (f > columns_ - 1 ? f - columns_ : f); break;
    case VK_RIGHT: target = stays ? f : std::min(f + 1, last); break;
    case VK_DOWN: target = stays ? f : (f < (last / columns_) * columns_ ? std::min(f + columns_, last) : f); break;
    default: CWnd::OnKeyDown(key, repeat, flags); return;
  }
  const bool was_visible = IsVisible(f);
  const int first = FirstVisible();
  MoveFocus(target);
  if (!IsVisible(target)) {
    int base = first / columns_;
    if (was_visible) {
      base = f / columns_;
    } else if (target > first) {
      base = first / columns_ + rows_ - 1;
    }
    ScrollRows(target / columns_ - base);
    DrawFocusFrame(true);
  }
  if (mode_ == 0) ClickThumbnail(target);
}

UINT ThumbnailList::RealizeHalftone(BOOL background) {
  const UINT changed = RealizeDibPalette(m_hWnd, nullptr, background);
  if (changed > 0) {
    DrawFocusFrame(true);
    Invalidate(FALSE);
  }
  return changed;
}

BOOL ThumbnailList::OnQueryNewPalette() { return static_cast<BOOL>(RealizeHalftone(FALSE)); }

void ThumbnailList::OnPaletteChanged(CWnd* focus_wnd) {
  if (focus_wnd == nullptr || focus_wnd->m_hWnd != m_hWnd) RealizeHalftone(TRUE);
}

}  // namespace ondavel
