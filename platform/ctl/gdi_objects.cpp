// The class library's drawing objects: owned handles, deleted on
// destruction after every CDC holding them has put its original back.
#include "plat/ctl/gdi_objects.h"

#include <unordered_map>

#include "gdi_registry.h"
#include "plat/ctl/dc.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace plat {

namespace gdi_registry {
namespace {

std::unordered_map<HGDIOBJ, CGdiObject*>& Owners() {
  static auto* owners = new std::unordered_map<HGDIOBJ, CGdiObject*>;
  return *owners;
}

}  // namespace

std::mutex& Lock() {
  static auto* lock = new std::mutex;
  return *lock;
}

void AddOwner(HGDIOBJ object, CGdiObject* owner) {
  std::lock_guard<std::mutex> hold(Lock());
  Owners()[object] = owner;
}

void RemoveOwner(HGDIOBJ object, const CGdiObject* owner) {
  std::lock_guard<std::mutex> hold(Lock());
  auto& owners = Owners();
  auto found = owners.find(object);
  if (found != owners.end() && found->second == owner) owners.erase(found);
}

CGdiObject* FindOwner(HGDIOBJ object) {
  auto& owners = Owners();
  auto found = owners.find(object);
  return found != owners.end() ? found->second : nullptr;
}

}  // namespace gdi_registry

CGdiObject::~CGdiObject() {
  if (m_hObject != nullptr && !is_borrowed_) DeleteObject();
  m_hObject = nullptr;
}

BOOL CGdiObject::Take(HGDIOBJ object) {
  if (object == nullptr) return FALSE;
  if (m_hObject != nullptr) {
    // One handle an object: a second creation is refused and its handle freed.
    ::plat::DeleteObject(object);
    return FALSE;
  }
  m_hObject = object;
  gdi_registry::AddOwner(object, this);
  return TRUE;
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (m_hObject != nullptr || object == nullptr || ::plat::GetObjectType(object) == 0) return FALSE;
  return Take(object);
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  if (object != nullptr && !is_borrowed_) gdi_registry::RemoveOwner(object, this);
  m_hObject = nullptr;
  return object;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr || is_borrowed_) return FALSE;
  CDC::DeselectEverywhere(m_hObject);
  if (!::plat::DeleteObject(m_hObject)) return FALSE;  // held elsewhere (a window's region, a raw selection)
  gdi_registry::RemoveOwner(m_hObject, this);
  m_hObject = nullptr;
  return TRUE;
}

BOOL CGdiObject::CreateStockObject(int index) { return Take(::plat::GetStockObject(index)); }

int CGdiObject::GetObject(int size, void* out) const { return ::plat::GetObject(m_hObject, size, out); }

DWORD CGdiObject::GetObjectType() const { return ::plat::GetObjectType(m_hObject); }

BOOL CGdiObject::UnrealizeObject() { return ::plat::UnrealizeObject(m_hObject); }

// ---- Pens and brushes --------------------------------------------------------------------

BOOL CPen::CreatePen(int style, int width, COLORREF colour) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreatePen(style, width, colour)));
}
BOOL CPen::CreatePenIndirect(const LOGPEN* pen) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreatePenIndirect(pen)));
}

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateSolidBrush(colour)));
}
BOOL CBrush::CreateHatchBrush(int hatch, COLORREF colour) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateHatchBrush(hatch, colour)));
}
BOOL CBrush::CreatePatternBrush(HBITMAP pattern) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreatePatternBrush(pattern)));
}
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateBrushIndirect(brush)));
}
BOOL CBrush::CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }

// ---- Fonts ----------------------------------------------------------------------------------

BOOL CFont::CreateFontIndirect(const LOGFONT* logfont) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateFontIndirect(logfont)));
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strike_out, BYTE charset, BYTE out_precision, BYTE clip_precision,
                       BYTE quality, BYTE pitch_and_family, const char* face) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateFont(height, width, escapement, orientation, weight, italic,
                                                           underline, strike_out, charset, out_precision,
                                                           clip_precision, quality, pitch_and_family, face)));
}

BOOL CFont::CreatePointFont(int tenths_of_point, const char* face, CDC* dc) {
  HDC screen = dc == nullptr ? ::plat::GetDC(nullptr) : nullptr;
  const int dpi = ::plat::GetDeviceCaps(dc != nullptr ? dc->m_hDC : screen, LOGPIXELSY);
  if (screen != nullptr) ::plat::ReleaseDC(nullptr, screen);
  LOGFONT logfont;
  // A negative height asks for the character height without the internal leading.
  logfont.lfHeight = -MulDiv(tenths_of_point, dpi > 0 ? dpi : 96, 720);
  logfont.lfFaceName = face != nullptr ? face : "";
  return CreateFontIndirect(&logfont);
}

// ---- Bitmaps ---------------------------------------------------------------------------------

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateBitmap(width, height, planes, bits_per_pixel, bits)));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Take(reinterpret_cast<HGDIOBJ>(
      ::plat::CreateCompatibleBitmap(dc != nullptr ? dc->m_hDC : nullptr, width, height)));
}
BOOL CBitmap::CreateDIBSection(CDC* dc, const BITMAPINFO* info, UINT usage, void** bits) {
  return Take(reinterpret_cast<HGDIOBJ>(
      ::plat::CreateDIBSection(dc != nullptr ? dc->m_hDC : nullptr, info, usage, bits, nullptr, 0)));
}
BOOL CBitmap::LoadBitmap(HINSTANCE instance, const char* name) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::LoadBitmap(instance, name)));
}
LONG CBitmap::GetBitmapBits(LONG bytes, void* out) const {
  return ::plat::GetBitmapBits(static_cast<HBITMAP>(*this), bytes, out);
}
LONG CBitmap::SetBitmapBits(DWORD bytes, const void* bits) {
  return ::plat::SetBitmapBits(static_cast<HBITMAP>(*this), bytes, bits);
}

// ---- Regions ---------------------------------------------------------------------------------

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateRectRgn(left, top, right, bottom)));
}
BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateRectRgnIndirect(rect)));
}
BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateEllipticRgn(left, top, right, bottom)));
}
BOOL CRgn::CreateEllipticRgnIndirect(const RECT* rect) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateEllipticRgnIndirect(rect)));
}
BOOL CRgn::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
  return Take(reinterpret_cast<HGDIOBJ>(
      ::plat::CreateRoundRectRgn(left, top, right, bottom, ellipse_width, ellipse_height)));
}
BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fill_mode) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreatePolygonRgn(points, count, fill_mode)));
}
int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
  return ::plat::CombineRgn(*this, a != nullptr ? static_cast<HRGN>(*a) : nullptr,
                            b != nullptr ? static_cast<HRGN>(*b) : nullptr, mode);
}
int CRgn::CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }
BOOL CRgn::SetRectRgn(int left, int top, int right, int bottom) {
  return ::plat::SetRectRgn(*this, left, top, right, bottom);
}
int CRgn::OffsetRgn(int dx, int dy) { return ::plat::OffsetRgn(*this, dx, dy); }
int CRgn::GetRgnBox(RECT* box) const { return ::plat::GetRgnBox(*this, box); }
BOOL CRgn::PtInRegion(int x, int y) const { return ::plat::PtInRegion(*this, x, y); }
BOOL CRgn::RectInRegion(const RECT* rect) const { return ::plat::RectInRegion(*this, rect); }
BOOL CRgn::EqualRgn(const CRgn* other) const {
  return other != nullptr ? ::plat::EqualRgn(*this, *other) : FALSE;
}

// ---- Palettes --------------------------------------------------------------------------------

BOOL CPalette::CreatePalette(const LOGPALETTE* palette) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreatePalette(palette)));
}
BOOL CPalette::CreateHalftonePalette(CDC* dc) {
  return Take(reinterpret_cast<HGDIOBJ>(::plat::CreateHalftonePalette(dc != nullptr ? dc->m_hDC : nullptr)));
}
int CPalette::GetEntryCount() const {
  return static_cast<int>(::plat::GetPaletteEntries(*this, 0, 0, nullptr));
}
UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const {
  if (out == nullptr) return 0;
  return ::plat::GetPaletteEntries(*this, start, count, out);
}
UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries) {
  return ::plat::SetPaletteEntries(*this, start, count, entries);
}
UINT CPalette::GetNearestPaletteIndex(COLORREF colour) const {
  return ::plat::GetNearestPaletteIndex(*this, colour);
}

}  // namespace plat
