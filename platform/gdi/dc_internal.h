// What the drawing files share and the layers above do not need: stock
// objects, DC bookkeeping and the painting engine over clip rectangles.
#ifndef PLAT_GDI_DC_INTERNAL_H_
#define PLAT_GDI_DC_INTERNAL_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "plat/gdi_surface.h"

namespace plat::gdi {

int64_t LiveDcCount();
std::shared_ptr<GdiObject> StockObject(int index);
std::shared_ptr<GdiObject> DefaultBitmap();
std::shared_ptr<GdiObject> DefaultFont();

// The pattern a brush lays on a destination surface, in its raw pixels: one
// value (solid) or a tile anchored at `origin` (surface pixels); `mask`
// marks the tile pixels drawn (the hatch lines of a transparent hatch).
struct PatternSource {
  bool is_null = false;  // BS_NULL: draws nothing
  bool is_solid = true;
  uint32_t solid = 0;
  int width = 0, height = 0;
  POINT origin{};
  std::vector<uint32_t> tile;
  std::vector<uint8_t> mask;  // empty: every pixel
  // Fills `out` (and `mask_out` when the tile has a mask) for pixels
  // [x, x + count) of row y; false for a solid pattern (use `solid`).
  bool Row(int y, int x, int count, uint32_t* out, uint8_t* mask_out) const;
};

// The brush as it lays on the DC's surface (DC colours for mono patterns and
// hatch backgrounds).
PatternSource PatternFor(const DeviceContext& dc, const Brush* brush);
PatternSource SolidPattern(const Surface& surface, COLORREF colour);

// Applies ternary `code` with pattern `pattern` (and no source) to every
// pixel of `area` (surface pixels) inside the DC's clip.
void PaintArea(DeviceContext& dc, const Region& area, const PatternSource& pattern, uint8_t code);
void PaintRect(DeviceContext& dc, const RECT& rect, const PatternSource& pattern, uint8_t code);

// The DC of a handle with a surface to draw into; null when the handle is
// stale. Drawing on a screen DC reports success and changes nothing.
std::shared_ptr<DeviceContext> DrawableDc(HDC dc);

// A region in logical coordinates moved to surface pixels.
Region ToSurface(const DeviceContext& dc, Region region);

}  // namespace plat::gdi

#endif  // PLAT_GDI_DC_INTERNAL_H_
