// The packed-DIB gate: every header field is checked against its legal set
// and every table and row against the block's size, in 64 bits, before a
// view of the block is handed out.
#include "plat/packed_dib.h"

#include <cstring>
#include <limits>

#include "gdi/dib_internal.h"

namespace plat {

namespace {

constexpr int64_t kMaxDibSide = int64_t{1} << 24;

uint32_t U32(const BYTE* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

COLORREF DibView::PaletteColour(int index) const {
  if (index < 0 || index >= colors) return 0;
  if (coreColours) return RGB(coreColours[index].rgbtRed, coreColours[index].rgbtGreen, coreColours[index].rgbtBlue);
  return palette ? RGB(palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue) : 0;
}

namespace gdi {

std::optional<DibView> ParseDib(const void* block, uint64_t size, bool need_bits) {
  if (block == nullptr || size < 4) return std::nullopt;
  const BYTE* bytes = static_cast<const BYTE*>(block);
  DibView view;
  const uint32_t header_size = U32(bytes);
  if (header_size != 12 && header_size != 40 && header_size != 108 && header_size != 124) return std::nullopt;
  if (size < header_size) return std::nullopt;
  view.headerSize = static_cast<int>(header_size);
  int64_t width = 0, height = 0;
  uint32_t planes = 0, clr_used = 0;
  if (header_size == 12) {
    width = U16(bytes + 4);
    height = U16(bytes + 6);
    planes = U16(bytes + 8);
    view.bpp = U16(bytes + 10);
  } else {
    width = static_cast<int32_t>(U32(bytes + 4));
    height = static_cast<int32_t>(U32(bytes + 8));
    planes = U16(bytes + 12);
    view.bpp = U16(bytes + 14);
    view.compression = U32(bytes + 16);
    clr_used = U32(bytes + 32);
  }
  if (planes != 1) return std::nullopt;
  const int bpp = view.bpp;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return std::nullopt;
  if (width < 1 || width > kMaxDibSide || height == 0 || height > kMaxDibSide || height < -kMaxDibSide) {
    return std::nullopt;
  }
  view.width = static_cast<int>(width);
  view.topDown = height < 0;
  view.height = static_cast<int>(height < 0 ? -height : height);
  const bool is_rle = view.compression == BI_RLE8 || view.compression == BI_RLE4;
  switch (view.compression) {
    case BI_RGB: break;
    case BI_BITFIELDS:
      if (bpp != 16 && bpp != 32) return std::nullopt;
      break;
    case BI_RLE8:
      if (bpp != 8 || view.topDown) return std::nullopt;
      break;
    case BI_RLE4:
      if (bpp != 4 || view.topDown) return std::nullopt;
      break;
    default: return std::nullopt;
  }
  // Colour entries: at most 2^bpp; none given means all of them up to 8 bpp.
  if (bpp <= 8) {
    if (clr_used > (uint32_t{1} << bpp)) return std::nullopt;
    view.colors = clr_used == 0 ? (1 << bpp) : static_cast<int>(clr_used);
  } else {
    if (bpp < 32 && clr_used > (uint32_t{1} << bpp)) return std::nullopt;
    view.colors = 0;
  }
  uint64_t offset = header_size;
  if (bpp == 16) {
    view.masks[0] = 0x7C00, view.masks[1] = 0x03E0, view.masks[2] = 0x001F;
  } else if (bpp == 32) {
    view.masks[0] = 0xFF0000, view.masks[1] = 0x00FF00, view.masks[2] = 0x0000FF;
  }
  if (view.compression == BI_BITFIELDS) {
    // The masks follow a 40-byte header and lie inside the larger ones.
    constexpr uint64_t at = 40;
    if (size < at + 12) return std::nullopt;
    for (int i = 0; i < 3; ++i) view.masks[i] = U32(bytes + at + 4 * i);
    if (header_size == 40) offset += 12;
  }
  // Tables of more than 8-bit DIBs are skipped, not used.
  const uint64_t entries = bpp <= 8 ? uint64_t(view.colors) : uint64_t{clr_used};
  const uint64_t entry_bytes = header_size == 12 ? 3 : 4;
  if (entries > (size - offset) / entry_bytes) return std::nullopt;
  if (bpp <= 8) {
    if (header_size == 12) {
      view.coreColours = reinterpret_cast<const RGBTRIPLE*>(bytes + offset);
    } else {
      view.palette = reinterpret_cast<const RGBQUAD*>(bytes + offset);
    }
  }
  offset += entries * entry_bytes;
  view.stride = static_cast<size_t>((uint64_t(view.width) * uint64_t(bpp) + 31) / 32 * 4);
  view.bits = bytes + offset;
  if (is_rle) {
    const uint32_t image_bytes = U32(bytes + 20);
    if (image_bytes == 0 || image_bytes > size - offset) return std::nullopt;
    view.bits_bytes = image_bytes;
    return view;
  }
  const uint64_t rows = uint64_t(view.stride) * uint64_t(view.height);
  if (need_bits) {
    if (rows > size - offset) return std::nullopt;
    view.bits_bytes = static_cast<size_t>(rows);
  }
  return view;
}

std::shared_ptr<Surface> SurfaceOverDib(const DibView& view, const BYTE* bits) {
  if (view.compression != BI_RGB && view.compression != BI_BITFIELDS) return nullptr;
  auto surface = std::make_shared<Surface>();
  surface->width = view.width;
  surface->height = view.height;
  surface->bpp = view.bpp;
  surface->stride_bytes = view.stride;
  surface->is_top_down = view.topDown;
  surface->is_dib = true;
  surface->bits = const_cast<BYTE*>(bits ? bits : view.bits);
  std::memcpy(surface->masks, view.masks, sizeof(surface->masks));
  if (view.bpp <= 8) {
    surface->colours.resize(static_cast<size_t>(view.colors));
    for (int i = 0; i < view.colors; ++i) {
      const COLORREF c = view.PaletteColour(i);
      surface->colours[size_t(i)] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
  }
  return surface;
}

}  // namespace gdi

std::optional<DibView> ValidatePackedDib(const void* block, size_t blockSize) {
  return gdi::ParseDib(block, blockSize, true);
}

std::optional<DibView> ValidatePackedDib(HGLOBAL block) {
  const size_t size = GlobalSize(block);
  const void* bytes = GlobalLock(block);
  if (bytes == nullptr) return std::nullopt;
  auto view = gdi::ParseDib(bytes, size, true);
  (void)GlobalUnlock(block);
  return view;
}

namespace {

// The same depth with a 40-byte header: the colour table as 4-byte entries,
// rows bottom-up, run-length data copied as it stands.
HGLOBAL CopyWithPlainHeader(const DibView& view) {
  const bool is_rle = view.compression == BI_RLE8 || view.compression == BI_RLE4;
  const uint64_t table_bytes = uint64_t(view.colors) * sizeof(RGBQUAD);
  const uint64_t data_bytes = is_rle ? uint64_t(view.bits_bytes) : uint64_t(view.stride) * uint64_t(view.height);
  const uint64_t bytes = sizeof(BITMAPINFOHEADER) + table_bytes + data_bytes;
  if (bytes > (uint64_t{1} << 30)) return 0;
  const HGLOBAL handle = GlobalAlloc(GHND, static_cast<size_t>(bytes));
  BYTE* out = static_cast<BYTE*>(GlobalLock(handle));
  if (out == nullptr) {
    if (handle != 0) (void)GlobalFree(handle);
    return 0;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = view.width;
  header.biHeight = view.height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(view.bpp);
  header.biCompression = is_rle ? view.compression : BI_RGB;
  header.biSizeImage = static_cast<DWORD>(data_bytes);
  header.biClrUsed = static_cast<DWORD>(view.colors);
  std::memcpy(out, &header, sizeof(header));
  BYTE* table = out + sizeof(header);
  for (int i = 0; i < view.colors; ++i) {
    const COLORREF c = view.PaletteColour(i);
    const RGBQUAD entry{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    std::memcpy(table + size_t(i) * sizeof(RGBQUAD), &entry, sizeof(entry));
  }
  BYTE* rows = table + table_bytes;
  if (is_rle) {
    std::memcpy(rows, view.bits, view.bits_bytes);
  } else {
    for (int y = 0; y < view.height; ++y) {
      std::memcpy(rows + view.stride * size_t(view.height - 1 - y), view.TopRow(y), view.stride);
    }
  }
  (void)GlobalUnlock(handle);
  return handle;
}

}  // namespace

HGLOBAL NormalizePackedDib(const DibView& view, int bppOut) {
  if (bppOut == kKeepDibDepth) {
    if (view.bpp == 16 || view.bpp == 32) return NormalizePackedDib(view, 24);
    return CopyWithPlainHeader(view);
  }
  if (bppOut != 24 && bppOut != 32) return 0;
  auto source = gdi::SurfaceOverDib(view, nullptr);
  if (!source) return 0;
  const uint64_t stride = (uint64_t(view.width) * uint64_t(bppOut) + 31) / 32 * 4;
  const uint64_t bytes = sizeof(BITMAPINFOHEADER) + stride * uint64_t(view.height);
  if (bytes > (uint64_t{1} << 30)) return 0;
  const HGLOBAL handle = GlobalAlloc(GHND, static_cast<size_t>(bytes));
  if (handle == 0) return 0;
  BYTE* out = static_cast<BYTE*>(GlobalLock(handle));
  if (out == nullptr) {
    (void)GlobalFree(handle);
    return 0;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = view.width;
  header.biHeight = view.height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bppOut);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(stride * uint64_t(view.height));
  std::memcpy(out, &header, sizeof(header));
  std::vector<uint32_t> row(static_cast<size_t>(view.width));
  const int step = bppOut / 8;
  for (int y = 0; y < view.height; ++y) {
    source->ReadRaw(y, 0, view.width, row.data());
    BYTE* dest = out + sizeof(header) + stride * uint64_t(view.height - 1 - y);
    for (int x = 0; x < view.width; ++x) {
      const COLORREF c = source->ColourFromRaw(row[size_t(x)]);
      BYTE* p = dest + size_t(x) * size_t(step);
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
  }
  (void)GlobalUnlock(handle);
  return handle;
}

}  // namespace plat
