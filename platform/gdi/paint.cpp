// The painting engine: a brush laid on a surface as a pattern, applied with a
// raster operation to areas inside the DC's clip; and the fills built on it
// (FillRect, FrameRect, InvertRect, PatBlt, the region fills).
#include <algorithm>

#include "gdi/dc_internal.h"
#include "gdi/pixel.h"
#include "gdi/rop.h"
#include "plat/gdi_surface.h"

namespace plat::gdi {

namespace {

// Hatch lines on an 8×8 tile, relative to the brush origin.
bool HatchBit(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return false;
  }
}

int Mod(int64_t value, int modulus) {
  const int64_t r = value % modulus;
  return static_cast<int>(r < 0 ? r + modulus : r);
}

}  // namespace

bool PatternSource::Row(int y, int x, int count, uint32_t* out, uint8_t* mask_out) const {
  if (is_solid) return false;
  const int ty = Mod(int64_t{y} - origin.y, height);
  const uint32_t* row = tile.data() + size_t(ty) * size_t(width);
  const uint8_t* mrow = mask.empty() ? nullptr : mask.data() + size_t(ty) * size_t(width);
  int tx = Mod(int64_t{x} - origin.x, width);
  for (int i = 0; i < count; ++i) {
    out[i] = row[tx];
    if (mrow && mask_out) mask_out[i] = mrow[tx];
    if (++tx == width) tx = 0;
  }
  return true;
}

PatternSource SolidPattern(const Surface& surface, COLORREF colour) {
  PatternSource pattern;
  pattern.solid = surface.RawFromColour(colour);
  return pattern;
}

PatternSource PatternFor(const DeviceContext& dc, const Brush* brush) {
  PatternSource pattern;
  const Surface& dest = *dc.surface;
  if (brush == nullptr || brush->style == BS_NULL) {
    pattern.is_null = true;
    return pattern;
  }
  if (brush->style == BS_SOLID) {
    return SolidPattern(dest, brush->is_dc_brush ? dc.state.dc_brush_colour : brush->colour);
  }
  pattern.is_solid = false;
  const POINT origin = dc.ToSurface(0, 0);
  const POINT device_zero = dc.ToDevice(0, 0);
  // The brush origin is in device coordinates.
  pattern.origin = POINT{origin.x - device_zero.x + dc.state.brush_origin.x,
                         origin.y - device_zero.y + dc.state.brush_origin.y};
  if (brush->style == BS_HATCHED) {
    pattern.width = pattern.height = 8;
    const uint32_t line = dest.RawFromColour(brush->colour);
    const uint32_t back = dest.RawFromColour(dc.state.bk_colour);
    const bool is_opaque = dc.state.bk_mode == OPAQUE;
    pattern.tile.resize(64);
    if (!is_opaque) pattern.mask.resize(64);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool bit = HatchBit(brush->hatch, x, y);
        pattern.tile[size_t(y * 8 + x)] = bit ? line : back;
        if (!is_opaque) pattern.mask[size_t(y * 8 + x)] = bit ? 1 : 0;
      }
    }
    return pattern;
  }
  // A pattern bitmap: a monochrome one takes the DC's text colour for 0 and
  // its background colour for 1, unless it lands on a monochrome surface.
  const Surface& tile = *brush->pattern;
  pattern.width = tile.width;
  pattern.height = tile.height;
  pattern.tile.resize(size_t(tile.width) * size_t(tile.height));
  const bool is_device_mono = tile.bpp == 1 && !tile.is_dib;
  const bool direct = is_device_mono && dest.bpp == 1 && !dest.is_dib;
  const uint32_t fore = dest.RawFromColour(dc.state.text_colour), back = dest.RawFromColour(dc.state.bk_colour);
  std::vector<uint32_t> row(static_cast<size_t>(tile.width));
  for (int y = 0; y < tile.height; ++y) {
    tile.ReadRaw(y, 0, tile.width, row.data());
    for (int x = 0; x < tile.width; ++x) {
      uint32_t& out = pattern.tile[size_t(y) * size_t(tile.width) + size_t(x)];
      if (direct) {
        out = row[size_t(x)];
      } else if (is_device_mono) {
        out = row[size_t(x)] ? back : fore;
      } else {
        out = dest.RawFromColour(tile.ColourFromRaw(row[size_t(x)]));
      }
    }
  }
  return pattern;
}

void PaintArea(DeviceContext& dc, const Region& area, const PatternSource& pattern, uint8_t code) {
  if (dc.DropsWrites() || !dc.surface) return;
  if (pattern.is_null && Rop3UsesPattern(code)) return;
  const Region clipped = Region::Combine(area, dc.Clip(), RGN_AND);
  if (clipped.empty()) return;
  Surface& surface = *dc.surface;
  const int width = clipped.bounds().right - clipped.bounds().left;
  std::vector<uint32_t> prow(static_cast<size_t>(width)), scratch;
  std::vector<uint8_t> mrow(static_cast<size_t>(width));
  RowOperation op;
  op.code = code;
  op.solid_pattern = pattern.solid;
  for (const RECT& r : clipped.rects()) {
    const int count = r.right - r.left;
    for (int y = r.top; y < r.bottom; ++y) {
      const bool tiled = pattern.Row(y, r.left, count, prow.data(), mrow.data());
      op.pattern = tiled ? prow.data() : nullptr;
      op.mask = tiled && !pattern.mask.empty() ? mrow.data() : nullptr;
      ApplyRow(surface, y, r.left, count, op, scratch);
    }
  }
  surface.MarkDirty(clipped.bounds());
}

void PaintRect(DeviceContext& dc, const RECT& rect, const PatternSource& pattern, uint8_t code) {
  if (IsEmptyRect(rect)) return;
  PaintArea(dc, Region(rect), pattern, code);
}

void FillSurfaceRect(DeviceContext& dc, const RECT& rect, COLORREF colour) {
  if (!dc.surface) return;
  PaintRect(dc, rect, SolidPattern(*dc.surface, colour), Rop3Code(PATCOPY));
}

void BlendCoverage(DeviceContext& dc, int x, int y, const BYTE* coverage, int width, int height, size_t stride,
                   COLORREF colour) {
  if (dc.DropsWrites() || !dc.surface || !coverage || width <= 0 || height <= 0) return;
  Surface& surface = *dc.surface;
  const Region clipped = dc.Clip().Intersected(RECT{x, y, x + width, y + height});
  const uint32_t full = surface.RawFromColour(colour);
  for (const RECT& r : clipped.rects()) {
    for (int py = r.top; py < r.bottom; ++py) {
      const BYTE* cov = coverage + size_t(py - y) * stride;
      for (int px = r.left; px < r.right; ++px) {
        const int a = cov[px - x];
        if (a == 0) continue;
        if (a == 255 || surface.bpp <= 8) {
          if (a >= 128) surface.SetRaw(px, py, full);
          continue;
        }
        const COLORREF under = surface.ColourFromRaw(surface.GetRaw(px, py));
        auto mix = [a](int fg, int bg) { return BYTE((fg * a + bg * (255 - a) + 127) / 255); };
        surface.SetRaw(px, py,
                       surface.RawFromColour(RGB(mix(GetRValue(colour), GetRValue(under)),
                                                 mix(GetGValue(colour), GetGValue(under)),
                                                 mix(GetBValue(colour), GetBValue(under)))));
      }
    }
  }
  surface.MarkDirty(clipped.bounds());
}

namespace {

RECT SurfaceRect(const DeviceContext& dc, const RECT& logical) {
  const POINT a = dc.ToSurface(logical.left, logical.top), b = dc.ToSurface(logical.right, logical.bottom);
  return RECT{a.x, a.y, b.x, b.y};
}

}  // namespace

}  // namespace plat::gdi

namespace plat {

using namespace gdi;

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  auto dc = DrawableDc(handle);
  auto object = FindBrush(brush);
  if (!dc || !rect || !object) return 0;
  PaintRect(*dc, SurfaceRect(*dc, *rect), PatternFor(*dc, object.get()), Rop3Code(PATCOPY));
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  auto dc = DrawableDc(handle);
  auto object = FindBrush(brush);
  if (!dc || !rect || !object) return 0;
  const RECT outer = SurfaceRect(*dc, *rect);
  if (IsEmptyRect(outer)) return 1;
  const RECT inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
  PaintArea(*dc, Region::Combine(Region(outer), Region(inner), RGN_DIFF), PatternFor(*dc, object.get()),
            Rop3Code(PATCOPY));
  return 1;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
  auto dc = DrawableDc(handle);
  if (!dc || !rect) return FALSE;
  PaintRect(*dc, SurfaceRect(*dc, *rect), PatternSource{}, Rop3Code(DSTINVERT));
  return TRUE;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  auto dc = DrawableDc(handle);
  if (!dc || !rect) return FALSE;
  const RECT outer = SurfaceRect(*dc, *rect);
  if (IsEmptyRect(outer)) return TRUE;
  // Every other pixel of the one-pixel frame is inverted, so a second call
  // restores what was there.
  PatternSource dots;
  dots.is_solid = false;
  dots.width = dots.height = 2;
  dots.origin = POINT{outer.left, outer.top};
  dots.tile.assign(4, dc->surface->RawMask());
  dots.mask = {1, 0, 0, 1};
  const RECT inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
  PaintArea(*dc, Region::Combine(Region(outer), Region(inner), RGN_DIFF), dots, Rop3Code(PATINVERT));
  return TRUE;
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  auto dc = DrawableDc(handle);
  const uint8_t code = Rop3Code(rop);
  if (!dc || Rop3UsesSource(code)) return FALSE;
  const RECT rect = NormalizedRect(SurfaceRect(*dc, RECT{x, y, x + width, y + height}));
  PaintRect(*dc, rect, PatternFor(*dc, dc->state.brush.as<Brush>()), code);
  return TRUE;
}

BOOL FillRgn(HDC handle, HRGN region, HBRUSH brush) {
  auto dc = DrawableDc(handle);
  auto object = FindRegion(region);
  auto fill = FindBrush(brush);
  if (!dc || !object || !fill) return FALSE;
  PaintArea(*dc, ToSurface(*dc, object->region), PatternFor(*dc, fill.get()), Rop3Code(PATCOPY));
  return TRUE;
}

BOOL PaintRgn(HDC handle, HRGN region) {
  auto dc = DrawableDc(handle);
  auto object = FindRegion(region);
  if (!dc || !object) return FALSE;
  PaintArea(*dc, ToSurface(*dc, object->region), PatternFor(*dc, dc->state.brush.as<Brush>()),
            Rop3FromRop2(dc->state.rop2));
  return TRUE;
}

BOOL InvertRgn(HDC handle, HRGN region) {
  auto dc = DrawableDc(handle);
  auto object = FindRegion(region);
  if (!dc || !object) return FALSE;
  PaintArea(*dc, ToSurface(*dc, object->region), PatternSource{}, Rop3Code(DSTINVERT));
  return TRUE;
}

BOOL FrameRgn(HDC handle, HRGN region, HBRUSH brush, int width, int height) {
  auto dc = DrawableDc(handle);
  auto object = FindRegion(region);
  auto fill = FindBrush(brush);
  if (!dc || !object || !fill || width < 0 || height < 0) return FALSE;
  // The frame is the region less the region shrunk by width × height: a
  // pixel stays inside the shrunk region when the whole box around it does.
  const Region& r = object->region;
  Region shrunk = r;
  for (int dx = -width; dx <= width; ++dx) {
    if (dx == 0) continue;
    Region moved = r;
    moved.Offset(dx, 0);
    shrunk = Region::Combine(shrunk, moved, RGN_AND);
  }
  const Region across = shrunk;
  for (int dy = -height; dy <= height; ++dy) {
    if (dy == 0) continue;
    Region moved = across;
    moved.Offset(0, dy);
    shrunk = Region::Combine(shrunk, moved, RGN_AND);
  }
  PaintArea(*dc, ToSurface(*dc, Region::Combine(r, shrunk, RGN_DIFF)), PatternFor(*dc, fill.get()),
            Rop3Code(PATCOPY));
  return TRUE;
}

}  // namespace plat
