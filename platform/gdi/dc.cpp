// Device contexts: creation, the state stack, colours and modes, object
// selection and clipping. A memory DC draws into its selected bitmap and
// starts with the shared 1×1 monochrome one.
#include <algorithm>
#include <atomic>

#include "gdi/dc_internal.h"
#include "gdi/pixel.h"
#include "plat/gdi_surface.h"
#include "plat/handle_table.h"

namespace plat::gdi {

namespace {

using DcHandles = Handles<DeviceContext, HandleKind::kDeviceContext>;

std::atomic<int64_t> g_live_dcs{0};
std::atomic<int> g_reported_bpp{32};
std::atomic<int> g_screen_width{1024};
std::atomic<int> g_screen_height{768};

HDC NewDc(DcKind kind, std::shared_ptr<Surface> surface, std::shared_ptr<GdiObject> bitmap) {
  auto dc = std::make_shared<DeviceContext>();
  dc->kind = kind;
  dc->surface = std::move(surface);
  dc->state.pen = Selection(StockObject(BLACK_PEN));
  dc->state.brush = Selection(StockObject(WHITE_BRUSH));
  dc->state.palette = Selection(StockObject(DEFAULT_PALETTE));
  if (auto font = DefaultFont()) dc->state.font = Selection(font);
  if (bitmap) dc->state.bitmap = Selection(std::move(bitmap));
  const uint32_t id = DcHandles::Insert(dc);
  if (id == 0) return nullptr;
  dc->id = id;
  ++g_live_dcs;
  return HandleFromId<HDC>(id);
}

// The whole device in device coordinates: the surface less the DC's offset.
Region DeviceArea(const DeviceContext& dc) {
  if (!dc.surface) return Region();
  RECT area = dc.surface->Bounds();
  area.left -= dc.offset.x, area.right -= dc.offset.x;
  area.top -= dc.offset.y, area.bottom -= dc.offset.y;
  return Region(area);
}

RECT LogicalToDeviceRect(const DeviceContext& dc, int left, int top, int right, int bottom) {
  const POINT a = dc.ToDevice(left, top), b = dc.ToDevice(right, bottom);
  return NormalizedRect(RECT{a.x, a.y, b.x, b.y});
}

int SetClip(DeviceContext& dc, std::optional<Region> clip) {
  dc.state.clip = std::move(clip);
  dc.ClipChanged();
  return dc.Clip().Complexity();
}

}  // namespace

int64_t LiveDcCount() { return g_live_dcs.load(); }

void SetReportedBitsPerPixel(int bpp) { g_reported_bpp = bpp; }
void SetScreenSize(int width, int height) {
  g_screen_width = width;
  g_screen_height = height;
}

const Region& DeviceContext::Clip() const {
  if (!clip_cache_) {
    Region clip = surface ? Region(surface->Bounds()) : Region();
    if (visible) clip = Region::Combine(clip, *visible, RGN_AND);
    if (state.clip) {
      Region user = *state.clip;
      user.Offset(offset.x, offset.y);
      clip = Region::Combine(clip, user, RGN_AND);
    }
    clip_cache_ = std::move(clip);
  }
  return *clip_cache_;
}

std::shared_ptr<DeviceContext> FindDc(HDC dc) { return DcHandles::Find(HandleId(dc)); }

std::shared_ptr<DeviceContext> DrawableDc(HDC handle) {
  auto dc = FindDc(handle);
  if (!dc || !dc->surface) return nullptr;
  return dc;
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, DcKind kind) {
  if (!surface) return nullptr;
  return NewDc(kind, std::move(surface), nullptr);
}

Region ToSurface(const DeviceContext& dc, Region region) {
  const POINT shift = dc.ToSurface(0, 0);
  region.Offset(shift.x, shift.y);
  return region;
}

}  // namespace plat::gdi

namespace plat {

using namespace gdi;

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && !FindDc(dc)) return nullptr;
  auto bitmap = DefaultBitmap();
  auto surface = static_cast<Bitmap*>(bitmap.get())->surface;
  return NewDc(DcKind::kMemory, surface, bitmap);
}

BOOL DeleteDC(HDC handle) {
  auto dc = DcHandles::Remove(HandleId(handle));
  if (!dc) return FALSE;
  --g_live_dcs;
  // Releasing the states unselects every object they held.
  dc->saved.clear();
  dc->state = DcState();
  return TRUE;
}

int SaveDC(HDC handle) {
  auto dc = FindDc(handle);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int saved) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  const int64_t depth = static_cast<int64_t>(dc->saved.size());
  const int64_t level = saved < 0 ? depth + 1 + saved : saved;
  if (level < 1 || level > depth) return FALSE;
  dc->state = dc->saved[static_cast<size_t>(level - 1)];
  dc->saved.resize(static_cast<size_t>(level - 1));
  if (dc->kind == DcKind::kMemory) {
    if (auto* bitmap = dc->state.bitmap.as<Bitmap>()) {
      dc->surface = bitmap->surface;
      bitmap->selected_in = dc->id;
    }
  }
  dc->ClipChanged();
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  auto dc = FindDc(handle);
  if (!dc) return 0;
  const int bpp = g_reported_bpp.load();
  const int width = g_screen_width.load(), height = g_screen_height.load();
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return MulDiv(width, 254, 960);
    case VERTSIZE: return MulDiv(height, 254, 960);
    case HORZRES:
    case DESKTOPHORZRES: return width;
    case VERTRES:
    case DESKTOPVERTRES: return height;
    case BITSPIXEL: return bpp;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS: return -1;
    case NUMCOLORS: return bpp <= 8 ? (1 << bpp) : -1;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DIBTODEV | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    default: return 0;
  }
}

BOOL SetViewportOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.viewport_origin;
  dc->state.viewport_origin = POINT{x, y};
  return TRUE;
}

BOOL GetViewportOrgEx(HDC handle, POINT* origin) {
  auto dc = FindDc(handle);
  if (!dc || !origin) return FALSE;
  *origin = dc->state.viewport_origin;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC handle, int dx, int dy, POINT* previous) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.viewport_origin;
  dc->state.viewport_origin.x += dx;
  dc->state.viewport_origin.y += dy;
  return TRUE;
}

BOOL SetWindowOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.window_origin;
  dc->state.window_origin = POINT{x, y};
  return TRUE;
}

BOOL GetWindowOrgEx(HDC handle, POINT* origin) {
  auto dc = FindDc(handle);
  if (!dc || !origin) return FALSE;
  *origin = dc->state.window_origin;
  return TRUE;
}

int SetMapMode(HDC handle, int mode) {
  auto dc = FindDc(handle);
  if (!dc || mode != MM_TEXT) return 0;
  return MM_TEXT;
}

int GetMapMode(HDC handle) { return FindDc(handle) ? MM_TEXT : 0; }

BOOL LPtoDP(HDC handle, POINT* points, int count) {
  auto dc = FindDc(handle);
  if (!dc || count < 0 || (count > 0 && !points)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->ToDevice(points[i].x, points[i].y);
  return TRUE;
}

BOOL DPtoLP(HDC handle, POINT* points, int count) {
  auto dc = FindDc(handle);
  if (!dc || count < 0 || (count > 0 && !points)) return FALSE;
  const POINT zero = dc->ToDevice(0, 0);
  for (int i = 0; i < count; ++i) points[i] = POINT{points[i].x - zero.x, points[i].y - zero.y};
  return TRUE;
}

namespace {
template <class T, T DcState::*Field>
T SetField(HDC handle, T value, T invalid) {
  auto dc = FindDc(handle);
  if (!dc) return invalid;
  const T old = dc->state.*Field;
  dc->state.*Field = value;
  return old;
}
template <class T, T DcState::*Field>
T GetField(HDC handle, T invalid) {
  auto dc = FindDc(handle);
  return dc ? dc->state.*Field : invalid;
}
}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF c) { return SetField<COLORREF, &DcState::text_colour>(dc, c, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return GetField<COLORREF, &DcState::text_colour>(dc, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF c) { return SetField<COLORREF, &DcState::bk_colour>(dc, c, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetField<COLORREF, &DcState::bk_colour>(dc, CLR_INVALID); }
UINT SetTextAlign(HDC dc, UINT align) { return SetField<UINT, &DcState::text_align>(dc, align, GDI_ERROR); }
UINT GetTextAlign(HDC dc) { return GetField<UINT, &DcState::text_align>(dc, GDI_ERROR); }

// The modes take only their listed values; anything else gives 0 and changes nothing.
namespace {
template <int DcState::*Field>
int SetMode(HDC handle, int value, int low, int high) {
  auto dc = FindDc(handle);
  if (!dc || value < low || value > high) return 0;
  const int old = dc->state.*Field;
  dc->state.*Field = value;
  return old;
}
template <int DcState::*Field>
int GetMode(HDC handle) {
  auto dc = FindDc(handle);
  return dc ? dc->state.*Field : 0;
}
}  // namespace

int SetBkMode(HDC dc, int mode) { return SetMode<&DcState::bk_mode>(dc, mode, TRANSPARENT, OPAQUE); }
int GetBkMode(HDC dc) { return GetMode<&DcState::bk_mode>(dc); }
int SetROP2(HDC dc, int rop2) { return SetMode<&DcState::rop2>(dc, rop2, R2_BLACK, R2_WHITE); }
int GetROP2(HDC dc) { return GetMode<&DcState::rop2>(dc); }
int SetPolyFillMode(HDC dc, int mode) { return SetMode<&DcState::poly_fill_mode>(dc, mode, ALTERNATE, WINDING); }
int GetPolyFillMode(HDC dc) { return GetMode<&DcState::poly_fill_mode>(dc); }
int SetStretchBltMode(HDC dc, int mode) { return SetMode<&DcState::stretch_mode>(dc, mode, BLACKONWHITE, HALFTONE); }
int GetStretchBltMode(HDC dc) { return GetMode<&DcState::stretch_mode>(dc); }

BOOL SetBrushOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.brush_origin;
  dc->state.brush_origin = POINT{x, y};
  return TRUE;
}

BOOL GetBrushOrgEx(HDC handle, POINT* origin) {
  auto dc = FindDc(handle);
  if (!dc || !origin) return FALSE;
  *origin = dc->state.brush_origin;
  return TRUE;
}

COLORREF SetDCBrushColor(HDC handle, COLORREF colour) {
  auto dc = FindDc(handle);
  if (!dc) return CLR_INVALID;
  const COLORREF old = dc->state.dc_brush_colour;
  dc->state.dc_brush_colour = PlainColour(colour);
  return old;
}

COLORREF SetDCPenColor(HDC handle, COLORREF colour) {
  auto dc = FindDc(handle);
  if (!dc) return CLR_INVALID;
  const COLORREF old = dc->state.dc_pen_colour;
  dc->state.dc_pen_colour = PlainColour(colour);
  return old;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.position;
  dc->state.position = POINT{x, y};
  if (dc->path_state == PathState::kOpen) {
    // A move starts a new figure of the path.
    const POINT at = dc->ToDevice(x, y);
    if (!dc->path.empty() && !dc->path.back().is_closed && dc->path.back().points.size() == 1) dc->path.pop_back();
    dc->path.push_back(PathFigure{{at}, false});
  }
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, POINT* position) {
  auto dc = FindDc(handle);
  if (!dc || !position) return FALSE;
  *position = dc->state.position;
  return TRUE;
}

// --- Selection ---------------------------------------------------------------

namespace {

template <class Handle>
Handle Swap(Selection& slot, std::shared_ptr<GdiObject> object) {
  const uint32_t old = slot.get() ? slot.get()->id : 0;
  slot = Selection(std::move(object));
  return HandleFromId<Handle>(old);
}

}  // namespace

HPEN SelectObject(HDC handle, HPEN pen) {
  auto dc = FindDc(handle);
  auto object = FindPen(pen);
  if (!dc || !object) return nullptr;
  return Swap<HPEN>(dc->state.pen, object);
}

HBRUSH SelectObject(HDC handle, HBRUSH brush) {
  auto dc = FindDc(handle);
  auto object = FindBrush(brush);
  if (!dc || !object) return nullptr;
  return Swap<HBRUSH>(dc->state.brush, object);
}

HFONT SelectObject(HDC handle, HFONT font) {
  auto dc = FindDc(handle);
  auto object = FindObject(reinterpret_cast<HGDIOBJ>(font));
  if (!dc || !object || object->Type() != OBJ_FONT) return nullptr;
  return Swap<HFONT>(dc->state.font, object);
}

HBITMAP SelectObject(HDC handle, HBITMAP bitmap) {
  auto dc = FindDc(handle);
  auto object = FindBitmap(bitmap);
  if (!dc || !object || dc->kind != DcKind::kMemory) return nullptr;
  // A bitmap draws through one DC at a time.
  if (!object->is_stock && object->selections.load() > 0 && object->selected_in != dc->id) return nullptr;
  object->selected_in = dc->id;
  dc->surface = object->surface;
  dc->ClipChanged();
  return Swap<HBITMAP>(dc->state.bitmap, object);
}

int SelectObject(HDC dc, HRGN region) { return SelectClipRgn(dc, region); }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
  auto object = FindObject(handle);
  if (!object) return nullptr;
  switch (object->Type()) {
    case OBJ_PEN: return reinterpret_cast<HGDIOBJ>(SelectObject(dc, reinterpret_cast<HPEN>(handle)));
    case OBJ_BRUSH: return reinterpret_cast<HGDIOBJ>(SelectObject(dc, reinterpret_cast<HBRUSH>(handle)));
    case OBJ_BITMAP: return reinterpret_cast<HGDIOBJ>(SelectObject(dc, reinterpret_cast<HBITMAP>(handle)));
    case OBJ_FONT: return reinterpret_cast<HGDIOBJ>(SelectObject(dc, reinterpret_cast<HFONT>(handle)));
    case OBJ_REGION: {
      const int type = SelectClipRgn(dc, reinterpret_cast<HRGN>(handle));
      return type == ERROR ? nullptr : reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(type));
    }
    case OBJ_PAL: return reinterpret_cast<HGDIOBJ>(SelectPalette(dc, reinterpret_cast<HPALETTE>(handle), FALSE));
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  auto dc = FindDc(handle);
  if (!dc) return nullptr;
  const Selection* slot = nullptr;
  switch (type) {
    case OBJ_PEN: slot = &dc->state.pen; break;
    case OBJ_BRUSH: slot = &dc->state.brush; break;
    case OBJ_FONT: slot = &dc->state.font; break;
    case OBJ_BITMAP: slot = &dc->state.bitmap; break;
    case OBJ_PAL: slot = &dc->state.palette; break;
    default: return nullptr;
  }
  return slot->get() ? HandleFromId<HGDIOBJ>(slot->get()->id) : nullptr;
}

// --- Clipping ----------------------------------------------------------------

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC handle, HRGN region, int mode) {
  auto dc = FindDc(handle);
  if (!dc || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (region == nullptr) {
    if (mode != RGN_COPY) return ERROR;
    return SetClip(*dc, std::nullopt);
  }
  auto object = FindRegion(region);
  if (!object) return ERROR;
  if (mode == RGN_COPY) return SetClip(*dc, object->region);
  const Region current = dc->state.clip ? *dc->state.clip : DeviceArea(*dc);
  return SetClip(*dc, Region::Combine(current, object->region, mode));
}

int GetClipBox(HDC handle, RECT* box) {
  auto dc = FindDc(handle);
  if (!dc || !box) return ERROR;
  const Region& clip = dc->Clip();
  const POINT zero = dc->ToSurface(0, 0);
  *box = clip.bounds();
  if (!clip.empty()) OffsetRect(box, -zero.x, -zero.y);
  return clip.Complexity();
}

int GetClipRgn(HDC handle, HRGN region) {
  auto dc = FindDc(handle);
  auto object = FindRegion(region);
  if (!dc || !object) return -1;
  if (!dc->state.clip) return 0;
  object->region = *dc->state.clip;
  return 1;
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  auto dc = FindDc(handle);
  if (!dc) return ERROR;
  const Region current = dc->state.clip ? *dc->state.clip : DeviceArea(*dc);
  return SetClip(*dc, current.Intersected(LogicalToDeviceRect(*dc, left, top, right, bottom)));
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  auto dc = FindDc(handle);
  if (!dc) return ERROR;
  const Region current = dc->state.clip ? *dc->state.clip : DeviceArea(*dc);
  return SetClip(*dc,
                 Region::Combine(current, Region(LogicalToDeviceRect(*dc, left, top, right, bottom)), RGN_DIFF));
}

int OffsetClipRgn(HDC handle, int dx, int dy) {
  auto dc = FindDc(handle);
  if (!dc) return ERROR;
  if (dc->state.clip) {
    dc->state.clip->Offset(dx, dy);
    dc->ClipChanged();
  }
  return dc->Clip().Complexity();
}

BOOL PtVisible(HDC handle, int x, int y) {
  auto dc = FindDc(handle);
  if (!dc) return FALSE;
  const POINT p = dc->ToSurface(x, y);
  return dc->Clip().Contains(p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC handle, const RECT* rect) {
  auto dc = FindDc(handle);
  if (!dc || !rect) return FALSE;
  const POINT a = dc->ToSurface(rect->left, rect->top), b = dc->ToSurface(rect->right, rect->bottom);
  return dc->Clip().Intersects(NormalizedRect(RECT{a.x, a.y, b.x, b.y})) ? TRUE : FALSE;
}

}  // namespace plat
