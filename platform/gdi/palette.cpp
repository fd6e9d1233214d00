// Palettes as colour tables. There is no palette device: realising maps
// nothing and the system palette is empty.
#include <algorithm>

#include "gdi/dc_internal.h"
#include "plat/gdi_surface.h"

namespace plat {

using namespace gdi;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palNumEntries == 0) return nullptr;
  auto object = std::make_shared<Palette>();
  object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return HandleFromId<HPALETTE>(RegisterObject(HandleKind::kPalette, object));
}

HPALETTE CreateHalftonePalette(HDC) {
  // The default 256-colour table: sixteen base colours, a 6×6×6 cube, greys.
  auto object = std::make_shared<Palette>();
  for (const RGBQUAD& q : DefaultColourTable(8)) object->entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
  return HandleFromId<HPALETTE>(RegisterObject(HandleKind::kPalette, object));
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
  auto dc = FindDc(handle);
  auto object = FindPalette(palette);
  if (!dc || !object) return nullptr;
  const uint32_t old = dc->state.palette.get() ? dc->state.palette.get()->id : 0;
  dc->state.palette = Selection(object);
  return HandleFromId<HPALETTE>(old);
}

UINT RealizePalette(HDC) { return 0; }

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT entries, PALETTEENTRY* out) {
  auto object = FindPalette(palette);
  if (!object) return 0;
  const UINT size = static_cast<UINT>(object->entries.size());
  if (!out) return size;
  if (start >= size) return 0;
  const UINT n = std::min(entries, size - start);
  for (UINT i = 0; i < n; ++i) out[i] = object->entries[start + i];
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT entries, const PALETTEENTRY* in) {
  auto object = FindPalette(palette);
  if (!object || !in || object->is_stock) return 0;
  const UINT size = static_cast<UINT>(object->entries.size());
  if (start >= size) return 0;
  const UINT n = std::min(entries, size - start);
  for (UINT i = 0; i < n; ++i) object->entries[start + i] = in[i];
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
  auto object = FindPalette(palette);
  if (!object || object->entries.empty()) return CLR_INVALID;
  UINT best = 0;
  int64_t best_distance = INT64_MAX;
  for (size_t i = 0; i < object->entries.size(); ++i) {
    const PALETTEENTRY& e = object->entries[i];
    const int64_t dr = int64_t{e.peRed} - GetRValue(colour), dg = int64_t{e.peGreen} - GetGValue(colour),
                  db = int64_t{e.peBlue} - GetBValue(colour);
    const int64_t distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) best_distance = distance, best = static_cast<UINT>(i);
  }
  return best;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }

COLORREF GetNearestColor(HDC handle, COLORREF colour) {
  auto dc = FindDc(handle);
  if (!dc || !dc->surface) return CLR_INVALID;
  return dc->surface->ColourFromRaw(dc->surface->RawFromColour(colour));
}

}  // namespace plat
