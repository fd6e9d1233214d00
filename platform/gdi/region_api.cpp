// Region handles: creation from shapes, combination, tests, and region data
// in and out. Region data from outside is refused unless it is exactly one
// well-formed banded rectangle list of the size it claims.
#include <cstring>
#include <limits>

#include "gdi/dc_internal.h"
#include "plat/gdi_surface.h"

namespace plat {

using namespace gdi;

namespace {

constexpr DWORD kRegionHeaderBytes = sizeof(RGNDATAHEADER);
constexpr DWORD kRegionRectBytes = sizeof(RECT);

bool CheckPolygonCounts(const POINT* points, const INT* counts, int polygons) {
  if (points == nullptr || counts == nullptr || polygons < 1) return false;
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return false;
    total += counts[i];
    if (total > (int64_t{1} << 28)) return false;
  }
  return true;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return CreateRegionHandle(Region(NormalizedRect(RECT{left, top, right, bottom})));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return CreateRegionHandle(Region::Ellipse(RECT{left, top, right, bottom}));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
  return CreateRegionHandle(Region::RoundRect(RECT{left, top, right, bottom}, ellipse_width, ellipse_height));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fill_mode) {
  return CreatePolyPolygonRgn(points, &count, 1, fill_mode);
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fill_mode) {
  if (!CheckPolygonCounts(points, counts, polygons)) return nullptr;
  if (fill_mode != ALTERNATE && fill_mode != WINDING) return nullptr;
  return CreateRegionHandle(Region::Polygons(points, counts, polygons, fill_mode));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto out = FindRegion(dest);
  auto a = FindRegion(src1);
  if (!out || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    out->region = a->region;
    return out->region.Complexity();
  }
  auto b = FindRegion(src2);
  if (!b) return ERROR;
  out->region = Region::Combine(a->region, b->region, mode);
  return out->region.Complexity();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto object = FindRegion(region);
  if (!object) return FALSE;
  object->region = Region(NormalizedRect(RECT{left, top, right, bottom}));
  return TRUE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  auto object = FindRegion(region);
  if (!object) return ERROR;
  object->region.Offset(dx, dy);
  return object->region.Complexity();
}

int GetRgnBox(HRGN region, RECT* box) {
  auto object = FindRegion(region);
  if (!object || !box) return ERROR;
  *box = object->region.bounds();
  return object->region.Complexity();
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto object = FindRegion(region);
  return object && object->region.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  auto object = FindRegion(region);
  return object && rect && object->region.Intersects(NormalizedRect(*rect)) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = FindRegion(a), rb = FindRegion(b);
  if (!ra || !rb) return ERROR;
  return ra->region == rb->region ? TRUE : FALSE;
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* out) {
  auto object = FindRegion(region);
  if (!object) return 0;
  const std::vector<RECT>& rects = object->region.rects();
  const uint64_t needed = kRegionHeaderBytes + uint64_t{kRegionRectBytes} * rects.size();
  if (needed > std::numeric_limits<DWORD>::max()) return 0;
  if (size == 0 || out == nullptr) return static_cast<DWORD>(needed);
  if (size < needed) return 0;  // nothing written
  RGNDATAHEADER header{};
  header.dwSize = kRegionHeaderBytes;
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(rects.size());
  header.nRgnSize = static_cast<DWORD>(uint64_t{kRegionRectBytes} * rects.size());
  header.rcBound = object->region.bounds();
  auto* bytes = reinterpret_cast<BYTE*>(out);
  std::memcpy(bytes, &header, sizeof(header));
  if (!rects.empty()) std::memcpy(bytes + kRegionHeaderBytes, rects.data(), kRegionRectBytes * rects.size());
  return static_cast<DWORD>(needed);
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data) {
  if (transform != nullptr || data == nullptr || size < kRegionHeaderBytes) return nullptr;
  RGNDATAHEADER header;
  std::memcpy(&header, reinterpret_cast<const BYTE*>(data), sizeof(header));
  if (header.dwSize != kRegionHeaderBytes || header.iType != RDH_RECTANGLES) return nullptr;
  // nRgnSize is not trusted; the count must fit the size given, in 64 bits.
  if (uint64_t{header.nCount} > (uint64_t{size} - kRegionHeaderBytes) / kRegionRectBytes) return nullptr;
  std::vector<RECT> rects(header.nCount);
  if (header.nCount > 0) {
    std::memcpy(rects.data(), reinterpret_cast<const BYTE*>(data) + kRegionHeaderBytes,
                size_t{kRegionRectBytes} * header.nCount);
  }
  auto region = Region::FromBandedRects(rects.data(), rects.size());
  if (!region) return nullptr;
  return CreateRegionHandle(std::move(*region));
}

// --- Rectangles --------------------------------------------------------------

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }
BOOL CopyRect(RECT* dest, const RECT* src) {
  if (!dest || !src) return FALSE;
  *dest = *src;
  return TRUE;
}
BOOL IsRectEmpty(const RECT* rect) { return !rect || IsEmptyRect(*rect) ? TRUE : FALSE; }
BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left -= dx, rect->right += dx, rect->top -= dy, rect->bottom += dy;
  return TRUE;
}
BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left += dx, rect->right += dx, rect->top += dy, rect->bottom += dy;
  return TRUE;
}
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  *dest = IntersectRects(*a, *b);
  return IsEmptyRect(*dest) ? FALSE : TRUE;
}
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  if (IsEmptyRect(*a)) {
    *dest = IsEmptyRect(*b) ? RECT{} : *b;
  } else if (IsEmptyRect(*b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  }
  return IsEmptyRect(*dest) ? FALSE : TRUE;
}
BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  *dest = *a;
  const RECT i = IntersectRects(*a, *b);
  if (!IsEmptyRect(i)) {
    // Only a cut across a whole side shrinks the rectangle.
    if (i.top == a->top && i.bottom == a->bottom) {
      if (i.left == a->left) dest->left = i.right;
      else if (i.right == a->right) dest->right = i.left;
    } else if (i.left == a->left && i.right == a->right) {
      if (i.top == a->top) dest->top = i.bottom;
      else if (i.bottom == a->bottom) dest->bottom = i.top;
    }
  }
  if (IsEmptyRect(*dest)) {
    *dest = RECT{};
    return FALSE;
  }
  return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL PtInRect(const RECT* rect, POINT p) {
  return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

}  // namespace plat
