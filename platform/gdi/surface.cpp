// Surfaces: allocation within the size limits, and raw pixel rows of every
// DIB format. Rows are read and written a range at a time, so the drawing
// loops check their bounds once per row.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "gdi/pixel.h"
#include "plat/gdi_surface.h"

namespace plat::gdi {

namespace {

constexpr int64_t kMaxSide = int64_t{1} << 24;
constexpr int64_t kMaxPixels = int64_t{1} << 28;
constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// A channel of `bits` bits widened to 8 by repeating its bits.
uint32_t WidenChannel(uint32_t value, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return (value >> (bits - 8)) & 0xFF;
  uint32_t out = 0;
  int filled = 0;
  while (filled < 8) {
    out = (out << bits) | value;
    filled += bits;
  }
  return (out >> (filled - 8)) & 0xFF;
}

uint32_t NarrowChannel(uint32_t value8, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return value8 << (bits - 8);
  return value8 >> (8 - bits);
}

bool IsDefaultRgb32(const uint32_t masks[3]) {
  return masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
}

}  // namespace

std::shared_ptr<Surface> CopySurface(const Surface& src, const RECT& area) {
  auto copy = CreateSurface(area.right - area.left, area.bottom - area.top, src.bpp, src.colours, true);
  if (!copy) return nullptr;
  std::memcpy(copy->masks, src.masks, sizeof(copy->masks));
  copy->is_dib = src.is_dib;
  std::vector<uint32_t> row(static_cast<size_t>(copy->width));
  for (int y = area.top; y < area.bottom; ++y) {
    src.ReadRaw(y, area.left, copy->width, row.data());
    copy->WriteRaw(y - area.top, 0, copy->width, row.data());
  }
  return copy;
}

std::vector<RGBQUAD> DefaultColourTable(int bpp) {
  std::vector<RGBQUAD> table;
  if (bpp == 1) return {Quad(0, 0, 0), Quad(255, 255, 255)};
  static constexpr BYTE kVga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  for (const auto& c : kVga) table.push_back(Quad(c[0], c[1], c[2]));
  if (bpp == 4) return table;
  // 8 bpp: the sixteen colours, a 6×6×6 cube and 24 greys.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) table.push_back(Quad(BYTE(r * 51), BYTE(g * 51), BYTE(b * 51)));
  for (int i = 0; i < 24; ++i) {
    const BYTE v = static_cast<BYTE>(8 + i * 10);
    table.push_back(Quad(v, v, v));
  }
  return table;
}

std::shared_ptr<Surface> CreateSurface(int width, int height, int bpp, const std::vector<RGBQUAD>& colours,
                                       bool is_top_down, int stride_align) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (int64_t{width} * height > kMaxPixels) return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  const uint64_t align_bits = static_cast<uint64_t>(stride_align) * 8;
  const uint64_t stride = (uint64_t(width) * uint64_t(bpp) + align_bits - 1) / align_bits * uint64_t(stride_align);
  const uint64_t bytes = stride * uint64_t(height);
  if (bytes > kMaxBytes) return nullptr;
  auto surface = std::make_shared<Surface>();
  surface->storage.reset(new (std::nothrow) BYTE[bytes]());
  if (!surface->storage) return nullptr;
  surface->bits = surface->storage.get();
  surface->width = width;
  surface->height = height;
  surface->bpp = bpp;
  surface->stride_bytes = stride;
  surface->is_top_down = is_top_down;
  if (bpp <= 8) {
    surface->colours = colours.empty() ? DefaultColourTable(bpp) : colours;
    surface->colours.resize(std::min<size_t>(surface->colours.size(), size_t{1} << bpp));
  } else if (bpp == 16) {
    surface->masks[0] = 0x7C00, surface->masks[1] = 0x03E0, surface->masks[2] = 0x001F;
  } else {
    surface->masks[0] = 0xFF0000, surface->masks[1] = 0x00FF00, surface->masks[2] = 0x0000FF;
  }
  return surface;
}

uint32_t Surface::RawMask() const {
  if (bpp <= 8) return (uint32_t{1} << bpp) - 1;
  if (bpp == 24) return 0xFFFFFF;
  return masks[0] | masks[1] | masks[2];
}

uint32_t Surface::RawFromColour(COLORREF colour) const {
  colour = PlainColour(colour);
  if (bpp == 24 || (bpp == 32 && IsDefaultRgb32(masks))) return PixelFromColour(colour);
  if (bpp <= 8) {
    int best = 0;
    int64_t best_distance = INT64_MAX;
    for (size_t i = 0; i < colours.size(); ++i) {
      const int64_t dr = int64_t{colours[i].rgbRed} - GetRValue(colour);
      const int64_t dg = int64_t{colours[i].rgbGreen} - GetGValue(colour);
      const int64_t db = int64_t{colours[i].rgbBlue} - GetBValue(colour);
      const int64_t distance = dr * dr + dg * dg + db * db;
      if (distance < best_distance) {
        best_distance = distance;
        best = static_cast<int>(i);
        if (distance == 0) break;
      }
    }
    return static_cast<uint32_t>(best);
  }
  const uint32_t channel[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
  uint32_t raw = 0;
  for (int i = 0; i < 3; ++i) {
    if (masks[i] == 0) continue;
    const int shift = std::countr_zero(masks[i]);
    const int bits = std::popcount(masks[i]);
    raw |= (NarrowChannel(channel[i], bits) << shift) & masks[i];
  }
  return raw;
}

COLORREF Surface::ColourFromRaw(uint32_t raw) const {
  if (bpp == 24 || (bpp == 32 && IsDefaultRgb32(masks))) return ColourFromPixel(raw & 0xFFFFFF);
  if (bpp <= 8) {
    if (raw >= colours.size()) return 0;
    const RGBQUAD& q = colours[raw];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  uint32_t channel[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (masks[i] == 0) continue;
    const int shift = std::countr_zero(masks[i]);
    channel[i] = WidenChannel((raw & masks[i]) >> shift, std::popcount(masks[i]));
  }
  return RGB(BYTE(channel[0]), BYTE(channel[1]), BYTE(channel[2]));
}

void Surface::ReadRaw(int y, int x, int count, uint32_t* out) const {
  const BYTE* row = Row(y);
  switch (bpp) {
    case 32: {
      const BYTE* p = row + size_t(x) * 4;
      for (int i = 0; i < count; ++i, p += 4) out[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
      break;
    }
    case 24: {
      const BYTE* p = row + size_t(x) * 3;
      for (int i = 0; i < count; ++i, p += 3) out[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
      break;
    }
    case 16: {
      const BYTE* p = row + size_t(x) * 2;
      for (int i = 0; i < count; ++i, p += 2) out[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8;
      break;
    }
    case 8:
      for (int i = 0; i < count; ++i) out[i] = row[x + i];
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        const int xi = x + i;
        out[i] = (xi & 1) ? (row[xi >> 1] & 0x0F) : (row[xi >> 1] >> 4);
      }
      break;
    case 1:
      for (int i = 0; i < count; ++i) {
        const int xi = x + i;
        out[i] = (row[xi >> 3] >> (7 - (xi & 7))) & 1;
      }
      break;
    default:
      break;
  }
}

void Surface::WriteRaw(int y, int x, int count, const uint32_t* in) {
  BYTE* row = Row(y);
  switch (bpp) {
    case 32: {
      BYTE* p = row + size_t(x) * 4;
      for (int i = 0; i < count; ++i, p += 4) {
        p[0] = BYTE(in[i]), p[1] = BYTE(in[i] >> 8), p[2] = BYTE(in[i] >> 16), p[3] = BYTE(in[i] >> 24);
      }
      break;
    }
    case 24: {
      BYTE* p = row + size_t(x) * 3;
      for (int i = 0; i < count; ++i, p += 3) p[0] = BYTE(in[i]), p[1] = BYTE(in[i] >> 8), p[2] = BYTE(in[i] >> 16);
      break;
    }
    case 16: {
      BYTE* p = row + size_t(x) * 2;
      for (int i = 0; i < count; ++i, p += 2) p[0] = BYTE(in[i]), p[1] = BYTE(in[i] >> 8);
      break;
    }
    case 8:
      for (int i = 0; i < count; ++i) row[x + i] = BYTE(in[i]);
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        const int xi = x + i;
        BYTE& b = row[xi >> 1];
        b = (xi & 1) ? BYTE((b & 0xF0) | (in[i] & 0x0F)) : BYTE((b & 0x0F) | ((in[i] & 0x0F) << 4));
      }
      break;
    case 1:
      for (int i = 0; i < count; ++i) {
        const int xi = x + i;
        const BYTE bit = BYTE(0x80 >> (xi & 7));
        BYTE& b = row[xi >> 3];
        b = (in[i] & 1) ? BYTE(b | bit) : BYTE(b & ~bit);
      }
      break;
    default:
      break;
  }
}

uint32_t Surface::GetRaw(int x, int y) const {
  uint32_t raw = 0;
  ReadRaw(y, x, 1, &raw);
  return raw;
}

void Surface::SetRaw(int x, int y, uint32_t raw) { WriteRaw(y, x, 1, &raw); }

void Surface::MarkDirty(const RECT& rect) {
  if (IsEmptyRect(rect)) return;
  if (IsEmptyRect(dirty)) {
    dirty = rect;
    return;
  }
  dirty.left = std::min(dirty.left, rect.left);
  dirty.top = std::min(dirty.top, rect.top);
  dirty.right = std::max(dirty.right, rect.right);
  dirty.bottom = std::max(dirty.bottom, rect.bottom);
}

}  // namespace plat::gdi
