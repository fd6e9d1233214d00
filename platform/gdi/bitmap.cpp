// Bitmaps: device bitmaps (32-bit, or monochrome), DIB sections that keep
// their own format and hand out their rows, and single pixels. Every size
// from a caller is checked against the limits before anything is allocated.
#include <cstring>

#include "gdi/dc_internal.h"
#include "gdi/dib_internal.h"
#include "plat/gdi_surface.h"

namespace plat {

using namespace gdi;

namespace {

HBITMAP NewBitmap(std::shared_ptr<Surface> surface, bool is_dib_section) {
  if (!surface) return nullptr;
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->surface = std::move(surface);
  bitmap->is_dib_section = is_dib_section;
  return HandleFromId<HBITMAP>(RegisterObject(HandleKind::kBitmap, bitmap));
}

HBITMAP DefaultBitmapHandle() { return HandleFromId<HBITMAP>(DefaultBitmap()->id); }

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1) return nullptr;
  if (width == 0 || height == 0) return DefaultBitmapHandle();
  const int bpp = static_cast<int>(bits_per_pixel);
  auto surface = CreateSurface(width, height, bpp, {}, true, 2);
  if (!surface) return nullptr;
  if (bits) std::memcpy(surface->bits, bits, surface->stride_bytes * size_t(height));
  return NewBitmap(std::move(surface), false);
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
  // No DC stands for the screen.
  auto dc = FindDc(handle);
  if ((handle != nullptr && !dc) || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return DefaultBitmapHandle();
  // A memory DC holding a monochrome bitmap makes monochrome ones; every
  // other DC makes 32-bit ones.
  const bool is_mono = dc && dc->kind == DcKind::kMemory && dc->surface && dc->surface->bpp == 1;
  return NewBitmap(CreateSurface(width, height, is_mono ? 1 : 32, {}, true, is_mono ? 2 : 4), false);
}

HBITMAP CreateDIBSection(HDC handle, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  if (bits) *bits = nullptr;
  if (!info || section != nullptr || offset != 0) return nullptr;
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return nullptr;
  // The caller's header and table are trusted in size, as a BITMAPINFO
  // pointer carries none; their fields are checked.
  auto view = ParseDib(info, UINT64_MAX, false);
  if (!view || (view->compression != BI_RGB && view->compression != BI_BITFIELDS)) return nullptr;
  std::vector<RGBQUAD> colours;
  if (view->bpp <= 8) {
    auto dc = FindDc(handle);
    const Palette* palette = dc ? dc->state.palette.as<Palette>() : nullptr;
    for (int i = 0; i < view->colors; ++i) {
      COLORREF c = view->PaletteColour(i);
      if (usage == DIB_PAL_COLORS) {
        const WORD index = reinterpret_cast<const WORD*>(info->bmiColors)[i];
        c = palette && index < palette->entries.size()
                ? RGB(palette->entries[index].peRed, palette->entries[index].peGreen, palette->entries[index].peBlue)
                : 0;
      }
      colours.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
    }
  }
  auto surface = CreateSurface(view->width, view->height, view->bpp, colours, view->topDown, 4);
  if (!surface) return nullptr;
  if (view->bpp <= 8) surface->colours = colours;  // exactly the table given
  surface->is_dib = true;
  std::memcpy(surface->masks, view->masks, sizeof(surface->masks));
  BYTE* rows = surface->bits;
  HBITMAP bitmap = NewBitmap(std::move(surface), true);
  if (bitmap && bits) *bits = rows;
  return bitmap;
}

HBITMAP CreateDIBitmap(HDC handle, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  if (!header) return nullptr;
  auto view = ParseDib(header, UINT64_MAX, false);
  if (!view) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(handle, view->width, view->height);
  if (bitmap && (init & CBM_INIT) && bits && info) {
    SetDIBits(handle, bitmap, 0, static_cast<UINT>(view->height), bits, info, usage);
  }
  return bitmap;
}

LONG GetBitmapBits(HBITMAP handle, LONG bytes, void* out) {
  auto bitmap = FindBitmap(handle);
  if (!bitmap || bytes < 0) return 0;
  const Surface& s = *bitmap->surface;
  const size_t total = s.stride_bytes * size_t(s.height);
  if (!out) return static_cast<LONG>(total);
  const size_t n = std::min(total, size_t(bytes));
  if (s.is_top_down) {
    std::memcpy(out, s.bits, n);
  } else {
    for (size_t done = 0, y = 0; done < n; ++y) {
      const size_t chunk = std::min(s.stride_bytes, n - done);
      std::memcpy(static_cast<BYTE*>(out) + done, s.Row(static_cast<int>(y)), chunk);
      done += chunk;
    }
  }
  return static_cast<LONG>(n);
}

LONG SetBitmapBits(HBITMAP handle, DWORD bytes, const void* bits) {
  auto bitmap = FindBitmap(handle);
  if (!bitmap || !bits || bitmap->is_stock) return 0;
  Surface& s = *bitmap->surface;
  const size_t n = std::min(s.stride_bytes * size_t(s.height), size_t(bytes));
  for (size_t done = 0, y = 0; done < n; ++y) {
    const size_t chunk = std::min(s.stride_bytes, n - done);
    std::memcpy(s.Row(static_cast<int>(y)), static_cast<const BYTE*>(bits) + done, chunk);
    done += chunk;
  }
  s.MarkDirty(s.Bounds());
  return static_cast<LONG>(n);
}

BOOL GetBitmapDimensionEx(HBITMAP handle, SIZE* size) {
  auto bitmap = FindBitmap(handle);
  if (!bitmap || !size) return FALSE;
  *size = bitmap->dimension;
  return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF colour) {
  auto dc = DrawableDc(handle);
  if (!dc) return CLR_INVALID;
  const POINT p = dc->ToSurface(x, y);
  if (!dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
  Surface& s = *dc->surface;
  const uint32_t raw = s.RawFromColour(colour);
  if (!dc->DropsWrites()) {
    s.SetRaw(p.x, p.y, raw);
    s.MarkDirty(RECT{p.x, p.y, p.x + 1, p.y + 1});
  }
  return s.ColourFromRaw(raw);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour) { return SetPixel(dc, x, y, colour) != CLR_INVALID; }

COLORREF GetPixel(HDC handle, int x, int y) {
  auto dc = DrawableDc(handle);
  if (!dc) return CLR_INVALID;
  const POINT p = dc->ToSurface(x, y);
  if (!dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
  return dc->surface->ColourFromRaw(dc->surface->GetRaw(p.x, p.y));
}

}  // namespace plat
