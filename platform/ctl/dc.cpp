// Device contexts of the class library: selections tracked per kind so the
// originals go back before a context is released, views of the handles a
// caller did not make, and the drawing calls on the context.
#include "plat/ctl/dc.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "gdi_registry.h"
#include "plat/ctl/wnd.h"

namespace plat {
namespace {

// Which CDCs hold a handle selected (under gdi_registry::Lock()).
std::unordered_map<HGDIOBJ, std::vector<CDC*>>& Holders() {
  static auto* holders = new std::unordered_map<HGDIOBJ, std::vector<CDC*>>;
  return *holders;
}

void Track(HGDIOBJ object, CDC* dc) { Holders()[object].push_back(dc); }

void Untrack(HGDIOBJ object, CDC* dc) {
  auto& holders = Holders();
  auto found = holders.find(object);
  if (found == holders.end()) return;
  auto& dcs = found->second;
  auto at = std::find(dcs.begin(), dcs.end(), dc);
  if (at != dcs.end()) dcs.erase(at);
  if (dcs.empty()) holders.erase(found);
}

HGDIOBJ SelectRaw(HDC dc, HGDIOBJ object, bool is_palette, BOOL force_background) {
  if (is_palette) {
    return reinterpret_cast<HGDIOBJ>(
        ::plat::SelectPalette(dc, reinterpret_cast<HPALETTE>(object), force_background));
  }
  return ::plat::SelectObject(dc, object);
}

}  // namespace

CDC::CDC() = default;

CDC::~CDC() {
  if (m_hDC == nullptr) return;
  RestoreOriginalObjects();
  if (is_owned_) ::plat::DeleteDC(m_hDC);
  m_hDC = nullptr;
}

BOOL CDC::Attach(HDC dc) {
  if (m_hDC != nullptr || dc == nullptr) return FALSE;
  m_hDC = dc;
  is_owned_ = true;
  return TRUE;
}

void CDC::AttachBorrowed(HDC dc) {
  m_hDC = dc;
  is_owned_ = false;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  Forget();
  m_hDC = nullptr;
  is_owned_ = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC != nullptr) return FALSE;
  return Attach(::plat::CreateCompatibleDC(dc != nullptr ? dc->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr || !is_owned_) return FALSE;
  RestoreOriginalObjects();
  const BOOL result = ::plat::DeleteDC(m_hDC);
  m_hDC = nullptr;
  is_owned_ = false;
  return result;
}

void CDC::Forget() {
  std::lock_guard<std::mutex> hold(gdi_registry::Lock());
  for (int kind = 0; kind < kKindCount; ++kind) {
    if (current_[kind] != nullptr) Untrack(current_[kind], this);
    current_[kind] = nullptr;
    originals_[kind] = nullptr;
  }
}

void CDC::RestoreOriginalObjects() {
  if (m_hDC == nullptr) return;
  std::lock_guard<std::mutex> hold(gdi_registry::Lock());
  for (int kind = 0; kind < kKindCount; ++kind) {
    if (originals_[kind] != nullptr) SelectRaw(m_hDC, originals_[kind], kind == kPalette, TRUE);
    if (current_[kind] != nullptr) Untrack(current_[kind], this);
    current_[kind] = nullptr;
    originals_[kind] = nullptr;
  }
}

HGDIOBJ CDC::Select(Kind kind, HGDIOBJ object) {
  if (m_hDC == nullptr || object == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(gdi_registry::Lock());
  HGDIOBJ previous = SelectRaw(m_hDC, object, kind == kPalette, palette_background_);
  if (previous == nullptr) return nullptr;
  if (originals_[kind] == nullptr) originals_[kind] = previous;
  if (current_[kind] != nullptr) Untrack(current_[kind], this);
  current_[kind] = nullptr;
  if (object != originals_[kind]) {
    Track(object, this);
    current_[kind] = object;
  }
  return previous;
}

void CDC::DeselectEverywhere(HGDIOBJ object) {
  std::lock_guard<std::mutex> hold(gdi_registry::Lock());
  auto& holders = Holders();
  auto found = holders.find(object);
  if (found == holders.end()) return;
  const std::vector<CDC*> dcs = found->second;
  holders.erase(found);
  for (CDC* dc : dcs) {
    for (int kind = 0; kind < kKindCount; ++kind) {
      if (dc->current_[kind] != object) continue;
      SelectRaw(dc->m_hDC, dc->originals_[kind], kind == kPalette, TRUE);
      dc->current_[kind] = nullptr;
    }
  }
}

template <class T>
T* CDC::ViewOf(HGDIOBJ object) const {
  if (object == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> hold(gdi_registry::Lock());
    if (auto* own = dynamic_cast<T*>(gdi_registry::FindOwner(object))) return own;
  }
  auto& view = views_[object];
  if (auto* existing = dynamic_cast<T*>(view.get())) return existing;
  auto made = std::make_unique<T>();
  made->m_hObject = object;
  made->is_borrowed_ = true;
  T* result = made.get();
  view = std::move(made);
  return result;
}

// ---- Objects ---------------------------------------------------------------------------------

CPen* CDC::SelectObject(CPen* pen) {
  return pen != nullptr ? ViewOf<CPen>(Select(kPen, pen->m_hObject)) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return brush != nullptr ? ViewOf<CBrush>(Select(kBrush, brush->m_hObject)) : nullptr;
}
CFont* CDC::SelectObject(CFont* font) {
  return font != nullptr ? ViewOf<CFont>(Select(kFont, font->m_hObject)) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return bitmap != nullptr ? ViewOf<CBitmap>(Select(kBitmap, bitmap->m_hObject)) : nullptr;
}
int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }

CGdiObject* CDC::SelectStockObject(int index) {
  HGDIOBJ stock = ::plat::GetStockObject(index);
  switch (::plat::GetObjectType(stock)) {
    case OBJ_PEN: return ViewOf<CPen>(Select(kPen, stock));
    case OBJ_BRUSH: return ViewOf<CBrush>(Select(kBrush, stock));
    case OBJ_FONT: return ViewOf<CFont>(Select(kFont, stock));
    case OBJ_PAL: return ViewOf<CPalette>(Select(kPalette, stock));
    default: return nullptr;
  }
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL force_background) {
  if (palette == nullptr) return nullptr;
  palette_background_ = force_background;
  return ViewOf<CPalette>(Select(kPalette, palette->m_hObject));
}

UINT CDC::RealizePalette() { return ::plat::RealizePalette(m_hDC); }

CPen* CDC::GetCurrentPen() const { return ViewOf<CPen>(::plat::GetCurrentObject(m_hDC, OBJ_PEN)); }
CBrush* CDC::GetCurrentBrush() const { return ViewOf<CBrush>(::plat::GetCurrentObject(m_hDC, OBJ_BRUSH)); }
CFont* CDC::GetCurrentFont() const { return ViewOf<CFont>(::plat::GetCurrentObject(m_hDC, OBJ_FONT)); }
CBitmap* CDC::GetCurrentBitmap() const { return ViewOf<CBitmap>(::plat::GetCurrentObject(m_hDC, OBJ_BITMAP)); }

int CDC::SaveDC() { return ::plat::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int saved) { return ::plat::RestoreDC(m_hDC, saved); }
int CDC::GetDeviceCaps(int index) const { return ::plat::GetDeviceCaps(m_hDC, index); }

// ---- Attributes ---------------------------------------------------------------------------------

COLORREF CDC::SetTextColor(COLORREF colour) { return ::plat::SetTextColor(m_hDC, colour); }
COLORREF CDC::GetTextColor() const { return ::plat::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF colour) { return ::plat::SetBkColor(m_hDC, colour); }
COLORREF CDC::GetBkColor() const { return ::plat::GetBkColor(m_hDC); }
int CDC::SetBkMode(int mode) { return ::plat::SetBkMode(m_hDC, mode); }
int CDC::GetBkMode() const { return ::plat::GetBkMode(m_hDC); }
int CDC::SetROP2(int rop2) { return ::plat::SetROP2(m_hDC, rop2); }
int CDC::GetROP2() const { return ::plat::GetROP2(m_hDC); }
int CDC::SetPolyFillMode(int mode) { return ::plat::SetPolyFillMode(m_hDC, mode); }
int CDC::SetStretchBltMode(int mode) { return ::plat::SetStretchBltMode(m_hDC, mode); }
UINT CDC::SetTextAlign(UINT align) { return ::plat::SetTextAlign(m_hDC, align); }

CPoint CDC::SetBrushOrg(int x, int y) {
  POINT previous{};
  ::plat::SetBrushOrgEx(m_hDC, x, y, &previous);
  return previous;
}
CPoint CDC::SetViewportOrg(int x, int y) {
  POINT previous{};
  ::plat::SetViewportOrgEx(m_hDC, x, y, &previous);
  return previous;
}
CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT previous{};
  ::plat::OffsetViewportOrgEx(m_hDC, dx, dy, &previous);
  return previous;
}
CPoint CDC::GetViewportOrg() const {
  POINT origin{};
  ::plat::GetViewportOrgEx(m_hDC, &origin);
  return origin;
}
CPoint CDC::SetWindowOrg(int x, int y) {
  POINT previous{};
  ::plat::SetWindowOrgEx(m_hDC, x, y, &previous);
  return previous;
}
CPoint CDC::GetWindowOrg() const {
  POINT origin{};
  ::plat::GetWindowOrgEx(m_hDC, &origin);
  return origin;
}
void CDC::LPtoDP(POINT* points, int count) const { ::plat::LPtoDP(m_hDC, points, count); }
void CDC::LPtoDP(RECT* rect) const { ::plat::LPtoDP(m_hDC, reinterpret_cast<POINT*>(rect), 2); }
void CDC::DPtoLP(POINT* points, int count) const { ::plat::DPtoLP(m_hDC, points, count); }
void CDC::DPtoLP(RECT* rect) const { ::plat::DPtoLP(m_hDC, reinterpret_cast<POINT*>(rect), 2); }

// ---- Clipping -----------------------------------------------------------------------------------

int CDC::SelectClipRgn(CRgn* region) {
  return ::plat::SelectClipRgn(m_hDC, region != nullptr ? static_cast<HRGN>(*region) : nullptr);
}
int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  return ::plat::IntersectClipRect(m_hDC, left, top, right, bottom);
}
int CDC::IntersectClipRect(const RECT& rect) { return IntersectClipRect(rect.left, rect.top, rect.right, rect.bottom); }
int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  return ::plat::ExcludeClipRect(m_hDC, left, top, right, bottom);
}
int CDC::ExcludeClipRect(const RECT& rect) { return ExcludeClipRect(rect.left, rect.top, rect.right, rect.bottom); }
int CDC::GetClipBox(RECT* box) const { return ::plat::GetClipBox(m_hDC, box); }
BOOL CDC::PtVisible(int x, int y) const { return ::plat::PtVisible(m_hDC, x, y); }
BOOL CDC::RectVisible(const RECT* rect) const { return ::plat::RectVisible(m_hDC, rect); }

// ---- Lines and figures ------------------------------------------------------------------------------

CPoint CDC::MoveTo(int x, int y) {
  POINT previous{};
  ::plat::MoveToEx(m_hDC, x, y, &previous);
  return previous;
}
BOOL CDC::LineTo(int x, int y) { return ::plat::LineTo(m_hDC, x, y); }
BOOL CDC::Polyline(const POINT* points, int count) { return ::plat::Polyline(m_hDC, points, count); }
BOOL CDC::Polygon(const POINT* points, int count) { return ::plat::Polygon(m_hDC, points, count); }
BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  return ::plat::Rectangle(m_hDC, left, top, right, bottom);
}
BOOL CDC::Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
BOOL CDC::RoundRect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
  return ::plat::RoundRect(m_hDC, left, top, right, bottom, ellipse_width, ellipse_height);
}
BOOL CDC::Ellipse(int left, int top, int right, int bottom) { return ::plat::Ellipse(m_hDC, left, top, right, bottom); }
BOOL CDC::Ellipse(const RECT* rect) { return Ellipse(rect->left, rect->top, rect->right, rect->bottom); }
BOOL CDC::Arc(int left, int top, int right, int bottom, int x_start, int y_start, int x_end, int y_end) {
  return ::plat::Arc(m_hDC, left, top, right, bottom, x_start, y_start, x_end, y_end);
}
void CDC::FillRect(const RECT* rect, CBrush* brush) {
  if (brush != nullptr) ::plat::FillRect(m_hDC, rect, *brush);
}
void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
  // The DC brush: no object is made for a plain fill.
  const COLORREF previous = ::plat::SetDCBrushColor(m_hDC, colour);
  ::plat::FillRect(m_hDC, rect, reinterpret_cast<HBRUSH>(::plat::GetStockObject(DC_BRUSH)));
  ::plat::SetDCBrushColor(m_hDC, previous);
}
void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF colour) {
  const RECT rect{x, y, x + width, y + height};
  FillSolidRect(&rect, colour);
}
void CDC::FrameRect(const RECT* rect, CBrush* brush) {
  if (brush != nullptr) ::plat::FrameRect(m_hDC, rect, *brush);
}
void CDC::InvertRect(const RECT* rect) { ::plat::InvertRect(m_hDC, rect); }
void CDC::DrawFocusRect(const RECT* rect) { ::plat::DrawFocusRect(m_hDC, rect); }

void CDC::Draw3dRect(const RECT* rect, COLORREF top_left, COLORREF bottom_right) {
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, top_left, bottom_right);
}

void CDC::Draw3dRect(int x, int y, int width, int height, COLORREF top_left, COLORREF bottom_right) {
  FillSolidRect(x, y, width - 1, 1, top_left);
  FillSolidRect(x, y, 1, height - 1, top_left);
  FillSolidRect(x + width - 1, y, 1, height, bottom_right);
  FillSolidRect(x, y + height - 1, width, 1, bottom_right);
}

namespace {

// Inverts the frame of `rect` with border `size` through the selected brush;
// the four strips never overlap, so inverting twice restores every pixel.
void InvertFrame(HDC dc, const RECT& rect, SIZE size) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  const int sx = std::clamp<int>(size.cx, 0, width);
  const int sy = std::clamp<int>(size.cy, 0, height);
  if (2 * sy >= height || 2 * sx >= width) {
    ::plat::PatBlt(dc, rect.left, rect.top, width, height, PATINVERT);
    return;
  }
  ::plat::PatBlt(dc, rect.left, rect.top, width, sy, PATINVERT);
  ::plat::PatBlt(dc, rect.left, rect.bottom - sy, width, sy, PATINVERT);
  ::plat::PatBlt(dc, rect.left, rect.top + sy, sx, height - 2 * sy, PATINVERT);
  ::plat::PatBlt(dc, rect.right - sx, rect.top + sy, sx, height - 2 * sy, PATINVERT);
}

}  // namespace

void CDC::DrawDragRect(const RECT* rect, SIZE size, const RECT* last, SIZE last_size) {
  if (m_hDC == nullptr) return;
  // A 50 % checker: every other pixel of the frame is inverted.
  static constexpr BYTE kChecker[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
  CBitmap pattern;
  CBrush halftone;
  if (!pattern.CreateBitmap(8, 8, 1, 1, kChecker) || !halftone.CreatePatternBrush(pattern)) return;
  CBrush* previous = SelectObject(&halftone);
  if (last != nullptr) InvertFrame(m_hDC, *last, last_size);
  if (rect != nullptr) InvertFrame(m_hDC, *rect, size);
  SelectObject(previous);
}

BOOL CDC::FillRgn(CRgn* region, CBrush* brush) {
  return region != nullptr && brush != nullptr ? ::plat::FillRgn(m_hDC, *region, *brush) : FALSE;
}
BOOL CDC::FrameRgn(CRgn* region, CBrush* brush, int width, int height) {
  return region != nullptr && brush != nullptr ? ::plat::FrameRgn(m_hDC, *region, *brush, width, height) : FALSE;
}
BOOL CDC::InvertRgn(CRgn* region) { return region != nullptr ? ::plat::InvertRgn(m_hDC, *region) : FALSE; }
BOOL CDC::PaintRgn(CRgn* region) { return region != nullptr ? ::plat::PaintRgn(m_hDC, *region) : FALSE; }

// ---- Pixels and blits --------------------------------------------------------------------------------

COLORREF CDC::SetPixel(int x, int y, COLORREF colour) { return ::plat::SetPixel(m_hDC, x, y, colour); }
COLORREF CDC::GetPixel(int x, int y) const { return ::plat::GetPixel(m_hDC, x, y); }
BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int x_src, int y_src, DWORD rop) {
  return ::plat::BitBlt(m_hDC, x, y, width, height, src != nullptr ? src->m_hDC : nullptr, x_src, y_src, rop);
}
BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int x_src, int y_src, int width_src,
                     int height_src, DWORD rop) {
  return ::plat::StretchBlt(m_hDC, x, y, width, height, src != nullptr ? src->m_hDC : nullptr, x_src, y_src,
                            width_src, height_src, rop);
}
BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
  return ::plat::PatBlt(m_hDC, x, y, width, height, rop);
}
int CDC::StretchDIBits(int x, int y, int width, int height, int x_src, int y_src, int width_src, int height_src,
                       const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  return ::plat::StretchDIBits(m_hDC, x, y, width, height, x_src, y_src, width_src, height_src, bits, info, usage,
                               rop);
}
int CDC::SetDIBitsToDevice(int x, int y, DWORD width, DWORD height, int x_src, int y_src, UINT start_scan,
                           UINT scan_lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  return ::plat::SetDIBitsToDevice(m_hDC, x, y, width, height, x_src, y_src, start_scan, scan_lines, bits, info,
                                   usage);
}

// ---- Text ----------------------------------------------------------------------------------------------

BOOL CDC::TextOut(int x, int y, const char* text, int bytes) { return ::plat::TextOut(m_hDC, x, y, text, bytes); }
BOOL CDC::TextOut(int x, int y, const CString& text) {
  return TextOut(x, y, text.c_str(), static_cast<int>(text.size()));
}
BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, UINT bytes, const INT* dx) {
  return ::plat::ExtTextOut(m_hDC, x, y, options, rect, text, static_cast<int>(bytes), dx);
}
int CDC::DrawText(const char* text, int bytes, RECT* rect, UINT format) {
  return ::plat::DrawText(m_hDC, text, bytes, rect, format);
}
int CDC::DrawText(const CString& text, RECT* rect, UINT format) {
  return DrawText(text.c_str(), static_cast<int>(text.size()), rect, format);
}
CSize CDC::GetTextExtent(const char* text, int bytes) const {
  SIZE size{};
  ::plat::GetTextExtentPoint32(m_hDC, text, bytes, &size);
  return size;
}
CSize CDC::GetTextExtent(const CString& text) const {
  return GetTextExtent(text.c_str(), static_cast<int>(text.size()));
}
BOOL CDC::GetTextMetrics(TEXTMETRIC* metrics) const { return ::plat::GetTextMetrics(m_hDC, metrics); }

// ---- Window contexts -------------------------------------------------------------------------------------

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) {
  AttachBorrowed(::plat::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
  RestoreOriginalObjects();
  if (m_hDC != nullptr) ::plat::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) {
  AttachBorrowed(::plat::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
  RestoreOriginalObjects();
  if (m_hDC != nullptr) ::plat::ReleaseDC(m_hWnd, m_hDC);
  Detach();
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) {
  AttachBorrowed(::plat::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC() {
  RestoreOriginalObjects();
  if (m_hDC != nullptr) ::plat::ReleaseDC(m_hWnd, m_hDC);
  Detach();
}

}  // namespace plat
