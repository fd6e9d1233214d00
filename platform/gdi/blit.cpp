// Blits: a source surface laid on a destination through the ternary raster
// operation, 1:1 or stretched (nearest pixel; shrinking combines pixels by
// the stretch mode). Pixels cross formats by one rule set: a monochrome
// device bitmap gives the destination DC's text colour for 0 and background
// colour for 1; colour to a monochrome device bitmap gives 1 where the pixel
// equals the source DC's background colour; monochrome to monochrome copies
// bits. DIBs, monochrome ones too, go by their colour tables.
#include <algorithm>
#include <cstring>

#include "gdi/blit.h"
#include "gdi/dc_internal.h"
#include "gdi/rop.h"
#include "plat/gdi_surface.h"
#include "plat/last_error.h"

namespace plat::gdi {

namespace {

// Source raw pixels to destination raw pixels.
class Converter {
 public:
  Converter(const Surface& src, const Surface& dst, const DcState& dst_state, COLORREF src_bk)
      : src_(src), dst_(dst) {
    const bool src_device_mono = src.bpp == 1 && !src.is_dib, dst_device_mono = dst.bpp == 1 && !dst.is_dib;
    if (src_device_mono && dst_device_mono) {
      kind_ = Kind::kIdentity;
    } else if (src_device_mono) {
      lut_ = {dst.RawFromColour(dst_state.text_colour), dst.RawFromColour(dst_state.bk_colour)};
      kind_ = Kind::kTable;
    } else if (dst_device_mono) {
      kind_ = Kind::kToMono;
      src_bk_raw_ = src.RawFromColour(src_bk);
    } else if (src.bpp == dst.bpp && src.bpp > 8 && std::memcmp(src.masks, dst.masks, sizeof(src.masks)) == 0) {
      kind_ = Kind::kIdentity;
    } else if (src.bpp <= 8) {
      kind_ = Kind::kTable;
      lut_.resize(size_t{1} << src.bpp);
      for (size_t i = 0; i < lut_.size(); ++i) lut_[i] = dst.RawFromColour(src.ColourFromRaw(uint32_t(i)));
    } else {
      kind_ = Kind::kColour;
    }
  }

  void Row(const uint32_t* in, uint32_t* out, int count) {
    switch (kind_) {
      case Kind::kIdentity: std::memcpy(out, in, sizeof(uint32_t) * size_t(count)); break;
      case Kind::kTable:
        for (int i = 0; i < count; ++i) out[i] = lut_[in[i] & (lut_.size() - 1)];
        break;
      case Kind::kToMono:
        for (int i = 0; i < count; ++i) out[i] = in[i] == src_bk_raw_ ? 1 : 0;
        break;
      case Kind::kColour:
        for (int i = 0; i < count; ++i) {
          if (!has_last_ || in[i] != last_in_) {
            last_in_ = in[i];
            last_out_ = dst_.RawFromColour(src_.ColourFromRaw(in[i]));
            has_last_ = true;
          }
          out[i] = last_out_;
        }
        break;
    }
  }

 private:
  enum class Kind { kIdentity, kTable, kToMono, kColour };
  const Surface& src_;
  const Surface& dst_;
  Kind kind_ = Kind::kIdentity;
  std::vector<uint32_t> lut_;
  uint32_t src_bk_raw_ = 0;
  bool has_last_ = false;
  uint32_t last_in_ = 0, last_out_ = 0;
};

// Source index range [first, last) for each destination index along one axis.
struct AxisMap {
  std::vector<int> first, last;
};

AxisMap MapAxis(int dest_count, int src_start, int src_count, bool mirror, bool is_nearest) {
  AxisMap map;
  map.first.resize(size_t(dest_count));
  map.last.resize(size_t(dest_count));
  for (int k = 0; k < dest_count; ++k) {
    const int64_t i = mirror ? dest_count - 1 - k : k;
    int64_t a = 0, b = 0;
    if (is_nearest || src_count <= dest_count) {
      a = (2 * i + 1) * src_count / (2 * int64_t{dest_count});
      b = a + 1;
    } else {
      a = i * src_count / dest_count;
      b = std::max(a + 1, (i + 1) * src_count / dest_count);
    }
    map.first[size_t(k)] = static_cast<int>(src_start + a);
    map.last[size_t(k)] = static_cast<int>(src_start + b);
  }
  return map;
}

// Applies `op` over one row, switching to the mask's background code for
// the runs where the mask bit is 0.
void ApplyMaskedRow(Surface& dst, int y, int x, int count, const RowOperation& op, const BlitMask& mask,
                    int mask_x, int mask_y, std::vector<uint32_t>& bits, std::vector<uint32_t>& scratch) {
  bits.resize(size_t(count));
  mask.surface->ReadRaw(mask_y, mask_x, count, bits.data());
  for (int start = 0; start < count;) {
    const uint32_t bit = bits[size_t(start)] & 1;
    int end = start + 1;
    while (end < count && (bits[size_t(end)] & 1) == bit) ++end;
    RowOperation run = op;
    if (bit == 0) run.code = mask.back_code;
    if (run.pattern) run.pattern += start;
    if (run.source) run.source += start;
    if (run.mask) run.mask += start;
    ApplyRow(dst, y, x + start, end - start, run, scratch);
    start = end;
  }
}

}  // namespace

void Blit(DeviceContext& dc, const RECT& dest_in, const BlitSource& source, uint8_t code, const BlitMask* mask) {
  if (dc.DropsWrites() || !dc.surface) return;
  Surface& dst = *dc.surface;
  const uint8_t back = mask ? mask->back_code : code;
  const bool uses_source = (Rop3UsesSource(code) || Rop3UsesSource(back)) && source.surface != nullptr;
  const PatternSource pattern = PatternFor(dc, dc.state.brush.as<Brush>());
  if (pattern.is_null && (Rop3UsesPattern(code) || Rop3UsesPattern(back))) return;
  const RECT dest = NormalizedRect(dest_in);
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  if (dw == 0 || dh == 0) return;
  RECT area = dest;
  AxisMap xs, ys;
  std::shared_ptr<Surface> holder;
  const Surface* src = source.surface;
  if (uses_source) {
    const RECT srect = NormalizedRect(source.rect);
    const int sw = srect.right - srect.left, sh = srect.bottom - srect.top;
    if (sw == 0 || sh == 0) return;
    const bool mirror_x = (dest_in.right < dest_in.left) != (source.rect.right < source.rect.left);
    const bool mirror_y = (dest_in.bottom < dest_in.top) != (source.rect.bottom < source.rect.top);
    const int mode = dc.state.stretch_mode;
    const bool is_nearest = mode == COLORONCOLOR;
    xs = MapAxis(dw, srect.left, sw, mirror_x, is_nearest);
    ys = MapAxis(dh, srect.top, sh, mirror_y, is_nearest);
    // Only destination pixels whose source lies inside the source surface
    // are drawn; the maps are monotonic, so those form one rectangle.
    auto inside = [](const AxisMap& m, int k, int limit) { return m.first[size_t(k)] >= 0 && m.first[size_t(k)] < limit; };
    int x0 = 0, x1 = dw, y0 = 0, y1 = dh;
    while (x0 < x1 && !inside(xs, x0, src->width)) ++x0;
    while (x1 > x0 && !inside(xs, x1 - 1, src->width)) --x1;
    while (y0 < y1 && !inside(ys, y0, src->height)) ++y0;
    while (y1 > y0 && !inside(ys, y1 - 1, src->height)) --y1;
    area = RECT{dest.left + x0, dest.top + y0, dest.left + x1, dest.top + y1};
    if (IsEmptyRect(area)) return;
    if (src == &dst) {
      // Reading and writing one surface: take the source first.
      holder = CopySurface(*src, src->Bounds());
      if (!holder) return;
      src = holder.get();
    }
  }
  const Region clipped = dc.Clip().Intersected(area);
  if (clipped.empty()) return;
  std::unique_ptr<Converter> convert;
  if (uses_source) convert = std::make_unique<Converter>(*src, dst, dc.state, source.bk_colour);
  const int mode = dc.state.stretch_mode;
  std::vector<uint32_t> srow(size_t(uses_source ? src->width : 0)), crow(srow.size()), acc;
  std::vector<uint32_t> out(static_cast<size_t>(dw)), prow(static_cast<size_t>(dw)), scratch, mask_bits;
  std::vector<uint8_t> mrow(static_cast<size_t>(dw));
  std::vector<int64_t> sums;
  RowOperation op;
  op.code = code;
  op.solid_pattern = pattern.solid;
  for (const RECT& r : clipped.rects()) {
    const int count = r.right - r.left;
    for (int y = r.top; y < r.bottom; ++y) {
      if (uses_source) {
        const int ky = y - dest.top;
        const int sy0 = std::max(0, ys.first[size_t(ky)]), sy1 = std::min(src->height, ys.last[size_t(ky)]);
        const bool combine_rows = sy1 - sy0 > 1;
        const bool halftone = mode == HALFTONE;
        if (!combine_rows && !halftone) {
          src->ReadRaw(sy0, 0, src->width, srow.data());
          convert->Row(srow.data(), crow.data(), src->width);
          for (int x = r.left; x < r.right; ++x) {
            const int kx = x - dest.left;
            const int sx0 = std::max(0, xs.first[size_t(kx)]), sx1 = std::min(src->width, xs.last[size_t(kx)]);
            uint32_t v = crow[size_t(sx0)];
            for (int sx = sx0 + 1; sx < sx1; ++sx) v = mode == WHITEONBLACK ? (v | crow[size_t(sx)]) : (v & crow[size_t(sx)]);
            out[size_t(x - r.left)] = v;
          }
        } else if (!halftone) {
          // Shrinking rows: combine every source row of the band.
          acc.assign(size_t(count), mode == WHITEONBLACK ? 0u : ~0u);
          for (int sy = sy0; sy < sy1; ++sy) {
            src->ReadRaw(sy, 0, src->width, srow.data());
            convert->Row(srow.data(), crow.data(), src->width);
            for (int x = r.left; x < r.right; ++x) {
              const int kx = x - dest.left;
              const int sx0 = std::max(0, xs.first[size_t(kx)]), sx1 = std::min(src->width, xs.last[size_t(kx)]);
              uint32_t& a = acc[size_t(x - r.left)];
              for (int sx = sx0; sx < sx1; ++sx) a = mode == WHITEONBLACK ? (a | crow[size_t(sx)]) : (a & crow[size_t(sx)]);
            }
          }
          std::copy(acc.begin(), acc.end(), out.begin());
        } else {
          // Halftone: the average colour of the source block.
          sums.assign(size_t(count) * 4, 0);
          for (int sy = sy0; sy < sy1; ++sy) {
            src->ReadRaw(sy, 0, src->width, srow.data());
            for (int x = r.left; x < r.right; ++x) {
              const int kx = x - dest.left;
              const int sx0 = std::max(0, xs.first[size_t(kx)]), sx1 = std::min(src->width, xs.last[size_t(kx)]);
              int64_t* s = &sums[size_t(x - r.left) * 4];
              for (int sx = sx0; sx < sx1; ++sx) {
                const COLORREF c = src->ColourFromRaw(srow[size_t(sx)]);
                s[0] += GetRValue(c), s[1] += GetGValue(c), s[2] += GetBValue(c), s[3] += 1;
              }
            }
          }
          for (int i = 0; i < count; ++i) {
            const int64_t* s = &sums[size_t(i) * 4];
            const int64_t n = std::max<int64_t>(1, s[3]);
            const COLORREF c = RGB(BYTE((s[0] + n / 2) / n), BYTE((s[1] + n / 2) / n), BYTE((s[2] + n / 2) / n));
            out[size_t(i)] = dst.bpp == 1 ? (c == source.bk_colour ? 1u : 0u) : dst.RawFromColour(c);
          }
        }
        op.source = out.data();
      }
      const bool tiled = pattern.Row(y, r.left, count, prow.data(), mrow.data());
      op.pattern = tiled ? prow.data() : nullptr;
      op.mask = tiled && !pattern.mask.empty() ? mrow.data() : nullptr;
      if (mask) {
        ApplyMaskedRow(dst, y, r.left, count, op, *mask, mask->origin.x + r.left - dest.left,
                       mask->origin.y + y - dest.top, mask_bits, scratch);
      } else {
        ApplyRow(dst, y, r.left, count, op, scratch);
      }
    }
  }
  dst.MarkDirty(clipped.bounds());
}

}  // namespace plat::gdi

namespace plat {

using namespace gdi;

BOOL BitBlt(HDC handle, int x, int y, int width, int height, HDC src_handle, int x_src, int y_src, DWORD rop) {
  // A blit is a stretch whose source has the destination's extents.
  return StretchBlt(handle, x, y, width, height, src_handle, x_src, y_src, width, height, rop);
}

BOOL StretchBlt(HDC handle, int x, int y, int width, int height, HDC src_handle, int x_src, int y_src, int width_src,
                int height_src, DWORD rop) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  const uint8_t code = Rop3Code(rop);
  const POINT d = dc->ToSurface(x, y);
  BlitSource source;
  std::shared_ptr<DeviceContext> src;
  if (Rop3UsesSource(code)) {
    src = DrawableDc(src_handle);
    if (!src) return FALSE;
    const POINT s = src->ToSurface(x_src, y_src);
    source.surface = src->surface.get();
    source.rect = RECT{s.x, s.y, s.x + width_src, s.y + height_src};
    source.bk_colour = src->state.bk_colour;
  }
  Blit(*dc, RECT{d.x, d.y, d.x + width, d.y + height}, source, code);
  return TRUE;
}

BOOL MaskBlt(HDC handle, int x, int y, int width, int height, HDC src_handle, int x_src, int y_src, HBITMAP mask_handle,
             int x_mask, int y_mask, DWORD rop) {
  // The foreground code sits in the usual place, the background code in
  // the top byte.
  const uint8_t fore = Rop3Code(rop), back = static_cast<uint8_t>(rop >> 24);
  if (!mask_handle) return BitBlt(handle, x, y, width, height, src_handle, x_src, y_src, rop);
  auto dc = DrawableDc(handle);
  auto mask = FindBitmap(mask_handle);
  if (!dc) return FALSE;
  if (!mask || !mask->surface || mask->surface->bpp != 1 || width < 0 || height < 0 || x_mask < 0 || y_mask < 0 ||
      int64_t{x_mask} + width > mask->surface->width || int64_t{y_mask} + height > mask->surface->height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BlitSource source;
  std::shared_ptr<DeviceContext> src;
  if (Rop3UsesSource(fore) || Rop3UsesSource(back)) {
    src = DrawableDc(src_handle);
    if (!src) return FALSE;
    const POINT s = src->ToSurface(x_src, y_src);
    source.surface = src->surface.get();
    source.rect = RECT{s.x, s.y, s.x + width, s.y + height};
    source.bk_colour = src->state.bk_colour;
  }
  const BlitMask blit_mask{mask->surface.get(), POINT{x_mask, y_mask}, back};
  const POINT d = dc->ToSurface(x, y);
  Blit(*dc, RECT{d.x, d.y, d.x + width, d.y + height}, source, fore, &blit_mask);
  return TRUE;
}

}  // namespace plat
