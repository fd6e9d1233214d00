// DIBs to and from bitmaps and DCs. The caller's BITMAPINFO is checked field
// by field; its bits pointer is trusted as the interface carries no size, so
// DIBs from outside pass the packed-DIB gate before they get here.
#include <algorithm>
#include <cstring>

#include "gdi/blit.h"
#include "gdi/dc_internal.h"
#include "gdi/dib_internal.h"
#include "gdi/rop.h"
#include "plat/gdi_surface.h"

namespace plat {

using namespace gdi;

namespace {

// A caller's header, its colour table resolved (DIB_PAL_COLORS through the
// DC's palette), as a surface over `bits` of `rows` rows.
std::shared_ptr<Surface> CallerDib(const DeviceContext* dc, const BITMAPINFO* info, UINT usage, const void* bits,
                                   int rows, DibView* view_out) {
  if (!info || !bits || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return nullptr;
  auto view = ParseDib(info, UINT64_MAX, false);
  if (!view) return nullptr;
  if (rows >= 0) view->height = rows;
  if (view->height < 1) return nullptr;
  auto surface = SurfaceOverDib(*view, static_cast<const BYTE*>(bits));  // null for run-length data
  if (!surface) return nullptr;
  if (usage == DIB_PAL_COLORS && view->bpp <= 8) {
    const Palette* palette = dc ? dc->state.palette.as<Palette>() : nullptr;
    const auto* indexes = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(info) + view->headerSize);
    for (int i = 0; i < view->colors; ++i) {
      const WORD index = indexes[i];
      PALETTEENTRY e{0, 0, 0, 0};
      if (palette && index < palette->entries.size()) e = palette->entries[index];
      surface->colours[size_t(i)] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  }
  if (view_out) *view_out = *view;
  return surface;
}

// Copies rows [0, rows) of `from` onto rows [to_top, ...) of `to`, pixel
// formats converted by colour (indices copied when both share a table).
void CopyRows(const Surface& from, int from_top, Surface& to, int to_top, int rows) {
  const int width = std::min(from.width, to.width);
  const bool same_table = from.bpp == to.bpp && from.bpp <= 8 && from.colours.size() == to.colours.size() &&
                          std::equal(from.colours.begin(), from.colours.end(), to.colours.begin(),
                                     [](const RGBQUAD& a, const RGBQUAD& b) { return std::memcmp(&a, &b, 4) == 0; });
  const bool same_fields = from.bpp == to.bpp && from.bpp > 8 && std::memcmp(from.masks, to.masks, 12) == 0;
  std::vector<uint32_t> row(static_cast<size_t>(width)), lut;
  if (!same_table && from.bpp <= 8) {
    lut.resize(size_t{1} << from.bpp);
    for (size_t i = 0; i < lut.size(); ++i) lut[i] = to.RawFromColour(from.ColourFromRaw(uint32_t(i)));
  }
  for (int r = 0; r < rows; ++r) {
    from.ReadRaw(from_top + r, 0, width, row.data());
    if (!same_table && !same_fields) {
      for (uint32_t& v : row) v = lut.empty() ? to.RawFromColour(from.ColourFromRaw(v)) : lut[v & (lut.size() - 1)];
    }
    to.WriteRaw(to_top + r, 0, width, row.data());
  }
}

void WriteColourTable(const std::vector<RGBQUAD>& table, BITMAPINFO* info) {
  std::memcpy(reinterpret_cast<BYTE*>(info) + info->bmiHeader.biSize, table.data(), table.size() * sizeof(RGBQUAD));
}

}  // namespace

int GetDIBits(HDC handle, HBITMAP bitmap_handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  auto dc = FindDc(handle);
  auto bitmap = FindBitmap(bitmap_handle);
  if (!dc || !bitmap || !info || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize != 40 && h.biSize != 108 && h.biSize != 124) return 0;
  const Surface& s = *bitmap->surface;
  if (h.biBitCount == 0) {
    // Describe the bitmap only.
    h.biWidth = s.width;
    h.biHeight = s.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(s.bpp);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>((uint64_t(s.width) * uint64_t(s.bpp) + 31) / 32 * 4 * uint64_t(s.height));
    h.biClrUsed = h.biClrImportant = 0;
    return s.height;
  }
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return 0;
  const bool is_top_down = h.biHeight < 0;
  h.biWidth = s.width;
  h.biHeight = is_top_down ? -s.height : s.height;
  h.biPlanes = 1;
  const uint64_t stride = (uint64_t(s.width) * uint64_t(bpp) + 31) / 32 * 4;
  h.biSizeImage = static_cast<DWORD>(stride * uint64_t(s.height));
  // Same depth keeps the table and the indices; another takes the default table.
  std::vector<RGBQUAD> table;
  if (bpp <= 8) {
    table = s.bpp == bpp && !s.colours.empty() ? s.colours : DefaultColourTable(bpp);
    table.resize(size_t{1} << bpp, RGBQUAD{0, 0, 0, 0});
    h.biClrUsed = 0;
    WriteColourTable(table, info);
  }
  uint32_t masks[3] = {0, 0, 0};
  if (bpp == 16 || bpp == 32) {
    const bool fields = h.biCompression == BI_BITFIELDS;
    const auto* given = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(info) + 40);
    if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (fields) std::memcpy(masks, given, sizeof(masks));
  }
  if (!bits) return s.height;
  if (start >= static_cast<UINT>(s.height)) return 0;
  const int count = static_cast<int>(std::min<uint64_t>(lines, uint64_t(s.height) - start));
  Surface out;
  out.width = s.width;
  out.height = count;
  out.bpp = bpp;
  out.stride_bytes = static_cast<size_t>(stride);
  out.is_top_down = is_top_down;
  out.is_dib = true;
  out.colours = table;
  std::memcpy(out.masks, masks, sizeof(masks));
  out.bits = static_cast<BYTE*>(bits);
  // Scan line `start` is the bottom row counted upward for bottom-up DIBs
  // and the top row counted downward for top-down ones.
  const int from_top = is_top_down ? static_cast<int>(start) : s.height - static_cast<int>(start) - count;
  CopyRows(s, from_top, out, 0, count);
  return count;
}

int SetDIBits(HDC handle, HBITMAP bitmap_handle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  auto dc = FindDc(handle);
  auto bitmap = FindBitmap(bitmap_handle);
  if (!bitmap || bitmap->is_stock || lines == 0 || lines > (1u << 24)) return 0;
  DibView view;
  auto from = CallerDib(dc.get(), info, usage, bits, static_cast<int>(lines), &view);
  if (!from) return 0;
  Surface& to = *bitmap->surface;
  if (start >= static_cast<UINT>(to.height)) return 0;
  const int count = static_cast<int>(std::min<uint64_t>(lines, uint64_t(to.height) - start));
  // The band's rows: for a bottom-up DIB the last `count` picture rows of
  // the band hold scan lines start .. start + count - 1.
  if (view.topDown) {
    CopyRows(*from, 0, to, static_cast<int>(start), count);
  } else {
    CopyRows(*from, from->height - count, to, to.height - static_cast<int>(start) - count, count);
  }
  to.MarkDirty(to.Bounds());
  return count;
}

int StretchDIBits(HDC handle, int x_dest, int y_dest, int width_dest, int height_dest, int x_src, int y_src,
                  int width_src, int height_src, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  auto dc = DrawableDc(handle);
  if (!dc) return 0;
  DibView view;
  auto from = CallerDib(dc.get(), info, usage, bits, -1, &view);
  if (!from || width_src == 0 || height_src == 0) return 0;  // run-length data is refused here
  BlitSource source;
  source.surface = from.get();
  source.bk_colour = dc->state.bk_colour;
  // Source y counts from the bottom of a bottom-up DIB.
  const int64_t top = view.topDown ? y_src : int64_t{from->height} - y_src - height_src;
  const int64_t bottom = top + height_src;
  if (top < INT32_MIN || top > INT32_MAX || bottom < INT32_MIN || bottom > INT32_MAX) return 0;
  source.rect = RECT{x_src, static_cast<int>(top), x_src + width_src, static_cast<int>(bottom)};
  const POINT d = dc->ToSurface(x_dest, y_dest);
  Blit(*dc, RECT{d.x, d.y, d.x + width_dest, d.y + height_dest}, source, Rop3Code(rop));
  return height_src < 0 ? -height_src : height_src;
}

int SetDIBitsToDevice(HDC handle, int x_dest, int y_dest, DWORD width, DWORD height, int x_src, int y_src,
                      UINT start_scan, UINT scan_lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto dc = DrawableDc(handle);
  if (!dc || scan_lines == 0 || scan_lines > (1u << 24) || width > (1u << 24) || height > (1u << 24)) return 0;
  DibView view;
  auto band = CallerDib(dc.get(), info, usage, bits, static_cast<int>(scan_lines), &view);
  if (!band) return 0;
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int64_t lines = scan_lines, first = start_scan;
  // The band holds scan lines first .. first + lines - 1 of the whole DIB.
  const int64_t top = view.topDown ? int64_t{y_src} - first : first + lines - y_src - h;
  if (top < INT32_MIN || top + h > INT32_MAX) return 0;
  BlitSource source;
  source.surface = band.get();
  source.bk_colour = dc->state.bk_colour;
  source.rect = RECT{x_src, static_cast<int>(top), x_src + w, static_cast<int>(top + h)};
  const POINT d = dc->ToSurface(x_dest, y_dest);
  Blit(*dc, RECT{d.x, d.y, d.x + w, d.y + h}, source, Rop3Code(SRCCOPY));
  return static_cast<int>(scan_lines);
}

UINT GetDIBColorTable(HDC handle, UINT start, UINT entries, RGBQUAD* colours) {
  auto dc = FindDc(handle);
  if (!dc || !dc->surface || dc->surface->bpp > 8 || !colours) return 0;
  const auto& table = dc->surface->colours;
  if (start >= table.size()) return 0;
  const UINT n = std::min<UINT>(entries, static_cast<UINT>(table.size()) - start);
  std::memcpy(colours, table.data() + start, n * sizeof(RGBQUAD));
  return n;
}

UINT SetDIBColorTable(HDC handle, UINT start, UINT entries, const RGBQUAD* colours) {
  auto dc = FindDc(handle);
  if (!dc || !dc->surface || dc->surface->bpp > 8 || !colours || !dc->surface->is_dib) return 0;
  auto& table = dc->surface->colours;
  if (start >= table.size()) return 0;
  const UINT n = std::min<UINT>(entries, static_cast<UINT>(table.size()) - start);
  std::memcpy(table.data() + start, colours, n * sizeof(RGBQUAD));
  return n;
}

}  // namespace plat
